// The fatal-error dialog and report: layout with and without icon and Details button, the
// details toggle by button and by Ctrl+Shift+D, the quiet report. Screenshots of each state.
#include "FatalErrorDialog.h"
#include "ScopedOverride.h"
#include "Screenshot.h"
#include "ServiceStandIns.h"
#include "TestSupport.h"
#include "UiMode.h"
#include "WizardServicesImpl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <functional>

using namespace testsupport;

namespace {

const UINT_PTR kStepTimer = 1;
const UINT kAfterKeys = WM_APP + 2;

CRect ClientRectOf(HWND window, int id)
{
    CRect rect;
    ::GetWindowRect(::GetDlgItem(window, id), &rect);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<LPPOINT>(&rect), 2);
    return rect;
}

// Runs `check` once the dialog is shown, then closes it.
class CDrivenDialog : public CFatalErrorDialog {
public:
    CDrivenDialog(UINT iconType, std::function<void(CDrivenDialog&)> check)
        : CFatalErrorDialog(nullptr, iconType), m_check(std::move(check))
    {
    }
    BOOL OnInitDialog() override
    {
        BOOL result = CFatalErrorDialog::OnInitDialog();
        SetTimer(kStepTimer, 50);
        return result;
    }
    void OnTimer(UINT_PTR id)
    {
        KillTimer(id);
        m_check(*this);
        if (!m_keysPending)
            EndDialog(IDOK);
    }
    // Presses Ctrl+Shift+D in the focused control; `then` runs when the keys were handled.
    void PressCtrlShiftD(std::function<void(CDrivenDialog&)> then)
    {
        BYTE keys[256];
        ::GetKeyboardState(keys);
        keys[VK_CONTROL] = keys[VK_SHIFT] = 0x80;
        ::SetKeyboardState(keys);
        HWND focus = ::GetFocus() ? ::GetFocus() : m_hWnd;
        ::PostMessageW(focus, WM_KEYDOWN, 'D', 1);
        PostMessage(kAfterKeys);
        m_then = std::move(then);
        m_keysPending = true;
    }
    LRESULT OnAfterKeys(WPARAM, LPARAM)
    {
        BYTE keys[256];
        ::GetKeyboardState(keys);
        keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
        ::SetKeyboardState(keys);
        m_then(*this);
        EndDialog(IDOK);
        return 0;
    }
    const CRect& MessageRect() const { return GetMessageRect(); }
    DECLARE_MESSAGE_MAP()

private:
    std::function<void(CDrivenDialog&)> m_check;
    std::function<void(CDrivenDialog&)> m_then;
    bool m_keysPending = false;
};

BEGIN_MESSAGE_MAP(CDrivenDialog, CFatalErrorDialog)
    ON_WM_TIMER()
    ON_MESSAGE(kAfterKeys, OnAfterKeys)
END_MESSAGE_MAP()

const wchar_t kMessage[] = L"Fatal Error. Unhandled Windows Error.";
const wchar_t kDetails[] = L"Windows Error 5: Access is denied.\nsecond line";

TEST(FatalErrorDialogTest, DetailsButtonOpensAndClosesTheDetailsBelowTheMessage)
{
    StandInServices services;
    CRect collapsed, expanded;
    bool detailsVisibleWhenCollapsed = true;
    std::wstring detailsText;
    CDrivenDialog dialog(MB_ICONEXCLAMATION, [&](CDrivenDialog& self) {
        EXPECT_FALSE(SaveScreenshot(self.m_hWnd, L"fatal-error-collapsed").empty());
        self.GetWindowRect(&collapsed);
        CRect client;
        self.GetClientRect(&client);
        detailsVisibleWhenCollapsed = ClientRectOf(self.m_hWnd, IDC_FATAL_DETAILS).top < client.bottom;
        ::SendMessageW(::GetDlgItem(self.m_hWnd, IDC_FATAL_DETAILS_BUTTON), BM_CLICK, 0, 0);
        EXPECT_TRUE(self.IsDetailsExpanded());
        self.GetWindowRect(&expanded);
        wchar_t text[256] = {};
        ::GetDlgItemTextW(self.m_hWnd, IDC_FATAL_DETAILS, text, 256);
        detailsText = text;
        wchar_t caption[64] = {};
        ::GetDlgItemTextW(self.m_hWnd, IDC_FATAL_DETAILS_BUTTON, caption, 64);
        EXPECT_STREQ(L"&Details <<", caption);
        EXPECT_FALSE(SaveScreenshot(self.m_hWnd, L"fatal-error-expanded").empty());
        ::SendMessageW(::GetDlgItem(self.m_hWnd, IDC_FATAL_DETAILS_BUTTON), BM_CLICK, 0, 0);
        CRect back;
        self.GetWindowRect(&back);
        EXPECT_EQ(collapsed.Height(), back.Height());
    });
    dialog.SetCaption(L"Setup");
    dialog.SetMessage(kMessage);
    dialog.SetDetails(kDetails);
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_FALSE(detailsVisibleWhenCollapsed);
    EXPECT_GT(expanded.Height(), collapsed.Height());
    EXPECT_EQ(L"Windows Error 5: Access is denied.\r\nsecond line", detailsText);  // a bare line feed is a break
}

TEST(FatalErrorDialogTest, CtrlShiftDOpensTheDetailsWithTheButtonHidden)
{
    StandInServices services;
    bool expandedByKeys = false;
    bool buttonVisible = true;
    CDrivenDialog dialog(MB_ICONEXCLAMATION, [&](CDrivenDialog& self) {
        buttonVisible = ::IsWindowVisible(::GetDlgItem(self.m_hWnd, IDC_FATAL_DETAILS_BUTTON)) != FALSE;
        EXPECT_FALSE(SaveScreenshot(self.m_hWnd, L"fatal-error-user-error").empty());
        self.PressCtrlShiftD([&](CDrivenDialog& after) {
            expandedByKeys = after.IsDetailsExpanded() != FALSE;
            EXPECT_FALSE(SaveScreenshot(after.m_hWnd, L"fatal-error-user-error-ctrl-shift-d").empty());
        });
    });
    dialog.ShowDetailsButton(FALSE);
    dialog.SetCaption(L"Setup");
    dialog.SetMessage(L"You must be an administrator to install this product.");
    dialog.SetDetails(L"VelmoInstaller.cpp(120): IInstallerError 12004\nYou must be an administrator.\n");
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_FALSE(buttonVisible);
    EXPECT_TRUE(expandedByKeys);
}

TEST(FatalErrorDialogTest, WithoutIconTheMessageStartsOneMarginFromTheLeft)
{
    StandInServices services;
    int messageLeft = -1, margin = 0;
    bool iconVisible = true;
    CDrivenDialog dialog(0, [&](CDrivenDialog& self) {
        CRect units(0, 0, 7, 7);
        ::MapDialogRect(self.m_hWnd, &units);
        margin = units.right;
        messageLeft = self.MessageRect().left;
        iconVisible = ::IsWindowVisible(::GetDlgItem(self.m_hWnd, IDC_FATAL_ICON)) != FALSE;
        EXPECT_FALSE(SaveScreenshot(self.m_hWnd, L"fatal-error-no-icon").empty());
    });
    dialog.SetMessage(L"A message\nover two lines");
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_FALSE(iconVisible);
    EXPECT_EQ(margin, messageLeft);
}

TEST(FatalErrorReportTest, AQuietRunLogsTheMessageAndShowsNothing)
{
    StandInServices services;
    TempDir folder;
    services.app.SetUiMode(UiQuiet);
    services.app.Log().Open(folder.File(L"run.log").c_str(), false);
    ReportFatalError(L"Quiet failure", L"the details", TRUE, TRUE, nullptr);
    ReportFatalError(L"Second failure", L"more details", TRUE, FALSE, nullptr);
    services.app.Log().Close();
    const std::wstring log = ReadLogFile(folder.File(L"run.log")).text;
    EXPECT_NE(std::wstring::npos, log.find(L"ERROR! Quiet failure"));
    EXPECT_NE(std::wstring::npos, log.find(L"the details"));
    EXPECT_NE(std::wstring::npos, log.find(L"ERROR! Second failure"));
    EXPECT_EQ(std::wstring::npos, log.find(L"more details"));
}

CString g_shownMessage;

INT_PTR RecordShownMessage(CFatalErrorDialog& dialog)
{
    g_shownMessage = dialog.GetMessage();
    return IDOK;
}

// A report that comes without a message text (none, or an empty one) still says something in
// the dialog and in the log, and a missing one does not spoil the log for the lines after it.
TEST(FatalErrorReportTest, AReportWithoutAMessageStillSaysSomething)
{
    StandInServices services;
    ScopedOverride<decltype(g_pfnRunFatalErrorDialog)> run(g_pfnRunFatalErrorDialog, &RecordShownMessage);
    TempDir folder;
    services.app.Log().Open(folder.File(L"run.log").c_str(), false);
    for (const wchar_t* message : {L"", static_cast<const wchar_t*>(nullptr)}) {
        g_shownMessage = L"not shown";
        ReportFatalError(message, L"the details", TRUE, FALSE, nullptr);
        EXPECT_EQ(L"Unknown fatal error.", std::wstring(g_shownMessage.GetString()));
    }
    ReportFatalError(L"Later failure", L"", FALSE, FALSE, nullptr);
    services.app.Log().Close();
    const std::wstring log = ReadLogFile(folder.File(L"run.log")).text;
    const size_t first = log.find(L"ERROR! Unknown fatal error.\r\n");
    ASSERT_NE(std::wstring::npos, first) << std::string(log.begin(), log.end());
    EXPECT_NE(std::wstring::npos, log.find(L"ERROR! Unknown fatal error.\r\n", first + 1));
    EXPECT_NE(std::wstring::npos, log.find(L"ERROR! Later failure"));
    EXPECT_EQ(std::wstring::npos, log.find(L"ERROR! \r\n"));
}

}  // namespace
