// The end of a run: the restart decision and the release of the instance objects.
#include <gtest/gtest.h>

#include <string>

#include "Distribution.h"
#include "DistributionInfo.h"
#include "IInstallerError.h"
#include "ScopedOverride.h"
#include "TestSupport.h"
#include "VelmoInstaller.h"

using namespace testsupport;

namespace {

// The application with a configuration of its own ([Settings] Reboot as given) for one test.
class RebootState {
public:
    explicit RebootState(const char* rebootSetting)
    {
        const std::wstring sample = ModuleDir() + L"\\sample\\";
        const std::string root(sample.begin(), sample.end());
        WriteFileBytes(m_dir.File(L"setup.ini"),
            "[MsiEngine]\r\nWinNTPath=" + root
                + "engine\\engine-installer.txt\r\nCommandLine=/q\r\n"
                  "[Localization]\r\nLanguages=1033\r\nCustomRes1033="
                + root
                + "res\\custom1033.dll\r\n"
                  "[Distribution]\r\nTitle=1\r\nGUID={5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A10}\r\nVersion=1.0.0.0\r\n"
                  "[Utilities]\r\nUpgradeManagerPostProcessor="
                + root
                + "tools\\postprocess.exe\r\n"
                  "ZKSysInfo="
                + root
                + "tools\\ZKSysInfo.dll\r\n"
                  "[Settings]\r\nReboot="
                + rebootSetting + "\r\n");
        try {
            m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
            m_config.PopulateMsiInfo();
            m_config.LoadLanguageResource();
        } catch (const ZKInstallerError::IInstallerError& error) {
            ADD_FAILURE() << std::wstring(error.GetFullText()).c_str();
        }
        theApp.m_pConfigInfo = &m_config;
        theApp.m_cmdLine = CVelmoCmdLine();
    }
    ~RebootState() { m_config.FreeResourceModules(); }

private:
    CurrentFolderGuard m_currentFolder;
    TempDir m_dir;
    CConfigInfo m_config;
    // The application's own values, put back after the test.
    ScopedOverride<CConfigInfo*> m_configInfo{theApp.m_pConfigInfo};
    ScopedOverride<CVelmoCmdLine> m_cmdLine{theApp.m_cmdLine};
    ScopedOverride<int> m_exitCode{theApp.m_nExitCode};
    ScopedOverride<int> m_rebootState{theApp.m_pDistribution->m_nRebootState};
};

struct RebootCase {
    const char* name;
    int commandLine;      // 0 none, 1 /r, 2 /r:f
    const char* setting;  // [Settings] Reboot
    int exitCode;
    int partRestart;  // the distribution's restart state
    bool onlyAfterSuccess;
    bool required;
};

TEST(RestartDecision, FirstRuleWins)
{
    const RebootCase cases[] = {
        {"/r:f after a failed installation", 2, "Normal", 1603, -1, true, true},
        {"/r beats Force", 1, "Force", 0, 1, true, false},
        {"Suppress beats a part's restart", 0, "Suppress", 3010, 1, true, false},
        {"Force without any part's restart", 0, "Force", 1602, -1, true, true},
        {"a part asked, result 3010", 0, "Normal", 3010, 1, true, true},
        {"a part asked, result 1602", 0, "Normal", 1602, 1, true, false},
        {"a part asked, failure counts when not only after success", 0, "Normal", 1603, 1, false, true},
        {"nobody asked", 0, "Normal", 0, -1, true, false},
    };
    for (const RebootCase& c : cases) {
        SCOPED_TRACE(c.name);
        RebootState state(c.setting);
        theApp.m_cmdLine.m_nRebootMode = c.commandLine;
        theApp.m_nExitCode = c.exitCode;
        theApp.m_pDistribution->m_nRebootState = c.partRestart;
        EXPECT_EQ(c.required, theApp.IsRebootRequired(c.onlyAfterSuccess));
    }
}

TEST(InstanceObjects, ReleasedOnceSignalledOnce)
{
    HANDLE savedMutex = theApp.m_hMutex;
    HANDLE savedEvent = theApp.m_hExitEvent;
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE watcher = nullptr;
    DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &watcher, 0, FALSE, DUPLICATE_SAME_ACCESS);
    theApp.m_hMutex = CreateMutexW(nullptr, TRUE, nullptr);
    theApp.m_hExitEvent = event;

    theApp.ReleaseInstanceObjects();
    EXPECT_EQ(nullptr, theApp.m_hMutex);
    EXPECT_EQ(nullptr, theApp.m_hExitEvent);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(watcher, 0));
    theApp.ReleaseInstanceObjects();                           // nothing left: nothing happens
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(watcher, 0));  // auto-reset, not signalled again

    CloseHandle(watcher);
    theApp.m_hMutex = savedMutex;
    theApp.m_hExitEvent = savedEvent;
}

TEST(TempCopyDeletion, ACopyInUseIsDeletedAtRestart)
{
    TempDir dir;
    const std::wstring path = dir.File(L"zkiBUSY.tmp");
    ASSERT_TRUE(WriteFileBytes(path, "in use"));
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    DeleteTempCopy(path.c_str());
    EXPECT_TRUE(FileExists(path));
    CloseHandle(held);

    // The pending deletion is recorded for the next restart of Windows.
    wchar_t pending[4096] = {};
    DWORD size = sizeof(pending);
    RegGetValueW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager",
        L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, pending, &size);
    bool found = false;
    for (const wchar_t* entry = pending; *entry; entry += wcslen(entry) + 1)
        found = found || wcsstr(entry, L"zkiBUSY.tmp") != nullptr;
    EXPECT_TRUE(found);
    DeleteFileW(path.c_str());

    const std::wstring free = dir.File(L"zkiFREE.tmp");
    ASSERT_TRUE(WriteFileBytes(free, "free"));
    DeleteTempCopy(free.c_str());
    EXPECT_FALSE(FileExists(free));
}

}  // namespace
