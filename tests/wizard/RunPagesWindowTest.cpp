// The run's pages drawn for real: the progress page while installing, with its questions
// (a failed part, another installer running, cancel, the time-out), its linked-distribution
// display and the run's failures; the end-execute page; the end page after a success, a failure
// and a cancel; the restart dialog. The install run itself is a script of the test on the
// page's install thread, calling the page's Windows Installer handler and sending the run's
// messages as the distribution's run does.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ConfigInfo.h"
#include "EndDialog.h"
#include "EndExecuteDialog.h"
#include "EndPageRun.h"
#include "InstallerErrors.h"
#include "PageWorker.h"
#include "PlatformApi.h"
#include "PrivateMessages.h"
#include "ProgressDialog.h"
#include "RebootDialog.h"
#include "ScopedOverride.h"
#include "Screenshot.h"
#include "ServiceStandIns.h"
#include "TestSupport.h"
#include "TopDialog.h"
#include "WinApp.h"
#include "resource.h"

using namespace testsupport;

namespace {

// Dispatches the thread's messages through the windows' pre-translation until `done` or the
// limit; whether `done` came true.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 10000)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!AfxPreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        if (done())
            return true;
        if (::GetTickCount() - start > limitMs)
            return false;
        ::Sleep(10);
    }
}

void Pump(DWORD ms)
{
    const DWORD start = ::GetTickCount();
    PumpUntil([&] { return ::GetTickCount() - start >= ms; }, ms + 1000);
}

std::wstring Text(HWND window)
{
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return text;
}

HWND Item(HWND window, int id)
{
    return ::GetDlgItem(window, id);
}

bool Enabled(HWND window, int id)
{
    return ::IsWindowEnabled(Item(window, id)) != FALSE;
}

// The script's checkpoints: the install thread says it is there and waits to be let go.
HANDLE g_ready = nullptr;
HANDLE g_go = nullptr;

void Checkpoint()
{
    ::SetEvent(g_ready);
    ::WaitForSingleObject(g_go, 20000);
}

bool ReachCheckpoint()
{
    return PumpUntil([] { return ::WaitForSingleObject(g_ready, 0) == WAIT_OBJECT_0; });
}

// The install run of a test.
std::function<UINT(CProgressDialog&)> g_install;
CProgressDialog::RunPosition g_position;

UINT RunScript(CProgressDialog& page)
{
    return g_install(page);
}

// A run that reaches the checkpoint and never comes back (until the time-out stops it).
UINT NeverComesBack(CProgressDialog&)
{
    ::SetEvent(g_ready);
    ::Sleep(INFINITE);
    return ERROR_SUCCESS;
}

void ReadPosition(CProgressDialog::RunPosition& position)
{
    position = g_position;
}

int Handle(CProgressDialog& page, UINT type, const wchar_t* message)
{
    return CProgressDialog::ExternalUIHandler(&page, type, message);
}

// Message boxes: recorded; the ones a test wants to see are really shown, photographed with
// the frame behind them and answered by a timer of the thread that shows them.
struct Box {
    std::wstring text;
    UINT type;
};
struct BoxAnswer {
    int answer;
    std::wstring screenshot;  // empty: not shown
    std::function<void()> meanwhile;  // what happens while the box is open, before the answer
};
std::mutex g_boxLock;
std::vector<Box> g_boxes;
std::vector<BoxAnswer> g_answers;
HWND g_frameWindow = nullptr;
thread_local BoxAnswer* t_shown = nullptr;

BOOL CALLBACK FindDialogOfThread(HWND window, LPARAM found)
{
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    // Not the wizard's frame, which is a dialog too.
    if (std::wstring(name) == L"#32770" && ::IsWindowVisible(window) && window != g_frameWindow) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND DialogOfThisThread()
{
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindDialogOfThread, reinterpret_cast<LPARAM>(&found));
    return found;
}

VOID CALLBACK AnswerShownBox(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = DialogOfThisThread();
    if (!box || !t_shown)
        return;
    ::KillTimer(nullptr, id);
    EXPECT_FALSE(SaveScreenshot(g_frameWindow ? g_frameWindow : box, t_shown->screenshot).empty());
    ::PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(t_shown->answer), 0);
}

int WINAPI ScriptedBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    BoxAnswer answer = {IDYES, std::wstring(), nullptr};
    {
        std::lock_guard<std::mutex> lock(g_boxLock);
        g_boxes.push_back({text ? text : L"", type});
        if (!g_answers.empty()) {
            answer = g_answers.front();
            g_answers.erase(g_answers.begin());
        }
    }
    if (answer.meanwhile)
        answer.meanwhile();
    if (answer.screenshot.empty())
        return answer.answer;
    BoxAnswer shown = answer;
    t_shown = &shown;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 300, &AnswerShownBox);
    const int result = ::MessageBoxW(owner, text, caption, type);
    ::KillTimer(nullptr, timer);
    t_shown = nullptr;
    return result;
}

// The end pages' view of the distribution.
class ScriptedEndRun : public IEndPageRun {
public:
    int GetEndExecuteCount() override { return endExecutes; }
    int GetEndPageExecuteCount() override { return endPageExecutes; }
    bool HasCheckedExecute() override { return checkedExecute; }
    void UncheckEndPageExecute() override { ++unchecks; }
    void LaunchExecutes(int kind, CWnd* page) override
    {
        launches.push_back(kind);
        if (launch)
            launch(page);
    }
    int endExecutes = 0;
    int endPageExecutes = 0;
    bool checkedExecute = false;
    int unchecks = 0;
    std::vector<int> launches;
    std::function<void(CWnd*)> launch;
};

// A distribution's configuration with the run's pages only, the frame over it and the seams of
// the run in place.
class RunFixture {
public:
    explicit RunFixture(const std::string& more = std::string())
        : m_run(CProgressDialog::s_pfnRunInstall, &RunScript),
          m_position(CProgressDialog::s_pfnReadRunPosition, &ReadPosition),
          m_box(CNestedInstallerDialog::s_pfnMessageBoxW, &ScriptedBox),
          m_timeout(CProgressDialog::s_nCancelTimeoutMs), m_retryDelay(CProgressDialog::s_dwBusyRetryDelayMs, 10)
    {
        WriteFileBytes(m_dir.File(L"post.exe"), "post");
        WriteFileBytes(m_dir.File(L"sysinfo.dll"), "sysinfo");
        const std::wstring module = ModuleDir() + L"\\wizard_runpages.dll";
        const std::string languages = "Languages=1033\r\nCustomRes1033=" + std::string(module.begin(), module.end())
            + "\r\n";
        WriteFileBytes(m_dir.File(L"setup.ini"), DistributionIni(languages,
                "[Graphics]\r\nTopBar=301\r\n"
                // The pages before the run's are not part of these tests.
                "[Dialogs]\r\nUserInfo=0\r\nFeatureInfo1=0\r\nSingleDirectory=0\r\nInstallationType=0\r\n"
                "FeatureTree=0\r\nFeatureInfo=0\r\nLicense=0\r\nLicense2=0\r\nConfirmStart=0\r\n"
                    + more));
        m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        m_config.LoadLanguageResource();
        m_config.PopulateDialogInfo();
        services.app.configInfo = &m_config;
        for (int state = kWelcomeDialog; state < kProgressDialog; ++state)
            services.app.disabledPages.insert(state);
        g_boxes.clear();
        g_answers.clear();
        g_ready = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
        g_go = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
        g_position = CProgressDialog::RunPosition();
        g_position.partCount = 2;
        g_position.hasCurrentPart = true;
        g_position.partNumber = 1;
        g_position.partName = L"Velmo Sample Core";
        SetEndPageRun(&endRun);
    }
    ~RunFixture()
    {
        // A script still waiting is let go before the pages go.
        ::SetEvent(g_go);
        m_frame.reset();
        g_frameWindow = nullptr;
        m_app.m_pMainWnd = nullptr;
        SetEndPageRun(nullptr);
        g_install = nullptr;
        ::CloseHandle(g_ready);
        ::CloseHandle(g_go);
        m_config.FreeResourceModules();
    }

    // The frame with the result code `result` stored, started at `start`.
    CTopDialog& Show(eDialogState start, int result = -1)
    {
        m_frame.reset(new CTopDialog(nullptr));
        m_app.m_pMainWnd = m_frame.get();
        EXPECT_TRUE(m_frame->Create(0u, nullptr));
        g_frameWindow = m_frame->m_hWnd;
        if (result >= 0)
            m_frame->SendMessage(WM_INSTALL_RESULT, static_cast<WPARAM>(result), CProgressDialog::kReasonNormal);
        m_frame->CenterWindow();
        m_frame->ShowWindow(SW_SHOW);
        ::SetForegroundWindow(m_frame->m_hWnd);
        m_frame->m_eStartState = start;
        m_frame->StartWizard();
        Pump(200);
        return *m_frame;
    }
    CTopDialog& Frame() { return *m_frame; }

    template <class Page> Page* Current() { return dynamic_cast<Page*>(m_frame->GetCurrentPage()); }

    // The progress page shown, its run held at the checkpoint; null when it did not get there.
    CProgressDialog* ShowRunning()
    {
        Show(kProgressDialog);
        CProgressDialog* page = Current<CProgressDialog>();
        return page && ReachCheckpoint() ? page : nullptr;
    }

    void Answer(int answer, const std::wstring& screenshot = std::wstring())
    {
        std::lock_guard<std::mutex> lock(g_boxLock);
        g_answers.push_back({answer, screenshot, nullptr});
    }
    // The next box gets `answer` after `meanwhile` ran on its thread (the box not shown).
    void AnswerAfter(int answer, std::function<void()> meanwhile)
    {
        std::lock_guard<std::mutex> lock(g_boxLock);
        g_answers.push_back({answer, std::wstring(), std::move(meanwhile)});
    }

    StandInServices services;
    StandInWizardServices wizard;
    ScriptedEndRun endRun;

private:
    ScopedWizardServices m_wizardScope{&wizard};
    TempDir m_dir;
    CConfigInfo m_config;
    CWinApp m_app;
    std::unique_ptr<CTopDialog> m_frame;
    ScopedOverride<decltype(CProgressDialog::s_pfnRunInstall)> m_run;
    ScopedOverride<decltype(CProgressDialog::s_pfnReadRunPosition)> m_position;
    ScopedOverride<decltype(CNestedInstallerDialog::s_pfnMessageBoxW)> m_box;
    ScopedOverride<UINT> m_timeout;
    ScopedOverride<DWORD> m_retryDelay;
};

const std::string kEndPageConfiguration = "[EndDialog]\r\nReadme=400;7,45,377,110\r\n"
                                          "CheckboxText=404;LaunchURL,C:\\release-notes.txt\r\nCheckboxDefaultState=1\r\n"
                                          "[EndDialogButtons]\r\nButton1=401;LaunchURL,http://www.example.com/velmo\r\n"
                                          "Button2=402;LaunchURL,C:\\release-notes.txt\r\n"
                                          "Button3=403;LaunchURL,http://www.example.com/support\r\n";

TEST(ProgressWindow, InstallingMovesBothBarsThenTheResultGoesToTheFrame)
{
    RunFixture fixture;
    g_install = [](CProgressDialog& page) -> UINT {
        Handle(page, INSTALLMESSAGE_INITIALIZE, L"");
        Handle(page, INSTALLMESSAGE_ACTIONSTART, L"Action 10:20:30: InstallFiles. Copying new files");
        Handle(page, INSTALLMESSAGE_PROGRESS, L"1: 0 2: 1000 3: 0 4: 1 ");
        Handle(page, INSTALLMESSAGE_PROGRESS, L"1: 2 2: 1000 ");
        Handle(page, INSTALLMESSAGE_PROGRESS, L"1: 0 2: 2000 3: 0 4: 1 ");
        Handle(page, INSTALLMESSAGE_PROGRESS, L"1: 1 2: 100 3: 1 ");
        for (int i = 0; i < 8; ++i)
            Handle(page, INSTALLMESSAGE_ACTIONDATA, L"File: core.dll");
        Handle(page, INSTALLMESSAGE_ACTIONSTART, L"Action 10:20:31: WriteRegistryValues. Writing system registry values");
        // Messages the page takes no part in.
        EXPECT_EQ(0, Handle(page, INSTALLMESSAGE_INFO, L"Info"));
        EXPECT_EQ(0, Handle(page, INSTALLMESSAGE_PROGRESS, L"garbage"));
        EXPECT_EQ(1, Handle(page, INSTALLMESSAGE_COMMONDATA, L"1: 0 2: 1033 3: 1252 "));
        Checkpoint();
        Handle(page, INSTALLMESSAGE_TERMINATE, L"");
        return ERROR_SUCCESS;
    };
    CProgressDialog* page = fixture.ShowRunning();
    ASSERT_NE(nullptr, page);
    CTopDialog& frame = fixture.Frame();

    int lower = 0, upper = 0;
    page->GetOverallBar().GetRange(lower, upper);
    EXPECT_EQ(2000000, upper);
    // Phase 1 done (300,000), then 8 steps of 0.6 * 100 * 1e6 / 2000 in phase 2.
    EXPECT_EQ(540000, page->GetOverallBar().GetPos());
    page->GetActionBar().GetRange(lower, upper);
    EXPECT_EQ(2000, upper);
    EXPECT_EQ(800, page->GetActionBar().GetPos());
    EXPECT_EQ(L"Writing system registry values", Text(Item(page->m_hWnd, IDC_PROGRESS_ACTION)));
    EXPECT_EQ(L"Currently installing Velmo Sample Core.  Part 1 of 2.", Text(Item(page->m_hWnd, IDC_PROGRESS_STATUS)));
    EXPECT_FALSE(Enabled(frame.m_hWnd, IDC_FRAME_NEXT));
    EXPECT_FALSE(Enabled(frame.m_hWnd, IDC_FRAME_BACK));
    EXPECT_TRUE(Enabled(frame.m_hWnd, IDCANCEL));
    EXPECT_EQ(1, page->CancelAutoPlay());
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"progress-installing").empty());

    ::SetEvent(g_go);
    ASSERT_TRUE(PumpUntil([&] { return frame.m_eCurrentState == kEndDialog; }));
    EXPECT_EQ(0, frame.GetResultCode());
    EXPECT_TRUE(g_boxes.empty());
}

TEST(ProgressWindow, FailedPartAndBusyInstallerAskTheUser)
{
    RunFixture fixture;
    static std::vector<LRESULT> s_answers;
    s_answers.clear();
    g_install = [](CProgressDialog& page) -> UINT {
        const LPARAM name = reinterpret_cast<LPARAM>(L"Velmo Sample Core");
        Handle(page, INSTALLMESSAGE_INITIALIZE, L"");
        // An error without buttons is kept for the question.
        EXPECT_EQ(IDOK, Handle(page, INSTALLMESSAGE_ERROR | MB_ICONERROR,
                            L"Error 1722. There is a problem with this Windows Installer package."));
        s_answers.push_back(::SendMessageW(page.m_hWnd, WM_PART_ERROR, ERROR_INSTALL_FAILURE, name));
        for (int i = 0; i < 4; ++i)
            s_answers.push_back(::SendMessageW(page.m_hWnd, WM_PART_ERROR, ERROR_INSTALL_ALREADY_RUNNING, name));
        // Another code quotes the system's text.
        s_answers.push_back(::SendMessageW(page.m_hWnd, WM_PART_ERROR, ERROR_INSTALL_PACKAGE_INVALID, name));
        return ERROR_INSTALL_FAILURE;
    };
    fixture.Answer(IDNO, L"progress-part-failed");
    fixture.Answer(IDCANCEL, L"progress-another-installer");
    fixture.Answer(IDYES);
    CTopDialog& frame = fixture.Show(kProgressDialog);
    ASSERT_TRUE(PumpUntil([&] { return frame.m_eCurrentState == kEndDialog; }));

    EXPECT_EQ((std::vector<LRESULT>{IDNO, IDRETRY, IDRETRY, IDRETRY, IDCANCEL, IDYES}), s_answers);
    ASSERT_EQ(3u, g_boxes.size());
    EXPECT_EQ(L"The Velmo Sample Core installation has failed with the following error.\n\n"
              L"Error 1722. There is a problem with this Windows Installer package. \n\nContinue?",
        g_boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION | MB_SETFOREGROUND), g_boxes[0].type);
    EXPECT_EQ(0u, g_boxes[1].text.find(L"Another installer is currently running."));
    EXPECT_EQ(static_cast<UINT>(MB_RETRYCANCEL | MB_ICONEXCLAMATION | MB_SETFOREGROUND), g_boxes[1].type);
    EXPECT_EQ(0u, g_boxes[2].text.find(L"The Velmo Sample Core installation has failed with the following error."));

    // The end page reports the failure with the configured error text.
    EXPECT_EQ(1603, frame.GetResultCode());
    CEndDialog* end = fixture.Current<CEndDialog>();
    ASSERT_NE(nullptr, end);
    EXPECT_EQ(L"Installation Failed", std::wstring(end->GetResultText().GetString()));
    ASSERT_NE(nullptr, end->GetResultControl());
    EXPECT_FALSE(Text(end->GetResultControl()->m_hWnd).empty());
    EXPECT_FALSE(end->IsNextMode());
    EXPECT_EQ(L"&Finish", Text(Item(frame.m_hWnd, IDCANCEL)));
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"end-failed").empty());
}

TEST(ProgressWindow, CancelAskedNoChangesNothingYesCancelsTheRun)
{
    RunFixture fixture;
    g_install = [](CProgressDialog& page) -> UINT {
        Handle(page, INSTALLMESSAGE_INITIALIZE, L"");
        Handle(page, INSTALLMESSAGE_PROGRESS, L"1: 0 2: 100 3: 0 ");
        Checkpoint();
        // Every answer is cancel once the user confirmed it.
        for (int i = 0; i < 1000 && Handle(page, INSTALLMESSAGE_ACTIONDATA, L"x") != IDCANCEL; ++i)
            ::Sleep(20);
        EXPECT_EQ(IDCANCEL, Handle(page, INSTALLMESSAGE_ACTIONSTART, L"Action 1: Rollback. Rolling back"));
        // As the install loop after a part that ended with 1602.
        EXPECT_EQ(1, ::SendMessageW(page.m_hWnd, WM_QUERY_CANCEL_ALL, 0, 0));
        return ERROR_INSTALL_USEREXIT;
    };
    fixture.Answer(IDNO, L"progress-cancel-question");
    fixture.Answer(IDYES);
    CProgressDialog* page = fixture.ShowRunning();
    ASSERT_NE(nullptr, page);
    CTopDialog& frame = fixture.Frame();

    frame.PostMessage(WM_COMMAND, IDCANCEL, 0);
    Pump(800);
    EXPECT_FALSE(page->IsCancelRequested());
    EXPECT_FALSE(frame.IsWizardEnded());
    frame.PostMessage(WM_COMMAND, IDCANCEL, 0);
    Pump(100);
    EXPECT_TRUE(page->IsCancelRequested());
    EXPECT_TRUE(frame.IsBusy());
    ::SetEvent(g_go);
    ASSERT_TRUE(PumpUntil([&] { return frame.m_eCurrentState == kEndDialog; }));
    EXPECT_FALSE(frame.IsBusy());
    EXPECT_EQ(1602, frame.GetResultCode());
    EXPECT_EQ(CProgressDialog::kReasonCancelled, page->GetResultReason());
    EXPECT_EQ(2u, g_boxes.size());
    EXPECT_EQ(L"Are you sure you want to cancel?", g_boxes[0].text);

    CEndDialog* end = fixture.Current<CEndDialog>();
    ASSERT_NE(nullptr, end);
    EXPECT_EQ(L"Installation Cancelled", std::wstring(end->GetResultText().GetString()));
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"end-cancelled").empty());
    // Finish ends the wizard with the stored result.
    frame.PostMessage(WM_COMMAND, IDCANCEL, 0);
    Pump(100);
    EXPECT_TRUE(frame.IsWizardEnded());
    EXPECT_EQ(1602, frame.GetResultCode());
}

TEST(ProgressWindow, TimeOutStopsARunThatDoesNotComeBackAndIgnoresALateResult)
{
    RunFixture fixture;
    ScopedOverride<UINT> timeout(CProgressDialog::s_nCancelTimeoutMs, 300);
    g_install = &NeverComesBack;
    fixture.Answer(IDYES);
    fixture.Answer(IDOK);
    CProgressDialog* page = fixture.ShowRunning();
    ASSERT_NE(nullptr, page);
    CTopDialog& frame = fixture.Frame();
    frame.PostMessage(WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(PumpUntil([&] { return frame.m_eCurrentState == kEndDialog; }));
    EXPECT_EQ(1602, frame.GetResultCode());
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_EQ(L"The installation has been aborted at your request.", g_boxes[1].text);
    EXPECT_FALSE(frame.IsBusy());

    // A result that arrives after the time-out moves nothing.
    page->PostMessage(WM_INSTALL_RESULT, ERROR_SUCCESS, CProgressDialog::kReasonNormal);
    Pump(200);
    EXPECT_EQ(1602, frame.GetResultCode());
    EXPECT_EQ(kEndDialog, frame.m_eCurrentState);
    EXPECT_FALSE(frame.IsWizardEnded());
}

// A result that reached the page is the run's last word: a cancel still pending or answered
// afterwards, and the time-out, neither change it nor leave the frame busy.
TEST(ProgressWindow, TheFirstResultTakenEndsTheCancel)
{
    const auto expectCompleted = [](RunFixture& fixture, CProgressDialog* page) {
        CTopDialog& frame = fixture.Frame();
        // Past the time-out of every case below, and a tick of it that was already due.
        Pump(400);
        const size_t boxes = g_boxes.size();
        page->SendMessage(WM_TIMER, CProgressDialog::kCancelTimer, 0);
        Pump(100);
        EXPECT_EQ(boxes, g_boxes.size());
        EXPECT_EQ(kEndDialog, frame.m_eCurrentState);
        EXPECT_FALSE(frame.IsWizardEnded());
        EXPECT_EQ(0, frame.GetResultCode());
        EXPECT_FALSE(frame.IsBusy());
        EXPECT_FALSE(page->IsCancelRequested());
        CEndDialog* end = fixture.Current<CEndDialog>();
        ASSERT_NE(nullptr, end);
        // No failure or cancel text over the page's own.
        EXPECT_EQ(L"", std::wstring(end->GetResultText().GetString()));
    };
    const auto endsWellAfterTheCheckpoint = [](CProgressDialog& page) -> UINT {
        Handle(page, INSTALLMESSAGE_INITIALIZE, L"");
        Checkpoint();
        return ERROR_SUCCESS;
    };
    {
        SCOPED_TRACE("the run ends while the cancel question is open, then Yes");
        RunFixture fixture;
        g_install = endsWellAfterTheCheckpoint;
        ScopedOverride<UINT> timeout(CProgressDialog::s_nCancelTimeoutMs, 100);
        fixture.AnswerAfter(IDYES, [&] {
            ::SetEvent(g_go);
            EXPECT_TRUE(PumpUntil([&] { return fixture.Frame().m_eCurrentState == kEndDialog; }));
        });
        CProgressDialog* page = fixture.ShowRunning();
        ASSERT_NE(nullptr, page);
        CTopDialog& frame = fixture.Frame();
        frame.PostMessage(WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(PumpUntil([&] { return !g_boxes.empty() && frame.m_eCurrentState == kEndDialog; }));
        expectCompleted(fixture, page);
        // The cancel question only: no time-out message.
        EXPECT_EQ(1u, g_boxes.size());
    }
    {
        SCOPED_TRACE("Yes, then the run ends well without a cancel of its own");
        RunFixture fixture;
        g_install = endsWellAfterTheCheckpoint;
        fixture.Answer(IDYES);
        CProgressDialog* page = fixture.ShowRunning();
        ASSERT_NE(nullptr, page);
        CTopDialog& frame = fixture.Frame();
        frame.PostMessage(WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(PumpUntil([&] { return page->IsCancelRequested(); }));
        EXPECT_TRUE(frame.IsBusy());
        ::SetEvent(g_go);
        ASSERT_TRUE(PumpUntil([&] { return frame.m_eCurrentState == kEndDialog; }));
        expectCompleted(fixture, page);
    }
    {
        SCOPED_TRACE("the result posted before the time-out stopped the run arrives during its message");
        RunFixture fixture;
        ScopedOverride<UINT> timeout(CProgressDialog::s_nCancelTimeoutMs, 100);
        g_install = &NeverComesBack;
        fixture.Answer(IDYES);
        fixture.AnswerAfter(IDOK, [&] {
            fixture.Frame().GetCurrentPage()->PostMessage(
                WM_INSTALL_RESULT, ERROR_SUCCESS, CProgressDialog::kReasonNormal);
            EXPECT_TRUE(PumpUntil([&] { return fixture.Frame().m_eCurrentState == kEndDialog; }));
        });
        CProgressDialog* page = fixture.ShowRunning();
        ASSERT_NE(nullptr, page);
        CTopDialog& frame = fixture.Frame();
        frame.PostMessage(WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(PumpUntil([&] { return g_boxes.size() == 2u && frame.m_eCurrentState == kEndDialog; }));
        EXPECT_EQ(L"The installation has been aborted at your request.", g_boxes[1].text);
        expectCompleted(fixture, page);
    }
}

CVelmoWorkerThread* FailToBegin(AFX_THREADPROC, LPVOID, int, UINT, DWORD, LPSECURITY_ATTRIBUTES)
{
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

TEST(ProgressWindow, ARunThatCannotStartOrThrowsFails)
{
    {
        SCOPED_TRACE("no thread");
        RunFixture fixture;
        ScopedOverride<decltype(CPageWorker::s_pfnBeginThread)> begin(CPageWorker::s_pfnBeginThread, &FailToBegin);
        CTopDialog& frame = fixture.Show(kProgressDialog);
        ASSERT_TRUE(PumpUntil([&] { return frame.m_eCurrentState == kEndDialog; }));
        EXPECT_EQ(1603, frame.GetResultCode());
    }
    {
        SCOPED_TRACE("an error escapes");
        RunFixture fixture;
        g_install = [](CProgressDialog&) -> UINT {
            throw OperationAborted("RunPagesWindowTest", __LINE__, L"Installation", L"%1 failed.");
        };
        CTopDialog& frame = fixture.Show(kProgressDialog);
        ASSERT_TRUE(PumpUntil([&] { return frame.m_eCurrentState == kEndDialog; }));
        EXPECT_EQ(1603, frame.GetResultCode());
        EXPECT_TRUE(PumpUntil([&] { return fixture.wizard.fatalErrorReports == 1; }));
        EXPECT_EQ(L"Installation Failed", std::wstring(fixture.Current<CEndDialog>()->GetResultText().GetString()));
    }
}

TEST(ProgressWindow, LinkedDistributionDisplayHidesAndShowsTheFrame)
{
    RunFixture fixture;
    static LRESULT s_announced;
    static DWORD s_thread, s_process;
    g_install = [](CProgressDialog& page) -> UINT {
        const HWND window = page.m_hWnd;
        Handle(page, INSTALLMESSAGE_INITIALIZE, L"");
        ::SendMessageW(window, WM_LINKED_INSTALL_START, 0, reinterpret_cast<LPARAM>(L"Velmo Linked Sample"));
        // The child's loader.
        ::SendMessageW(window, WM_LOAD_PROGRESS_RANGE, 0, 50);
        ::SendMessageW(window, WM_LOAD_PROGRESS_SETSTEP, 5, 0);
        for (int i = 0; i < 4; ++i)
            ::SendMessageW(window, WM_LOAD_PROGRESS_STEP, 0, 0);
        // While the child loads, the handler's action data moves nothing.
        EXPECT_EQ(1, Handle(page, INSTALLMESSAGE_ACTIONDATA, L"Please wait while the installer initializes..."));
        Checkpoint();
        ::SendMessageW(window, WM_LOAD_DONE, 0, 0);
        Checkpoint();
        s_announced = ::SendMessageW(
            window, WM_GET_RESPAWNED_IDS, reinterpret_cast<WPARAM>(&s_thread), reinterpret_cast<LPARAM>(&s_process));
        // The child never said that its wizard closed: the frame comes back all the same.
        ::SendMessageW(window, WM_LINKED_INSTALL_END, 0, 0);
        return ERROR_SUCCESS;
    };
    CProgressDialog* page = fixture.ShowRunning();
    ASSERT_NE(nullptr, page);
    CTopDialog& frame = fixture.Frame();
    EXPECT_FALSE(::IsWindowVisible(Item(page->m_hWnd, IDC_PROGRESS_LABEL)));
    EXPECT_FALSE(::IsWindowVisible(page->GetOverallBar().m_hWnd));
    EXPECT_FALSE(::IsWindowVisible(Item(page->m_hWnd, IDC_PROGRESS_STATUS)));
    EXPECT_EQ(L"Initializing the Velmo Linked Sample distribution...", Text(Item(page->m_hWnd, IDC_PROGRESS_ACTION)));
    EXPECT_EQ(20, page->GetActionBar().GetPos());
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"progress-linked").empty());

    ::SetEvent(g_go);
    ASSERT_TRUE(ReachCheckpoint());
    EXPECT_FALSE(frame.IsWindowVisible());
    ::SendMessageW(frame.m_hWnd, ::RegisterWindowMessageW(L"ZKInstallerSpawn"), 77, 1234);
    ::SetEvent(g_go);
    ASSERT_TRUE(PumpUntil([&] { return frame.m_eCurrentState == kEndDialog; }));
    EXPECT_TRUE(frame.IsWindowVisible());
    EXPECT_EQ(1234, s_announced);
    EXPECT_EQ(77u, s_thread);
    EXPECT_EQ(1234u, s_process);
}

TEST(EndExecuteWindow, ShowsTheRunningExecuteAndMovesOnWhenThePassEnds)
{
    RunFixture fixture;
    fixture.services.app.disabledPages.insert(kProgressDialog);
    fixture.endRun.endExecutes = 1;
    fixture.endRun.launch = [](CWnd* page) {
        page->SendMessage(WM_EXECUTE_STATUS, 0, reinterpret_cast<LPARAM>(L"Velmo Registration Tool"));
        Checkpoint();
        page->SendMessage(WM_EXECUTES_DONE);
    };
    CTopDialog& frame = fixture.Show(kEndExecuteDialog, 0);
    CEndExecuteDialog* page = fixture.Current<CEndExecuteDialog>();
    ASSERT_NE(nullptr, page);
    ASSERT_TRUE(ReachCheckpoint());
    Pump(700);
    EXPECT_EQ(L"Currently executing Velmo Registration Tool.", Text(Item(page->m_hWnd, IDC_END_EXECUTE_TEXT)));
    EXPECT_GT(page->GetBar().GetPos(), 0);
    EXPECT_FALSE(Enabled(frame.m_hWnd, IDC_FRAME_NEXT));
    EXPECT_FALSE(Enabled(frame.m_hWnd, IDC_FRAME_BACK));
    EXPECT_TRUE(Enabled(frame.m_hWnd, IDCANCEL));
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"end-execute").empty());
    ::SetEvent(g_go);
    ASSERT_TRUE(PumpUntil([&] { return frame.m_eCurrentState == kEndDialog; }));
    EXPECT_EQ(std::vector<int>{1}, fixture.endRun.launches);
}

TEST(EndExecuteWindow, AWorkerThatFailsOrThatThePageOutlivesNeverHoldsThePage)
{
    {
        SCOPED_TRACE("an error escapes the worker");
        RunFixture fixture;
        fixture.services.app.disabledPages.insert(kProgressDialog);
        fixture.endRun.endExecutes = 1;
        fixture.endRun.launch = [](CWnd*) {
            throw OperationAborted("RunPagesWindowTest", __LINE__, L"End executes", L"%1 failed.");
        };
        CTopDialog& frame = fixture.Show(kEndExecuteDialog, 0);
        ASSERT_TRUE(PumpUntil([&] { return frame.m_eCurrentState == kEndDialog; }));
    }
    {
        SCOPED_TRACE("no thread");
        RunFixture fixture;
        fixture.services.app.disabledPages.insert(kProgressDialog);
        fixture.endRun.endExecutes = 1;
        ScopedOverride<decltype(CPageWorker::s_pfnBeginThread)> begin(CPageWorker::s_pfnBeginThread, &FailToBegin);
        CTopDialog& frame = fixture.Show(kEndExecuteDialog, 0);
        ASSERT_TRUE(PumpUntil([&] { return frame.m_eCurrentState == kEndDialog; }));
    }
    {
        SCOPED_TRACE("without end executes the page is passed over");
        RunFixture fixture;
        fixture.services.app.disabledPages.insert(kProgressDialog);
        CTopDialog& frame = fixture.Show(kEndExecuteDialog, 0);
        EXPECT_EQ(kEndDialog, frame.m_eCurrentState);
        EXPECT_TRUE(fixture.endRun.launches.empty());
    }
    {
        SCOPED_TRACE("Cancel while the worker runs");
        RunFixture fixture;
        fixture.services.app.disabledPages.insert(kProgressDialog);
        fixture.endRun.endExecutes = 1;
        static bool s_pageAliveAtEnd;
        s_pageAliveAtEnd = false;
        fixture.endRun.launch = [](CWnd* page) {
            Checkpoint();
            ::Sleep(300);
            // The page still exists while its worker ends.
            s_pageAliveAtEnd = ::IsWindow(page->m_hWnd) != FALSE;
            page->SendMessage(WM_EXECUTES_DONE);
        };
        CTopDialog& frame = fixture.Show(kEndExecuteDialog, 0);
        ASSERT_TRUE(ReachCheckpoint());
        frame.PostMessage(WM_COMMAND, IDCANCEL, 0);
        Pump(100);
        EXPECT_TRUE(frame.IsWizardEnded());
        ::SetEvent(g_go);
        // The frame goes at once: the page waits for its worker first.
        frame.DestroyWindow();
        EXPECT_TRUE(s_pageAliveAtEnd);
    }
}

HINSTANCE WINAPI RecordOpen(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, INT)
{
    std::lock_guard<std::mutex> lock(g_boxLock);
    g_boxes.push_back({std::wstring(verb) + L" " + file, 0});
    return reinterpret_cast<HINSTANCE>(42);
}

TEST(EndWindow, CompleteShowsReadmeButtonsAndCheckboxWithNextThenFinish)
{
    // A browser class name longer than the 50 bytes read is there all the same.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.html", 0, nullptr, 0,
                                 KEY_SET_VALUE, nullptr, &key, nullptr));
    const wchar_t longClass[] = L"VelmoTestBrowser.HypertextDocumentWithAVeryLongClassName";
    ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(longClass), sizeof(longClass));
    ::RegCloseKey(key);

    RunFixture fixture(kEndPageConfiguration);
    fixture.services.app.disabledPages.insert(kProgressDialog);
    ScopedOverride<decltype(CEndDialog::s_pfnShellExecuteW)> open(CEndDialog::s_pfnShellExecuteW, &RecordOpen);
    CTopDialog& frame = fixture.Show(kEndDialog, 3010);
    CEndDialog* end = fixture.Current<CEndDialog>();
    ASSERT_NE(nullptr, end);

    // A restart result is a success: no result text, the readme.
    EXPECT_TRUE(end->GetResultText().IsEmpty());
    ASSERT_NE(nullptr, end->GetResultControl());
    EXPECT_EQ(0u, Text(end->GetResultControl()->m_hWnd).find(L"Velmo Window Test Product has been installed."));

    // Three buttons without rectangles in a row from (30, 200), 15 pixels apart, each wide
    // enough for its text.
    const std::vector<HWND> buttons = end->GetButtonWindows();
    ASSERT_EQ(3u, buttons.size());
    RECT first = CEndDialog::kDefaultButtonRect;
    end->MapScaledDialogRect(first);
    RECT previous = {};
    for (size_t i = 0; i < buttons.size(); ++i) {
        RECT place = {};
        ::GetWindowRect(buttons[i], &place);
        ::MapWindowPoints(nullptr, end->m_hWnd, reinterpret_cast<POINT*>(&place), 2);
        if (i == 0) {
            EXPECT_EQ(first.left, place.left);
            EXPECT_EQ(first.top, place.top);
        } else {
            EXPECT_EQ(previous.right + CEndDialog::kButtonGap, place.left) << i;
            EXPECT_EQ(previous.top, place.top) << i;
        }
        EXPECT_TRUE(::IsWindowVisible(buttons[i]));
        previous = place;
    }
    EXPECT_EQ(L"Visit our &Web Site", Text(buttons[0]));

    // The document check box, ticked by default: Next mode.
    HWND checkbox = Item(end->m_hWnd, IDC_END_CHECKBOX);
    EXPECT_TRUE(::IsWindowVisible(checkbox));
    EXPECT_EQ(IEndPageCheckbox::kChecked, end->GetCheckboxState());
    EXPECT_TRUE(end->IsNextMode());
    EXPECT_TRUE(Enabled(frame.m_hWnd, IDC_FRAME_NEXT));
    EXPECT_FALSE(Enabled(frame.m_hWnd, IDCANCEL));
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"end-complete").empty());

    // A link button opens its target.
    ::SendMessageW(buttons[0], BM_CLICK, 0, 0);
    Pump(100);
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_EQ(L"open http://www.example.com/velmo", g_boxes[0].text);

    // Unticked: Finish mode, Cancel is the default button with the focus.
    ::SendMessageW(checkbox, BM_CLICK, 0, 0);
    Pump(100);
    EXPECT_FALSE(end->IsNextMode());
    EXPECT_FALSE(Enabled(frame.m_hWnd, IDC_FRAME_NEXT));
    EXPECT_TRUE(Enabled(frame.m_hWnd, IDCANCEL));
    EXPECT_EQ(L"&Finish", Text(Item(frame.m_hWnd, IDCANCEL)));
    EXPECT_EQ(Item(frame.m_hWnd, IDCANCEL), ::GetFocus());
    EXPECT_EQ(MAKELONG(IDCANCEL, DC_HASDEFID), static_cast<LONG>(frame.SendMessage(DM_GETDEFID)));
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"end-complete-finish").empty());

    // Ticked again and Next: the document opens and the wizard ends with the stored result.
    ::SendMessageW(checkbox, BM_CLICK, 0, 0);
    Pump(50);
    ASSERT_TRUE(end->IsNextMode());
    frame.PostMessage(WM_COMMAND, IDC_FRAME_NEXT, 0);
    Pump(100);
    EXPECT_TRUE(frame.IsWizardEnded());
    EXPECT_EQ(3010, frame.GetResultCode());
    ASSERT_EQ(2u, g_boxes.size());
    EXPECT_EQ(L"open C:\\release-notes.txt", g_boxes[1].text);
}

TEST(EndWindow, EndPageExecutesRunOnNextAndARestartFollows)
{
    RunFixture fixture;
    fixture.services.app.disabledPages.insert(kProgressDialog);
    fixture.services.app.rebootRequired = true;
    fixture.endRun.endPageExecutes = 1;
    static INT_PTR s_answer;
    static std::wstring s_caption;
    ScopedOverride<decltype(g_pfnRunRebootDialog)> reboot(g_pfnRunRebootDialog, [](const wchar_t* caption) {
        s_caption = caption;
        return s_answer;
    });
    const struct {
        INT_PTR answer;
        int result;
    } rows[] = {{CRebootDialog::kRestart, 1641}, {CRebootDialog::kShutDown, 1641}, {kRebootRefused, 3010},
        {CRebootDialog::kRestartLater, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.answer);
        s_answer = row.answer;
        fixture.endRun.launches.clear();
        CTopDialog& frame = fixture.Show(kEndDialog, 0);
        CEndDialog* end = fixture.Current<CEndDialog>();
        ASSERT_NE(nullptr, end);
        EXPECT_TRUE(end->IsNextMode());
        frame.PostMessage(WM_COMMAND, IDC_FRAME_NEXT, 0);
        Pump(100);
        EXPECT_TRUE(frame.IsWizardEnded());
        EXPECT_EQ(std::vector<int>{2}, fixture.endRun.launches);
        EXPECT_EQ(row.result, frame.GetResultCode());
        EXPECT_EQ(std::wstring(fixture.services.app.GetTitle().GetString()), s_caption);
    }
}

// The restart dialog, photographed and answered by a timer of its thread.
int g_restartButton = 0;
std::wstring g_restartShot;
VOID CALLBACK PressRestartButton(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = DialogOfThisThread();
    if (!dialog)
        return;
    ::KillTimer(nullptr, id);
    if (!g_restartShot.empty()) {
        EXPECT_FALSE(SaveScreenshot(dialog, g_restartShot).empty());
    }
    ::SendMessageW(Item(dialog, g_restartButton), BM_CLICK, 0, 0);
}

std::vector<UINT> g_shutdowns;
BOOL g_shutdownAnswer = TRUE;
BOOL WINAPI RecordShutdown(UINT flags, DWORD)
{
    g_shutdowns.push_back(flags);
    return g_shutdownAnswer;
}

TEST(RestartWindow, RestartShutDownAndLaterThroughTheShutdownSeam)
{
    CWinApp app;
    ScopedOverride<decltype(g_platformApi.ExitWindowsEx)> shutdown(g_platformApi.ExitWindowsEx, &RecordShutdown);
    const struct {
        int button;
        BOOL system;
        INT_PTR result;
        std::vector<UINT> calls;
        const wchar_t* screenshot;
    } rows[] = {
        {IDC_RESTART_NOW, TRUE, CRebootDialog::kRestart, {EWX_REBOOT}, L"restart-dialog"},
        {IDC_RESTART_SHUT_DOWN, TRUE, CRebootDialog::kShutDown, {EWX_SHUTDOWN}, L""},
        {IDC_RESTART_LATER, TRUE, CRebootDialog::kRestartLater, {}, L""},
        // The system refuses: the dialog still ends, and says so.
        {IDC_RESTART_NOW, FALSE, kRebootRefused, {EWX_REBOOT}, L""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        g_shutdowns.clear();
        g_shutdownAnswer = row.system;
        g_restartButton = row.button;
        g_restartShot = row.screenshot;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 300, &PressRestartButton);
        EXPECT_EQ(row.result, RunRebootDialog(L"Velmo Window Test Product"));
        ::KillTimer(nullptr, timer);
        EXPECT_EQ(row.calls, g_shutdowns);
    }
}

TEST(RestartWindow, FinishWithARefusedRestartEnds3010)
{
    RunFixture fixture;
    fixture.services.app.disabledPages.insert(kProgressDialog);
    fixture.services.app.rebootRequired = true;
    ScopedOverride<decltype(g_pfnRunRebootDialog)> reboot(
        g_pfnRunRebootDialog, [](const wchar_t*) -> INT_PTR { return kRebootRefused; });
    CTopDialog& frame = fixture.Show(kEndDialog, 0);
    ASSERT_NE(nullptr, fixture.Current<CEndDialog>());
    frame.PostMessage(WM_COMMAND, IDCANCEL, 0);
    Pump(100);
    EXPECT_TRUE(frame.IsWizardEnded());
    EXPECT_EQ(3010, frame.GetResultCode());
}

}  // namespace
