// The loader's progress protocol (posted messages, the thread timer's budget and growth) and
// the cancellation of a load through the main thread's pump.
#include <gtest/gtest.h>

#include <list>
#include <map>
#include <vector>

#include "Distribution.h"
#include "PrivateMessages.h"
#include "ScopedOverride.h"
#include "VelmoInstaller.h"
#include "VelmoThread.h"

namespace {

// A message-only window that receives the progress messages, and the application's progress
// state put back after each test.
class ProgressWindow {
public:
    ~ProgressWindow()
    {
        theApp.EnableLoadTimer(false);
        DestroyWindow(m_window);
    }

    // The messages posted since the last call, in order, as (message, wParam, lParam).
    struct Posted {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Posted> Take()
    {
        std::vector<Posted> posted;
        MSG msg;
        while (PeekMessageW(&msg, m_window, 0, 0, PM_REMOVE))
            posted.push_back({msg.message, msg.wParam, msg.lParam});
        return posted;
    }
    static size_t Count(const std::vector<Posted>& posted, UINT message)
    {
        size_t n = 0;
        for (const Posted& p : posted)
            n += p.message == message;
        return n;
    }

private:
    HWND m_window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ScopedOverride<HWND> m_progressWindow{theApp.m_hProgressWnd, m_window};
};

void Tick(int times)
{
    const UINT_PTR id = FindLoadTimer(&theApp);
    for (int i = 0; i < times; ++i)
        CVelmoInstallerApp::LoadProgressTimerProc(nullptr, WM_TIMER, id, 0);
}

TEST(LoadProgress, TimerStepsShrinkAsThePhaseGoesOn)
{
    const std::map<int, int> expected = {{1, 4}, {40, 4}, {41, 3}, {65, 3}, {66, 2}, {97, 2}, {98, 1}, {500, 1}};
    for (const auto& entry : expected)
        EXPECT_EQ(entry.second, LoadTimerSteps(entry.first)) << "tick " << entry.first;
    int total = 0;
    int tick = 0;
    while (total < 350)
        total += LoadTimerSteps(++tick);
    EXPECT_EQ(148, tick);
}

TEST(LoadProgress, ResetStepsAndDone)
{
    ProgressWindow window;
    CVelmoInstallerApp::LoadProgressCallback(&theApp, 0);
    CVelmoInstallerApp::LoadProgressCallback(&theApp, 1);
    CVelmoInstallerApp::LoadProgressCallback(&theApp, 5);
    CVelmoInstallerApp::LoadProgressCallback(&theApp, 9);  // unknown: nothing
    const auto posted = window.Take();
    ASSERT_EQ(4u, posted.size());
    EXPECT_EQ(WM_LOAD_PROGRESS_RANGE, posted[0].message);
    EXPECT_EQ(0, static_cast<int>(posted[0].wParam));
    // No part records: the range is the budget and its margin alone.
    EXPECT_EQ(353, static_cast<int>(posted[0].lParam));
    EXPECT_EQ(WM_LOAD_PROGRESS_SETSTEP, posted[1].message);
    EXPECT_EQ(1, static_cast<int>(posted[1].wParam));
    EXPECT_EQ(WM_LOAD_PROGRESS_STEP, posted[2].message);
    EXPECT_EQ(WM_LOAD_DONE, posted[3].message);
}

TEST(LoadProgress, ShortPhaseSpendsTheRestOfItsBudgetAtItsEnd)
{
    ProgressWindow window;
    CVelmoInstallerApp::LoadProgressCallback(&theApp, 4);
    ASSERT_NE(0u, FindLoadTimer(&theApp));
    Tick(10);
    auto posted = window.Take();
    EXPECT_EQ(40u, ProgressWindow::Count(posted, WM_LOAD_PROGRESS_STEP));
    CVelmoInstallerApp::LoadProgressCallback(&theApp, 3);
    posted = window.Take();
    EXPECT_EQ(310u, ProgressWindow::Count(posted, WM_LOAD_PROGRESS_STEP));
    EXPECT_EQ(0u, ProgressWindow::Count(posted, WM_LOAD_PROGRESS_RANGE));
    EXPECT_EQ(0u, FindLoadTimer(&theApp));
}

TEST(LoadProgress, LongPhaseGrowsTheRangeOncePastItsBudget)
{
    ProgressWindow window;
    CVelmoInstallerApp::LoadProgressCallback(&theApp, 0);
    window.Take();
    CVelmoInstallerApp::LoadProgressCallback(&theApp, 4);
    Tick(148);
    auto posted = window.Take();
    EXPECT_EQ(350u, ProgressWindow::Count(posted, WM_LOAD_PROGRESS_STEP));
    EXPECT_EQ(0u, ProgressWindow::Count(posted, WM_LOAD_PROGRESS_RANGE));
    Tick(2);
    posted = window.Take();
    ASSERT_EQ(4u, posted.size());
    EXPECT_EQ(WM_LOAD_PROGRESS_RANGE, posted[0].message);
    EXPECT_EQ(354, static_cast<int>(posted[0].lParam));
    EXPECT_EQ(WM_LOAD_PROGRESS_STEP, posted[1].message);
    EXPECT_EQ(355, static_cast<int>(posted[2].lParam));
    CVelmoInstallerApp::LoadProgressCallback(&theApp, 3);
    EXPECT_TRUE(window.Take().empty());
}

TEST(LoadProgress, WithoutProgressWindowNothingHappens)
{
    ASSERT_EQ(nullptr, theApp.m_hProgressWnd);
    CVelmoInstallerApp::LoadProgressCallback(&theApp, 4);
    EXPECT_EQ(0u, FindLoadTimer(&theApp));
}

// The application's exit code, instance objects and model for one test.
class CancelState {
public:
    ~CancelState()
    {
        if (theApp.m_hMutex)
            CloseHandle(theApp.m_hMutex);
        if (theApp.m_hExitEvent)
            CloseHandle(theApp.m_hExitEvent);
    }
    CDistribution m_distribution;

private:
    ScopedOverride<CDistribution*> m_model{theApp.m_pDistribution, &m_distribution};
    ScopedOverride<HANDLE> m_mutex{theApp.m_hMutex, CreateMutexW(nullptr, TRUE, nullptr)};
    ScopedOverride<HANDLE> m_exitEvent{theApp.m_hExitEvent, CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    ScopedOverride<int> m_exitCode{theApp.m_nExitCode, -1};
};

HANDLE g_release = nullptr;

UINT WaitForRelease(LPVOID)
{
    WaitForSingleObject(g_release, 10000);
    return 0;
}

TEST(LoadCancel, MastersCancelWhileTheLoaderRuns)
{
    CancelState state;
    g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CVelmoWorkerThread* loader
        = VelmoBeginThread(&WaitForRelease, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, loader);
    loader->m_bAutoDelete = FALSE;
    loader->ResumeThread();
    theApp.m_pLoaderThread = loader;

    PostThreadMessageW(GetCurrentThreadId(), WM_CANCEL_LOAD, 0, 0);
    int code = 0;
    EXPECT_EQ(1u, theApp.PumpUntilSignalled(&loader->m_hThread, 1, code));
    EXPECT_EQ(1602, code);
    EXPECT_EQ(1602, theApp.m_nExitCode);
    EXPECT_TRUE(state.m_distribution.IsAborted());
    // Released at once, so that another installer may start.
    EXPECT_EQ(nullptr, theApp.m_hMutex);
    EXPECT_EQ(nullptr, theApp.m_hExitEvent);

    SetEvent(g_release);
    WaitForSingleObject(loader->m_hThread, 10000);
    theApp.m_pLoaderThread = nullptr;
    delete loader;
    CloseHandle(g_release);
}

TEST(LoadCancel, QuitAfterTheLoaderEndedReleasesNothing)
{
    CancelState state;
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    PostQuitMessage(7);
    int code = 0;
    EXPECT_EQ(1u, theApp.PumpUntilSignalled(&never, 1, code));
    EXPECT_EQ(7, code);
    EXPECT_EQ(1602, theApp.m_nExitCode);
    EXPECT_FALSE(state.m_distribution.IsAborted());
    EXPECT_NE(nullptr, theApp.m_hMutex);
    CloseHandle(never);
}

void CALLBACK ReleaseLoader(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    SetEvent(g_release);
}

// At exit a loader left running by a cancelled load gets a bounded wait, during which the
// thread's messages are dispatched: a loader that ends within it (released here by a thread
// timer) is awaited and deleted; one that does not is left running with the models it uses.
// The exit goes on either way.
TEST(LoadCancel, ExitWaitsABoundedTimeForALoaderStillRunning)
{
    const DWORD bound = 1500;
    for (const bool endsInTime : {true, false}) {
        SCOPED_TRACE(endsInTime ? "the loader ends during the wait" : "the loader outlasts the wait");
        CancelState state;
        ScopedOverride<CConfigInfo*> config(theApp.m_pConfigInfo, nullptr);
        ScopedOverride<std::list<CString>> copies(theApp.m_tempFiles, std::list<CString>());
        ScopedOverride<bool> leftRunning(theApp.m_bLoaderLeftRunning, false);
        ScopedOverride<DWORD> wait(CVelmoInstallerApp::s_loaderExitWaitMs, bound);
        g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        CVelmoWorkerThread* loader
            = VelmoBeginThread(&WaitForRelease, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
        ASSERT_NE(nullptr, loader);
        loader->m_bAutoDelete = FALSE;
        HANDLE thread = nullptr;
        ASSERT_TRUE(DuplicateHandle(
            GetCurrentProcess(), loader->m_hThread, GetCurrentProcess(), &thread, SYNCHRONIZE, FALSE, 0));
        loader->ResumeThread();
        theApp.m_pLoaderThread = loader;
        const UINT_PTR timer = endsInTime ? SetTimer(nullptr, 0, 100, &ReleaseLoader) : 0;

        const DWORD start = GetTickCount();
        EXPECT_EQ(-1, theApp.ExitInstanceImpl());
        const DWORD waited = GetTickCount() - start;
        EXPECT_EQ(nullptr, theApp.m_hMutex);
        if (endsInTime) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));
            EXPECT_FALSE(theApp.m_bLoaderLeftRunning);
            EXPECT_EQ(nullptr, theApp.m_pLoaderThread);
            EXPECT_LT(waited, bound);
        } else {
            EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(thread, 0));
            EXPECT_TRUE(theApp.m_bLoaderLeftRunning);
            EXPECT_EQ(loader, theApp.m_pLoaderThread);
            EXPECT_GE(waited + 50, bound);  // the tick count's granularity
        }
        // Whatever the outcome, no loader outlives the test.
        if (timer)
            KillTimer(nullptr, timer);
        SetEvent(g_release);
        WaitForSingleObject(thread, 10000);
        delete theApp.m_pLoaderThread;
        theApp.m_pLoaderThread = nullptr;
        CloseHandle(thread);
        CloseHandle(g_release);
    }
}

TEST(LoadCancel, SignalledHandleEndsThePump)
{
    CancelState state;
    HANDLE handles[2] = {CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, TRUE, nullptr)};
    int code = -5;
    EXPECT_EQ(WAIT_OBJECT_0 + 1, theApp.PumpUntilSignalled(handles, 2, code));
    EXPECT_EQ(0, code);
    EXPECT_EQ(-1, theApp.m_nExitCode);
    CloseHandle(handles[0]);
    CloseHandle(handles[1]);
}

}  // namespace
