// The feature page's costing worker: the folder of the feature left committed before the new
// one is costed, a job aborted by the next start without a result, failures shown as a cost of
// 0, a thread that cannot start leaving the worker usable, and a worker destroyed as its job
// ends outliving its thread's last use of the lock.
#include <gtest/gtest.h>

#include <windows.h>

#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "FeatureCostingWorker.h"
#include "HandBuiltFeatures.h"
#include "InstallerErrors.h"
#include "ModelTestSupport.h"
#include "MsiInstallerError.h"
#include "PrivateMessages.h"
#include "ScopedOverride.h"

using featuretest::Tree;

namespace {

struct Posted {
    UINT message;
    int64_t units;
    LPARAM job;
};
std::vector<Posted> g_posted;

LRESULT CALLBACK RecordProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_FEATURE_INFO_STARTED || message == WM_FEATURE_INFO_DONE) {
        g_posted.push_back({message, static_cast<int64_t>(static_cast<INT_PTR>(wParam)), lParam});
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// Waits until the worker's job has ended by itself.
void WaitIdle(const FeatureCostingWorker& worker)
{
    for (int i = 0; i < 1000 && worker.IsRunning(); ++i)
        ::Sleep(10);
    EXPECT_FALSE(worker.IsRunning());
}

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&msg);
}

std::vector<std::pair<CFeature*, std::wstring>> g_commits;
void RecordCommit(CFeature& feature, const wchar_t* path)
{
    g_commits.emplace_back(&feature, path);
}

// Costs by the feature's name: "Slow" waits for the abort, "Fails" and "Breaks" fail.
HANDLE g_slowEntered = nullptr;
int64_t FakeCost(CFeature& feature)
{
    const std::wstring name = feature.GetName().GetString();
    if (name == L"Slow") {
        ::ResetEvent(CFeature::GetCostingAbortEvent());
        ::SetEvent(g_slowEntered);
        if (::WaitForSingleObject(CFeature::GetCostingAbortEvent(), 10000) == WAIT_OBJECT_0)
            throw OperationAborted(__FILE__, __LINE__, L"Feature Costing");
        return 1;
    }
    if (name == L"Fails")
        throw MsiInstallerError(ERROR_INSTALL_FAILURE, nullptr, L"costing");
    if (name == L"Breaks")
        throw std::runtime_error("broken");
    return name == L"Frees" ? -6 : 3;
}

// The end of a job held open under the worker's lock: waits a while for the test to destroy the
// worker and records whether it did meanwhile.
const DWORD kJobEndHoldMs = 500;
HANDLE g_workerDestroyed = nullptr;
HANDLE g_jobEndHeld = nullptr;
bool g_destroyedUnderLock = false;
void HoldJobEnd()
{
    g_destroyedUnderLock = ::WaitForSingleObject(g_workerDestroyed, kJobEndHoldMs) == WAIT_OBJECT_0;
    ::SetEvent(g_jobEndHeld);
}

CVelmoWorkerThread* NoThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD, LPSECURITY_ATTRIBUTES)
{
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

class FeatureCostingWorkerTest : public ::testing::Test {
protected:
    FeatureCostingWorkerTest()
    {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &RecordProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"CostingWorkerTest";
        ::RegisterClassW(&windowClass);
        m_window = ::CreateWindowW(L"CostingWorkerTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
            ::GetModuleHandleW(nullptr), nullptr);
        g_posted.clear();
        g_commits.clear();
        g_slowEntered = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        g_workerDestroyed = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        g_jobEndHeld = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        for (const wchar_t* name : {L"Left", L"New", L"Slow", L"Fails", L"Breaks", L"Frees"})
            m_features.push_back(t.Add(name));
    }
    ~FeatureCostingWorkerTest() override
    {
        ::DestroyWindow(m_window);
        ::CloseHandle(g_slowEntered);
        ::CloseHandle(g_workerDestroyed);
        ::CloseHandle(g_jobEndHeld);
    }
    CFeature* F(const wchar_t* name) { return t[name]; }
    // The messages of the jobs, as "started" and the units of each result.
    std::string Results()
    {
        std::string text;
        for (const Posted& posted : g_posted)
            text += posted.message == WM_FEATURE_INFO_STARTED ? "started " : std::to_string(posted.units) + " ";
        return text;
    }

    modeltest::TestAppServices m_app;
    Tree t;
    std::vector<CFeature*> m_features;
    HWND m_window = nullptr;
    ScopedOverride<decltype(FeatureCostingWorker::s_pfnCommitFolder)> m_commit{
        FeatureCostingWorker::s_pfnCommitFolder, &RecordCommit};
    ScopedOverride<decltype(FeatureCostingWorker::s_pfnComputeCost)> m_cost{
        FeatureCostingWorker::s_pfnComputeCost, &FakeCost};
};

}  // namespace

TEST_F(FeatureCostingWorkerTest, CommitsTheFolderLeftThenCosts)
{
    FeatureCostingWorker worker(m_window);
    worker.Start(F(L"New"), F(L"Left"), L"C:\\Typed\\");
    WaitIdle(worker);
    Pump();
    ASSERT_EQ(1u, g_commits.size());
    EXPECT_EQ(F(L"Left"), g_commits[0].first);
    EXPECT_EQ(L"C:\\Typed\\", g_commits[0].second);
    EXPECT_EQ("started 3 ", Results());
    EXPECT_TRUE(worker.IsCurrentJob(g_posted.back().job));
    // Once stopped, a job's messages still queued are stale.
    EXPECT_FALSE(worker.Stop());
    EXPECT_FALSE(worker.IsCurrentJob(g_posted.back().job));
    // Space freed arrives as a signed count; no feature left: nothing committed.
    g_posted.clear();
    worker.Start(F(L"Frees"), nullptr, L"");
    WaitIdle(worker);
    Pump();
    EXPECT_EQ("started -6 ", Results());
    EXPECT_EQ(1u, g_commits.size());
}

// A new start aborts the running job, which reports nothing; the new job's result is current.
TEST_F(FeatureCostingWorkerTest, ANewStartAbortsTheRunningJob)
{
    FeatureCostingWorker worker(m_window);
    worker.Start(F(L"Slow"), nullptr, L"");
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(g_slowEntered, 10000));
    EXPECT_TRUE(worker.IsRunning());
    worker.Start(F(L"New"), nullptr, L"");
    WaitIdle(worker);
    Pump();
    EXPECT_EQ("started started 3 ", Results());

    g_posted.clear();
    ::ResetEvent(g_slowEntered);
    worker.Start(F(L"Slow"), nullptr, L"");
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(g_slowEntered, 10000));
    EXPECT_TRUE(worker.Stop());
    EXPECT_FALSE(worker.IsRunning());
    Pump();
    EXPECT_EQ("started ", Results());
}

// Failures show a cost of 0; a thread that cannot be created does too, and the worker stays
// usable (no wait on a job that never ran).
TEST_F(FeatureCostingWorkerTest, FailuresShowACostOfZero)
{
    FeatureCostingWorker worker(m_window);
    for (const wchar_t* name : {L"Fails", L"Breaks"}) {
        g_posted.clear();
        worker.Start(F(name), nullptr, L"");
        WaitIdle(worker);
        Pump();
        EXPECT_EQ("started 0 ", Results()) << std::string(name, name + wcslen(name));
    }
    {
        ScopedOverride<decltype(FeatureCostingWorker::s_pfnBeginThread)> noThread(
            FeatureCostingWorker::s_pfnBeginThread, &NoThread);
        g_posted.clear();
        worker.Start(F(L"New"), nullptr, L"");
        EXPECT_FALSE(worker.IsRunning());
        Pump();
        ASSERT_EQ("0 ", Results());
        EXPECT_TRUE(worker.IsCurrentJob(g_posted[0].job));
    }
    g_posted.clear();
    worker.Start(F(L"New"), nullptr, L"");
    WaitIdle(worker);
    Pump();
    EXPECT_EQ("started 3 ", Results());
}

// A worker destroyed while its job is running (the page closed as costing ends): the destructor
// aborts the job and returns only once the thread is done with the lock, which it then deletes.
TEST_F(FeatureCostingWorkerTest, DestroyedWhileAJobEndsOutlivesItsThreadsLastLock)
{
    ScopedOverride<decltype(FeatureCostingWorker::s_pfnJobEndUnderLock)> hold(
        FeatureCostingWorker::s_pfnJobEndUnderLock, &HoldJobEnd);
    // The worker's memory outlives the worker: a late use of its lock lands in memory still ours.
    static std::aligned_storage<sizeof(FeatureCostingWorker), alignof(FeatureCostingWorker)>::type storage;
    auto* worker = new (&storage) FeatureCostingWorker(m_window);
    worker->Start(F(L"Slow"), nullptr, L"");
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(g_slowEntered, 10000));
    worker->~FeatureCostingWorker();
    ::SetEvent(g_workerDestroyed);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(g_jobEndHeld, 10000));
    EXPECT_FALSE(g_destroyedUnderLock) << "the worker was destroyed while its thread held the lock";
    Pump();
    EXPECT_EQ("started ", Results());
}
