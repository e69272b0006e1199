// The control records (text parts, rectangles, files read as UTF-16) with the windows they
// create, and the end page's record: readme, launch buttons, check boxes, end executes and exit
// texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CStringText.h"
#include "CtrlInfo.h"
#include "DialogInfo.h"
#include "EndDialogInfo.h"
#include "IInstallerError.h"
#include "InstallerErrors.h"
#include "PagesTestSupport.h"
#include "ScopedOverride.h"
#include "Wnd.h"

using pagestest::Narrow;
using pagestest::PagesFixture;
using pagestest::RectText;
using pagestest::SameRect;
using testsupport::Text;

namespace {

using EndDialogInfo = CConfigInfo::EndDialogInfo;

const char kNoLicences[] = "[Dialogs]\r\nLicense=0\r\nLicense2=0\r\n";
const DWORD kBoxStyles = WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_AUTOVSCROLL;

std::string Utf16(const std::wstring& text)
{
    std::string bytes;
    for (wchar_t ch : text) {
        bytes.push_back(static_cast<char>(ch & 0xFF));
        bytes.push_back(static_cast<char>((ch >> 8) & 0xFF));
    }
    return bytes;
}

TEST(ControlValues, StringIdsAreNumbersFollowedBySemicolonOrTheEnd)
{
    struct Case {
        const wchar_t* value;
        bool stringId;
        int number;
        size_t restAt;
    };
    const Case cases[] = {
        {L"120", true, 120, 3},
        {L"120;30,1", true, 120, 3},
        {L"120 ; 10", true, 120, 3},
        {L"0120", false, 120, 3},
        {L" 120", false, 120, 3},
        {L"readme.txt", false, 0, 0},
        {L"0", false, 0, 0},
        {L"12x", false, 12, 2},
        {L"", false, 0, 0},
    };
    for (const Case& c : cases) {
        const wchar_t* end = nullptr;
        int number = -1;
        EXPECT_EQ(c.stringId, IsStringIdValue(c.value, end, number)) << Narrow(c.value);
        EXPECT_EQ(c.number, number) << Narrow(c.value);
        EXPECT_EQ(c.restAt, static_cast<size_t>(end - c.value)) << Narrow(c.value);
    }
}

TEST(ControlValues, TextPartRectangleAndRest)
{
    PagesFixture pages;
    CConfigInfo& config = pages.Configure("");
    ASSERT_TRUE(testsupport::WriteFileBytes(
        pages.Dir().File(L"readme.txt"), "\xFF\xFE" + Utf16(L"Hello \x263A") + std::string("\0\0tail", 6)));
    // A name outside the user's ANSI code page is read all the same.
    ASSERT_TRUE(testsupport::WriteFileBytes(pages.Dir().File(L"notes\x4E2D.txt"), Utf16(L"Wide name")));
    CConfigInfo::DialogInfo page(config, L"Test");
    struct Case {
        const wchar_t* value;
        const wchar_t* text;
        bool defaultRect;
        RECT rect;
        const wchar_t* rest;
    };
    const Case cases[] = {
        {L"120;30,200,80,215", L"Read me first.", false, {30, 200, 80, 215}, L""},
        {L"120 ; 10,20", L"Read me first.", false, {10, 20, -3, -4}, L""},
        {L"120;LaunchURL,x", L"Read me first.", true, {-1, -2, -3, -4}, L"LaunchURL,x"},
        {L"readme.txt", L"\xFEFFHello \x263A", true, {-1, -2, -3, -4}, L""},
        {L"readme.txt; 1,2,3,4 ;static", L"\xFEFFHello \x263A", false, {1, 2, 3, 4}, L";static"},
        {L"notes\x4E2D.txt", L"Wide name", true, {-1, -2, -3, -4}, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.value));
        CtrlInfo record;
        record.SetRect(RECT{-1, -2, -3, -4});
        const wchar_t* rest = nullptr;
        ASSERT_TRUE(page.ParseControlValue(c.value, pages.CustomModule(), record, rest));
        EXPECT_EQ(c.text, Text(record.GetText()));
        EXPECT_EQ(c.defaultRect, record.IsDefaultRect());
        EXPECT_TRUE(SameRect(c.rect, record.GetRect()));
        EXPECT_STREQ(c.rest, rest);
    }
    // A file value leaves a temporary copy of the file named relative to the configuration.
    ASSERT_EQ(3u, pages.services.app.CopiedSources().size());
    EXPECT_EQ(pages.Dir().File(L"readme.txt"), pages.services.app.CopiedSources()[0]);

    CtrlInfo untouched;
    const wchar_t* rest = nullptr;
    EXPECT_FALSE(page.ParseControlValue(L"", pages.CustomModule(), untouched, rest));
    EXPECT_FALSE(page.ParseControlValue(nullptr, pages.CustomModule(), untouched, rest));
    EXPECT_THROW(page.ParseControlValue(L"995", pages.CustomModule(), untouched, rest), ResourceNotFound);
    EXPECT_TRUE(untouched.GetText().IsEmpty());
}

// --- The end page ---------------------------------------------------------------------------

class EndPageTest : public ::testing::Test {
protected:
    EndDialogInfo* Load(const std::string& sections, const std::string& dialogs = kNoLicences)
    {
        m_errors = m_pages.Populate(dialogs + sections);
        return m_pages.Page<EndDialogInfo>(13);
    }

    std::vector<std::wstring> EndExecutes(const EndDialogInfo& page)
    {
        std::vector<std::wstring> names;
        CString name;
        for (int i = 0; page.GetEndExecute(i, name); ++i)
            names.push_back(Text(name));
        return names;
    }

    PagesFixture m_pages;
    std::wstring m_errors;
};

TEST_F(EndPageTest, ReadmeKindsStylesAndRectangles)
{
    ASSERT_TRUE(testsupport::WriteFileBytes(m_pages.Dir().File(L"readme.rtf"), "{\\rtf1 Hi}"));
    struct Case {
        const char* value;
        bool richText;
        bool valid;
        bool plainStatic;
        RECT rect;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"readme.rtf;RTF", true, true, false, {7, 43, 377, 100}, nullptr},
        {"120;static", false, true, true, {7, 43, 377, 100}, L"Read me first."},
        {"120;8,50,300,90;STATIC", false, true, true, {8, 50, 300, 90}, L"Read me first."},
        {"readme.rtf;static;RTF", true, true, false, {7, 43, 377, 100}, nullptr},
        {"120", false, true, false, {7, 43, 377, 100}, L"Read me first."},
        {"", false, false, false, {7, 43, 377, 100}, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EndDialogInfo* page = Load(std::string("[EndDialog]\r\nReadme=") + c.value + "\r\n");
        ASSERT_NE(nullptr, page);
        EXPECT_EQ(L"", m_errors);
        TextCtrlInfo* readme = page->GetReadme();
        ASSERT_NE(nullptr, readme);
        EXPECT_EQ(c.richText, dynamic_cast<RTFTextCtrlInfo*>(readme) != nullptr);
        EXPECT_EQ(c.valid, readme->IsValid());
        EXPECT_TRUE(SameRect(c.rect, readme->GetRect()));
        if (c.text) {
            EXPECT_EQ(c.text, Text(readme->GetText()));
        }
        if (c.richText) {
            EXPECT_FALSE(readme->GetFileCopy().IsEmpty());
        }
        if (!c.valid)
            continue;
        DWORD set = 0, clear = 0, exSet = 0, exClear = 0;
        readme->GetStyles(set, clear);
        readme->GetExStyles(exSet, exClear);
        EXPECT_EQ(c.plainStatic ? 0u : kBoxStyles, set);
        EXPECT_EQ(c.plainStatic ? kBoxStyles : 0u, clear);
        EXPECT_EQ(c.plainStatic ? 0u : static_cast<DWORD>(WS_EX_CLIENTEDGE), exSet);
        EXPECT_EQ(c.plainStatic ? static_cast<DWORD>(WS_EX_CLIENTEDGE) : 0u, exClear);
    }
}

TEST_F(EndPageTest, ButtonsCommandsAndEndExecutes)
{
    EndDialogInfo* page = Load("[EndDialog]\r\nEndExecute=Tool1, Tool2\r\n"
                               "[EndDialogButtons]\r\n"
                               "B=160;LaunchExe,second.exe\r\n"
                               "A=170;10,190,80,205;LaunchExe,first.exe /x\r\n"
                               "C=150;LaunchURL,http://example.com/a,b\r\n"
                               "D=150;LaunchExe\r\n"
                               "E=150;Other\r\n"
                               "F=\r\n");
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(L"", m_errors);
    ASSERT_EQ(4, page->GetButtonCount());
    struct Expected {
        const wchar_t* caption;
        int kind;
        const wchar_t* command;
        RECT rect;
        bool defaultRect;
    };
    const Expected expected[] = {
        {L"Run it now", ButtonInfo::kCommandExe, L"first.exe /x", {10, 190, 80, 205}, false},
        {L"Start the tool", ButtonInfo::kCommandExe, L"second.exe", {31, 198, 103, 216}, true},
        {L"Visit us", ButtonInfo::kCommandUrl, L"http://example.com/a,b", {31, 198, 103, 216}, true},
        {L"Visit us", ButtonInfo::kCommandUrl, L"", {31, 198, 103, 216}, true},
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ButtonInfo* button = nullptr;
        ASSERT_TRUE(page->GetButton(i, button));
        EXPECT_EQ(expected[i].caption, Text(button->GetText()));
        EXPECT_EQ(expected[i].kind, button->GetCommandKind());
        EXPECT_EQ(expected[i].command, Text(button->GetCommand()));
        EXPECT_TRUE(SameRect(expected[i].rect, button->GetRect()));
        EXPECT_EQ(expected[i].defaultRect, button->IsDefaultRect());
    }
    ButtonInfo* none = nullptr;
    EXPECT_FALSE(page->GetButton(4, none));
    // The LaunchExe commands go to the front in reverse order of parsing (keys A, B).
    EXPECT_EQ((std::vector<std::wstring>{L"second.exe", L"first.exe /x", L"Tool1", L"Tool2"}), EndExecutes(*page));
}

TEST_F(EndPageTest, CheckBoxPerLanguage)
{
    // CheckboxText itself must be set for any check box to be read.
    EndDialogInfo* page = Load("[EndDialog]\r\nCheckboxText1033=170\r\n");
    CheckboxInfo* checkbox = nullptr;
    EXPECT_FALSE(page->GetCheckbox(checkbox));

    page = Load("[EndDialog]\r\nCheckboxText=170;LaunchExe,run.exe\r\nCheckboxText1031=171\r\n"
                "CheckboxText1033=150\r\nCheckboxDefaultState=0\r\nCheckboxStateProp=RUNIT\r\n");
    EXPECT_EQ(L"", m_errors);
    ASSERT_TRUE(page->GetCheckbox(checkbox));
    // Language 0 is the first listed language (1033), whose first box stays.
    EXPECT_EQ(L"Run it now", Text(checkbox->GetText()));
    EXPECT_EQ(L"run.exe", Text(checkbox->GetCommand()));
    EXPECT_TRUE(checkbox->IsDefaultRect());
    EXPECT_FALSE(checkbox->GetDefaultState());
    EXPECT_EQ(L"RUNIT", Text(checkbox->GetStateProperty()));
    EXPECT_EQ((std::vector<std::wstring>{L"run.exe"}), EndExecutes(*page));

    page = Load("[EndDialog]\r\nCheckboxText=170\r\n");
    ASSERT_TRUE(page->GetCheckbox(checkbox));
    EXPECT_TRUE(checkbox->GetDefaultState());
    EXPECT_EQ(L"", Text(checkbox->GetStateProperty()));
}

// The plain CheckboxText belongs to the first listed language, here German: it comes first in
// key order and keeps that language's place; English has its own.
TEST_F(EndPageTest, PlainCheckBoxTextIsTheFirstListedLanguages)
{
    const std::string modules = Narrow(testsupport::ModuleDir());
    const std::string custom = modules + "\\config_pages_custom.dll";
    struct Case {
        const char* uiLanguage;
        const wchar_t* caption;
    };
    const Case cases[] = {
        {"1031", L"Run it now"},
        {"1033", L"Visit us"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uiLanguage);
        try {
            m_pages.Configure(std::string(kNoLicences)
                    + "[EndDialog]\r\nCheckboxText=170\r\nCheckboxText1031=171\r\nCheckboxText1033=150\r\n"
                      "ErrorExit=250\r\nUserExit=251\r\n",
                "Languages=1031,1033\r\nForceLanguage=" + std::string(c.uiLanguage) + "\r\nCustomRes1031=" + custom
                    + "\r\nCustomRes1033=" + custom + "\r\nStandardRes1031=" + modules
                    + "\\config_test_standard_deu.dll\r\n");
            m_pages.Config().PopulateDialogInfo();
        } catch (const ZKInstallerError::IInstallerError& error) {
            FAIL() << Narrow(error.GetFullText());
        }
        EndDialogInfo* page = m_pages.Page<EndDialogInfo>(13);
        ASSERT_NE(nullptr, page);
        CheckboxInfo* checkbox = nullptr;
        ASSERT_TRUE(page->GetCheckbox(checkbox));
        EXPECT_EQ(c.caption, Text(checkbox->GetText()));
    }
}

TEST_F(EndPageTest, ExitTexts)
{
    EndDialogInfo* page = Load("");
    EXPECT_EQ(
        L"The installation has failed.  Please correct the problem and try again.", Text(page->GetErrorExitText()));
    EXPECT_EQ(0u, Text(page->GetUserExitText()).find(L"The installation has been cancelled at your request."));

    page = Load("[EndDialog]\r\nErrorExit=250\r\nUserExit=251\r\n");
    EXPECT_EQ(L"Something failed.", Text(page->GetErrorExitText()));
    EXPECT_EQ(L"You cancelled.", Text(page->GetUserExitText()));

    m_pages.Configure(std::string(kNoLicences) + "[EndDialog]\r\nUserExit=994\r\n");
    EXPECT_THROW(m_pages.Config().PopulateDialogInfo(), ResourceNotFound);
}

TEST_F(EndPageTest, PageNotShownReadsNothingButItsBitmapAndFlag)
{
    EndDialogInfo* page
        = Load("[EndDialog]\r\nReadme=993\r\nErrorExit=992\r\n", "[Dialogs]\r\nLicense=0\r\nLicense2=0\r\nEnd=0\r\n");
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(L"", m_errors);
    EXPECT_FALSE(page->IsShown());
    EXPECT_EQ(nullptr, page->GetReadme());
}

// --- Creating the controls ------------------------------------------------------------------

class ControlWindowTest : public ::testing::Test {
protected:
    ControlWindowTest()
    {
        m_parent.CreateEx(0, L"STATIC", L"", WS_POPUP, RECT{0, 0, 400, 300}, nullptr, 0);
        m_font = ::CreateFontW(-13, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial");
        m_parent.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    }
    ~ControlWindowTest() override
    {
        m_parent.DestroyWindow();
        ::DeleteObject(m_font);
    }

    static std::wstring WindowText(CWnd* window)
    {
        wchar_t text[256] = {};
        ::GetWindowTextW(window->m_hWnd, text, 256);
        return text;
    }

    CWnd m_parent;
    HFONT m_font = nullptr;
};

TEST_F(ControlWindowTest, TextBoxIsReadOnlyWithTheParentsFont)
{
    TextCtrlInfo record;
    record.SetText(L"Some notes");
    std::unique_ptr<CWnd> box(record.CreateControl(RECT{5, 5, 200, 60}, &m_parent, WS_CHILD | WS_VISIBLE));
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(m_parent.m_hWnd, ::GetParent(box->m_hWnd));
    EXPECT_EQ(0, ::GetDlgCtrlID(box->m_hWnd));
    EXPECT_EQ(L"Some notes", WindowText(box.get()));
    EXPECT_NE(0u, box->GetStyle() & ES_READONLY);
    EXPECT_EQ(reinterpret_cast<LRESULT>(m_font), box->SendMessage(WM_GETFONT));
    const HWND window = box->m_hWnd;
    box.reset();
    EXPECT_FALSE(::IsWindow(window));
}

TEST_F(ControlWindowTest, RichTextBoxStreamsTheFileCopyIn)
{
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File(L"copy.rtf"), "{\\rtf1\\ansi Licence {\\b terms} here.\\par}"));
    RTFTextCtrlInfo record;
    record.SetFileCopy(dir.File(L"copy.rtf").c_str());
    std::unique_ptr<CWnd> box(record.CreateControl(RECT{5, 5, 200, 60}, &m_parent, WS_CHILD));
    ASSERT_NE(nullptr, box);
    wchar_t className[32] = {};
    ::GetClassNameW(box->m_hWnd, className, 32);
    EXPECT_STREQ(L"RICHEDIT", className);
    EXPECT_NE(std::wstring::npos, WindowText(box.get()).find(L"Licence terms here."));
    EXPECT_EQ(static_cast<DWORD>(RTFTextCtrlInfo::kScrollStyles), box->GetStyle() & RTFTextCtrlInfo::kScrollStyles);
    EXPECT_NE(0u, box->GetStyle() & ES_READONLY);

    RTFTextCtrlInfo missing;
    missing.SetFileCopy(dir.File(L"absent.rtf").c_str());
    std::unique_ptr<CWnd> empty(missing.CreateControl(RECT{5, 5, 200, 60}, &m_parent, WS_CHILD));
    ASSERT_NE(nullptr, empty);
    EXPECT_EQ(L"", WindowText(empty.get()));
    EXPECT_NE(0u, empty->GetStyle() & ES_READONLY);
}

}  // namespace
