// The distribution's own launch conditions (table ZKDistributionLaunchCondition), checked in
// place of the merged package's LaunchConditions action.
#include "Distribution.h"

#include "InstallerErrors.h"
#include "MsiDatabase.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"

void CDistribution::CheckLaunchConditions()
{
    MsiSmartPtr<MsiSession> session = GetSession();
    MsiSmartPtr<MsiDatabase> database = session->GetActiveDatabase();
    if (!database->TableExists(L"ZKDistributionLaunchCondition"))
        return;
    MsiSmartPtr<MsiView> rows = database->OpenView(L"SELECT Condition, Description FROM ZKDistributionLaunchCondition");
    rows->Execute();
    while (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
        const CString condition = row->GetMfcString(1);
        if (session->EvaluateCondition(condition) == MSICONDITION_FALSE)
            throw LaunchConditionFailed(".\\Distribution.cpp", __LINE__, condition, CString(row->GetMfcString(2)));
    }
}
