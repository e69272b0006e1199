// The directories and properties a part's installation passes to Windows Installer.
#include "Part.h"

#include "InstallerErrors.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "TextHelpers.h"

void CPart::PopulateInstallInfo(
    MsiSession& session, const std::map<CString, CString>& directories, const std::map<CString, CString>& properties)
{
    if (m_thirdParty) {
        Populate3rdPartyCommands(session);
        return;
    }
    PopulatePackageInstallInfo(session, L"Directory", directories, m_directories);
    PopulatePackageInstallInfo(session, L"Property", properties, m_properties);
}

void CPart::PopulatePackageInstallInfo(MsiSession& session, const wchar_t* kind,
    const std::map<CString, CString>& given, std::map<CString, CString>& target)
{
    for (const auto& entry : given)
        target.emplace(entry.first, entry.second);
    MsiSmartPtr<MsiDatabase> database = session.GetActiveDatabase();
    CString table;
    table.Format(L"ZK%sProduct", kind);
    if (!database->TableExists(table))
        return;
    MsiSmartPtr<MsiView> rows
        = database->OpenView(L"SELECT `%s` FROM `%s`, `ZK%sProduct` WHERE `%s`.`%s`=`ZK%sProduct`.`%s_` AND "
                             L"`ZK%sProduct`.`ProductCode`=?",
            kind, kind, kind, kind, kind, kind, kind, kind);
    rows->ExecuteWith(m_productCode);
    const bool directory = CString(kind) == L"Directory";
    while (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
        const CString name = row->GetMfcString(1);
        if (!ContainsNoLowercase(name))
            continue;
        try {
            const CString value
                = directory ? CString(session.GetMfcTargetPath(name)) : CString(session.GetMfcProperty(name));
            target.emplace(name, value);
        } catch (const MsiInstallerError&) {
            // Not resolvable in the merged session: left out.
        }
    }
}
