// Threads of setup and their exception barriers.
//
// No exception may leave a thread. `TVelmoThread` wraps the class library's application and
// thread classes: its `InitInstance` runs `InitInstanceImpl` inside a barrier that catches
// everything, reports it once through ReportFatalError and turns it into the exit code kept in
// `m_nExitCode`. The application object derives from TVelmoThread<CWinApp>; every worker is a
// CVelmoWorkerThread started through VelmoBeginThread.
#pragma once

#include <windows.h>

#include "WinApp.h"
#include "WinThread.h"

// The barrier of every thread's start-up: calls `body(context)` and returns its result. An
// escaping error is reported and its exit code stored in `exitCode` (an error of a type the
// barrier does not know leaves `exitCode` as it was); the result is then FALSE.
BOOL VelmoThreadBarrier(BOOL (*body)(void* context), void* context, int& exitCode);

// The last resort of every thread of the process: a structured exception that no handler takes
// (a fault inside system code, which the per-thread translation leaves alone) is reported and
// logged as the barrier reports a structured exception, and the process ends with the
// exception's code. An exception that reaches the class library's own catch-alls (its generic
// window procedure, a thread entry) is reported by the barrier's rows. The application arms both
// at the start of its run; arming again does nothing.
void ArmUnhandledExceptionReport();

template <class Base> class TVelmoThread : public Base {
public:
    ~TVelmoThread() override { }

    // The barrier around InitInstanceImpl.
    BOOL InitInstance() override { return VelmoThreadBarrier(&CallInitInstanceImpl, this, m_nExitCode); }

    // Runs RunImpl; an escaping exception gives -1. Reports nothing.
    int Run() override
    {
        try {
            m_nExitCode = RunImpl();
        } catch (...) {
            m_nExitCode = -1;
        }
        return m_nExitCode;
    }

    int ExitInstance() override { return ExitInstanceImpl(); }

    virtual BOOL InitInstanceImpl() { return TRUE; }
    virtual int RunImpl() { return Base::Run(); }
    virtual int ExitInstanceImpl() { return m_nExitCode; }

    // The exit code the thread keeps.
    int m_nExitCode;

private:
    static BOOL CallInitInstanceImpl(void* self) { return static_cast<TVelmoThread*>(self)->InitInstanceImpl(); }
};

// A worker thread: arms the structured-exception translation, takes its creator's thread
// locale, runs its function and ends with the function's result as its exit code.
class CVelmoWorkerThread : public TVelmoThread<CWinThread> {
public:
    CVelmoWorkerThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
    ~CVelmoWorkerThread() override;

    BOOL InitInstanceImpl() override;

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pParam;
    LCID m_lcid;
};

// Creates and starts a worker (suspended when `dwCreateFlags` holds CREATE_SUSPENDED). The
// object deletes itself when the thread ends unless the caller clears m_bAutoDelete (start it
// suspended for that). Returns null when the thread cannot be created.
CVelmoWorkerThread* VelmoBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam,
    int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0, DWORD dwCreateFlags = 0,
    LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
