// Quiet runs of setup.exe over the sample distribution: its two parts (one per volume) are
// installed, changed and removed through Windows Installer in the test prefix; a failing part,
// a part that asks for a restart, a missing package and a missing volume end with their codes.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <set>
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
// its restart suppressed, logging into a file of the test with `logSwitch` (verbosely by
// default; "/log" also captures Windows Installer's log of the merged package's session).
QuietRun RunQuiet(
    const std::wstring& root, const std::string& spec = std::string(), const wchar_t* logSwitch = L"/l*v")
{
    TempDir dir;
    std::wstring specArgument;
    if (!spec.empty()) {
        WriteFileBytes(dir.File(L"spec.ini"), spec);
        specArgument = L"\"" + dir.File(L"spec.ini") + L"\" ";
    }
    const std::wstring log = dir.File(L"setup.log");
    const ProcessResult result = RunProcess(L"\"" + ModuleDir() + L"\\setup.exe\" " + specArgument
            + L"/qn /AcceptLicenses yes /r:n /root \"" + root + L"\" " + logSwitch + L" \"" + log + L"\"",
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

// The temporary folder of the programs this test starts, for the lifetime of the object: a
// folder of its own, so that what a run leaves there is seen apart from other tests' files.
class PrivateTempFolder {
public:
    PrivateTempFolder() : m_tmp(Get(L"TMP")), m_temp(Get(L"TEMP"))
    {
        SetEnvironmentVariableW(L"TMP", m_dir.Path().c_str());
        SetEnvironmentVariableW(L"TEMP", m_dir.Path().c_str());
    }
    ~PrivateTempFolder()
    {
        SetEnvironmentVariableW(L"TMP", m_tmp.c_str());
        SetEnvironmentVariableW(L"TEMP", m_temp.c_str());
    }
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

    // The names of setup's temporary files ("zk*.tmp": copies and Windows Installer's logs) in it.
    std::wstring SetupFiles() const
    {
        std::wstring names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(m_dir.File(L"zk*.tmp").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do
            names += std::wstring(found.cFileName) + L" ";
        while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }

private:
    static std::wstring Get(const wchar_t* name)
    {
        wchar_t value[MAX_PATH] = {};
        GetEnvironmentVariableW(name, value, MAX_PATH);
        return value;
    }

    TempDir m_dir;
    std::wstring m_tmp;
    std::wstring m_temp;
};

// The names of the files of the Windows Installer folder whose content is that of `package`
// (Windows Installer's copies of it).
std::set<std::wstring> InstallerFolderCopiesOf(const std::wstring& package)
{
    const std::string bytes = ReadFileBytes(package);
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring folder = std::wstring(windows) + L"\\Installer\\";
    std::set<std::wstring> copies;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return copies;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && ReadFileBytes(folder + found.cFileName) == bytes)
            copies.insert(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return copies;
}

// The copies of a package that appeared in the Windows Installer folder since it was made (the
// prefix is shared with other test programs, whose copies may already be there).
class NewInstallerFolderCopies {
public:
    explicit NewInstallerFolderCopies(const std::wstring& package)
        : m_package(package), m_before(InstallerFolderCopiesOf(package))
    {
    }
    size_t Count() const
    {
        size_t added = 0;
        for (const std::wstring& name : InstallerFolderCopiesOf(m_package))
            added += m_before.count(name) == 0;
        return added;
    }

private:
    std::wstring m_package;
    std::set<std::wstring> m_before;
};

// A copy of `package` at `copy` with `count` bytes from `offset` changed.
void WriteCorruptCopy(const std::wstring& package, const std::wstring& copy, size_t offset, size_t count)
{
    std::string bytes = ReadFileBytes(package);
    ASSERT_LE(offset + count, bytes.size());
    for (size_t i = offset; i < offset + count; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    ASSERT_TRUE(WriteFileBytes(copy, bytes));
}

// The log's last line.
std::wstring LastLine(const std::wstring& log)
{
    size_t end = log.find_last_not_of(L"\r\n");
    if (end == std::wstring::npos)
        return std::wstring();
    const size_t start = log.find_last_of(L'\n', end);
    return log.substr(start == std::wstring::npos ? 0 : start + 1, end + 1 - (start == std::wstring::npos ? 0 : start + 1));
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
    static std::wstring Distribution(const TempDir& dir, const std::wstring& corePackage,
        const std::wstring& mergedPackage = std::wstring(), const std::wstring& postProcessor = std::wstring())
    {
        const std::wstring volume1 = WriteSampleVolume1(dir, corePackage, mergedPackage, postProcessor);
        EXPECT_FALSE(volume1.empty());
        return volume1;
    }
    // Volume 2 of that distribution beside it, with or without its package (`package` in its
    // place when given).
    static void AddVolume2(const TempDir& dir, bool withPackage, const std::wstring& package = std::wstring())
    {
        WriteSampleVolume2(dir, withPackage, package);
    }
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
        std::wstring swappedExtras = std::wstring();  // in place of the second part's package
    } cases[] = {
        {"failing part", L"app_failpart.msi", true, true, ERROR_INSTALL_FAILURE, false, true, L"Part returned 1603"},
        {"restart", L"app_rebootpart.msi", true, true, ERROR_SUCCESS_REBOOT_REQUIRED, true, true,
            L"Part returned 3010"},
        // The engine's own code for a package that is not there (1619 on Windows).
        {"missing package", L"", true, false, MissingPackageCode(), true, false,
            L"Part returned " + std::to_wstring(MissingPackageCode())},
        {"missing volume", L"", false, false, ERROR_INSTALL_FAILURE, true, false,
            L"--- Installing Part Velmo Sample Core"},
        // The second volume's package is the first part's: the second part's product is not
        // installed, and the run does not report success.
        {"package swapped on volume 2", L"", true, true, ERROR_INSTALL_FAILURE, true, false,
            L"Windows Installer does not report the product Velmo Sample Extras "
            L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A31} as installed after its part's run: the part failed.",
            SampleRoot() + L"\\parts\\core.msi"},
    };
    for (const Case& c : cases) {
        const std::wstring core = *c.corePackage ? TestDataPath(c.corePackage) : SampleRoot() + L"\\parts\\core.msi";
        TempDir dir;
        const std::wstring root = Distribution(dir, core);
        if (c.volume2)
            AddVolume2(dir, c.extrasPackage, c.swappedExtras);
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

// Nothing of a run stays behind: no copy of the merged package in the Windows Installer folder
// (its session and database are closed before the end), and none of setup's temporary files,
// Windows Installer's log of the merged package's session (captured with /log) included.
TEST_F(QuietInstall, NothingOfARunStaysInTheInstallerOrTemporaryFolder)
{
    const NewInstallerFolderCopies mergedCopies(SampleRoot() + L"\\merged.msi");
    PrivateTempFolder temp;
    for (const char* spec : {"", "[Features]\r\nCore=Absent\r\nCoreHelp=Absent\r\nExtras=Absent\r\n"}) {
        SCOPED_TRACE(*spec ? "remove" : "install");
        QuietRun run = RunQuiet(SampleRoot(), spec, L"/log");
        EXPECT_EQ(0u, run.exitCode) << Narrow(run.log);
        EXPECT_EQ(0u, mergedCopies.Count());
        EXPECT_EQ(L"", temp.SetupFiles());
    }
}

// A package that Windows Installer cannot read without faulting (bytes changed on the medium):
// the fault is reported with the structured-exception row, and the run still ends through its
// exit (the exit line last, with the exception's code), its sessions closed and its temporary
// files removed. Each row corrupts its own copy of one package.
TEST_F(QuietInstall, CorruptPackagesEndThroughTheNormalExit)
{
    struct Row {
        const char* name;
        bool mergedPackage;  // else the first part's package
        size_t offset;
        size_t count;
        DWORD exitCode;
        // Files that the faulting call of Windows Installer still holds open at the end (its log
        // and its copy of the part package) stay; setup's own are gone.
        bool installerFilesRemoved;
    };
    const Row rows[] = {
        // An access violation inside the package's open.
        {"corrupt merged package", true, 10240, 64, 0xC0000005u, true},
        // The C run time's invalid-parameter exception during the part's install.
        {"corrupt part package", false, 1024, 16, 0xC0000417u, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::wstring sample = row.mergedPackage ? SampleRoot() + L"\\merged.msi" : SampleRoot() + L"\\parts\\core.msi";
        const std::wstring corrupt = dir.File(row.mergedPackage ? L"merged.msi" : L"core.msi");
        WriteCorruptCopy(sample, corrupt, row.offset, row.count);
        const std::wstring root = row.mergedPackage ? Distribution(dir, SampleRoot() + L"\\parts\\core.msi", corrupt)
                                                    : Distribution(dir, corrupt);
        AddVolume2(dir, true);
        PrivateTempFolder temp;
        const NewInstallerFolderCopies mergedCopies(SampleRoot() + L"\\merged.msi");
        const NewInstallerFolderCopies corruptCopies(corrupt);
        QuietRun run = RunQuiet(root, std::string(), L"/log");
        EXPECT_EQ(row.exitCode, run.exitCode) << Narrow(run.log);
        wchar_t seh[64] = {};
        swprintf(seh, 64, L"Structured Exception number 0x%X", static_cast<unsigned int>(row.exitCode));
        EXPECT_NE(std::wstring::npos, run.log.find(seh)) << Narrow(run.log);
        const std::wstring last = LastLine(run.log);
        EXPECT_EQ(0u, last.find(L"OrbelInstaller: OrbelInstaller exiting ")) << Narrow(last);
        EXPECT_NE(std::wstring::npos, last.find(L". Returning " + std::to_wstring(static_cast<int>(row.exitCode))))
            << Narrow(last);
        EXPECT_EQ(0u, mergedCopies.Count());
        if (row.installerFilesRemoved) {
            EXPECT_EQ(0u, corruptCopies.Count());
            EXPECT_EQ(L"", temp.SetupFiles());
        } else {
            EXPECT_EQ(std::wstring::npos, temp.SetupFiles().find(L"zki")) << Narrow(temp.SetupFiles());
        }
        RemoveProducts();
    }
}

// The post-processing program runs before ("/undo") and after each part ("/qnm": the part was
// not installed before); one that cannot start (a text file) is logged with the system's reason,
// naming the program, and the parts install all the same.
TEST_F(QuietInstall, PostProcessingProgramRunsAroundEachPart)
{
    TempDir dir;
    const std::wstring program = dir.File(L"postprocess.exe");
    ASSERT_TRUE(CopyFileW((SampleRoot() + L"\\tools\\postprocess.exe").c_str(), program.c_str(), FALSE));
    const std::wstring root = Distribution(dir, SampleRoot() + L"\\parts\\core.msi", std::wstring(), program);
    AddVolume2(dir, true);
    QuietRun run = RunQuiet(root);
    EXPECT_EQ(0u, run.exitCode) << Narrow(run.log);
    EXPECT_EQ("/undo\r\n/qnm\r\n/undo\r\n/qnm\r\n", ReadFileBytes(dir.File(L"postprocess.log")));
    EXPECT_NE(std::wstring::npos, run.log.find(L"--- Finished ZKPie post-part: ")) << Narrow(run.log);
    EXPECT_EQ(std::wstring::npos, run.log.find(L"ZKPie pre-part failed")) << Narrow(run.log);
    RemoveProducts();

    TempDir failing;
    const std::wstring text = TestDataPath(L"app\\postprocessor.txt");
    const std::wstring failingRoot = Distribution(failing, SampleRoot() + L"\\parts\\core.msi", std::wstring(), text);
    AddVolume2(failing, true);
    QuietRun failed = RunQuiet(failingRoot);
    EXPECT_EQ(0u, failed.exitCode) << Narrow(failed.log);
    EXPECT_TRUE(IsInstalled(kCoreCode));
    const size_t line = failed.log.find(L"--- ZKPie pre-part failed: ");
    ASSERT_NE(std::wstring::npos, line) << Narrow(failed.log);
    const std::wstring reason = failed.log.substr(line, failed.log.find(L'\n', line) - line);
    EXPECT_NE(std::wstring::npos, reason.find(text)) << Narrow(reason);
    EXPECT_EQ(std::wstring::npos, failed.log.find(L"%1")) << Narrow(failed.log);
}
