// The checks that stop a broken distribution during initialisation: the owners of the parts,
// the folder and path properties after costing, the feature hierarchy and the distribution's
// own launch conditions; and whether a feature is switched off for a distribution built by the
// packaging tool.
#include "Distribution.h"

#include <set>
#include <utility>
#include <vector>


#include "ApplicationServices.h"
#include "Feature.h"
#include "InstallerErrors.h"
#include "MessageBox.h"
#include "MsiDatabase.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "Part.h"
#include "PlatformChecks.h"

namespace {

const char kSource[] = ".\\Distribution.cpp";

// String ids of the folder and path failures and of the message box's caption.
const UINT kInvalidFolderPropertyText = 152;
const UINT kUndefinedPathPropertyText = 155;
const UINT kErrorCaption = 5002;

const wchar_t kOdwDisabledMarker[] = L"ZKODW_DISABLED_THIS_FEATURE";

}  // namespace

void CDistribution::ResolveCoreParts()
{
    CFeature::InvalidateBlockedStates();
    std::vector<CString> conflicts;
    for (CPart* part : m_parts)
        part->ResolvePartProducts(*this, conflicts);
    if (!conflicts.empty())
        throw MultipleCoreParts(kSource, __LINE__, conflicts);
}

void CDistribution::FailSystemFolderValidation(const CString& text)
{
    GetSession()->Message(INSTALLMESSAGE_INFO, L"%s", static_cast<const wchar_t*>(text));
    CString caption;
    caption.LoadString(kErrorCaption);
    g_pfnMessageBoxW(nullptr, text, caption, MB_OK);
    AppServices().CancelLoading();
    throw OperationAborted(kSource, __LINE__, L"ValidateSystemFolderProperties", text);
}

void CDistribution::ValidateZKPathDirAndSysFolderProps()
{
    CString value;
    if (!GetProperty(L"TARGETDIR", value))
        FailSystemFolderValidation(L"TARGETDIR is undefined, the Directory table seems malformed. Aborting...");

    std::vector<const wchar_t*> folders = {L"PersonalFolder", L"ProgramFilesFolder"};
    if (IsWow64()) {
        folders.push_back(L"ProgramFiles64Folder");
        folders.push_back(L"System64Folder");
    }
    for (const wchar_t* folder : folders) {
        GetProperty(folder, value);
        if (GetDriveTypeW(value) == DRIVE_NO_ROOT_DIR) {
            CString text;
            text.FormatMessage(kInvalidFolderPropertyText, folder, static_cast<const wchar_t*>(value));
            FailSystemFolderValidation(text);
        }
    }

    MsiSmartPtr<MsiDatabase> database = GetSession()->GetActiveDatabase();
    if (!database->TableExists(L"ZKPathsRequested") || !database->TableExists(L"ZKPathsDir"))
        return;
    MsiSmartPtr<MsiView> rows = database->OpenView(
        L"SELECT ZKPathsRequested.Property_, ZKPathsDefinition.Attributes FROM ZKPathsRequested, ZKPathsDir, "
        L"ZKPathsDefinition WHERE ZKPathsRequested.Property_=ZKPathsDir.Property_ AND "
        L"ZKPathsRequested.Property_=ZKPathsDefinition.Property");
    rows->Execute();
    while (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
        const CString property = row->GetMfcString(1);
        if (!GetProperty(property, value)) {
            CString text;
            text.FormatMessage(kUndefinedPathPropertyText, static_cast<const wchar_t*>(property));
            FailSystemFolderValidation(text);
        }
    }
}

void CDistribution::ValidateFeatureTree()
{
    MsiSmartPtr<MsiDatabase> database = GetSession()->GetActiveDatabase();
    MsiSmartPtr<MsiView> features = database->OpenView(L"SELECT Feature_Parent, Feature FROM Feature");
    features->Execute();
    // A parent is valid when some row has it as its Feature: one pass collects both, instead of
    // a look-up in the table for every row.
    std::vector<std::pair<CString, CString>> children;
    std::set<CString> names;
    while (MsiSmartPtr<MsiRecord> row = features->Fetch()) {
        const CString name = row->GetMfcString(2);
        names.insert(name);
        const CString parentName = row->GetMfcString(1);
        if (!parentName.IsEmpty())
            children.emplace_back(parentName, name);
    }
    ZKInstallerError::TextList invalid;
    for (const auto& child : children) {
        if (names.count(child.first))
            continue;
        CString line;
        line.Format(L"%d. Feature '%s' has invalid parent '%s'", static_cast<int>(invalid.size() + 1),
            static_cast<const wchar_t*>(child.second), static_cast<const wchar_t*>(child.first));
        invalid.push_back(line);
    }
    if (!invalid.empty())
        throw InvalidFeatureTree(kSource, __LINE__, invalid);
}

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
            throw LaunchConditionFailed(kSource, __LINE__, condition, CString(row->GetMfcString(2)));
    }
}

bool CDistribution::IsFeatureDisabledForBuild(const CFeature& feature)
{
    if (!IsOdwBuiltDistribution())
        return false;
    MsiSmartPtr<MsiSession> session = GetSession();
    MsiSmartPtr<MsiDatabase> database = session->GetActiveDatabase();
    MsiSmartPtr<MsiView> rows = database->OpenView(L"SELECT `Condition` FROM `Condition` WHERE `Feature_`=?");
    rows->ExecuteWith(feature.GetName());
    while (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
        const CString condition = row->GetMfcString(1);
        if (condition.Find(kOdwDisabledMarker) >= 0 && session->EvaluateCondition(condition) == MSICONDITION_TRUE)
            return true;
    }
    return false;
}
