#include "PageWorker.h"

CVelmoWorkerThread* (*CPageWorker::s_pfnBeginThread)(AFX_THREADPROC, LPVOID, int, UINT, DWORD,
    LPSECURITY_ATTRIBUTES) = &VelmoBeginThread;

DWORD CPageWorker::Start(AFX_THREADPROC proc, void* param)
{
    m_thread.Reset();
    // Suspended until the page holds its own handle: the worker object deletes itself (and
    // closes its handle) as soon as the thread ends.
    CVelmoWorkerThread* worker = s_pfnBeginThread(proc, param, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr);
    if (!worker) {
        const DWORD error = ::GetLastError();
        return error != 0 ? error : ERROR_NOT_ENOUGH_MEMORY;
    }
    HANDLE own = nullptr;
    const HANDLE process = ::GetCurrentProcess();
    if (!::DuplicateHandle(process, worker->m_hThread, process, &own, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        const DWORD error = ::GetLastError();
        // Never run: nothing deletes the object but us.
        ::TerminateThread(worker->m_hThread, static_cast<DWORD>(-1));
        ::WaitForSingleObject(worker->m_hThread, INFINITE);
        delete worker;
        return error;
    }
    m_thread.Reset(own);
    worker->ResumeThread();
    return 0;
}

bool CPageWorker::IsRunning() const
{
    return m_thread.IsValid() && ::WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT;
}

bool CPageWorker::WaitPumping(DWORD limitMs) const
{
    return !IsRunning() || WaitForHandlePumping(m_thread.Get(), limitMs);
}

bool CPageWorker::Terminate(DWORD exitCode)
{
    if (!IsRunning())
        return false;
    return ::TerminateThread(m_thread.Get(), exitCode) != FALSE;
}

bool WaitForHandlePumping(HANDLE handle, DWORD limitMs)
{
    const DWORD start = ::GetTickCount();
    bool quit = false;
    WPARAM quitCode = 0;
    bool signalled = false;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= limitMs) {
            signalled = ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
            break;
        }
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &handle, FALSE, limitMs - elapsed, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) {
            signalled = true;
            break;
        }
        if (woken != WAIT_OBJECT_0 + 1 && woken != WAIT_TIMEOUT)
            break;
    }
    if (quit)
        ::PostQuitMessage(static_cast<int>(quitCode));
    return signalled;
}
