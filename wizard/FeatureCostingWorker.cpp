#include "FeatureCostingWorker.h"

#include "ApplicationServices.h"
#include "Feature.h"
#include "InstallerErrors.h"
#include "MsiInstallerError.h"
#include "PrivateMessages.h"
#include "WindowsError.h"

namespace {

// The exit codes of a job that did not end normally.
const UINT kAbortedExitCode = ERROR_OPERATION_ABORTED;
const UINT kFailedExitCode = static_cast<UINT>(-1);

void CommitFolder(CFeature& feature, const wchar_t* path)
{
    feature.SetDirectoryValue(path);
}

int64_t ComputeCost(CFeature& feature)
{
    return feature.ComputeSubtreeCost(false);
}

void NothingAtJobEnd() { }

class Lock {
public:
    explicit Lock(CRITICAL_SECTION& section) : m_section(section) { ::EnterCriticalSection(&m_section); }
    ~Lock() { ::LeaveCriticalSection(&m_section); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

}  // namespace

CVelmoWorkerThread* (*FeatureCostingWorker::s_pfnBeginThread)(AFX_THREADPROC, LPVOID, int, UINT, DWORD,
    LPSECURITY_ATTRIBUTES) = &VelmoBeginThread;
void (*FeatureCostingWorker::s_pfnCommitFolder)(CFeature&, const wchar_t*) = &CommitFolder;
int64_t (*FeatureCostingWorker::s_pfnComputeCost)(CFeature&) = &ComputeCost;
void (*FeatureCostingWorker::s_pfnJobEndUnderLock)() = &NothingAtJobEnd;

FeatureCostingWorker::FeatureCostingWorker(HWND page)
    : m_page(page), m_done(::CreateEventW(nullptr, TRUE, TRUE, nullptr)), m_feature(nullptr),
      m_previousFeature(nullptr), m_job(0)
{
    if (!m_done)
        throw WindowsError(::GetLastError(), L"CreateEventW (feature costing)");
    ::InitializeCriticalSection(&m_lock);
}

FeatureCostingWorker::~FeatureCostingWorker()
{
    Stop();
    ::DeleteCriticalSection(&m_lock);
}

bool FeatureCostingWorker::IsRunning() const
{
    return ::WaitForSingleObject(m_done.Get(), 0) != WAIT_OBJECT_0;
}

void FeatureCostingWorker::AbortAndWait(bool& wasRunning)
{
    {
        Lock lock(m_lock);
        wasRunning = IsRunning();
        if (wasRunning)
            CFeature::SignalAbort();
    }
    ::WaitForSingleObject(m_done.Get(), INFINITE);
}

void FeatureCostingWorker::Start(CFeature* feature, CFeature* previous, const CString& path)
{
    bool wasRunning = false;
    AbortAndWait(wasRunning);
    ::ResetEvent(m_done.Get());
    m_feature = feature;
    m_previousFeature = previous;
    m_path = path;
    const LPARAM job = ++m_job;
    if (!s_pfnBeginThread(&FeatureCostingWorker::ThreadProc, this, THREAD_PRIORITY_NORMAL, 0, 0, nullptr)) {
        // No thread will ever signal the end of this job.
        const DWORD error = ::GetLastError();
        AppServices().GetLogStream(kLogError, 0)
            << L"ERROR! The feature costing thread could not be started (error " << error << L")." << std::endl;
        Finish();
        if (m_page)
            ::PostMessageW(m_page, WM_FEATURE_INFO_DONE, 0, job);
    }
}

bool FeatureCostingWorker::Stop()
{
    bool wasRunning = false;
    AbortAndWait(wasRunning);
    ++m_job;
    return wasRunning;
}

void FeatureCostingWorker::Finish()
{
    {
        Lock lock(m_lock);
        m_feature = nullptr;
        s_pfnJobEndUnderLock();
    }
    // Signalled only after the lock is left: the destructor waits for this signal and then
    // deletes the lock, and nothing here may touch the worker after it.
    ::SetEvent(m_done.Get());
}

UINT FeatureCostingWorker::ThreadProc(LPVOID param)
{
    auto* worker = static_cast<FeatureCostingWorker*>(param);
    UINT exitCode = kFailedExitCode;
    try {
        exitCode = worker->RunJob();
    } catch (...) {
        // RunJob reports its own failures; nothing may leave the thread.
    }
    worker->Finish();
    return exitCode;
}

UINT FeatureCostingWorker::RunJob()
{
    const LPARAM job = m_job;
    const auto done = [this, job](int64_t units) {
        if (m_page)
            ::PostMessageW(m_page, WM_FEATURE_INFO_DONE, static_cast<WPARAM>(units), job);
    };
    try {
        if (m_page)
            ::PostMessageW(m_page, WM_FEATURE_INFO_STARTED, 0, job);
        if (m_previousFeature)
            s_pfnCommitFolder(*m_previousFeature, m_path.GetString());
        done(s_pfnComputeCost(*m_feature));
        return 0;
    } catch (const OperationAborted&) {
        return kAbortedExitCode;
    } catch (const MsiInstallerError& error) {
        AppServices().GetLogStream(kLogError, 0)
            << L"ERROR! Feature costing failed with Windows Installer error " << error.GetCode() << L"." << std::endl;
        done(0);
        return error.GetCode();
    } catch (...) {
        AppServices().GetLogStream(kLogError, 0) << L"ERROR! Feature costing failed." << std::endl;
        done(0);
        return kFailedExitCode;
    }
}
