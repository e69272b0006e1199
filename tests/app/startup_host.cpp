// Test host of the start-up: setup's own start-up (the same application object and entry
// sequence) with the message boxes recorded instead of shown.
//
// The environment variable VELMO_TEST_REPORT names the report file: each box is appended as
// one UTF-8 line "BOX|<type in hex>|<caption>|<text>" (line feeds written as "\n", carriage
// returns as "\r"). The command line is the start-up's own.
#include <windows.h>

#include <string>

#include "HostReport.h"
#include "MessageBox.h"
#include "VelmoInstaller.h"
#include "WinApp.h"

namespace {

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow)
{
    wchar_t report[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"VELMO_TEST_REPORT", report, MAX_PATH))
        return 2;
    hostreport::SetReportFile(report);
    g_pfnMessageBoxW = &hostreport::RecordMessageBox;
    if (!theApp.CheckPrerequisiteDlls())
        return -1;
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
