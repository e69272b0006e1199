// Test host of the thread barriers: provokes one kind of failure on the main thread or on a
// worker and ends with the barrier's exit code.
//
//   barrier_host.exe <kind> <main|worker> <report file> <log file> [quiet|keep77]
//
// keep77: the main thread's exit code is 77 before the failure (else -1, as the application's).
//
// Message boxes are not shown: each is appended to the report file as one UTF-8 line
// "BOX|<type in hex>|<caption>|<text>" (line breaks in the text written as "\n"). The log
// goes to the log file.
#include <windows.h>

#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

#include "HostReport.h"
#include "InstallerErrors.h"
#include "MessageBox.h"
#include "MsiInstallerError.h"
#include "SEH_Exception.h"
#include "StructuredExceptionTranslator.h"
#include "VelmoInstaller.h"
#include "VelmoThread.h"
#include "WindowsError.h"

namespace {

int* volatile g_nullPointer = nullptr;
volatile int g_zero = 0;

// A fault inside system code: the C run time's wcslen given a null text.
void FaultInSystemCode()
{
    typedef size_t(__cdecl * LengthFn)(const wchar_t*);
    FARPROC found = GetProcAddress(GetModuleHandleW(L"msvcrt.dll"), "wcslen");
    LengthFn length = reinterpret_cast<LengthFn>(reinterpret_cast<void (*)()>(found));
    if (length)
        length(reinterpret_cast<const wchar_t*>(g_nullPointer));
}

// Raises the failure named by `kind`; returns 995 for "code" (a worker's own result).
UINT Provoke(const std::wstring& kind)
{
    if (kind == L"installer")
        throw OperationAborted("BarrierHost", 10, L"Provoked", L"Provoked on purpose: %1");
    if (kind == L"user")
        throw NoAdminPriv("BarrierHost", 20);
    if (kind == L"windows")
        throw WindowsError(ERROR_ACCESS_DENIED, L"while provoking");
    if (kind == L"msi")
        throw MsiInstallerError(1603, nullptr, L"while provoking");
    if (kind == L"delaydll")
        throw DelayLoadException(DelayLoadException::kModuleNotFound, "velmo_missing.dll", "Missing");
    if (kind == L"delayproc")
        throw DelayLoadException(DelayLoadException::kProcedureNotFound, "kernel32.dll", "VelmoMissing");
    if (kind == L"badalloc") {
        void* block = ::operator new(static_cast<size_t>(-1) / 2);
        ::operator delete(block);
    }
    if (kind == L"std")
        throw std::runtime_error("Provoked standard failure");
    if (kind == L"unknown")
        throw 42;
    if (kind == L"av")
        *g_nullPointer = 1;
    if (kind == L"sysav")
        FaultInSystemCode();
    if (kind == L"div0")
        return static_cast<UINT>(1 / g_zero);
    if (kind == L"code")
        return 995;
    return 0;
}

std::wstring g_kind;

// The main thread's barrier: the same template the application derives from.
class CHostThread : public TVelmoThread<CWinThread> {
public:
    BOOL InitInstanceImpl() override
    {
        StructuredExceptionTranslatorScope translator;
        m_nExitCode = static_cast<int>(Provoke(g_kind));
        return FALSE;
    }
};

UINT WorkerProc(LPVOID)
{
    return Provoke(g_kind);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    if (__argc < 5)
        return 2;
    g_kind = __wargv[1];
    std::wstring thread = __wargv[2];
    hostreport::SetReportFile(__wargv[3]);
    g_pfnMessageBoxW = &hostreport::RecordMessageBox;
    g_pfnRunFatalErrorDialog = &hostreport::RecordFatalErrorDialog;
    theApp.m_log.Open(__wargv[4], false);
    theApp.m_cmdLine.m_nUiMode = (__argc > 5 && std::wstring(__wargv[5]) == L"quiet") ? UiQuiet : UiFull;
    ArmUnhandledExceptionReport();  // as the application's first step

    int exitCode = 0;
    if (thread == L"main") {
        CHostThread host;
        host.m_nExitCode = (__argc > 5 && std::wstring(__wargv[5]) == L"keep77") ? 77 : -1;
        host.InitInstance();
        exitCode = host.ExitInstance();
    } else {
        CVelmoWorkerThread* worker
            = VelmoBeginThread(&WorkerProc, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr);
        if (!worker)
            return 3;
        worker->m_bAutoDelete = FALSE;
        worker->ResumeThread();
        WaitForSingleObject(worker->m_hThread, INFINITE);
        DWORD code = 0;
        GetExitCodeThread(worker->m_hThread, &code);
        delete worker;
        exitCode = static_cast<int>(code);
    }
    theApp.m_log.Close();
    return exitCode;
}
