// The feature page's dialogs over a small hand-built feature set: the rows of the dependents
// list and of the broken-dependency list, the feature peek's properties, and the dialogs drawn
// for real and driven by keys: a row selected selects its feature in the tree, Deselect All makes
// the dependents absent, Escape closes each dialog. Screenshots of the three dialogs.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <msi.h>

#include <memory>
#include <string>
#include <vector>

#include "FeatureBrokenDepDlg.h"
#include "FeatureDebugDlg.h"
#include "FeatureDependenciesDlg.h"
#include "FeatureTreeCtrlMenu.h"
#include "FeatureTreeHost.h"
#include "HandBuiltFeatures.h"
#include "InstallerErrors.h"
#include "ModelTestSupport.h"
#include "Screenshot.h"
#include "UnfixableBrokenDependencies.h"
#include "resource.h"

using featuretest::Subset;
using featuretest::Tree;
using namespace treehost;

namespace {

std::vector<std::wstring> Rows(CListCtrl& list, int column = 0)
{
    std::vector<std::wstring> rows;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        wchar_t text[256] = L"";
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 256;
        list.SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        rows.push_back(text);
    }
    return rows;
}

bool IsShown(CWnd& dialog, int id)
{
    return ::IsWindowVisible(::GetDlgItem(dialog.m_hWnd, id)) != FALSE;
}

class FeatureDialogsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
    }

    FeatureDialogsTest()
    {
        core = t.Add(L"Core");
        t.SetInstalled(core, INSTALLSTATE_LOCAL);
        CFeature* help = t.Add(L"Core Help", core);
        t.SetInstalled(help, INSTALLSTATE_LOCAL);
        CFeature* samples = t.Add(L"Core Samples", core);
        t.SetInstalled(samples, INSTALLSTATE_LOCAL);
        samples->AddDependency(Subset({help}), 0);
        tools = t.Add(L"Tools");
        t.SetInstalled(tools, INSTALLSTATE_LOCAL);
        extras = t.Add(L"Extras");
        t.SetInstalled(extras, INSTALLSTATE_LOCAL);
        extras->AddDependency(Subset({tools}), 0);
        CFeature* suite = t.Add(L"Suite");
        t.SetInstalled(suite, INSTALLSTATE_LOCAL);
        reports = t.Add(L"Reports", suite);
        t.SetInstalled(reports, INSTALLSTATE_LOCAL);
        reports->AddDependency(Subset({tools}), 0);
        t.Add(L"Old Add-on")->AddDependency(Subset({tools}), 0);  // absent: not listed
        runtime = t.Add(L"Runtime");
        t.SetInstalled(runtime, INSTALLSTATE_LOCAL);
        CFeature* placeholder = t.Add(L"Installed product", nullptr, CFeature::kPlaceholder);
        placeholder->m_display = 0;
        placeholder->AddDependency(Subset({runtime}), 0);
        for (CFeature* parent : {core, suite})
            parent->m_display = 1;  // shown expanded
    }

    modeltest::TestAppServices m_app;
    UnfixableBrokenDependencies m_broken;
    Tree t;
    CFeature* core = nullptr;
    CFeature* tools = nullptr;
    CFeature* extras = nullptr;
    CFeature* reports = nullptr;
    CFeature* runtime = nullptr;
};

// Runs `check` (dialog, host) inside the host of the tree, with the dialog created hidden.
template <typename Dialog, typename Check> void WithDialog(CFeature* first, Check check)
{
    CTreeHost host(first);
    host.steps = {treehost::Check([&] {
        Dialog dialog(&host.tree);
        ASSERT_TRUE(dialog.CreateHidden());
        EXPECT_FALSE(dialog.IsWindowVisible());
        check(dialog, host);
        dialog.DestroyWindow();
    })};
    EXPECT_EQ(IDOK, host.DoModal());
}

}  // namespace

// Dependents outside the feature's subtree that are to be installed, by their titles from the
// top; dependents inside the subtree only give the system-components row; installed products'
// placeholders give their row and take Deselect All away.
TEST_F(FeatureDialogsTest, DependentsListRows)
{
    struct Case {
        CFeature* feature;
        std::vector<std::wstring> rows;
        size_t count;
        bool deselectAll;
    };
    const Case cases[] = {
        {tools, {L"Extras", L"Suite -> Reports"}, 2, true},
        {core, {L"Pelmar system components"}, 0, true},
        {runtime, {L"Installed ZK Products not in this distribution."}, 1, false},
    };
    WithDialog<CFeatureDependenciesDlg>(t.First(), [&](CFeatureDependenciesDlg& dialog, CTreeHost& host) {
        for (const Case& c : cases) {
            const std::wstring name = c.feature->GetName().GetString();
            SCOPED_TRACE(std::string(name.begin(), name.end()));
            EXPECT_EQ(c.count, dialog.Run(c.feature));
            EXPECT_EQ(c.rows, Rows(dialog.GetList()));
            EXPECT_EQ(c.feature, dialog.GetFeature());
            dialog.ShowWindow(SW_SHOW);
            EXPECT_EQ(c.deselectAll, IsShown(dialog, IDC_DEPENDENTS_DESELECT));
            EXPECT_TRUE(IsShown(dialog, IDC_DEPENDENTS_CLOSE));
            dialog.ShowWindow(SW_HIDE);
        }
        dialog.Run(tools);
        EXPECT_EQ(extras, dialog.GetRowFeature(0));
        EXPECT_EQ(reports, dialog.GetRowFeature(1));
        EXPECT_EQ(std::wstring(L"The following features require the \"Tools\" feature.  You may not deselect "
                               L"\"Tools\" without first deselecting all of the features listed below."),
            dialog.GetHeader().GetString());
        // Rows and Deselect All whose features have no item in the tree (filled anew without
        // them) leave the tree's selection and the states alone.
        ASSERT_TRUE(host.tree.Fill(reports->GetParent()));
        host.tree.SelectItemObject(host.tree.FindFeatureItem(reports));
        dialog.ShowFor(tools);
        LVITEMW select = {};
        select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
        dialog.GetList().SendMessage(LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
        EXPECT_EQ(L"Reports", SelectedTitle(host));
        const std::wstring before = t.ActionStates();
        dialog.OnDeselectAll();
        EXPECT_EQ(before, t.ActionStates());
        EXPECT_TRUE(dialog.IsWindowVisible());
        // A feature that may not be absent keeps its dependents.
        tools->DisallowAbsent();
        dialog.ShowFor(tools);
        EXPECT_FALSE(IsShown(dialog, IDC_DEPENDENTS_DESELECT));
    });
}

// One row per product name (the same product through two broken items once), in name order with
// its detail; without a part that repairs them there is no Fix it and no second sentence.
TEST_F(FeatureDialogsTest, BrokenDependencyRows)
{
    m_broken.SetProducts({{L"{B}", 1, {}, L"Beta Suite", L"2.0"}, {L"{A}", 1, {}, L"Alpha Tool", L""}});
    m_broken.Break(reports);
    m_broken.Break(reports);
    WithDialog<CFeatureBrokenDepDlg>(t.First(), [&](CFeatureBrokenDepDlg& dialog, CTreeHost&) {
        EXPECT_EQ(2u, dialog.ShowFor(reports));
        EXPECT_EQ((std::vector<std::wstring>{L"Alpha Tool", L"Beta Suite (2.0)"}), Rows(dialog.GetList()));
        EXPECT_EQ(nullptr, dialog.GetRowPart(0));
        EXPECT_EQ(std::wstring(L"If feature 'Reports' is installed it will break dependencies of the following "
                               L"products.  This may result in loss of functionality in these products."),
            dialog.GetHeader().GetString());
        EXPECT_FALSE(IsShown(dialog, IDC_BROKEN_FIX));
        EXPECT_TRUE(IsShown(dialog, IDC_BROKEN_CLOSE));
        // Fix it without a repair part changes nothing and still closes.
        const std::wstring before = t.ActionStates();
        dialog.OnFixIt();
        EXPECT_EQ(before, t.ActionStates());
        EXPECT_FALSE(dialog.IsWindowVisible());

        m_broken.FailWith(E_FAIL);
        try {
            dialog.Run(reports);
            ADD_FAILURE() << "no error";
        } catch (const ZKSystemInfoFailure& e) {
            EXPECT_EQ(L"Unexpected error while handling broken dependencies. Result=80004005",
                std::wstring(e.GetDebugMessage()));
        }
        m_broken.FailWith(E_OUTOFMEMORY);
        EXPECT_THROW(dialog.Run(reports), std::bad_alloc);
    });
}

TEST_F(FeatureDialogsTest, StateAndModeNames)
{
    const std::pair<int, const wchar_t*> states[] = {{-7, L"Not Used"}, {-6, L"Bad Configuration"},
        {-4, L"Absent"}, {-1, L"Unknown"}, {0, L"Broken"}, {1, L"Advertised"}, {2, L"Absent"}, {3, L"Local"},
        {4, L"Source"}, {5, L"Default"}, {6, L"Invalid State"}, {-8, L"Invalid State"}};
    for (const auto& state : states)
        EXPECT_STREQ(state.second, CFeatureDebugDlg::StateName(state.first)) << state.first;
    EXPECT_STREQ(L"Differing parts have identical package codes!", CFeatureDebugDlg::UpgradeModeName(5));
    EXPECT_STREQ(L"<Invalid Variable>", CFeatureDebugDlg::UpgradeModeName(6));
    EXPECT_STREQ(L"Higher version installed (exclusive)", CFeatureDebugDlg::VersionModeName(5));
    EXPECT_STREQ(L"<Invalid Variable>", CFeatureDebugDlg::VersionModeName(-1));
    EXPECT_STREQ(L"Other language(s) installed (exclusive)", CFeatureDebugDlg::LanguageModeName(3));
    EXPECT_STREQ(L"<Invalid Variable>", CFeatureDebugDlg::LanguageModeName(4));
}

// The three dialogs drawn for real and used by the keyboard alone: the focus starts on Close,
// Tab reaches the list, the arrows select rows (and so features in the tree), a mnemonic runs
// Deselect All, Escape closes each dialog.
TEST_F(FeatureDialogsTest, TheDialogsByKeyboard)
{
    m_broken.SetProducts({{L"{B}", 1, {}, L"Beta Suite", L"2.0"}, {L"{A}", 1, {}, L"Alpha Tool", L""}});
    m_broken.Break(reports);
    CTreeHost host(t.First());
    CFeatureDependenciesDlg* dependents = nullptr;
    CFeatureBrokenDepDlg* broken = nullptr;
    std::unique_ptr<CFeatureDebugDlg> peek;
    auto focusOn = [](CWnd& dialog, int id) { EXPECT_EQ(::GetDlgItem(dialog.m_hWnd, id), ::GetFocus()); };
    // The dialog (through the pointer the script fills) has been hidden.
    auto hidden = [](auto& dialog) { return Step([&dialog] { return !dialog->IsWindowVisible(); }); };
    host.steps = {
        Check([&] {
            ::SetForegroundWindow(host.m_hWnd);
            dependents = new CFeatureDependenciesDlg(&host.tree);
            broken = new CFeatureBrokenDepDlg(&host.tree);
            ASSERT_TRUE(dependents->CreateHidden());
            ASSERT_TRUE(broken->CreateHidden());
            host.tree.SetFocus();
            host.tree.SelectItemObject(host.tree.FindFeatureItem(tools));
        }),
        // The item's menu asks the page for the dialog, as on the feature page.
        PressKey(VK_SPACE),
        WaitForMenu(true),
        ChooseByKeys(ID_FEATURE_SHOW_DEPENDENTS),
        WaitForMenu(false),
        Check([&] {
            ASSERT_EQ(std::vector<UINT>{ID_FEATURE_SHOW_DEPENDENTS}, host.commands);
            dependents->ShowFor(tools);
            focusOn(*dependents, IDC_DEPENDENTS_CLOSE);
        }),
        Screenshot(host, L"feature-dependents-dialog", nullptr),
        PressKey(VK_TAB),
        Check([&] { focusOn(*dependents, IDC_DEPENDENTS_LIST); }),
        PressKey(VK_DOWN),
        PressKey(VK_DOWN),
        Check([&] {
            EXPECT_EQ(L"Reports", SelectedTitle(host));
            focusOn(*dependents, IDC_DEPENDENTS_LIST);
        }),
        Screenshot(host, L"feature-dependents-row-selected", nullptr),
        PressKey('D', {VK_MENU}),
        hidden(dependents),
        Check([&] {
            EXPECT_EQ(INSTALLSTATE_ABSENT, tools->GetActionState());
            EXPECT_EQ(INSTALLSTATE_ABSENT, extras->GetActionState());
            EXPECT_EQ(INSTALLSTATE_ABSENT, reports->GetActionState());
            dependents->ShowFor(core);
        }),
        PressKey(VK_ESCAPE),
        hidden(dependents),
        Check([&] {
            broken->ShowFor(reports);
            focusOn(*broken, IDC_BROKEN_CLOSE);
        }),
        Screenshot(host, L"feature-broken-dependencies-dialog", nullptr),
        PressKey(VK_ESCAPE),
        hidden(broken),
        Check([&] {
            ASSERT_TRUE(CFeatureDebugDlg::ShowFor(peek, &host, extras));
            CRect place;
            peek->GetWindowRect(place);
            EXPECT_EQ(0, place.left);
            EXPECT_EQ(0, place.top);
        }),
        Check([&] { EXPECT_FALSE(SaveScreenshot(peek->m_hWnd, L"feature-peek-dialog").empty()); }),
        Check([&] { ::SetForegroundWindow(peek->m_hWnd); }),
        PressKey(VK_ESCAPE),
        hidden(peek),
        Check([&] {
            dependents->DestroyWindow();
            broken->DestroyWindow();
            peek->DestroyWindow();
        }),
    };
    EXPECT_EQ(IDOK, host.DoModal());
    EXPECT_EQ("", host.failure);
    delete dependents;
    delete broken;
}

// The peek lists the feature's internals in order; a feature without a part leaves the part's
// modes out.
TEST_F(FeatureDialogsTest, PeekProperties)
{
    extras->m_description = L"More tools";
    CTreeHost host(t.First());
    std::unique_ptr<CFeatureDebugDlg> peek;
    host.steps = {Check([&] {
        ASSERT_TRUE(CFeatureDebugDlg::ShowFor(peek, &host, extras));
        const std::vector<std::wstring> properties = {L"Original Key", L"Parent", L"Description", L"Display",
            L"Hidden", L"Level", L"Directory", L"Directory Value", L"Action State", L"Current State",
            L"Last User Req.", L"Transitive", L"Part", L"Part State", L"Part Upgrade Mode", L"Part Version Mode",
            L"Part Language Mode", L"Selected Dependencies", L"Dependents"};
        EXPECT_EQ(properties, Rows(peek->GetList()));
        const std::vector<std::wstring> values = Rows(peek->GetList(), 1);
        ASSERT_EQ(properties.size(), values.size());
        EXPECT_EQ(L"<Root>", values[1]);
        EXPECT_EQ(L"More tools", values[2]);
        EXPECT_EQ(L"False", values[4]);
        EXPECT_EQ(L"Local", values[8]);
        EXPECT_EQ(L"<Invalid Variable>", values[14]);
        EXPECT_EQ(L"", values[18]);
        wchar_t key[64] = L"";
        ::GetDlgItemTextW(peek->m_hWnd, IDC_PEEK_KEY, key, 64);
        EXPECT_EQ(std::wstring(L"Extras"), key);

        CFeature* suite = reports->GetParent();
        peek->ShowFeature(tools);
        EXPECT_EQ(L"Extras, Reports, Old Add-on", Rows(peek->GetList(), 1).back());
        suite->m_part = nullptr;
        peek->ShowFeature(suite);
        const std::vector<std::wstring> noPart = Rows(peek->GetList());
        EXPECT_EQ(properties.size() - 4, noPart.size());
        EXPECT_EQ(L"<No Part>", Rows(peek->GetList(), 1)[12]);
        peek->DestroyWindow();
    })};
    EXPECT_EQ(IDOK, host.DoModal());
}
