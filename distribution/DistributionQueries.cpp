// Small questions about the distribution that parts, pages and the configuration ask.
#include "Distribution.h"

#include "MsiDatabase.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "Part.h"

namespace {

// GetPartOSExclusion's kinds.
const int kNotExcluded = 1;
const int kExcluded32BitProperty = 2;  // ZKPROD32BITOSEXC
const int kExcluded64BitProperty = 3;  // ZKPROD64BITOSEXC

// ZKPathsDefinition.Attributes: the path exists on 64-bit Windows only.
const int kPath64BitOnly = 2;

}  // namespace

int CDistribution::GetPartOSExclusion(const CPart& part)
{
    const CPart* owner = part.GetCorePart();
    if (!owner)
        return kNotExcluded;
    MsiSmartPtr<MsiDatabase> database = GetSession()->GetActiveDatabase();
    MsiSmartPtr<MsiView> rows
        = database->OpenView(L"SELECT `Property_` FROM `ZKPropertyProduct` WHERE `ProductCode`=?");
    rows->ExecuteWith(owner->GetProductCode());
    while (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
        const CString name = row->GetMfcString(1);
        int kind;
        if (name.Find(L"ZKPROD32BITOSEXC") == 0)
            kind = kExcluded32BitProperty;
        else if (name.Find(L"ZKPROD64BITOSEXC") == 0)
            kind = kExcluded64BitProperty;
        else
            continue;
        const CString value = database->GetMfcProperty(name);
        return value.IsEmpty() ? kNotExcluded : kind;
    }
    return kNotExcluded;
}

bool CDistribution::IsPathDefinition64BitOnly(const wchar_t* property) const
{
    MsiSmartPtr<MsiDatabase> database = GetSession()->GetActiveDatabase();
    if (!database->TableExists(L"ZKPathsDefinition"))
        return false;
    MsiSmartPtr<MsiView> rows
        = database->OpenView(L"SELECT `Attributes` FROM `ZKPathsDefinition` WHERE `Property` = ?");
    rows->ExecuteWith(property);
    MsiSmartPtr<MsiRecord> row = rows->Fetch();
    return row && (row->GetInteger(1) & kPath64BitOnly) != 0;
}
