#include "WinThread.h"

#include <process.h>

#include <atomic>

#include "AfxThreadState.h"

namespace {

std::atomic<AfxExceptionHook> g_exceptionHook{nullptr};

}  // namespace

void AfxSetExceptionHook(AfxExceptionHook hook)
{
    g_exceptionHook.store(hook);
}

AfxExceptionHook AfxGetExceptionHook()
{
    return g_exceptionHook.load();
}

CWinThread::CWinThread() noexcept : m_hThread(nullptr), m_nThreadID(0), m_bAutoDelete(TRUE), m_nQuitCode(0) { }

CWinThread::~CWinThread()
{
    if (m_hThread) {
        ::CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
}

BOOL CWinThread::InitInstance()
{
    return FALSE;
}

int CWinThread::Run()
{
    MSG msg;
    for (;;) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            m_nQuitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (got == -1) {
            break;  // invalid arguments: nothing more can be received
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return ExitInstance();
}

int CWinThread::ExitInstance()
{
    return m_nQuitCode;
}

BOOL CWinThread::CreateThread(DWORD flags, UINT stackSize, LPSECURITY_ATTRIBUTES security)
{
    // Always start suspended: with m_bAutoDelete the object may be gone as soon as the thread
    // runs, so the handle and id are stored first.
    unsigned id = 0;
    uintptr_t handle
        = ::_beginthreadex(security, stackSize, &CWinThread::ThreadEntry, this, flags | CREATE_SUSPENDED, &id);
    if (handle == 0) {
        return FALSE;
    }
    m_hThread = reinterpret_cast<HANDLE>(handle);
    m_nThreadID = id;
    if (!(flags & CREATE_SUSPENDED)) {
        ::ResumeThread(m_hThread);
    }
    return TRUE;
}

DWORD CWinThread::ResumeThread()
{
    return ::ResumeThread(m_hThread);
}

BOOL CWinThread::SetThreadPriority(int priority)
{
    return ::SetThreadPriority(m_hThread, priority);
}

int CWinThread::RunThreadBody() noexcept
{
    try {
        if (!InitInstance()) {
            return ExitInstance();
        }
        return Run();
    } catch (...) {
        if (AfxExceptionHook hook = AfxGetExceptionHook()) {
            try {
                hook(std::current_exception());
            } catch (...) {
                // The hook's own failure changes nothing: the thread still ends with -1.
            }
        }
        return -1;
    }
}

unsigned __stdcall CWinThread::ThreadEntry(void* param)
{
    auto* thread = static_cast<CWinThread*>(param);
    int code = thread->RunThreadBody();
    AfxTermThreadState();
    if (thread->m_bAutoDelete) {
        delete thread;
    }
    return static_cast<unsigned>(code);
}
