// The start-up sequence, run by startup_host.exe (setup's start-up with its message boxes
// recorded), and in this process where a run needs the thread's own state.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>
#include <objbase.h>
#include <stdlib.h>


#include <string>
#include <vector>

#include "CString.h"
#include "InstallerErrors.h"
#include "MessageBox.h"
#include "ScopedOverride.h"
#include "HostReport.h"
#include "SamplePackages.h"
#include "TestSupport.h"
#include "VelmoInstaller.h"

using namespace testsupport;

namespace {

struct HostRun {
    DWORD exitCode = 0;
    std::vector<std::string> boxes;  // "type|caption|text"
};

// startup_host.exe with these arguments; `fault` (when set): where the token query faults;
// restarts are always refused and recorded (the host never restarts Windows).
HostRun RunStartupHost(const std::wstring& arguments, const wchar_t* fault = nullptr)
{
    TempDir dir;
    SetEnvironmentVariableW(L"VELMO_TEST_FAULT", fault);
    SetEnvironmentVariableW(L"VELMO_TEST_RESTART", L"1");
    std::wstring report = dir.File(L"report.txt");
    SetEnvironmentVariableW(L"VELMO_TEST_REPORT", report.c_str());
    ProcessResult result = RunProcess(L"\"" + ModuleDir() + L"\\startup_host.exe\" " + arguments, 60000);
    SetEnvironmentVariableW(L"VELMO_TEST_REPORT", nullptr);
    SetEnvironmentVariableW(L"VELMO_TEST_RESTART", nullptr);
    SetEnvironmentVariableW(L"VELMO_TEST_FAULT", nullptr);
    EXPECT_FALSE(result.timedOut);
    HostRun run;
    run.exitCode = result.exitCode;
    run.boxes = hostreport::ReadBoxes(report);
    return run;
}

// The usage text as the box shows it: string 30000 through the string class's message
// formatting for "startup_host", line breaks escaped as in the report.
std::string Usage()
{
    CString usage;
    usage.FormatMessage(30000, L"startup_host");
    std::string flat;
    for (const wchar_t* p = usage.GetString(); *p; ++p) {
        if (*p == L'\n')
            flat += "\\n";
        else if (*p == L'\r')
            flat += "\\r";
        else
            flat += static_cast<char>(*p);
    }
    return flat;
}

TEST(Startup, CommandLineOutcomes)
{
    const std::string usage = Usage();
    ASSERT_FALSE(usage.empty());
    struct Case {
        const wchar_t* arguments;
        DWORD exitCode;
        std::string box;  // empty: none
    };
    // Types: MB_SETFOREGROUND (0x10000) with the question (0x20) or warning (0x30) icon.
    const Case cases[] = {
        {L"/?", 1639, "10020|startup_host|" + usage},
        {L"-h", 1639, "10020|startup_host|" + usage},
        {L"/nosuchswitch", 1639, "10030|startup_host|Invalid command line parameters.\\r\\n" + usage},
        {L"/level abc", 1639, "10030|startup_host|Invalid command line parameters.\\r\\n" + usage},
        {L"/qn /AcceptLicenses NO", 1602, ""},
        {L"/q /acceptlicenses no", 1602, ""},
        // Quiet without an answer to the licences is a bad command line, not a declined run.
        {L"/q", 1639, "10030|startup_host|Invalid command line parameters.\\r\\n" + usage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        HostRun run = RunStartupHost(c.arguments);
        EXPECT_EQ(c.exitCode, run.exitCode);
        if (c.box.empty()) {
            EXPECT_TRUE(run.boxes.empty());
        } else {
            ASSERT_EQ(1u, run.boxes.size());
            EXPECT_EQ(c.box, run.boxes[0]);
        }
    }
}

TEST(Startup, RunKeyIsDeletedAndItsResultIgnored)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, nullptr, 0,
            KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const wchar_t value[] = L"setup.exe";
    RegSetValueExW(key, L"ZKInstallerVelmoTest1", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof(value));

    // The deletion comes before the configuration is read (there is no startup_host.ini).
    HostRun deleted = RunStartupHost(L"/qn /acceptlicenses yes /runkey ZKInstallerVelmoTest1");
    EXPECT_EQ(static_cast<DWORD>(-11005), deleted.exitCode);
    EXPECT_EQ(
        ERROR_FILE_NOT_FOUND, RegQueryValueExW(key, L"ZKInstallerVelmoTest1", nullptr, nullptr, nullptr, nullptr));
    // A value that is not there changes nothing.
    HostRun missing = RunStartupHost(L"/qn /acceptlicenses yes /runkey ZKInstallerVelmoTest1");
    EXPECT_EQ(static_cast<DWORD>(-11005), missing.exitCode);

    RegDeleteValueW(key, L"ZKInstallerVelmoTest1");
    RegCloseKey(key);
}

// A fault on the main thread, past the opened log, in the program's own code (it reaches the
// start-up's barrier) or inside a library where no handler takes it (the process's last resort):
// reported and logged by the structured-exception row, and the run still ends through its exit
// line with the exception's code.
TEST(Startup, FaultEndsTheRunThroughItsExit)
{
    for (const wchar_t* fault : {L"program", L"library"}) {
        SCOPED_TRACE(std::string(fault, fault + wcslen(fault)));
        TempDir dir;
        const std::wstring logFile = dir.File(L"setup.log");
        HostRun run = RunStartupHost(L"/qn /acceptlicenses yes /root \"" + ModuleDir()
                + L"\\sample\" /ini setup.ini /l*v \"" + logFile + L"\"",
            fault);
        EXPECT_EQ(0xC0000005u, run.exitCode);
        EXPECT_TRUE(run.boxes.empty());
        const std::wstring log = ReadLogFile(logFile).text;
        const size_t error = log.find(L"OrbelInstaller: ERROR! ");
        ASSERT_NE(std::wstring::npos, error) << std::string(log.begin(), log.end());
        EXPECT_NE(std::wstring::npos, log.find(L"Structured Exception number 0xC0000005", error));
        EXPECT_NE(std::wstring::npos, log.find(L"OrbelInstaller exiting ", error)) << std::string(log.begin(), log.end());
        EXPECT_NE(std::wstring::npos, log.find(L". Returning -1073741819", error)) << std::string(log.begin(), log.end());
    }
}

const char kRefusedRestart[] = "2|restart|ExitWindowsEx";  // EWX_REBOOT

// A restart that the run forces (/r:f) after a successful quiet installation and that the system
// refuses: the restart is still needed, and the exit code says so (3010, not 0 or 1641).
TEST(Startup, RefusedRestartAfterSuccessEndsWith3010)
{
    RemoveSampleProducts();
    HostRun run = RunStartupHost(
        L"/qn /acceptlicenses yes /r:f /root \"" + ModuleDir() + L"\\sample\" /ini setup.ini");
    RemoveSampleProducts();
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS_REBOOT_REQUIRED), run.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(kRefusedRestart, run.boxes[0]);
}

// A load that ends early (here aborted before it starts) ends the run there: 1602, and no
// restart decision even with /r:f.
TEST(Startup, AbortedLoadEndsWithoutRestartDecision)
{
    SetEnvironmentVariableW(L"VELMO_TEST_ABORT_LOAD", L"1");
    HostRun run = RunStartupHost(
        L"/qn /acceptlicenses yes /r:f /root \"" + ModuleDir() + L"\\sample\" /ini setup.ini");
    SetEnvironmentVariableW(L"VELMO_TEST_ABORT_LOAD", nullptr);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSTALL_USEREXIT), run.exitCode);
    EXPECT_TRUE(run.boxes.empty());
}

int WINAPI NoMessageBox(HWND, LPCWSTR, LPCWSTR, UINT)
{
    return IDOK;
}

// COM already initialised on the thread (S_FALSE) is no reason to stop: in this process, whose
// own command line the start-up parses. An error that escapes the start-up undoes its own
// initialisation and leaves the caller's.
TEST(Startup, ComAlreadyInitialisedGoesOnAndIsUndoneOnAnEscape)
{
    if (__argc > 1)
        GTEST_SKIP() << "the start-up parses this process's own arguments";
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ScopedOverride box(g_pfnMessageBoxW, &NoMessageBox);
    try {
        theApp.InitInstanceImpl();
        ADD_FAILURE() << "the start-up ended early with " << theApp.m_nExitCode;
    } catch (const NoIniFile& error) {
        // It went on to the configuration, which this process does not have (app_test.ini).
        EXPECT_NE(nullptr, wcsstr(error.GetFullText(), L"app_test.ini")) << error.GetFullText();
    }
    CoUninitialize();
    // Nothing is left initialised on the thread: a new initialisation is the first again.
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    CoUninitialize();
}

}  // namespace
