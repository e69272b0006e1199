// The feature tree's placeholders for installed products that depend on this distribution, and
// the cost of a feature's planned change in the engine's units.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>
#include <vector>

#include "Distribution.h"
#include "Feature.h"
#include "ModelFixture.h"
#include "ModelTestSupport.h"
#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "Part.h"
#include "PartInfo.h"

using modeltest::FakeDependency;
using modeltest::ModelTest;
using namespace modeltest::fixture;

namespace {

class FeatureTreeTest : public ModelTest { };

INSTALLSTATE g_featureState = INSTALLSTATE_LOCAL;

INSTALLSTATE WINAPI FeatureState(LPCWSTR, LPCWSTR)
{
    return g_featureState;
}

// The names of the tree's placeholders.
std::wstring Placeholders(CDistribution& model)
{
    std::wstring names;
    for (const CFeature* f : model.GetFeatureTree().GetFeatures()) {
        if (f->IsFakeFeature(CFeature::kPlaceholder))
            names += W(f->GetName()) + L" ";
    }
    return names;
}

}  // namespace

// The installed extras depend on their own family, in which the extras part is installed. The
// extras product needs a placeholder only while its part may not be installed; a dependency
// counts while the dependent feature is installed (local, source or default), not when it is
// absent or advertised.
TEST_F(FeatureTreeTest, PlaceholdersOfInstalledProducts)
{
    struct Case {
        const char* name;
        bool extrasRefused;
        INSTALLSTATE featureState;
        const wchar_t* placeholders;
    };
    const Case cases[] = {
        {"the extras part may be installed", false, INSTALLSTATE_LOCAL, L""},
        {"the extras part refused", true, INSTALLSTATE_LOCAL, L"InstalledProd1 "},
        {"the extras part refused, feature from source", true, INSTALLSTATE_SOURCE, L"InstalledProd1 "},
        {"the extras part refused, feature as default", true, INSTALLSTATE_DEFAULT, L"InstalledProd1 "},
        {"the extras part refused, feature advertised", true, INSTALLSTATE_ADVERTISED, L""},
        {"the extras part refused, feature absent", true, INSTALLSTATE_ABSENT, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modeltest::TestAppServices app;
        app.systemInfo.installed = {{kExtrasCode, {{kExtrasUpgrade, L"", L"", L"", L"", L"Extras", L"", 0}}}};
        CDistribution model;
        testsupport::ScopedDistributionServices scope(&model);
        Configure(ModelIni());
        model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        if (c.extrasRefused)
            const_cast<CPart::UpgradeTable*>(model.GetPart(1)->GetUpgradeTable())->m_upgradeMode
                = CPart::UpgradeTable::kSamePackageCode;
        g_featureState = c.featureState;
        MsiApiOverride<decltype(MsiApiTable::MsiQueryFeatureStateW)> seam(
            MsiApi().MsiQueryFeatureStateW, &FeatureState);
        model.BuildFeatureTree();
        EXPECT_EQ(c.placeholders, Placeholders(model));
        m_config.GetMergedPartInfo()->ReleaseSession();
    }
}

// A feature's cost is the engine's cost of the components of its subtree's changes, in units of
// 512 bytes: nothing while nothing changes; the core component's cost on every volume once Core
// is to be installed; nothing for a change of a feature without components below an unchanged
// Core.
TEST_F(FeatureTreeTest, FeatureCostInTheEnginesUnits)
{
    Configure(ModelIni());
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    MsiSmartPtr<MsiSession> session = m_model.GetSession();
    modeltest::RunCosting(*session);
    // What the engine says the core component costs when installed locally.
    int64_t engineUnits = 0;
    for (DWORD index = 0;; ++index) {
        wchar_t drive[16] = L"";
        DWORD length = 16;
        INT cost = 0, temporary = 0;
        if (MsiEnumComponentCostsW(
                session->GetHandle(), L"CoreComponent", index, INSTALLSTATE_LOCAL, drive, &length, &cost, &temporary)
            != ERROR_SUCCESS)
            break;
        engineUnits += cost;
    }
    ASSERT_GT(engineUnits, 0);

    CFeature& core = *m_model.FindFeature(L"Core");
    CFeature& docs = *m_model.FindFeature(L"CoreDocs");
    for (CFeature* feature : m_model.GetFeatureTree().GetFeatures())
        feature->m_actionState = feature->GetCurrentState();
    EXPECT_EQ(0, core.ComputeSubtreeCost(false));
    docs.m_actionState = INSTALLSTATE_LOCAL;
    EXPECT_EQ(0, core.ComputeSubtreeCost(false));
    core.m_actionState = INSTALLSTATE_LOCAL;
    EXPECT_EQ(engineUnits, core.ComputeSubtreeCost(false));
    EXPECT_EQ(engineUnits, core.ComputeOwnCost(false));
    EXPECT_EQ(0, docs.ComputeSubtreeCost(false));
}

// The installed extras' component seen from the merged package (a row naming its ComponentId in
// the folder of the core's directory): installed when the folder is where the engine has it,
// whatever the letter case; a transitive component whose condition no longer holds is then
// removed although no feature votes.
TEST_F(FeatureTreeTest, InstalledTransitiveComponentWhoseConditionFails)
{
    const wchar_t extrasComponent[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A23}";
    wchar_t keyFile[MAX_PATH] = L"";
    DWORD length = MAX_PATH;
    ASSERT_EQ(INSTALLSTATE_LOCAL, MsiGetComponentPathW(kExtrasCode, extrasComponent, keyFile, &length));
    std::wstring folder(keyFile, wcsrchr(keyFile, L'\\') + 1);
    CharUpperBuffW(&folder[0], static_cast<DWORD>(folder.size()));

    Configure(ModelIni());
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    MsiSmartPtr<MsiSession> session = m_model.GetSession();
    modeltest::RunCosting(*session);
    MsiSmartPtr<MsiDatabase> database = session->GetActiveDatabase();
    database
        ->OpenView(L"INSERT INTO `Component` (`Component`, `ComponentId`, `Directory_`, `Attributes`) VALUES "
                   L"('ExtrasComponent', '%s', 'INSTALLDIR', 64) TEMPORARY",
            extrasComponent)
        ->Execute();
    CFeature& core = *m_model.FindFeature(L"Core");
    struct Case {
        const char* name;
        const wchar_t* folder;
        const wchar_t* condition;
        int attributes;
        int installed;
        int action;
    };
    const Case cases[] = {
        {"transitive, condition false", folder.c_str(), L"0", 64, INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT},
        {"transitive, condition with a syntax error", folder.c_str(), L"((", 64, INSTALLSTATE_LOCAL,
            INSTALLSTATE_ABSENT},
        {"not transitive, condition false", folder.c_str(), L"0", 0, INSTALLSTATE_LOCAL, INSTALLSTATE_UNKNOWN},
        {"transitive, condition true", folder.c_str(), L"1", 64, INSTALLSTATE_LOCAL, INSTALLSTATE_UNKNOWN},
        {"transitive, no condition", folder.c_str(), L"", 64, INSTALLSTATE_LOCAL, INSTALLSTATE_UNKNOWN},
        {"another folder", L"C:\\Elsewhere\\", L"0", 64, INSTALLSTATE_ABSENT, INSTALLSTATE_UNKNOWN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session->SetTargetPath(L"INSTALLDIR", c.folder);
        int installed = 0, action = 0;
        core.ComputeComponentAction(
            *database, L"ExtrasComponent", c.condition, c.attributes, installed, action, nullptr, false);
        EXPECT_EQ(c.installed, installed);
        EXPECT_EQ(c.action, action);
    }
}

namespace {

// The old core's features as an engine that enumerates them lists them (Wine's lists none of a
// per-machine product), with the state of the first.
INSTALLSTATE g_oldFeatureState = INSTALLSTATE_LOCAL;

UINT WINAPI OldCoreFeatures(LPCWSTR product, DWORD index, LPWSTR feature, LPWSTR parent)
{
    const wchar_t* const names[] = {L"Other", L"Core.Old"};
    if (std::wstring(product) != kOldCoreCode || index >= 2)
        return ERROR_NO_MORE_ITEMS;
    lstrcpyW(feature, names[index]);
    lstrcpyW(parent, L"");
    return ERROR_SUCCESS;
}

INSTALLSTATE WINAPI OldCoreFeatureState(LPCWSTR, LPCWSTR feature)
{
    return std::wstring(feature) == L"Core.Old" ? g_oldFeatureState : INSTALLSTATE_LOCAL;
}

UINT WINAPI FailingTargetPath(MSIHANDLE, LPCWSTR, LPWSTR, LPDWORD)
{
    return ERROR_FUNCTION_FAILED;
}

}  // namespace

// Whether a feature of an upgrading part is installed in the product the part replaces: the
// feature of the same stem (the name before its last dot, compared with letter case) decides
// when it is installed locally or absent; other states go on searching.
TEST_F(FeatureTreeTest, FeatureInstalledInTheReplacedProduct)
{
    Configure(ModelIni());
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    CFeature& core = *m_model.FindFeature(L"Core");
    MsiApiOverride<decltype(MsiApiTable::MsiEnumFeaturesW)> features(MsiApi().MsiEnumFeaturesW, &OldCoreFeatures);
    MsiApiOverride<decltype(MsiApiTable::MsiQueryFeatureStateW)> states(
        MsiApi().MsiQueryFeatureStateW, &OldCoreFeatureState);
    struct Case {
        const char* name;
        const wchar_t* featureName;
        bool upgrading;
        INSTALLSTATE oldState;
        int expected;
    };
    const Case cases[] = {
        {"installed locally there", L"Core.New", true, INSTALLSTATE_LOCAL, 1},
        {"absent there", L"Core.New", true, INSTALLSTATE_ABSENT, 0},
        {"from source there", L"Core.New", true, INSTALLSTATE_SOURCE, -1},
        {"stem in another letter case", L"core.New", true, INSTALLSTATE_LOCAL, -1},
        {"stem before the last dot", L"Core.New.X", true, INSTALLSTATE_LOCAL, -1},
        {"no dot", L"Core", true, INSTALLSTATE_LOCAL, -1},
        {"the part not upgrading", L"Core.New", false, INSTALLSTATE_LOCAL, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        core.m_name = c.featureName;
        core.m_installedState = INSTALLSTATE_ABSENT;
        core.m_actionState = c.upgrading ? INSTALLSTATE_LOCAL : INSTALLSTATE_ABSENT;
        g_oldFeatureState = c.oldState;
        EXPECT_EQ(c.expected, core.IsInstalledInRelatedProduct());
    }
    core.m_name = L"Core";
}

// A feature's folder: a directory the session does not know gives no folder; any other failure
// of the engine is the caller's.
TEST_F(FeatureTreeTest, DirectoryErrorIsKeptApart)
{
    Configure(ModelIni());
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    modeltest::RunCosting(*m_model.GetSession());
    CFeature& core = *m_model.FindFeature(L"Core");
    CString path = L"before";
    core.m_directory = L"NoSuchDirectory";
    EXPECT_FALSE(core.GetDirectoryValue(path));
    EXPECT_EQ(L"", W(path));
    core.m_directory = L"INSTALLDIR";
    MsiApiOverride<decltype(MsiApiTable::MsiGetTargetPathW)> failing(MsiApi().MsiGetTargetPathW, &FailingTargetPath);
    EXPECT_THROW(core.GetDirectoryValue(path), MsiInstallerError);
}
