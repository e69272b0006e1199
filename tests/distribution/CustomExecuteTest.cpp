// The custom executes: their collection from the merged fixture package with the end page's
// record, and their launch with a program that records how it was started.
#include <gtest/gtest.h>

#include <windows.h>

#include <msiquery.h>

#include <sstream>
#include <string>
#include <vector>

#include "ConfigInfo.h"
#include "Distribution.h"
#include "DialogState.h"
#include "EndPageCheckbox.h"
#include "Feature.h"
#include "MsiSession.h"
#include "ModelFixture.h"
#include "ModelTestSupport.h"
#include "PrivateMessages.h"
#include "ServiceStandIns.h"
#include "TestSupport.h"
#include "Wnd.h"

namespace {

using modeltest::fixture::kCoreCode;
using modeltest::fixture::kExtrasCode;

std::string Ini(const std::string& endPage)
{
    return modeltest::ModelIni("", "", "[EndDialog]\r\n" + endPage);
}

// One line per execute: name, command line, part, then sync/async, silent, kind and check state.
std::wstring Describe(const std::list<CustomExecute>& executes)
{
    std::wostringstream out;
    for (const CustomExecute& e : executes)
        out << e.m_name.GetString() << L" | " << e.m_commandLine.GetString() << L" | " << e.m_product.GetString()
            << L" | " << (e.m_synchronous ? L"sync" : L"async") << (e.m_silent ? L" silent" : L"") << L" kind "
            << e.m_kind << L" state " << e.m_checkState << L"\n";
    return out.str();
}

class CollectionTest : public ::testing::Test {
protected:
    CollectionTest()
    {
        modeltest::CopyModelFiles(m_dir);
        // Only the end page's record is read.
        auto end = m_wizard.pages.find(kEndDialog);
        m_wizard.pages = {*end};
    }
    ~CollectionTest() override { m_config.FreeResourceModules(); }

    // The model loaded with that end page.
    void Load(const std::string& endPage)
    {
        testsupport::WriteFileBytes(m_dir.File(L"setup.ini"), Ini(endPage));
        m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        m_config.PopulateMsiInfo();
        m_config.LoadLanguageResource();
        m_config.Populate();
        m_config.PopulateDialogInfo();
        m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    }
    // The model loaded with that end page, its executes collected.
    std::wstring Collect(const std::string& endPage)
    {
        Load(endPage);
        m_model.CollectCustomExecutes();
        return Describe(m_model.GetCustomExecutes());
    }

    testsupport::CurrentFolderGuard m_currentFolder;
    testsupport::TempDir m_dir;
    modeltest::TestAppServices m_app;
    testsupport::StandInWizardServices m_wizard;
    testsupport::ScopedWizardServices m_wizardScope{&m_wizard};
    CConfigInfo m_config;
    CDistribution m_model;
    testsupport::ScopedDistributionServices m_modelServices{&m_model};
};

TEST_F(CollectionTest, EndPageListThenAlwaysCollectedRows)
{
    // ToolA: the check box's execute, kind 2 and checked though its row says kind 1. ToolB keeps
    // its kind; the check box's state property stays as the word. ToolC's condition is false and
    // its published row is not consulted; ToolE's condition is invalid and only it is skipped;
    // ToolD is published; ToolF's published condition is false. Then the type 2 rows in key
    // order: the driver-signing ones at the front (DrvB before DrvA), one of the two Late1 rows,
    // Pre1; Zz's condition is false.
    const std::wstring collected = Collect("EndExecute=ToolA,ToolB,ToolC,ToolE,ToolD,ToolF\r\n"
                                           "CheckboxText=100\r\nCheckboxStateProp=CHECKPROP\r\n");
    EXPECT_EQ(std::wstring(L"Sign Y | signy.exe |  | sync silent kind 0 state 0\n"
                           L"Sign Z | signz.exe | ")
            + kExtrasCode
            + L" | sync kind 0 state 0\n"
              L"Tool A | a.exe ZKORBELREBOOT /x | "
            + kCoreCode
            + L" | sync kind 2 state 1\n"
              L"Tool B | b.exe ZKENDDLGCHECKBOXSTATE yes |  | async kind 1 state 0\n"
              L"Published D | d.exe yes |  | sync kind 2 state 0\n"
              L"Late | late.exe ZKORBELREBOOT |  | sync silent kind 2 state 0\n"
              L"Pre | pre.exe |  | sync kind 0 state 0\n",
        collected);
    EXPECT_TRUE(m_model.HasCheckedExecute());
    EXPECT_EQ(1, m_model.GetEndExecuteCount());
    EXPECT_EQ(3, m_model.GetEndPageExecuteCount());
}

TEST_F(CollectionTest, WithoutCheckBoxTheFirstNameKeepsItsKind)
{
    // A quote in a name is looked up as text: it matches no row.
    const std::wstring collected = Collect("EndExecute=ToolA,O'Brien\r\n");
    EXPECT_NE(std::wstring::npos, collected.find(L"Tool A | a.exe ZKORBELREBOOT /x | "));
    EXPECT_NE(std::wstring::npos, collected.find(L" | sync kind 1 state 0\nLate | "));
    EXPECT_FALSE(m_model.HasCheckedExecute());
    EXPECT_EQ(5u, m_model.GetCustomExecutes().size());
}

TEST_F(CollectionTest, ConditionsSeeTheChosenFeatureStates)
{
    // The costing installs CoreDocs; the user's choice leaves it out, and so its execute.
    Load("");
    m_model.RunCostingActions();
    ASSERT_EQ(MSICONDITION_TRUE, CDistribution::EvaluateSessionCondition(*m_model.GetSession(), L"&CoreDocs=3"));
    m_model.FindFeature(L"CoreDocs")->m_actionState = INSTALLSTATE_ABSENT;

    m_model.CollectCustomExecutes();
    const std::wstring collected = Describe(m_model.GetCustomExecutes());
    EXPECT_EQ(std::wstring::npos, collected.find(L"Docs |")) << collected;
    EXPECT_NE(std::wstring::npos, collected.find(L"Late |")) << collected;
}

// A window that records the custom-execute messages it is sent, with the end page's check box.
class RecordingPage : public CWnd, public IEndPageCheckbox {
public:
    explicit RecordingPage(int checkbox) : m_checkbox(checkbox)
    {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &RecordingPage::Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        RegisterClassW(&windowClass);
        const RECT rect = {0, 0, 10, 10};
        CreateEx(0, kClassName, L"", WS_POPUP, rect, nullptr, 0);
        messages.clear();
    }
    int GetCheckboxState() const override { return m_checkbox; }
    // Takes the probe message of the test's thread before it is dispatched.
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message != kProbe)
            return FALSE;
        messages.push_back(L"probe");
        return TRUE;
    }

    static const UINT kProbe = WM_APP + 1;
    static std::vector<std::wstring> messages;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_EXECUTE_STATUS)
            messages.push_back(L"status " + std::wstring(reinterpret_cast<const wchar_t*>(lParam)));
        else if (message == WM_EXECUTES_DONE)
            messages.push_back(L"done");
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    static constexpr const wchar_t* kClassName = L"CustomExecuteTestPage";
    int m_checkbox;
};

std::vector<std::wstring> RecordingPage::messages;

// A plain window: no check box to ask.
class PlainWindow : public CWnd {
public:
    PlainWindow()
    {
        const RECT rect = {0, 0, 10, 10};
        CreateEx(0, L"STATIC", L"", WS_POPUP, rect, nullptr, 0);
    }
};

class LaunchTest : public ::testing::Test {
protected:
    LaunchTest() { m_app.Log().Open(m_dir.File(L"setup.log").c_str(), false); }

    // A command line that appends `text` to the record file.
    std::wstring Recorder(const std::wstring& text) const
    {
        return L"\"" + testsupport::ModuleDir() + L"\\argrecorder.exe\" \"" + m_dir.File(L"started.txt") + L"\" "
            + text;
    }
    void Add(const wchar_t* name, const std::wstring& commandLine, bool synchronous, bool silent, int kind,
        int checkState = CustomExecute::kNoCheckbox, const wchar_t* product = L"")
    {
        CustomExecute execute(name, commandLine.c_str(), synchronous, silent, kind, false, product);
        execute.m_checkState = checkState;
        m_model.GetCustomExecutes().push_back(execute);
    }
    std::string Started() const { return testsupport::ReadFileBytes(m_dir.File(L"started.txt")); }
    std::vector<std::wstring> LogLines()
    {
        m_app.Log().Close();
        std::vector<std::wstring> lines = testsupport::ReadLogFile(m_dir.File(L"setup.log")).lines;
        m_app.Log().Open(m_dir.File(L"setup.log").c_str(), true);
        return lines;
    }

    testsupport::TempDir m_dir;
    testsupport::StandInApplicationServices m_app;
    testsupport::ScopedApplicationServices m_appScope{&m_app};
    modeltest::MessageBoxRecorder m_boxes;
    CDistribution m_model;
};

TEST_F(LaunchTest, WithoutWindowOnlySilentExecutesRunAndFailuresAreOnlyLogged)
{
    m_app.rebootRequired = true;
    Add(L"Loud", Recorder(L"loud"), true, false, CustomExecute::kEndPage);
    Add(L"Quiet", Recorder(L"ZKORBELREBOOT /quiet ZKENDDLGCHECKBOXSTATE."), true, true, CustomExecute::kEndPage);
    Add(L"Dropped", Recorder(L"dropped"), true, true, CustomExecute::kEndPage, CustomExecute::kUnchecked);
    Add(L"Before", Recorder(L"before"), true, true, CustomExecute::kBeforeParts);
    Add(L"Missing", L"Z:\\nowhere\\missing.exe /x", true, true, CustomExecute::kEndPage);

    EXPECT_EQ(0, m_model.LaunchExecutes(CustomExecute::kEndPage, nullptr));

    EXPECT_EQ("1 /quiet .\n", Started());
    EXPECT_EQ(std::vector<bool>{true}, m_app.rebootQuestions);
    EXPECT_TRUE(modeltest::MessageBoxRecorder::texts.empty());
    EXPECT_EQ(1, m_app.cacheFileWrites);
    const std::vector<std::wstring> log = LogLines();
    ASSERT_EQ(4u, log.size());
    EXPECT_EQ(0u, log[0].find(L"OrbelInstaller: --- Starting launching end executes: ")) << log[0];
    EXPECT_EQ(L"OrbelInstaller: Action Quiet was successfully launched.", log[1]);
    EXPECT_EQ(L"OrbelInstaller: Error 2: Failed to perform action Missing. CmdLineFormatted : "
              L"Z:\\nowhere\\missing.exe /x",
        log[2]);
    EXPECT_EQ(0u, log[3].find(L"OrbelInstaller: --- Finished launching end executes: ")) << log[3];
}

TEST_F(LaunchTest, CheckBoxWordTakesTheEndPageState)
{
    struct Case {
        int checkbox;  // -2: a window that is not the end page
        const char* started;
    };
    const Case cases[] = {{IEndPageCheckbox::kChecked, "1|\n"}, {IEndPageCheckbox::kCleared, "0|\n"},
        {IEndPageCheckbox::kNoCheckbox, "|\n"}, {-2, "|\n"}};
    Add(L"Box", Recorder(L"ZKENDDLGCHECKBOXSTATE|ZKORBELREBOOT"), true, false, CustomExecute::kEndPage);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.checkbox);
        DeleteFileW(m_dir.File(L"started.txt").c_str());
        RecordingPage page(c.checkbox);
        PlainWindow plain;
        m_model.LaunchExecutes(CustomExecute::kEndPage, c.checkbox == -2 ? static_cast<CWnd*>(&plain) : &page);
        EXPECT_EQ(c.started, Started());
    }
    // With a window the exit code does not count in the restart decision.
    EXPECT_EQ(std::vector<bool>(4, false), m_app.rebootQuestions);
}

TEST_F(LaunchTest, EndPassWithProgressReportsToItsPageAndAlwaysReleasesIt)
{
    RecordingPage page(IEndPageCheckbox::kNoCheckbox);
    m_model.LaunchExecutes(CustomExecute::kEndWithProgress, &page);
    EXPECT_EQ(std::vector<std::wstring>{L"done"}, RecordingPage::messages);
    EXPECT_TRUE(LogLines().empty());

    RecordingPage::messages.clear();
    Add(L"Later", Recorder(L"later"), false, false, CustomExecute::kEndWithProgress);
    Add(L"Page", Recorder(L"page"), true, false, CustomExecute::kEndPage);
    Add(L"Now", Recorder(L"now"), true, false, CustomExecute::kEndWithProgress);
    m_model.LaunchExecutes(CustomExecute::kEndWithProgress, &page);
    EXPECT_EQ((std::vector<std::wstring>{L"status Now", L"done"}), RecordingPage::messages);
    // The asynchronous one is started and not waited for.
    std::string started;
    for (int tries = 0; tries < 100 && (started = Started()).find("later") == std::string::npos; ++tries)
        Sleep(50);
    EXPECT_TRUE(started == "later\nnow\n" || started == "now\nlater\n") << started;
}

TEST_F(LaunchTest, WaitHandsTheThreadsMessagesToTheWindowAndKeepsAQuit)
{
    Add(L"Wait", L"\"" + testsupport::ModuleDir() + L"\\exitwith.exe\" 0", true, false, CustomExecute::kEndPage);
    RecordingPage page(IEndPageCheckbox::kNoCheckbox);
    PostMessageW(page.GetSafeHwnd(), RecordingPage::kProbe, 0, 0);
    PostQuitMessage(7);

    m_model.LaunchExecutes(CustomExecute::kEndPage, &page);

    EXPECT_EQ(std::vector<std::wstring>{L"probe"}, RecordingPage::messages);
    MSG quit = {};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, quit.wParam);
}

TEST_F(LaunchTest, StartFailureWithWindowIsShown)
{
    Add(L"Missing", L"Z:\\nowhere\\missing.exe", true, false, CustomExecute::kBeforeParts);
    PlainWindow window;
    m_model.LaunchExecutes(CustomExecute::kBeforeParts, &window);
    EXPECT_EQ(
        std::vector<std::wstring>{L"Error 2: Failed to perform action Missing."}, modeltest::MessageBoxRecorder::texts);
    const std::vector<std::wstring> log = LogLines();
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ(0u, log[0].find(L"OrbelInstaller: --- Starting launching pre executes: ")) << log[0];
}

TEST_F(LaunchTest, CacheSwitchRecordsEndPageExecutesInsteadOfRunningThem)
{
    m_app.cachingCustomExecutes = true;
    Add(L"Box", Recorder(L"box ZKENDDLGCHECKBOXSTATE"), true, false, CustomExecute::kEndPage, CustomExecute::kChecked);
    Add(L"Gone", Recorder(L"gone"), false, true, CustomExecute::kEndPage, CustomExecute::kUnchecked);
    Add(L"Plain", L"plain.exe", true, false, CustomExecute::kEndPage);
    Add(L"End", Recorder(L"end"), true, true, CustomExecute::kEndWithProgress);
    EXPECT_EQ(3, m_model.GetEndPageExecuteCount());

    m_model.LaunchExecutes(CustomExecute::kEndPage, nullptr);
    EXPECT_EQ("", Started());
    EXPECT_EQ(1, m_app.cacheFileWrites);
    const CacheEntries expected = {
        {L"customExecute", {{L"", Recorder(L"box ").c_str()}, {L"name", L"Box"}, {L"checkState", L"checked"}}},
        {L"customExecute",
            {{L"", Recorder(L"gone").c_str()}, {L"name", L"Gone"}, {L"checkState", L"unchecked"},
                {L"silentMode", L"true"}, {L"synchronous", L"false"}}},
        {L"customExecute", {{L"", L"plain.exe"}, {L"name", L"Plain"}}},
    };
    EXPECT_TRUE(expected == m_app.cacheEntries);
    EXPECT_TRUE(LogLines().empty());

    // The other kinds still run.
    m_model.LaunchExecutes(CustomExecute::kEndWithProgress, nullptr);
    EXPECT_EQ("end\n", Started());
}

TEST_F(LaunchTest, FailedPartUnchecksItsExecutes)
{
    Add(L"Core tool", L"core.exe", true, false, CustomExecute::kEndPage, CustomExecute::kChecked, kCoreCode);
    Add(L"Core end", L"end.exe", true, false, CustomExecute::kEndWithProgress, CustomExecute::kNoCheckbox, kCoreCode);
    Add(L"Extras tool", L"extras.exe", true, false, CustomExecute::kEndPage, CustomExecute::kNoCheckbox, kExtrasCode);
    Add(L"Free tool", L"free.exe", true, false, CustomExecute::kEndPage);
    EXPECT_EQ(1, m_model.GetEndExecuteCount());

    m_model.DropExecutesOfPart(L"{6d1f3b20-7a4c-4e5d-8b9a-0c1d2e3f4a11}");  // not the same text
    m_model.DropExecutesOfPart(L"");
    m_model.DropExecutesOfPart(kCoreCode);

    std::vector<int> states;
    for (const CustomExecute& e : m_model.GetCustomExecutes())
        states.push_back(e.m_checkState);
    EXPECT_EQ((std::vector<int>{2, 2, 0, 0}), states);
    EXPECT_EQ(0, m_model.GetEndExecuteCount());
    EXPECT_EQ(2, m_model.GetEndPageExecuteCount());
    const std::vector<std::wstring> log = LogLines();
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(0u,
        log[0].find(L"OrbelInstaller: Removing Custom Execute Core tool because the part it originates from failed "
                    L"to install."))
        << log[0];
}

TEST_F(LaunchTest, UncheckingTakesTheFirstCheckedExecute)
{
    Add(L"A", L"a.exe", true, false, CustomExecute::kEndPage);
    Add(L"B", L"b.exe", true, false, CustomExecute::kEndPage, CustomExecute::kChecked);
    Add(L"C", L"c.exe", true, false, CustomExecute::kEndPage, CustomExecute::kChecked);
    EXPECT_TRUE(m_model.HasCheckedExecute());
    m_model.UncheckEndPageExecute();
    std::vector<int> states;
    for (const CustomExecute& e : m_model.GetCustomExecutes())
        states.push_back(e.m_checkState);
    EXPECT_EQ((std::vector<int>{0, 2, 1}), states);
}

}  // namespace
