#include "VelmoThread.h"

#include <new>
#include <stdexcept>
#include <string>

#include "WizardServices.h"
#include "ForeignCallBoundary.h"
#include "InstallerErrors.h"
#include "MfcPlexaString.h"
#include "MsiInstallerError.h"
#include "StructuredExceptionTranslator.h"
#include "SystemMessage.h"
#include "WindowsError.h"
#include "resource.h"

namespace {

const wchar_t kUnknownError[] = L"Unknown Error";
const wchar_t kNoDetails[] = L"No details available";

// The system's message text for a Windows error (at most 256 characters; empty when none).
CString SystemMessage(DWORD error)
{
    return SystemMessageText(error, 0, 256);
}

// A narrow text widened as the system's code page reads it.
CString Widen(const char* text)
{
    if (!text)
        return CString();
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1)
        return CString();
    CString wide;
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.GetBuffer(length), length);
    wide.ReleaseBuffer();
    return wide;
}

// A library error's description.
CString Describe(const InstallerError& error)
{
    MfcPlexaString text;
    error.Describe(text);
    return text.GetMfcString();
}

// The structured-exception row: the system's text of the code, the code in the details and as
// the exit code. A code the system has no text for is named by the details instead.
void DescribeStructuredException(const SEH_Exception& error, CString& message, CString& details, int& code)
{
    wchar_t buffer[257] = {};
    error.GetMessage(buffer, 256);
    buffer[256] = L'\0';
    details.Format(L"Structured Exception number 0x%X", error.GetCode());
    message = buffer[0] != L'\0' ? CString(buffer) : details;
    code = static_cast<int>(error.GetCode());
}

// The thread that reports an unhandled exception and ends the run (0: none yet).
LONG volatile g_endingThread = 0;
UnhandledExceptionEnd volatile g_unhandledEnd = nullptr;

// Ends the process with the exception's code when the orderly end takes too long (a lock that
// the faulting code held, a hung library).
DWORD WINAPI EndWhenOverdue(LPVOID code)
{
    Sleep(kUnhandledExceptionEndLimitMs);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(reinterpret_cast<ULONG_PTR>(code)));
    return 0;
}

LONG WINAPI ReportUnhandledException(EXCEPTION_POINTERS* pointers)
{
    const DWORD exceptionCode = pointers && pointers->ExceptionRecord ? pointers->ExceptionRecord->ExceptionCode
                                                                      : static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION);
    // A call into Windows Installer that faulted on bad input ends as an error of that call:
    // the caller's objects go with the unwinding, the barrier reports and ends the run.
    if (ResumeAtForeignCallBoundary(pointers))
        return EXCEPTION_CONTINUE_EXECUTION;  // not reached: the thread went back to its boundary
    const LONG self = static_cast<LONG>(GetCurrentThreadId());
    const LONG ending = InterlockedCompareExchange(&g_endingThread, self, 0);
    if (ending == self) {
        // A fault while reporting or ending: nothing more can be done safely.
        TerminateProcess(GetCurrentProcess(), exceptionCode);
    } else if (ending != 0) {
        // Another thread is ending the run; this one stays out of its way until it has.
        Sleep(INFINITE);
    }
    int code = static_cast<int>(exceptionCode);
    try {
        CString message;
        CString details;
        DescribeStructuredException(SEH_Exception(exceptionCode, pointers), message, details, code);
        ReportFatalErrorThroughWizard(message, details, TRUE, TRUE, nullptr);
    } catch (...) {
        // Reporting failed (memory): the exit code still tells what happened.
    }
    if (const UnhandledExceptionEnd end = g_unhandledEnd) {
        HANDLE watchdog = CreateThread(nullptr, 0, &EndWhenOverdue,
            reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(exceptionCode)), 0, nullptr);
        if (watchdog)
            CloseHandle(watchdog);
        try {
            end(code);
        } catch (...) {
            // The end is best effort; the exit code is set below all the same.
        }
    }
    TerminateProcess(GetCurrentProcess(), exceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

struct InnerCall {
    BOOL (*body)(void*);
    void* context;
};

// The inner level: the user's and the machine's errors are reported here, without the
// Details button and without details in the log.
BOOL InnerBarrier(const InnerCall& call, int& code)
{
    try {
        return call.body(call.context);
    } catch (const UserInstallerError& error) {
        CString message = error.GetUserMessage();
        CString details = error.GetFullText();
        code = -error.GetCode();
        ReportFatalErrorThroughWizard(message, details, FALSE, FALSE, nullptr);
        return FALSE;
    }
}

// Sets message, details and code for the exception being handled, by the first matching row
// of the barrier's table.
void ClassifyCurrentException(CString& message, CString& details, int& code)
{
    try {
        throw;
    } catch (const WindowsError& error) {
        message = LoadResourceString(IDS_UNHANDLED_WINDOWS_ERROR);
        details.Format(L"Windows Error %d: %s", static_cast<int>(error.GetCode()), Describe(error).GetString());
        code = static_cast<int>(error.GetCode());
    } catch (const MsiInstallerError& error) {
        message = LoadResourceString(IDS_UNHANDLED_MSI_ERROR);
        details.Format(L"MsiError %d: %s", static_cast<int>(error.GetCode()), Describe(error).GetString());
        code = static_cast<int>(error.GetCode());
    } catch (const VelmoInstallerError& error) {
        message = error.GetUserMessage();
        details = error.GetFullText();
        code = -error.GetCode();
    } catch (const DelayLoadException& error) {
        const unsigned int seCode = error.GetCode();
        CString dll = Widen(error.GetDllName());
        if (seCode == DelayLoadException::kProcedureNotFound)
            message.Format(LoadResourceString(IDS_PROCEDURE_NOT_FOUND), L"<Unknown>", dll.GetString());
        else
            message.Format(LoadResourceString(IDS_DLL_NOT_FOUND), dll.GetString());
        code = static_cast<int>(seCode & 0xFFFF);
    } catch (const SEH_Exception& error) {
        DescribeStructuredException(error, message, details, code);
    } catch (const std::bad_alloc&) {
        message = SystemMessage(ERROR_NOT_ENOUGH_MEMORY);
        code = ERROR_NOT_ENOUGH_MEMORY;
    } catch (const std::exception& error) {
        message = Widen(error.what());
        code = -1;
    } catch (...) {
        // Not a known type: the kept exit code stays.
    }
}

BOOL RethrowHooked(void* error)
{
    std::rethrow_exception(*static_cast<std::exception_ptr*>(error));
}

// The class library's last resort (its generic window procedure, a thread entry): reported by
// the barrier's rows.
void ReportHookedException(std::exception_ptr error)
{
    int ignored = 0;
    VelmoThreadBarrier(&RethrowHooked, &error, ignored);
}

}  // namespace

void ArmUnhandledExceptionReport(UnhandledExceptionEnd end)
{
    g_unhandledEnd = end;
    SetUnhandledExceptionFilter(&ReportUnhandledException);
    AfxSetExceptionHook(&ReportHookedException);
}

BOOL VelmoThreadBarrier(BOOL (*body)(void* context), void* context, int& exitCode)
{
    CString message = kUnknownError;
    CString details = kNoDetails;
    int code = 0;
    BOOL result = FALSE;
    bool completed = false;
    InnerCall call = {body, context};
    try {
        result = InnerBarrier(call, code);
        completed = true;
    } catch (...) {
        try {
            ClassifyCurrentException(message, details, code);
        } catch (...) {
            // Building the texts failed (memory): report what there is.
        }
    }
    if (!completed) {
        ReportFatalErrorThroughWizard(message, details, TRUE, details != kNoDetails, nullptr);
        result = FALSE;
    }
    if (code != 0) {
        exitCode = code;
        return FALSE;
    }
    return result;
}

CVelmoWorkerThread::CVelmoWorkerThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
    : m_pfnThreadProc(pfnThreadProc), m_pParam(pParam), m_lcid(0)
{
    // Only an error of a type the barrier does not know leaves this value in place.
    m_nExitCode = -1;
}

CVelmoWorkerThread::~CVelmoWorkerThread() { }

BOOL CVelmoWorkerThread::InitInstanceImpl()
{
    StructuredExceptionTranslatorScope translator;
    SetThreadLocale(m_lcid);
    m_nExitCode = static_cast<int>(m_pfnThreadProc(m_pParam));
    return FALSE;
}

CVelmoWorkerThread* VelmoBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
    DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    CVelmoWorkerThread* thread = new CVelmoWorkerThread(pfnThreadProc, pParam);
    thread->m_bAutoDelete = TRUE;
    thread->m_lcid = GetThreadLocale();
    if (!thread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
        // The thread never ran, so nothing deletes the object but us.
        delete thread;
        return nullptr;
    }
    thread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        thread->ResumeThread();
    return thread;
}
