// The Windows Installer engine installation: when msi.dll is older than required, the engine's
// installer (here a program that exits with the code it is given) runs with a restart entry
// under the Run key; the entry stays only when a restart is pending.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MsiEngineInstall.h"
#include "ScopedOverride.h"
#include "WinApp.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class RecordingEngineInstall : public CMsiEngineInstall {
public:
    RecordingEngineInstall(const std::wstring& installer, const wchar_t* arguments, bool rebootAnswer = false)
        : CMsiEngineInstall(L"", installer.c_str(), arguments), m_rebootAnswer(rebootAnswer)
    {
    }
    bool ReportError(int kind, DWORD code, const wchar_t*) override
    {
        reports.push_back(std::make_pair(kind, code));
        return true;
    }
    bool AskReboot() override
    {
        ++rebootQuestions;
        // The restart entry exists while the question is open.
        entryWhileRunning = ReadRunValue(GetRunValueName().GetString());
        return m_rebootAnswer;
    }
    static std::wstring ReadRunValue(const wchar_t* name)
    {
        wchar_t value[1024] = {};
        DWORD size = sizeof(value);
        if (RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
            return std::wstring();
        return value;
    }

    std::vector<std::pair<int, DWORD>> reports;
    int rebootQuestions = 0;
    std::wstring entryWhileRunning;

private:
    bool m_rebootAnswer;
};

std::wstring Installer()
{
    return ModuleDir() + L"\\exitwith.exe";
}

// A version far above any msi.dll, so that the installer always runs.
const wchar_t kFutureVersion[] = L"99.0.0.0";

TEST(EngineInstall, CurrentEngineStartsNothing)
{
    DWORD ms = 0;
    DWORD ls = 0;
    RecordingEngineInstall probe(Installer(), L"1");
    ASSERT_TRUE(probe.GetInstalledVersion(ms, ls));
    // Exactly the installed version: nothing runs, no entry is written.
    RecordingEngineInstall engine(L"C:\\missing\\installer.exe", L"");
    engine.SetRequiredVersion(ms, ls);
    EXPECT_EQ(0u, engine.Run());
    EXPECT_TRUE(engine.reports.empty());
    EXPECT_TRUE(engine.GetRunValueName().IsEmpty());
}

struct RunCase {
    const char* name;
    const wchar_t* exitCode;
    UINT result;
    bool entryStays;
    int reportedKind;  // 0: nothing reported
};

TEST(EngineInstall, InstallerExitCodes)
{
    const RunCase cases[] = {
        {"success", L"0", 0, false, 0},
        {"restart initiated counts as success", L"1641", 0, false, 0},
        {"restart declined", L"3010", 3010, true, 0},
        {"failure", L"1603", 1603, false, CMsiEngineInstall::kInstallerFailed},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingEngineInstall engine(Installer(), c.exitCode, false);
        engine.SetRequiredVersion(kFutureVersion);
        EXPECT_EQ(c.result, engine.Run());
        const std::wstring entry = RecordingEngineInstall::ReadRunValue(engine.GetRunValueName().GetString());
        EXPECT_EQ(c.entryStays, !entry.empty());
        std::vector<int> kinds;
        for (const auto& report : engine.reports)
            kinds.push_back(report.first);
        EXPECT_EQ(c.reportedKind ? std::vector<int>{c.reportedKind} : std::vector<int>(), kinds);
        engine.DeleteRunValue(engine.GetRunValueName());
    }
}

TEST(EngineInstall, MissingInstallerIsAFailedStart)
{
    RecordingEngineInstall engine(L"C:\\missing\\engine-installer.exe", L"/q");
    engine.SetRequiredVersion(kFutureVersion);
    EXPECT_EQ(static_cast<UINT>(ERROR_FILE_NOT_FOUND), engine.Run());
    ASSERT_EQ(1u, engine.reports.size());
    EXPECT_EQ(CMsiEngineInstall::kStartFailed, engine.reports[0].first);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), engine.reports[0].second);
    EXPECT_TRUE(RecordingEngineInstall::ReadRunValue(engine.GetRunValueName().GetString()).empty());
}

TEST(EngineInstall, RestartEntryTakesTheFirstFreeNumber)
{
    // This program's quoted path, its own arguments and "/runkey" with the name.
    struct {
        wchar_t arguments[32];
        const wchar_t* entry;
    } cases[] = {
        {L"", L"/runkey ZKInstaller2"},
        {L"/qn /l*v setup.log", L"/qn /l*v setup.log /runkey ZKInstaller2"},
    };
    ASSERT_NE(nullptr, AfxGetApp());
    for (auto& c : cases) {
        ScopedOverride<LPWSTR> commandLine(AfxGetApp()->m_lpCmdLine, c.arguments);
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
        const wchar_t taken[] = L"taken";
        RegSetValueExW(key, L"ZKInstaller1", 0, REG_SZ, reinterpret_cast<const BYTE*>(taken), sizeof(taken));
        RegCloseKey(key);

        RecordingEngineInstall engine(Installer(), L"3010");
        engine.SetRequiredVersion(kFutureVersion);
        EXPECT_EQ(3010u, engine.Run());
        EXPECT_EQ(1, engine.rebootQuestions);
        EXPECT_EQ(L"ZKInstaller2", std::wstring(engine.GetRunValueName()));
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        EXPECT_EQ(L"\"" + std::wstring(self) + L"\" " + c.entry, engine.entryWhileRunning);

        engine.DeleteRunValue(L"ZKInstaller1");
        engine.DeleteRunValue(L"ZKInstaller2");
    }
}

TEST(EngineInstall, LongCommandLinesAreNotCut)
{
    // An argument list far beyond 260 characters reaches the installer whole: the exit code is
    // its last number.
    std::wstring arguments(400, L' ');
    arguments += L"1603";
    RecordingEngineInstall engine(Installer(), arguments.c_str());
    engine.SetRequiredVersion(kFutureVersion);
    EXPECT_EQ(1603u, engine.Run());
}

TEST(EngineInstall, RequiredVersionText)
{
    struct Probe : RecordingEngineInstall {
        using RecordingEngineInstall::RecordingEngineInstall;
        ULONGLONG Required() const { return m_requiredVersion.QuadPart; }
    };
    Probe engine(Installer(), L"0");
    engine.SetRequiredVersion(L"3.1.4000.2435");
    EXPECT_EQ(0x000300010FA00983ull, engine.Required());
    engine.SetRequiredVersion(L"2");
    EXPECT_EQ(0x0002000000000000ull, engine.Required());
}

}  // namespace
