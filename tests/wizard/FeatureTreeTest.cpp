// The feature tree without a window: the composite images' keys and layers, the special
// insertion positions, and the rows of the items' menus for what a feature may do.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <functional>
#include <string>
#include <vector>

#include "FeatureTreeCtrl.h"
#include "FeatureTreeCtrlMenu.h"
#include "HandBuiltFeatures.h"
#include "ModelTestSupport.h"
#include "UnfixableBrokenDependencies.h"
#include "resource.h"

using featuretest::Subset;
using featuretest::Tree;

namespace {

const int kAbsent = INSTALLSTATE_ABSENT;
const int kLocal = INSTALLSTATE_LOCAL;
const int kSource = INSTALLSTATE_SOURCE;
const int kAdvertised = INSTALLSTATE_ADVERTISED;

std::string Key(const MsiImageKey& key)
{
    return std::to_string(key.state) + "/" + std::to_string(key.flags);
}

}  // namespace

TEST(FeatureTreeImages, CompositeLayersByStateAndFlags)
{
    struct Case {
        int state;
        int flags;
        std::vector<UINT> icons;
        UINT overlay;
    };
    const Case cases[] = {
        {kImageWillBeAbsent, 0, {500, 172, 502}, 0},
        {kImageWillBeLocal, kImageMixed, {501, 163, 502}, 0},
        {kImageAbsent, kImageBroken, {500, 249, 502}, 505},
        {kImageLocal, kImageMixed | kImageSubtreeBroken, {501, 248, 502}, 506},
        {kImageSourceCd, kImageBroken | kImageSubtreeBroken, {500, 164, 502}, 505},
        {kImageSourceNetwork, 0, {500, 165, 502}, 0},
        {kImageAdvertised, 0, {500, 166, 502}, 0},
        // Blocked features have no menu: no arrow.
        {kImageBlockedNewer, 0, {500, 153}, 0},
        {kImageBlockedIncompatible, kImageMixed, {501, 508}, 0},
        {9, 0, {500}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.state << "/" << c.flags);
        EXPECT_EQ(c.icons, MsiCompositeIcons(c.state, c.flags));
        EXPECT_EQ(c.overlay, MsiOverlayIcon(c.flags));
    }
    EXPECT_EQ((std::vector<UINT>{500, 249, 502}), LinkedCompositeIcons(0));
    EXPECT_EQ((std::vector<UINT>{500, 236, 502}), LinkedCompositeIcons(1));
    EXPECT_EQ((std::vector<UINT>{500, 237, 502}), LinkedCompositeIcons(2));
    EXPECT_EQ((std::vector<UINT>{500, 503, 502}), LinkedCompositeIcons(3));
    EXPECT_TRUE(LinkedCompositeIcons(4).empty());
    EXPECT_TRUE(LinkedCompositeIcons(-1).empty());
}

TEST(FeatureTreeImages, KeyOfAFeatureFromItsStatesAndItsSubtree)
{
    modeltest::TestAppServices app;
    struct Case {
        const char* name;
        std::function<CFeature*(Tree&, UnfixableBrokenDependencies&)> build;
        bool showHidden;
        const char* key;
    };
    const Case cases[] = {
        {"absent and staying so", [](Tree& t, UnfixableBrokenDependencies&) { return t.Add(L"A"); }, false, "2/0"},
        {"to be installed",
            [](Tree& t, UnfixableBrokenDependencies&) {
                CFeature* a = t.Add(L"A");
                a->m_actionState = kLocal;
                return a;
            },
            false, "1/0"},
        {"installed and staying",
            [](Tree& t, UnfixableBrokenDependencies&) {
                CFeature* a = t.Add(L"A");
                t.SetInstalled(a, kLocal);
                return a;
            },
            false, "3/0"},
        {"to be removed",
            [](Tree& t, UnfixableBrokenDependencies&) {
                CFeature* a = t.Add(L"A");
                a->m_installedState = kLocal;
                return a;
            },
            false, "0/0"},
        {"from the source, shown as a CD",
            [](Tree& t, UnfixableBrokenDependencies&) {
                CFeature* a = t.Add(L"A");
                t.SetInstalled(a, kSource);
                return a;
            },
            false, "4/0"},
        {"advertised",
            [](Tree& t, UnfixableBrokenDependencies&) {
                CFeature* a = t.Add(L"A");
                a->m_actionState = kAdvertised;
                return a;
            },
            false, "6/0"},
        {"blocked: nothing below a feature without a part",
            [](Tree& t, UnfixableBrokenDependencies&) { return t.Add(L"Empty", nullptr, CFeature::kNoPart); }, false,
            "7/0"},
        {"blocked: it needs a blocked feature",
            [](Tree& t, UnfixableBrokenDependencies&) {
                CFeature* a = t.Add(L"A");
                a->AddDependency(Subset({t.Add(L"Empty", nullptr, CFeature::kNoPart)}), 0);
                return a;
            },
            false, "8/0"},
        {"a child acting differently",
            [](Tree& t, UnfixableBrokenDependencies&) {
                CFeature* p = t.Add(L"P");
                t.SetInstalled(p, kLocal);
                t.SetInstalled(t.Add(L"C", p), kLocal);
                t.Add(L"D", p);
                return p;
            },
            false, "3/1"},
        {"children of an absent feature are not looked at",
            [](Tree& t, UnfixableBrokenDependencies&) {
                CFeature* p = t.Add(L"P");
                t.SetInstalled(t.Add(L"C", p), kLocal);
                return p;
            },
            false, "2/0"},
        {"a hidden child counts only while hidden features are shown",
            [](Tree& t, UnfixableBrokenDependencies&) {
                CFeature* p = t.Add(L"P");
                t.SetInstalled(p, kLocal);
                t.Add(L"Hidden", p)->m_display = 0;
                return p;
            },
            false, "3/0"},
        {"a hidden child shown",
            [](Tree& t, UnfixableBrokenDependencies&) {
                CFeature* p = t.Add(L"P");
                t.SetInstalled(p, kLocal);
                t.Add(L"Hidden", p)->m_display = 0;
                return p;
            },
            true, "3/1"},
        {"its own broken dependencies",
            [](Tree& t, UnfixableBrokenDependencies& b) {
                CFeature* a = t.Add(L"A");
                t.SetInstalled(a, kLocal);
                b.Break(a);
                return a;
            },
            false, "3/2"},
        {"a descendant's broken dependencies, the child acting differently",
            [](Tree& t, UnfixableBrokenDependencies& b) {
                CFeature* p = t.Add(L"P");
                t.SetInstalled(p, kLocal);
                CFeature* c = t.Add(L"C", p);
                c->m_actionState = kSource;
                b.Break(c);
                return p;
            },
            false, "3/5"},
        {"its own broken dependencies hide the descendant's",
            [](Tree& t, UnfixableBrokenDependencies& b) {
                CFeature* p = t.Add(L"P");
                t.SetInstalled(p, kLocal);
                b.Break(p);
                CFeature* c = t.Add(L"C", p);
                t.SetInstalled(c, kLocal);
                b.Break(c);
                return p;
            },
            false, "3/2"},
        {"an absent feature breaks nothing",
            [](Tree& t, UnfixableBrokenDependencies& b) {
                CFeature* a = t.Add(L"A");
                b.Break(a);
                return a;
            },
            false, "2/0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tree tree;
        UnfixableBrokenDependencies broken;
        CFeature* feature = c.build(tree, broken);
        EXPECT_EQ(c.key, Key(CMsiFeatureTreeCtrlItem::GetImageKey(*feature, c.showHidden)));
    }
}

TEST(MenuTreeCtrl, SpecialPositionsBecomeTheTreeViewsOwn)
{
    EXPECT_EQ(TVI_ROOT, CMenuTreeCtrl::ToHandle(CMenuTreeCtrl::ITEM_ROOT));
    EXPECT_EQ(TVI_FIRST, CMenuTreeCtrl::ToHandle(CMenuTreeCtrl::ITEM_FIRST));
    EXPECT_EQ(TVI_LAST, CMenuTreeCtrl::ToHandle(CMenuTreeCtrl::ITEM_LAST));
    EXPECT_EQ(TVI_SORT, CMenuTreeCtrl::ToHandle(CMenuTreeCtrl::ITEM_SORT));
    EXPECT_EQ(nullptr, CMenuTreeCtrl::ToHandle(nullptr));
    EXPECT_EQ(0xFF000002u, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(CMenuTreeCtrl::ITEM_LAST)));
}

namespace {

// A menu's rows as "id" or "id/grayed", separators as "-", with their text ids.
std::string Describe(const std::vector<MsiFeatureMenuRow>& rows)
{
    std::string text;
    for (const MsiFeatureMenuRow& row : rows) {
        if (!text.empty())
            text += " ";
        if (row.icon == 0)
            text += "-";
        else
            text += std::to_string(row.id) + ":" + std::to_string(row.text) + (row.grayed ? "g" : "");
    }
    return text;
}

}  // namespace

TEST(FeatureMenus, RowsForWhatTheFeatureMayDo)
{
    // local, source, absent, advertise, network, children, current state, dependents, broken
    const MsiFeatureMenuFacts everything = {true, true, true, true, false, true, kAbsent, 0, 0, false};
    struct Case {
        const char* name;
        MsiFeatureMenuFacts facts;
        const char* rows;
    };
    auto with = [&everything](std::function<void(MsiFeatureMenuFacts&)> change) {
        MsiFeatureMenuFacts facts = everything;
        change(facts);
        return facts;
    };
    const Case cases[] = {
        {"not installed, every state allowed", everything,
            "32772:235 32773:236 - 32775:237 32776:238 - 32781:241 - 32783:250"},
        {"installed locally: leave it", with([](MsiFeatureMenuFacts& f) { f.currentState = kLocal; }),
            "32772:243 32773:244 - 32775:237 32776:238 - 32781:241 - 32783:242"},
        {"run from the source: leave it, no children", with([](MsiFeatureMenuFacts& f) {
             f.currentState = kSource;
             f.visibleChildren = false;
         }),
            "32772:235 - 32775:245 - 32781:241 - 32783:242"},
        {"from the network", with([](MsiFeatureMenuFacts& f) {
             f.network = true;
             f.currentState = kSource;
         }),
            "32772:235 32773:236 - 32778:247 32779:248 - 32781:241 - 32783:242"},
        {"advertised and absent keep their texts of the current state", with([](MsiFeatureMenuFacts& f) {
             f.currentState = kAdvertised;
             f.visibleChildren = false;
             f.sourceAllowed = false;
         }),
            "32772:235 - 32781:249 - 32783:242"},
        {"needed by selected features: grayed absence and the dependents", with([](MsiFeatureMenuFacts& f) {
             f.dependents = 2;
             f.visibleChildren = false;
             f.sourceAllowed = false;
         }),
            "32772:235 - 32784:250g 33045:273"},
        {"may not be absent", with([](MsiFeatureMenuFacts& f) {
             f.absentAllowed = false;
             f.advertiseAllowed = false;
             f.sourceAllowed = false;
             f.visibleChildren = false;
             f.currentState = kLocal;
         }),
            "32772:243"},
        {"broken dependencies", with([](MsiFeatureMenuFacts& f) {
             f.unfixableBroken = 1;
             f.sourceAllowed = false;
             f.advertiseAllowed = false;
             f.visibleChildren = false;
         }),
            "32772:235 - 32783:250 33046:275"},
        {"blocked: no menu", with([](MsiFeatureMenuFacts& f) { f.blocked = true; }), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.rows, Describe(CMsiFeatureMenu::Rows(c.facts)));
    }
}

// The menu of a feature made by hand: its facts read from the feature, its entries with their
// texts and icons, and its commands registered with the tree.
TEST(FeatureMenus, MenuOfAFeatureNeededByAnother)
{
    modeltest::TestAppServices app;
    Tree t;
    CFeature* tools = t.Add(L"Tools");
    CFeature* extras = t.Add(L"Extras");
    extras->AddDependency(Subset({tools}), 0);
    t.SetInstalled(tools, kLocal);
    t.SetInstalled(extras, kLocal);

    CFeatureTreeCtrl tree;
    CMsiFeatureMenu menu(&tree, tools);
    EXPECT_TRUE(tree.IsCommandRegistered(ID_FEATURE_SHOW_DEPENDENTS));
    EXPECT_FALSE(tree.IsCommandRegistered(ID_FEATURE_SEPARATOR_LOCAL));
    ASSERT_TRUE(menu.Build());
    std::vector<std::wstring> texts;
    for (const auto& entry : menu.GetEntries()) {
        texts.push_back(entry->text.GetString());
        EXPECT_EQ((entry->flags & MF_SEPARATOR) == 0, entry->icon.Get() != nullptr) << entry->flags;
        EXPECT_NE(0u, entry->flags & MF_OWNERDRAW);
    }
    const std::vector<std::wstring> expected
        = {L"Leave this feature installed locally", L"", L"Install this feature to run from the source", L"",
            L"Do not install this feature", L"Show dependent features..."};
    EXPECT_EQ(expected, texts);
    ASSERT_EQ(6u, menu.GetEntries().size());
    EXPECT_TRUE(menu.GetEntries()[4]->disabled);
    EXPECT_EQ(static_cast<UINT>(MF_OWNERDRAW | MF_GRAYED), menu.GetEntries()[4]->flags);
    EXPECT_EQ(6, ::GetMenuItemCount(menu.m_hMenu));
    EXPECT_EQ(ID_FEATURE_ABSENT_GRAYED, ::GetMenuItemID(menu.m_hMenu, 4));

    // The entries' icons go with the menu.
    std::vector<HICON> icons;
    {
        CMsiFeatureMenu again(&tree, tools);
        ASSERT_TRUE(again.Build());
        for (const auto& entry : again.GetEntries()) {
            if (entry->icon.Get())
                icons.push_back(entry->icon.Get());
        }
        ASSERT_TRUE(again.Build());  // built anew: the first entries' icons are released at once
    }
    ASSERT_EQ(4u, icons.size());
    for (HICON icon : icons) {
        ICONINFO info = {};
        EXPECT_FALSE(::GetIconInfo(icon, &info)) << "icon still alive";
    }

    // A blocked feature has no menu at all.
    CMsiFeatureMenu blocked(&tree, t.Add(L"Empty", nullptr, CFeature::kNoPart));
    EXPECT_FALSE(blocked.Build());
    EXPECT_EQ(nullptr, blocked.m_hMenu);
}
