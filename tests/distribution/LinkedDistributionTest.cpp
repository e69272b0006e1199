// Linked distributions: the child installer's command line, the checks of the medium before a
// child starts, and the run over configured linked distributions with real child processes (a
// stand-in program that exits, restarts itself or waits for a cancel as told, and a real
// setup.exe that installs the sample distribution quietly), reporting to a window on this thread
// while the run works on a thread of its own, as the progress page and the install thread do.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <exception>
#include <sstream>
#include <string>
#include <vector>

#include "CommandLineInfo.h"
#include "InstallerErrors.h"
#include "LinkedDistributionInfo.h"
#include "LinkedDistributionLaunch.h"
#include "ModelFixture.h"
#include "PrivateMessages.h"
#include "ServiceStandIns.h"
#include "SpawnAnnouncement.h"
#include "UiMode.h"
#include "Wnd.h"

using modeltest::ModelTest;
using namespace modeltest::fixture;
using namespace testsupport;

namespace {

const char kLinkedGuid[] = "{7E2A4C10-5B3D-4F6E-8A9B-1C2D3E4F5A60}";
const char kSampleGuid[] = "{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A10}";
const wchar_t kSampleCoreCode[] = L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A21}";
const wchar_t kSampleExtrasCode[] = L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A31}";

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::string IdFileText(const std::string& guid, const std::string& exePath)
{
    std::string text = "[Volume Id]\r\n";
    if (!exePath.empty())
        text += "ExePath=" + exePath + "\r\n";
    return text + "DistributionGUID=" + guid + "\r\nDistributionVersion=1.0.0.0\r\nVolume=1\r\n";
}

// A medium in `folder` (created) holding the stand-in child program and its ID file; `behaviour`
// is its [Child] section.
void WriteStandInMedium(const std::wstring& folder, const std::string& guid, const std::string& behaviour)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    CopyFileW((ModuleDir() + L"\\linkedchild.exe").c_str(), (folder + L"\\linkedchild.exe").c_str(), FALSE);
    WriteFileBytes(folder + L"\\zkdist.id", IdFileText(guid, "\\linkedchild.exe"));
    WriteFileBytes(folder + L"\\child.ini", "[Child]\r\n" + behaviour);
}

// The arguments the stand-in child recorded, one run per entry, as the C run time split them.
std::vector<std::vector<std::string>> RecordedRuns(const std::wstring& folder)
{
    std::vector<std::vector<std::string>> runs(1);
    const std::string text = ReadFileBytes(folder + L"\\args.txt");
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = text.substr(start, end - start);
        if (line == "--")
            runs.emplace_back();
        else
            runs.back().push_back(line);
    }
    runs.pop_back();
    return runs;
}

// The window of the run, standing in for the progress page: answers a media prompt with 1 when
// the prompt finds its medium (2 otherwise), keeps respawn announcements, and records
// "media <answer>", "start <index> <title>", "end <index>" and "cancel-all".
class MasterWindow : public CWnd {
public:
    MasterWindow() { CreateEx(0, L"Static", L"", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0); }

    std::vector<std::string> events;
    CSpawnAnnouncement spawn;

private:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        static const UINT spawnMessage = RegisterWindowMessageW(kInstallerSpawnMessage);
        if (message == spawnMessage) {
            spawn.Store(wParam, lParam);
            return 0;
        }
        switch (message) {
        case WM_RUN_MEDIA_PROMPT: {
            const LRESULT answer = reinterpret_cast<IMediaPrompt*>(wParam)->IsMediaPresent() ? 1 : IDCANCEL;
            events.push_back("media " + std::to_string(answer));
            return answer;
        }
        case WM_LINKED_INSTALL_START:
            events.push_back("start " + std::to_string(wParam) + " " + Narrow(reinterpret_cast<const wchar_t*>(lParam)));
            return 0;
        case WM_LINKED_INSTALL_END:
            events.push_back("end " + std::to_string(wParam));
            return 0;
        case WM_QUERY_CANCEL_ALL:
            if (events.empty() || events.back() != "cancel-all")
                events.push_back("cancel-all");
            return 1;
        case WM_GET_RESPAWNED_IDS:
            return spawn.Take(reinterpret_cast<DWORD*>(wParam), reinterpret_cast<DWORD*>(lParam));
        default:
            return CWnd::WindowProc(message, wParam, lParam);
        }
    }
};

// The external handler of the progress page: counts the loading notices and gives the answer set.
struct Handler {
    int answer = 0;
    int notices = 0;
    std::wstring text;
    static int WINAPI Receive(LPVOID context, UINT type, LPCWSTR message)
    {
        Handler* self = static_cast<Handler*>(context);
        if (type == INSTALLMESSAGE_ACTIONDATA) {
            ++self->notices;
            self->text = message ? message : L"";
        }
        return self->answer;
    }
};

struct WorkerRun {
    CDistribution* model = nullptr;
    int mode = 0;
    CDistribution::InstallContext context;
    UINT result = 0;
    std::exception_ptr error;
};

DWORD WINAPI RunOnWorker(void* parameter)
{
    WorkerRun* run = static_cast<WorkerRun*>(parameter);
    try {
        run->result = run->model->RunLinkedDistributions(run->mode, run->context);
    } catch (...) {
        run->error = std::current_exception();
    }
    return 0;
}

class LinkedRunTest : public ModelTest {
protected:
    // The model loaded with the linked distributions `sections` (their [Linked Distributions]
    // entries and sections, in which "<here>" stands for the configuration folder's name; titles
    // are strings 110 to 118 of the custom module: Alpha to Theta, Sample).
    void Load(const std::vector<std::pair<std::string, std::string>>& sections)
    {
        std::string tail = "[Linked Distributions]\r\n";
        for (const auto& section : sections)
            tail += section.first + "=\r\n";
        for (const auto& section : sections)
            tail += "[" + section.first + "]\r\n" + section.second;
        const std::string here = Narrow(m_dir.Path().substr(m_dir.Path().rfind(L'\\') + 1));
        for (size_t at; (at = tail.find("<here>")) != std::string::npos;)
            tail.replace(at, 6, here);
        Configure(ModelIni("", "", tail));
        m_wizard.pages.clear();  // the page records read with the linked distributions are not needed
        m_config.PopulateDialogInfo();
        m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    }
    CLinkedDistribution& Linked(int index) { return m_config.GetLinkedDistributionInfo()->GetLinkedDistribution(index); }

    // The run in `mode` on a thread of its own, with the window and the handler, while this
    // thread dispatches the window's messages.
    UINT Run(int mode, MasterWindow* window, Handler* handler)
    {
        WorkerRun run;
        run.model = &m_model;
        run.mode = mode;
        run.context.page = window;
        if (handler) {
            run.context.handler = &Handler::Receive;
            run.context.handlerContext = handler;
        }
        HANDLE thread = CreateThread(nullptr, 0, &RunOnWorker, &run, 0, nullptr);
        while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        }
        CloseHandle(thread);
        if (run.error)
            std::rethrow_exception(run.error);
        return run.result;
    }

    StandInWizardServices m_wizard;
    ScopedWizardServices m_wizardScope{&m_wizard};
};

}  // namespace

// The pieces in their order, each quoted text quoted for the C run time, the log switch letter
// always "l", the window's 32-bit value; the table's last column is the property list as the
// child's C run time gives it back.
TEST(LinkedChildCommandLine, PiecesAndQuoting)
{
    const HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(0x81234567)));
    struct Case {
        const char* what;
        LinkedChildCommand command;
        std::wstring line;
    };
    auto command = [](auto change) {
        LinkedChildCommand c;
        c.program = L"E:\\Disk 2\\setup.exe";
        change(c);
        return c;
    };
    const Case cases[] = {
        {"wizard child", command([](LinkedChildCommand&) {}), L"\"E:\\Disk 2\\setup.exe\" /linkedcustom"},
        {"quiet child with level and window", command([window](LinkedChildCommand& c) {
             c.quiet = true;
             c.level = 5;
             c.masterWindow = window;
         }),
            L"\"E:\\Disk 2\\setup.exe\" /qn /AcceptLicenses yes /level 5 /masterHwnd 81234567"},
        {"log letters of the configuration start with L", command([](LinkedChildCommand& c) {
             c.logModes = L"Lv";
             c.logFile = L"C:\\My Logs\\setup.log";
         }),
            L"\"E:\\Disk 2\\setup.exe\" /linkedcustom /lv+ \"C:\\My Logs\\setup.log\""},
        {"log already appending", command([](LinkedChildCommand& c) {
             c.logModes = L"l*v+";
             c.logAppends = true;
             c.logFile = L"C:\\setup.log";
         }),
            L"\"E:\\Disk 2\\setup.exe\" /linkedcustom /l*v+ \"C:\\setup.log\""},
        {"spec file and 9x root", command([](LinkedChildCommand& c) {
             c.specFile = L"C:\\Temp Files\\~spec1.tmp";
             c.passRoot = true;
             c.rootFolder = L"E:\\Disk 2";
             c.iniName = L"setup.ini";
         }),
            L"\"E:\\Disk 2\\setup.exe\" /linkedcustom \"C:\\Temp Files\\~spec1.tmp\" /root \"E:\\Disk 2\" /ini "
            L"\"setup.ini\""},
        {"properties in name order", command([](LinkedChildCommand& c) {
             c.properties[L"ZDIR"] = L"C:\\Dir\\";
             c.properties[L"ANOTE"] = L"say \"hi\", go";
         }),
            L"\"E:\\Disk 2\\setup.exe\" /linkedcustom /prop \"ANOTE=say \\\"hi\\\"\\, go\" /prop \"ZDIR=C:\\Dir\\\\\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.line, std::wstring(BuildLinkedChildCommandLine(c.command).GetString())) << c.what;

    // What the child's C run time makes of the last two.
    EXPECT_EQ((std::vector<std::wstring>{L"E:\\Disk 2\\setup.exe", L"/linkedcustom", L"C:\\Temp Files\\~spec1.tmp",
                  L"/root", L"E:\\Disk 2", L"/ini", L"setup.ini"}),
        AfxSplitCommandLine(cases[4].line.c_str()));
    EXPECT_EQ((std::vector<std::wstring>{L"E:\\Disk 2\\setup.exe", L"/linkedcustom", L"/prop",
                  L"ANOTE=say \"hi\"\\, go", L"/prop", L"ZDIR=C:\\Dir\\"}),
        AfxSplitCommandLine(cases[5].line.c_str()));
}

// The medium is checked before anything starts: each fault is LinkedDistVolumeInvalid naming it;
// a GUID that differs only in case is the same GUID.
TEST(LinkedLaunch, MediumChecks)
{
    StandInServices services;
    TempDir dir;
    CLinkedDistribution linked;
    linked.m_strTitle = L"Linked";
    linked.m_strGuid = L"{7E2A4C10-5B3D-4F6E-8A9B-1C2D3E4F5A60}";
    linked.m_strIdFile = L"ids\\zkdist.id";  // only the file name counts
    const std::wstring folder = dir.Path();
    const std::wstring idFile = dir.File(L"zkdist.id");

    struct Case {
        const char* what;
        std::string idText;  // empty: no ID file
        std::wstring debug;
    } cases[] = {
        {"no ID file", "", L"The ID file " + idFile + L" was not found."},
        {"no ExePath", IdFileText(kLinkedGuid, ""), L"The id file " + idFile + L" is not valid."},
        {"another GUID", IdFileText("{00000000-0000-0000-0000-000000000001}", "setup.exe"),
            L"The GUID {00000000-0000-0000-0000-000000000001} listed in " + idFile
                + L" does not match the distribution GUID."},
        {"no program", IdFileText(kLinkedGuid, "\\setup.exe"),
            L"The ExePath " + folder + L"\\setup.exe listed in " + idFile + L" was not found"},
    };
    for (const Case& c : cases) {
        DeleteFileW(idFile.c_str());
        if (!c.idText.empty())
            WriteFileBytes(idFile, c.idText);
        LinkedChildProcess child;
        try {
            LaunchLinkedDistribution(linked, folder.c_str(), nullptr, {}, child);
            ADD_FAILURE() << c.what;
        } catch (const LinkedDistVolumeInvalid& error) {
            EXPECT_EQ(12005, error.GetCode()) << c.what;
            EXPECT_EQ(c.debug, error.GetDebugMessage()) << c.what;
        }
    }

    std::string lower = kLinkedGuid;
    for (char& ch : lower)
        ch = static_cast<char>(tolower(ch));
    WriteStandInMedium(folder, lower, "Exit=3010\r\n");
    LinkedChildProcess child;
    LaunchLinkedDistribution(linked, (folder + L"\\").c_str(), nullptr, {}, child);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.process.Get(), 20000));
    DWORD code = 0;
    GetExitCodeProcess(child.process.Get(), &code);
    EXPECT_EQ(3010u, code);
    EXPECT_NE(0u, child.threadId);
}

// A series with a window: each enabled linked distribution is prompted for, announced, started
// and merged; a disabled one and one whose medium is not found are passed over; a respawned
// child is followed once, so that a later child exiting as respawned without an announcement is
// an error (10003) shown and merged, as is a medium with another GUID; a user exit ends the
// series. The children get the property snapshot through their C run time intact.
TEST_F(LinkedRunTest, SeriesWithRespawnErrorsAndUserExit)
{
    const std::string entry = "GUID=" + std::string(kLinkedGuid) + "\r\nProperties=ZKLINKDIR,ZKLINKNOTE\r\n";
    Load({
        {"A", "Title=110\r\nVolumeLabel=<here>\\A\r\n" + entry},
        {"B", "Title=111\r\nVolumeLabel=<here>\\B\r\n" + entry},
        {"C", "Title=112\r\nVolumeLabel=<here>\\C\r\n" + entry},
        {"D", "Title=113\r\nVolumeLabel=<here>\\D\r\n" + entry},
        {"E", "Title=114\r\nVolumeLabel=<here>\\E\r\n" + entry},
        {"F", "Title=115\r\nVolumeLabel=<here>\\F\r\n" + entry},
        {"G", "Title=116\r\nVolumeLabel=<here>\\G\r\n" + entry},
        {"H", "Title=117\r\nVolumeLabel=<here>\\H\r\n" + entry},
    });
    m_model.SetProperty(L"ZKLINKDIR", L"C:\\Dir\\");
    m_model.SetProperty(L"ZKLINKNOTE", L"say \"hi\", go");
    m_model.SnapshotLinkedProperties();
    WriteStandInMedium(m_dir.File(L"A"), kLinkedGuid, "Exit=3010\r\n");
    WriteStandInMedium(m_dir.File(L"B"), kLinkedGuid, "Exit=1603\r\n");
    WriteStandInMedium(m_dir.File(L"C"), kLinkedGuid, "Respawn=1\r\nRespawnedExit=0\r\n");
    WriteStandInMedium(m_dir.File(L"D"), kLinkedGuid, "Exit=263211\r\n");
    WriteStandInMedium(m_dir.File(L"F"), "{00000000-0000-0000-0000-000000000001}", "Exit=0\r\n");
    WriteStandInMedium(m_dir.File(L"G"), kLinkedGuid, "Exit=1602\r\n");
    WriteStandInMedium(m_dir.File(L"H"), kLinkedGuid, "Exit=0\r\n");
    for (const wchar_t* medium : {L"A", L"B", L"C", L"D", L"F", L"G", L"H"})
        m_wizard.mediaFolders.push_back(m_dir.File(medium));
    Linked(1).m_bEnabled = false;
    Linked(0).m_bPassLevel = true;
    Linked(0).m_nLevel = 0;  // no level passed

    MasterWindow window;
    Handler handler;
    EXPECT_EQ(10003u, Run(CDistribution::kInstallWithProgress, &window, &handler));

    EXPECT_EQ((std::vector<std::string>{"media 1", "start 0 Alpha", "end 0", "media 1", "start 2 Gamma", "end 2",
                  "media 1", "start 3 Delta", "end 3", "media 2", "media 1", "start 5 Zeta", "end 5", "media 1",
                  "start 6 Eta", "end 6"}),
        window.events);
    EXPECT_EQ(6u, m_wizard.linkedPrompts.size());  // none for the disabled one nor after the user exit
    EXPECT_EQ(L"Alpha " + m_dir.Path() + L"\\", m_wizard.linkedPrompts[0]);
    ASSERT_EQ(2u, m_wizard.errorDialogs.size());
    EXPECT_NE(std::wstring::npos, m_wizard.errorDetails[0].find(m_wizard.errorDialogs[0])); // the user message leads the full text
    EXPECT_NE(std::wstring::npos, m_wizard.errorDetails[0].find(L"Process ID of respawned process not received."));
    EXPECT_NE(std::wstring::npos, m_wizard.errorDetails[1].find(L"does not match the distribution GUID"));
    EXPECT_EQ(window.GetSafeHwnd(), m_wizard.errorOwners[0]);
    EXPECT_TRUE(FileExists(m_dir.File(L"B\\child.ini")) && !FileExists(m_dir.File(L"B\\args.txt")));
    EXPECT_FALSE(FileExists(m_dir.File(L"H\\args.txt")));
    EXPECT_EQ(1u, RecordedRuns(m_dir.File(L"C")).size());  // the respawned process records nothing

    std::ostringstream windowText;
    windowText << std::hex << (reinterpret_cast<ULONG_PTR>(window.GetSafeHwnd()) & 0xFFFFFFFFu);
    const std::vector<std::vector<std::string>> alpha = RecordedRuns(m_dir.File(L"A"));
    ASSERT_EQ(1u, alpha.size());
    EXPECT_EQ((std::vector<std::string>{"/linkedcustom", "/masterHwnd", windowText.str(), "/prop",
                  "ZKLINKDIR=C:\\Dir\\", "/prop", "ZKLINKNOTE=say \"hi\"\\, go"}),
        alpha[0]);
}

// A cancel answered by the external handler while a child loads: the progress page is told and
// the child's main thread asked to cancel its load; the child's user exit is the result.
TEST_F(LinkedRunTest, CancelWhileTheChildLoads)
{
    Load({{"A", "Title=110\r\nGUID=" + std::string(kLinkedGuid) + "\r\nVolumeLabel=<here>\\A\r\n"}});
    WriteStandInMedium(m_dir.File(L"A"), kLinkedGuid, "WaitForCancel=1\r\n");
    m_wizard.mediaFolders.push_back(m_dir.File(L"A"));
    MasterWindow window;
    Handler handler;
    handler.answer = IDCANCEL;
    EXPECT_EQ(static_cast<UINT>(ERROR_INSTALL_USEREXIT), Run(CDistribution::kInstallWithProgress, &window, &handler));
    EXPECT_EQ((std::vector<std::string>{"media 1", "start 0 Alpha", "cancel-all", "end 0"}), window.events);
    EXPECT_LT(0, handler.notices);
    EXPECT_EQ(L"Please wait while the installer initializes...", handler.text);
}

// Without a window a medium that is not present is prompted for on the run's own thread; a
// cancelled prompt passes the linked distribution over, and nothing else is shown.
TEST_F(LinkedRunTest, WithoutWindowTheMissingMediumIsPromptedForHere)
{
    Load({{"A", "Title=110\r\nGUID=" + std::string(kLinkedGuid) + "\r\nVolumeLabel=<here>\\A\r\n"}});
    EXPECT_EQ(0u, m_model.RunLinkedDistributions(CDistribution::kInstallSilently, CDistribution::InstallContext()));
    EXPECT_EQ(1, m_wizard.mediaPromptRuns);
    EXPECT_TRUE(m_wizard.errorDialogs.empty());
}

// A real child: setup.exe on the linked medium installs the sample distribution quietly (its
// first part asks for a restart), and its 3010 is the run's result.
TEST_F(LinkedRunTest, RealChildInstallsAndItsResultIsMerged)
{
    TempDir medium;
    const std::wstring volume1 = WriteSampleVolume1(medium, TestDataPath(L"app_rebootpart.msi"));
    ASSERT_FALSE(volume1.empty());
    WriteSampleVolume2(medium, true);
    std::string ini = ReadFileBytes(volume1 + L"\\setup.ini");
    ini.replace(ini.find("Reboot=Normal"), 13, "Reboot=Suppress");  // the child never restarts here
    WriteFileBytes(volume1 + L"\\setup.ini", ini);
    WriteFileBytes(volume1 + L"\\zkdist.id", IdFileText(kSampleGuid, "setup.exe"));
    CopyFileW((ModuleDir() + L"\\setup.exe").c_str(), (volume1 + L"\\setup.exe").c_str(), FALSE);

    const std::string label = Narrow(medium.Path().substr(medium.Path().rfind(L'\\') + 1)) + "\\VOLUME1";
    Load({{"Sample", "Title=118\r\nGUID=" + std::string(kSampleGuid) + "\r\nVolumeLabel=" + label + "\r\n"}});
    m_wizard.mediaFolders.push_back(volume1);
    m_app.SetUiMode(UiQuiet);
    m_app.logFile = medium.File(L"child.log").c_str();
    m_app.logModes = L"l*v";

    MasterWindow window;
    Handler handler;
    const UINT result = Run(CDistribution::kInstallWithProgress, &window, &handler);
    const LogFile log = ReadLogFile(medium.File(L"child.log"));
    EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS_REBOOT_REQUIRED), result) << Narrow(log.text);
    EXPECT_EQ(INSTALLSTATE_DEFAULT, MsiQueryProductStateW(kSampleCoreCode));
    EXPECT_EQ(INSTALLSTATE_DEFAULT, MsiQueryProductStateW(kSampleExtrasCode));
    EXPECT_EQ((std::vector<std::string>{"media 1", "start 0 Sample", "end 0"}), window.events);

    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    for (const wchar_t* code : {kSampleCoreCode, kSampleExtrasCode})
        MsiConfigureProductW(code, 0, INSTALLSTATE_ABSENT);
}
