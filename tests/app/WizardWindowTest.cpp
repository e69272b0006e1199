// setup.exe without /q, drawn for real: the frame comes up on the welcome page while the
// sample distribution loads, Next becomes usable once it has loaded, and Cancel asks and ends
// the run with 1602; Next goes on through the user-information and licence pages; from the
// welcome page through the install to Finish. The install cancelled or failed ends on its end
// page with 1602 or 1603; a part that asks for a restart leads to the restart dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <msi.h>

#include <string>

#include "Screenshot.h"
#include "SetupWindows.h"
#include "TestSupport.h"
#include "resource.h"

using namespace testsupport;

namespace {

// setup.exe over the distribution whose first volume is `root` (the built sample by default).
class SampleSetup : public SetupProcess {
public:
    explicit SampleSetup(const std::wstring& root = ModuleDir() + L"\\sample")
        : SetupProcess(ModuleDir() + L"\\setup.exe", root)
    {
    }
};

const wchar_t kTitle[] = L"Velmo Sample Distribution";
// The sample's two parts.
const wchar_t* const kProducts[] = {L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A21}", L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A31}"};

// The sample's products removed: a fresh install for the run (an earlier test of this program
// may have installed them).
void RemoveSampleProducts()
{
    ::MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    for (const wchar_t* product : kProducts) {
        if (::MsiQueryProductStateW(product) != INSTALLSTATE_UNKNOWN) {
            // The part that asks for a restart asks again on its removal.
            const UINT removed = ::MsiConfigureProductW(product, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT);
            EXPECT_TRUE(removed == ERROR_SUCCESS || removed == ERROR_SUCCESS_REBOOT_REQUIRED) << removed;
        }
    }
}

bool IsInstalled(const wchar_t* product)
{
    return ::MsiQueryProductStateW(product) == INSTALLSTATE_DEFAULT;
}

// The sample copied into `dir` with `corePackage` (test data) as its first part; the first
// volume's folder.
std::wstring SampleWithCore(const TempDir& dir, const wchar_t* corePackage)
{
    const std::wstring volume1 = WriteSampleVolume1(dir, TestDataPath(corePackage));
    EXPECT_FALSE(volume1.empty());
    WriteSampleVolume2(dir, true);
    return volume1;
}

// The current page once it holds control `id`.
HWND WaitForPageWith(HWND frame, int id, DWORD timeoutMs = 10000)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        HWND page = CurrentPage(frame);
        if (page && ::GetDlgItem(page, id))
            return page;
        ::Sleep(50);
    }
    return nullptr;
}

// The run's frame once the sample has loaded (Next enabled); null when it never does.
HWND WaitForLoadedFrame(const SetupProcess& setup)
{
    HWND frame = WaitForDialog(setup.Id(), kTitle, nullptr);
    return frame && WaitUntilEnabled(::GetDlgItem(frame, IDC_FRAME_NEXT)) ? frame : nullptr;
}

// From the loaded welcome page through the user-information page (filled in) and the licence
// page (accepted): Next on each. `shots` saves a screenshot of both pages; the licence opens
// declined, with Next disabled until it is accepted.
void PassTheInformationPages(HWND frame, bool shots)
{
    HWND next = ::GetDlgItem(frame, IDC_FRAME_NEXT);
    Click(next);
    HWND page = WaitForPageWith(frame, IDC_USER_NAME);
    ASSERT_NE(nullptr, page);
    ::SendMessageW(::GetDlgItem(page, IDC_USER_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Pat Example"));
    ::SendMessageW(::GetDlgItem(page, IDC_USER_COMPANY), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Example Ltd."));
    ::Sleep(200);
    if (shots) {
        EXPECT_FALSE(SaveScreenshot(frame, L"setup-user-information").empty());
    }
    Click(next);

    page = WaitForPageWith(frame, IDC_LICENSE_ACCEPT);
    ASSERT_NE(nullptr, page);
    ::Sleep(300);
    EXPECT_EQ(BST_CHECKED, ::SendMessageW(::GetDlgItem(page, IDC_LICENSE_DECLINE), BM_GETCHECK, 0, 0));
    EXPECT_FALSE(::IsWindowEnabled(next));
    if (shots) {
        EXPECT_FALSE(SaveScreenshot(frame, L"setup-license").empty());
    }
    Click(::GetDlgItem(page, IDC_LICENSE_ACCEPT));
    EXPECT_TRUE(::IsWindowEnabled(next));
    Click(::GetDlgItem(page, IDC_LICENSE_DECLINE));
    EXPECT_FALSE(::IsWindowEnabled(next));
    Click(::GetDlgItem(page, IDC_LICENSE_ACCEPT));
    ASSERT_TRUE(::IsWindowEnabled(next));
    Click(next);
}

// The end page in Finish mode (Cancel reads Finish); false when it never came.
bool WaitForFinish(HWND frame, DWORD timeoutMs = 60000)
{
    HWND cancel = ::GetDlgItem(frame, IDCANCEL);
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        if (::IsWindowEnabled(cancel) && WindowText(cancel) == L"&Finish")
            return true;
        ::Sleep(100);
    }
    return false;
}

TEST(WizardProcess, WelcomeLoadsTheSampleAndCancelEndsWithUserExit)
{
    SampleSetup setup;
    ASSERT_TRUE(setup.Started());
    HWND frame = WaitForLoadedFrame(setup);
    ASSERT_NE(nullptr, frame) << "the sample never finished loading";
    ::Sleep(300);
    EXPECT_FALSE(SaveScreenshot(frame, L"setup-welcome-loaded").empty());

    // Cancel asks first; No keeps the wizard.
    ::PostMessageW(::GetDlgItem(frame, IDCANCEL), BM_CLICK, 0, 0);
    HWND question = WaitForDialog(setup.Id(), kTitle, L"Are you sure you want to cancel?");
    ASSERT_NE(nullptr, question);
    EXPECT_FALSE(SaveScreenshot(question, L"setup-cancel-question").empty());
    ::PostMessageW(::GetDlgItem(question, IDNO), BM_CLICK, 0, 0);
    EXPECT_EQ(STILL_ACTIVE, setup.Wait(500));

    ::PostMessageW(::GetDlgItem(frame, IDCANCEL), BM_CLICK, 0, 0);
    question = WaitForDialog(setup.Id(), kTitle, L"Are you sure you want to cancel?");
    ASSERT_NE(nullptr, question);
    ::PostMessageW(::GetDlgItem(question, IDYES), BM_CLICK, 0, 0);
    EXPECT_EQ(1602u, setup.Wait());
}

// Welcome, the user-information and licence pages, the install of both parts (the second from
// the volume beside the first), the end page, Finish: exit 0 and both products installed.
TEST(WizardProcess, SampleFromWelcomeToFinish)
{
    SampleSetup setup;
    ASSERT_TRUE(setup.Started());
    HWND frame = WaitForLoadedFrame(setup);
    ASSERT_NE(nullptr, frame) << "the sample never finished loading";
    HWND next = ::GetDlgItem(frame, IDC_FRAME_NEXT);
    HWND cancel = ::GetDlgItem(frame, IDCANCEL);
    PassTheInformationPages(frame, true);

    // The end page: Finish, or Next while something remains to do after the wizard.
    const DWORD start = ::GetTickCount();
    bool finishMode = false;
    bool nextMode = false;
    while (!finishMode && !nextMode && ::GetTickCount() - start < 90000) {
        ::Sleep(100);
        finishMode = ::IsWindowEnabled(cancel) && WindowText(cancel) == L"&Finish";
        nextMode = ::IsWindowEnabled(next) && !::IsWindowEnabled(cancel);
    }
    ASSERT_TRUE(finishMode || nextMode) << "the end page never came";
    ::Sleep(300);
    EXPECT_FALSE(SaveScreenshot(frame, L"setup-end-complete").empty());
    ::PostMessageW(finishMode ? cancel : next, BM_CLICK, 0, 0);
    EXPECT_EQ(0u, setup.Wait(60000));
    for (const wchar_t* product : kProducts)
        EXPECT_EQ(INSTALLSTATE_DEFAULT, ::MsiQueryProductStateW(product)) << product;
}

// The second volume moved away from its place beside the first: the media prompt comes up
// during the install and is answered by typing the folder it moved to; the run goes on to Finish.
TEST(WizardProcess, MovedVolumeIsPromptedForAndFoundWhereTyped)
{
    RemoveSampleProducts();
    TempDir dir;
    const std::wstring volume1 = WriteSampleVolume1(dir, ModuleDir() + L"\\sample\\parts\\core.msi");
    ASSERT_FALSE(volume1.empty());
    WriteSampleVolume2(dir, true);
    const std::wstring moved = dir.File(L"MOVED");
    ASSERT_TRUE(::MoveFileW(dir.File(L"SAMPLE2").c_str(), moved.c_str()));

    SampleSetup setup(volume1);
    ASSERT_TRUE(setup.Started());
    HWND frame = WaitForLoadedFrame(setup);
    ASSERT_NE(nullptr, frame) << "the sample never finished loading";
    PassTheInformationPages(frame, false);

    HWND prompt = WaitForDialog(setup.Id(), nullptr, L"If the required files may be found elsewhere", 60000);
    if (!prompt) {
        SaveScreenshot(frame, L"setup-media-prompt-missing");
    }
    ASSERT_NE(nullptr, prompt);
    ::Sleep(300);
    EXPECT_FALSE(SaveScreenshot(prompt, L"setup-media-prompt").empty());
    // The prompt checks the folder as it is typed and goes once it holds the medium.
    ::SendMessageW(::GetDlgItem(prompt, IDC_MEDIA_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(moved.c_str()));
    for (int i = 0; i < 50 && ::IsWindow(prompt); ++i)
        ::Sleep(100);
    if (::IsWindow(prompt)) {
        ::PostMessageW(::GetDlgItem(prompt, IDOK), BM_CLICK, 0, 0);
    }

    ASSERT_TRUE(WaitForFinish(frame)) << "the end page never came";
    ::PostMessageW(::GetDlgItem(frame, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(0u, setup.Wait(60000));
    for (const wchar_t* product : kProducts)
        EXPECT_EQ(INSTALLSTATE_DEFAULT, ::MsiQueryProductStateW(product)) << product;
}

// Cancel while the install runs: the post-processing program holds the install thread before
// the first part, the question comes and Yes cancels. The run does not come back (the program
// still holds it), so the page's time-out ends it: "aborted at your request", then the end page
// reads "Installation Cancelled" and the run ends with 1602, no part installed. (Wine's
// Windows Installer goes on with a part whose messages are answered with a cancel, so the
// cancel is shown where setup itself ends the run.)
TEST(WizardProcess, CancelDuringTheInstallEndsCancelled)
{
    RemoveSampleProducts();
    TempDir dir;
    const std::wstring holder = dir.File(L"holdpart.exe");
    ASSERT_TRUE(::CopyFileW((ModuleDir() + L"\\holdpart.exe").c_str(), holder.c_str(), FALSE));
    const std::wstring volume1 = WriteSampleVolume1(dir, ModuleDir() + L"\\sample\\parts\\core.msi", std::wstring(), holder);
    ASSERT_FALSE(volume1.empty());
    WriteSampleVolume2(dir, true);
    SampleSetup setup(volume1);
    ASSERT_TRUE(setup.Started());
    HWND frame = WaitForLoadedFrame(setup);
    ASSERT_NE(nullptr, frame) << "the sample never finished loading";
    PassTheInformationPages(frame, false);
    ASSERT_NE(nullptr, WaitForPageWith(frame, IDC_PROGRESS_OVERALL)) << "the progress page never came";
    ::Sleep(300);
    EXPECT_FALSE(SaveScreenshot(frame, L"setup-progress-installing").empty());

    ::PostMessageW(::GetDlgItem(frame, IDCANCEL), BM_CLICK, 0, 0);
    HWND question = WaitForDialog(setup.Id(), kTitle, L"Are you sure you want to cancel?");
    ASSERT_NE(nullptr, question);
    EXPECT_FALSE(SaveScreenshot(question, L"setup-progress-cancel-question").empty());
    ::PostMessageW(::GetDlgItem(question, IDYES), BM_CLICK, 0, 0);
    HWND aborted = WaitForDialog(setup.Id(), kTitle, L"aborted at your request", 30000);
    // The held program may go now: the run's thread is no longer waited for.
    WriteFileBytes(holder + L".release", std::string());
    ASSERT_NE(nullptr, aborted) << "the cancel's time-out never came";
    EXPECT_FALSE(SaveScreenshot(aborted, L"setup-progress-cancel-timeout").empty());
    ::PostMessageW(::GetDlgItem(aborted, IDOK), BM_CLICK, 0, 0);

    ASSERT_TRUE(WaitForFinish(frame)) << "the end page never came";
    ::Sleep(300);
    EXPECT_FALSE(SaveScreenshot(frame, L"setup-end-cancelled").empty());
    ::PostMessageW(::GetDlgItem(frame, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(1602u, setup.Wait());
    EXPECT_FALSE(IsInstalled(kProducts[0]));
    EXPECT_FALSE(IsInstalled(kProducts[1]));
}

// A first part whose launch condition never holds: the engine's message is shown, then the
// question whether to go on; No ends the install, the end page reads "Installation Failed" and
// the run ends with 1603, the second part never installed.
TEST(WizardProcess, FailingPartAnsweredNoEndsFailed)
{
    RemoveSampleProducts();
    TempDir dir;
    SampleSetup setup(SampleWithCore(dir, L"app_failpart.msi"));
    ASSERT_TRUE(setup.Started());
    HWND frame = WaitForLoadedFrame(setup);
    ASSERT_NE(nullptr, frame) << "the sample never finished loading";
    PassTheInformationPages(frame, false);

    HWND question = nullptr;
    const DWORD start = ::GetTickCount();
    while (!question && ::GetTickCount() - start < 60000) {
        question = WaitForDialog(setup.Id(), kTitle, L"installation has failed", 200);
        HWND engineMessage = question ? nullptr : WaitForDialog(setup.Id(), nullptr, L"This part cannot be installed.", 200);
        if (engineMessage) {
            EXPECT_FALSE(SaveScreenshot(engineMessage, L"setup-progress-part-message").empty());
            ::PostMessageW(::GetDlgItem(engineMessage, IDOK), BM_CLICK, 0, 0);
            ::Sleep(300);
        }
    }
    ASSERT_NE(nullptr, question) << "the failure question never came";
    ::Sleep(300);
    EXPECT_FALSE(SaveScreenshot(question, L"setup-progress-failure-question").empty());
    ::PostMessageW(::GetDlgItem(question, IDNO), BM_CLICK, 0, 0);

    ASSERT_TRUE(WaitForFinish(frame)) << "the end page never came";
    ::Sleep(300);
    EXPECT_FALSE(SaveScreenshot(frame, L"setup-end-failed").empty());
    ::PostMessageW(::GetDlgItem(frame, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(1603u, setup.Wait());
    EXPECT_FALSE(IsInstalled(kProducts[0]));
    EXPECT_FALSE(IsInstalled(kProducts[1]));
}

// A first part that asks for a restart: Finish brings up the restart dialog. Restart goes
// through the platform seam (the test host records the call and never restarts Windows): 1641
// when the system starts the restart, 3010 when it refuses; Restart Later keeps 3010 and calls
// nothing.
TEST(WizardProcess, RestartDialogEndsWithTheRestartsOutcome)
{
    struct Row {
        const char* name;
        const wchar_t* system;  // the seam's answer: "accept" or "refuse"
        int button;
        DWORD exitCode;
        bool restartCalled;
    } const rows[] = {
        {"restart started", L"accept", IDC_RESTART_NOW, ERROR_SUCCESS_REBOOT_INITIATED, true},
        {"restart refused by the system", L"refuse", IDC_RESTART_NOW, ERROR_SUCCESS_REBOOT_REQUIRED, true},
        {"restart later", L"accept", IDC_RESTART_LATER, ERROR_SUCCESS_REBOOT_REQUIRED, false},
    };
    bool shot = false;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RemoveSampleProducts();
        TempDir dir;
        const std::wstring report = dir.File(L"report.txt");
        ::SetEnvironmentVariableW(L"VELMO_TEST_REPORT", report.c_str());
        ::SetEnvironmentVariableW(L"VELMO_TEST_RESTART", row.system);
        // The host reads the configuration named after itself.
        const std::wstring volume1 = SampleWithCore(dir, L"app_rebootpart.msi");
        ASSERT_TRUE(::CopyFileW((volume1 + L"\\setup.ini").c_str(), (volume1 + L"\\startup_host.ini").c_str(), FALSE));
        SetupProcess setup(ModuleDir() + L"\\startup_host.exe", volume1);
        ::SetEnvironmentVariableW(L"VELMO_TEST_REPORT", nullptr);
        ::SetEnvironmentVariableW(L"VELMO_TEST_RESTART", nullptr);
        ASSERT_TRUE(setup.Started());
        HWND frame = WaitForLoadedFrame(setup);
        ASSERT_NE(nullptr, frame) << "the sample never finished loading: " << ReadFileBytes(report);
        PassTheInformationPages(frame, false);
        ASSERT_TRUE(WaitForFinish(frame)) << "the end page never came";
        ::PostMessageW(::GetDlgItem(frame, IDCANCEL), BM_CLICK, 0, 0);

        HWND restart = WaitForDialog(setup.Id(), kTitle, L"your computer must be restarted");
        ASSERT_NE(nullptr, restart) << "the restart dialog never came";
        if (!shot) {
            ::Sleep(300);
            EXPECT_FALSE(SaveScreenshot(restart, L"setup-restart").empty());
            shot = true;
        }
        ::PostMessageW(::GetDlgItem(restart, row.button), BM_CLICK, 0, 0);
        EXPECT_EQ(row.exitCode, setup.Wait());
        // The host's report: a line per recorded call, the restart's with its flags.
        const std::string recorded = ReadFileBytes(report);
        EXPECT_EQ(row.restartCalled, recorded.find("BOX|2|restart|ExitWindowsEx") != std::string::npos) << recorded;
        EXPECT_TRUE(IsInstalled(kProducts[0]));
        EXPECT_TRUE(IsInstalled(kProducts[1]));
    }
}

// A linked distribution on the medium beside the first volume (its ID file names the stand-in
// child program, which records how it was started and exits with 1603): it is started after
// both parts are installed, as a linked child of the wizard, and its result is the run's.
TEST(WizardProcess, LinkedChildRunsAfterThePartsAndItsResultIsMerged)
{
    RemoveSampleProducts();
    TempDir dir;
    const std::wstring volume1 = SampleWithCore(dir, L"..\\sample\\parts\\core.msi");
    const char kChildGuid[] = "{6B1D8F3F-9A4C-4E2B-8D7F-3C8E5F2A4B10}";
    // Its title is a string of the sample's custom module.
    std::string ini = ReadFileBytes(volume1 + L"\\setup.ini");
    ini += std::string("\r\n[Linked Distributions]\r\nChild=\r\n[Child]\r\nTitle=1\r\nGUID=")
        + kChildGuid + "\r\nVolumeLabel=CHILD\r\n";
    ASSERT_TRUE(WriteFileBytes(volume1 + L"\\setup.ini", ini));
    const std::wstring child = dir.File(L"CHILD");
    ASSERT_TRUE(::CreateDirectoryW(child.c_str(), nullptr));
    ASSERT_TRUE(::CopyFileW((ModuleDir() + L"\\linkedchild.exe").c_str(), (child + L"\\linkedchild.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(child + L"\\zkdist.id",
        std::string("[Volume Id]\r\nExePath=\\linkedchild.exe\r\nDistributionGUID=") + kChildGuid
            + "\r\nDistributionVersion=1.0.0.0\r\nVolume=1\r\n"));
    ASSERT_TRUE(WriteFileBytes(child + L"\\child.ini", "[Child]\r\nExit=1603\r\n"));

    SampleSetup setup(volume1);
    ASSERT_TRUE(setup.Started());
    HWND frame = WaitForLoadedFrame(setup);
    ASSERT_NE(nullptr, frame) << "the sample never finished loading";
    PassTheInformationPages(frame, false);
    ASSERT_TRUE(WaitForFinish(frame)) << "the end page never came";
    ::Sleep(300);
    EXPECT_FALSE(SaveScreenshot(frame, L"setup-end-linked-failed").empty());
    ::PostMessageW(::GetDlgItem(frame, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(1603u, setup.Wait());
    const std::string args = ReadFileBytes(child + L"\\args.txt");
    EXPECT_NE(std::string::npos, args.find("/linkedcustom\n")) << args;
    EXPECT_NE(std::string::npos, args.find("/masterHwnd\n")) << args;
    for (const wchar_t* product : kProducts)
        EXPECT_TRUE(IsInstalled(product)) << product;
}

// The same at 120 DPI (the display setting of the prefix, read by each new process): the pages
// keep their proportions.
TEST(WizardProcess, WelcomeAt120Dpi)
{
    HKEY desktop = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                                 KEY_SET_VALUE, nullptr, &desktop, nullptr));
    const DWORD dpi = 120;
    ::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
    {
        SampleSetup setup;
        ASSERT_TRUE(setup.Started());
        HWND frame = WaitForLoadedFrame(setup);
        ASSERT_NE(nullptr, frame);
        ::Sleep(300);
        EXPECT_FALSE(SaveScreenshot(frame, L"setup-welcome-120dpi").empty());
        // The buttons stay inside the frame, below the separator.
        RECT client, separator, cancel;
        ::GetClientRect(frame, &client);
        ::GetWindowRect(::GetDlgItem(frame, IDC_FRAME_SEPARATOR), &separator);
        ::GetWindowRect(::GetDlgItem(frame, IDCANCEL), &cancel);
        ::MapWindowPoints(nullptr, frame, reinterpret_cast<LPPOINT>(&separator), 2);
        ::MapWindowPoints(nullptr, frame, reinterpret_cast<LPPOINT>(&cancel), 2);
        EXPECT_GT(cancel.top, separator.bottom);
        EXPECT_LE(cancel.right, client.right);
        EXPECT_LE(cancel.bottom, client.bottom);
        ::PostMessageW(::GetDlgItem(frame, IDCANCEL), BM_CLICK, 0, 0);
        HWND question = WaitForDialog(setup.Id(), kTitle, L"Are you sure you want to cancel?");
        ASSERT_NE(nullptr, question);
        ::PostMessageW(::GetDlgItem(question, IDYES), BM_CLICK, 0, 0);
        EXPECT_EQ(1602u, setup.Wait());
    }
    ::RegDeleteValueW(desktop, L"LogPixels");
    ::RegCloseKey(desktop);
}

}  // namespace
