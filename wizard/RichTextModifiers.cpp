#include "RichTextModifiers.h"

#include "ApplicationServices.h"
#include "LanguageHelpers.h"
#include "RichEditCtrl.h"
#include "WindowHelpers.h"
#include "resource.h"

namespace {

// Paragraph: start indent, right indent, offset, alignment, tab stops, numbering. The start
// indent is always absolute: with PFM_OFFSETINDENT beside PFM_STARTINDENT the absolute value
// takes precedence on Windows, but some rich edit controls apply both and double the indent.
const DWORD kDefaultParaMask = PFM_STARTINDENT | PFM_RIGHTINDENT | PFM_OFFSET | PFM_ALIGNMENT | PFM_TABSTOPS
    | PFM_NUMBERING;
// Character: bold, italic, underline, strikeout, protected, link, size, colour, face, offset,
// charset.
const DWORD kDefaultCharMask = 0xF800003F;
const wchar_t kBuiltInFace[] = L"MS Sans Serif";
const WORD kBuiltInPoints = 8;
const int kPointsPerInch = 72;
const LONG kTwipsPerPoint = 20;

bool g_defaultsBuilt = false;
PARAFORMAT2 g_defaultParaFormat;
CHARFORMAT2W g_defaultCharFormat;
LANGID g_richTextLanguage = 0;

int ScreenPixelsPerInch()
{
    HDC screen = ::GetDC(nullptr);
    const int pixels = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

// The font for texts in `language` when the user interface speaks another one: the font
// template's face and size, the character set of the language's ANSI code page.
LOGFONTW MakeLanguageFont(LANGID language)
{
    CString face = kBuiltInFace;
    WORD points = kBuiltInPoints;
    if (HGLOBAL resource = LoadDialogResourceById(IDD_FONT_TEMPLATE)) {
        CString templateFace;
        WORD templatePoints = 0;
        if (ReadDialogTemplateFont(::LockResource(resource), templateFace, templatePoints)) {
            face = templateFace;
            points = templatePoints;
        }
    }
    LOGFONTW font = {};
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    font.lfHeight = -::MulDiv(points, ScreenPixelsPerInch(), kPointsPerInch);
    font.lfWeight = FW_NORMAL;
    CHARSETINFO charset = {};
    const UINT codePage = OrbelToolbox::GetAnsiCodePage(language);
    if (::TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(codePage)), &charset, TCI_SRCCODEPAGE))
        font.lfCharSet = static_cast<BYTE>(charset.ciCharset);
    return font;
}

}  // namespace

void SetRichTextLanguage(LANGID language)
{
    g_richTextLanguage = language;
}

LANGID GetRichTextLanguage()
{
    return g_richTextLanguage != 0 ? g_richTextLanguage : LANGIDFROMLCID(::GetThreadLocale());
}

void BuildDefaultRichTextFormats()
{
    if (g_defaultsBuilt)
        return;
    const LANGID uiLanguage = LANGIDFROMLCID(::GetThreadLocale());
    const LANGID language = GetRichTextLanguage();
    LOGFONTW font = {};
    if (uiLanguage == language)
        ::GetObjectW(AppServices().GetDialogFont(), sizeof(font), &font);
    else
        font = MakeLanguageFont(language);
    // A positive height is taken as the point size itself.
    LONG points = font.lfHeight;
    if (font.lfHeight < 0)
        points = -::MulDiv(font.lfHeight, kPointsPerInch, ScreenPixelsPerInch());

    g_defaultParaFormat = PARAFORMAT2();
    g_defaultParaFormat.cbSize = sizeof(PARAFORMAT2);
    g_defaultParaFormat.dwMask = kDefaultParaMask;
    g_defaultParaFormat.wAlignment = PFA_LEFT;

    g_defaultCharFormat = CHARFORMAT2W();
    g_defaultCharFormat.cbSize = sizeof(CHARFORMAT2W);
    g_defaultCharFormat.dwMask = kDefaultCharMask;
    g_defaultCharFormat.yHeight = points * kTwipsPerPoint;
    g_defaultCharFormat.crTextColor = ::GetSysColor(COLOR_WINDOWTEXT);
    g_defaultCharFormat.bCharSet = font.lfCharSet;
    g_defaultCharFormat.bPitchAndFamily = font.lfPitchAndFamily;
    wcsncpy(g_defaultCharFormat.szFaceName, font.lfFaceName, LF_FACESIZE - 1);
    g_defaultsBuilt = true;
}

void ResetDefaultRichTextFormats()
{
    g_defaultsBuilt = false;
}

const PARAFORMAT2& DefaultParaFormat()
{
    BuildDefaultRichTextFormats();
    return g_defaultParaFormat;
}

const CHARFORMAT2W& DefaultCharFormat()
{
    BuildDefaultRichTextFormats();
    return g_defaultCharFormat;
}

FormatModifierList::FormatModifierList()
{
    BuildDefaultRichTextFormats();
}

FormatModifierList::FormatModifierList(const IFormatModifier* const* modifiers)
{
    BuildDefaultRichTextFormats();
    for (; modifiers && *modifiers; ++modifiers)
        m_modifiers.push_back(*modifiers);
}

size_t FormatModifierList::Add(const IFormatModifier* modifier)
{
    m_modifiers.push_back(modifier);
    return m_modifiers.size();
}

void FormatModifierList::Apply(PARAFORMAT& paragraph, CHARFORMATW& character) const
{
    // Only the PARAFORMAT and CHARFORMAT parts of the defaults take part.
    paragraph = DefaultParaFormat();
    paragraph.cbSize = sizeof(PARAFORMAT);
    character = DefaultCharFormat();
    character.cbSize = sizeof(CHARFORMATW);
    for (const IFormatModifier* modifier : m_modifiers)
        modifier->Apply(paragraph, character);
}

void FormatModifierList::ApplyToSelection(CRichEditCtrl& control) const
{
    PARAFORMAT paragraph;
    CHARFORMATW character;
    Apply(paragraph, character);
    control.SetParaFormat(paragraph);
    control.SetSelectionCharFormat(character);
}
