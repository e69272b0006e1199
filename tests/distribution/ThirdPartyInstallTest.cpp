// The parts of a distribution that another vendor's installer installs: the commands read for
// the state the part's fake feature changes to, and the run of those commands (executables
// started from a folder with a blank, packages handed to Windows Installer through the table's
// seam), with what it logs.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Distribution.h"
#include "Feature.h"
#include "ModelTestSupport.h"
#include "MsiApi.h"
#include "MsiSession.h"
#include "Part.h"
#include "TestSupport.h"
#include "ThirdPartyInstall.h"

namespace {

std::wstring Describe(const CPart::ThirdPartyCommand& c)
{
    std::wostringstream out;
    out << c.title.GetString() << L"|" << c.packagePath.GetString() << L"|" << c.command.GetString() << L"|msi "
        << c.msi << L"|ignore " << c.ignoreExitCode << L"|place " << c.placement << L"|state " << c.state;
    return out.str();
}

CPart::ThirdPartyCommand Command(const wchar_t* command, bool msi, bool ignoreExitCode,
    INSTALLSTATE state = INSTALLSTATE_LOCAL, const wchar_t* packagePath = L"")
{
    CPart::ThirdPartyCommand entry;
    entry.title = L"Vendor Tool";
    entry.packagePath = packagePath;
    entry.command = command;
    entry.msi = msi;
    entry.ignoreExitCode = ignoreExitCode;
    entry.state = state;
    return entry;
}

// The package installs asked of Windows Installer, each answered with `s_msiResult`.
std::vector<std::wstring> s_msiCalls;
UINT s_msiResult = ERROR_SUCCESS;

UINT WINAPI RecordInstallProduct(LPCWSTR package, LPCWSTR commandLine)
{
    s_msiCalls.push_back(std::wstring(package) + L"|" + commandLine);
    return s_msiResult;
}

// The log's text without prefixes and line breaks (wrapped lines joined again), with every run
// of blanks as one blank.
std::wstring Unwrapped(const testsupport::LogFile& log)
{
    const std::wstring prefix = L"OrbelInstaller: ";
    std::wstring joined;
    for (const std::wstring& line : log.lines)
        joined += (line.compare(0, prefix.size(), prefix) == 0 ? line.substr(prefix.size()) : line) + L" ";
    std::wstring text;
    for (wchar_t c : joined) {
        if (c != L' ' || text.empty() || text.back() != L' ')
            text += c;
    }
    return text;
}

}  // namespace

TEST(ThirdPartyInstall, NamesTheInstallStates)
{
    const struct {
        int state;
        const wchar_t* name;
    } cases[] = {
        {-8, L"Invalid State"},
        {-7, L"Not Used"},
        {-6, L"Bad Configuration"},
        {-5, L"Incomplete"},
        {-4, L"Absent"},
        {-3, L"Buffer Overflow"},
        {-2, L"Invalid Argument"},
        {-1, L"Unknown"},
        {0, L"Broken"},
        {1, L"Advertised Feature or Removed Component"},
        {2, L"Absent"},
        {3, L"Local"},
        {4, L"Source"},
        {5, L"Default"},
        {6, L"Invalid State"},
    };
    for (const auto& c : cases) {
        std::wostringstream out;
        WriteInstallStateName(out, c.state) << L"!";
        EXPECT_EQ(std::wstring(c.name) + L"!", out.str()) << c.state;
    }
}

// The program of a vendor's command is taken from the package folder and quoted, so that a
// folder with blanks stays one program path; the arguments follow unchanged.
TEST(ThirdPartyInstall, BuildsPathsAndCommandLinesFromThePackageFolder)
{
    const struct {
        const wchar_t* folder;
        const wchar_t* command;
        const wchar_t* expected;
    } cases[] = {
        {L"D:\\Vendor Files", L"setup.exe /s /v\"x y\"", L"\"D:\\Vendor Files\\setup.exe\" /s /v\"x y\""},
        {L"D:\\Vendor Files\\", L"setup.exe", L"\"D:\\Vendor Files\\setup.exe\""},
        {L"D:\\Vendor", L"\"my setup.exe\" /s", L"\"D:\\Vendor\\my setup.exe\" /s"},
        {L"D:\\Vendor", L"\"my setup.exe", L"\"D:\\Vendor\\my setup.exe\""},  // no closing quote
        {L"D:\\Vendor", L"\\bin\\setup.exe\t/s", L"\"D:\\Vendor\\bin\\setup.exe\"\t/s"},
        {L"D:\\Vendor", L"  setup.exe /s", L"\"D:\\Vendor\\setup.exe\" /s"},
        {L"", L"setup.exe /s", L"\"setup.exe\" /s"},  // no folder: the program as it stands
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, std::wstring(BuildThirdPartyCommandLine(c.folder, c.command).GetString())) << c.command;

    EXPECT_EQ(L"D:\\Vendor\\tool.msi", std::wstring(JoinThirdPartyPath(L"D:\\Vendor", L"tool.msi").GetString()));
    EXPECT_EQ(L"D:\\Vendor\\tool.msi", std::wstring(JoinThirdPartyPath(L"D:\\Vendor", L"\\tool.msi").GetString()));
    EXPECT_EQ(L"tool.msi", std::wstring(JoinThirdPartyPath(L"", L"tool.msi").GetString()));

    EXPECT_EQ(L"D:\\Vendor Files", std::wstring(GetPackageFolder(L"D:\\Vendor Files\\tool.msi").GetString()));
    EXPECT_EQ(L"", std::wstring(GetPackageFolder(L"tool.msi").GetString()));
}

TEST(ThirdPartyInstall, FormatsTheProgressStatus)
{
    EXPECT_EQ(L"Currently installing Vendor Tool.  Part 2 of 3.",
        std::wstring(FormatThirdPartyStatus(L"Vendor Tool", 2, 3).GetString()));
}

// One command per changing fake feature of another vendor's installer, from the column of the
// state it changes to, formatted in the merged session, with the state's flags and the placement.
TEST(ThirdPartyInstall, ReadsTheCommandOfTheStateTheFeatureChangesTo)
{
    modeltest::TestAppServices app;
    MsiSmartPtr<MsiSession> session = MsiSession::OpenPackage(testsupport::TestDataPath(L"vendor_merged.msi").c_str());
    // Tool's Attributes 0x339: local 01 (a package), source 10 (exit code ignored), advertise 11,
    // remove 00, and both placement bits; Helper's 0x200 places it last.
    const struct {
        const wchar_t* feature;
        int kind;
        int installed;
        int action;
        const wchar_t* expected;  // null: no command
    } cases[] = {
        {L"Vendor", CFeature::kThirdParty, 2, 3,
            L"Vendor Tool|packages\\tool.msi|/i /quiet|msi 1|ignore 0|place -1|state 3"},
        {L"Vendor", CFeature::kThirdParty, 2, 5,
            L"Vendor Tool|packages\\tool.msi|/i /quiet|msi 1|ignore 0|place -1|state 5"},
        {L"Vendor", CFeature::kThirdParty, 2, 4,
            L"Vendor Tool|packages\\tool.msi|source|msi 0|ignore 1|place -1|state 4"},
        {L"Vendor", CFeature::kThirdParty, 2, 1,
            L"Vendor Tool|packages\\tool.msi|advertise|msi 1|ignore 1|place -1|state 1"},
        {L"Vendor", CFeature::kThirdParty, 3, 2, L"Vendor Tool|packages\\tool.msi||msi 0|ignore 0|place -1|state 2"},
        {L"Helper", CFeature::kThirdParty, 2, 3, L"Helper||helper.exe /s|msi 0|ignore 0|place 1|state 3"},
        {L"Vendor", CFeature::kThirdParty, 3, 3, nullptr},   // keeps its state
        {L"Vendor", CFeature::kThirdParty, 3, -1, nullptr},  // a state without a command column
        {L"Linked", CFeature::kThirdParty, 2, 3, nullptr},   // its row is of another type
        {L"Vendor", CFeature::kOrdinary, 2, 3, nullptr},     // not another vendor's feature
    };
    for (const auto& c : cases) {
        CFeature feature;
        feature.m_name = c.feature;
        feature.m_fakeKind = c.kind;
        feature.m_installedState = c.installed;
        feature.m_actionState = c.action;
        CPart part;
        part.AddFeature(&feature);
        part.Populate3rdPartyCommands(*session);
        if (!c.expected) {
            EXPECT_TRUE(part.GetThirdPartyCommands().empty()) << c.feature << L" " << c.action;
            continue;
        }
        ASSERT_EQ(1u, part.GetThirdPartyCommands().size()) << c.feature << L" " << c.action;
        EXPECT_EQ(c.expected, Describe(part.GetThirdPartyCommands()[0]));
    }
}

class ThirdPartyRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        s_msiCalls.clear();
        s_msiResult = ERROR_SUCCESS;
        m_folder = m_dir.File(L"vendor files");
        ASSERT_TRUE(CreateDirectoryW(m_folder.c_str(), nullptr));
        ASSERT_TRUE(CopyFileW(
            (testsupport::ModuleDir() + L"\\exitwith.exe").c_str(), (m_folder + L"\\tool.exe").c_str(), FALSE));
    }
    void TearDown() override { DeleteFileW((m_folder + L"\\tool.exe").c_str()); }

    UINT Run(const std::vector<CPart::ThirdPartyCommand>& commands)
    {
        return CPart::RunThirdPartyCommands(m_model, L"Vendor Tool", m_folder.c_str(), commands);
    }

    modeltest::TestAppServices m_app;
    testsupport::TempDir m_dir;
    std::wstring m_folder;
    CDistribution m_model;
};

// The result is the last one an entry set: an executable's exit code unless it is ignored,
// 1603 for one that cannot start, Windows Installer's result for a package; an empty command
// sets nothing.
TEST_F(ThirdPartyRun, ReturnsTheLastResultAnEntrySet)
{
    MsiApiOverride<decltype(MsiApiTable::MsiInstallProductW)> seam(MsiApi().MsiInstallProductW, &RecordInstallProduct);
    s_msiResult = 3010;
    const struct {
        const char* name;
        std::vector<CPart::ThirdPartyCommand> commands;
        UINT expected;
    } cases[] = {
        {"no entries", {}, 0},
        {"exit code", {Command(L"tool.exe 7", false, false)}, 7},
        {"exit code ignored", {Command(L"tool.exe 7", false, true)}, 0},
        {"ignored after a failure", {Command(L"tool.exe 5", false, false), Command(L"tool.exe 9", false, true)}, 5},
        {"later success", {Command(L"tool.exe 5", false, false), Command(L"tool.exe 0", false, false)}, 0},
        {"cannot start", {Command(L"missing.exe", false, false)}, 1603},
        {"cannot start, exit code ignored", {Command(L"missing.exe", false, true)}, 1603},
        {"empty command", {Command(L"tool.exe 4", false, false), Command(L"", false, false)}, 4},
        {"package", {Command(L"/i", true, false, INSTALLSTATE_LOCAL, L"tool.msi")}, 3010},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Run(c.commands)) << c.name;
}

TEST_F(ThirdPartyRun, SuppressesRestartsOfPackagesThatNameNone)
{
    MsiApiOverride<decltype(MsiApiTable::MsiInstallProductW)> seam(MsiApi().MsiInstallProductW, &RecordInstallProduct);
    Run({Command(L"/i X=1", true, false, INSTALLSTATE_LOCAL, L"tool.msi"),
        Command(L"REBOOTPROMPT=S", true, false, INSTALLSTATE_ABSENT, L"\\sub\\tool.msi"),
        Command(L"reboot=yes", true, false, INSTALLSTATE_SOURCE, L"tool.msi")});
    const std::vector<std::wstring> expected = {
        m_folder + L"\\tool.msi|/i X=1 REBOOT=ReallySuppress", m_folder + L"\\sub\\tool.msi|REBOOTPROMPT=S",
        m_folder + L"\\tool.msi|reboot=yes REBOOT=ReallySuppress",  // the name counts in capitals only
    };
    EXPECT_EQ(expected, s_msiCalls);
}

TEST_F(ThirdPartyRun, LogsEachEntry)
{
    MsiApiOverride<decltype(MsiApiTable::MsiInstallProductW)> seam(MsiApi().MsiInstallProductW, &RecordInstallProduct);
    s_msiResult = 1641;
    const std::wstring logPath = m_dir.File(L"run.log");
    m_app.Log().Open(logPath.c_str(), false);
    Run({Command(L"tool.exe 7", false, false), Command(L"", true, false, INSTALLSTATE_ABSENT),
        Command(L"missing.exe /x", false, false), Command(L"/i", true, false, INSTALLSTATE_LOCAL, L"tool.msi")});
    m_app.Log().Close();

    const std::wstring text = Unwrapped(testsupport::ReadLogFile(logPath));
    const std::vector<std::wstring> expected = {
        L"--- Installing 3rd Party Part Vendor Tool --- ",
        L"Launching 3rd Party Install Executable for Vendor Tool Command: \"" + m_folder + L"\\tool.exe\" 7 ",
        L"Part returned 7 ",
        L"No command line provided for state Absent. Skipping Vendor Tool. ",
        L"Launching 3rd Party Install Executable for Vendor Tool Command: \"" + m_folder + L"\\missing.exe\" /x ",
        L"ERROR: Failed to launch 3rd Party product Vendor Tool. Error: 2 ",
        L"Launching 3rd Party MSI for Vendor Tool Path: " + m_folder + L"\\tool.msi Command: /i REBOOT=ReallySuppress ",
        L"Part returned 1641 ",
        L"--- Finished Running 3rd Party Part Vendor Tool --- ",
    };
    // In this order, with nothing in between but the time after the first line.
    size_t at = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        const size_t found = text.find(expected[i], at);
        ASSERT_NE(std::wstring::npos, found) << expected[i] << L"\nin: " << text;
        EXPECT_TRUE(found == at || i == 1) << expected[i] << L"\nin: " << text;
        at = found + expected[i].size();
    }
}

// A blank in the program's name: the longest part of the command that names a program file in
// the folder is the program, so a shorter name that also exists is not started instead; a
// command whose program does not exist keeps its first word and fails to start.
TEST_F(ThirdPartyRun, ProgramWithABlankInItsName)
{
    const std::wstring exitWith = testsupport::ModuleDir() + L"\\exitwith.exe";
    const struct {
        const char* name;
        std::vector<const wchar_t*> files;  // copies of the exit-code program in the folder
        const wchar_t* command;
        const wchar_t* program;  // the quoted program, relative to the folder
        const wchar_t* arguments;
        UINT expected;
    } cases[] = {
        {"blank in the name", {L"my tool.exe"}, L"my tool.exe 7", L"my tool.exe", L" 7", 7},
        {"a shorter name exists too", {L"my tool.exe", L"my.exe"}, L"my tool.exe 7", L"my tool.exe", L" 7", 7},
        {"name without its extension", {L"my tool.exe"}, L"my tool 6", L"my tool", L" 6", 6},
        {"only the shorter name exists", {L"my.exe"}, L"my tool.exe 7", L"my", L" tool.exe 7", 0},
        {"in a sub-folder", {L"sub dir\\my tool.exe"}, L"sub dir\\my tool.exe\t5", L"sub dir\\my tool.exe", L"\t5", 5},
        {"nothing exists", {}, L"my tool.exe 7", L"my", L" tool.exe 7", 1603},
    };
    CreateDirectoryW((m_folder + L"\\sub dir").c_str(), nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const wchar_t* file : c.files)
            ASSERT_TRUE(CopyFileW(exitWith.c_str(), (m_folder + L"\\" + file).c_str(), FALSE));
        EXPECT_EQ(L"\"" + m_folder + L"\\" + c.program + L"\"" + c.arguments,
            std::wstring(BuildThirdPartyCommandLine(m_folder.c_str(), c.command).GetString()));
        EXPECT_EQ(c.expected, Run({Command(c.command, false, false)}));
        for (const wchar_t* file : c.files)
            DeleteFileW((m_folder + L"\\" + file).c_str());
    }
    RemoveDirectoryW((m_folder + L"\\sub dir").c_str());
}
