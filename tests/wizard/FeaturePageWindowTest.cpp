// The feature page drawn for real in the wizard's frame over the model of the sample
// distribution: the panel of a selected feature while and after its cost is computed, its state
// picture centred between the texts, a blocked feature, hidden features shown, the later pages
// hidden when nothing is installed, and Next with a volume too short for the selection (the
// disk-cost dialog in insufficient mode keeps the page until space is freed). Screenshots.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "Feature.h"
#include "FeatureTree.h"
#include "FeatureTreeCtrl.h"
#include "FeatureTreeCtrlMenu.h"
#include "InstallerErrors.h"
#include "LinkedDistributionInfo.h"
#include "ModelFixture.h"
#include "PlatformApi.h"
#include "Resources.h"
#include "ScopedOverride.h"
#include "Screenshot.h"
#include "TopDialog.h"
#include "UniqueHandle.h"
#include "VelmoInstallerDlg.h"
#include "WinApp.h"
#include "WizardDistribution.h"
#include "WizardServicesImpl.h"
#include "resource.h"

using namespace modeltest;

namespace {

const DWORD kPumpLimitMs = 20000;

// The free space of C:\ (what the test sets); other volumes are not ready.
int64_t g_freeOnC = 0;
BOOL WINAPI FakeFreeSpace(LPCWSTR root, PULARGE_INTEGER available, PULARGE_INTEGER total, PULARGE_INTEGER free)
{
    if (lstrcmpiW(root, L"C:\\") != 0) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    available->QuadPart = total->QuadPart = free->QuadPart = static_cast<ULONGLONG>(g_freeOnC);
    return TRUE;
}

FARPROC WINAPI FindFakeFreeSpace(HMODULE module, LPCSTR name)
{
    if (lstrcmpA(name, "GetDiskFreeSpaceExW") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&FakeFreeSpace));
    return ::GetProcAddress(module, name);
}

// Dispatches this thread's messages until `done` holds; false after the time limit.
bool PumpUntil(const std::function<bool()>& done)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (::GetTickCount() - start > kPumpLimitMs)
            return false;
        ::Sleep(10);
    }
    return true;
}

std::wstring Text(HWND window, int id)
{
    wchar_t text[512] = L"";
    ::GetDlgItemTextW(window, id, text, 512);
    return text;
}

// The disk-cost dialog while it is open; null otherwise.
HWND g_diskCostDialog = nullptr;
BOOL CALLBACK FindDiskCost(HWND window, LPARAM)
{
    if (::IsWindowVisible(window) && ::GetDlgItem(window, IDC_DISK_COST_LIST)) {
        g_diskCostDialog = window;
        return FALSE;
    }
    return TRUE;
}
HWND DiskCostDialog()
{
    g_diskCostDialog = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindDiskCost, 0);
    return g_diskCostDialog;
}

// What the timer does while the insufficient dialog runs modally inside Next.
std::function<void(HWND)> g_onDiskCostDialog;
void CALLBACK WatchDiskCost(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = DiskCostDialog();
    if (!dialog || !g_onDiskCostDialog)
        return;
    ::KillTimer(nullptr, timer);
    auto action = g_onDiskCostDialog;
    g_onDiskCostDialog = nullptr;
    action(dialog);
}

// The worker's folder commit made slow, as on a loaded system.
void SlowCommit(CFeature& feature, const wchar_t* path)
{
    ::Sleep(300);
    feature.SetDirectoryValue(path);
}

// The worker's costing held until the test opens the gate, so that the page can be seen while
// costing runs.
HANDLE g_costGate = nullptr;
int64_t GatedCost(CFeature& feature)
{
    HANDLE abort = CFeature::GetCostingAbortEvent();
    ::ResetEvent(abort);
    const HANDLE waits[] = {g_costGate, abort};
    if (::WaitForMultipleObjects(2, waits, FALSE, kPumpLimitMs) == WAIT_OBJECT_0 + 1)
        throw OperationAborted(__FILE__, __LINE__, L"Feature Costing");
    return feature.ComputeSubtreeCost(false);
}

// The pixels of a bitmap, 32 bits each, rows top-down; empty when they cannot be read.
std::vector<DWORD> Pixels(HDC dc, HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    if (::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) != height)
        pixels.clear();
    return pixels;
}

class FeaturePageWindowTest : public ModelTest {
protected:
    static void SetUpTestSuite()
    {
        ModelTest::SetUpTestSuite();
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
    }

    ~FeaturePageWindowTest() override
    {
        if (m_frame) {
            m_frame->DestroyWindow();
            m_winApp.m_pMainWnd = nullptr;
        }
        SetWizardDistribution(m_previousModel);
    }

    // Loads the model with its initial selection, the wizard's distribution while the test runs
    // (`tail` added to the configuration).
    void Load(const std::string& tail = "")
    {
        Configure(ModelIni("", "", tail));
        // Templates and bitmaps are the program's (the model's language module has none).
        AfxSetResourceHandle(::GetModuleHandleW(nullptr));
        m_app.configInfo = &m_config;
        m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        m_model.RunCostingActions();
        m_model.SetInstallLevel(3, false);
        m_model.PushFeatureStatesToSession();
        m_previousModel = SetWizardDistribution(&m_model);
        // Only the feature page is shown: Next from it ends the wizard.
        for (int state = kWelcomeDialog; state <= kEndDialog; ++state) {
            if (state != kFeatureTreeDialog)
                m_app.disabledPages.insert(state);
        }
    }

    CVelmoInstallerDlg& ShowPage()
    {
        m_frame.reset(new CTopDialog(nullptr));
        m_winApp.m_pMainWnd = m_frame.get();
        EXPECT_TRUE(m_frame->Create(0u, nullptr));
        m_frame->ShowWindow(SW_SHOW);
        EXPECT_TRUE(m_frame->ShowPage(kFeatureTreeDialog));
        auto* page = dynamic_cast<CVelmoInstallerDlg*>(m_frame->GetCurrentPage());
        EXPECT_NE(nullptr, page);
        return *page;
    }
    void Select(CVelmoInstallerDlg& page, const wchar_t* name)
    {
        CFeatureTreeCtrlItem* item = page.GetTree().FindFeatureItem(m_model.FindFeature(name));
        ASSERT_NE(nullptr, item) << "no item";
        page.GetTree().SelectItemObject(item);
    }
    // Waits until the cost sentence of the selected feature is there.
    bool WaitForCost(CVelmoInstallerDlg& page)
    {
        return PumpUntil([&page] {
            return Text(page.m_hWnd, IDC_FEATURE_COST).find(L"This feature and its selected") == 0
                && !page.GetWorker().IsRunning();
        });
    }
    void Shot(const wchar_t* name)
    {
        PumpUntil([] { return true; });
        m_frame->UpdateWindow();
        EXPECT_FALSE(SaveScreenshot(m_frame->m_hWnd, name).empty()) << "screenshot";
    }

    MessageBoxRecorder m_boxes;
    CWinApp m_winApp;
    std::unique_ptr<CTopDialog> m_frame;
    CDistribution* m_previousModel = nullptr;
};

}  // namespace

// The page opens on the first feature; a selected feature's panel tells its planned change with
// the state picture and, once the worker is done, its cost; its folder may be changed only
// while its product is not installed. The selection stays marked while the folder has the focus.
TEST_F(FeaturePageWindowTest, SelectedFeatureShowsItsPanelAndCost)
{
    // Core's folder may be browsed here.
    EditMerged({L"UPDATE `ZKDisableDirectoryBrowse` SET `Condition` = '0'"});
    Load();
    // The page opens on Core; while the worker costs it, the panel says so.
    OrbelToolbox::UniqueKernelHandle gate(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_costGate = gate.Get();
    ScopedOverride<decltype(FeatureCostingWorker::s_pfnComputeCost)> gated(
        FeatureCostingWorker::s_pfnComputeCost, &GatedCost);
    CVelmoInstallerDlg& page = ShowPage();
    ASSERT_TRUE(page.m_hWnd);
    EXPECT_NE(0u, page.GetTree().GetStyle() & TVS_SHOWSELALWAYS);
    EXPECT_TRUE(PumpUntil([&page] {
        return Text(page.m_hWnd, IDC_FEATURE_COST) == L"Calculating disk space requirements for this feature...";
    })) << "no costing text while costing ran";
    EXPECT_TRUE(page.GetWorker().IsRunning());
    ::SetEvent(gate.Get());
    ASSERT_TRUE(WaitForCost(page));

    Select(page, L"Core");
    ASSERT_TRUE(WaitForCost(page));
    EXPECT_EQ(L"This feature will be installed on the local hard drive.", Text(page.m_hWnd, IDC_FEATURE_ACTION));
    EXPECT_EQ(L"Directory for Core", Text(page.m_hWnd, IDC_FEATURE_FOLDER_LABEL));
    const std::wstring cost = Text(page.m_hWnd, IDC_FEATURE_COST);
    EXPECT_EQ(L"This feature and its selected subcomponents will require 4.00 KB of disk space.", cost);
    // Core's product is not installed: its folder is editable, with Browse.
    EXPECT_FALSE(::GetWindowLongW(page.GetPathEdit().m_hWnd, GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page.m_hWnd, IDC_FEATURE_BROWSE)));
    EXPECT_NE(nullptr, page.GetPicture());
    // The folder has the focus; the tree still marks Core.
    page.GetPathEdit().SetFocus();
    Shot(L"feature-page-selected");
    EXPECT_EQ(page.GetTree().FindFeatureItem(m_model.FindFeature(L"Core")), page.GetTree().GetSelectedItemObject());

    // A folder typed for Core (the package wants one under Velmo) is committed by the worker
    // when the user moves on; the next feature has no folder: an empty, read-only edit, no Browse.
    CString programFiles;
    m_model.GetProperty(L"ProgramFilesFolder", programFiles);
    const std::wstring typed = W(programFiles) + L"Velmo\\Model Core\\";
    page.GetPathEdit().SetPath(typed.c_str());
    Select(page, L"CoreDocs");
    ASSERT_TRUE(WaitForCost(page));
    EXPECT_EQ(L"", Text(page.m_hWnd, IDC_FEATURE_FOLDER));
    EXPECT_TRUE(::GetWindowLongW(page.GetPathEdit().m_hWnd, GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page.m_hWnd, IDC_FEATURE_BROWSE)));
    CString committed;
    EXPECT_TRUE(m_model.FindFeature(L"Core")->GetDirectoryValue(committed));
    EXPECT_EQ(typed, W(committed));

    // The keyboard moves on in the tree, which keeps the focus through the folder's check.
    page.GetTree().SetFocus();
    page.GetTree().SendMessage(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(m_model.FindFeature(L"CoreHelp"), CFeatureTreeCtrl::FeatureOf(page.GetTree().GetSelectedItemObject()));
    EXPECT_EQ(page.GetTree().m_hWnd, ::GetFocus());
    ASSERT_TRUE(WaitForCost(page));
    Select(page, L"CoreDocs");
    ASSERT_TRUE(WaitForCost(page));

    // Hidden features shown: the tree is filled again, CoreDocs stays selected.
    page.SendMessage(WM_COMMAND, ID_PAGE_SHOW_HIDDEN, 0);
    EXPECT_TRUE(page.GetTree().GetShowHidden());
    EXPECT_EQ(m_model.FindFeature(L"CoreDocs"), CFeatureTreeCtrl::FeatureOf(page.GetTree().GetSelectedItemObject()));
    ASSERT_TRUE(WaitForCost(page));
    Shot(L"feature-page-hidden-shown");
    EXPECT_TRUE(m_boxes.texts.empty());
}

// A feature that no part supplies and that has nothing below it cannot be installed: the
// panel says so, with the check-mark picture, and nothing is costed.
TEST_F(FeaturePageWindowTest, BlockedFeature)
{
    Load();
    CVelmoInstallerDlg& page = ShowPage();
    ASSERT_TRUE(WaitForCost(page));
    // The feature is hidden: hidden features shown.
    page.SendMessage(WM_COMMAND, ID_PAGE_SHOW_HIDDEN, 0);
    ASSERT_TRUE(WaitForCost(page));
    Select(page, L"ExtrasMenu");
    EXPECT_FALSE(page.GetWorker().IsRunning());
    PumpUntil([] { return true; });
    EXPECT_EQ(L"This feature will not be installed.", Text(page.m_hWnd, IDC_FEATURE_ACTION));
    EXPECT_EQ(L"A higher version of this product already is installed on your computer.",
        Text(page.m_hWnd, IDC_FEATURE_COST));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page.m_hWnd, IDC_FEATURE_BROWSE)));
    Shot(L"feature-page-blocked");
}

// The state picture is painted centred in the description's width and in the gap between the
// description and the action sentence.
TEST_F(FeaturePageWindowTest, StatePictureCentredBetweenTheTexts)
{
    Load();
    CVelmoInstallerDlg& page = ShowPage();
    ASSERT_TRUE(WaitForCost(page));
    Select(page, L"Core");
    ASSERT_TRUE(WaitForCost(page));
    Shot(L"feature-page-picture");
    CRect description;
    CRect action;
    ::GetWindowRect(::GetDlgItem(page.m_hWnd, IDC_FEATURE_DESCRIPTION), &description);
    ::GetWindowRect(::GetDlgItem(page.m_hWnd, IDC_FEATURE_ACTION), &action);
    // The picture is 125 by 32 pixels.
    const int width = 125;
    const int height = 32;
    const int gap = action.top - description.bottom;
    ASSERT_GE(gap, height);
    const int left = description.left + (description.Width() - width) / 2;
    const int top = description.bottom + (gap - height) / 2;
    const std::vector<DWORD> shown = ScreenPixels(CRect(left, top, left + width, top + height));

    HDC screen = ::GetDC(nullptr);
    const std::vector<DWORD> picture = Pixels(screen, page.GetPicture(), width, height);
    ::ReleaseDC(nullptr, screen);
    ASSERT_EQ(static_cast<size_t>(width * height), picture.size()) << "no picture";
    ASSERT_EQ(picture.size(), shown.size()) << "the screen could not be read";
    size_t differing = 0;
    for (size_t i = 0; i < picture.size(); ++i)
        differing += (picture[i] & 0xFFFFFF) != (shown[i] & 0xFFFFFF) ? 1 : 0;
    EXPECT_EQ(0u, differing) << "pixels of the centred rectangle that are not the picture's";
}

// With nothing to install the page hides the licence, second licence and progress pages; with
// an enabled linked distribution (which still installs) only the second licence. A choice that
// installs something, or another page, gets no opinion.
TEST_F(FeaturePageWindowTest, NothingToInstallHidesTheLicenceAndProgressPages)
{
    Load("[Dialogs]\r\nLicense=0\r\nLicense2=0\r\n[Linked Distributions]\r\nLinked=\r\n"
         "[Linked]\r\nTitle=100\r\nGUID={6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A99}\r\n");
    {
        // The linked distributions are read with the pages' configuration.
        testsupport::ScopedWizardServices wizard(&GetWizardServicesImpl());
        m_config.PopulateDialogInfo();
    }
    CVelmoInstallerDlg& page = ShowPage();
    ASSERT_TRUE(WaitForCost(page));
    // The answers for License, License2, Confirm and Progress: "-" for no opinion.
    auto answers = [&page] {
        std::string text;
        for (eDialogState state : {kLicenseDialog, kLicense2Dialog, kConfirmStartDialog, kProgressDialog}) {
            bool show = true;
            text += page.QueryPageVisibility(state, show) ? (show ? "show " : "hide ") : "- ";
        }
        return text;
    };
    CLinkedDistribution& linked = m_config.GetLinkedDistributionInfo()->FindLinkedDistribution(L"Linked");

    // The initial selection installs Core.
    EXPECT_EQ("- - - - ", answers());
    linked.m_bEnabled = false;
    EXPECT_EQ("- - - - ", answers());

    // Every feature keeps what it has: no part acts.
    CFeatureTree& tree = m_model.GetFeatureTree();
    for (CFeature* feature = tree.GetRoot(); feature; feature = tree.GetNext(feature))
        feature->m_actionState = feature->GetCurrentState();
    EXPECT_EQ("hide hide - hide ", answers());
    linked.m_bEnabled = true;
    EXPECT_EQ("- hide - - ", answers());
}

// Next with C:\ too short for the selection opens the disk-cost dialog in insufficient mode;
// Close while still short keeps the page (with the feature selected again); after space was
// freed and recalculated, Close lets Next go on.
TEST_F(FeaturePageWindowTest, NextWithTooLittleSpace)
{
    ScopedOverride<decltype(g_platformApi.GetProcAddress)> freeSpace(g_platformApi.GetProcAddress, &FindFakeFreeSpace);
    g_freeOnC = 1000;
    Load();
    CVelmoInstallerDlg& page = ShowPage();
    ASSERT_TRUE(WaitForCost(page));
    Select(page, L"Core");
    ASSERT_TRUE(WaitForCost(page));

    bool dialogSeen = false;
    std::wstring warning;
    g_onDiskCostDialog = [&](HWND dialog) {
        dialogSeen = true;
        HWND warningText = ::GetDlgItem(dialog, IDC_DISK_COST_WARNING);
        warning = ::IsWindowVisible(warningText) ? Text(dialog, IDC_DISK_COST_WARNING) : L"";
        EXPECT_FALSE(SaveScreenshot(dialog, L"feature-page-insufficient-disk").empty()) << "screenshot";
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    ::SetTimer(nullptr, 0, 100, &WatchDiskCost);
    m_frame->SendMessage(WM_COMMAND, IDC_FRAME_NEXT, 0);
    EXPECT_TRUE(dialogSeen);
    EXPECT_FALSE(warning.empty());
    EXPECT_FALSE(m_frame->IsWizardEnded());
    EXPECT_EQ(kFeatureTreeDialog, m_frame->m_eCurrentState);
    EXPECT_EQ(m_model.FindFeature(L"Core"), CFeatureTreeCtrl::FeatureOf(page.GetTree().GetSelectedItemObject()));
    ASSERT_TRUE(WaitForCost(page));

    // Space freed: Recalculate, then Close passes.
    dialogSeen = false;
    g_onDiskCostDialog = [&](HWND dialog) {
        dialogSeen = true;
        g_freeOnC = 1LL << 50;
        ::SendMessageW(::GetDlgItem(dialog, IDC_DISK_COST_RECALCULATE), BM_CLICK, 0, 0);
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    ::SetTimer(nullptr, 0, 100, &WatchDiskCost);
    m_frame->SendMessage(WM_COMMAND, IDC_FRAME_NEXT, 0);
    EXPECT_TRUE(dialogSeen);
    EXPECT_TRUE(m_frame->IsWizardEnded());
    EXPECT_FALSE(page.GetWorker().IsRunning());
}

// Pictures and item menus give their handles back: each new state picture deletes the previous
// bitmap, and every opening of an item's menu releases the icons it loaded when it closes.
// (Wine's GetGuiResources reports no counts: a released handle is one the system no longer
// knows, so a leak shows as a handle that is still valid.)
TEST_F(FeaturePageWindowTest, PicturesAndMenusReleaseTheirHandles)
{
    Load();
    CVelmoInstallerDlg& page = ShowPage();
    ASSERT_TRUE(WaitForCost(page));
    HBITMAP previous = page.GetPicture();
    ASSERT_EQ(OBJ_BITMAP, static_cast<int>(::GetObjectType(previous)));
    // The page opens on Core: every selection below draws a new picture.
    for (const wchar_t* name : {L"CoreDocs", L"Core", L"CoreDocs", L"Core"}) {
        Select(page, name);
        ASSERT_TRUE(WaitForCost(page));
        HBITMAP current = page.GetPicture();
        ASSERT_NE(previous, current);
        EXPECT_EQ(OBJ_BITMAP, static_cast<int>(::GetObjectType(current))) << "no picture";
        EXPECT_EQ(0u, ::GetObjectType(previous)) << "the previous picture is still alive";
        previous = current;
    }

    CFeatureTreeCtrl& tree = page.GetTree();
    CFeatureTreeCtrlItem* core = tree.FindFeatureItem(m_model.FindFeature(L"Core"));
    ASSERT_NE(nullptr, core);
    for (int opening = 0; opening < 3; ++opening) {
        CMenuTreeCtrlMenu* menu = tree.CreateItemMenu(core);
        ASSERT_NE(nullptr, menu);
        std::vector<HICON> icons;
        for (const auto& entry : static_cast<CFeatureTreeCtrlMenu*>(menu)->GetEntries()) {
            if (entry->icon.Get())
                icons.push_back(entry->icon.Get());
        }
        EXPECT_FALSE(icons.empty());
        tree.DestroyItemMenu(menu);
        for (HICON icon : icons) {
            ICONINFO info = {};
            EXPECT_FALSE(::GetIconInfo(icon, &info)) << "a menu icon is still alive after opening " << opening;
        }
    }
}

// A folder typed for the selected feature survives a change of that feature's state from its
// menu: the page shows the feature again with the typed folder, committed, and not with the
// folder from before the commit (the worker's commits are slowed down here).
TEST_F(FeaturePageWindowTest, TypedFolderSurvivesAStateChangeOfItsFeature)
{
    EditMerged({L"UPDATE `ZKDisableDirectoryBrowse` SET `Condition` = '0'"});
    ScopedOverride<decltype(FeatureCostingWorker::s_pfnCommitFolder)> slow(
        FeatureCostingWorker::s_pfnCommitFolder, &SlowCommit);
    Load();
    CVelmoInstallerDlg& page = ShowPage();
    ASSERT_TRUE(WaitForCost(page));
    Select(page, L"Core");
    ASSERT_TRUE(WaitForCost(page));
    CString programFiles;
    m_model.GetProperty(L"ProgramFilesFolder", programFiles);
    const std::wstring typed = W(programFiles) + L"Velmo\\Model Core\\";
    page.GetPathEdit().SetPath(typed.c_str());

    CFeature* core = m_model.FindFeature(L"Core");
    EXPECT_EQ(1, page.GetTree().OnItemCommand(ID_FEATURE_LOCAL, page.GetTree().FindFeatureItem(core)));
    EXPECT_EQ(typed, Text(page.m_hWnd, IDC_FEATURE_FOLDER));
    ASSERT_TRUE(WaitForCost(page));
    EXPECT_EQ(typed, Text(page.m_hWnd, IDC_FEATURE_FOLDER));
    CString committed;
    EXPECT_TRUE(core->GetDirectoryValue(committed));
    EXPECT_EQ(typed, W(committed));
    EXPECT_TRUE(m_boxes.texts.empty());
}
