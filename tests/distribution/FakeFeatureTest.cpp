// Fake features read from a small merged package: the menus of linked distributions (items,
// starting item, what choosing an item does) and the installed state, valid states and reserved
// disk space of other vendors' installers.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Feature.h"
#include "InstallerErrors.h"
#include "LinkedDistribution.h"
#include "MsiDatabase.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "ServiceStandIns.h"
#include "TestSupport.h"

namespace {

using Menu = CFeature::LinkedDistFakeFeature;

class FakeFeatureTest : public ::testing::Test {
protected:
    FakeFeatureTest()
    {
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        m_session = MsiSession::OpenPackage(testsupport::TestDataPath(L"model_fake.msi").c_str());
        m_extra = &m_app.AddLinkedDistribution(L"Extra");
        m_extra2 = &m_app.AddLinkedDistribution(L"Extra2");
        m_app.SetInstallLevel(100);
        m_app.SetDistributionInstallLevel(100);
    }

    // A feature of the package initialised as the feature tree does it, without a part.
    CFeature& Init(const wchar_t* name, int level, int specRequest = INSTALLSTATE_UNKNOWN)
    {
        m_features.emplace_back(new CFeature);
        CFeature& feature = *m_features.back();
        feature.Initialize(
            name, L"", name, L"", 1, level, L"", 0, false, 0, nullptr, m_session.Get(), specRequest, false);
        return feature;
    }

    // A feature of another vendor's installer, set up on its own.
    CFeature& SetUpVendor(const wchar_t* name)
    {
        m_features.emplace_back(new CFeature);
        CFeature& feature = *m_features.back();
        feature.m_name = name;
        feature.m_display = 1;
        feature.m_session = m_session.Get();
        feature.m_fakeKind = CFeature::kThirdParty;
        feature.SetUpOtherVendorFakeFeature();
        return feature;
    }

    // The rows of a query with one text parameter, each row's fields joined by '|'.
    std::vector<std::wstring> Rows(const wchar_t* sql, const wchar_t* parameter, UINT fields)
    {
        MsiSmartPtr<MsiDatabase> database = m_session->GetActiveDatabase();
        MsiSmartPtr<MsiView> view = database->OpenView(L"%s", sql);
        view->ExecuteWith(parameter);
        std::vector<std::wstring> rows;
        while (MsiSmartPtr<MsiRecord> row = view->Fetch()) {
            std::wstring text;
            for (UINT i = 1; i <= fields; ++i)
                text += (i > 1 ? L"|" : L"") + std::wstring(CString(row->GetMfcString(i)).GetString());
            rows.push_back(text);
        }
        return rows;
    }

    testsupport::StandInApplicationServices m_app;
    testsupport::ScopedApplicationServices m_scope{&m_app};
    MsiSmartPtr<MsiSession> m_session;
    CLinkedDistribution* m_extra;
    CLinkedDistribution* m_extra2;
    std::vector<std::unique_ptr<CFeature>> m_features;
};

TEST_F(FakeFeatureTest, LinkedDistributionMenuHoldsItsItemsInMenuOrder)
{
    CFeature& linked = Init(L"Linked", 5);
    EXPECT_EQ(CFeature::kLinkedDist, linked.GetKind());
    EXPECT_EQ(INSTALLSTATE_ABSENT, linked.GetInstalledState());
    Menu& menu = linked.GetLinkedDistFakeFeature();
    EXPECT_EQ(m_extra, menu.GetLinkedDistribution());
    EXPECT_EQ(&linked, menu.GetFakeFeature());
    ASSERT_EQ(2, menu.GetMenuItemCount());
    EXPECT_EQ(std::wstring(L"Install with the extras"), menu.GetMenuItem(0).title.GetString());
    EXPECT_EQ(1, menu.GetMenuItemType(0));
    EXPECT_EQ(5, menu.GetMenuItemLevel(0));
    EXPECT_EQ(std::wstring(L"Leave out"), menu.GetMenuItem(1).title.GetString());
    EXPECT_EQ(0, menu.GetMenuItemType(1));
    EXPECT_EQ(-1, menu.GetMenuItemLevel(1));
    EXPECT_EQ(0, menu.GetSelectedItem());
    EXPECT_EQ(0, menu.GetInstallItem());
    EXPECT_EQ(1, menu.GetLeaveOutItem());
    try {
        menu.GetMenuItemLevel(2);
        FAIL() << "no error";
    } catch (const ValueOutOfRange& e) {
        EXPECT_EQ(std::wstring(L"Index"), e.Argument<1>().GetString());
        EXPECT_EQ(2, e.Argument<2>());
    }

    // The last item that leaves the linked distribution out is the one a removal chooses.
    Menu& low = Init(L"LinkedLow", 1).GetLinkedDistFakeFeature();
    EXPECT_EQ(m_extra2, low.GetLinkedDistribution());
    EXPECT_EQ(3, low.GetMenuItemCount());
    EXPECT_EQ(2, low.GetLeaveOutItem());
}

TEST_F(FakeFeatureTest, MenuStartsFromTheFeatureLevelTheSpecFileAndTheRun)
{
    struct Case {
        const wchar_t* feature;
        int level;
        int specRequest;
        bool maintenance;
        bool noLinking;
        int expected;
    };
    const Case cases[] = {
        {L"Linked", 1000, INSTALLSTATE_UNKNOWN, false, false, 1},  // above the install level
        {L"Linked", 100, INSTALLSTATE_UNKNOWN, false, false, 0},   // at the install level
        {L"Linked", 5, INSTALLSTATE_ABSENT, false, false, 1},      // the spec file removes it
        {L"Linked", 5, INSTALLSTATE_LOCAL, false, false, 0},
        {L"LinkedLow", 1000, INSTALLSTATE_UNKNOWN, false, false, 2},  // the last leave-out item
        {L"LinkedLow", 1, INSTALLSTATE_UNKNOWN, false, true, 1},      // /k: the first leave-out item
        {L"LinkedLow", 1, INSTALLSTATE_UNKNOWN, true, false, 1},      // /tree
        {L"Linked", 5, INSTALLSTATE_UNKNOWN, false, true, 1},
        {L"LinkedEmpty", 1000, INSTALLSTATE_UNKNOWN, false, true, 0},  // no items
    };
    for (const Case& c : cases) {
        m_app.SetTreeStart(c.maintenance);
        m_app.SetLinkingDisabled(c.noLinking);
        Menu& menu = Init(c.feature, c.level, c.specRequest).GetLinkedDistFakeFeature();
        EXPECT_EQ(c.expected, menu.GetDefaultItem())
            << std::wstring(c.feature) << " level " << c.level << " request " << c.specRequest;
    }
}

TEST_F(FakeFeatureTest, ChoosingItemsEnablesTheLinkedDistributionAndMovesTheFeature)
{
    CFeature& linked = Init(L"Linked", 1000);
    Menu& menu = linked.GetLinkedDistFakeFeature();
    m_extra->m_bEnabled = true;
    m_extra->m_bPassLevel = false;

    menu.SelectMenuItem(menu.GetDefaultItem());
    EXPECT_EQ(1, menu.GetSelectedItem());
    EXPECT_FALSE(m_extra->m_bEnabled);
    EXPECT_FALSE(m_extra->m_bPassLevel);
    EXPECT_EQ(INSTALLSTATE_ABSENT, linked.GetActionState());
    EXPECT_EQ(INSTALLSTATE_ABSENT, linked.m_requestedState);
    EXPECT_EQ(1000, linked.GetLevel());

    menu.SelectMenuItem(0);
    EXPECT_EQ(0, menu.GetSelectedItem());
    EXPECT_TRUE(m_extra->m_bEnabled);
    EXPECT_TRUE(m_extra->m_bPassLevel);
    EXPECT_EQ(5, m_extra->m_nLevel);
    EXPECT_EQ(INSTALLSTATE_LOCAL, linked.GetActionState());
    EXPECT_EQ(INSTALLSTATE_LOCAL, linked.m_requestedState);
    EXPECT_EQ(1, linked.GetLevel());

    // Back beyond the install level: the distribution's level / 10 + the run's.
    menu.SelectMenuItem(1);
    EXPECT_FALSE(m_extra->m_bEnabled);
    EXPECT_EQ(INSTALLSTATE_ABSENT, linked.GetActionState());
    EXPECT_EQ(110, linked.GetLevel());

    EXPECT_THROW(menu.SelectMenuItem(2), ValueOutOfRange);
    EXPECT_EQ(1, menu.GetSelectedItem());
}

// At the install level is within it: installing leaves the level as it is, leaving out moves it
// beyond.
TEST_F(FakeFeatureTest, AFeatureAtTheInstallLevelIsWithinIt)
{
    CFeature& linked = Init(L"Linked", 100);
    Menu& menu = linked.GetLinkedDistFakeFeature();
    menu.SelectMenuItem(menu.GetInstallItem());
    EXPECT_EQ(INSTALLSTATE_LOCAL, linked.GetActionState());
    EXPECT_EQ(100, linked.GetLevel());
    menu.SelectMenuItem(menu.GetLeaveOutItem());
    EXPECT_EQ(INSTALLSTATE_ABSENT, linked.GetActionState());
    EXPECT_EQ(110, linked.GetLevel());
}

TEST_F(FakeFeatureTest, MenuWithoutItemsChoosesNothing)
{
    CFeature& empty = Init(L"LinkedEmpty", 1);
    Menu& menu = empty.GetLinkedDistFakeFeature();
    EXPECT_EQ(0, menu.GetMenuItemCount());
    EXPECT_EQ(0, menu.GetDefaultItem());
    m_extra->m_bEnabled = true;
    menu.SelectMenuItem(menu.GetDefaultItem());
    EXPECT_TRUE(m_extra->m_bEnabled);
    EXPECT_EQ(INSTALLSTATE_ABSENT, empty.GetActionState());
    EXPECT_EQ(1, empty.GetLevel());
}

TEST_F(FakeFeatureTest, SelectionKeepsTheMenuInStepWithTheFeature)
{
    // The initial selection starts from the default item; a change of the feature chooses the
    // install or the leave-out item.
    CFeature& linked = Init(L"Linked", 5);
    linked.ApplyInstallLevel(100);
    Menu& menu = linked.GetLinkedDistFakeFeature();
    EXPECT_EQ(0, menu.GetSelectedItem());
    EXPECT_TRUE(m_extra->m_bEnabled);
    EXPECT_EQ(INSTALLSTATE_LOCAL, linked.GetActionState());

    m_app.SetDistributionInstallLevel(50);
    ASSERT_TRUE(linked.TryRequestState(INSTALLSTATE_ABSENT, false, nullptr, nullptr));
    EXPECT_EQ(INSTALLSTATE_ABSENT, linked.GetActionState());
    EXPECT_EQ(1, menu.GetSelectedItem());
    EXPECT_FALSE(m_extra->m_bEnabled);
    EXPECT_EQ(105, linked.GetLevel());
}

TEST_F(FakeFeatureTest, UnknownLinkedDistributionFailsTheFeature)
{
    try {
        Init(L"LinkedUnknown", 1);
        FAIL() << "no error";
    } catch (const LinkDistFakeFeature& e) {
        EXPECT_EQ(11007, e.GetCode());
        EXPECT_NE(std::wstring::npos, std::wstring(e.Argument<1>().GetString()).find(L"Missing"));
    }
}

TEST_F(FakeFeatureTest, FeatureWithoutMenuHasNone)
{
    CFeature& base = Init(L"Base", 1);
    EXPECT_EQ(CFeature::kNoPart, base.GetKind());
    try {
        base.GetLinkedDistFakeFeature();
        FAIL() << "no error";
    } catch (const ObjectNotFound& e) {
        EXPECT_EQ(std::wstring(L"<None>"), e.Argument<2>().GetString());
        EXPECT_EQ(std::wstring(L"<None>"), e.Argument<3>().GetString());
    }
}

TEST_F(FakeFeatureTest, OtherVendorStateComesFromItsConditionsAndCommands)
{
    struct Case {
        const wchar_t* feature;
        int installed;
        int display;
        DWORD validStates;
    };
    const Case cases[] = {
        // Local and source conditions both hold: local, and hidden as installed; every command.
        {L"VendorBoth", INSTALLSTATE_LOCAL, 0, 1u << 3 | 1u << 4 | 1u << 1 | 1u << 2},
        // No condition holds; only a removal command: only absent is valid.
        {L"VendorRemove", INSTALLSTATE_ABSENT, 1, 1u << 2},
        {L"VendorAdvertise", INSTALLSTATE_ADVERTISED, 0, 0},
    };
    for (const Case& c : cases) {
        CFeature& vendor = SetUpVendor(c.feature);
        EXPECT_EQ(c.installed, vendor.GetInstalledState()) << std::wstring(c.feature);
        EXPECT_EQ(c.display, vendor.GetDisplay()) << std::wstring(c.feature);
        EXPECT_EQ(c.validStates, vendor.m_validStates) << std::wstring(c.feature);
    }
}

TEST_F(FakeFeatureTest, OtherVendorCostsAreReservedThroughOneTemporaryComponent)
{
    SetUpVendor(L"VendorBoth");
    SetUpVendor(L"VendorRemove");

    const std::vector<std::wstring> both
        = Rows(L"SELECT Component_ FROM FeatureComponents WHERE Feature_=?", L"VendorBoth", 1);
    ASSERT_EQ(1u, both.size());
    const std::wstring component = both[0];
    EXPECT_EQ(L"ZK3rdPartyInstall", component);
    const std::vector<std::wstring> componentRows
        = Rows(L"SELECT Directory_, Attributes, ComponentId FROM Component WHERE Component=?", component.c_str(), 3);
    ASSERT_EQ(1u, componentRows.size());
    EXPECT_EQ(0u, componentRows[0].find(L"INSTALLDIR|0|{"));
    EXPECT_EQ(std::wstring(L"INSTALLDIR|0|").size() + 38, componentRows[0].size());

    const std::vector<std::wstring> reserved
        = Rows(L"SELECT ReserveKey, ReserveFolder, ReserveLocal, ReserveSource FROM ReserveCost WHERE Component_=?",
            component.c_str(), 4);
    ASSERT_EQ(2u, reserved.size());
    std::set<std::wstring> keys, costs;
    for (const std::wstring& row : reserved) {
        keys.insert(row.substr(0, row.find(L'|')));
        costs.insert(row.substr(row.find(L'|') + 1));
    }
    EXPECT_EQ(2u, keys.size());
    EXPECT_EQ((std::set<std::wstring>{L"INSTALLDIR|4096|512", L"ProgramFilesFolder|2048|0"}), costs);

    // The next installer gets a component and reserve keys of its own.
    const std::vector<std::wstring> remove
        = Rows(L"SELECT Component_ FROM FeatureComponents WHERE Feature_=?", L"VendorRemove", 1);
    ASSERT_EQ(1u, remove.size());
    EXPECT_NE(component, remove[0]);
    const std::vector<std::wstring> removeReserved
        = Rows(L"SELECT ReserveKey, ReserveFolder FROM ReserveCost WHERE Component_=?", remove[0].c_str(), 2);
    ASSERT_EQ(1u, removeReserved.size());
    EXPECT_EQ(0u, keys.count(removeReserved[0].substr(0, removeReserved[0].find(L'|'))));
}

}  // namespace
