// A feature's level and display chosen by condition (tables Condition and ZKFeatureDisplay),
// whether its folder may be browsed (ZKDisableDirectoryBrowse), its directory's target path, and
// whether a feature of the same name is installed in a product this part upgrades.
#include "Feature.h"

#include <msi.h>

#include "ApplicationServices.h"
#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "Part.h"
#include "TextHelpers.h"

namespace {

const DWORD kFeatureNameLength = 39;

// The name before its last '.', or the whole name without one.
CString Stem(const CString& name)
{
    const int dot = name.ReverseFind(L'.');
    return dot >= 0 ? name.Left(dot) : name;
}

}  // namespace

FeatureTables::FeatureTables(MsiDatabase& database)
    : condition(database.TableExists(L"Condition")), featureDisplay(database.TableExists(L"ZKFeatureDisplay")),
      disableDirectoryBrowse(database.TableExists(L"ZKDisableDirectoryBrowse")),
      linkedDistMenus(CFeature::HasLinkedDistMenuTables(database))
{
}

bool CFeature::HasTable(MsiDatabase& database, bool FeatureTables::*kept, const wchar_t* table) const
{
    return m_tables ? m_tables.get()->*kept : database.TableExists(table);
}

void CFeature::ApplyConditionRows(
    bool FeatureTables::*kept, const wchar_t* table, const wchar_t* query, int& value, bool stopAtZero)
{
    if (!m_session)
        return;
    MsiSmartPtr<MsiDatabase> database = m_session->GetActiveDatabase();
    if (!HasTable(*database, kept, table))
        return;
    MsiSmartPtr<MsiView> rows = database->OpenView(L"%s", query);
    rows->ExecuteWith(m_name);
    while (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
        const CString condition = row->GetMfcString(1);
        try {
            if (m_session->EvaluateCondition(condition) != MSICONDITION_TRUE)
                continue;
            value = row->GetInteger(2);
            if (stopAtZero && value == 0)
                break;
        } catch (const MsiInstallerError&) {
            AppServices().GetLogStream(kLogInfo, 0)
                << L"ERROR! Feature: " << m_name << L" Condition: " << condition
                << L" The conditional expression has a syntax error in the " << table << L" table"
                << GetCurrentTimeText() << L" ---" << std::endl;
        }
    }
}

void CFeature::EvaluateConditionTable()
{
    ApplyConditionRows(&FeatureTables::condition, L"Condition", L"SELECT Condition, Level FROM Condition WHERE Feature_=?", m_level, true);
}

void CFeature::EvaluateFeatureDisplayTable()
{
    ApplyConditionRows(&FeatureTables::featureDisplay, L"ZKFeatureDisplay",
        L"SELECT Condition, Display FROM ZKFeatureDisplay WHERE Feature_=?", m_display, false);
}

void CFeature::ReadDisableDirectoryBrowse(MsiSession& session, bool& disabled) const
{
    try {
        MsiSmartPtr<MsiDatabase> database = session.GetActiveDatabase();
        if (!HasTable(*database, &FeatureTables::disableDirectoryBrowse, L"ZKDisableDirectoryBrowse"))
            return;
        MsiSmartPtr<MsiView> rows
            = database->OpenView(L"SELECT ZKDisableDirectoryBrowse.Condition FROM ZKDisableDirectoryBrowse WHERE "
                                 L"ZKDisableDirectoryBrowse.Feature_=?");
        rows->ExecuteWith(m_name);
        MsiSmartPtr<MsiRecord> row = rows->Fetch();
        if (row && session.EvaluateCondition(CString(row->GetMfcString(1))) == MSICONDITION_TRUE)
            disabled = true;
    } catch (const MsiInstallerError&) {
        // A condition the engine cannot read leaves the flag as it was.
    }
}

bool CFeature::GetDirectoryValue(CString& path)
{
    if (!m_directory.IsEmpty() && m_session) {
        try {
            m_directoryPath = m_session->GetMfcTargetPath(m_directory);
        } catch (const MsiInstallerError& error) {
            if (error.GetCode() != ERROR_DIRECTORY)
                throw;
            m_directoryPath.Empty();
        }
    } else {
        m_directoryPath.Empty();
    }
    path = m_directoryPath;
    return !path.IsEmpty();
}

int CFeature::IsInstalledInRelatedProduct() const
{
    if (!m_part || !m_part->IsUpgrading())
        return 0;
    if (m_name.Find(L'.') < 0)
        return -1;
    const CString stem = Stem(m_name);
    const CPart::UpgradeTable* upgrades = m_part->GetUpgradeTable();
    for (size_t i = 0; upgrades && i < upgrades->GetExclusiveCount(); ++i) {
        const CString& product = upgrades->GetExclusiveAt(i)->m_productCode;
        wchar_t feature[kFeatureNameLength] = L"";
        wchar_t parent[kFeatureNameLength] = L"";
        for (DWORD index = 0; MsiApi().MsiEnumFeaturesW(product, index, feature, parent) == ERROR_SUCCESS; ++index) {
            if (Stem(feature) != stem)
                continue;
            const INSTALLSTATE state = MsiApi().MsiQueryFeatureStateW(product, feature);
            if (state == INSTALLSTATE_LOCAL)
                return 1;
            if (state == INSTALLSTATE_ABSENT)
                return 0;
        }
    }
    return -1;
}
