// "Fix it" of the broken-dependency dialog on the model of the distribution tests' sample: the
// installed old core depends on its own family, which only the core part satisfies; Fix it
// selects the core part's features, and the selection then fixes the dependency.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <string>
#include <vector>

#include "Feature.h"
#include "FeatureBrokenDepDlg.h"
#include "FeatureSubsets.h"
#include "FeatureTreeHost.h"
#include "ModelFixture.h"
#include "MsiDatabase.h"
#include "Part.h"
#include "resource.h"

using namespace modeltest;
using treehost::CTreeHost;

namespace {

class FeatureFixItTest : public ModelTest {
protected:
    void LoadModel()
    {
        const FakeDependency oldCoreOnItself{kCoreUpgrade, L"", L"", L"", L"", L"OldFeature", L"", 0, 0};
        m_app.systemInfo.partInfos = {
            {kOldCoreCode, {}, kCoreUpgrade, {FakeDependent{0, oldCoreOnItself}},
                {{kOldCoreCode, 1, {}, L"Model Core", L"old edition"}}},
        };
        LoadWithBrokenDependencies();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(1u, m_model.GetBrokenDependencyCount());
    }
};

}  // namespace

TEST_F(FeatureFixItTest, FixItSelectsTheRepairPartsFeatures)
{
    ASSERT_NO_FATAL_FAILURE(LoadModel());
    CFeature& docs = *m_model.FindFeature(L"CoreDocs");
    CPart* core = m_model.GetPart(0);
    for (CFeature* feature : core->GetFeatures())
        feature->m_actionState = INSTALLSTATE_ABSENT;
    ASSERT_TRUE(docs.CanFixBrokenDependencies());
    ASSERT_FALSE(m_model.GetBrokenDependency(0).IsFixedBySelection());

    CTreeHost host(docs.GetRoot()->GetFirstSibling());
    CFeatureBrokenDepDlg dialog(&host.tree);
    host.steps = {
        treehost::Check([&] {
            ASSERT_TRUE(dialog.CreateHidden());
            EXPECT_EQ(1u, dialog.ShowFor(&docs));
            EXPECT_EQ(core, dialog.GetRowPart(0));
            EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(dialog.m_hWnd, IDC_BROKEN_FIX)));
            EXPECT_EQ(std::wstring(L"If feature '") + W(docs.GetTitle())
                    + L"' is installed it will break dependencies of the following products.  This may result in "
                      L"loss of functionality in these products.  Click 'Fix it' to have the installer attempt to "
                      L"reconfigure your feature selections to avoid this problem.",
                W(dialog.GetHeader()));
        }),
        treehost::Screenshot(host, L"feature-broken-dependencies-fixable"),
        treehost::Check([&] {
            ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDC_BROKEN_FIX), BM_CLICK, 0, 0);
            EXPECT_FALSE(dialog.IsWindowVisible());
            for (CFeature* feature : core->GetFeatures())
                EXPECT_NE(INSTALLSTATE_ABSENT, feature->GetActionState()) << W(feature->GetName()).size();
            EXPECT_TRUE(m_model.GetBrokenDependency(0).IsFixedBySelection());
            dialog.DestroyWindow();
        }),
    };
    EXPECT_EQ(IDOK, host.DoModal());
    EXPECT_EQ("", host.failure);
}
