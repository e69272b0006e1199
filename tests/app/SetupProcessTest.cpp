// setup.exe started as a process: exit codes of the start-up and the message boxes it shows
// (found, read and closed by the test).
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <sstream>
#include <string>
#include <vector>

#include "MessageBoxWatcher.h"
#include "SamplePackages.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

struct SetupRun {
    DWORD exitCode = 0;
    std::vector<SeenMessageBox> boxes;
};

SetupRun RunSetup(const std::wstring& arguments)
{
    MessageBoxWatcher watcher;
    ProcessResult result = RunProcess(L"\"" + ModuleDir() + L"\\setup.exe\" " + arguments, 30000);
    SetupRun run;
    run.boxes = watcher.Stop();
    EXPECT_FALSE(result.timedOut) << "setup.exe " << std::string(arguments.begin(), arguments.end());
    run.exitCode = result.exitCode;
    return run;
}

// The sample distribution laid out by the build beside the programs.
std::wstring SampleRoot()
{
    return ModuleDir() + L"\\sample";
}

// A UTF-16LE file as text (its byte-order mark included).
std::wstring ReadUtf16File(const std::wstring& path)
{
    const LogFile log = ReadLogFile(path);
    return (log.bom ? L"\xFEFF" : L"") + log.text;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// A configuration that passes the first two steps and the page records (its licence pages are
// not shown), naming the sample's files by absolute path, with the title string `title` and the
// custom module `custom` (empty: the sample's), followed by `extra`.
std::string SampleIniWithAbsolutePaths(
    const std::string& extra, const std::string& title = "1", const std::string& custom = "")
{
    const std::string root = Narrow(SampleRoot()) + "\\";
    const std::string customModule = custom.empty() ? root + "res\\custom1033.dll" : custom;
    return "[MsiEngine]\r\nWinNTPath=" + root
        + "engine\\engine-installer.txt\r\nCommandLine=/q\r\n"
          "RequiredVersion=2.0.0.0\r\n"
          "[Localization]\r\nLanguages=1033\r\nCustomRes1033="
        + customModule
        + "\r\n"
          "[Distribution]\r\nTitle="
        + title
        + "\r\nGUID={5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A10}\r\nVersion=1.0.0.0\r\n"
          "[Utilities]\r\nUpgradeManagerPostProcessor="
        + root
        + "tools\\postprocess.exe\r\n"
          "ZKSysInfo="
        + root
        + "tools\\ZKSysInfo.dll\r\n"
          "[Dialogs]\r\nLicense=0\r\nLicense2=0\r\n"
        + extra;
}

const wchar_t kUsageStart[] = L"setup [Specfile] [/q]";
const wchar_t kInvalid[] = L"Invalid command line parameters.";

TEST(SetupProcess, HelpShowsTheUsage)
{
    for (const wchar_t* arguments : {L"/?", L"-h", L"/H"}) {
        SCOPED_TRACE(arguments);
        SetupRun run = RunSetup(arguments);
        EXPECT_EQ(1639u, run.exitCode);
        ASSERT_EQ(1u, run.boxes.size());
        EXPECT_EQ(L"setup", run.boxes[0].caption);
        EXPECT_EQ(0u, run.boxes[0].text.find(kUsageStart)) << run.boxes[0].text.c_str();
    }
}

TEST(SetupProcess, BadCommandLineShowsTheErrorAndTheUsage)
{
    for (const wchar_t* arguments : {L"/nosuchswitch", L"/level abc"}) {
        SCOPED_TRACE(arguments);
        SetupRun run = RunSetup(arguments);
        EXPECT_EQ(1639u, run.exitCode);
        ASSERT_EQ(1u, run.boxes.size());
        EXPECT_EQ(L"setup", run.boxes[0].caption);
        const std::wstring expected = std::wstring(kInvalid) + L"\r\n" + kUsageStart;
        EXPECT_EQ(0u, run.boxes[0].text.find(expected)) << run.boxes[0].text.c_str();
    }
}

TEST(SetupProcess, QuietRunDecliningTheLicencesShowsNothing)
{
    TempDir dir;
    SetupRun run = RunSetup(L"/qn /AcceptLicenses NO /log \"" + dir.File(L"setup.log") + L"\"");
    EXPECT_EQ(1602u, run.exitCode);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_FALSE(FileExists(dir.File(L"setup.log")));
}

// Without a configuration beside the program (build/bin has no setup.ini) or at /root.
TEST(SetupProcess, MissingIniFileEndsTheRun)
{
    TempDir empty;
    for (const std::wstring& arguments :
        {std::wstring(), L"/root \"" + empty.Path() + L"\"", L"/root \"" + SampleRoot() + L"\" /ini other.ini"}) {
        SCOPED_TRACE(std::string(arguments.begin(), arguments.end()));
        SetupRun run = RunSetup(arguments);
        EXPECT_EQ(static_cast<DWORD>(-11005), run.exitCode);
        ASSERT_EQ(1u, run.boxes.size());
        EXPECT_EQ(L"setup", run.boxes[0].caption);
        EXPECT_NE(std::wstring::npos, run.boxes[0].text.find(L"Fatal Error. Unable to find initialization file."))
            << run.boxes[0].text.c_str();
    }
    SetupRun quiet = RunSetup(L"/qn /AcceptLicenses yes /root \"" + empty.Path() + L"\"");
    EXPECT_EQ(static_cast<DWORD>(-11005), quiet.exitCode);
    EXPECT_TRUE(quiet.boxes.empty());
}

// Every bad entry of a step is reported at once, one numbered line each.
TEST(SetupProcess, BrokenIniFileIsReportedWhole)
{
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File(L"setup.ini"),
        "[MsiEngine]\r\nRequiredVersion=2.0.0.0\r\n"
        "[Debug]\r\nLogging=x*v log.txt\r\n"));
    SetupRun run = RunSetup(L"/root \"" + dir.Path() + L"\"");
    EXPECT_EQ(static_cast<DWORD>(-11006), run.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    const std::wstring& text = run.boxes[0].text;
    EXPECT_NE(std::wstring::npos, text.find(L"Developer Error. The following errors were found in your ini file:"))
        << text.c_str();
    EXPECT_NE(std::wstring::npos,
        text.find(L"1. Missing Key: [MsiEngine] WinNTPath\r\n"
                  L"2. Missing Key: [MsiEngine] CommandLine\r\n"
                  L"3. Bad Value: [Debug] Logging = x*v log.txt\r\n"))
        << text.c_str();
    // Nothing is logged before the log is open.
    EXPECT_FALSE(FileExists(dir.File(L"log.txt")));
}

// The sample distribution of the repository: its log starts with the start line and ends with
// the exit line; the run installs the sample (restart suppressed), which is removed again.
TEST(SetupProcess, SampleDistributionStartsItsLog)
{
    TempDir dir;
    const std::wstring logFile = dir.File(L"setup.log");
    SetupRun run = RunSetup(L"/qn /AcceptLicenses yes /r:n /root \"" + SampleRoot() + L"\" /l*v \"" + logFile + L"\"");
    RemoveSampleProducts();
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(run.boxes.empty());
    const std::wstring log = ReadUtf16File(logFile);
    const std::wstring start = L"\xFEFFOrbelInstaller: Started OrbelInstaller: ";
    ASSERT_EQ(0u, log.find(start)) << std::string(log.begin(), log.end());
    // The local time as asctime writes it, e.g. "Thu Dec 10 15:32:24 2026".
    const size_t end = log.find(L"\r\n");
    ASSERT_NE(std::wstring::npos, end);
    EXPECT_EQ(24u, end - start.size()) << std::string(log.begin(), log.end());
    EXPECT_EQ(std::wstring::npos, log.find(L"OrbelInstaller: ERROR!")) << Narrow(log);
    // The exit line is the last line.
    const size_t exitLine = log.rfind(L"OrbelInstaller: OrbelInstaller exiting ");
    ASSERT_NE(std::wstring::npos, exitLine) << std::string(log.begin(), log.end());
    const std::wstring returning = L". Returning 0\r\n";
    EXPECT_EQ(log.size() - returning.size(), log.find(returning, exitLine));
}

// [OS] bounds that exclude the running system end the run with the configured message.
TEST(SetupProcess, OperatingSystemOutsideTheBounds)
{
    for (const char* bounds : {"VersionNTMin=-1\r\n", "VersionNTMax=5,0\r\n", "VersionNTMin=99,0\r\n"}) {
        SCOPED_TRACE(bounds);
        TempDir dir;
        ASSERT_TRUE(
            WriteFileBytes(dir.File(L"setup.ini"), SampleIniWithAbsolutePaths(std::string("[OS]\r\n") + bounds)));
        SetupRun run
            = RunSetup(L"/qn /AcceptLicenses yes /root \"" + dir.Path() + L"\" /log \"" + dir.File(L"x.log") + L"\"");
        EXPECT_EQ(static_cast<DWORD>(-12009), run.exitCode);
        EXPECT_TRUE(run.boxes.empty());
        const std::wstring log = ReadUtf16File(dir.File(L"x.log"));
        EXPECT_NE(std::wstring::npos,
            log.find(L"ERROR! This computer does not meet the minimum operating system requirements"))
            << std::string(log.begin(), log.end());
    }
}

// The configuration's [Debug] Logging names the log when the command line does not; a
// relative name lies in the configuration folder.
TEST(SetupProcess, ConfigurationNamesTheLog)
{
    TempDir dir;
    ASSERT_TRUE(
        WriteFileBytes(dir.File(L"setup.ini"), SampleIniWithAbsolutePaths("[Debug]\r\nLogging=l*v+ run.log\r\n")));
    SetupRun run = RunSetup(L"/qn /AcceptLicenses yes /root \"" + dir.Path() + L"\"");
    EXPECT_NE(0u, run.exitCode);
    EXPECT_EQ(0u, ReadUtf16File(dir.File(L"run.log")).find(L"\xFEFFOrbelInstaller: Started OrbelInstaller: "));
    // "+": appended by the next run.
    RunSetup(L"/qn /AcceptLicenses yes /root \"" + dir.Path() + L"\"");
    const std::wstring log = ReadUtf16File(dir.File(L"run.log"));
    EXPECT_NE(std::wstring::npos, log.find(L"Started OrbelInstaller: ", log.find(L"ERROR!")));
}

// A /root folder that cannot be entered never makes the caller's folder the distribution's:
// started from the sample's folder, the run looks for the INI in the missing root.
TEST(SetupProcess, MissingRootIsNotTheCallersFolder)
{
    TempDir dir;
    const std::wstring missing = dir.File(L"no such folder");
    wchar_t saved[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(SampleRoot().c_str());
    SetupRun run = RunSetup(L"/qn /AcceptLicenses yes /root \"" + missing + L"\" /log \"" + dir.File(L"x.log") + L"\"");
    SetCurrentDirectoryW(saved);
    EXPECT_EQ(static_cast<DWORD>(-11005), run.exitCode);
    EXPECT_FALSE(FileExists(dir.File(L"x.log")));
}

// The log never replaces the configuration or a package of the distribution.
TEST(SetupProcess, LogThatWouldReplaceADistributionFileIsRefused)
{
    TempDir dir;
    const std::string ini = SampleIniWithAbsolutePaths("[Parts]\r\nCore=\r\n[Core]\r\nPath=parts\\core.msi\r\n"
                                                       "[Merged]\r\nPath=merged.msi\r\n");
    ASSERT_TRUE(WriteFileBytes(dir.File(L"setup.ini"), ini));
    ASSERT_TRUE(WriteFileBytes(dir.File(L"merged.msi"), "merged"));
    CreateDirectoryW(dir.File(L"parts").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(dir.File(L"parts\\core.msi"), "core"));
    for (const std::wstring& log :
        {dir.File(L"SETUP.INI"), std::wstring(L"merged.msi"), std::wstring(L"parts\\core.msi")}) {
        SCOPED_TRACE(std::string(log.begin(), log.end()));
        SetupRun run = RunSetup(L"/root \"" + dir.Path() + L"\" /log \"" + log + L"\"");
        EXPECT_EQ(static_cast<DWORD>(-12007), run.exitCode);
        ASSERT_EQ(1u, run.boxes.size());
        EXPECT_NE(std::wstring::npos, run.boxes[0].text.find(L"Unable to open log file")) << run.boxes[0].text.c_str();
    }
    EXPECT_EQ(ini, ReadFileBytes(dir.File(L"setup.ini")));
    EXPECT_EQ("merged", ReadFileBytes(dir.File(L"merged.msi")));
    EXPECT_EQ("core", ReadFileBytes(dir.File(L"parts\\core.msi")));
}

// Malformed configurations of a distribution author: each ends the run with a clear error and
// the entry it names, in a bounded time. Later steps add their rows here.
TEST(SetupProcess, BadInputTable)
{
    std::string manyDisks = "[Disk Labels]\r\n";
    for (int disk = 1; disk <= 200000; ++disk)
        manyDisks += std::to_string(disk) + "=Disk\r\n";
    std::string manyReferences = "[Debug]\r\nLogging=l ";
    for (int i = 0; i < 100000; ++i)
        manyReferences += "%PATH%";
    manyReferences += "\\x.log\r\n";
    const struct {
        const char* name;
        std::string extra;  // appended to a configuration that passes the first steps
        DWORD exitCode;
        const wchar_t* logged;                     // expected in the log (or in the message box without a log)
        const char* title = "1";                   // the string id of the title
        std::string customBlock1 = std::string();  // when set, the custom module's first string block as these bytes
        bool quiet = false;                        // a quiet run (/qn) that logs: `logged` is looked for in its log
    } rows[] = {
        {"signed disk number", "[Disk Labels]\r\n-1=Minus\r\n+3=Plus\r\n", static_cast<DWORD>(-11006),
            L"1. Bad Key: [Disk Labels] +3\r\n2. Bad Key: [Disk Labels] -1\r\n"},
        {"signed volume number", "[Volume Labels]\r\n-2=Minus\r\n", static_cast<DWORD>(-11006),
            L"1. Bad Key: [Volume Labels] -2\r\n"},
        {"bitmap the language module lacks", "[Graphics]\r\nTopBar=302\r\n", static_cast<DWORD>(-11006),
            L"2. Specified resource not found: [Graphics] TopBar = 302\r\n"},
        {"linked distribution without title or GUID", "[Linked Distributions]\r\nDisk2=\r\n[Disk2]\r\nIDFile=x.id\r\n",
            static_cast<DWORD>(-11006), L"1. Missing Key: [Disk2] Title\r\n2. Missing Key: [Disk2] GUID\r\n"},
        // Read in bounded time: the run gets as far as loading the parts, which this configuration lacks.
        {"200,000 disk labels", manyDisks, 1602, L"1. Missing Section: [Merged]"},
        {"100,000 environment references in the log name", manyReferences, static_cast<DWORD>(-12007),
            L"Unable to open log file"},
        // The message names the missing string, not the Windows error.
        {"title naming a missing string", "", static_cast<DWORD>(-10006),
            L"Fatal Error. Unable to load RT_STRING resource 4321.", "4321"},
        // A string table whose lengths run past its block: the title is missing, nothing is read
        // outside the module.
        {"custom module with a corrupt string table", "", static_cast<DWORD>(-10006),
            L"Fatal Error. Unable to load RT_STRING resource 1.", "1", std::string("\0\0\x40\x9c", 4)},
        // The first part's package swapped for the second part's: refused with the configuration,
        // before anything is installed.
        {"part package swapped for another part's",
            "[Merged]\r\nPath=" + Narrow(SampleRoot())
                + "\\merged.msi\r\n[Parts]\r\nCore=\r\n[Core]\r\nPath=" + Narrow(ModuleDir())
                + "\\SAMPLE2\\parts\\extras.msi\r\nProductCode={5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A21}\r\n",
            static_cast<DWORD>(-11006),
            L"1. Bad Value: [Core] ProductCode = {5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A21} (the package ", "1",
            std::string(), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        std::string custom;
        if (!row.customBlock1.empty()) {
            ASSERT_TRUE(CopyWithRawStringBlock(
                SampleRoot() + L"\\res\\custom1033.dll", dir.File(L"custom.dll"), 1, row.customBlock1));
            custom = Narrow(dir.File(L"custom.dll"));
        }
        ASSERT_TRUE(WriteFileBytes(dir.File(L"setup.ini"), SampleIniWithAbsolutePaths(row.extra, row.title, custom)));
        if (row.quiet) {
            const std::wstring logFile = dir.File(L"setup.log");
            SetupRun run = RunSetup(L"/qn /AcceptLicenses yes /root \"" + dir.Path() + L"\" /log \"" + logFile + L"\"");
            EXPECT_EQ(row.exitCode, run.exitCode);
            EXPECT_TRUE(run.boxes.empty());
            const std::wstring log = ReadUtf16File(logFile);
            EXPECT_NE(std::wstring::npos, log.find(row.logged)) << Narrow(log);
            continue;
        }
        SetupRun run = RunSetup(L"/root \"" + dir.Path() + L"\"");
        EXPECT_EQ(row.exitCode, run.exitCode);
        // The wizard's frame (no text of its own) and the cancel question that closing it asks are
        // not errors.
        std::vector<SeenMessageBox> errors;
        for (const SeenMessageBox& box : run.boxes)
            if (!box.text.empty() && box.text.find(L"Are you sure you want to cancel?") == std::wstring::npos)
                errors.push_back(box);
        ASSERT_EQ(1u, errors.size());
        EXPECT_NE(std::wstring::npos, errors[0].text.find(row.logged)) << Narrow(errors[0].text);
        // An error names its module and line, never a path of the build.
        EXPECT_EQ(std::wstring::npos, errors[0].text.find(L'/')) << Narrow(errors[0].text);
    }
}

// Every page reads its bitmap from [Graphics]: a quiet run whose language module lacks them
// reports every page's entry in one list, in page order, and ends before anything is loaded.
TEST(SetupProcess, MissingBitmapsOfEveryPageAreReportedTogether)
{
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File(L"setup.ini"),
        SampleIniWithAbsolutePaths("[Graphics]\r\nFullScreen=welcome, 9999\r\n"
                                   "TopBar=banner\r\n")));
    const std::wstring logFile = dir.File(L"setup.log");
    SetupRun run = RunSetup(L"/qn /AcceptLicenses yes /root \"" + dir.Path() + L"\" /log \"" + logFile + L"\"");
    EXPECT_EQ(static_cast<DWORD>(-11006), run.exitCode);
    EXPECT_TRUE(run.boxes.empty());
    std::wstring expected
        = L"OrbelInstaller: 1. Specified resource not found: [Graphics] FullScreen = welcome, 9999\r\n";
    for (int page = 2; page <= 13; ++page)
        expected += L"OrbelInstaller: " + std::to_wstring(page)
            + L". Specified resource not found: [Graphics] TopBar = banner\r\n";
    expected += L"OrbelInstaller: \r\n";
    const std::wstring log = ReadUtf16File(logFile);
    EXPECT_NE(std::wstring::npos, log.find(expected)) << Narrow(log);
}

// A second instance while another holds the mutex.
TEST(SetupProcess, SecondInstanceIsRefused)
{
    // The first instance's log stays as it is: the refused one never opens it.
    TempDir dir;
    const std::wstring log = dir.File(L"first.log");
    ASSERT_TRUE(WriteFileBytes(log, "first instance's log"));
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"_ZKOrbelInstallerMutex");
    ASSERT_NE(nullptr, mutex);
    SetupRun run = RunSetup(L"/qn /AcceptLicenses yes /root \"" + SampleRoot() + L"\" /log \"" + log + L"\"");
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    EXPECT_EQ(static_cast<DWORD>(-12003), run.exitCode);
    EXPECT_EQ("first instance's log", ReadFileBytes(log));
}

DWORD WINAPI TakeMutexAndEnd(LPVOID mutex)
{
    *static_cast<HANDLE*>(mutex) = CreateMutexW(nullptr, TRUE, L"_ZKOrbelInstallerMutex");
    return 0;
}

// A child installer (/masterhWnd) never takes the mutex, so it runs beside its master; a mutex
// whose owner ended without releasing it is taken over. Both runs open their log.
TEST(SetupProcess, ChildInstallerAndAbandonedMutexRun)
{
    HWND master = CreateWindowExW(0, L"STATIC", L"master", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, master);
    std::wostringstream masterText;
    masterText << std::hex << static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(master));

    HANDLE held = CreateMutexW(nullptr, TRUE, L"_ZKOrbelInstallerMutex");
    ASSERT_NE(nullptr, held);
    TempDir childDir;
    SetupRun child = RunSetup(L"/qn /AcceptLicenses yes /masterhWnd " + masterText.str() + L" /root \"" + SampleRoot()
        + L"\" /l*v \"" + childDir.File(L"child.log") + L"\"");
    ReleaseMutex(held);
    CloseHandle(held);
    DestroyWindow(master);
    EXPECT_NE(static_cast<DWORD>(-12003), child.exitCode);
    EXPECT_EQ(0u, ReadUtf16File(childDir.File(L"child.log")).find(L"\xFEFFOrbelInstaller: Started OrbelInstaller: "));

    // The owner is a thread of this process that ended; this process keeps the mutex in being.
    HANDLE abandoned = nullptr;
    HANDLE owner = CreateThread(nullptr, 0, &TakeMutexAndEnd, &abandoned, 0, nullptr);
    ASSERT_NE(nullptr, owner);
    WaitForSingleObject(owner, INFINITE);
    CloseHandle(owner);
    ASSERT_NE(nullptr, abandoned);
    TempDir dir;
    SetupRun run
        = RunSetup(L"/qn /AcceptLicenses yes /root \"" + SampleRoot() + L"\" /l*v \"" + dir.File(L"setup.log") + L"\"");
    CloseHandle(abandoned);
    EXPECT_NE(static_cast<DWORD>(-12003), run.exitCode);
    EXPECT_EQ(0u, ReadUtf16File(dir.File(L"setup.log")).find(L"\xFEFFOrbelInstaller: Started OrbelInstaller: "));
    RemoveSampleProducts();
}

}  // namespace

// A spec file named on the command line that does not exist: its full path in the message, -1.
TEST(SetupProcess, MissingSpecFileIsNamed)
{
    TempDir dir;
    const std::wstring spec = dir.File(L"missing-spec.ini");
    SetupRun run = RunSetup(L"\"" + spec + L"\" /qn /AcceptLicenses yes /root \"" + SampleRoot() + L"\"");
    EXPECT_EQ(static_cast<DWORD>(-1), run.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_NE(std::wstring::npos, run.boxes[0].text.find(spec)) << Narrow(run.boxes[0].text);
}

// A part package that does not exist is found by the loader's reading of the part records: the
// numbered list in the log, -11006, and the exit line last.
TEST(SetupProcess, MissingPartPackageIsListed)
{
    TempDir dir;
    const std::string root = Narrow(SampleRoot()) + "\\";
    ASSERT_TRUE(WriteFileBytes(dir.File(L"setup.ini"),
        SampleIniWithAbsolutePaths("[Merged]\r\nPath=" + root
            + "merged.msi\r\n[Parts]\r\nGhost=\r\n[Ghost]\r\nPath=" + root + "parts\\ghost.msi\r\n")));
    const std::wstring logFile = dir.File(L"setup.log");
    SetupRun run = RunSetup(L"/qn /AcceptLicenses yes /root \"" + dir.Path() + L"\" /l*v \"" + logFile + L"\"");
    EXPECT_EQ(static_cast<DWORD>(-11006), run.exitCode);
    const std::wstring log = ReadUtf16File(logFile);
    EXPECT_NE(std::wstring::npos, log.find(L"1. Specified file not found: [Ghost] Path = ")) << Narrow(log);
    EXPECT_NE(std::wstring::npos, log.rfind(L"OrbelInstaller: OrbelInstaller exiting ")) << Narrow(log);
}

// The spec file's entries that only the loaded distribution can check end the run when the
// loader applies them: a feature the distribution lacks, and a feature that may not be absent
// asked to be Absent, in one numbered list; nothing is installed.
TEST(SetupProcess, SpecFileErrorsFoundByTheLoadEndTheRun)
{
    RemoveSampleProducts();
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(
        dir.File(L"spec.ini"), "[Features]\r\nCore=Absent\r\nNoSuch=Local\r\n[FeatureDisallowAbsent]\r\nCore=\r\n"));
    const std::wstring logFile = dir.File(L"setup.log");
    SetupRun run = RunSetup(L"\"" + dir.File(L"spec.ini") + L"\" /qn /AcceptLicenses yes /root \"" + SampleRoot()
        + L"\" /l*v \"" + logFile + L"\"");
    EXPECT_EQ(static_cast<DWORD>(-12002), run.exitCode);
    for (const auto& box : run.boxes)
        ADD_FAILURE() << Narrow(box.text);
    const std::wstring log = ReadUtf16File(logFile);
    EXPECT_NE(std::wstring::npos,
        log.find(L"OrbelInstaller: 1. Bad Key: [Features] NoSuch\r\nOrbelInstaller: 2. Bad Key: [Features] Core\r\n"))
        << Narrow(log);
    EXPECT_EQ(INSTALLSTATE_UNKNOWN, MsiQueryProductStateW(L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A21}"));
    RemoveSampleProducts();
}
