// The feature tree drawn for real and driven by keys and clicks: its items' menus opened by
// Space, Alt+Down, Ctrl+Down and a click on the image, below the item's image with separators
// half a menu bar high, every entry reached with the arrows and chosen with Enter, Escape giving
// the focus back to the tree, a choice running the solver, a linked distribution's choice,
// hidden features shown. Screenshots of the tree and its menus.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <msi.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "FeatureTreeCtrl.h"
#include "FeatureTreeCtrlMenu.h"
#include "FeatureTreeHost.h"
#include "HandBuiltFeatures.h"
#include "LinkedDistribution.h"
#include "ModelTestSupport.h"
#include "MsiSession.h"
#include "Screenshot.h"
#include "TestSupport.h"
#include "UnfixableBrokenDependencies.h"

using featuretest::Subset;
using featuretest::Tree;
using namespace treehost;

namespace {

class FeatureTreeWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    }

    FeatureTreeWindowTest()
    {
        m_app.AddLinkedDistribution(L"Extra");
        m_app.SetInstallLevel(100);
        m_app.SetDistributionInstallLevel(100);
        m_session = MsiSession::OpenPackage(testsupport::TestDataPath(L"model_fake.msi").c_str());

        core = t.Add(L"Core");
        t.SetInstalled(core, INSTALLSTATE_LOCAL);
        t.SetInstalled(t.Add(L"Core Help", core), INSTALLSTATE_LOCAL);
        t.Add(L"Core Samples", core);
        internals = t.Add(L"Core Internals", core);
        internals->m_display = 0;
        t.SetInstalled(internals, INSTALLSTATE_LOCAL);
        tools = t.Add(L"Tools");
        t.SetInstalled(tools, INSTALLSTATE_LOCAL);
        extras = t.Add(L"Extras");
        t.SetInstalled(extras, INSTALLSTATE_LOCAL);
        extras->AddDependency(Subset({tools}), 0);
        CFeature* suite = t.Add(L"Suite");
        t.SetInstalled(suite, INSTALLSTATE_LOCAL);
        CFeature* reports = t.Add(L"Reports", suite);
        t.SetInstalled(reports, INSTALLSTATE_LOCAL);
        m_broken.Break(reports);
        CFeature* legacy = t.Add(L"Legacy (newer one installed)", nullptr, CFeature::kNoPart);
        t.Add(L"Conflicting", nullptr)->AddDependency(Subset({legacy}), 0);
        m_linked.Initialize(L"Linked", L"", L"Linked", L"", 1, 5, L"", 0, false, 0, nullptr, m_session.Get(),
            INSTALLSTATE_UNKNOWN, false);
        t.Link(&m_linked, L"Linked distribution", nullptr, CFeature::kLinkedDist);
        // Parents shown expanded.
        for (CFeature* parent : {core, suite})
            parent->m_display = 1;
    }

    // Runs the host with the script; false when a step never finished.
    void Run(CTreeHost& host)
    {
        EXPECT_EQ(IDOK, host.DoModal());
        EXPECT_EQ("", host.failure);
    }

    modeltest::TestAppServices m_app;
    MsiSmartPtr<MsiSession> m_session;
    CFeature m_linked;  // outlives the tree it is linked into
    UnfixableBrokenDependencies m_broken;
    Tree t;
    CFeature* core = nullptr;
    CFeature* internals = nullptr;
    CFeature* tools = nullptr;
    CFeature* extras = nullptr;
};

}  // namespace

// Every entry of a menu is reached with the arrows and chosen with Enter; Escape closes a menu
// and leaves the focus on the tree; Space, Alt+Down and Ctrl+Down open it. A state chosen runs
// the solver and tells the parent; the dialog entries go to the parent as commands.
TEST_F(FeatureTreeWindowTest, TheKeyboardReachesEveryEntry)
{
    CTreeHost host(t.First());
    std::vector<UINT> toolsMenu;
    std::vector<UINT> extrasMenu;
    int extrasImage = -1;
    int toolsImage = -1;
    auto focusOnTree = [&host] { EXPECT_EQ(host.tree.m_hWnd, ::GetFocus()); };
    host.steps = {
        Check([&] {
            ::SetForegroundWindow(host.m_hWnd);
            host.tree.SetFocus();
            host.tree.SelectItemObject(host.tree.FindFeatureItem(core));
        }),
        Screenshot(host, L"feature-tree"),
        SelectByKeys(host, L"Tools"),
        PressKey(VK_SPACE),
        WaitForMenu(true),
        Check([&] { toolsMenu = MenuCommands(); }),
        // The highlight walks over every entry, the grayed one included; choosing that one
        // closes the menu and changes nothing.
        MoveHighlightTo(ID_FEATURE_ABSENT_GRAYED),
        Screenshot(host, L"feature-tree-menu-dependents"),
        PressKey(VK_RETURN),
        WaitForMenu(false),
        Check([&] {
            EXPECT_TRUE(host.commands.empty());
            EXPECT_TRUE(host.stateChanged.empty());
            EXPECT_EQ(INSTALLSTATE_LOCAL, tools->GetActionState());
        }),
        PressKey(VK_SPACE),
        WaitForMenu(true),
        ChooseByKeys(ID_FEATURE_SHOW_DEPENDENTS),
        WaitForMenu(false),
        Check([&] {
            focusOnTree();
            EXPECT_EQ(std::vector<UINT>{ID_FEATURE_SHOW_DEPENDENTS}, host.commands);
            EXPECT_TRUE(host.stateChanged.empty());
        }),
        SelectByKeys(host, L"Extras"),
        PressKey(VK_DOWN, {VK_MENU}),
        WaitForMenu(true),
        Check([&] { extrasMenu = MenuCommands(); }),
        PressKey(VK_DOWN),
        Screenshot(host, L"feature-tree-menu"),
        PressKey(VK_ESCAPE),
        WaitForMenu(false),
        Check(focusOnTree),
        PressKey(VK_DOWN, {VK_CONTROL}),
        WaitForMenu(true),
        Check([&] {
            int selected = -1;
            host.tree.FindFeatureItem(extras)->GetImage(extrasImage, selected);
            host.tree.FindFeatureItem(tools)->GetImage(toolsImage, selected);
        }),
        ChooseByKeys(ID_FEATURE_ABSENT),
        WaitForMenu(false),
        Check([&] {
            focusOnTree();
            // The dependency that nothing else needs goes with it; both pictures change.
            EXPECT_EQ(INSTALLSTATE_ABSENT, extras->GetActionState());
            EXPECT_EQ(INSTALLSTATE_ABSENT, tools->GetActionState());
            EXPECT_EQ(std::vector<CFeature*>{extras}, host.stateChanged);
            int image = -1, selected = -1;
            host.tree.FindFeatureItem(extras)->GetImage(image, selected);
            EXPECT_NE(extrasImage, image);
            host.tree.FindFeatureItem(tools)->GetImage(image, selected);
            EXPECT_NE(toolsImage, image);
        }),
        // Tools is no longer needed: its menu may leave it out now.
        SelectByKeys(host, L"Tools", VK_UP),
        PressKey(VK_SPACE),
        WaitForMenu(true),
        Check([&] {
            const std::vector<UINT> ids = MenuCommands();
            EXPECT_NE(ids.end(), std::find(ids.begin(), ids.end(), ID_FEATURE_ABSENT));
            EXPECT_EQ(ids.end(), std::find(ids.begin(), ids.end(), ID_FEATURE_SHOW_DEPENDENTS));
        }),
        PressKey(VK_ESCAPE),
        WaitForMenu(false),
        Screenshot(host, L"feature-tree-after-removal"),
    };
    Run(host);
    const std::vector<UINT> expectedTools
        = {ID_FEATURE_LOCAL, 0, ID_FEATURE_SOURCE, 0, ID_FEATURE_ABSENT_GRAYED, ID_FEATURE_SHOW_DEPENDENTS};
    EXPECT_EQ(expectedTools, toolsMenu);
    const std::vector<UINT> expectedExtras
        = {ID_FEATURE_LOCAL, 0, ID_FEATURE_SOURCE, 0, ID_FEATURE_ADVERTISE, 0, ID_FEATURE_ABSENT};
    EXPECT_EQ(expectedExtras, extrasMenu);
}

// An item's menu opens right below the item with its left edge at the item's image, 35 pixels
// left of the text; its separators are half a menu bar high.
TEST_F(FeatureTreeWindowTest, TheMenuOpensBelowTheImageWithHalfHighSeparators)
{
    CTreeHost host(t.First());
    CRect text;
    CRect menuWindow;
    std::vector<int> separatorHeights;
    host.steps = {
        Check([&] {
            ::SetForegroundWindow(host.m_hWnd);
            host.tree.SetFocus();
            CFeatureTreeCtrlItem* item = host.tree.FindFeatureItem(extras);
            host.tree.SelectItemObject(item);
            ASSERT_TRUE(item->GetRect(&text));
            host.tree.ClientToScreen(&text);
        }),
        PressKey(VK_SPACE),
        WaitForMenu(true),
        Check([&] {
            ::GetWindowRect(OpenMenu(), &menuWindow);
            HMENU menu = OpenMenuHandle();
            for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
                RECT entry = {};
                if (::GetMenuItemID(menu, i) == 0 && ::GetMenuItemRect(OpenMenu(), menu, static_cast<UINT>(i), &entry))
                    separatorHeights.push_back(entry.bottom - entry.top);
            }
        }),
        Screenshot(host, L"feature-tree-menu-position"),
        PressKey(VK_ESCAPE),
        WaitForMenu(false),
    };
    Run(host);
    EXPECT_EQ(text.left - 35, menuWindow.left);
    EXPECT_EQ(text.bottom, menuWindow.top);
    // Extras' menu: local, source, on first use and absent, a separator between each two.
    EXPECT_EQ(std::vector<int>(3, ::GetSystemMetrics(SM_CYMENU) / 2), separatorHeights);
}

// A click on an item's image selects it and opens its menu; a click on its text only selects
// it; when the parent vetoes the selection, the click opens no menu.
TEST_F(FeatureTreeWindowTest, AClickOnTheImageOpensTheMenuOfTheItemItSelected)
{
    CTreeHost host(t.First());
    host.steps = {
        Check([&] {
            ::SetForegroundWindow(host.m_hWnd);
            host.tree.SetFocus();
            host.tree.SelectItemObject(host.tree.FindFeatureItem(core));
            host.vetoSelection = true;
            Click(host, L"Tools", true);
        }),
        WaitForMenu(false),
        Check([&] {
            EXPECT_EQ(L"Core", SelectedTitle(host));
            // The parent heard of the change it vetoed, with both features.
            ASSERT_FALSE(host.records.empty());
            const FeatureTreeNotify& vetoed = host.records.back();
            EXPECT_EQ(FTN_SELCHANGING, vetoed.hdr.code);
            EXPECT_EQ(static_cast<UINT_PTR>(kTreeId), vetoed.hdr.idFrom);
            EXPECT_EQ(host.tree.m_hWnd, vetoed.hdr.hwndFrom);
            EXPECT_EQ(core, vetoed.oldFeature);
            EXPECT_EQ(tools, vetoed.newFeature);
            host.vetoSelection = false;
            Click(host, L"Tools", false);
        }),
        Check([&] {
            EXPECT_EQ(nullptr, OpenMenu());
            EXPECT_EQ(L"Tools", SelectedTitle(host));
            ASSERT_FALSE(host.records.empty());
            EXPECT_EQ(FTN_SELCHANGED, host.records.back().hdr.code);
            EXPECT_EQ(core, host.records.back().oldFeature);
            EXPECT_EQ(tools, host.records.back().newFeature);
            Click(host, L"Extras", true);
        }),
        WaitForMenu(true),
        Check([&] { EXPECT_EQ(L"Extras", SelectedTitle(host)); }),
        PressKey(VK_ESCAPE),
        WaitForMenu(false),
        // A blocked feature has no menu.
        Check([&] { Click(host, L"Conflicting", true); }),
        Check([&] { EXPECT_EQ(nullptr, OpenMenu()); }),
        Check([&] { EXPECT_EQ(L"Conflicting", SelectedTitle(host)); }),
    };
    Run(host);
}

// The linked distribution's menu lists its choices; choosing another one selects it, changes
// the item's picture and tells the parent; choosing the current one again changes nothing.
TEST_F(FeatureTreeWindowTest, ALinkedDistributionsMenuChoosesHowItInstalls)
{
    CTreeHost host(t.First());
    CFeature::LinkedDistFakeFeature& menu = m_linked.GetLinkedDistFakeFeature();
    const int before = menu.GetSelectedItem();
    int imageBefore = -1;
    std::vector<UINT> ids;
    host.steps = {
        Check([&] {
            ::SetForegroundWindow(host.m_hWnd);
            host.tree.SetFocus();
            CFeatureTreeCtrlItem* item = host.tree.FindFeatureItem(&m_linked);
            host.tree.SelectItemObject(item);
            int selected = -1;
            item->GetImage(imageBefore, selected);
        }),
        PressKey(VK_SPACE),
        WaitForMenu(true),
        Check([&] { ids = MenuCommands(); }),
        Screenshot(host, L"feature-tree-linked-menu"),
        ChooseByKeys(ID_LINKED_FIRST + static_cast<UINT>(before)),
        WaitForMenu(false),
        Check([&] { EXPECT_TRUE(host.stateChanged.empty()) << "the current choice again"; }),
        PressKey(VK_SPACE),
        WaitForMenu(true),
        ChooseByKeys(ID_LINKED_FIRST + static_cast<UINT>(1 - before)),
        WaitForMenu(false),
        Check([&] {
            EXPECT_EQ(1 - before, menu.GetSelectedItem());
            EXPECT_EQ(std::vector<CFeature*>{&m_linked}, host.stateChanged);
            int image = -1, selected = -1;
            host.tree.FindFeatureItem(&m_linked)->GetImage(image, selected);
            EXPECT_NE(imageBefore, image);
        }),
        Screenshot(host, L"feature-tree-linked-chosen"),
    };
    Run(host);
    EXPECT_EQ((std::vector<UINT>{ID_LINKED_FIRST, ID_LINKED_FIRST + 1}), ids);
}

// With hidden features shown every feature has an item, the visible ones in bold; nothing is
// selected after the tree is filled again.
TEST_F(FeatureTreeWindowTest, HiddenFeaturesShownAndVisibleOnesBold)
{
    CTreeHost host(t.First());
    host.steps = {
        Check([&] {
            EXPECT_EQ(nullptr, host.tree.FindFeatureItem(internals));
            host.tree.SelectItemObject(host.tree.FindFeatureItem(core));
            ASSERT_TRUE(host.tree.SetShowHidden(true));
            EXPECT_EQ(nullptr, host.tree.GetSelectedItem());
            CFeatureTreeCtrlItem* hidden = host.tree.FindFeatureItem(internals);
            ASSERT_NE(nullptr, hidden);
            EXPECT_EQ(0u, hidden->GetState(TVIS_BOLD));
            EXPECT_EQ(static_cast<UINT>(TVIS_BOLD), host.tree.FindFeatureItem(core)->GetState(TVIS_BOLD));
        }),
        Screenshot(host, L"feature-tree-hidden-shown"),
        Check([&] {
            EXPECT_EQ(10u, g_msiFeatureItems.size());
            ASSERT_TRUE(host.tree.SetShowHidden(false));
            EXPECT_EQ(nullptr, host.tree.FindFeatureItem(internals));
            EXPECT_EQ(10u, g_msiFeatureItems.size() + g_linkedDistFeatureItems.size());
            EXPECT_EQ(0u, host.tree.FindFeatureItem(core)->GetState(TVIS_BOLD));
        }),
    };
    Run(host);
    // Filling notified nothing; every item object went with the tree.
    EXPECT_TRUE(g_msiFeatureItems.empty());
    EXPECT_TRUE(g_linkedDistFeatureItems.empty());
    EXPECT_EQ((std::vector<UINT>{FTN_SELCHANGING, FTN_SELCHANGED}), host.notifications);
}

// The solver changes hidden features too: their shown ancestors stand for them.
TEST_F(FeatureTreeWindowTest, ChangesOfHiddenFeaturesRefreshTheirShownAncestors)
{
    CTreeHost host(t.First());
    host.steps = {
        Check([&] {
            CFeatureTreeCtrlItem* item = host.tree.FindFeatureItem(core);
            host.tree.SelectItemObject(item);
            int before = -1, selected = -1;
            item->GetImage(before, selected);
            // A command no menu registered reaches no item.
            EXPECT_EQ(0, host.tree.SendItemCommand(item, ID_FEATURE_ABSENT));
            host.tree.RegisterCommand(ID_FEATURE_ABSENT);
            EXPECT_EQ(1, host.tree.SendItemCommand(item, ID_FEATURE_ABSENT));
            EXPECT_EQ(INSTALLSTATE_ABSENT, internals->GetActionState());
            EXPECT_EQ(INSTALLSTATE_ABSENT, core->GetActionState());
            EXPECT_FALSE(item->IsDirty());
            int after = -1;
            item->GetImage(after, selected);
            EXPECT_NE(before, after);
            EXPECT_EQ(std::vector<CFeature*>{core}, host.stateChanged);
        }),
    };
    Run(host);
}
