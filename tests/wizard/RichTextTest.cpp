// The rich-text builder: modifiers applied in list order, RTF escaping and documents, and pieces
// of plain and RTF text appended to a real rich edit control and read back with their formats.
#include <gtest/gtest.h>

#include <windows.h>

#include <richedit.h>

#include <string>
#include <vector>

#include "LanguageHelpers.h"
#include "RichEditCtrl.h"
#include "RichText.h"
#include "ServiceStandIns.h"

namespace {

std::wstring W(const CString& text)
{
    return text.GetString();
}

// A hidden "RichEdit20W" window and the services the default formats are built from; the
// defaults are built anew in each test (from its language and dialog font) and forgotten after
// it, so that no test sees those of another.
class RichTextTest : public ::testing::Test {
protected:
    RichTextTest()
    {
        ResetDefaultRichTextFormats();
        AfxInitRichEdit2();
        m_control.Attach(::CreateWindowExW(0, L"RichEdit20W", L"", WS_POPUP | ES_MULTILINE, 0, 0, 400, 300, nullptr,
            nullptr, nullptr, nullptr));
    }
    ~RichTextTest() override
    {
        ::DestroyWindow(m_control.Detach());
        SetRichTextLanguage(0);
        ResetDefaultRichTextFormats();
    }

    std::wstring Text()
    {
        GETTEXTEX get = {};
        std::vector<wchar_t> buffer(65536);
        get.cb = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        get.flags = GT_DEFAULT;
        get.codepage = 1200;
        m_control.SendMessage(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(buffer.data()));
        return buffer.data();
    }
    // The formats of the character at `position` and of its paragraph.
    void FormatsAt(long position, CHARFORMAT2W& character, PARAFORMAT2& paragraph)
    {
        m_control.SetSel(position, position + 1);
        character = CHARFORMAT2W();
        character.cbSize = sizeof(character);
        m_control.SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&character));
        paragraph = PARAFORMAT2();
        paragraph.cbSize = sizeof(paragraph);
        m_control.SendMessage(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
    }

    testsupport::StandInServices m_services;
    CRichEditCtrl m_control;
};

// The list's formats as it computes them and as the control shows them.
class FormatModifierTest : public RichTextTest { };

// The height of a font of `points` on the screen.
LONG HeightOf(int points)
{
    HDC screen = ::GetDC(nullptr);
    const LONG height = -::MulDiv(points, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    return height;
}

}  // namespace

TEST_F(FormatModifierTest, ModifiersApplyInListOrder)
{
    const ParaLeftIndentModifier deeper(360, TRUE);
    const ParaRightIndentModifier rightMore(100, TRUE);
    const FontEffectModifier<CFE_BOLD> notBold(FALSE);
    const FontEffectModifier<CFE_UNDERLINE> underline(TRUE);
    const FontSizeModifier size(12);
    const ParaBulletModifier bullet(TRUE);
    const ParaFirstIndentModifier firstRelative(200, TRUE);
    const ParaFirstIndentModifier firstAbsolute(200, FALSE);
    const struct {
        const char* name;
        std::vector<const IFormatModifier*> modifiers;
        LONG start, right, offset;
        DWORD effects;
        COLORREF color;
        WORD numbering;
    } cases[] = {
        {"none: the defaults", {}, 0, 0, 0, 0, ::GetSysColor(COLOR_WINDOWTEXT), 0},
        {"the body's indents", {&g_leftIndentModifier, &g_rightIndentModifier}, 180, 180, 0, 0,
            ::GetSysColor(COLOR_WINDOWTEXT), 0},
        {"absolute, then relative", {&g_leftIndentModifier, &deeper, &g_rightIndentModifier, &rightMore}, 540, 280, 0,
            0, ::GetSysColor(COLOR_WINDOWTEXT), 0},
        {"relative, then absolute", {&deeper, &g_leftIndentModifier}, 180, 0, 0, 0, ::GetSysColor(COLOR_WINDOWTEXT), 0},
        {"the warning", {&g_boldModifier, &g_redColorModifier}, 0, 0, 0, CFE_BOLD, RGB(255, 0, 0), 0},
        {"bold switched off again, underlined", {&g_boldModifier, &notBold, &underline}, 0, 0, 0, CFE_UNDERLINE,
            ::GetSysColor(COLOR_WINDOWTEXT), 0},
        {"a bullet", {&bullet}, 0, 0, 0, 0, ::GetSysColor(COLOR_WINDOWTEXT), PFN_BULLET},
        // The first line moves right by 200 twips; the following lines keep the left edge of 180.
        {"first line, relative", {&g_leftIndentModifier, &firstRelative}, 380, 0, -200, 0,
            ::GetSysColor(COLOR_WINDOWTEXT), 0},
        {"first line, absolute twice", {&g_leftIndentModifier, &firstAbsolute, &firstAbsolute}, 380, 0, -200, 0,
            ::GetSysColor(COLOR_WINDOWTEXT), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FormatModifierList list;
        for (const IFormatModifier* modifier : c.modifiers)
            list.Add(modifier);
        PARAFORMAT paragraph;
        CHARFORMATW character;
        list.Apply(paragraph, character);
        EXPECT_EQ(c.start, paragraph.dxStartIndent);
        EXPECT_EQ(c.right, paragraph.dxRightIndent);
        EXPECT_EQ(c.offset, paragraph.dxOffset);
        EXPECT_EQ(c.effects, character.dwEffects);
        EXPECT_EQ(c.color, character.crTextColor);
        EXPECT_EQ(c.numbering, paragraph.wNumbering);
        EXPECT_EQ(UINT(sizeof(PARAFORMAT)), paragraph.cbSize);
        EXPECT_EQ(UINT(sizeof(CHARFORMATW)), character.cbSize);
        EXPECT_EQ(DWORD(0x3F), paragraph.dwMask);
        EXPECT_EQ(DWORD(0xF800003F), character.dwMask);

        // The same formats in the control, the row a paragraph of its own.
        const long start = static_cast<long>(Text().size());
        AppendRichText(m_control, L"row\r", list, false);
        CHARFORMAT2W shownCharacter;
        PARAFORMAT2 shownParagraph;
        FormatsAt(start, shownCharacter, shownParagraph);
        EXPECT_EQ(c.start, shownParagraph.dxStartIndent);
        EXPECT_EQ(c.right, shownParagraph.dxRightIndent);
        EXPECT_EQ(c.offset, shownParagraph.dxOffset);
        EXPECT_EQ(c.effects, shownCharacter.dwEffects & (CFE_BOLD | CFE_UNDERLINE));
        EXPECT_EQ(c.color, shownCharacter.crTextColor);
        EXPECT_EQ(c.numbering, shownParagraph.wNumbering);
    }
    FormatModifierList sized;
    sized.Add(&size);
    PARAFORMAT paragraph;
    CHARFORMATW character;
    sized.Apply(paragraph, character);
    EXPECT_EQ(240, character.yHeight);
    // The null-terminated global lists.
    EXPECT_EQ(2u, FormatModifierList(g_bodyIndentModifiers).GetCount());
    EXPECT_EQ(3u, FormatModifierList(g_warningModifiers).Add(&size));
}

TEST(RtfTextTest, EscapingAndDocuments)
{
    const struct {
        const wchar_t* text;
        const wchar_t* escaped;
    } cases[] = {
        {L"plain", L"plain"},
        {L"a\\{b", L"a\\\\\\{b"},  // backslashes doubled first, then the brace escaped
        {L"{}", L"\\{\\}"},
        {L"\\\\", L"\\\\\\\\"},
        {L"col1\tcol2", L"col1\\tab col2"},
        {L"\t\\t", L"\\tab \\\\t"},  // the control word of a tab is not escaped again
    };
    for (const auto& c : cases) {
        CString text = c.text;
        EscapeRtfText(text);
        EXPECT_EQ(c.escaped, W(text)) << c.text;
    }

    RtfDocumentFont font = {};
    wcscpy(font.font.lfFaceName, L"Tahoma");
    font.font.lfCharSet = 0;
    font.codePage = 1252;
    font.language = 0x409;
    font.pixelsPerInch = 96;
    const struct {
        LONG height;
        int points;
    } heights[] = {{-11, 8}, {-16, 12}, {10, 10}, {0, 11}};  // a positive height is the size itself
    for (const auto& h : heights) {
        font.font.lfHeight = h.height;
        CString header = L"Header", info = L"{\\b Info}";
        MakeRtfDocuments(header, info, font);
        const std::wstring prolog
            = L"{\\rtf1\\ansi\\ansicpg1252\\uc1 \\deff0\\deflang1033 {\\fonttbl{\\f0\\fcharset0\\fprq0 Tahoma;}}";
        const std::wstring p2 = std::to_wstring(h.points * 2), p5 = std::to_wstring(h.points * 5);
        EXPECT_EQ(prolog + L"\\pard\\plain \\b\\fs" + p2 + L"\\sb0\\sa" + p5 + L"\\li144\\ri144 {Header\\par }", W(header))
            << h.height;
        EXPECT_EQ(prolog + L"\\pard\\plain \\fs" + p2 + L"\\sb0\\sa0\\li144\\ri144 {{\\b Info}\\par }", W(info)) << h.height;
    }
}

TEST_F(RichTextTest, PiecesAppendAtTheEndWithTheirFormats)
{
    FormatModifierList warning(g_warningModifiers);
    FormatModifierList body(g_bodyIndentModifiers);
    AppendRichText(m_control, L"WARNING:", warning, false);
    AppendRichText(m_control, L" text\r", body, false);
    FormatModifierList nested(g_bodyIndentModifiers);
    const ParaLeftIndentModifier deeper(360, TRUE);
    nested.Add(&deeper);
    AppendRichText(m_control, L"nested\r", nested, false);
    AppendRichText(m_control, L"", warning, false);  // nothing
    AppendRichText(m_control, L"{\\rtf1\\ansi {\\b bold}, plain \\{braces\\}}", body, true);
    EXPECT_EQ(L"WARNING: text\rnested\rbold, plain {braces}", Text());

    CHARFORMAT2W character;
    PARAFORMAT2 paragraph;
    FormatsAt(0, character, paragraph);
    EXPECT_TRUE(character.dwEffects & CFE_BOLD);
    EXPECT_EQ(RGB(255, 0, 0), character.crTextColor);
    FormatsAt(10, character, paragraph);
    EXPECT_FALSE(character.dwEffects & CFE_BOLD);
    EXPECT_EQ(::GetSysColor(COLOR_WINDOWTEXT), character.crTextColor);
    // The indents in the control are those of the list, not added to the paragraph's own.
    EXPECT_EQ(180, paragraph.dxStartIndent);
    EXPECT_EQ(180, paragraph.dxRightIndent);
    FormatsAt(16, character, paragraph);  // "nested", one level in
    EXPECT_EQ(540, paragraph.dxStartIndent);
    EXPECT_EQ(180, paragraph.dxRightIndent);
    FormatsAt(21, character, paragraph);  // "bold" from the RTF
    EXPECT_TRUE(character.dwEffects & CFE_BOLD);
}

TEST_F(RichTextTest, LongAndNonAsciiTextsArriveWhole)
{
    // Many callbacks, and characters beyond ASCII in the RTF (converted in the code page of the
    // distribution's language) and in plain text.
    SetRichTextLanguage(0x0407);
    std::wstring longText;
    for (int i = 0; i < 600; ++i)
        longText += L"line " + std::to_wstring(i) + L" \x00E9t\x00E9 ";
    AppendRichText(m_control, (L"{\\rtf1\\ansi\\ansicpg1252 " + longText + L"}").c_str(), FormatModifierList(), true);
    const std::wstring plain = L" \x65E5\x672C \x20AC";
    AppendRichText(m_control, plain.c_str(), FormatModifierList(), false);
    SetRichTextLanguage(0);
    EXPECT_EQ(longText + plain, Text());
}

// The defaults' face, height and charset as the control shows them on plain text: the dialog
// font's while the user interface speaks the distribution's language (a positive height being
// the point size itself); for another language a font made for it, in the character set of its
// ANSI code page (the pages' font template names 8 point "MS Sans Serif").
TEST_F(RichTextTest, DefaultFontFollowsTheDistributionsLanguage)
{
    const LANGID userInterface = LANGIDFROMLCID(::GetThreadLocale());
    const LANGID russian = 0x0419;
    ASSERT_NE(russian, userInterface);
    const struct {
        const char* name;
        LANGID language;
        const wchar_t* dialogFace;
        LONG dialogHeight;
        BYTE dialogCharset;
        const wchar_t* face;
        LONG twips;
        BYTE charset;
    } cases[] = {
        {"the dialog font", userInterface, L"Tahoma", HeightOf(12), GREEK_CHARSET, L"Tahoma", 240, GREEK_CHARSET},
        {"a positive height", userInterface, L"Courier New", 10, EASTEUROPE_CHARSET, L"Courier New", 200,
            EASTEUROPE_CHARSET},
        {"another language", russian, L"Tahoma", HeightOf(12), GREEK_CHARSET, L"MS Sans Serif", 160, RUSSIAN_CHARSET},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LOGFONTW dialog = {};
        wcscpy(dialog.lfFaceName, c.dialogFace);
        dialog.lfHeight = c.dialogHeight;
        dialog.lfCharSet = c.dialogCharset;
        HFONT font = ::CreateFontIndirectW(&dialog);
        ASSERT_NE(nullptr, font);
        m_services.app.dialogFont = font;
        SetRichTextLanguage(c.language);
        ResetDefaultRichTextFormats();
        m_control.SetWindowText(L"");
        AppendRichText(m_control, L"text", FormatModifierList(), false);
        CHARFORMAT2W character;
        PARAFORMAT2 paragraph;
        FormatsAt(0, character, paragraph);
        EXPECT_EQ(std::wstring(c.face), character.szFaceName);
        EXPECT_EQ(c.twips, character.yHeight);
        EXPECT_EQ(c.charset, character.bCharSet);
        m_services.app.dialogFont = nullptr;
        ::DeleteObject(font);
    }
}

// RTF reaches the control in the ANSI code page of the distribution's language, not the user
// interface's: Cyrillic arrives whole from a Russian distribution.
TEST_F(RichTextTest, RtfIsConvertedInTheCodePageOfTheDistributionsLanguage)
{
    ASSERT_NE(1251u, OrbelToolbox::GetAnsiCodePage(::GetThreadLocale()));
    SetRichTextLanguage(0x0419);
    const std::wstring russian = L"\x0416\x0438\x0437\x043D\x044C";
    AppendRichText(m_control, (L"{\\rtf1\\ansi\\ansicpg1251 " + russian + L"}").c_str(), FormatModifierList(), true);
    EXPECT_EQ(russian, Text());
}
