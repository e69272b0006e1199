// The loader: reads the parts and builds and initialises the distribution model, on the loader
// thread while the main thread pumps the wizard's messages, or inline in a quiet run. Its
// progress goes to a page of the wizard (possibly of a master installer) as posted messages; a
// 500 ms thread timer keeps the bar moving through the long initialisation.
#include "VelmoInstaller.h"

#include <map>

#include "BenchTimeline.h"
#include "Distribution.h"
#include "InstallerErrors.h"
#include "PlatformChecks.h"
#include "PrivateMessages.h"
#include "TopDialog.h"

std::map<UINT_PTR, CVelmoInstallerApp*> g_loadTimers;

namespace {

const char kSource[] = "VelmoInstaller";

// A timed phase advances the bar by this many counted steps before its range grows instead.
const int kLoadStepBudget = 350;
// The range of a new bar: the parts' share plus the budget and a few steps for the rest.
const int kRangeBase = 353;
const UINT kLoadTimerMs = 500;

enum LoadEvent {
    kEventReset = 0,
    kEventStep = 1,
    kEventCountedStep = 2,
    kEventPhaseEnd = 3,
    kEventPhaseStart = 4,
    kEventDone = 5,
};

}  // namespace

UINT CVelmoInstallerApp::LoaderThreadProc(LPVOID param)
{
    CVelmoInstallerApp* app = static_cast<CVelmoInstallerApp*>(param);
    if (app->m_bCoInitialize)
        CoInitializeExIfAvailable(nullptr, COINIT_MULTITHREADED);
    UINT result = 0;
    try {
        app->LoadPackage();
    } catch (const OperationAborted&) {
        result = ERROR_OPERATION_ABORTED;
    } catch (...) {
        app->EnableLoadTimer(false);
        throw;
    }
    if (app->m_bCoInitialize)
        CoUninitialize();
    return result;
}

int CVelmoInstallerApp::LoadPackage()
{
    m_pConfigInfo->Populate();
    BenchMark(L"parts-configuration");
    if (m_hProgressWnd)
        ResetLoadProgress();
    m_pDistribution->PopulateFromIniInfo(*m_pConfigInfo, &LoadProgressCallback, this);
    m_pDistribution->Initialize(&LoadProgressCallback, this);
    m_specFile.Apply(this);
    BenchMark(L"spec-file");
    if (m_pDistribution->IsAborted())
        throw OperationAborted(kSource, 521, L"CVelmoInstallerApp::LoadPackage", L"Initialization aborted.");
    return 0;
}

void CVelmoInstallerApp::ResetLoadProgress()
{
    m_nProgressLow = 0;
    m_nProgressRange = static_cast<int>(m_pConfigInfo->GetPartInfoCount() / 10) + kRangeBase;
    PostMessageW(m_hProgressWnd, WM_LOAD_PROGRESS_RANGE, m_nProgressLow, m_nProgressRange);
    PostMessageW(m_hProgressWnd, WM_LOAD_PROGRESS_SETSTEP, 1, 0);
}

void CVelmoInstallerApp::CountedLoadStep()
{
    if (++m_nLoadSteps > kLoadStepBudget) {
        ++m_nProgressRange;
        PostMessageW(m_hProgressWnd, WM_LOAD_PROGRESS_RANGE, m_nProgressLow, m_nProgressRange);
    }
    PostMessageW(m_hProgressWnd, WM_LOAD_PROGRESS_STEP, 0, 0);
}

void CVelmoInstallerApp::LoadProgressCallback(void* context, int event)
{
    BenchMark(L"progress", event);
    CVelmoInstallerApp* app = static_cast<CVelmoInstallerApp*>(context);
    if (!app->m_hProgressWnd)
        return;
    switch (event) {
    case kEventReset:
        app->ResetLoadProgress();
        break;
    case kEventStep:
        PostMessageW(app->m_hProgressWnd, WM_LOAD_PROGRESS_STEP, 0, 0);
        break;
    case kEventCountedStep:
        app->CountedLoadStep();
        break;
    case kEventPhaseEnd:
        // The rest of the phase's budget in single steps.
        for (; app->m_nLoadSteps < kLoadStepBudget; ++app->m_nLoadSteps)
            PostMessageW(app->m_hProgressWnd, WM_LOAD_PROGRESS_STEP, 0, 0);
        app->EnableLoadTimer(false);
        break;
    case kEventPhaseStart:
        app->m_nTimerTicks = 0;
        app->m_nLoadSteps = 0;
        app->EnableLoadTimer(true);
        break;
    case kEventDone:
        PostMessageW(app->m_hProgressWnd, WM_LOAD_DONE, 0,
            reinterpret_cast<LPARAM>(app->m_pTopDialog ? app->m_pTopDialog->GetSafeHwnd() : nullptr));
        break;
    default:
        break;
    }
}

int LoadTimerSteps(int tick)
{
    const int square = tick * tick;
    const int steps = static_cast<int>(500.0 / (square / 64.0 + 100.0));
    return steps > 0 ? steps : 1;
}

void CALLBACK CVelmoInstallerApp::LoadProgressTimerProc(HWND, UINT, UINT_PTR id, DWORD)
{
    // Called by the system: nothing may escape.
    try {
        auto found = g_loadTimers.find(id);
        if (found == g_loadTimers.end() || !found->second)
            return;
        CVelmoInstallerApp* app = found->second;
        const int steps = LoadTimerSteps(++app->m_nTimerTicks);
        for (int i = 0; i < steps; ++i) {
            if (app->m_hProgressWnd)
                app->CountedLoadStep();
        }
    } catch (...) {
    }
}

UINT_PTR FindLoadTimer(const CVelmoInstallerApp* app)
{
    for (const auto& entry : g_loadTimers) {
        if (entry.second == app)
            return entry.first;
    }
    return 0;
}

void CVelmoInstallerApp::EnableLoadTimer(bool start)
{
    const UINT_PTR id = FindLoadTimer(this);
    if (start) {
        if (id != 0)
            return;
        UINT_PTR newId = SetTimer(nullptr, 0, kLoadTimerMs, &LoadProgressTimerProc);
        if (newId != 0)
            g_loadTimers[newId] = this;
    } else if (id != 0) {
        KillTimer(nullptr, id);
        g_loadTimers.erase(id);
    }
}

DWORD CVelmoInstallerApp::PumpUntilSignalled(const HANDLE* handles, DWORD count, int& code)
{
    code = 0;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_CANCEL_LOAD || msg.message == WM_QUIT) {
                CancelLoading();
                code = msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : ERROR_INSTALL_USEREXIT;
                return count;
            }
            // The frame's pre-translation, reached through the message's window and its parents
            // (a page's own filter first).
            if (!m_pTopDialog || !CWnd::WalkPreTranslateTree(m_pTopDialog->GetSafeHwnd(), &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        DWORD result = MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_ALLINPUT & 0xFF);
        if (result != WAIT_OBJECT_0 + count)
            return result;
    }
}

bool CVelmoInstallerApp::IsLoaderRunning() const
{
    return m_pLoaderThread && m_pLoaderThread->m_hThread
        && WaitForSingleObject(m_pLoaderThread->m_hThread, 0) == WAIT_TIMEOUT;
}

void CVelmoInstallerApp::CancelLoading()
{
    if (IsLoaderRunning()) {
        m_pDistribution->Abort();
        // Another installer may start while this one winds down.
        ReleaseInstanceObjects();
    }
    m_nExitCode = ERROR_INSTALL_USEREXIT;
}
