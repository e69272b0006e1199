// Test host of the start-up: setup's own start-up (the same application object and entry
// sequence) with the message boxes recorded instead of shown.
//
// The environment variable VELMO_TEST_REPORT names the report file: each box is appended as
// one UTF-8 line "BOX|<type in hex>|<caption>|<text>" (line feeds written as "\n", carriage
// returns as "\r"). The command line is the start-up's own.
//
// With VELMO_TEST_FAULT set, the Administrators test's token query faults in the program's own
// code (an access violation on the main thread, after the log is open); set to "library", it
// faults inside the C run-time library instead (outside the program's image, where no handler
// takes it).
//
// With VELMO_TEST_RESTART set, a restart of Windows is refused (ExitWindowsEx fails with
// ERROR_PRIVILEGE_NOT_HELD) and recorded as a box with the caption "restart", the text
// "ExitWindowsEx" and the restart flags as its type; set to "accept", it is recorded the same
// way and reported as started. Windows is never restarted by the host.
//
// With VELMO_TEST_ABORT_LOAD set, the distribution is aborted before the run starts: its load
// ends as a cancelled one.
//
// With VELMO_TEST_FREE_SPACE set, it names a file holding the free space of C:\ in bytes as
// decimal text, read again at every query (a test frees space by rewriting it); while the file
// cannot be read, the real free space is reported. Other volumes are reported as they are.
#include <windows.h>

#include <cstdio>
#include <string>

#include "Distribution.h"
#include "HostReport.h"
#include "MessageBox.h"
#include "PlatformApi.h"
#include "VelmoInstaller.h"
#include "WinApp.h"

namespace {

int* volatile g_nullPointer = nullptr;

BOOL WINAPI FaultingTokenQuery(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD)
{
    *g_nullPointer = 1;
    return FALSE;
}

BOOL WINAPI LibraryFaultingTokenQuery(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD)
{
    using Memset = void* (*)(void*, int, size_t);
    const Memset memsetInLibrary = reinterpret_cast<Memset>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"msvcrt.dll"), "memset")));
    memsetInLibrary(const_cast<int*>(g_nullPointer), 0, 16);
    return FALSE;
}

BOOL WINAPI RefusedRestart(UINT flags, DWORD)
{
    hostreport::RecordMessageBox(nullptr, L"ExitWindowsEx", L"restart", flags);
    SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
}

BOOL WINAPI AcceptedRestart(UINT flags, DWORD)
{
    hostreport::RecordMessageBox(nullptr, L"ExitWindowsEx", L"restart", flags);
    return TRUE;
}

wchar_t g_freeSpaceFile[MAX_PATH] = {};

BOOL WINAPI FreeSpaceFromFile(LPCWSTR root, PULARGE_INTEGER available, PULARGE_INTEGER total, PULARGE_INTEGER free)
{
    if (lstrcmpiW(root, L"C:\\") == 0) {
        unsigned long long bytes = 0;
        FILE* file = _wfopen(g_freeSpaceFile, L"r");
        const bool read = file && fscanf(file, "%llu", &bytes) == 1;
        if (file)
            fclose(file);
        if (read) {
            available->QuadPart = total->QuadPart = free->QuadPart = bytes;
            return TRUE;
        }
    }
    return ::GetDiskFreeSpaceExW(root, available, total, free);
}

FARPROC WINAPI FindFreeSpaceFromFile(HMODULE module, LPCSTR name)
{
    if (lstrcmpA(name, "GetDiskFreeSpaceExW") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&FreeSpaceFromFile));
    return ::GetProcAddress(module, name);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow)
{
    wchar_t report[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"VELMO_TEST_REPORT", report, MAX_PATH))
        return 2;
    hostreport::SetReportFile(report);
    g_pfnMessageBoxW = &hostreport::RecordMessageBox;
    g_pfnRunFatalErrorDialog = &hostreport::RecordFatalErrorDialog;
    wchar_t fault[16] = {};
    if (GetEnvironmentVariableW(L"VELMO_TEST_FAULT", fault, 16)) {
        g_platformApi.GetTokenInformation
            = wcscmp(fault, L"library") == 0 ? &LibraryFaultingTokenQuery : &FaultingTokenQuery;
    }
    wchar_t restart[16] = {};
    if (GetEnvironmentVariableW(L"VELMO_TEST_RESTART", restart, 16))
        g_platformApi.ExitWindowsEx = wcscmp(restart, L"accept") == 0 ? &AcceptedRestart : &RefusedRestart;
    if (GetEnvironmentVariableW(L"VELMO_TEST_FREE_SPACE", g_freeSpaceFile, MAX_PATH))
        g_platformApi.GetProcAddress = &FindFreeSpaceFromFile;
    if (GetEnvironmentVariableW(L"VELMO_TEST_ABORT_LOAD", nullptr, 0))
        theApp.m_pDistribution->Abort();
    if (!theApp.CheckPrerequisiteDlls())
        return -1;
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
