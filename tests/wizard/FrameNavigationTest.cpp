// The wizard frame over stand-in pages: which page comes next, the history, Back, the end of
// the wizard, Cancel and its result, extra buttons, the busy filter and the frame's messages.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "FrameTestSupport.h"
#include "PrivateMessages.h"
#include "ScopedOverride.h"
#include "InstallerErrors.h"
#include "TestSupport.h"
#include "WelcomeDialog.h"
#include "WinApp.h"
#include "resource.h"

using namespace frametest;

namespace {

bool Enabled(CTopDialog& frame, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(frame.m_hWnd, id)) != FALSE;
}

// Shown by the frame (the frame itself is not shown in these tests).
bool Shown(HWND window)
{
    return (::GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::vector<eDialogState> History(CTopDialog& frame)
{
    return std::vector<eDialogState>(frame.GetHistory().begin(), frame.GetHistory().end());
}

// One navigation: the pages, what the application and the pages answer, the clicks ("N" Next,
// "B" Back), then where the frame is.
struct NavigationRow {
    const char* name;
    std::vector<eDialogState> states;
    std::set<int> disabled;
    std::set<eDialogState> notNeeded;
    // page -> (later page -> shown)
    std::map<eDialogState, std::map<eDialogState, bool>> opinions;
    std::set<eDialogState> refusingNext;
    std::string clicks;
    eDialogState current;
    std::vector<eDialogState> history;
    bool ended;
    bool backEnabled;
};

TEST(FrameNavigation, FollowsRegistryOrderSwitchesOpinionsAndHistory)
{
    const NavigationRow rows[] = {
        {"plain forward", {1, 2, 5}, {}, {}, {}, {}, "NN", 5, {1, 2}, false, true},
        {"back on the first page is impossible", {1, 2, 5}, {}, {}, {}, {}, "NBB", 1, {}, false, false},
        {"back returns through the history", {1, 2, 5}, {}, {}, {}, {}, "NNB", 2, {1}, false, true},
        {"a page the application disables is skipped", {1, 2, 5}, {2}, {}, {}, {}, "N", 5, {1}, false, true},
        {"a page not needed is skipped", {1, 2, 5}, {}, {2}, {}, {}, "N", 5, {1}, false, true},
        {"the newest opinion of the history wins (hide)", {1, 2, 5}, {}, {}, {{1, {{5, true}}}, {2, {{5, false}}}}, {},
            "NN", 2, {1, 2}, true, false},
        {"the newest opinion of the history wins (show)", {1, 2, 5}, {}, {}, {{1, {{5, false}}}, {2, {{5, true}}}},
            {}, "NN", 5, {1, 2}, false, true},
        {"no opinion: the page itself decides", {1, 2, 5}, {}, {5}, {{1, {{5, true}}}}, {}, "NN", 2, {1, 2}, true,
            false},
        {"a page refusing Next stays", {1, 2, 5}, {}, {}, {}, {2}, "NNN", 2, {1}, false, true},
        {"Next on the last page ends the wizard", {1, 2}, {}, {}, {}, {}, "NN", 2, {1, 2}, true, false},
        {"no page after the first: the wizard ends", {1, 2, 5}, {2, 5}, {}, {}, {}, "N", 1, {1}, true, false},
    };
    for (const NavigationRow& row : rows) {
        SCOPED_TRACE(row.name);
        FrameFixture fixture(row.states);
        fixture.app.disabled = row.disabled;
        for (eDialogState state : row.notNeeded)
            fixture.Script(state).needed = false;
        for (const auto& opinion : row.opinions)
            fixture.Script(opinion.first).visibility = opinion.second;
        for (eDialogState state : row.refusingNext)
            fixture.Script(state).nextAnswer = FALSE;
        CTopDialog& frame = fixture.CreateFrame();
        ASSERT_EQ(1, frame.m_eCurrentState);
        for (char click : std::string(row.clicks))
            fixture.Click(click == 'N' ? IDC_FRAME_NEXT : IDC_FRAME_BACK);
        EXPECT_EQ(row.current, frame.m_eCurrentState);
        EXPECT_EQ(row.history, History(frame));
        EXPECT_EQ(row.ended, frame.IsWizardEnded());
        if (!row.ended) {
            EXPECT_EQ(row.backEnabled, Enabled(frame, IDC_FRAME_BACK));
            EXPECT_TRUE(Enabled(frame, IDC_FRAME_NEXT));
            EXPECT_TRUE(Shown(frame.GetCurrentPage()->m_hWnd));
        }
        EXPECT_EQ(0, frame.GetResultCode());
    }
}

std::wstring EditText(CTopDialog& frame)
{
    wchar_t text[128] = L"";
    ::GetDlgItemTextW(frame.GetCurrentPage()->m_hWnd, kTestPageEdit, text, 128);
    return text;
}

// What is typed on a page goes into the page's variables when the page is left, by Next or by
// Back, and the page's controls are loaded from them again each time it is shown.
TEST(FrameNavigation, APageStoresItsDataWhenLeftAndLoadsItWhenShown)
{
    FrameFixture fixture({1, 2, 5});
    CTopDialog& frame = fixture.CreateFrame();
    ::SetDlgItemTextW(frame.GetCurrentPage()->m_hWnd, kTestPageEdit, L"typed on the first page");
    fixture.Click(IDC_FRAME_NEXT);
    ASSERT_EQ(2, frame.m_eCurrentState);
    EXPECT_EQ(L"typed on the first page", std::wstring(fixture.Script(1).typed.GetString()));

    ::SetDlgItemTextW(frame.GetCurrentPage()->m_hWnd, kTestPageEdit, L"typed on the second page");
    fixture.Click(IDC_FRAME_BACK);
    ASSERT_EQ(1, frame.m_eCurrentState);
    EXPECT_EQ(L"typed on the second page", std::wstring(fixture.Script(2).typed.GetString()));
    EXPECT_EQ(L"typed on the first page", EditText(frame));

    // The variable changed while its page was away: the page shows the new value.
    fixture.Script(2).typed = L"changed while away";
    fixture.Click(IDC_FRAME_NEXT);
    ASSERT_EQ(2, frame.m_eCurrentState);
    EXPECT_EQ(L"changed while away", EditText(frame));
}

TEST(FrameNavigation, NextDialogStateWalksASparseRegistry)
{
    FrameFixture fixture({1, 2, 5, 11});
    const std::pair<eDialogState, eDialogState> rows[] = {{0, 1}, {1, 2}, {2, 5}, {5, 11}, {11, 0}};
    for (const auto& row : rows)
        EXPECT_EQ(row.second, CNestedInstallerDialog::GetNextDialogState(row.first)) << row.first;
    EXPECT_THROW(CNestedInstallerDialog::GetNextDialogState(3), ValueOutOfRange);
}

TEST(FrameNavigation, StartWizardGoesToTheStartStateOrTheNextThatMayShow)
{
    {
        FrameFixture fixture({1, 2, 5});
        CTopDialog& frame = fixture.CreateFrame();
        fixture.Script(1).shown = 0;
        frame.StartWizard();  // start state 1 = current state: nothing happens
        EXPECT_EQ(0, fixture.Script(1).shown);
        EXPECT_EQ(1, frame.m_eCurrentState);
    }
    {
        FrameFixture fixture({1, 2, 5});
        fixture.Script(2).needed = false;
        CTopDialog& frame = fixture.CreateFrame();
        frame.m_eStartState = 2;
        frame.StartWizard();
        EXPECT_EQ(5, frame.m_eCurrentState);
        EXPECT_TRUE(History(frame).empty());
        EXPECT_EQ(1, fixture.Script(1).hidden);
    }
}

TEST(FrameNavigation, EndWizardFromAPageShowsNothingMore)
{
    // A page that ends the wizard from its Next: the following page is never made.
    FrameFixture fixture({1, 2, 5});
    fixture.Script(2).onNext = [](CNestedInstallerDialog& page) { page.GetFrame()->EndWizard(); };
    CTopDialog& frame = fixture.CreateFrame();
    fixture.Click(IDC_FRAME_NEXT);
    fixture.Click(IDC_FRAME_NEXT);
    EXPECT_TRUE(frame.IsWizardEnded());
    EXPECT_EQ(2, frame.m_eCurrentState);
    EXPECT_EQ(0, fixture.Script(5).shown);
    EXPECT_EQ(1, fixture.Script(2).hidden);  // told once
    EXPECT_EQ(0, frame.RunModalLoop());       // the loop does not start again

    // A page that ends the wizard as it is shown: navigation stops there.
    FrameFixture second({1, 2, 5});
    second.Script(2).onShown = [](CNestedInstallerDialog& page) { page.GetFrame()->EndWizard(); };
    CTopDialog& frame2 = second.CreateFrame();
    second.Click(IDC_FRAME_NEXT);
    EXPECT_TRUE(frame2.IsWizardEnded());
    EXPECT_EQ(0, second.Script(5).shown);
    EXPECT_FALSE(frame2.ShowPage(5));
}

TEST(FrameCancel, EndsWithUserExitUntilTheInstallStoredItsResult)
{
    struct Row {
        const char* name;
        int answer;
        bool postResult;
        bool ended;
        int result;
    };
    const Row rows[] = {
        {"declined", IDNO, false, false, 0},
        {"before the install's result", IDYES, false, true, 1602},
        {"after the install's result", IDYES, true, true, 3010},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FrameFixture fixture({1, 2});
        CTopDialog& frame = fixture.CreateFrame();
        fixture.answer = row.answer;
        if (row.postResult)
            frame.SendMessage(WM_INSTALL_RESULT, 3010, 1031);
        fixture.Click(IDCANCEL);
        ASSERT_EQ(1u, fixture.questions.size());
        EXPECT_EQ(L"Are you sure you want to cancel?", fixture.questions[0]);
        EXPECT_EQ(row.ended, frame.IsWizardEnded());
        EXPECT_EQ(row.result, frame.GetResultCode());
    }
}

TEST(FrameCancel, WithNoPageAsksTheDefaultQuestionAndRoutesNothing)
{
    FrameFixture fixture({1, 2});
    fixture.app.disabled = {1, 2};
    CTopDialog& frame = fixture.CreateFrame();
    frame.m_eStartState = 2;
    frame.StartWizard();
    ASSERT_EQ(nullptr, frame.GetCurrentPage());
    EXPECT_FALSE(Enabled(frame, IDC_FRAME_NEXT));
    fixture.Click(IDC_FRAME_NEXT);  // nowhere to go, nothing to route to
    frame.SendMessage(WM_COMMAND, 5000, 0);
    EXPECT_FALSE(frame.IsWizardEnded());
    fixture.Click(IDCANCEL);
    ASSERT_EQ(1u, fixture.questions.size());
    EXPECT_TRUE(frame.IsWizardEnded());
    EXPECT_EQ(1602, frame.GetResultCode());
}

// The private messages a master installer's window received: (message, wParam, lParam).
std::vector<std::tuple<UINT, WPARAM, LPARAM>> g_masterMessages;

LRESULT CALLBACK RecordMasterMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_USER && message < 0xC000)
        g_masterMessages.emplace_back(message, wParam, lParam);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// A child installer (one with a master window) whose wizard can show no page at all tells its
// master with WM_PART_ERROR (wParam 0, lParam the frame); with a page to show it says nothing.
TEST(FrameStart, AChildWithNoPageToShowTellsItsMaster)
{
    WNDCLASSW masterClass = {};
    masterClass.lpfnWndProc = &RecordMasterMessage;
    masterClass.hInstance = ::GetModuleHandleW(nullptr);
    masterClass.lpszClassName = L"FrameTestMaster";
    ::RegisterClassW(&masterClass);
    struct Row {
        const char* name;
        std::set<int> disabled;
        bool told;
    };
    const Row rows[] = {
        {"no page can be shown", {1, 2, 5}, true},
        {"a later page can be shown", {1, 2}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HWND master = ::CreateWindowW(L"FrameTestMaster", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
            ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, master);
        g_masterMessages.clear();
        {
            FrameFixture fixture({1, 2, 5});
            fixture.app.masterWindow = master;
            fixture.app.disabled = row.disabled;
            CTopDialog& frame = fixture.CreateFrame();
            ASSERT_EQ(nullptr, frame.GetCurrentPage());
            frame.m_eStartState = 2;
            frame.StartWizard();
            EXPECT_EQ(row.told, frame.GetCurrentPage() == nullptr);
            std::vector<std::tuple<UINT, WPARAM, LPARAM>> expected;
            if (row.told)
                expected.emplace_back(WM_PART_ERROR, 0, reinterpret_cast<LPARAM>(frame.m_hWnd));
            EXPECT_EQ(expected, g_masterMessages);
        }
        ::DestroyWindow(master);
    }
}

TEST(FrameCancel, EscapeInsideAPageIsSwallowed)
{
    FrameFixture fixture({1, 2});
    CTopDialog& frame = fixture.CreateFrame();
    // The page's own Escape (its dialog navigation sends IDCANCEL to the page): nothing.
    frame.GetCurrentPage()->SendMessage(WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(fixture.questions.empty());
    EXPECT_TRUE(Shown(frame.GetCurrentPage()->m_hWnd));
    EXPECT_FALSE(frame.IsWizardEnded());
}

TEST(FrameButtons, ExtraButtonsAreSixAtMostAndGoWithThePage)
{
    FrameFixture fixture({1, 2});
    CTopDialog& frame = fixture.CreateFrame();
    std::vector<UINT> ids;
    for (int i = 0; i < 7; ++i)
        ids.push_back(frame.AddButton(L"Extra"));
    EXPECT_EQ((std::vector<UINT>{5000, 5001, 5002, 5003, 5004, 5005, 0}), ids);
    // Each left of the one before, and before it in the tab order.
    CRect back, first, second;
    ::GetWindowRect(::GetDlgItem(frame.m_hWnd, IDC_FRAME_BACK), &back);
    ::GetWindowRect(::GetDlgItem(frame.m_hWnd, 5000), &first);
    ::GetWindowRect(::GetDlgItem(frame.m_hWnd, 5001), &second);
    EXPECT_EQ(back.left - 5, first.right);
    EXPECT_EQ(first.left - 5, second.right);
    EXPECT_EQ(::GetDlgItem(frame.m_hWnd, 5000), ::GetWindow(::GetDlgItem(frame.m_hWnd, IDC_FRAME_BACK), GW_HWNDPREV));
    fixture.Click(5001);
    EXPECT_EQ(std::vector<UINT>{5001}, fixture.Script(1).extraButtons);
    fixture.Click(IDC_FRAME_NEXT);
    EXPECT_EQ(nullptr, ::GetDlgItem(frame.m_hWnd, 5000));
    EXPECT_EQ(5000u, frame.AddButton(L"Again"));
}

TEST(FrameBusy, DropsInputButCancelsAndQueuedClicksWithAWrappingTickCount)
{
    FrameFixture fixture({1});
    CTopDialog& frame = fixture.CreateFrame();
    MSG next = {::GetDlgItem(frame.m_hWnd, IDC_FRAME_NEXT), WM_LBUTTONDOWN, 0, 0, ::GetTickCount(), {0, 0}};
    MSG cancel = next;
    cancel.hwnd = ::GetDlgItem(frame.m_hWnd, IDCANCEL);
    EXPECT_FALSE(frame.IsInputDropped(next));
    frame.BeginBusy();
    EXPECT_TRUE(frame.IsBusy());
    EXPECT_TRUE(frame.IsInputDropped(next));
    EXPECT_FALSE(frame.IsInputDropped(cancel));
    next.time = ::GetTickCount();
    frame.EndBusy();
    EXPECT_FALSE(frame.IsBusy());
    // Queued before EndBusy: dropped even when dispatched later; stamped after it: taken.
    next.time -= 1000;
    EXPECT_TRUE(frame.IsInputDropped(next));
    next.time = ::GetTickCount() + 10;
    EXPECT_FALSE(frame.IsInputDropped(next));
    // A page's own input goes through the same filter.
    MSG key = {frame.GetCurrentPage()->GetDlgItem(kTestPageEdit)->m_hWnd, WM_KEYDOWN, 'A', 0, next.time - 5000,
        {0, 0}};
    EXPECT_TRUE(frame.GetCurrentPage()->PreTranslateMessage(&key));
}

DWORD WINAPI TickBeforeWrap()
{
    return 0xFFFFFF00u;
}

// The busy-end tick just before the tick count wraps: input stamped after the wrap is newer.
TEST(FrameBusy, ComparesTickCountsAcrossTheWrap)
{
    FrameFixture fixture({1});
    CTopDialog& frame = fixture.CreateFrame();
    ScopedOverride<decltype(CTopDialog::s_pfnGetTickCount)> tick(CTopDialog::s_pfnGetTickCount, &TickBeforeWrap);
    frame.EndBusy();
    MSG msg = {::GetDlgItem(frame.m_hWnd, IDC_FRAME_NEXT), WM_LBUTTONDOWN, 0, 0, 0x00000010u, {0, 0}};
    EXPECT_FALSE(frame.IsInputDropped(msg));
    msg.time = 0xFFFFFE00u;
    EXPECT_TRUE(frame.IsInputDropped(msg));
}

TEST(FrameMessages, AutoPlaySpawnIdsAndResult)
{
    FrameFixture fixture({1});
    fixture.Script(1).autoPlayAnswer = 1;
    CTopDialog& frame = fixture.CreateFrame();
    const UINT autoPlay = ::RegisterWindowMessageW(kQueryCancelAutoPlayMessage);
    EXPECT_EQ(1, frame.SendMessage(autoPlay));

    DWORD first = 7, second = 7;
    EXPECT_EQ(0, frame.GetSpawnIds(&first, &second));
    EXPECT_EQ(0u, first);
    EXPECT_EQ(0u, second);
    const UINT spawn = ::RegisterWindowMessageW(kInstallerSpawnMessage);
    frame.SendMessage(spawn, 0x1234, 0x5678);
    EXPECT_EQ(0x5678, frame.GetSpawnIds(&first, &second));
    EXPECT_EQ(0x5678u, first);
    EXPECT_EQ(0x1234u, second);
    EXPECT_EQ(0, frame.GetSpawnIds(&first, &second));  // taken once

    frame.SendMessage(WM_INSTALL_RESULT, 1603, 1027);
    EXPECT_EQ(1603, frame.GetResultCode());
    fixture.Click(IDC_FRAME_NEXT);
    EXPECT_TRUE(frame.IsWizardEnded());
    EXPECT_EQ(1603, frame.GetResultCode());
}

TEST(FrameRestart, RestartOrShutDownEndWith1641)
{
    struct Row {
        bool wanted;
        INT_PTR answer;
        bool asked;
        bool ended;
    };
    const Row rows[] = {{false, 3, false, false}, {true, 3, true, true}, {true, 1083, true, true},
        {true, IDCANCEL, true, false}};
    for (const Row& row : rows) {
        FrameFixture fixture({1});
        fixture.app.rebootRequired = row.wanted;
        static INT_PTR s_answer;
        static int s_asked;
        s_answer = row.answer;
        s_asked = 0;
        ScopedOverride<decltype(g_pfnRunRebootDialog)> dialog(g_pfnRunRebootDialog, [](const wchar_t*) -> INT_PTR {
            ++s_asked;
            return s_answer;
        });
        CTopDialog& frame = fixture.CreateFrame();
        frame.SendMessage(WM_INSTALL_RESULT, 3010, 1031);
        frame.AskReboot();
        EXPECT_EQ(row.asked ? 1 : 0, s_asked);
        EXPECT_EQ(row.ended, frame.IsWizardEnded());
        EXPECT_EQ(row.ended ? 1641 : 3010, frame.GetResultCode());
    }
}

struct SpiCall {
    UINT action;
    UINT_PTR value;
    UINT winIni;
};
std::vector<SpiCall> g_spiCalls;

BOOL WINAPI RecordSpi(UINT action, UINT, PVOID value, UINT winIni)
{
    if (action == SPI_GETFOREGROUNDLOCKTIMEOUT) {
        *static_cast<DWORD*>(value) = 200000;
        g_spiCalls.push_back({action, 0, winIni});
    } else {
        g_spiCalls.push_back({action, reinterpret_cast<UINT_PTR>(value), winIni});
    }
    return TRUE;
}

TEST(FrameActivation, ForegroundLockTimeoutIsNeverWrittenToTheProfileAndComesBack)
{
    std::vector<SpiCall>& calls = g_spiCalls;
    calls.clear();
    ScopedOverride<decltype(CTopDialog::s_pfnSystemParametersInfoW)> spi(
        CTopDialog::s_pfnSystemParametersInfoW, &RecordSpi);
    {
        FrameFixture fixture({1});
        CTopDialog& frame = fixture.CreateFrame();
        frame.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
        frame.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);  // saved at the first activation only
        ASSERT_EQ(2u, calls.size());
        EXPECT_EQ(UINT(SPI_SETFOREGROUNDLOCKTIMEOUT), calls[1].action);
        EXPECT_EQ(0u, calls[1].value);
        fixture.answer = IDYES;
        fixture.Click(IDCANCEL);  // the end of the wizard gives it back
        ASSERT_EQ(3u, calls.size());
        EXPECT_EQ(200000u, calls[2].value);
    }
    EXPECT_EQ(3u, calls.size());  // not twice
    for (const SpiCall& call : calls)
        EXPECT_EQ(0u, call.winIni);
}

}  // namespace

namespace {

// The program's own registry with every page but the welcome page switched off: the frame
// refuses each, never makes a window for it, and Next from the loaded welcome page ends the
// wizard.
TEST(FrameSwitchedOffPages, AreRefusedAndNeverBecomeWindows)
{
    testsupport::StandInServices services;
    CConfigInfo config;
    services.app.configInfo = &config;
    // Every page but the welcome page: switched off.
    services.app.disabledPages = {kUserInfoDialog, kFeatureInfo1Dialog, kSingleDirectoryDialog, kInstallationTypeDialog,
        kFeatureTreeDialog, kFeatureInfoDialog, kLicenseDialog, kLicense2Dialog, kConfirmStartDialog, kProgressDialog,
        kEndExecuteDialog, kEndDialog};
    CWinApp app;
    {
        CTopDialog frame(nullptr);
        app.m_pMainWnd = &frame;
        ASSERT_TRUE(frame.Create(0u, nullptr));
        ASSERT_NE(nullptr, frame.GetWelcomeDialog());
        for (eDialogState state = kUserInfoDialog; state <= kEndDialog; ++state)
            EXPECT_FALSE(frame.ShowPage(state)) << state;
        EXPECT_EQ(kWelcomeDialog, frame.m_eCurrentState);
        int pages = 0;
        for (HWND child = ::GetWindow(frame.m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            wchar_t className[16] = {};
            ::GetClassNameW(child, className, 16);
            pages += wcscmp(className, L"#32770") == 0 ? 1 : 0;
        }
        EXPECT_EQ(1, pages);
        // Next from the loaded welcome page: nothing more to show, the wizard ends.
        frame.GetWelcomeDialog()->SendMessage(WM_LOAD_DONE, 0, 0);
        frame.SendMessage(WM_COMMAND, IDC_FRAME_NEXT, 0);
        EXPECT_TRUE(frame.IsWizardEnded());
        app.m_pMainWnd = nullptr;
    }
}

}  // namespace
