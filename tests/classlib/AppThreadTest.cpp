#include "CString.h"
#include "WinApp.h"
#include "WinThread.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

// What the exception hook saw last.
std::wstring g_hookSaw;

void RecordingHook(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        g_hookSaw = L"std:" + std::wstring(e.what(), e.what() + strlen(e.what()));
    } catch (const CInvalidArgException&) {
        g_hookSaw = L"invalid-arg";
    } catch (...) {
        g_hookSaw = L"other";
    }
}

class HookScope {
public:
    HookScope()
    {
        g_hookSaw.clear();
        AfxSetExceptionHook(&RecordingHook);
    }
    ~HookScope() { AfxSetExceptionHook(nullptr); }
};

enum class Throw { Nothing, Std, InvalidArg };

class TestApp : public CWinApp {
public:
    BOOL InitInstance() override
    {
        ++initCalls;
        if (throwKind == Throw::Std) {
            throw std::runtime_error("boom");
        }
        if (throwKind == Throw::InvalidArg) {
            throw CInvalidArgException();
        }
        return initResult;
    }
    int Run() override
    {
        ++runCalls;
        return 7;
    }
    int ExitInstance() override
    {
        ++exitCalls;
        return 1602;
    }

    BOOL initResult = FALSE;
    Throw throwKind = Throw::Nothing;
    int initCalls = 0;
    int runCalls = 0;
    int exitCalls = 0;
};

TEST(WinApp, InitInstanceFalseGivesExitInstanceResult)
{
    TestApp app;
    EXPECT_EQ(&app, AfxGetApp());
    wchar_t cmdLine[] = L"/q /log x.log";
    EXPECT_EQ(1602, AfxWinMain(::GetModuleHandleW(nullptr), nullptr, cmdLine, SW_SHOWNORMAL));
    EXPECT_EQ(1, app.initCalls);
    EXPECT_EQ(1, app.exitCalls);
    EXPECT_EQ(0, app.runCalls);
    EXPECT_STREQ(L"classlib_test", app.m_pszAppName);
    EXPECT_EQ(cmdLine, app.m_lpCmdLine);
    EXPECT_EQ(::GetModuleHandleW(nullptr), app.m_hInstance);
    EXPECT_EQ(::GetCurrentThreadId(), app.m_nThreadID);
}

TEST(WinApp, InitInstanceTrueRuns)
{
    TestApp app;
    app.initResult = TRUE;
    EXPECT_EQ(7, AfxWinMain(::GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWNORMAL));
    EXPECT_EQ(1, app.runCalls);
    EXPECT_EQ(0, app.exitCalls);
}

TEST(WinApp, EscapingExceptionsGoToTheHook)
{
    HookScope hook;
    TestApp app;
    app.throwKind = Throw::Std;
    EXPECT_EQ(-1, AfxWinMain(::GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWNORMAL));
    EXPECT_EQ(L"std:boom", g_hookSaw);
}

TEST(WinApp, DefaultRunEndsWithoutAMainWindow)
{
    CWinApp app(L"Given name");
    EXPECT_EQ(0, AfxWinMain(::GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWNORMAL));
    EXPECT_STREQ(L"Given name", app.m_pszAppName);  // kept when the application names itself
}

DWORD WINAPI ReadMainWnd(LPVOID param)
{
    *static_cast<CWnd**>(param) = AfxGetMainWnd();
    return 0;
}

TEST(WinApp, RegistrationAndMainWindow)
{
    EXPECT_EQ(nullptr, AfxGetApp());
    EXPECT_EQ(nullptr, AfxGetMainWnd());
    {
        CWinApp app;
        CWnd* frame = reinterpret_cast<CWnd*>(&app);  // any address: CWnd is opaque here
        app.m_pMainWnd = frame;
        CWnd* seen = nullptr;
        HANDLE t = ::CreateThread(nullptr, 0, &ReadMainWnd, &seen, 0, nullptr);
        ASSERT_NE(nullptr, t);
        ::WaitForSingleObject(t, INFINITE);
        ::CloseHandle(t);
        EXPECT_EQ(frame, seen);
    }
    EXPECT_EQ(nullptr, AfxGetApp());
}

// A thread object that reports its calls and its end.
class TestThread : public CWinThread {
public:
    explicit TestThread(LONG* deleted) : m_deleted(deleted) { }
    ~TestThread() override { ::InterlockedIncrement(m_deleted); }

    BOOL InitInstance() override
    {
        ::InterlockedIncrement(&initCalls);
        if (throwKind == Throw::InvalidArg) {
            throw CInvalidArgException();
        }
        if (initResult) {
            ::PostQuitMessage(quitCode);  // the default Run ends at once with this code
        }
        return initResult;
    }
    int ExitInstance() override
    {
        int base = CWinThread::ExitInstance();
        return initResult ? base : 42;
    }

    BOOL initResult = FALSE;
    int quitCode = 0;
    Throw throwKind = Throw::Nothing;
    volatile LONG initCalls = 0;

private:
    LONG* m_deleted;
};

// Starts `thread` suspended, keeps a duplicate of its handle, resumes it and returns its
// exit code.
DWORD RunToEnd(CWinThread* thread)
{
    EXPECT_TRUE(thread->CreateThread(CREATE_SUSPENDED));
    HANDLE copy = nullptr;
    EXPECT_TRUE(::DuplicateHandle(
        ::GetCurrentProcess(), thread->m_hThread, ::GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS));
    EXPECT_EQ(1u, thread->ResumeThread());
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(copy, 10000));
    DWORD code = 0;
    ::GetExitCodeThread(copy, &code);
    ::CloseHandle(copy);
    return code;
}

struct ThreadCase {
    BOOL initResult;
    int quitCode;
    Throw throwKind;
    DWORD expectedExit;
};

TEST(WinThread, ExitCodesAndAutoDelete)
{
    HookScope hook;
    const ThreadCase cases[] = {
        {FALSE, 0, Throw::Nothing, 42},                         // ExitInstance's result
        {TRUE, 5, Throw::Nothing, 5},                           // Run: WM_QUIT's code
        {FALSE, 0, Throw::InvalidArg, static_cast<DWORD>(-1)},  // catch-all
    };
    for (const ThreadCase& c : cases) {
        LONG deleted = 0;
        auto* thread = new TestThread(&deleted);
        thread->initResult = c.initResult;
        thread->quitCode = c.quitCode;
        thread->throwKind = c.throwKind;
        EXPECT_EQ(c.expectedExit, RunToEnd(thread));
        EXPECT_EQ(1, deleted);  // m_bAutoDelete: deleted by its own thread
    }
    EXPECT_EQ(L"invalid-arg", g_hookSaw);
}

TEST(WinThread, CreatorDeletesWithoutAutoDelete)
{
    LONG deleted = 0;
    auto* thread = new TestThread(&deleted);
    thread->m_bAutoDelete = FALSE;
    ASSERT_TRUE(thread->CreateThread(CREATE_SUSPENDED));
    EXPECT_NE(0u, thread->m_nThreadID);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(thread->m_hThread, 100));  // still suspended
    EXPECT_EQ(0, thread->initCalls);
    EXPECT_TRUE(thread->SetThreadPriority(THREAD_PRIORITY_BELOW_NORMAL));
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, ::GetThreadPriority(thread->m_hThread));
    thread->ResumeThread();
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(thread->m_hThread, 10000));
    DWORD code = 0;
    ::GetExitCodeThread(thread->m_hThread, &code);
    EXPECT_EQ(42u, code);
    EXPECT_EQ(0, deleted);
    delete thread;
    EXPECT_EQ(1, deleted);
}

TEST(WinThread, StartsAtOnceWithoutSuspendedFlag)
{
    LONG deleted = 0;
    auto* thread = new TestThread(&deleted);
    thread->m_bAutoDelete = FALSE;
    ASSERT_TRUE(thread->CreateThread());
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(thread->m_hThread, 10000));
    EXPECT_EQ(1, thread->initCalls);
    delete thread;
}

}  // namespace
