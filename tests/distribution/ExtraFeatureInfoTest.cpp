// The extra information of the model's features: which ZKExtraFeatureInfo rows apply on each
// page state, the fatal count, the entries' order and their log lines, and the entries of
// unsatisfied dependencies on other vendors' products.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <iterator>
#include <string>
#include <vector>

#include "ExtraFeatureInfo.h"
#include "Feature.h"
#include "ModelFixture.h"
#include "MsiDatabase.h"
#include "MsiView.h"
#include "PartInfo.h"

namespace modeltest {
namespace {

const int kQuietCheck = 0;
const int kFirstPage = 3;
const int kSecondPage = 7;

// One collected entry as "feature: header".
std::vector<std::wstring> Describe(const ExtraFeatureInfoMap& entries)
{
    std::vector<std::wstring> lines;
    for (const auto& entry : entries)
        lines.push_back(std::wstring(entry.first->GetName().GetString()) + L": " + entry.second.m_header.GetString());
    return lines;
}

bool EndsWith(const std::wstring& line, const std::wstring& end)
{
    return line.size() >= end.size() && line.compare(line.size() - end.size(), end.size(), end) == 0;
}

// The number of the log line (after the log's prefix) that ends with `text`; -1 when none.
int FindLine(const std::vector<std::wstring>& lines, const std::wstring& text)
{
    for (size_t n = 0; n < lines.size(); ++n)
        if (EndsWith(lines[n], L": " + text))
            return static_cast<int>(n);
    return -1;
}

// True when the entry's line is logged, followed by the time line.
bool EntryLogged(const std::vector<std::wstring>& lines, const std::wstring& text)
{
    const int found = FindLine(lines, text);
    return found >= 0 && static_cast<size_t>(found) + 1 < lines.size() && EndsWith(lines[found + 1], L" ---");
}

class ExtraFeatureInfoTest : public ModelTest {
protected:
    void Load()
    {
        m_app.Log().Open(m_dir.File(L"setup.log").c_str(), false);
        Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
        m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        m_model.BuildFeatureTree();
    }
    void SetStates(const wchar_t* feature, int action, int installed)
    {
        CFeature* found = m_model.FindFeature(feature);
        found->m_actionState = action;
        found->m_installedState = installed;
    }
    void Run(const wchar_t* sql) { m_config.GetMergedPartInfo()->GetDatabase()->OpenView(L"%s", sql)->Execute(); }
    std::vector<std::wstring> LogLines()
    {
        m_app.Log().Close();
        std::vector<std::wstring> lines = testsupport::ReadLogFile(m_dir.File(L"setup.log")).lines;
        m_app.Log().Open(m_dir.File(L"setup.log").c_str(), false);
        return lines;
    }
};

}  // namespace

// The rows that apply on each page state, with the fatal count and the entries in tree order;
// the count alone is the same without a container.
TEST_F(ExtraFeatureInfoTest, RowsApplyByPageStateConditionAndNewInstallation)
{
    Load();
    // Extras and the docs are new, Core and Orphan stay installed.
    SetStates(L"Core", INSTALLSTATE_LOCAL, INSTALLSTATE_LOCAL);
    SetStates(L"Orphan", INSTALLSTATE_LOCAL, INSTALLSTATE_LOCAL);
    SetStates(L"Extras", INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT);
    SetStates(L"CoreDocs", INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT);
    const struct {
        int page;
        int docsAction;
        int fatal;
        std::vector<std::wstring> entries;
    } cases[] = {
        // Every row, whatever its first-page bit; a row without condition always applies.
        {kQuietCheck, INSTALLSTATE_LOCAL, 2,
            {L"Orphan: Orphan fatal", L"Core: Core note", L"Core: Core second", L"CoreDocs: Docs local",
                L"Extras: Fatal first"}},
        // First-page rows that are not fatal.
        {kFirstPage, INSTALLSTATE_LOCAL, 0, {L"Core: Core note", L"Core: Core second"}},
        // Rows without condition only for newly installed features.
        {kSecondPage, INSTALLSTATE_LOCAL, 1, {L"Core: Core second", L"CoreDocs: Docs local", L"Extras: Fatal first"}},
        {kSecondPage, INSTALLSTATE_ABSENT, 2, {L"Core: Core second", L"Core: Docs absent", L"Extras: Fatal first"}},
    };
    Run(L"ALTER TABLE `ZKExtraFeatureInfo` ADD `DisplayComplete` SHORT TEMPORARY HOLD");
    for (const auto& c : cases) {
        m_model.FindFeature(L"CoreDocs")->m_actionState = c.docsAction;
        ExtraFeatureInfoMap entries{FeatureTreeOrder(m_model.GetFeatureTree())};
        EXPECT_EQ(c.fatal, m_model.GetExtraFeatureInfo(c.page, &entries)) << c.page;
        EXPECT_EQ(c.entries, Describe(entries)) << c.page;
        EXPECT_EQ(c.fatal, m_model.GetExtraFeatureInfo(c.page, nullptr)) << c.page;
    }
}

// An entry keeps the row's texts exactly, and each applying row is logged with its header and
// information; an invalid condition is logged once and leaves its row out.
TEST_F(ExtraFeatureInfoTest, EntriesKeepTheRowsTextsAndAreLogged)
{
    Load();
    SetStates(L"Core", INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT);
    SetStates(L"CoreDocs", INSTALLSTATE_ABSENT, INSTALLSTATE_ABSENT);
    ExtraFeatureInfoMap entries{FeatureTreeOrder(m_model.GetFeatureTree())};
    m_model.GetExtraFeatureInfo(kQuietCheck, &entries);
    const auto docsAbsent = std::prev(entries.upper_bound(m_model.FindFeature(L"Core")));
    EXPECT_EQ(1, docsAbsent->second.m_attributes);
    EXPECT_EQ(L"&CoreDocs=2", std::wstring(docsAbsent->second.m_condition.GetString()));
    EXPECT_EQ(L"Docs absent", std::wstring(docsAbsent->second.m_header.GetString()));
    EXPECT_EQ(L"Fatal when the docs are left out", std::wstring(docsAbsent->second.m_info.GetString()));

    const std::vector<std::wstring> lines = LogLines();
    EXPECT_LE(0, FindLine(lines, L"Invalid condition on ExtraFeatureInfo for feature CoreDocs"));
    EXPECT_TRUE(EntryLogged(lines, L"Fatal Error!! \"Docs absent\" Fatal when the docs are left out"));
    EXPECT_TRUE(EntryLogged(lines, L"Info/Warning: \"Core note\" First page note"));
    EXPECT_FALSE(EntryLogged(lines, L"Info/Warning: \"Docs local\" Docs are installed locally"));
    // A feature the tree does not know.
    EXPECT_FALSE(EntryLogged(lines, L"Fatal Error!! \"Unknown\" A feature the tree does not know"));
}

// A row shown on one page is not shown on the other one, but again on its own page.
TEST_F(ExtraFeatureInfoTest, RowsShownOnOnePageAreNotShownOnTheOther)
{
    Load();
    SetStates(L"Core", INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT);
    SetStates(L"CoreDocs", INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT);
    SetStates(L"Extras", INSTALLSTATE_ABSENT, INSTALLSTATE_ABSENT);
    SetStates(L"Orphan", INSTALLSTATE_ABSENT, INSTALLSTATE_ABSENT);
    Run(L"ALTER TABLE `ZKExtraFeatureInfo` ADD `DisplayComplete` SHORT TEMPORARY HOLD");
    Run(L"UPDATE `ZKExtraFeatureInfo` SET `DisplayComplete` = 3 WHERE `Header` = 'Core note'");
    Run(L"UPDATE `ZKExtraFeatureInfo` SET `DisplayComplete` = 7 WHERE `Header` = 'Docs local'");
    const struct {
        int page;
        std::vector<std::wstring> entries;
    } cases[] = {
        {kFirstPage, {L"Core: Core note", L"Core: Core second"}},
        {kSecondPage, {L"Core: Core second", L"CoreDocs: Docs local"}},
    };
    for (const auto& c : cases) {
        ExtraFeatureInfoMap entries{FeatureTreeOrder(m_model.GetFeatureTree())};
        m_model.GetExtraFeatureInfo(c.page, &entries);
        EXPECT_EQ(c.entries, Describe(entries)) << c.page;
    }
    Run(L"UPDATE `ZKExtraFeatureInfo` SET `DisplayComplete` = 7 WHERE `Header` = 'Core second'");
    ExtraFeatureInfoMap entries{FeatureTreeOrder(m_model.GetFeatureTree())};
    m_model.GetExtraFeatureInfo(kFirstPage, &entries);
    EXPECT_EQ(std::vector<std::wstring>{L"Core: Core note"}, Describe(entries));
}

// Unsatisfied dependencies of newly installed features on other vendors' products follow the
// feature's rows: an optional one informs, a required one is fatal; none on the first page.
TEST_F(ExtraFeatureInfoTest, UnsatisfiedDependenciesOfNewFeaturesAreAdded)
{
    Load();
    Run(L"CREATE TABLE `ZKDependency` (`Dependency_` CHAR(72) NOT NULL, `Feature_` CHAR(38) NOT NULL "
        L"PRIMARY KEY `Dependency_`, `Feature_`) HOLD");
    Run(L"CREATE TABLE `ZK3rdPartyDependency` (`Dependency` CHAR(72) NOT NULL, `SatisfiedCondition` CHAR(255), "
        L"`Attributes` SHORT, `Name` CHAR(255), `VersionMin` CHAR(72), `Info` CHAR(255) PRIMARY KEY `Dependency`) "
        L"HOLD");
    const wchar_t* const rows[] = {
        L"INSERT INTO `ZKDependency` (`Dependency_`, `Feature_`) VALUES ('Viewer', 'CoreDocs') TEMPORARY",
        L"INSERT INTO `ZKDependency` (`Dependency_`, `Feature_`) VALUES ('Runtime', 'Extras') TEMPORARY",
        L"INSERT INTO `ZKDependency` (`Dependency_`, `Feature_`) VALUES ('Present', 'Extras') TEMPORARY",
        L"INSERT INTO `ZKDependency` (`Dependency_`, `Feature_`) VALUES ('Old', 'Core') TEMPORARY",
        L"INSERT INTO `ZK3rdPartyDependency` (`Dependency`, `SatisfiedCondition`, `Attributes`, `Name`, "
        L"`VersionMin`, `Info`) VALUES ('Viewer', '1 = 0', 4, 'Viewer', '', 'Views the documents') TEMPORARY",
        L"INSERT INTO `ZK3rdPartyDependency` (`Dependency`, `SatisfiedCondition`, `Attributes`, `Name`, "
        L"`VersionMin`, `Info`) VALUES ('Runtime', '1 = 0', 0, 'Runtime', '2.5', 'Runs the tools') TEMPORARY",
        L"INSERT INTO `ZK3rdPartyDependency` (`Dependency`, `SatisfiedCondition`, `Attributes`, `Name`, "
        L"`VersionMin`, `Info`) VALUES ('Present', '1 = 1', 0, 'Present', '', 'Already there') TEMPORARY",
        L"INSERT INTO `ZK3rdPartyDependency` (`Dependency`, `SatisfiedCondition`, `Attributes`, `Name`, "
        L"`VersionMin`, `Info`) VALUES ('Old', '1 = 0', 0, 'Old', '', 'Installed before') TEMPORARY",
    };
    for (const wchar_t* row : rows)
        Run(row);
    m_model.PopulateZkDependencyInfo();
    m_model.ResolveDependencies();
    // The docs and Extras are new, Core stays installed.
    SetStates(L"Core", INSTALLSTATE_LOCAL, INSTALLSTATE_LOCAL);
    SetStates(L"Orphan", INSTALLSTATE_ABSENT, INSTALLSTATE_ABSENT);
    SetStates(L"CoreDocs", INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT);
    SetStates(L"Extras", INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT);
    Run(L"ALTER TABLE `ZKExtraFeatureInfo` ADD `DisplayComplete` SHORT TEMPORARY HOLD");

    ExtraFeatureInfoMap entries{FeatureTreeOrder(m_model.GetFeatureTree())};
    EXPECT_EQ(2, m_model.GetExtraFeatureInfo(kSecondPage, &entries));
    EXPECT_EQ((std::vector<std::wstring>{L"Core: Core second", L"CoreDocs: Docs local",
                  L"CoreDocs: Viewer will enhance this installation", L"Extras: Fatal first",
                  L"Extras: Runtime version 2.5 is required for this installation"}),
        Describe(entries));
    const auto runtime = std::prev(entries.end());
    EXPECT_EQ(1, runtime->second.m_attributes);
    EXPECT_TRUE(runtime->second.m_condition.IsEmpty());
    EXPECT_EQ(L"Runs the tools", std::wstring(runtime->second.m_info.GetString()));
    const auto viewer = std::next(entries.lower_bound(m_model.FindFeature(L"CoreDocs")));
    EXPECT_EQ(0, viewer->second.m_attributes);
    // The quiet run's check: Orphan's and Extras' fatal rows and the required dependency; Core's
    // dependency is not counted, Core being installed already.
    EXPECT_EQ(3, m_model.GetExtraFeatureInfo(kQuietCheck, nullptr));
    const std::vector<std::wstring> lines = LogLines();
    EXPECT_TRUE(EntryLogged(lines, L"Info/Warning: \"Viewer will enhance this installation\" Views the documents"));
    EXPECT_TRUE(
        EntryLogged(lines, L"Fatal Error!! \"Runtime version 2.5 is required for this installation\" Runs the tools"));

    ExtraFeatureInfoMap firstPage{FeatureTreeOrder(m_model.GetFeatureTree())};
    EXPECT_EQ(0, m_model.GetExtraFeatureInfo(kFirstPage, &firstPage));
    EXPECT_EQ((std::vector<std::wstring>{L"Core: Core note", L"Core: Core second"}), Describe(firstPage));
}

}  // namespace modeltest
