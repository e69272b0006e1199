// The feature-information page's texts and marking over the sample model's merged session: RTF
// rows with their property references expanded and escaped, plain rows formatted, and the rows
// shown marked in the temporary DisplayComplete column, null conditions and headers included.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FeatureInfoDialog.h"
#include "MsiDatabase.h"
#include "MsiRecord.h"
#include "MsiView.h"
#include "PartInfo.h"
#include "SampleModelFixture.h"

using namespace modeltest;

namespace {

class FeatureInfoTest : public wizardtest::SampleModelTest {
protected:
    FeatureInfoTest()
    {
        LoadConfig();
        BuildModel();
        m_session = m_config.GetMergedPartInfo()->GetSession();
        m_session->SetProperty(L"PLAIN", L"value");
        m_session->SetProperty(L"BRACES", L"a{b}c\\d");
        m_session->SetProperty(L"INNER", L"PLAIN");
        m_session->SetProperty(L"REFERENCE", L"[PLAIN]");
    }

    MsiDatabase& Database() { return *m_config.GetMergedPartInfo()->GetDatabase(); }
    void Run(const wchar_t* sql) { Database().OpenView(L"%s", sql)->Execute(); }
    // "header=state" of every marked row, sorted.
    std::vector<std::wstring> Marks()
    {
        std::vector<std::wstring> marks;
        MsiSmartPtr<MsiView> view = Database().OpenView(L"%s",
            L"SELECT `Header`, `DisplayComplete` FROM `ZKExtraFeatureInfo` WHERE `DisplayComplete` > 0");
        view->Execute();
        while (MsiSmartPtr<MsiRecord> row = view->Fetch())
            marks.push_back(std::wstring(CString(row->GetMfcString(1)).GetString()) + L"="
                + std::to_wstring(row->GetRawInteger(2)));
        std::sort(marks.begin(), marks.end());
        return marks;
    }

    MsiSmartPtr<MsiSession> m_session;
};

}  // namespace

TEST_F(FeatureInfoTest, PropertyReferencesInRtfAreExpandedAndEscaped)
{
    const struct {
        const wchar_t* text;
        const wchar_t* expanded;
    } cases[] = {
        {L"{\\b [PLAIN]} text", L"{\\b value} text"},
        // A reference that ends the text.
        {L"ends with [PLAIN]", L"ends with value"},
        // The value is escaped for RTF and never expanded again.
        {L"[BRACES] and [PLAIN]", L"a\\{b\\}c\\\\d and value"},
        {L"[REFERENCE] and [PLAIN]", L"[PLAIN] and value"},
        // Nested references count their brackets; an escaped bracket does not.
        {L"x [[INNER]] y", L"x value y"},
        // An unclosed reference leaves the rest untouched.
        {L"[PLAIN] then [open and \\{ more", L"value then [open and \\{ more"},
        {L"no reference", L"no reference"},
    };
    for (const auto& c : cases) {
        CString text = c.text;
        ExpandPropertiesInRtf(text, *m_session);
        EXPECT_EQ(std::wstring(c.expanded), std::wstring(text.GetString())) << std::wstring(c.text).size();
    }
}

TEST_F(FeatureInfoTest, RowTextsAsShown)
{
    const struct {
        int attributes;
        const wchar_t* header;
        const wchar_t* info;
        const wchar_t* shownHeader;
        const wchar_t* shownInfo;
    } cases[] = {
        // Plain rows: formatted as Windows Installer formats, nothing escaped.
        {0, L"About [PLAIN]", L"Text [BRACES]", L"About value", L"Text a{b}c\\d"},
        {1, L"Fatal [PLAIN]", L"", L"Fatal value", L""},
        // RTF rows: only the references change, escaped.
        {4, L"{\\i [PLAIN]}", L"\\par [BRACES]", L"{\\i value}", L"\\par a\\{b\\}c\\\\d"},
        // A value that holds a reference stays as it is.
        {4, L"{\\b [REFERENCE]}", L"[REFERENCE]", L"{\\b [PLAIN]}", L"[PLAIN]"},
    };
    for (const auto& c : cases) {
        ExtraFeatureInfo row;
        row.m_attributes = c.attributes;
        row.m_header = c.header;
        row.m_info = c.info;
        CString header;
        CString info;
        PrepareFeatureInfoTexts(row, *m_session, header, info);
        EXPECT_EQ(std::wstring(c.shownHeader), std::wstring(header.GetString())) << c.attributes;
        EXPECT_EQ(std::wstring(c.shownInfo), std::wstring(info.GetString())) << c.attributes;
    }
}

// Each shown row gets the page's state, found by feature, condition and header; rows whose
// condition is null are found too; other rows stay unmarked.
TEST_F(FeatureInfoTest, ShownRowsAreMarkedWithThePageState)
{
    Run(L"ALTER TABLE `ZKExtraFeatureInfo` ADD `DisplayComplete` SHORT TEMPORARY HOLD");
    auto row = [&](const wchar_t* feature, const wchar_t* condition, const wchar_t* header) {
        ExtraFeatureInfo info;
        info.m_condition = condition;
        info.m_header = header;
        return std::make_pair(m_model.FindFeature(feature), info);
    };
    MarkFeatureInfoRowsDisplayed(Database(), 3, {row(L"Core", L"", L"Core note"), row(L"Core", L"1", L"Core second")});
    EXPECT_EQ((std::vector<std::wstring>{L"Core note=3", L"Core second=3"}), Marks());
    MarkFeatureInfoRowsDisplayed(Database(), 7,
        {row(L"CoreDocs", L"&CoreDocs=3", L"Docs local"), row(L"Extras", L"", L"Fatal first"),
            // Not a row of the table (a dependency's entry): marks nothing.
            row(L"Core", L"", L"Not in the table")});
    EXPECT_EQ((std::vector<std::wstring>{L"Core note=3", L"Core second=3", L"Docs local=7", L"Fatal first=7"}),
        Marks());
}
