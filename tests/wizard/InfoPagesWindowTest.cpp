// The user-information and licence pages drawn for real inside the frame: where the name and
// organisation come from and where Next stores them; the licence with one text, with tabs for
// several, the accept and decline choice driving Next, the notice of a beta distribution, and a
// licence file that cannot be opened. Screenshots of each.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "ConfigInfo.h"
#include "FrameTestSupport.h"
#include "LicenseDialog.h"
#include "MsiSession.h"
#include "Screenshot.h"
#include "ScopedOverride.h"
#include "ServiceStandIns.h"
#include "TestSupport.h"
#include "TopDialog.h"
#include "UserInfoDialog.h"
#include "WinApp.h"
#include "WizardServicesImpl.h"
#include "resource.h"

using namespace testsupport;
using frametest::Pump;

namespace {

std::wstring Text(HWND window)
{
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return text;
}

// A licence text in rich text format: a bold heading and a few paragraphs.
std::string LicenseRtf(const std::string& heading)
{
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs18{\\b " + heading + "}\\par\\par ";
    for (int i = 1; i <= 6; ++i)
        rtf += std::to_string(i) + ". The Velmo Window Test Product is licensed, not sold. This paragraph stands for "
               "the terms of section " + std::to_string(i) + " of the agreement.\\par\\par ";
    return rtf + "}";
}

// The message boxes of the pages: what they asked and a script of answers, each run in turn
// (IDCANCEL once the script has run out).
struct BoxCall {
    std::wstring text;
    std::wstring caption;
    UINT type;
};
std::vector<BoxCall> g_boxes;
std::vector<std::function<int()>> g_script;
HWND g_frameWindow = nullptr;

int WINAPI ScriptedBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type)
{
    g_boxes.push_back({text ? text : L"", caption ? caption : L"", type});
    if (g_boxes.size() > g_script.size())
        return IDCANCEL;
    return g_script[g_boxes.size() - 1]();
}

// Shows the box being asked for real, takes a screenshot of the frame with it and answers.
struct ShownBox {
    std::wstring caption;
    std::wstring screenshot;
    int answer;
};
ShownBox* t_shownBox = nullptr;

BOOL CALLBACK FindBox(HWND window, LPARAM param)
{
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (::IsWindowVisible(window) && wcscmp(className, L"#32770") == 0 && Text(window) == t_shownBox->caption) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

VOID CALLBACK AnswerShownBox(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box)
        return;
    ::KillTimer(nullptr, id);
    EXPECT_FALSE(SaveScreenshot(g_frameWindow, t_shownBox->screenshot).empty());
    ::PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(t_shownBox->answer), 0);
}

int ShowBox(const std::wstring& screenshot, int answer)
{
    const BoxCall& call = g_boxes.back();
    ShownBox shown = {call.caption, screenshot, answer};
    t_shownBox = &shown;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 300, &AnswerShownBox);
    const int result = ::MessageBoxW(g_frameWindow, call.text.c_str(), call.caption.c_str(), call.type);
    ::KillTimer(nullptr, timer);
    t_shownBox = nullptr;
    return result;
}

// The merged session of the pages: the sample's merged package.
MsiSmartPtr<MsiSession> g_session;
MsiSmartPtr<MsiSession> TestSession()
{
    return g_session;
}

// The application's answers, with only the pages of the test enabled.
class PageServices : public StandInApplicationServices {
public:
    bool IsDialogEnabled(int state, bool, bool) override { return enabled.count(state) != 0; }
    std::set<int> enabled;
};

const char* const kPageNames[] = {"UserInfo", "FeatureInfo1", "SingleDirectory", "InstallationType", "FeatureTree",
    "FeatureInfo", "License", "License2", "ConfirmStart"};

// A configuration of the test's own (the custom module with the title, the extra text and a
// banner), where only the pages named in `shown` read their sections; the frame over it with
// the application enabling `enabled`.
class PageFixture {
public:
    PageFixture(const std::set<std::string>& shown, const std::set<int>& enabled, const std::string& more)
        : m_session(CUserInfoDialog::s_pfnMergedSession, &TestSession),
          m_box(CNestedInstallerDialog::s_pfnMessageBoxW, &ScriptedBox)
    {
        WriteFileBytes(m_dir.File(L"post.exe"), "post");
        WriteFileBytes(m_dir.File(L"sysinfo.dll"), "sysinfo");
        const std::wstring module = ModuleDir() + L"\\wizard_infopages.dll";
        const std::string languages = "Languages=1033\r\nCustomRes1033=" + std::string(module.begin(), module.end())
            + "\r\n";
        std::string dialogs = "[Dialogs]\r\n";
        for (const char* name : kPageNames)
            dialogs += std::string(name) + (shown.count(name) ? "=1\r\n" : "=0\r\n");
        WriteFileBytes(m_dir.File(L"setup.ini"), DistributionIni(languages, "[Graphics]\r\nTopBar=301\r\n" + dialogs + more));
        ::CopyFileW((ModuleDir() + L"\\sample\\merged.msi").c_str(), m_dir.File(L"merged.msi").c_str(), FALSE);
        g_session = MsiSession::OpenPackage(m_dir.File(L"merged.msi").c_str());
        app.enabled = enabled;
        g_boxes.clear();
        g_script.clear();
    }
    ~PageFixture()
    {
        m_frame.reset();
        g_frameWindow = nullptr;
        m_app.m_pMainWnd = nullptr;
        g_session = MsiSmartPtr<MsiSession>();
        m_config.FreeResourceModules();
    }

    // A file beside the configuration.
    std::wstring File(const std::wstring& name) const { return m_dir.File(name); }
    void Load()
    {
        m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        m_config.LoadLanguageResource();
        m_config.PopulateDialogInfo();
        app.configInfo = &m_config;
    }
    // The frame on the page of `start`.
    CTopDialog& Show(eDialogState start)
    {
        m_frame.reset(new CTopDialog(nullptr));
        m_app.m_pMainWnd = m_frame.get();
        EXPECT_TRUE(m_frame->Create(0u, nullptr));
        g_frameWindow = m_frame->m_hWnd;
        m_frame->CenterWindow();
        m_frame->ShowWindow(SW_SHOW);
        ::SetForegroundWindow(m_frame->m_hWnd);
        m_frame->m_eStartState = start;
        m_frame->StartWizard();
        Pump(300);
        return *m_frame;
    }
    template <class Page> Page* Current() { return dynamic_cast<Page*>(m_frame->GetCurrentPage()); }
    HWND FrameItem(int id) { return ::GetDlgItem(m_frame->m_hWnd, id); }
    void ClickNext()
    {
        m_frame->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_FRAME_NEXT, BN_CLICKED),
            reinterpret_cast<LPARAM>(FrameItem(IDC_FRAME_NEXT)));
        Pump(100);
    }

    PageServices app;

private:
    ScopedApplicationServices m_appScope{&app};
    ScopedWizardServices m_wizard{&GetWizardServicesImpl()};
    TempDir m_dir;
    CConfigInfo m_config;
    CWinApp m_app;
    std::unique_ptr<CTopDialog> m_frame;
    ScopedOverride<decltype(CUserInfoDialog::s_pfnMergedSession)> m_session;
    ScopedOverride<decltype(CNestedInstallerDialog::s_pfnMessageBoxW)> m_box;
};

std::wstring Property(const wchar_t* name)
{
    CString value = g_session->GetMfcProperty(name);
    return value.GetString();
}

TEST(UserInfoWindow, FillsFromItsSourcesAndStoresTheTrimmedTextsOnNext)
{
    PageFixture fixture({"UserInfo"}, {kUserInfoDialog},
        "[UserInfoDialog]\r\nRegUserProp=REGUSER\r\nRegCompanyProp=REGCOMPANY\r\nUser=Configured User\r\n"
        "ExtraText=210;21,160,374,190\r\n");
    fixture.Load();
    // The spec file's name wins over the configured one; the company comes from the property
    // that RegCompanyProp names.
    fixture.app.specUserName = L"Pat Example";
    g_session->SetProperty(L"REGCOMPANY", L"Example Company Ltd.");
    g_session->SetProperty(L"COMPANYNAME", L"Standard Company");
    CTopDialog& frame = fixture.Show(kUserInfoDialog);
    CUserInfoDialog* page = fixture.Current<CUserInfoDialog>();
    ASSERT_NE(nullptr, page);
    HWND name = ::GetDlgItem(page->m_hWnd, IDC_USER_NAME);
    HWND company = ::GetDlgItem(page->m_hWnd, IDC_USER_COMPANY);
    HWND extra = ::GetDlgItem(page->m_hWnd, IDC_USER_EXTRA_TEXT);
    EXPECT_EQ(L"Pat Example", Text(name));
    EXPECT_EQ(L"Example Company Ltd.", Text(company));
    EXPECT_TRUE(::IsWindowVisible(extra));
    EXPECT_EQ(L"The name and organization are registered with every part of the Velmo Window Test Product.",
        Text(extra));
    EXPECT_EQ(name, ::GetFocus());
    EXPECT_TRUE(::IsWindowEnabled(fixture.FrameItem(IDC_FRAME_NEXT)));
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"user-info").empty());

    ::SetWindowTextW(name, L"  Jo Tester \t");
    ::SetWindowTextW(company, L"   ");
    fixture.ClickNext();
    EXPECT_TRUE(frame.IsWizardEnded());
    EXPECT_EQ(L"Jo Tester", Property(L"USERNAME"));
    EXPECT_EQ(L"Jo Tester", Property(L"REGUSER"));
    EXPECT_EQ(L"", Property(L"COMPANYNAME"));
    EXPECT_EQ(L"", Property(L"REGCOMPANY"));
}

// Without any configuration of its own the page takes the standard properties and hides the
// extra text.
TEST(UserInfoWindow, WithoutSettingsTheStandardPropertiesFillIt)
{
    PageFixture fixture({"UserInfo"}, {kUserInfoDialog}, "");
    fixture.Load();
    g_session->SetProperty(L"USERNAME", L"Standard User");
    g_session->SetProperty(L"COMPANYNAME", L"Standard Company");
    fixture.Show(kUserInfoDialog);
    CUserInfoDialog* page = fixture.Current<CUserInfoDialog>();
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(L"Standard User", Text(::GetDlgItem(page->m_hWnd, IDC_USER_NAME)));
    EXPECT_EQ(L"Standard Company", Text(::GetDlgItem(page->m_hWnd, IDC_USER_COMPANY)));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(page->m_hWnd, IDC_USER_EXTRA_TEXT)));
}

const std::string kOneLicense = "[Files]\r\nLicenseTextFile1033=License Agreement;eula.rtf\r\n";

class LicenseWindow : public ::testing::Test {
protected:
    // The licence files of the configuration.
    static void WriteLicenses(PageFixture& fixture)
    {
        WriteFileBytes(fixture.File(L"eula.rtf"), LicenseRtf("END USER LICENSE AGREEMENT"));
        WriteFileBytes(fixture.File(L"privacy.rtf"), LicenseRtf("PRIVACY STATEMENT"));
        WriteFileBytes(fixture.File(L"notices.rtf"), LicenseRtf("THIRD-PARTY NOTICES"));
    }
};

TEST_F(LicenseWindow, OneTextOpensDeclinedAndOnlyAcceptEnablesNext)
{
    PageFixture fixture({"License"}, {kLicenseDialog}, kOneLicense);
    WriteLicenses(fixture);
    fixture.Load();
    CTopDialog& frame = fixture.Show(kLicenseDialog);
    CLicenseDialog* page = fixture.Current<CLicenseDialog>();
    ASSERT_NE(nullptr, page);
    HWND accept = ::GetDlgItem(page->m_hWnd, IDC_LICENSE_ACCEPT);
    HWND decline = ::GetDlgItem(page->m_hWnd, IDC_LICENSE_DECLINE);
    HWND next = fixture.FrameItem(IDC_FRAME_NEXT);
    // One text: no tabs, the template's captions, no notice.
    EXPECT_EQ(nullptr, ::GetDlgItem(page->m_hWnd, IDC_LICENSE_TABS));
    EXPECT_EQ(L"I accept the License Agreement(s).", Text(accept));
    EXPECT_EQ(L"I do not accept the License Agreement(s).", Text(decline));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(page->m_hWnd, IDC_LICENSE_BETA_NOTICE)));
    EXPECT_NE(std::wstring::npos, Text(page->GetAgreement().m_hWnd).find(L"END USER LICENSE AGREEMENT"));
    EXPECT_TRUE(g_boxes.empty());

    EXPECT_EQ(BST_CHECKED, ::SendMessageW(decline, BM_GETCHECK, 0, 0));
    EXPECT_FALSE(::IsWindowEnabled(next));
    EXPECT_EQ(decline, ::GetFocus());
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"license-one-text").empty());

    // Clicks toggle Next; so does an arrow key between the two choices.
    ::SendMessageW(accept, BM_CLICK, 0, 0);
    EXPECT_TRUE(::IsWindowEnabled(next));
    ::SendMessageW(decline, BM_CLICK, 0, 0);
    EXPECT_FALSE(::IsWindowEnabled(next));
    ::SetFocus(decline);
    ::PostMessageW(decline, WM_KEYDOWN, VK_UP, 0);
    Pump(100);
    EXPECT_EQ(accept, ::GetFocus());
    EXPECT_EQ(BST_CHECKED, ::SendMessageW(accept, BM_GETCHECK, 0, 0));
    EXPECT_TRUE(::IsWindowEnabled(next));
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"license-accepted").empty());

    fixture.ClickNext();
    EXPECT_TRUE(frame.IsWizardEnded());
    EXPECT_EQ(0, frame.GetResultCode());
    EXPECT_EQ(CLicenseDialog::kAccept, page->GetRadioValue());
}

// The notice of a beta distribution: bold and red on the first licence page, not on the second.
TEST_F(LicenseWindow, BetaNoticeOnlyOnTheFirstLicencePage)
{
    for (eDialogState state : {kLicenseDialog, kLicense2Dialog}) {
        const bool first = state == kLicenseDialog;
        SCOPED_TRACE(first ? "License" : "License2");
        PageFixture fixture({first ? "License" : "License2"}, {state},
            "[Settings]\r\nIsBeta=1\r\n[Files]\r\nLicenseTextFile1033=License Agreement;eula.rtf\r\n"
            "License2TextFile1033=License Agreement;eula.rtf\r\n");
        WriteLicenses(fixture);
        fixture.Load();
        CTopDialog& frame = fixture.Show(state);
        CLicenseDialog* page = fixture.Current<CLicenseDialog>();
        ASSERT_NE(nullptr, page);
        HWND notice = ::GetDlgItem(page->m_hWnd, IDC_LICENSE_BETA_NOTICE);
        EXPECT_EQ(first, ::IsWindowVisible(notice) != FALSE);
        if (!first)
            continue;
        EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"license-beta-notice").empty());
        LOGFONTW font = {};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(notice, WM_GETFONT, 0, 0)), sizeof(font), &font);
        EXPECT_EQ(FW_BOLD, font.lfWeight);
        HDC dc = ::GetDC(notice);
        page->SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(notice));
        EXPECT_EQ(RGB(255, 0, 0), ::GetTextColor(dc));
        ::ReleaseDC(notice, dc);
    }
}

// Several texts, two or three: one tab each, all of one size, with their captions; the choices
// count them; a tab shows its own text.
TEST_F(LicenseWindow, SeveralTextsGetOneTabEach)
{
    const char* const files[] = {"License2TextFile1033=License Agreement;eula.rtf\r\n",
        "License3TextFile1033=Privacy;privacy.rtf\r\n", "License4TextFile1033=Third-Party Notices;notices.rtf\r\n"};
    const wchar_t* const captions[] = {L"License Agreement", L"Privacy", L"Third-Party Notices"};
    const wchar_t* const headings[] = {L"END USER LICENSE AGREEMENT", L"PRIVACY STATEMENT", L"THIRD-PARTY NOTICES"};
    for (int count : {2, 3}) {
        SCOPED_TRACE(count);
        std::string configured = "[Files]\r\n";
        for (int i = 0; i < count; ++i)
            configured += files[i];
        PageFixture fixture({"License2"}, {kLicense2Dialog}, configured);
        WriteLicenses(fixture);
        fixture.Load();
        CTopDialog& frame = fixture.Show(kLicense2Dialog);
        CLicenseDialog* page = fixture.Current<CLicenseDialog>();
        ASSERT_NE(nullptr, page);
        HWND tabs = ::GetDlgItem(page->m_hWnd, IDC_LICENSE_TABS);
        ASSERT_NE(nullptr, tabs);
        EXPECT_EQ(L"I accept the above " + std::to_wstring(count) + L" License Agreement(s).",
            Text(::GetDlgItem(page->m_hWnd, IDC_LICENSE_ACCEPT)));
        EXPECT_EQ(L"I do not accept all these License Agreement(s).",
            Text(::GetDlgItem(page->m_hWnd, IDC_LICENSE_DECLINE)));
        ASSERT_EQ(count, ::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
        RECT first = {};
        ::SendMessageW(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
        for (int i = 0; i < count; ++i) {
            wchar_t caption[64] = {};
            TCITEMW item = {};
            item.mask = TCIF_TEXT;
            item.pszText = caption;
            item.cchTextMax = 64;
            ::SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            EXPECT_EQ(std::wstring(captions[i]), caption);
            RECT rect = {};
            ::SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&rect));
            EXPECT_EQ(first.right - first.left, rect.right - rect.left);
        }
        // The agreement lies inside the tabs' display area and after them in the tab order.
        RECT tabsRect = {}, textRect = {};
        ::GetWindowRect(tabs, &tabsRect);
        ::GetWindowRect(page->GetAgreement().m_hWnd, &textRect);
        EXPECT_GT(textRect.top, first.bottom + tabsRect.top - 1);
        EXPECT_LE(textRect.bottom, tabsRect.bottom);
        EXPECT_EQ(page->GetAgreement().m_hWnd, ::GetWindow(tabs, GW_HWNDNEXT));
        EXPECT_NE(std::wstring::npos, Text(page->GetAgreement().m_hWnd).find(headings[0]));

        const int last = count - 1;
        ::SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(last), 0);
        NMHDR change = {tabs, IDC_LICENSE_TABS, static_cast<UINT>(TCN_SELCHANGE)};
        page->SendMessage(WM_NOTIFY, IDC_LICENSE_TABS, reinterpret_cast<LPARAM>(&change));
        Pump(100);
        EXPECT_EQ(last, page->GetShownText());
        const std::wstring shown = Text(page->GetAgreement().m_hWnd);
        EXPECT_NE(std::wstring::npos, shown.find(headings[last]));
        EXPECT_EQ(std::wstring::npos, shown.find(headings[0]));
        EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, count == 2 ? L"license-two-tabs" : L"license-three-tabs").empty());
    }
}

// A licence file that went away: "Cannot open file" with Retry and Cancel; Retry, and a Cancel
// that is not confirmed, try again.
TEST_F(LicenseWindow, CannotOpenFileAsksUntilTheFileOpens)
{
    PageFixture fixture({"License"}, {kLicenseDialog}, kOneLicense);
    WriteLicenses(fixture);
    fixture.Load();
    const std::wstring eula = fixture.File(L"eula.rtf");
    ::DeleteFileW(eula.c_str());
    g_script = {
        [] { return ShowBox(L"license-cannot-open-file", IDRETRY); },
        [&] {
            WriteFileBytes(eula, LicenseRtf("END USER LICENSE AGREEMENT"));
            return IDCANCEL;
        },
        [] { return IDNO; },
    };
    fixture.Show(kLicenseDialog);
    ASSERT_EQ(3u, g_boxes.size());
    const std::wstring message = L"Cannot open file: " + eula;
    const UINT boxType = MB_RETRYCANCEL | MB_ICONWARNING | MB_SETFOREGROUND;
    EXPECT_EQ(message, g_boxes[0].text);
    EXPECT_EQ(L"Error", g_boxes[0].caption);
    EXPECT_EQ(boxType, g_boxes[0].type);
    EXPECT_EQ(message, g_boxes[1].text);
    EXPECT_EQ(L"Are you sure you want to cancel?", g_boxes[2].text);
    CLicenseDialog* page = fixture.Current<CLicenseDialog>();
    ASSERT_NE(nullptr, page);
    EXPECT_NE(std::wstring::npos, Text(page->GetAgreement().m_hWnd).find(L"END USER LICENSE AGREEMENT"));
}

// A confirmed Cancel ends the wizard as the frame's Cancel does: with 1602, the page not shown.
TEST_F(LicenseWindow, ConfirmedCancelOfCannotOpenFileEndsTheWizardWithUserExit)
{
    PageFixture fixture({"License"}, {kLicenseDialog}, kOneLicense);
    WriteLicenses(fixture);
    fixture.Load();
    ::DeleteFileW(fixture.File(L"eula.rtf").c_str());
    g_script = {[] { return IDCANCEL; }, [] { return IDYES; }};
    CTopDialog& frame = fixture.Show(kLicenseDialog);
    EXPECT_EQ(2u, g_boxes.size());
    EXPECT_TRUE(frame.IsWizardEnded());
    EXPECT_EQ(1602, frame.GetResultCode());
    EXPECT_EQ(nullptr, frame.GetCurrentPage());
}

// A page with no licence text at all shows an empty agreement that must still be accepted.
TEST_F(LicenseWindow, NoTextLeavesAnEmptyAgreementToAccept)
{
    PageFixture fixture({}, {kLicenseDialog}, "");
    fixture.Load();
    fixture.Show(kLicenseDialog);
    CLicenseDialog* page = fixture.Current<CLicenseDialog>();
    ASSERT_NE(nullptr, page);
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_EQ(L"", Text(page->GetAgreement().m_hWnd));
    EXPECT_EQ(nullptr, ::GetDlgItem(page->m_hWnd, IDC_LICENSE_TABS));
    EXPECT_FALSE(::IsWindowEnabled(fixture.FrameItem(IDC_FRAME_NEXT)));
    ::SendMessageW(::GetDlgItem(page->m_hWnd, IDC_LICENSE_ACCEPT), BM_CLICK, 0, 0);
    EXPECT_TRUE(::IsWindowEnabled(fixture.FrameItem(IDC_FRAME_NEXT)));
}

}  // namespace
