// setup.exe started with /tree (the wizard opens on the feature page, every feature keeping
// what is installed: nothing at first) over a copy of the sample distribution whose merged
// package gives Core a folder of its own (INSTALLDIR) that the user may change, driven from
// outside by keys and tree-view messages:
// - an invalid folder typed for Core keeps Core selected when the reset question is answered
//   No; a new folder typed for Core; Core with its subfeatures chosen, then CoreHelp and Extras
//   made absent, all through their menus by keyboard; the install puts Core (without its help)
//   into that folder and leaves Extras out;
// - through the start-up test host with C:\ made short: the Disk Cost button's plain dialog,
//   Browse answered with a folder, Restore Defaults taking back a choice made in a menu, and
//   Next held by the insufficient disk-cost dialog until space is freed and recalculated.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "Screenshot.h"
#include "SamplePackages.h"
#include "SetupWindows.h"
#include "TestSupport.h"
#include "resource.h"

using namespace testsupport;

namespace {

const wchar_t kTitle[] = L"Velmo Sample Distribution";
// The feature titles the tree shows.
const wchar_t kCoreTitle[] = L"Core files";
const wchar_t kCoreHelpTitle[] = L"Core help";
const wchar_t kExtrasTitle[] = L"Extra files";
// Action sentences of the panel.
const wchar_t kNotInstalled[] = L"This feature will not be installed.";
const wchar_t kInstalledLocally[] = L"This feature will be installed on the local hard drive.";
const wchar_t kCostSentence[] = L"This feature and its selected";
// The folder box of the folder picker.
const int kPickerFolderBox = 1152;

// A copy of the sample's merged package in which Core installs to INSTALLDIR: the feature page
// shows that folder for Core and the user may change it, and the install passes it to Core's
// package with the other upper-case directories. Empty on failure.
std::wstring MergedWithCoreFolder(const TempDir& dir)
{
    const std::wstring merged = dir.File(L"merged.msi");
    if (!::CopyFileW((ModuleDir() + L"\\sample\\merged.msi").c_str(), merged.c_str(), FALSE))
        return std::wstring();
    const bool ok = PatchPackage(
        merged, {{L"UPDATE `Feature` SET `Directory_`='INSTALLDIR' WHERE `Feature`='Core'", {}}});
    return ok ? merged : std::wstring();
}

// The sample copied into `dir` with that merged package and the feature page enabled; the first
// volume's folder (its setup.ini also copied as `iniName` when given: a host program reads the
// configuration named after itself). Empty on failure.
std::wstring TreeRunCopy(const TempDir& dir, const wchar_t* iniName = nullptr)
{
    const std::wstring merged = MergedWithCoreFolder(dir);
    if (merged.empty())
        return std::wstring();
    const std::wstring volume1 = WriteSampleVolume1(dir, ModuleDir() + L"\\sample\\parts\\core.msi", merged);
    if (volume1.empty())
        return std::wstring();
    WriteSampleVolume2(dir, true);
    std::string ini = ReadFileBytes(volume1 + L"\\setup.ini");
    const size_t at = ini.find("FeatureTree=0");
    if (at == std::string::npos)
        return std::wstring();
    ini.replace(at, 13, "FeatureTree=1");
    if (!WriteFileBytes(volume1 + L"\\setup.ini", ini)
        || (iniName && !WriteFileBytes(volume1 + L"\\" + iniName, ini)))
        return std::wstring();
    return volume1;
}

HTREEITEM TreeItem(HWND tree, UINT relation, HTREEITEM from = nullptr)
{
    return reinterpret_cast<HTREEITEM>(
        ::SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

// The item's text, read through memory in the tree's process (TVM_GETITEM is not marshalled).
std::wstring ItemText(HWND tree, HTREEITEM item)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(tree, &process);
    HANDLE other = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    if (!other)
        return std::wstring();
    const size_t kChars = 128;
    auto* remote = static_cast<BYTE*>(
        ::VirtualAllocEx(other, nullptr, sizeof(TVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    std::wstring text;
    if (remote) {
        TVITEMW request = {};
        request.mask = TVIF_TEXT | TVIF_HANDLE;
        request.hItem = item;
        request.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(TVITEMW));
        request.cchTextMax = static_cast<int>(kChars);
        wchar_t buffer[kChars] = {};
        if (::WriteProcessMemory(other, remote, &request, sizeof(request), nullptr)
            && ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote))
            && ::ReadProcessMemory(other, remote + sizeof(TVITEMW), buffer, sizeof(buffer) - sizeof(wchar_t), nullptr))
            text = buffer;
        ::VirtualFreeEx(other, remote, 0, MEM_RELEASE);
    }
    ::CloseHandle(other);
    return text;
}

// The tree's item titled `title` (pre-order over every item); null when none.
HTREEITEM FindItem(HWND tree, const std::wstring& title)
{
    HTREEITEM item = TreeItem(tree, TVGN_ROOT);
    while (item) {
        if (ItemText(tree, item) == title)
            return item;
        HTREEITEM next = TreeItem(tree, TVGN_CHILD, item);
        for (HTREEITEM up = item; !next && up; up = TreeItem(tree, TVGN_PARENT, up))
            next = TreeItem(tree, TVGN_NEXT, up);
        item = next;
    }
    return nullptr;
}

// Selects the item as the page's tree would on a click (the page checks the folder of the item
// left and costs the new one); true when the tree's caret is then on it.
bool SelectItem(HWND tree, HTREEITEM item)
{
    ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    return TreeItem(tree, TVGN_CARET) == item;
}

// Waits until the panel shows the selected feature's cost.
bool WaitForCost(HWND page, DWORD timeoutMs = 30000)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        if (TextOf(::GetDlgItem(page, IDC_FEATURE_COST)).find(kCostSentence) == 0)
            return true;
        ::Sleep(50);
    }
    return false;
}

// The keyboard focus on the tree (keys go to the foreground window's focus).
void FocusTree(HWND frame, HWND tree)
{
    ::SetForegroundWindow(frame);
    const DWORD self = ::GetCurrentThreadId();
    const DWORD setupThread = ::GetWindowThreadProcessId(frame, nullptr);
    ::AttachThreadInput(self, setupThread, TRUE);
    ::SetFocus(tree);
    ::AttachThreadInput(self, setupThread, FALSE);
    ::Sleep(300);
}

// The selected item's menu opened with Alt+Down, its highlight moved with `key` pressed `times`
// times (Down from the top, Up from the bottom), the entry chosen with Enter. The menu is
// another process's: its entries cannot be read from here, the screenshot `shot` shows them.
void ChooseFromMenu(HWND frame, HWND tree, WORD key, int times, const std::wstring& shot)
{
    FocusTree(frame, tree);
    Press(VK_DOWN, {VK_MENU});
    ASSERT_TRUE(WaitForMenu(true)) << "Alt+Down opened no menu";
    ::Sleep(150);
    for (int i = 0; i < times; ++i) {
        Press(key);
        ::Sleep(150);
    }
    EXPECT_FALSE(SaveScreenshot(frame, shot).empty());
    Press(VK_RETURN);
    ASSERT_TRUE(WaitForMenu(false)) << "the menu stayed open";
    ::Sleep(300);
}

// The last entry of an item's menu: "Do not install this feature" for an item nothing needs.
void MakeSelectedAbsent(HWND frame, HWND tree, const std::wstring& shot)
{
    ChooseFromMenu(frame, tree, VK_UP, 1, shot);
}

// The frame and its feature page once the copy has loaded and the first cost is shown.
struct FeaturePage {
    HWND frame = nullptr;
    HWND page = nullptr;
    HWND tree = nullptr;
    HWND folder = nullptr;
};
FeaturePage WaitForFeaturePage(const SetupProcess& setup)
{
    FeaturePage found;
    found.frame = WaitForDialog(setup.Id(), kTitle, nullptr);
    if (!found.frame || !WaitUntilEnabled(::GetDlgItem(found.frame, IDC_FRAME_NEXT)))
        return FeaturePage();
    // The frame may show the page only after its first page switch.
    const DWORD start = ::GetTickCount();
    while (!found.tree && ::GetTickCount() - start < 20000) {
        found.page = CurrentPage(found.frame);
        found.tree = found.page ? ::GetDlgItem(found.page, IDC_FEATURE_TREE) : nullptr;
        ::Sleep(50);
    }
    found.folder = found.page ? ::GetDlgItem(found.page, IDC_FEATURE_FOLDER) : nullptr;
    if (!found.tree || !found.folder || !WaitForCost(found.page))
        return FeaturePage();
    return found;
}

// The process's visible dialog captioned `caption`; null after the time-out.
HWND WaitForOwnDialog(const SetupProcess& setup, const wchar_t* caption, DWORD timeoutMs = 20000)
{
    return WaitForDialog(setup.Id(), caption, nullptr, timeoutMs);
}

// Waits until `window` is gone or hidden.
bool WaitForClosed(HWND window, DWORD timeoutMs = 10000)
{
    const DWORD start = ::GetTickCount();
    while (::IsWindow(window) && ::IsWindowVisible(window)) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(50);
    }
    return true;
}

bool IsReadOnly(HWND edit)
{
    return (::GetWindowLongW(edit, GWL_STYLE) & ES_READONLY) != 0;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

}  // namespace

TEST(FeatureTreeRun, TreeStartFolderCheckMenusAndInstall)
{
    EXPECT_TRUE(RemoveSampleProducts());
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    TempDir dir;
    const std::wstring volume1 = TreeRunCopy(dir);
    ASSERT_FALSE(volume1.empty());
    const std::wstring folder = dir.File(L"Core Folder");

    SetupProcess setup(ModuleDir() + L"\\setup.exe", volume1, L"/tree");
    ASSERT_TRUE(setup.Started());
    const FeaturePage f = WaitForFeaturePage(setup);
    ASSERT_NE(nullptr, f.page) << "the wizard did not open on the feature page";
    ::Sleep(300);
    EXPECT_FALSE(SaveScreenshot(f.frame, L"feature-run-tree-start").empty());
    const HTREEITEM core = FindItem(f.tree, kCoreTitle);
    const HTREEITEM help = FindItem(f.tree, kCoreHelpTitle);
    const HTREEITEM extras = FindItem(f.tree, kExtrasTitle);
    ASSERT_NE(nullptr, core);
    ASSERT_EQ(help, TreeItem(f.tree, TVGN_CHILD, core));
    ASSERT_EQ(extras, TreeItem(f.tree, TVGN_NEXT, core));

    // Core's folder is its own and may be changed: the edit shows the package's default.
    ASSERT_TRUE(SelectItem(f.tree, core));
    ASSERT_TRUE(WaitForCost(f.page));
    const std::wstring initialFolder = TextOf(f.folder);
    EXPECT_NE(std::wstring::npos, initialFolder.find(L"VelmoSample")) << Narrow(initialFolder);
    EXPECT_FALSE(IsReadOnly(f.folder));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(f.page, IDC_FEATURE_BROWSE)));

    // An invalid folder: leaving Core asks whether to reset it; No keeps Core and the text.
    const std::wstring invalid = L"C:\\bad|folder";
    ::SendMessageW(f.folder, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(invalid.c_str()));
    ::PostMessageW(f.tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(extras));
    HWND question = WaitForDialog(setup.Id(), kTitle, L"Reset path to previous value?");
    ASSERT_NE(nullptr, question) << "no reset question";
    ::Sleep(300);
    EXPECT_FALSE(SaveScreenshot(question, L"feature-run-reset-question").empty());
    Click(::GetDlgItem(question, IDNO));
    ASSERT_TRUE(WaitForClosed(question));
    ::Sleep(300);
    EXPECT_EQ(core, TreeItem(f.tree, TVGN_CARET)) << "the selection moved past a refused folder";
    EXPECT_EQ(invalid, TextOf(f.folder));

    // Started with /tree every feature keeps what is installed: nothing here. The new folder
    // typed for Core, then Core with its subfeatures chosen from its menu (its second entry).
    EXPECT_EQ(kNotInstalled, TextOf(::GetDlgItem(f.page, IDC_FEATURE_ACTION)));
    ::SendMessageW(f.folder, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    ChooseFromMenu(f.frame, f.tree, VK_DOWN, 2, L"feature-run-core-menu");
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    EXPECT_EQ(core, TreeItem(f.tree, TVGN_CARET));
    EXPECT_EQ(kInstalledLocally, TextOf(::GetDlgItem(f.page, IDC_FEATURE_ACTION)));
    EXPECT_TRUE(WaitForCost(f.page));

    // CoreHelp, which came with Core and has no folder of its own, made absent.
    ASSERT_TRUE(SelectItem(f.tree, help));
    EXPECT_EQ(L"", TextOf(f.folder));
    EXPECT_EQ(kInstalledLocally, TextOf(::GetDlgItem(f.page, IDC_FEATURE_ACTION)));
    EXPECT_TRUE(WaitForCost(f.page));
    MakeSelectedAbsent(f.frame, f.tree, L"feature-run-corehelp-menu");
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    EXPECT_EQ(help, TreeItem(f.tree, TVGN_CARET));
    EXPECT_EQ(kNotInstalled, TextOf(::GetDlgItem(f.page, IDC_FEATURE_ACTION)));

    // Extras chosen (its first entry) and made absent again.
    ASSERT_TRUE(SelectItem(f.tree, extras));
    EXPECT_TRUE(WaitForCost(f.page));
    ChooseFromMenu(f.frame, f.tree, VK_DOWN, 1, L"feature-run-extras-menu-install");
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    EXPECT_EQ(kInstalledLocally, TextOf(::GetDlgItem(f.page, IDC_FEATURE_ACTION)));
    EXPECT_TRUE(WaitForCost(f.page));
    MakeSelectedAbsent(f.frame, f.tree, L"feature-run-extras-menu");
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    EXPECT_EQ(extras, TreeItem(f.tree, TVGN_CARET));
    EXPECT_EQ(kNotInstalled, TextOf(::GetDlgItem(f.page, IDC_FEATURE_ACTION)));

    // Core itself stays to be installed, into the typed folder.
    ASSERT_TRUE(SelectItem(f.tree, core));
    EXPECT_TRUE(WaitForCost(f.page));
    EXPECT_EQ(kInstalledLocally, TextOf(::GetDlgItem(f.page, IDC_FEATURE_ACTION)));
    EXPECT_EQ(folder + L"\\", TextOf(f.folder));
    ::Sleep(300);
    EXPECT_FALSE(SaveScreenshot(f.frame, L"feature-run-choices").empty());

    // On through the licence and the install to the end page.
    HWND next = ::GetDlgItem(f.frame, IDC_FRAME_NEXT);
    HWND cancel = ::GetDlgItem(f.frame, IDCANCEL);
    Click(next);
    HWND page = f.page;
    const DWORD start = ::GetTickCount();
    while (WindowText(cancel) != L"&Finish" && ::GetTickCount() - start < 90000) {
        HWND shown = CurrentPage(f.frame);
        if (shown && shown != page && !::GetDlgItem(shown, IDC_PROGRESS_OVERALL)) {
            HWND accept = ::GetDlgItem(shown, IDC_LICENSE_ACCEPT);
            if (accept && ::SendMessageW(accept, BM_GETCHECK, 0, 0) != BST_CHECKED)
                Click(accept);
            if (::IsWindowEnabled(next) && WindowText(cancel) != L"&Finish") {
                page = shown;
                Click(next);
            }
        }
        ::Sleep(100);
    }
    if (WindowText(cancel) != L"&Finish")
        SaveScreenshot(f.frame, L"feature-run-stuck");
    ASSERT_EQ(L"&Finish", WindowText(cancel)) << "the end page never came";
    ::Sleep(300);
    EXPECT_FALSE(SaveScreenshot(f.frame, L"feature-run-end").empty());
    Click(cancel);
    EXPECT_EQ(0u, setup.Wait(60000));

    EXPECT_EQ(INSTALLSTATE_DEFAULT, ::MsiQueryProductStateW(kSampleCoreProduct));
    EXPECT_EQ(INSTALLSTATE_LOCAL, ::MsiQueryFeatureStateW(kSampleCoreProduct, L"Core"));
    EXPECT_EQ(INSTALLSTATE_ABSENT, ::MsiQueryFeatureStateW(kSampleCoreProduct, L"CoreHelp"));
    EXPECT_EQ(INSTALLSTATE_UNKNOWN, ::MsiQueryProductStateW(kSampleExtrasProduct));
    EXPECT_TRUE(FileExists(folder + L"\\core.txt")) << "Core's file not in the typed folder";
    EXPECT_FALSE(FileExists(folder + L"\\corehelp.txt"));
    // Left as found for other tests of the sample's products.
    EXPECT_TRUE(RemoveSampleProducts());
}

TEST(FeatureTreeRun, ExtraButtonsBrowseAndNextOnAShortVolume)
{
    TempDir dir;
    const std::wstring volume1 = TreeRunCopy(dir, L"startup_host.ini");
    ASSERT_FALSE(volume1.empty());
    const std::wstring report = dir.File(L"report.txt");
    const std::wstring freeSpace = dir.File(L"free.txt");
    ASSERT_TRUE(WriteFileBytes(freeSpace, "1000"));
    ::SetEnvironmentVariableW(L"VELMO_TEST_REPORT", report.c_str());
    ::SetEnvironmentVariableW(L"VELMO_TEST_FREE_SPACE", freeSpace.c_str());
    SetupProcess setup(ModuleDir() + L"\\startup_host.exe", volume1, L"/tree");
    ::SetEnvironmentVariableW(L"VELMO_TEST_REPORT", nullptr);
    ::SetEnvironmentVariableW(L"VELMO_TEST_FREE_SPACE", nullptr);
    ASSERT_TRUE(setup.Started());
    const FeaturePage f = WaitForFeaturePage(setup);
    ASSERT_NE(nullptr, f.page) << "the wizard did not open on the feature page: " << ReadFileBytes(report);
    const HTREEITEM core = FindItem(f.tree, kCoreTitle);
    const HTREEITEM extras = FindItem(f.tree, kExtrasTitle);
    ASSERT_NE(nullptr, core);
    ASSERT_NE(nullptr, extras);

    // Disk Cost: the plain dialog, no warning although C:\ is short.
    HWND diskCostButton = ChildOf(f.frame, L"Button", L"&Disk Cost");
    ASSERT_NE(nullptr, diskCostButton);
    Click(diskCostButton);
    HWND usage = WaitForOwnDialog(setup, L"Disk Usage");
    ASSERT_NE(nullptr, usage) << "Disk Cost opened no dialog";
    ::Sleep(300);
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(usage, IDC_DISK_COST_WARNING)));
    EXPECT_LE(1, ::SendMessageW(::GetDlgItem(usage, IDC_DISK_COST_LIST), LVM_GETITEMCOUNT, 0, 0));
    EXPECT_FALSE(SaveScreenshot(usage, L"feature-run-disk-cost").empty());
    Click(::GetDlgItem(usage, IDCANCEL));
    ASSERT_TRUE(WaitForClosed(usage));

    // Browse for Core, answered with a folder: the edit shows it with a trailing backslash.
    ASSERT_TRUE(SelectItem(f.tree, core));
    ASSERT_TRUE(WaitForCost(f.page));
    const std::wstring browsed = dir.File(L"Browsed");
    ASSERT_TRUE(::CreateDirectoryW(browsed.c_str(), nullptr));
    Click(::GetDlgItem(f.page, IDC_FEATURE_BROWSE));
    HWND picker = WaitForOwnDialog(setup, L"Select a folder");
    ASSERT_NE(nullptr, picker) << "Browse opened no folder picker";
    ::Sleep(500);
    ::SendDlgItemMessageW(picker, kPickerFolderBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(browsed.c_str()));
    ::PostMessageW(picker, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForClosed(picker));
    const DWORD browseStart = ::GetTickCount();
    while (TextOf(f.folder) != browsed + L"\\" && ::GetTickCount() - browseStart < 10000)
        ::Sleep(50);
    EXPECT_EQ(browsed + L"\\", TextOf(f.folder));
    EXPECT_EQ(core, TreeItem(f.tree, TVGN_CARET));

    // Restore Defaults puts back the initial selection: Extras, chosen from its menu, goes back
    // to not installed (started with /tree nothing is chosen at first).
    ASSERT_TRUE(SelectItem(f.tree, extras));
    ASSERT_TRUE(WaitForCost(f.page));
    ChooseFromMenu(f.frame, f.tree, VK_DOWN, 1, L"feature-run-extras-menu-short");
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    EXPECT_EQ(kInstalledLocally, TextOf(::GetDlgItem(f.page, IDC_FEATURE_ACTION)));
    HWND restore = ChildOf(f.frame, L"Button", L"R&estore Defaults");
    ASSERT_NE(nullptr, restore);
    Click(restore);
    ::Sleep(500);
    ASSERT_TRUE(SelectItem(f.tree, extras));
    ASSERT_TRUE(WaitForCost(f.page));
    EXPECT_EQ(kNotInstalled, TextOf(::GetDlgItem(f.page, IDC_FEATURE_ACTION)));

    // Core chosen (its first entry), then Next with C:\ short: the insufficient dialog; Close
    // keeps the page.
    ASSERT_TRUE(SelectItem(f.tree, core));
    ASSERT_TRUE(WaitForCost(f.page));
    ChooseFromMenu(f.frame, f.tree, VK_DOWN, 1, L"feature-run-core-menu-short");
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    EXPECT_EQ(kInstalledLocally, TextOf(::GetDlgItem(f.page, IDC_FEATURE_ACTION)));
    ASSERT_TRUE(WaitForCost(f.page));
    HWND next = ::GetDlgItem(f.frame, IDC_FRAME_NEXT);
    Click(next);
    usage = WaitForOwnDialog(setup, L"Disk Usage");
    ASSERT_NE(nullptr, usage) << "Next on a short volume opened no dialog";
    ::Sleep(300);
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(usage, IDC_DISK_COST_WARNING)));
    EXPECT_FALSE(SaveScreenshot(usage, L"feature-run-insufficient").empty());
    Click(::GetDlgItem(usage, IDCANCEL));
    ASSERT_TRUE(WaitForClosed(usage));
    ::Sleep(500);
    EXPECT_EQ(f.page, CurrentPage(f.frame)) << "Next left the page with a volume short";

    // Again, now freeing space while the dialog is open: Recalculate hides the warning and
    // Close lets Next go on.
    ASSERT_TRUE(WaitUntilEnabled(next));
    Click(next);
    usage = WaitForOwnDialog(setup, L"Disk Usage");
    ASSERT_NE(nullptr, usage) << "the second Next opened no dialog";
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(usage, IDC_DISK_COST_WARNING)));
    ASSERT_TRUE(WriteFileBytes(freeSpace, "1125899906842624"));
    Click(::GetDlgItem(usage, IDC_DISK_COST_RECALCULATE));
    ::Sleep(300);
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(usage, IDC_DISK_COST_WARNING)));
    EXPECT_FALSE(SaveScreenshot(usage, L"feature-run-recalculated").empty());
    Click(::GetDlgItem(usage, IDCANCEL));
    ASSERT_TRUE(WaitForClosed(usage));
    EXPECT_NE(nullptr, WaitForNextPage(f.frame, f.page, 20000)) << "Next stayed after space was freed";
    // No message box came up on the way.
    EXPECT_EQ("", ReadFileBytes(report));
}
