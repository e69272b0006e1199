// CWinThread: a thread with an object. The thread runs InitInstance; FALSE ends it with
// ExitInstance's result as exit code, TRUE runs Run (a message loop that ends with
// ExitInstance). No exception leaves the thread: the entry catches everything, hands it to the
// application's exception hook and ends the thread with -1.
#pragma once

#include <windows.h>

#include <exception>

// Thread function type of the program's thread starter.
typedef UINT (*AFX_THREADPROC)(LPVOID);

// Receives every exception that reached the catch-all of a thread entry (or of AfxWinMain).
using AfxExceptionHook = void (*)(std::exception_ptr);
void AfxSetExceptionHook(AfxExceptionHook hook);
AfxExceptionHook AfxGetExceptionHook();

class CWinThread {
public:
    CWinThread() noexcept;
    // Closes m_hThread.
    virtual ~CWinThread();

    // Default: FALSE (a thread object does nothing unless a derived class says so).
    virtual BOOL InitInstance();
    // Dispatches the thread's messages until WM_QUIT, then returns ExitInstance().
    virtual int Run();
    // Default: the WM_QUIT code that ended Run, else 0.
    virtual int ExitInstance();

    // Starts the thread. With CREATE_SUSPENDED in `flags` it stays suspended until
    // ResumeThread. FALSE when the thread could not be created.
    BOOL CreateThread(DWORD flags = 0, UINT stackSize = 0, LPSECURITY_ATTRIBUTES security = nullptr);
    DWORD ResumeThread();
    BOOL SetThreadPriority(int priority);

    HANDLE m_hThread;
    DWORD m_nThreadID;
    // TRUE: the object is deleted when its thread ends. FALSE: its creator deletes it.
    BOOL m_bAutoDelete;

    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

protected:
    // The body of a thread: InitInstance, then ExitInstance or Run; every exception is passed
    // to the hook and gives -1.
    int RunThreadBody() noexcept;

private:
    static unsigned __stdcall ThreadEntry(void* param);

    int m_nQuitCode;
};
