// setup.exe started as a process: exit codes of the start-up and the message boxes it shows
// (found, read and closed by the test).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MessageBoxWatcher.h"
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

// Steps that are not built yet stop the run as an aborted operation, with the fatal-error
// report naming the step.
TEST(SetupProcess, PlainRunStopsAtTheFirstStepNotBuiltYet)
{
    SetupRun run = RunSetup(L"");
    EXPECT_EQ(static_cast<DWORD>(-10004), run.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(L"setup", run.boxes[0].caption);
    EXPECT_EQ(0u, run.boxes[0].text.find(L"Fatal Error. Operation aborted.")) << run.boxes[0].text.c_str();
    EXPECT_NE(std::wstring::npos, run.boxes[0].text.find(L"CConfigInfo::SetIniFile")) << run.boxes[0].text.c_str();
}

TEST(SetupProcess, QuietPlainRunShowsNothing)
{
    SetupRun run = RunSetup(L"/qn /AcceptLicenses yes");
    EXPECT_EQ(static_cast<DWORD>(-10004), run.exitCode);
    EXPECT_TRUE(run.boxes.empty());
}

}  // namespace
