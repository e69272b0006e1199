// A worker thread that a page starts and must not outlive: the worker is started through
// VelmoBeginThread (an auto-deleting CVelmoWorkerThread), and the page keeps a handle of its
// own, so that it can still tell whether the worker runs, wait for it and, as a last resort,
// terminate it after the worker object has deleted itself.
#pragma once

#include <windows.h>

#include "UniqueHandle.h"
#include "VelmoThread.h"
#include "WinThread.h"

class CPageWorker {
public:
    // Starts `proc(param)` at normal priority; 0, or the system's error when the thread cannot
    // be created (the page then has no worker).
    DWORD Start(AFX_THREADPROC proc, void* param);

    bool IsStarted() const { return m_thread.IsValid(); }
    // Started and not ended.
    bool IsRunning() const;
    // Waits at most `limitMs` for the worker to end, dispatching this thread's messages
    // meanwhile (a worker may send to this thread's windows); true when no worker runs.
    bool WaitPumping(DWORD limitMs) const;
    // Terminates a worker that still runs with `exitCode`; true when one was terminated.
    bool Terminate(DWORD exitCode);

    // Seam: the thread's creation (VelmoBeginThread).
    static CVelmoWorkerThread* (*s_pfnBeginThread)(
        AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize, DWORD flags, LPSECURITY_ATTRIBUTES security);

private:
    OrbelToolbox::UniqueKernelHandle m_thread;
};

// Waits at most `limitMs` for `handle`, dispatching the calling thread's messages meanwhile; a
// WM_QUIT taken from the queue is posted again before returning. True when the handle was
// signalled.
bool WaitForHandlePumping(HANDLE handle, DWORD limitMs);
