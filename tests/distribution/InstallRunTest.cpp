// The install run over the model of the sample distribution, with each part's installation
// answered by the test: the order of the parts, the volumes found before their parts, the merged
// result and restart state, and the questions the run sends to its window.
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <memory>
#include <map>
#include <string>
#include <vector>

#include "ApplicationServices.h"
#include "Feature.h"
#include "MsiSession.h"
#include "ModelFixture.h"
#include "Part.h"
#include "PrivateMessages.h"
#include "ServiceStandIns.h"
#include "Wnd.h"

using modeltest::ModelTest;
using namespace modeltest::fixture;

namespace {

// A model whose parts "install" with the results the test scripts (per product name, in order;
// the last one repeats; 0 without a script).
class ScriptedRun : public CDistribution {
public:
    std::map<std::wstring, std::deque<UINT>> results;
    // "<name> <mode> <root>" per installation.
    std::vector<std::wstring> installs;
    // Opens the part's package during each installation, so that Windows Installer writes to
    // its log while the part runs.
    bool engineLogs = false;

protected:
    UINT InstallPart(CPart& part, int mode, const InstallContext&) override
    {
        const std::wstring name = W(part.GetProductName());
        installs.push_back(name + L" " + std::to_wstring(mode) + L" " + W(GetCurrentRootPath()));
        AppServices().GetLogStream(kLogInfo, 0)
            << L"Installing " << name << L" as part " << GetCurrentPartNumber() << std::endl;
        if (engineLogs) {
            MSIHANDLE package = 0;
            if (MsiOpenPackageW(testsupport::TestDataPath(L"model_core.msi").c_str(), &package) == ERROR_SUCCESS)
                MsiCloseHandle(package);
        }
        std::deque<UINT>& script = results[name];
        if (script.empty())
            return ERROR_SUCCESS;
        const UINT result = script.front();
        if (script.size() > 1)
            script.pop_front();
        return result;
    }
};

// A window that answers the run's questions from a script and records them as
// "<message> <wParam> <text>".
class QuestionWindow : public CWnd {
public:
    QuestionWindow() { CreateEx(0, L"Static", L"", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0); }

    std::deque<LRESULT> answers;
    std::vector<std::wstring> questions;

private:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        const wchar_t* name = message == WM_QUERY_CANCEL_ALL ? L"cancel-all"
            : message == WM_PART_ERROR                       ? L"part-error"
            : message == WM_RUN_MEDIA_PROMPT                 ? L"media"
                                                             : nullptr;
        if (!name)
            return CWnd::WindowProc(message, wParam, lParam);
        std::wstring text = message == WM_RUN_MEDIA_PROMPT ? L"" : reinterpret_cast<const wchar_t*>(lParam);
        const std::wstring code = message == WM_PART_ERROR ? std::to_wstring(wParam) : std::to_wstring(wParam == 0 ? 0 : 1);
        questions.push_back(std::wstring(name) + L" " + code + L" " + text);
        if (answers.empty())
            return 0;
        const LRESULT answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class InstallRunTest : public ModelTest {
protected:
    // A new model: Core on volume 1, Extras on volume 2 (label DISK2), both with something to do.
    ScriptedRun& Load()
    {
        m_runServices.reset();
        m_scripted.reset(new ScriptedRun);
        m_runServices.reset(new testsupport::ScopedDistributionServices(m_scripted.get()));
        ScriptedRun& run = *m_scripted;
        std::string ini = Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}");
        ini.replace(ini.find("[Extras]\r\n"), 10, "[Extras]\r\nVolume=2\r\n");
        Configure(ini);
        run.PopulateFromIniInfo(m_config, nullptr, nullptr);
        run.BuildFeatureTree();
        MsiSmartPtr<MsiSession> session = run.GetSession();
        modeltest::RunCosting(*session);
        for (CFeature* feature : run.GetFeatureTree().GetFeatures())
            feature->m_actionState = feature->GetCurrentState();
        run.FindFeature(L"Core")->m_actionState = INSTALLSTATE_LOCAL;
        run.FindFeature(L"ExtrasTools")->m_actionState = INSTALLSTATE_LOCAL;
        m_root = m_dir.Path() + L"\\";
        m_volume2 = m_root.substr(0, m_root.rfind(L'\\', m_root.size() - 2) + 1) + L"DISK2";
        return run;
    }

    // The merged package's executes that come before the parts cannot start here: their
    // message boxes are recorded.
    modeltest::MessageBoxRecorder m_boxes;
    testsupport::StandInWizardServices m_wizard;
    testsupport::ScopedWizardServices m_wizardScope{&m_wizard};
    std::unique_ptr<ScriptedRun> m_scripted;
    std::unique_ptr<testsupport::ScopedDistributionServices> m_runServices;
    std::wstring m_root;
    std::wstring m_volume2;
};

}  // namespace

// The order: by volume (stable), other vendors' parts placed first to the front (the last found
// first) and placed last to the back, the installer engine's own part ahead of all.
TEST(InstallOrder, VolumesVendorsAndTheEngine)
{
    typedef CDistribution::InstallOrderKey Key;
    auto key = [](int volume, bool thirdParty, bool first, bool last, bool engine) {
        Key k;
        k.volume = volume;
        k.thirdParty = thirdParty;
        k.placedFirst = first;
        k.placedLast = last;
        k.engine = engine;
        return k;
    };
    struct Case {
        const char* what;
        std::vector<Key> keys;
        std::vector<size_t> order;
    } cases[] = {
        {"volumes 2, 1, 1",
            {key(2, false, false, false, false), key(1, false, false, false, false),
                key(1, false, false, false, false)},
            {1, 2, 0}},
        {"engine on volume 2 goes first", {key(1, false, false, false, false), key(2, false, false, false, true)},
            {1, 0}},
        {"two placed first: B, A",
            {key(1, false, false, false, false), key(1, true, true, false, false), key(1, true, true, false, false)},
            {2, 1, 0}},
        {"placed last in order found",
            {key(1, true, false, true, false), key(1, true, false, true, false), key(1, false, false, false, false)},
            {2, 0, 1}},
        {"both placements count as first", {key(1, false, false, false, false), key(1, true, true, true, false)},
            {1, 0}},
        {"a placement without the vendor flag is ignored",
            {key(1, false, false, false, false), key(1, false, true, false, false)}, {0, 1}},
        {"engine ahead of a vendor placed first",
            {key(1, true, true, false, false), key(1, false, false, false, true), key(1, false, false, false, true)},
            {1, 0, 2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.order, CDistribution::OrderInstall(c.keys)) << c.what;
}

TEST(InstallResult, RankAndMerge)
{
    struct Case {
        UINT overall, code, merged;
    } cases[] = {
        {0, 3010, 3010},
        {3010, 1641, 1641},
        {3010, 1603, 1603},
        {1603, 1618, 1603},  // between two codes outside the table the first stays
        {1602, 0, 1602},
        {1602, 1603, 1603},
        {1641, 3010, 1641},
        {1602, 1641, 1602},
        {1641, 1602, 1602},
    };
    for (const Case& c : cases) {
        UINT overall = c.overall;
        CDistribution::MergeInstallResult(overall, c.code);
        EXPECT_EQ(c.merged, overall) << c.overall << " + " << c.code;
    }
    EXPECT_EQ(4, CDistribution::RankInstallResult(1223));
}

// A quiet run: the parts in volume order, the second volume found beside the root before its
// part, every part installed even after a failure, the worst result kept, the restart state set.
TEST_F(InstallRunTest, QuietRunInstallsEveryPartAndMergesTheResults)
{
    ScriptedRun* run = &Load();
    m_wizard.mediaFolders = {m_volume2};
    run->results[L"Model Core"] = {ERROR_SUCCESS_REBOOT_REQUIRED};
    run->results[L"Model Extras"] = {ERROR_INSTALL_FAILURE};
    EXPECT_EQ(static_cast<UINT>(ERROR_INSTALL_FAILURE), run->InstallSilently());
    EXPECT_EQ(
        (std::vector<std::wstring>{L"Model Core 0 " + m_root, L"Model Extras 0 " + m_volume2 + L"\\"}), run->installs);
    EXPECT_EQ((std::vector<int>{2}), m_wizard.promptedVolumes);
    EXPECT_EQ(1, run->m_nRebootState);
    EXPECT_EQ(2, run->GetCurrentVolume());
    EXPECT_EQ(nullptr, run->GetCurrentPart());
    EXPECT_EQ(1, m_app.versionKeyChecks);
}

// The installer engine's own part on the second volume goes first: the first part after it lies
// on an earlier volume, which is looked for again.
TEST_F(InstallRunTest, EarlierVolumeAfterTheEnginesPartIsFoundAgain)
{
    // The key as text: Wine's engine fails on an UPDATE whose WHERE alone takes a parameter.
    const std::wstring extras = kExtrasCode;
    EditMerged({L"UPDATE ZKSummaryProduct SET UpgradeCode='{5B0CB826-E499-4E6B-94F0-75B6327ED934}' WHERE ProductCode='"
        + extras + L"'"});
    ScriptedRun* run = &Load();
    m_wizard.mediaFolders = {m_dir.Path(), m_volume2};
    EXPECT_EQ(0u, run->InstallSilently());
    EXPECT_EQ(
        (std::vector<std::wstring>{L"Model Extras 0 " + m_volume2 + L"\\", L"Model Core 0 " + m_root}), run->installs);
    EXPECT_EQ((std::vector<int>{2, 1}), m_wizard.promptedVolumes);
    EXPECT_EQ(1, run->GetCurrentVolume());
}

// Without a window a volume that is nowhere ends the run with 1603 before its part; a failed
// version-key check turns a success into 1223 and keeps the restart state.
TEST_F(InstallRunTest, MissingVolumeAndFailedVersionCheck)
{
    ScriptedRun* run = &Load();
    run->results[L"Model Core"] = {ERROR_SUCCESS_REBOOT_REQUIRED};
    EXPECT_EQ(static_cast<UINT>(ERROR_INSTALL_FAILURE), run->InstallSilently());
    EXPECT_EQ((std::vector<std::wstring>{L"Model Core 0 " + m_root}), run->installs);
    EXPECT_EQ(1, run->m_nRebootState);

    run = &Load();
    run->results[L"Model Core"] = {ERROR_SUCCESS_REBOOT_REQUIRED};
    m_wizard.mediaFolders = {m_volume2};
    m_app.versionKeysPass = false;
    EXPECT_EQ(static_cast<UINT>(ERROR_CANCELLED), run->InstallSilently());
    EXPECT_EQ(2u, run->installs.size());
    EXPECT_EQ(1, run->m_nRebootState);
}

// With a window: a failed part is asked about (retry installs it again, continue goes on), a
// user exit asks whether to cancel everything, and a cancelled media prompt is a user exit.
TEST_F(InstallRunTest, QuestionsToTheRunsWindow)
{
    ScriptedRun* run = &Load();
    QuestionWindow window;
    m_wizard.mediaFolders = {m_volume2};
    run->results[L"Model Core"] = {ERROR_INSTALL_FAILURE, ERROR_SUCCESS};
    run->results[L"Model Extras"] = {ERROR_INSTALL_USEREXIT};
    window.answers = {4 /* retry */, 0 /* go on after the user exit */};
    EXPECT_EQ(static_cast<UINT>(ERROR_INSTALL_USEREXIT), run->InstallWithWindow(&window));
    EXPECT_EQ((std::vector<std::wstring>{
                  L"Model Core 1 " + m_root, L"Model Core 1 " + m_root, L"Model Extras 1 " + m_volume2 + L"\\"}),
        run->installs);
    EXPECT_EQ(
        (std::vector<std::wstring>{L"part-error 1603 Model Core", L"cancel-all 0 Model Extras"}), window.questions);

    // A failure answered with "stop" ends the run before the next part.
    run = &Load();
    window.questions.clear();
    run->results[L"Model Core"] = {ERROR_INSTALL_FAILURE};
    window.answers = {2};
    EXPECT_EQ(static_cast<UINT>(ERROR_INSTALL_FAILURE), run->InstallWithWindow(&window));
    EXPECT_EQ(1u, run->installs.size());

    // The second volume nowhere: the prompt is shown and cancelled; the part is not installed.
    run = &Load();
    window.questions.clear();
    m_wizard.mediaFolders.clear();
    run->results[L"Model Core"] = {ERROR_SUCCESS};
    window.answers = {IDCANCEL, 1 /* cancel everything */};
    EXPECT_EQ(static_cast<UINT>(ERROR_INSTALL_USEREXIT), run->InstallWithWindow(&window));
    EXPECT_EQ((std::vector<std::wstring>{L"Model Core 1 " + m_root}), run->installs);
    EXPECT_EQ((std::vector<std::wstring>{L"media 1 ", L"cancel-all 0 Model Extras"}), window.questions);
}

namespace {

// The run's log reduced to what happened around the parts: "pre", "post" (the post-processing
// program), "install <name> <number>", "drop" (a part's custom executes dropped), "engine"
// (Windows Installer's own log copied in) and "executes" (the executes before the parts).
std::vector<std::wstring> RunEvents(const std::wstring& logPath)
{
    std::vector<std::wstring> events;
    for (const std::wstring& line : testsupport::ReadLogFile(logPath).lines) {
        if (line.find(L"Starting ZKPie pre-part") != std::wstring::npos)
            events.push_back(L"pre");
        else if (line.find(L"Starting ZKPie post-part") != std::wstring::npos)
            events.push_back(L"post");
        else if (line.find(L"Installing Model ") != std::wstring::npos)
            events.push_back(L"install " + line.substr(line.find(L"Model ") + 6));
        else if (line.find(L"Removing Custom Execute") != std::wstring::npos)
            events.push_back(L"drop");
        else if (line.find(L"Logging started") != std::wstring::npos)
            events.push_back(L"engine");
        else if (line.find(L"Starting launching pre executes") != std::wstring::npos)
            events.push_back(L"executes");
    }
    return events;
}

}  // namespace

// The part loop over the two parts (Core, then Extras on the second volume): each part between
// the post-processing program's runs, its executes dropped unless it succeeded (a restart is a
// success), the window's answers to a failure or a user exit, the part number, and the results
// merged by rank.
TEST_F(InstallRunTest, PartLoopAroundEachResultAndAnswer)
{
    struct Case {
        const char* name;
        std::deque<UINT> core, extras;
        bool window;
        std::deque<LRESULT> answers;
        UINT result;
        int rebootState;
        std::vector<std::wstring> events;
    };
    const std::vector<std::wstring> extrasRun = {L"pre", L"install Extras as part 2", L"post"};
    auto with = [&extrasRun](std::vector<std::wstring> events) {
        events.insert(events.end(), extrasRun.begin(), extrasRun.end());
        return events;
    };
    // The core part gets an execute of its own, run after the parts.
    EditMerged({L"INSERT INTO ZKCustomExecuteProduct (ProductCode, ZKExecutable) VALUES (?, 'Late1')"}, kCoreCode);
    const Case cases[] = {
        {"a restart initiated keeps the part's executes and sets the restart state", {1641}, {0}, false, {}, 1641, 1,
            with({L"executes", L"pre", L"install Core as part 1", L"post"})},
        {"a restart required keeps them too", {3010}, {0}, true, {}, 3010, 1,
            with({L"executes", L"pre", L"install Core as part 1", L"post"})},
        {"a user exit outranks a later restart", {1602}, {1641}, false, {}, 1602, 1,
            with({L"executes", L"pre", L"install Core as part 1", L"drop", L"post"})},
        {"cancelling everything stops before the next part, without the post-processing program", {1602}, {0}, true,
            {1}, 1602, 0, {L"executes", L"pre", L"install Core as part 1", L"drop"}},
        {"declining to cancel everything goes on", {1602}, {0}, true, {0}, 1602, 0,
            with({L"executes", L"pre", L"install Core as part 1", L"drop", L"post"})},
        {"continue after a failure", {1603}, {0}, true, {6}, 1603, 0,
            with({L"executes", L"pre", L"install Core as part 1", L"drop", L"post"})},
        {"ok after a failure", {1603}, {0}, true, {1}, 1603, 0,
            with({L"executes", L"pre", L"install Core as part 1", L"drop", L"post"})},
        {"a retry runs the program around each attempt and merges only the last result", {1603, 0}, {0}, true, {4}, 0,
            0,
            with({L"executes", L"pre", L"install Core as part 1", L"drop", L"post", L"pre", L"install Core as part 1",
                L"post"})},
        {"stop after a failure, without the post-processing program", {1603}, {0}, true, {2}, 1603, 0,
            {L"executes", L"pre", L"install Core as part 1", L"drop"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedRun* run = &Load();
        const std::wstring logPath = m_dir.File(L"run.log");
        DeleteFileW(logPath.c_str());
        m_app.Log().Open(logPath.c_str(), false);
        m_wizard.mediaFolders = {m_volume2};
        run->results[L"Model Core"] = c.core;
        run->results[L"Model Extras"] = c.extras;
        QuestionWindow window;
        window.answers = c.answers;
        const UINT result = c.window ? run->InstallWithWindow(&window) : run->InstallSilently();
        m_app.Log().Close();
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(c.rebootState, run->m_nRebootState);
        EXPECT_EQ(c.events, RunEvents(logPath));
    }
}

// Windows Installer's log of a part lands in the run's log right after that part, before the
// post-processing program runs; the executes that come before the parts run before the first.
TEST_F(InstallRunTest, EngineLogOfEachPartFollowsThePart)
{
    ScriptedRun* run = &Load();
    run->engineLogs = true;
    const std::wstring logPath = m_dir.File(L"run.log");
    m_app.logFile = logPath.c_str();
    m_app.Log().Open(logPath.c_str(), false);
    m_wizard.mediaFolders = {m_volume2};
    EXPECT_EQ(0u, run->InstallSilently());
    m_app.Log().Close();
    m_app.logFile.Empty();
    EXPECT_EQ((std::vector<std::wstring>{L"executes", L"pre", L"install Core as part 1", L"engine", L"post", L"pre",
                  L"install Extras as part 2", L"engine", L"post"}),
        RunEvents(logPath));
}
