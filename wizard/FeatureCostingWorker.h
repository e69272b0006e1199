// The feature page's costing worker: one job at a time on a thread of its own commits the folder
// typed for the feature the user left, then costs the subtree of the newly selected feature and
// posts the result to the page (WM_FEATURE_INFO_STARTED, then WM_FEATURE_INFO_DONE with the
// signed count of 512-byte units; lParam of both is the job's number). A new job first aborts the running one through the
// process-wide costing-abort event and waits for it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "CString.h"
#include "UniqueHandle.h"
#include "VelmoThread.h"

class CFeature;

class FeatureCostingWorker {
public:
    // Reports to `page` (posted messages only).
    explicit FeatureCostingWorker(HWND page = nullptr);
    // Stops a running job.
    ~FeatureCostingWorker();
    FeatureCostingWorker(const FeatureCostingWorker&) = delete;
    FeatureCostingWorker& operator=(const FeatureCostingWorker&) = delete;

    void SetPage(HWND page) { m_page = page; }
    // Aborts and waits for a running job, then starts costing `feature`, first committing `path`
    // as the folder of `previous` (none when null). A thread that cannot start leaves the worker
    // idle and shows a cost of 0.
    void Start(CFeature* feature, CFeature* previous, const CString& path);
    // Aborts and waits for a running job; true when one was running.
    bool Stop();
    bool IsRunning() const;
    // Whether `job` (a message's lParam) is the job started last and not stopped since: a
    // message of an older job is stale.
    bool IsCurrentJob(LPARAM job) const { return static_cast<LONG>(job) == m_job; }

    // The job's body: 0, 995 when aborted, the installer's error, or -1.
    static UINT ThreadProc(LPVOID worker);

    // Seams: the thread's creation, the folder's commit and the subtree's cost.
    static CVelmoWorkerThread* (*s_pfnBeginThread)(
        AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize, DWORD flags, LPSECURITY_ATTRIBUTES security);
    static void (*s_pfnCommitFolder)(CFeature& feature, const wchar_t* path);
    static int64_t (*s_pfnComputeCost)(CFeature& feature);
    // Seam: the thread's last step while it holds the worker's lock as a job ends (nothing).
    static void (*s_pfnJobEndUnderLock)();

private:
    UINT RunJob();
    void Finish();
    void AbortAndWait(bool& wasRunning);

    HWND m_page;
    OrbelToolbox::UniqueKernelHandle m_done;  // manual reset; signalled while no job runs
    // Guards the test whether a job runs with the abort signal, and the thread's end of a job;
    // the thread signals m_done after leaving it, as its last touch of the worker.
    CRITICAL_SECTION m_lock;
    CFeature* m_feature;
    CFeature* m_previousFeature;
    CString m_path;
    LONG m_job;  // the number of the job started last; changed by every start and stop
};
