// setup.exe over a copy of the sample distribution that enables every page: the user's name and
// company, both licences accepted, a destination folder typed, the Custom installation type
// leading to the feature page, Extras made absent there through its menu by keyboard, the
// summary, the install and Finish. Only Core is installed, into the typed folder, and the
// user's name and company reach Windows Installer.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <msi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Screenshot.h"
#include "SetupWindows.h"
#include "TestSupport.h"
#include "resource.h"

using namespace testsupport;

namespace {

const wchar_t kTitle[] = L"Velmo Sample Distribution";
const wchar_t kCoreProduct[] = L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A21}";
const wchar_t kExtrasProduct[] = L"{5A0C7E2E-8F3B-4D1A-9C6E-2B7D4E1F3A31}";
// The destination page's first Browse button; its row's edit is the page's only edit.
const int kFirstBrowseId = 5000;
// The radio captions of the two installation types (strings of the sample's custom module).
const wchar_t kCustomLabel[] = L"Velmo Sample Distribution";
const wchar_t kTypicalLabel[] = L"Welcome to the Velmo Sample Distribution";

// Every page shown, two installation types, one destination row for INSTALLDIR and a second
// licence (the sample's own text again).
const char kDialogs[] =
    "[Dialogs]\n"
    "FeatureInfo1=1\nSingleDirectory=1\nInstallationType=1\nFeatureTree=1\nFeatureInfo=1\nLicense2=1\n"
    "ConfirmStart=1\n\n";
const char kMore[] =
    "\n[Installation Types]\nTypical\nCustom\n\n"
    "[Typical]\nLabel=3\nText=4\nIcon=Typical\nLevel=100\nCustom=0\n\n"
    "[Custom]\nLabel=1\nText=5\nIcon=Custom\nLevel=100\nCustom=1\n\n"
    "[SingleDirectoryDialog]\nDir1=INSTALLDIR\n";

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
    ::MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    for (const wchar_t* product : {kCoreProduct, kExtrasProduct}) {
        if (::MsiQueryProductStateW(product) == INSTALLSTATE_DEFAULT) {
            ASSERT_EQ(ERROR_SUCCESS, ::MsiConfigureProductW(product, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT));
        }
    }
    TempDir dir;
    const std::wstring volume1 = WriteSampleVolume1(dir, ModuleDir() + L"\\sample\\parts\\core.msi");
    ASSERT_FALSE(volume1.empty());
    WriteSampleVolume2(dir, true);
    ASSERT_TRUE(MakeFullRunIni(volume1));
    const std::wstring target = dir.File(L"Chosen Folder");

    SetupProcess setup(ModuleDir() + L"\\setup.exe", volume1);
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
            ::SendMessageW(::GetDlgItem(page, IDC_USER_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Pat Example"));
            ::SendMessageW(
                ::GetDlgItem(page, IDC_USER_COMPANY), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Example Ltd."));
        } else if (::GetDlgItem(page, IDC_LICENSE_ACCEPT)) {
            name = seen.end() == std::find(seen.begin(), seen.end(), L"license") ? L"license" : L"license2";
            EXPECT_FALSE(::IsWindowEnabled(next)) << "licence opened accepted";
            Click(::GetDlgItem(page, IDC_LICENSE_ACCEPT));
        } else if (::GetDlgItem(page, kFirstBrowseId)) {
            name = L"destination";
            HWND edit = ChildOf(page, L"Edit");
            ASSERT_NE(nullptr, edit);
            ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
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
        L"installation-type", L"features", L"confirmation"};
    for (const std::wstring& name : expected)
        EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), name)) << std::string(order.begin(), order.end());
    ::PostMessageW(cancel, BM_CLICK, 0, 0);
    EXPECT_EQ(0u, setup.Wait(60000));
    EXPECT_EQ(INSTALLSTATE_DEFAULT, ::MsiQueryProductStateW(kCoreProduct));
    EXPECT_NE(INSTALLSTATE_DEFAULT, ::MsiQueryProductStateW(kExtrasProduct));
    EXPECT_TRUE(FileExists(target + L"\\core.txt")) << "Core's file not in the typed folder";
    const LogFile log = ReadLogFile(volume1 + L"\\setup-sample.log");
    EXPECT_NE(std::wstring::npos, log.text.find(L"USERNAME")) << "no USERNAME in the log";
    EXPECT_NE(std::wstring::npos, log.text.find(L"Pat Example"));
    EXPECT_NE(std::wstring::npos, log.text.find(L"COMPANYNAME"));
    EXPECT_NE(std::wstring::npos, log.text.find(L"Example Ltd."));
    // Left as found for the other tests of the sample's products.
    ::MsiConfigureProductW(kCoreProduct, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT);
}

}  // namespace
