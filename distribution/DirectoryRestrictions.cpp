// Target paths and properties of the merged session, and the author's restrictions on the
// folders a directory may be given (table ZKDirectoryRestriction).
#include "Distribution.h"

#include "InstallerErrors.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "PathHelpers.h"

namespace {

const char kSource[] = ".\\Distribution.cpp";

// ZKDirectoryRestriction.Attributes
const int kRestrictSubfolders = 1;  // subfolders count as well
const int kRestrictMustBe = 2;      // the path must be the folder (else must not be)
const int kRestrictExchange = 4;    // the path and the folder change roles

}  // namespace

bool CDistribution::IsPathAllowedByRestriction(const CString& path, const CString& folder, int attributes)
{
    CString inner = path;
    CString outer = folder;
    AddTrailingBackslash(inner);
    AddTrailingBackslash(outer);
    if (attributes & kRestrictExchange)
        std::swap(inner, outer);
    const bool contained = inner.GetLength() >= outer.GetLength()
        && CompareStringOrdinal(inner, outer.GetLength(), outer, outer.GetLength(), TRUE) == CSTR_EQUAL;
    const bool same = contained && inner.GetLength() == outer.GetLength();
    if (attributes & kRestrictMustBe)
        return same || (contained && (attributes & kRestrictSubfolders));
    return !contained || (!(attributes & kRestrictSubfolders) && inner.GetLength() > outer.GetLength());
}

MSICONDITION CDistribution::EvaluateSessionCondition(MsiSession& session, const CString& condition)
{
    MSICONDITION result = MSICONDITION_ERROR;
    try {
        result = session.EvaluateCondition(condition);
    } catch (const MsiInstallerError& error) {
        if (error.GetCode() != ERROR_INVALID_PARAMETER)
            throw;
    }
    if (result == MSICONDITION_ERROR)
        throw BadCondition(kSource, __LINE__, condition);
    return result;
}

bool CDistribution::ValidateDirectory(const wchar_t* directory, const wchar_t* path, CString& text, bool setTargetPath)
{
    bool valid = true;
    MsiSmartPtr<MsiSession> session = GetSession();
    MsiSmartPtr<MsiDatabase> database = session->GetActiveDatabase();
    if (database->TableExists(L"ZKDirectoryRestriction")) {
        // The key goes in as a parameter: a quote in it cannot change the query.
        MsiSmartPtr<MsiView> rows
            = database->OpenView(L"SELECT Attributes, Parameter, Condition, Text FROM ZKDirectoryRestriction "
                                 L"WHERE Directory_=?");
        rows->ExecuteWith(directory);
        while (valid) {
            MsiSmartPtr<MsiRecord> row = rows->Fetch();
            if (!row)
                break;
            const int attributes = row->GetInteger(1);
            const CString condition = row->GetMfcString(3);
            if (EvaluateSessionCondition(*session, condition) == MSICONDITION_FALSE)
                continue;
            MsiSmartPtr<MsiRecord> parameter = MsiRecord::Create(1);
            const CString parameterText = row->GetMfcString(2);
            parameter->SetString(0, parameterText);
            const CString folder = parameter->FormatMfcString(session);
            if (!IsPathAllowedByRestriction(path, folder, attributes)) {
                valid = false;
                text = row->GetMfcString(4);
            }
        }
    }
    if (valid && setTargetPath) {
        try {
            SetTargetPath(directory, path);
        } catch (const MsiInstallerError& error) {
            valid = false;
            MsiSmartPtr<MsiRecord> record = error.GetErrorRecord();
            if (record)
                text = database->FormatMfcErrorRecord(record);
        }
    }
    return valid;
}

bool CDistribution::GetTargetPath(const wchar_t* directory, CString& path)
{
    path = GetSession()->GetMfcTargetPath(directory);
    return !path.IsEmpty();
}

bool CDistribution::GetProperty(const wchar_t* name, CString& value)
{
    value = GetSession()->GetMfcProperty(name);
    return !value.IsEmpty();
}
