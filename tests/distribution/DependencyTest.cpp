// Dependencies of the model's features: the rows resolved into the solver's dependency groups
// with their flags, the dependencies on other vendors' products of features to be installed, and
// the installed products whose dependencies installing a part would break. The old core (family
// of the core part, outside the distribution) and the extras part are installed in the prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BrokenDependencies.h"
#include "Distribution.h"
#include "Feature.h"
#include "FeatureSubsets.h"
#include "InstallerErrors.h"
#include "ModelFixture.h"
#include "ModelTestSupport.h"
#include "MsiApi.h"
#include "Part.h"
#include "PlexaExceptions.h"

using modeltest::FakeDependency;
using modeltest::FakeDependent;
using modeltest::LoadedModel;
using modeltest::ModelTest;
using namespace modeltest::fixture;

namespace {

class DependencyTest : public ModelTest { };

// "flags {features}" for each dependency group of the feature (one alternative each), sorted
// names; "none" without groups.
std::wstring Groups(const CFeature& feature)
{
    std::wstring text;
    for (const CFeatureSubsetOr& group : feature.GetDependencyGroups()) {
        for (const CFeatureSubsetDependency& alternative : group.GetAlternatives()) {
            std::vector<std::wstring> names;
            for (const auto& entry : alternative.GetFeatures())
                names.push_back(W(entry.first->GetName()));
            std::sort(names.begin(), names.end());
            text += std::to_wstring(alternative.GetFlags()) + L" {";
            for (const std::wstring& name : names)
                text += L" " + name;
            text += L" } ";
        }
    }
    return text.empty() ? L"none" : text;
}

// Forces the part's upgrade table to refuse (or allow) its installation.
void SetUpgradeMode(CPart& part, int mode)
{
    const_cast<CPart::UpgradeTable*>(part.GetUpgradeTable())->m_upgradeMode = mode;
}

}  // namespace

// A row on the core part's family gives the dependent feature (of the extras part) one group
// over the core part's subset. Flag 4 when an installed product outside the distribution (the
// old core, 1.0.0 in 1033) also satisfies the row, with the subset installed there when the row
// names one; flag 8 for rows with attribute 0x4. A dependent feature whose part may not be
// installed has its rows ignored, even rows no part satisfies.
TEST_F(DependencyTest, RowsGiveTheSolverTheirGroupsAndFlags)
{
    const wchar_t* const unknownFamily = L"{00000000-0000-0000-0000-00000000000A}";
    struct Case {
        const char* name;
        const wchar_t* upgradeCode;
        const wchar_t* subset;
        const wchar_t* versionMin;
        const wchar_t* languages;
        DWORD attributes;
        std::vector<std::wstring> subsetsInstalledInOldCore;
        bool ownerRefused;
        const wchar_t* groups;
    };
    const Case cases[] = {
        {"old core in range", kCoreUpgrade, L"", L"", L"", 0, {}, false, L"4 { Core CoreDocs CoreHelp } "},
        {"old core below the minimum", kCoreUpgrade, L"", L"1.5", L"", 0, {}, false, L"0 { Core CoreDocs CoreHelp } "},
        {"old core's language listed", kCoreUpgrade, L"", L"", L"1031 1033", 0, {}, false,
            L"4 { Core CoreDocs CoreHelp } "},
        {"old core's language excluded", kCoreUpgrade, L"", L"", L"1031", 0x400, {}, false,
            L"4 { Core CoreDocs CoreHelp } "},
        {"subset installed in the old core", kCoreUpgrade, L"Docs", L"", L"", 0, {L"Docs"}, false,
            L"4 { CoreDocs CoreHelp } "},
        {"subset not installed in the old core", kCoreUpgrade, L"Docs", L"", L"", 0, {L"Other"}, false,
            L"0 { CoreDocs CoreHelp } "},
        {"states not looked at", kCoreUpgrade, L"", L"1.5", L"", 0x4, {}, false, L"8 { Core CoreDocs CoreHelp } "},
        {"states not looked at, old core in range", kCoreUpgrade, L"", L"", L"", 0x4, {}, false,
            L"12 { Core CoreDocs CoreHelp } "},
        {"owner refused", kCoreUpgrade, L"", L"", L"", 0, {}, true, L"none"},
        {"owner refused, no part satisfies", unknownFamily, L"", L"", L"", 0, {}, true, L"none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modeltest::TestAppServices app;
        app.systemInfo.partInfos = {{kOldCoreCode, c.subsetsInstalledInOldCore, kCoreUpgrade, {}}};
        LoadedModel loaded(m_dir, modeltest::ModelIni());
        loaded.model.PopulateZkDependencyInfo();
        loaded.model.m_dependencyRows.clear();
        loaded.model.m_dependencyRows.emplace_back(c.upgradeCode, c.subset, c.versionMin, L"", c.languages,
            c.attributes, L"ExtrasTools", &loaded.Extras(), L"", nullptr);
        if (c.ownerRefused)
            SetUpgradeMode(loaded.Extras(), CPart::UpgradeTable::kSamePackageCode);
        loaded.model.ResolveDependencies();
        EXPECT_EQ(c.groups, Groups(loaded.Feature(L"ExtrasTools")));
    }
}

// Dependencies on other vendors' products, declared in the merged package: each condition is
// evaluated once the rows are resolved; only features to be installed (local, source or
// default) count; the first unsatisfied one ends the check, and only a required one sets the
// flag.
TEST_F(DependencyTest, OtherVendorsProductsOfFeaturesToInstall)
{
    struct Dependency {
        const wchar_t* feature;
        const wchar_t* condition;
        int attributes;
    };
    struct Case {
        const char* name;
        std::vector<Dependency> dependencies;
        int action;  // of every dependent feature
        int result;
        bool requiredUnsatisfied;
    };
    const Case cases[] = {
        {"unsatisfied, feature not installed", {{L"CoreDocs", L"VersionNT < 1", 0}}, INSTALLSTATE_ABSENT, 1, false},
        {"unsatisfied, feature installed", {{L"CoreDocs", L"VersionNT < 1", 0}}, INSTALLSTATE_LOCAL, 0, true},
        {"unsatisfied optional", {{L"CoreDocs", L"VersionNT < 1", 4}}, INSTALLSTATE_SOURCE, 0, false},
        {"satisfied", {{L"CoreDocs", L"VersionNT", 0}, {L"CoreHelp", L"", 0}}, INSTALLSTATE_LOCAL, 1, false},
        {"unknown, then unsatisfied optional", {{L"CoreDocs", L"((", 0}, {L"CoreHelp", L"VersionNT < 1", 4}},
            INSTALLSTATE_DEFAULT, 0, false},
        {"unknown only", {{L"CoreDocs", L"((", 0}, {L"CoreHelp", L"VersionNT", 0}}, INSTALLSTATE_LOCAL, -1, false},
        // (The engine returns the second row of this join first.)
        {"the first unsatisfied ends the check",
            {{L"CoreDocs", L"VersionNT < 1", 0}, {L"CoreHelp", L"VersionNT < 1", 4}}, INSTALLSTATE_LOCAL, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modeltest::CopyModelFiles(m_dir);
        std::vector<std::wstring> statements = {
            L"CREATE TABLE `ZKDependency` (`Feature_` CHAR(38) NOT NULL, `Dependency_` CHAR(72) NOT NULL, "
            L"`Condition` CHAR(255) PRIMARY KEY `Feature_`, `Dependency_`)",
            L"CREATE TABLE `ZK3rdPartyDependency` (`Dependency` CHAR(72) NOT NULL, `SatisfiedCondition` CHAR(255), "
            L"`Attributes` LONG NOT NULL, `Name` CHAR(64), `Info` CHAR(255), `VersionMin` CHAR(20) "
            L"PRIMARY KEY `Dependency`)",
        };
        int n = 0;
        for (const Dependency& d : c.dependencies) {
            const std::wstring key = L"D" + std::to_wstring(++n);
            statements.push_back(L"INSERT INTO `ZKDependency` (`Feature_`, `Dependency_`, `Condition`) VALUES ('"
                + std::wstring(d.feature) + L"', '" + key + L"', '')");
            statements.push_back(L"INSERT INTO `ZK3rdPartyDependency` (`Dependency`, `SatisfiedCondition`, "
                                 L"`Attributes`, `Name`, `Info`, `VersionMin`) VALUES ('"
                + key + L"', '" + d.condition + L"', " + std::to_wstring(d.attributes) + L", 'Name " + key
                + L"', 'Info', '1.0')");
        }
        EditMerged(statements);
        LoadedModel loaded(m_dir, modeltest::ModelIni());
        loaded.model.PopulateZkDependencyInfo();
        loaded.model.m_dependencyRows.clear();
        loaded.model.ResolveDependencies();
        for (const Dependency& d : c.dependencies)
            loaded.Feature(d.feature).m_actionState = c.action;
        bool required = !c.requiredUnsatisfied;
        EXPECT_EQ(c.result, loaded.model.CheckThirdPartyDependencies(required));
        EXPECT_EQ(c.requiredUnsatisfied, required);
    }
}

namespace {

INSTALLSTATE g_dependentFeatureState = INSTALLSTATE_LOCAL;

INSTALLSTATE WINAPI DependentFeatureState(LPCWSTR, LPCWSTR)
{
    return g_dependentFeatureState;
}

}  // namespace

// The installed extras depend on the old core, which the core part replaces, with a record the
// core part does not satisfy. The dependency is broken only while the dependent feature is
// installed locally, and only for a part whose upgrade table allows installing it. A dependent
// product whose family the component cannot tell (E_FAIL) is broken without fixing parts; any
// other failure of the component is the step's failure.
TEST_F(DependencyTest, BrokenDependenciesOfTheReplacedProduct)
{
    const FakeDependency refuses{kCoreUpgrade, L"", L"", L"", L"", L"Extras", L"", 0, 0};
    struct Case {
        const char* name;
        INSTALLSTATE dependentState;
        bool coreRefused;
        HRESULT familyResult;
        const wchar_t* items;  // "<product>:<fixing parts>" per item (none without a record), or the failure
    };
    const Case cases[] = {
        {"installed locally", INSTALLSTATE_LOCAL, false, S_OK, L"A21:"},
        {"run from source", INSTALLSTATE_SOURCE, false, S_OK, L""},
        {"advertised", INSTALLSTATE_ADVERTISED, false, S_OK, L""},
        {"installed as the default", INSTALLSTATE_DEFAULT, false, S_OK, L""},
        {"the core part refused", INSTALLSTATE_LOCAL, true, S_OK, L""},
        {"family not known to the component", INSTALLSTATE_LOCAL, false, E_FAIL, L"A21:"},
        {"other failure of the component", INSTALLSTATE_LOCAL, false, E_UNEXPECTED,
            L"Unexpected error while finding broken dependencies. Result=8000ffff"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modeltest::TestAppServices app;
        // The dependent is the extras' product, which the extras part itself replaces.
        app.systemInfo.partInfos = {
            {kOldCoreCode, {}, kCoreUpgrade, {FakeDependent{1, refuses}}},
            {kExtrasCode, {}, kExtrasUpgrade, {}},
        };
        app.systemInfo.partInfos[1].upgradeCodeResult = c.familyResult;
        LoadedModel loaded(m_dir, modeltest::ModelIni());
        loaded.model.PopulateZkDependencyInfo();
        if (c.coreRefused)
            SetUpgradeMode(loaded.Core(), CPart::UpgradeTable::kSamePackageCode);
        g_dependentFeatureState = c.dependentState;
        MsiApiOverride<decltype(MsiApiTable::MsiQueryFeatureStateW)> seam(
            MsiApi().MsiQueryFeatureStateW, &DependentFeatureState);
        std::wstring items;
        try {
            loaded.model.FindBrokenDependencies();
            if (loaded.model.GetBrokenDependencyCount() != 0) {
                ASSERT_EQ(1u, loaded.model.GetBrokenDependencyCount());
                const CBrokenDependency& broken = loaded.model.GetBrokenDependency(0);
                for (size_t n = 0; n < broken.GetItemCount(); ++n) {
                    SysInfoText code;
                    broken.GetDependency(n)->GetProductCode(code.Out());
                    items += W(code.ToString()).substr(34, 3) + L":";
                    for (size_t m = 0; m < broken.GetPartCount(n); ++m)
                        items += L" " + W(broken.GetPart(n, m)->GetProductName());
                }
            }
        } catch (const ZKSystemInfoFailure& e) {
            items = e.GetDebugMessage();
        }
        EXPECT_EQ(c.items, items);
    }
}
