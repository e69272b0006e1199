// setup.exe over a copy of the sample distribution that enables every page: the user's name and
// company from a spec file, both licences accepted (declining disables Next again), two
// destination folders typed, the Custom installation type leading to the feature page, Extras
// made absent there through its menu by keyboard, the extra-feature information before and
// after the feature page (plain and RTF rows), the summary, the install and Finish. Only Core
// is installed, into the typed folders, and the user's name and company reach Windows
// Installer. Further runs of the same copy: a fatal extra-feature row that applies stops the
// wizard on the information page after the feature selection; Typical with C: short of space
// stays on its page after the disk-cost dialog and, with space freed, goes on to a summary of
// both parts (at 120 DPI, with screenshots of the destination and installation-type pages).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <msi.h>
#include <msiquery.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "Screenshot.h"
#include "SamplePackages.h"
#include "SetupWindows.h"
#include "TestSupport.h"
#include "resource.h"

using namespace testsupport;

namespace {

const wchar_t kTitle[] = L"Velmo Sample Distribution";
// The destination page's first Browse button; its row's edit is the page's only edit.
const int kFirstBrowseId = 5000;
// The radio captions of the two installation types (strings of the sample's custom module).
const wchar_t kCustomLabel[] = L"Velmo Sample Distribution";
const wchar_t kTypicalLabel[] = L"Welcome to the Velmo Sample Distribution";

// Every page shown, two installation types, two destination rows (INSTALLDIR and the help
// folder the copy adds), a configured user and company (which the spec file's replace) and a
// second licence (the sample's own text again).
const char kDialogs[] =
    "[Dialogs]\n"
    "FeatureInfo1=1\nSingleDirectory=1\nInstallationType=1\nFeatureTree=1\nFeatureInfo=1\nLicense2=1\n"
    "ConfirmStart=1\n\n";
const char kMore[] =
    "\n[Installation Types]\nTypical\nCustom\n\n"
    "[Typical]\nLabel=3\nText=4\nIcon=Typical\nLevel=100\nCustom=0\n\n"
    "[Custom]\nLabel=1\nText=5\nIcon=Custom\nLevel=100\nCustom=1\n\n"
    "[SingleDirectoryDialog]\nDir1=INSTALLDIR\nDir2=HELPDIR\n\n"
    "[UserInfoDialog]\nUser=Configured Person\nCompany=Configured Company\n";
// The spec file of the main run: the user information the page starts with.
const char kSpecFile[] = "[UserInfo]\r\nName=Pat Example\r\nCompany=Example Ltd.\r\n";

// The extra-feature rows of the copy: plain text on the information page before the feature
// page (Attributes 2), an RTF row after it (4; no condition: Core is newly installed), and a
// fatal row (1) for Extras that applies only where the merged package sets VELMOSTOP.
const wchar_t kPlainHeader[] = L"Before you start";
const wchar_t kPlainInfo[] = L"[ProductName] asks for a few choices.";
const wchar_t kPlainShown[] = L"Velmo Sample Distribution asks for a few choices.";
const wchar_t kRtfHeader[] = L"{\\b Core} notes";
const wchar_t kRtfInfo[] = L"Core goes into {\\i [INSTALLDIR]}.";
const wchar_t kFatalHeader[] = L"Extras cannot be installed here";

// The test copy's setup.ini text made the full run's; false when a text it replaces is missing.
bool MakeFullRunIni(const std::wstring& volume1)
{
    std::string ini = ReadFileBytes(volume1 + L"\\setup.ini");
    const size_t dialogs = ini.find("[Dialogs]");
    const size_t endDialog = ini.find("[EndDialog]");
    const size_t files = ini.find("[Files]\n");
    const size_t licence = ini.find("LicenseTextFile1033=Licence Agreement;");
    if (dialogs == std::string::npos || endDialog == std::string::npos || files == std::string::npos ||
        licence == std::string::npos)
        return false;
    // The second licence names the same file as the first (its absolute path in the copy).
    const size_t lineEnd = ini.find('\n', licence);
    const std::string path = ini.substr(ini.find(';', licence) + 1, lineEnd - ini.find(';', licence) - 1);
    ini.insert(files + 8, "License2TextFile1033=Second Agreement;" + path + "\n");
    ini.replace(dialogs, endDialog - dialogs, kDialogs);
    ini += kMore;
    return WriteFileBytes(volume1 + L"\\setup.ini", ini);
}

const wchar_t kAddHelpDir[]
    = L"INSERT INTO `Directory` (`Directory`, `Directory_Parent`, `DefaultDir`) VALUES ('HELPDIR', 'INSTALLDIR', 'Help')";
// Adds a row of the extra-feature table: feature, condition, header and information as
// parameters.
std::wstring InfoRowStatement(int attributes)
{
    return L"INSERT INTO `ZKExtraFeatureInfo` (`Feature_`, `Condition`, `Header`, `Attributes`, `Info`) "
           L"VALUES (?, ?, ?, "
        + std::to_wstring(attributes) + L", ?)";
}

// The sample copied for a full run: its merged package and Core's package copied beside the
// volumes and patched (the help folder as a second destination, where Core's help file goes;
// the extra-feature rows; with `stop` the property that makes the fatal row apply), and
// setup.ini made the full run's. The first volume; empty when a step failed.
std::wstring WriteFullRunCopy(const TempDir& dir, bool stop)
{
    const std::wstring merged = dir.File(L"merged.msi");
    const std::wstring core = dir.File(L"core.msi");
    if (!::CopyFileW((ModuleDir() + L"\\sample\\merged.msi").c_str(), merged.c_str(), FALSE)
        || !::CopyFileW((ModuleDir() + L"\\sample\\parts\\core.msi").c_str(), core.c_str(), FALSE))
        return std::wstring();
    const std::wstring plain = InfoRowStatement(2), rtf = InfoRowStatement(4), fatal = InfoRowStatement(1);
    std::vector<PackageStatement> mergedPatch = {
        {kAddHelpDir, {}},
        {L"CREATE TABLE `ZKExtraFeatureInfo` (`Feature_` CHAR(38) NOT NULL, `Condition` CHAR(255), "
         L"`Header` CHAR(255) NOT NULL LOCALIZABLE, `Attributes` LONG NOT NULL, `Info` LONGCHAR LOCALIZABLE "
         L"PRIMARY KEY `Feature_`, `Condition`, `Header`)",
            {}},
        {plain.c_str(), {L"Core", L"", kPlainHeader, kPlainInfo}},
        {rtf.c_str(), {L"Core", L"", kRtfHeader, kRtfInfo}},
        {fatal.c_str(), {L"Extras", L"VELMOSTOP", kFatalHeader, L"This copy stops before the summary."}},
    };
    if (stop)
        mergedPatch.push_back({L"INSERT INTO `Property` (`Property`, `Value`) VALUES ('VELMOSTOP', '1')", {}});
    const std::vector<PackageStatement> corePatch = {
        {kAddHelpDir, {}},
        {L"UPDATE `Component` SET `Directory_`='HELPDIR' WHERE `Component`='CoreHelpComponent'", {}},
    };
    if (!PatchPackage(merged, mergedPatch) || !PatchPackage(core, corePatch))
        return std::wstring();
    const std::wstring volume1 = WriteSampleVolume1(dir, core, merged);
    if (volume1.empty() || !MakeFullRunIni(volume1))
        return std::wstring();
    WriteSampleVolume2(dir, true);
    return volume1;
}

// The page's edits, in the order they were created.
std::vector<HWND> EditsOf(HWND page)
{
    std::vector<HWND> edits;
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = {};
        ::GetClassNameW(child, name, 32);
        if (_wcsicmp(name, L"Edit") == 0)
            edits.push_back(child);
    }
    return edits;
}

// From the current page on, Next until `stop` holds for a page, which is returned (null when
// none came or Next stayed disabled): licences accepted, the installation type whose radio reads
// `typeLabel` chosen.
HWND NextUntil(HWND frame, const wchar_t* typeLabel, const std::function<bool(HWND)>& stop)
{
    HWND next = ::GetDlgItem(frame, IDC_FRAME_NEXT);
    HWND page = CurrentPage(frame);
    for (int step = 0; step < 16 && page; ++step) {
        ::Sleep(400);
        if (stop(page))
            return page;
        if (HWND accept = ::GetDlgItem(page, IDC_LICENSE_ACCEPT))
            Click(accept);
        HWND type = typeLabel ? ChildOf(page, L"Button", typeLabel) : nullptr;
        if (type)
            Click(type);
        if (!WaitUntilEnabled(next))
            return nullptr;
        Click(next);
        page = WaitForNextPage(frame, page);
    }
    return nullptr;
}

bool IsInstallationTypePage(HWND page)
{
    return ChildOf(page, L"Button", kTypicalLabel) != nullptr;
}

bool IsSummaryPage(HWND page)
{
    return ::GetDlgItem(page, IDC_CONFIRM_SUMMARY) != nullptr;
}

// The wizard cancelled from its Cancel button, the question answered Yes: the exit code.
DWORD CancelConfirmed(SetupProcess& setup, HWND frame)
{
    ::PostMessageW(::GetDlgItem(frame, IDCANCEL), BM_CLICK, 0, 0);
    HWND question = WaitForDialog(setup.Id(), kTitle, L"Are you sure you want to cancel?");
    if (!question)
        return STILL_ACTIVE;
    ::PostMessageW(::GetDlgItem(question, IDYES), BM_CLICK, 0, 0);
    return setup.Wait(60000);
}

// The display's DPI for the processes started meanwhile (the prefix's setting, read by each
// new process).
class ScopedDpi {
public:
    explicit ScopedDpi(DWORD dpi)
    {
        ::RegCreateKeyExW(
            HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &m_key, nullptr);
        ::RegSetValueExW(m_key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
    }
    ~ScopedDpi()
    {
        ::RegDeleteValueW(m_key, L"LogPixels");
        ::RegCloseKey(m_key);
    }
    ScopedDpi(const ScopedDpi&) = delete;
    ScopedDpi& operator=(const ScopedDpi&) = delete;

private:
    HKEY m_key = nullptr;
};

// The feature page: Extras (the tree's last item) selected with End, its menu opened with
// Alt+Down, the highlight moved with Up to its last entry, "Do not install this feature" (the
// menu is another process's: its entries cannot be read from here, the screenshot shows it),
// and chosen with Enter.
void MakeExtrasAbsent(DWORD setupThread, HWND frame, HWND tree)
{
    ::SetForegroundWindow(frame);
    const DWORD self = ::GetCurrentThreadId();
    ::AttachThreadInput(self, setupThread, TRUE);
    ::SetFocus(tree);
    ::AttachThreadInput(self, setupThread, FALSE);
    ::Sleep(300);
    Press(VK_END);
    ::Sleep(150);
    const HTREEITEM root = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    const HTREEITEM extras = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(root)));
    ASSERT_NE(nullptr, extras);
    ASSERT_EQ(extras, reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)));
    Press(VK_DOWN, {VK_MENU});
    ::Sleep(150);
    ASSERT_TRUE(WaitForMenu(true)) << "Alt+Down opened no menu";
    Press(VK_UP);
    ::Sleep(150);
    EXPECT_FALSE(SaveScreenshot(frame, L"setup-full-feature-menu").empty());
    Press(VK_RETURN);
    ::Sleep(150);
    ASSERT_TRUE(WaitForMenu(false));
}

TEST(FullWizard, EveryPageFromWelcomeToFinishWithCustomAndExtrasAbsent)
{
    EXPECT_TRUE(RemoveSampleProducts());
    TempDir dir;
    const std::wstring volume1 = WriteFullRunCopy(dir, false);
    ASSERT_FALSE(volume1.empty());
    const std::wstring target = dir.File(L"Chosen Folder");
    const std::wstring helpTarget = dir.File(L"Help Folder");
    const std::wstring spec = dir.File(L"spec.ini");
    ASSERT_TRUE(WriteFileBytes(spec, kSpecFile));

    SetupProcess setup(ModuleDir() + L"\\setup.exe", volume1, L"\"" + spec + L"\"");
    ASSERT_TRUE(setup.Started());
    HWND frame = WaitForDialog(setup.Id(), kTitle, nullptr);
    ASSERT_NE(nullptr, frame);
    HWND next = ::GetDlgItem(frame, IDC_FRAME_NEXT);
    HWND cancel = ::GetDlgItem(frame, IDCANCEL);
    ASSERT_TRUE(WaitUntilEnabled(next)) << "the copy never finished loading";
    const DWORD setupThread = ::GetWindowThreadProcessId(frame, nullptr);

    std::vector<std::wstring> seen;
    HWND page = CurrentPage(frame);
    bool finished = false;
    for (int step = 0; step < 16 && page && !finished; ++step) {
        ::Sleep(400);
        std::wstring name;
        if (::GetDlgItem(page, IDC_USER_NAME)) {
            name = L"user-information";
            // The spec file's entries, not the configured ones; they go on unchanged.
            EXPECT_EQ(L"Pat Example", TextOf(::GetDlgItem(page, IDC_USER_NAME)));
            EXPECT_EQ(L"Example Ltd.", TextOf(::GetDlgItem(page, IDC_USER_COMPANY)));
        } else if (::GetDlgItem(page, IDC_LICENSE_ACCEPT)) {
            name = seen.end() == std::find(seen.begin(), seen.end(), L"license") ? L"license" : L"license2";
            EXPECT_FALSE(::IsWindowEnabled(next)) << "licence opened accepted";
            Click(::GetDlgItem(page, IDC_LICENSE_ACCEPT));
            EXPECT_TRUE(::IsWindowEnabled(next));
            Click(::GetDlgItem(page, IDC_LICENSE_DECLINE));
            EXPECT_FALSE(::IsWindowEnabled(next)) << "Next stayed enabled after declining";
            Click(::GetDlgItem(page, IDC_LICENSE_ACCEPT));
        } else if (::GetDlgItem(page, kFirstBrowseId)) {
            name = L"destination";
            EXPECT_TRUE(::GetDlgItem(page, kFirstBrowseId + 1)) << "no second directory row";
            const std::vector<HWND> edits = EditsOf(page);
            ASSERT_EQ(2u, edits.size());
            ::SendMessageW(edits[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
            ::SendMessageW(edits[1], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(helpTarget.c_str()));
        } else if (::GetDlgItem(page, IDC_FEATURE_INFO_TEXT)) {
            // Before the installation type: the first information page, with the plain row and
            // its property expanded; after the feature page: the RTF row (the property expanded
            // and escaped, shown as the typed folder), not the row shown before, not the fatal
            // row whose condition is false.
            const bool first = seen.end() == std::find(seen.begin(), seen.end(), L"installation-type");
            name = first ? L"feature-info-first" : L"feature-info";
            const std::wstring text = TextOf(::GetDlgItem(page, IDC_FEATURE_INFO_TEXT));
            const std::string shown(text.begin(), text.end());
            EXPECT_EQ(first, text.find(kPlainHeader) != std::wstring::npos) << shown;
            EXPECT_EQ(first, text.find(kPlainShown) != std::wstring::npos) << shown;
            EXPECT_EQ(!first, text.find(L"Core notes") != std::wstring::npos) << shown;
            EXPECT_EQ(!first, text.find(L"Core goes into " + target + L"\\.") != std::wstring::npos) << shown;
            EXPECT_EQ(std::wstring::npos, text.find(kFatalHeader)) << shown;
            EXPECT_TRUE(::IsWindowEnabled(next));
        } else if (ChildOf(page, L"Button", kCustomLabel)) {
            name = L"installation-type";
            EXPECT_TRUE(ChildOf(page, L"Button", kTypicalLabel));
            Click(ChildOf(page, L"Button", kCustomLabel));
            EXPECT_EQ(BST_CHECKED, ::SendMessageW(ChildOf(page, L"Button", kCustomLabel), BM_GETCHECK, 0, 0));
        } else if (::GetDlgItem(page, IDC_FEATURE_TREE)) {
            name = L"features";
            ASSERT_TRUE(WaitUntilEnabled(next)) << "costing never ended";
            MakeExtrasAbsent(setupThread, frame, ::GetDlgItem(page, IDC_FEATURE_TREE));
            if (::testing::Test::HasFatalFailure())
                SaveScreenshot(frame, L"setup-full-features-failed");
            ASSERT_FALSE(::testing::Test::HasFatalFailure());
        } else if (::GetDlgItem(page, IDC_CONFIRM_SUMMARY)) {
            name = L"confirmation";
            // The summary lists Core alone: Extras goes absent.
            const std::wstring summary = TextOf(::GetDlgItem(page, IDC_CONFIRM_SUMMARY));
            EXPECT_NE(std::wstring::npos, summary.find(L"Core files")) << std::string(summary.begin(), summary.end());
            EXPECT_EQ(std::wstring::npos, summary.find(L"Extra files"));
        } else if (::GetDlgItem(page, IDC_PROGRESS_OVERALL)) {
            name = L"progress";
        } else if (WindowText(cancel) == L"&Finish") {
            name = L"end";
            finished = true;
        } else if (step == 0) {
            name = L"welcome";
        } else {
            name = L"page" + std::to_wstring(step);
        }
        seen.push_back(name);
        EXPECT_FALSE(SaveScreenshot(frame, L"setup-full-" + name).empty());
        if (finished || name == L"progress")
            break;
        ASSERT_TRUE(WaitUntilEnabled(next)) << "Next stayed disabled on the " << std::string(name.begin(), name.end());
        Click(next);
        page = WaitForNextPage(frame, page);
        if (!page)
            SaveScreenshot(frame, L"setup-full-stuck");
    }
    // The progress page runs on to the end page.
    const DWORD start = ::GetTickCount();
    while (WindowText(cancel) != L"&Finish" && ::GetTickCount() - start < 90000)
        ::Sleep(100);
    ASSERT_EQ(L"&Finish", WindowText(cancel)) << "the end page never came";
    ::Sleep(300);
    EXPECT_FALSE(SaveScreenshot(frame, L"setup-full-end").empty());
    std::wstring order;
    for (const std::wstring& name : seen)
        order += name + L" ";
    const std::vector<std::wstring> expected = {L"user-information", L"license", L"license2", L"destination",
        L"installation-type", L"features", L"feature-info-first", L"feature-info", L"confirmation"};
    for (const std::wstring& name : expected)
        EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), name)) << std::string(order.begin(), order.end());
    ::PostMessageW(cancel, BM_CLICK, 0, 0);
    EXPECT_EQ(0u, setup.Wait(60000));
    EXPECT_EQ(INSTALLSTATE_DEFAULT, ::MsiQueryProductStateW(kSampleCoreProduct));
    EXPECT_NE(INSTALLSTATE_DEFAULT, ::MsiQueryProductStateW(kSampleExtrasProduct));
    EXPECT_TRUE(FileExists(target + L"\\core.txt")) << "Core's file not in the typed folder";
    EXPECT_TRUE(FileExists(helpTarget + L"\\corehelp.txt")) << "Core's help file not in the second typed folder";
    const LogFile log = ReadLogFile(volume1 + L"\\setup-sample.log");
    EXPECT_NE(std::wstring::npos, log.text.find(L"USERNAME")) << "no USERNAME in the log";
    EXPECT_NE(std::wstring::npos, log.text.find(L"Pat Example"));
    EXPECT_NE(std::wstring::npos, log.text.find(L"COMPANYNAME"));
    EXPECT_NE(std::wstring::npos, log.text.find(L"Example Ltd."));
    EXPECT_TRUE(RemoveSampleProducts());
}

// The copy with the property that makes the fatal row apply: the information page after the
// installation type (Typical) turns into "Installation Cannot Proceed" with the fatal row alone
// and Next disabled; Cancel ends the run.
TEST(FullWizard, FatalRowStopsOnTheInformationPageAfterTheSelection)
{
    EXPECT_TRUE(RemoveSampleProducts());
    TempDir dir;
    const std::wstring volume1 = WriteFullRunCopy(dir, true);
    ASSERT_FALSE(volume1.empty());
    SetupProcess setup(ModuleDir() + L"\\setup.exe", volume1);
    ASSERT_TRUE(setup.Started());
    HWND frame = WaitForDialog(setup.Id(), kTitle, nullptr);
    ASSERT_NE(nullptr, frame);
    HWND next = ::GetDlgItem(frame, IDC_FRAME_NEXT);
    ASSERT_TRUE(WaitUntilEnabled(next)) << "the copy never finished loading";
    HWND page = NextUntil(frame, kTypicalLabel, [](HWND candidate) {
        HWND info = ::GetDlgItem(candidate, IDC_FEATURE_INFO_TEXT);
        return info && TextOf(info).find(kFatalHeader) != std::wstring::npos;
    });
    if (!page)
        SaveScreenshot(frame, L"setup-full-fatal-stuck");
    ASSERT_NE(nullptr, page) << "no page showed the fatal row";
    ::Sleep(500);
    const std::wstring text = TextOf(::GetDlgItem(page, IDC_FEATURE_INFO_TEXT));
    EXPECT_EQ(std::wstring::npos, text.find(L"Core notes")) << "a row that is not fatal was shown beside it";
    EXPECT_FALSE(::IsWindowEnabled(next)) << "Next usable on a page that cannot proceed";
    EXPECT_FALSE(SaveScreenshot(frame, L"setup-full-fatal").empty());
    EXPECT_EQ(DWORD(ERROR_INSTALL_USEREXIT), CancelConfirmed(setup, frame));
    EXPECT_NE(INSTALLSTATE_DEFAULT, ::MsiQueryProductStateW(kSampleCoreProduct));
    EXPECT_NE(INSTALLSTATE_DEFAULT, ::MsiQueryProductStateW(kSampleExtrasProduct));
}

// Typical at 120 DPI with C: nearly full (the start-up host reports C:'s free space from a file):
// Next on the installation-type page opens the disk-cost dialog in its insufficient mode and
// after Close the page stays; with space freed, Next goes on, past the information page, to a
// summary that lists both parts. The destination and installation-type pages are kept as
// screenshots at 120 DPI.
TEST(FullWizard, TypicalWithAShortVolumeStaysAfterTheDiskCostDialog)
{
    EXPECT_TRUE(RemoveSampleProducts());
    TempDir dir;
    const std::wstring volume1 = WriteFullRunCopy(dir, false);
    ASSERT_FALSE(volume1.empty());
    // The host reads the configuration named after itself.
    ASSERT_TRUE(::CopyFileW((volume1 + L"\\setup.ini").c_str(), (volume1 + L"\\startup_host.ini").c_str(), FALSE));
    const std::wstring freeSpace = dir.File(L"free.txt");
    ASSERT_TRUE(WriteFileBytes(freeSpace, "1000"));
    const std::wstring report = dir.File(L"report.txt");
    ScopedDpi dpi(120);
    ::SetEnvironmentVariableW(L"VELMO_TEST_REPORT", report.c_str());
    ::SetEnvironmentVariableW(L"VELMO_TEST_FREE_SPACE", freeSpace.c_str());
    SetupProcess setup(ModuleDir() + L"\\startup_host.exe", volume1);
    ::SetEnvironmentVariableW(L"VELMO_TEST_REPORT", nullptr);
    ::SetEnvironmentVariableW(L"VELMO_TEST_FREE_SPACE", nullptr);
    ASSERT_TRUE(setup.Started());
    HWND frame = WaitForDialog(setup.Id(), kTitle, nullptr);
    ASSERT_NE(nullptr, frame) << ReadFileBytes(report);
    HWND next = ::GetDlgItem(frame, IDC_FRAME_NEXT);
    ASSERT_TRUE(WaitUntilEnabled(next)) << "the copy never finished loading";

    HWND page = NextUntil(frame, nullptr, [](HWND candidate) { return ::GetDlgItem(candidate, kFirstBrowseId) != nullptr; });
    ASSERT_NE(nullptr, page) << "no destination page";
    EXPECT_FALSE(SaveScreenshot(frame, L"setup-full-destination-120dpi").empty());
    page = NextUntil(frame, nullptr, &IsInstallationTypePage);
    ASSERT_NE(nullptr, page) << "no installation-type page";
    EXPECT_FALSE(SaveScreenshot(frame, L"setup-full-installation-type-120dpi").empty());

    Click(ChildOf(page, L"Button", kTypicalLabel));
    Click(next);
    HWND disk = WaitForDialog(setup.Id(), L"Disk Usage", nullptr);
    ASSERT_NE(nullptr, disk) << "no disk-cost dialog with C: short";
    ::Sleep(300);
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(disk, IDC_DISK_COST_WARNING))) << "not in its insufficient mode";
    EXPECT_FALSE(SaveScreenshot(disk, L"setup-full-disk-cost-short").empty());
    ::PostMessageW(::GetDlgItem(disk, IDCANCEL), BM_CLICK, 0, 0);
    const DWORD start = ::GetTickCount();
    while (::IsWindow(disk) && ::GetTickCount() - start < 10000)
        ::Sleep(100);
    ASSERT_FALSE(::IsWindow(disk)) << "Close left the dialog open";
    ::Sleep(500);
    EXPECT_EQ(page, CurrentPage(frame)) << "the page moved on with C: short";

    // Space freed: on to the summary, which lists both parts.
    ASSERT_TRUE(WriteFileBytes(freeSpace, "1000000000000"));
    page = NextUntil(frame, kTypicalLabel, &IsSummaryPage);
    if (!page)
        SaveScreenshot(frame, L"setup-full-typical-stuck");
    ASSERT_NE(nullptr, page) << "no summary after space was freed";
    const std::wstring summary = TextOf(::GetDlgItem(page, IDC_CONFIRM_SUMMARY));
    const std::string shown(summary.begin(), summary.end());
    EXPECT_NE(std::wstring::npos, summary.find(L"Core files")) << shown;
    EXPECT_NE(std::wstring::npos, summary.find(L"Extra files")) << shown;
    EXPECT_FALSE(SaveScreenshot(frame, L"setup-full-summary-both-parts").empty());
    EXPECT_EQ(DWORD(ERROR_INSTALL_USEREXIT), CancelConfirmed(setup, frame));
}

}  // namespace
