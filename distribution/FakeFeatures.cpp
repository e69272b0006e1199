// Fake features with data of their own in the merged package: the menu of a linked
// distribution, and the installed state, valid states and reserved disk space of another
// vendor's installer.
#include "Feature.h"

#include <msi.h>
#include <msiquery.h>

#include <initializer_list>
#include <memory>
#include <sstream>
#include <typeinfo>

#include "ApplicationServices.h"
#include "GuidText.h"
#include "InstallerErrors.h"
#include "LinkedDistribution.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiTableInformation.h"
#include "MsiView.h"

namespace {

const char kSource[] = "FakeFeatures";

// ZKFakeFeature.Type of the fake features read here.
const int kFakeTypeLinkedDist = 2;
const int kFakeTypeThirdParty = 4;

// The base of the keys of the temporary component and of its ReserveCost rows.
const wchar_t kReserveKeyBase[] = L"ZK3rdPartyInstall";

// Columns of the in-memory ReserveCost table made when the package has none.
const MsiColumnDefinition kReserveCostColumns[] = {
    {L"ReserveKey", L"g72", true},
    {L"Component_", L"g72", false},
    {L"ReserveFolder", L"g72", false},
    {L"ReserveLocal", L"j4", false},
    {L"ReserveSource", L"j4", false},
    {nullptr, nullptr, false},
};

bool AllTablesExist(MsiDatabase& database, std::initializer_list<const wchar_t*> tables)
{
    for (const wchar_t* table : tables) {
        if (!database.TableExists(table))
            return false;
    }
    return true;
}

bool IsMaintenanceOrUnlinkedRun()
{
    return AppServices().IsTreeStart() || AppServices().IsLinkingDisabled();
}

}  // namespace

CFeature::LinkedDistFakeFeature::LinkedDistFakeFeature(CFeature& fakeFeature)
    : m_linkedDistribution(nullptr), m_selectedItem(0), m_defaultItem(-1), m_installItem(0), m_leaveOutItem(0),
      m_fakeFeature(&fakeFeature)
{
}

const CFeature::LinkedDistFakeFeature::MenuItem& CFeature::LinkedDistFakeFeature::GetMenuItem(int n) const
{
    if (n < 0 || n >= GetMenuItemCount())
        throw ValueOutOfRange(kSource, __LINE__, L"Index", n);
    return m_items[static_cast<size_t>(n)];
}

int CFeature::LinkedDistFakeFeature::GetDefaultItem() const
{
    if (IsMaintenanceOrUnlinkedRun()) {
        for (int n = 0; n < GetMenuItemCount(); ++n) {
            if (m_items[static_cast<size_t>(n)].type == kTypeLeaveOut)
                return n;
        }
    }
    return m_defaultItem;
}

void CFeature::LinkedDistFakeFeature::SelectMenuItem(int n)
{
    if (m_items.empty())
        return;
    const int level = GetMenuItemLevel(n);
    m_selectedItem = n;
    CFeature& feature = *m_fakeFeature;
    const bool linkedKind = feature.m_fakeKind == kLinkedDist;
    const int appLevel = AppServices().GetInstallLevel();
    if (m_linkedDistribution)
        m_linkedDistribution->m_bEnabled = level != kLevelNotRun;
    if (level != kLevelNotRun) {
        if (m_linkedDistribution) {
            m_linkedDistribution->m_bPassLevel = true;
            m_linkedDistribution->m_nLevel = level;
        }
        if (linkedKind) {
            feature.m_requestedState = INSTALLSTATE_LOCAL;
            feature.m_actionState = INSTALLSTATE_LOCAL;
            // Within the install level, so that the selection keeps it.
            if (feature.m_level > appLevel)
                feature.m_level = 1;
        }
    } else if (linkedKind) {
        feature.m_requestedState = INSTALLSTATE_ABSENT;
        feature.m_actionState = INSTALLSTATE_ABSENT;
        // Beyond the install level, so that the selection leaves it out.
        if (feature.m_level <= appLevel)
            feature.m_level = AppServices().GetDistributionInstallLevel() / 10 + appLevel;
    }
}

bool CFeature::HasLinkedDistMenuTables(MsiDatabase& database)
{
    return AllTablesExist(database, {L"ZKFakeFeature", L"ZKFakeFeatureLinkDist", L"ZKFakeFeatureMenuItem",
                                        L"ZKFakeFeatureMenu", L"ZKFakeFeatureMenuMenuItem"});
}

std::unique_ptr<CFeature::LinkedDistFakeFeature> CFeature::LoadLinkedDistFakeFeature(
    MsiSession& session, const wchar_t* name, CFeature& feature, bool specAbsent)
{
    std::unique_ptr<LinkedDistFakeFeature> menu;
    try {
        MsiSmartPtr<MsiDatabase> database = session.GetActiveDatabase();
        if (!(feature.m_tables ? feature.m_tables->linkedDistMenus : HasLinkedDistMenuTables(*database)))
            return nullptr;
        MsiSmartPtr<MsiView> links = database->OpenView(
            L"SELECT ZKFakeFeatureLinkDist.Menu_, ZKFakeFeatureLinkDist.LinkedDistribution FROM ZKFakeFeature, "
            L"ZKFakeFeatureLinkDist WHERE ZKFakeFeature.Feature_=? AND ZKFakeFeature.Type=%d AND "
            L"ZKFakeFeature.Reference_=ZKFakeFeatureLinkDist.Reference",
            kFakeTypeLinkedDist);
        links->ExecuteWith(name);
        const int appLevel = AppServices().GetInstallLevel();
        while (MsiSmartPtr<MsiRecord> link = links->Fetch()) {
            if (!menu)
                menu.reset(new LinkedDistFakeFeature(feature));
            menu->m_linkedDistribution = &AppServices().FindLinkedDistribution(CString(link->GetMfcString(2)));
            menu->m_installItem = 0;

            // The link row's Menu_ fills the marker.
            MsiSmartPtr<MsiView> items = database->OpenView(
                L"SELECT ZKFakeFeatureMenuItem.Title, ZKFakeFeatureMenuItem.Type, ZKFakeFeatureMenuItem.Level, "
                L"ZKFakeFeatureMenu.DefaultMenuItem_, ZKFakeFeatureMenuItem.MenuItem FROM ZKFakeFeatureMenu, "
                L"ZKFakeFeatureMenuItem, ZKFakeFeatureMenuMenuItem WHERE ZKFakeFeatureMenu.Menu=? AND "
                L"ZKFakeFeatureMenu.Menu=ZKFakeFeatureMenuMenuItem.Menu_ AND "
                L"ZKFakeFeatureMenuMenuItem.MenuItem_=ZKFakeFeatureMenuItem.MenuItem ORDER BY "
                L"`ZKFakeFeatureMenuItem`.`Order`");
            items->Execute(link.Get());
            while (MsiSmartPtr<MsiRecord> item = items->Fetch()) {
                LinkedDistFakeFeature::MenuItem entry;
                entry.title = CString(item->GetMfcString(1));
                entry.type = item->GetInteger(2);
                entry.level = item->GetInteger(3);
                menu->m_items.push_back(entry);
                if (entry.type == LinkedDistFakeFeature::kTypeLeaveOut)
                    menu->m_leaveOutItem = menu->GetMenuItemCount() - 1;
            }
            menu->m_defaultItem
                = feature.m_level > appLevel || specAbsent ? menu->m_leaveOutItem : menu->m_installItem;
        }
    } catch (const MsiInstallerError& error) {
        std::wostringstream text;
        text << error;
        throw LinkDistFakeFeature(kSource, __LINE__, CString(text.str().c_str()));
    } catch (const ObjectNotFound& error) {
        throw LinkDistFakeFeature(kSource, __LINE__, CString(error.GetFullText()));
    }
    return menu;
}

void CFeature::SetUpOtherVendorFakeFeature()
{
    MsiSmartPtr<MsiDatabase> database = m_session->GetActiveDatabase();
    if (!AllTablesExist(*database, {L"ZKFakeFeature", L"ZK3rdPartyInstallCostMap", L"ZK3rdPartyInstallCost",
                                       L"ZK3rdPartyInstallFakeFeature"}))
        return;
    MsiSmartPtr<MsiView> costs = database->OpenView(
        L"SELECT ZK3rdPartyInstallCost.Directory_, ZK3rdPartyInstallCost.CostLocal, ZK3rdPartyInstallCost.CostSource, "
        L"ZK3rdPartyInstallFakeFeature.LocalCondition, ZK3rdPartyInstallFakeFeature.SourceCondition, "
        L"ZK3rdPartyInstallFakeFeature.AdvertiseCondition, ZK3rdPartyInstallFakeFeature.LocalCmd, "
        L"ZK3rdPartyInstallFakeFeature.SourceCmd, ZK3rdPartyInstallFakeFeature.AdvertiseCmd, "
        L"ZK3rdPartyInstallFakeFeature.RemoveCmd FROM ZKFakeFeature, ZK3rdPartyInstallCostMap, "
        L"ZK3rdPartyInstallCost, ZK3rdPartyInstallFakeFeature WHERE ZKFakeFeature.Feature_=? AND "
        L"ZKFakeFeature.Reference_=ZK3rdPartyInstallCostMap.Reference_ AND "
        L"ZKFakeFeature.Reference_=ZK3rdPartyInstallFakeFeature.Reference AND ZKFakeFeature.Type=%d AND "
        L"ZK3rdPartyInstallCostMap.InstallCost_=ZK3rdPartyInstallCost.InstallCost",
        kFakeTypeThirdParty);
    costs->ExecuteWith(m_name);

    // Fields of a cost row.
    enum { kDirectory = 1, kCostLocal, kCostSource, kFirstCondition, kFirstCommand = kFirstCondition + 3 };
    // The installed state each condition stands for, and the state each command gives.
    const int conditionStates[] = {INSTALLSTATE_LOCAL, INSTALLSTATE_SOURCE, INSTALLSTATE_ADVERTISED};
    const int commandStates[] = {INSTALLSTATE_LOCAL, INSTALLSTATE_SOURCE, INSTALLSTATE_ADVERTISED, INSTALLSTATE_ABSENT};

    CString componentKey;
    MsiSmartPtr<MsiView> reserve;
    std::unique_ptr<MsiTableInformation> reserveTable;
    while (MsiSmartPtr<MsiRecord> cost = costs->Fetch()) {
        if (!reserve) {
            m_installedState = INSTALLSTATE_ABSENT;
            for (UINT i = 0; i < 3; ++i) {
                if (m_session->EvaluateCondition(CString(cost->GetMfcString(kFirstCondition + i))) == MSICONDITION_TRUE) {
                    m_installedState = conditionStates[i];
                    // An installed product of another vendor is not shown in the tree.
                    m_display = 0;
                    break;
                }
            }
            m_validStates = 0;
            for (UINT i = 0; i < 4; ++i) {
                if (!CString(cost->GetMfcString(kFirstCommand + i)).IsEmpty())
                    m_validStates |= 1u << commandStates[i];
            }

            if (!database->TableExists(L"ReserveCost"))
                database->CreateTable(L"ReserveCost", kReserveCostColumns, true);
            MsiTableInformation componentTable(database, L"Component");
            componentKey = componentTable.MakeUniqueValue(L"Component", kReserveKeyBase);
            MsiHeapString guid;
            CreateGuidString(guid);

            MsiSmartPtr<MsiRecord> component = MsiRecord::Create(4);
            component->SetString(1, componentKey);
            component->SetString(2, MsiText::Get(guid));
            component->SetString(3, CString(cost->GetMfcString(kDirectory)));
            component->SetInteger(4, 0);
            database
                ->OpenView(L"INSERT INTO Component (Component, ComponentId, Directory_, Attributes) "
                           L"VALUES (?, ?, ?, ?) TEMPORARY")
                ->Execute(component.Get());
            MsiSmartPtr<MsiRecord> link = MsiRecord::Create(2);
            link->SetString(1, m_name);
            link->SetString(2, componentKey);
            database->OpenView(L"INSERT INTO FeatureComponents (Feature_, Component_) VALUES (?, ?) TEMPORARY")
                ->Execute(link.Get());

            reserve = database->OpenView(
                L"SELECT ReserveKey, Component_, ReserveFolder, ReserveLocal, ReserveSource FROM ReserveCost");
            reserve->Execute();
            reserveTable.reset(new MsiTableInformation(database, L"ReserveCost"));
        }
        MsiSmartPtr<MsiRecord> row = MsiRecord::Create(5);
        row->SetString(1, reserveTable->MakeUniqueValue(L"ReserveKey", kReserveKeyBase));
        row->SetString(2, componentKey);
        row->SetString(3, CString(cost->GetMfcString(kDirectory)));
        row->SetInteger(4, cost->GetIntegerOrDefault(kCostLocal, 0));
        row->SetInteger(5, cost->GetIntegerOrDefault(kCostSource, 0));
        reserve->Modify(MSIMODIFY_INSERT_TEMPORARY, *row);
    }
}

CFeature::LinkedDistFakeFeature& CFeature::GetLinkedDistFakeFeature() const
{
    if (!m_linkedDistFake)
        throw ObjectNotFound(kSource, __LINE__, typeid(LinkedDistFakeFeature), L"<None>", L"<None>");
    return *m_linkedDistFake;
}
