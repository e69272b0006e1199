// Test host of the start-up: setup's own start-up (the same application object and entry
// sequence) with the message boxes recorded instead of shown.
//
// The environment variable VELMO_TEST_REPORT names the report file: each box is appended as
// one UTF-8 line "BOX|<type in hex>|<caption>|<text>" (line feeds written as "\n", carriage
// returns as "\r"). The command line is the start-up's own.
//
// With VELMO_TEST_FAULT set, the Administrators test's token query faults in the program's own
// code (an access violation on the main thread, after the log is open).
#include <windows.h>

#include <string>

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

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow)
{
    wchar_t report[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"VELMO_TEST_REPORT", report, MAX_PATH))
        return 2;
    hostreport::SetReportFile(report);
    g_pfnMessageBoxW = &hostreport::RecordMessageBox;
    g_pfnRunFatalErrorDialog = &hostreport::RecordFatalErrorDialog;
    if (GetEnvironmentVariableW(L"VELMO_TEST_FAULT", nullptr, 0))
        g_platformApi.GetTokenInformation = &FaultingTokenQuery;
    if (!theApp.CheckPrerequisiteDlls())
        return -1;
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
