// Quiet runs of setup.exe over the sample distribution: its two parts (one per volume) are
// installed, changed and removed through Windows Installer in the test prefix; a failing part,
// a part that asks for a restart, a missing package and a missing volume end with their codes.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <string>

#include "TestSupport.h"

using namespace testsupport;

namespace {

const wchar_t kCoreCode[] = L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A21}";
const wchar_t kExtrasCode[] = L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A31}";
const wchar_t kCoreComponent[] = L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A23}";

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::wstring SampleRoot()
{
    return ModuleDir() + L"\\sample";
}

struct QuietRun {
    DWORD exitCode = 0;
    std::wstring log;
};

// setup.exe /qn over the distribution in `root` with the spec file's text (none when empty),
// its restart suppressed, logging verbosely into a file of the test.
QuietRun RunQuiet(const std::wstring& root, const std::string& spec = std::string())
{
    TempDir dir;
    std::wstring specArgument;
    if (!spec.empty()) {
        WriteFileBytes(dir.File(L"spec.ini"), spec);
        specArgument = L"\"" + dir.File(L"spec.ini") + L"\" ";
    }
    const std::wstring log = dir.File(L"setup.log");
    const ProcessResult result = RunProcess(L"\"" + ModuleDir() + L"\\setup.exe\" " + specArgument
            + L"/qn /AcceptLicenses yes /r:n /root \"" + root + L"\" /l*v \"" + log + L"\"",
        120000);
    EXPECT_FALSE(result.timedOut);
    QuietRun run;
    run.exitCode = result.exitCode;
    run.log = ReadLogFile(log).text;
    return run;
}

DWORD MissingPackageCode()
{
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    TempDir dir;
    return MsiInstallProductW(dir.File(L"missing.msi").c_str(), L"");
}

bool IsInstalled(const wchar_t* productCode)
{
    return MsiQueryProductStateW(productCode) == INSTALLSTATE_DEFAULT;
}

// The parts' products are removed after each test, whatever it left behind.
class QuietInstall : public ::testing::Test {
protected:
    QuietInstall() { RemoveProducts(); }
    ~QuietInstall() override { RemoveProducts(); }
    static void RemoveProducts()
    {
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        for (const wchar_t* code : {kCoreCode, kExtrasCode})
            if (MsiQueryProductStateW(code) != INSTALLSTATE_UNKNOWN)
                MsiConfigureProductW(code, 0, INSTALLSTATE_ABSENT);
    }

    // The sample copied into `dir` (see WriteSampleVolume1); the first volume's folder.
    static std::wstring Distribution(
        const TempDir& dir, const std::wstring& corePackage, const std::wstring& mergedPackage = std::wstring())
    {
        const std::wstring volume1 = WriteSampleVolume1(dir, corePackage, mergedPackage);
        EXPECT_FALSE(volume1.empty());
        return volume1;
    }
    static void AddVolume2(const TempDir& dir, bool withPackage) { WriteSampleVolume2(dir, withPackage); }
};

}  // namespace

// Install (the default selection: every feature), change (the spec file removes the second
// part's feature) and remove (every feature absent).
TEST_F(QuietInstall, InstallsChangesAndRemovesTheSample)
{
    QuietRun install = RunQuiet(SampleRoot());
    EXPECT_EQ(0u, install.exitCode) << Narrow(install.log);
    EXPECT_TRUE(IsInstalled(kCoreCode));
    EXPECT_TRUE(IsInstalled(kExtrasCode));
    EXPECT_EQ(INSTALLSTATE_LOCAL, MsiQueryFeatureStateW(kCoreCode, L"CoreHelp"));
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    EXPECT_EQ(INSTALLSTATE_LOCAL, MsiGetComponentPathW(kCoreCode, kCoreComponent, path, &length));
    EXPECT_TRUE(FileExists(path)) << Narrow(path);
    // The parts in order, with their feature lists and the engine's own log in the same file.
    const size_t core = install.log.find(L"--- Installing Part Velmo Sample Core ---");
    const size_t extras = install.log.find(L"--- Installing Part Velmo Sample Extras ---");
    ASSERT_NE(std::wstring::npos, core) << Narrow(install.log);
    ASSERT_NE(std::wstring::npos, extras) << Narrow(install.log);
    EXPECT_LT(core, extras);
    EXPECT_NE(std::wstring::npos, install.log.find(L"ADDLOCAL: ADDLOCAL=\"Core,CoreHelp\"")) << Narrow(install.log);
    EXPECT_NE(std::wstring::npos, install.log.find(L"ZKORBELLAUNCHED=\"1\"")) << Narrow(install.log);
    EXPECT_NE(std::wstring::npos, install.log.find(L"Logging started")) << Narrow(install.log);

    QuietRun change = RunQuiet(SampleRoot(), "[Features]\r\nExtras=Absent\r\n");
    EXPECT_EQ(0u, change.exitCode) << Narrow(change.log);
    EXPECT_TRUE(IsInstalled(kCoreCode));
    EXPECT_FALSE(IsInstalled(kExtrasCode));
    EXPECT_NE(std::wstring::npos, change.log.find(L"REMOVE: REMOVE=\"Extras\"")) << Narrow(change.log);

    QuietRun remove = RunQuiet(SampleRoot(), "[Features]\r\nCore=Absent\r\nCoreHelp=Absent\r\nExtras=Absent\r\n");
    EXPECT_EQ(0u, remove.exitCode) << Narrow(remove.log);
    EXPECT_FALSE(IsInstalled(kCoreCode));
    EXPECT_FALSE(IsInstalled(kExtrasCode));
}

// A quiet run goes on after a failing part and keeps the worst result; a part that asks for a
// restart gives 3010; a package missing from volume 2 gives the engine's code; a volume that is
// nowhere ends the run with 1603 before its part.
TEST_F(QuietInstall, FailuresEndWithTheirCodes)
{
    struct Case {
        const char* what;
        const wchar_t* corePackage;  // test data; empty: the sample's
        bool volume2;
        bool extrasPackage;
        DWORD exitCode;
        bool coreInstalled;
        bool extrasInstalled;
        std::wstring logText;
    } cases[] = {
        {"failing part", L"app_failpart.msi", true, true, ERROR_INSTALL_FAILURE, false, true, L"Part returned 1603"},
        {"restart", L"app_rebootpart.msi", true, true, ERROR_SUCCESS_REBOOT_REQUIRED, true, true,
            L"Part returned 3010"},
        // The engine's own code for a package that is not there (1619 on Windows).
        {"missing package", L"", true, false, MissingPackageCode(), true, false,
            L"Part returned " + std::to_wstring(MissingPackageCode())},
        {"missing volume", L"", false, false, ERROR_INSTALL_FAILURE, true, false,
            L"--- Installing Part Velmo Sample Core"},
    };
    for (const Case& c : cases) {
        const std::wstring core = *c.corePackage ? TestDataPath(c.corePackage) : SampleRoot() + L"\\parts\\core.msi";
        TempDir dir;
        const std::wstring root = Distribution(dir, core);
        if (c.volume2)
            AddVolume2(dir, c.extrasPackage);
        QuietRun run = RunQuiet(root);
        EXPECT_EQ(c.exitCode, run.exitCode) << c.what << "\n" << Narrow(run.log);
        EXPECT_EQ(c.coreInstalled, IsInstalled(kCoreCode)) << c.what;
        EXPECT_EQ(c.extrasInstalled, IsInstalled(kExtrasCode)) << c.what;
        EXPECT_NE(std::wstring::npos, run.log.find(c.logText)) << c.what << "\n" << Narrow(run.log);
        RemoveProducts();
    }
}

// A fatal extra information row of the merged package ends the quiet run before anything is
// installed.
TEST_F(QuietInstall, FatalExtraInformationRefusesTheInstallation)
{
    TempDir dir;
    const std::wstring root =
        Distribution(dir, SampleRoot() + L"\\parts\\core.msi", TestDataPath(L"app_fatalinfo_merged.msi"));
    AddVolume2(dir, true);
    QuietRun run = RunQuiet(root);
    EXPECT_EQ(static_cast<DWORD>(-10004), run.exitCode) << Narrow(run.log);
    EXPECT_FALSE(IsInstalled(kCoreCode));
    EXPECT_FALSE(IsInstalled(kExtrasCode));
    EXPECT_NE(std::wstring::npos,
        run.log.find(L"Fatal Error!! \"Core cannot be installed\" The test distribution refuses every installation."))
        << Narrow(run.log);
    EXPECT_NE(std::wstring::npos, run.log.find(L"Info/Warning: \"Extras note\" Shown before the feature selection."))
        << Narrow(run.log);
    EXPECT_NE(std::wstring::npos,
        run.log.find(L"Installation failed due to fatal errors or unsatisfied 3rd Party Dependencies"))
        << Narrow(run.log);
    EXPECT_EQ(std::wstring::npos, run.log.find(L"--- Installing Part")) << Narrow(run.log);
}
