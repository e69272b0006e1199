// The configured and command-line properties, and the list of parts an install run processes
// with the baseline providers it needs and what each part's installation passes.
#include "Distribution.h"

#include <msi.h>

#include "ApplicationServices.h"
#include "ConfigInfo.h"
#include "FileVersion.h"
#include "InstallerErrors.h"
#include "KolBaselinePartInfo.h"
#include "MessageBox.h"
#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "Part.h"
#include "PartInfo.h"
#include "PlexaExceptions.h"
#include "TextHelpers.h"
#include "UserInfoDialogInfo.h"
#include "DialogState.h"

namespace {

const char kSource[] = ".\\Distribution.cpp";

// Driver property values are read into a buffer of this many characters and the terminator.
const DWORD kDriverValueLength = 24;

const wchar_t kOldBuilderText[]
    = L"Installation aborted. This distribution was built with an old version of OrbelBuilder, and it is not "
      L"compatible with this version of the OrbelInstaller (missing KOL Baseline Summary table).";

// A driver property's value in the merged session, cut as the engine's fixed buffer cuts it.
CString ReadDriverValue(MsiSession& session, const CString& name)
{
    wchar_t value[kDriverValueLength + 1] = L"";
    DWORD length = kDriverValueLength + 1;
    MsiApi().MsiGetPropertyW(session.GetHandle(), name, value, &length);
    value[kDriverValueLength] = L'\0';
    return value;
}

// `value` parsed as a version lies in [minimum, maximum), a bound of 0 being none; both bounds 0
// or an empty value never match.
bool IsInVersionRange(const CString& value, uint64_t minimum, uint64_t maximum)
{
    if (value.IsEmpty() || (minimum == 0 && maximum == 0))
        return false;
    const uint64_t version = ParseVersionString(value);
    return (minimum == 0 || version >= minimum) && (maximum == 0 || version < maximum);
}

}  // namespace

void CDistribution::ApplyConfiguredProperties()
{
    for (CPart* part : m_parts) {
        const CConfigInfo::PartInfo* record = part->GetPartInfo();
        const CConfigInfo::PartInfo* found = record && m_pConfig ? m_pConfig->FindPartInfo(record->GetName()) : nullptr;
        if (!found)
            continue;
        CPart& target = GetPartByProductCode(part->GetProductCode());
        for (const auto& property : found->GetProperties())
            target.AddProperty(property.first, property.second);
    }
    for (const auto& property : AppServices().GetCommandLineProperties())
        SetProperty(property.first, property.second);
}

bool CDistribution::IsBaselineProviderNeeded(const CConfigInfo::KolBaselinePartInfo& provider, MsiSession& session)
{
    const CString& coreCode = m_pConfig->GetKolCoreUpgradeCode();
    const CString family = provider.GetUpgradeCode().Left(coreCode.GetLength());
    for (size_t n = 0;; ++n) {
        CPart* part = FindPartByUpgradeCode(family, n);
        if (!part)
            break;
        if (part->HasAction())
            return false;
    }
    if (provider.IsHigherVersionInstalled())
        return false;
    const CString primary = ReadDriverValue(session, provider.GetDriverProperty());
    CString secondary;
    if (!provider.GetSecondaryDriverProperty().IsEmpty())
        secondary = ReadDriverValue(session, provider.GetSecondaryDriverProperty());
    if (!provider.GetVersions().IsEmpty() && !primary.IsEmpty()
        && provider.GetVersions().Find(CString(L"v") + primary) >= 0)
        return true;
    if (IsInVersionRange(primary, provider.GetVersionMin(), provider.GetVersionMax()))
        return true;
    return IsInVersionRange(secondary, provider.GetSecondaryVersionMin(), provider.GetSecondaryVersionMax());
}

void CDistribution::SelectBaselineProviders(std::vector<CPart*>& installList)
{
    CPart* core = FindPartByUpgradeCode(m_pConfig->GetKolCoreUpgradeCode(), 0);
    if (!core)
        return;
    MsiSmartPtr<MsiSession> session = GetSession();
    if (m_pConfig->GetKolBaselinePartInfoCount() > 0
        && !session->GetActiveDatabase()->TableExists(L"ZKKolBaselineSummaryProduct")) {
        g_pfnMessageBoxW(nullptr, kOldBuilderText, L"Distribution Error", MB_OK);
        AppServices().CancelLoading();
        throw OperationAborted(kSource, __LINE__, L"CDistribution::PopulateProductInstallInfo", kOldBuilderText);
    }
    if (!core->HasAction())
        return;
    std::vector<CConfigInfo::KolBaselinePartInfo*> needed;
    for (size_t i = 0; i < m_pConfig->GetKolBaselinePartInfoCount(); ++i) {
        CConfigInfo::KolBaselinePartInfo* provider = m_pConfig->GetBaselinePartInfo(i);
        if (IsBaselineProviderNeeded(*provider, *session))
            needed.push_back(provider);
    }
    for (CConfigInfo::KolBaselinePartInfo* provider : needed) {
        ReadPartFromMergedPackage(*provider, true);
        m_parts.back()->ForceInstall();
        installList.push_back(m_parts.back());
    }
}

void CDistribution::PopulateProductInstallInfo(std::vector<CPart*>& installList)
{
    m_partCount = 0;
    for (CPart* part : m_parts) {
        if (part->HasAction())
            installList.push_back(part);
    }
    try {
        SelectBaselineProviders(installList);
    } catch (const SysInfoComError& error) {
        ThrowComFailure(error.GetResult(), __LINE__);
    }
    m_partCount = static_cast<int>(installList.size());

    MsiSmartPtr<MsiSession> session = GetSession();
    MsiSmartPtr<MsiDatabase> database = session->GetActiveDatabase();
    std::map<CString, CString> directories;
    MsiSmartPtr<MsiView> directoryRows = database->OpenView(L"SELECT Directory FROM Directory");
    directoryRows->Execute();
    while (MsiSmartPtr<MsiRecord> row = directoryRows->Fetch()) {
        const CString name = row->GetMfcString(1);
        if (IsAllUppercase(name) && FindGuidSuffix(name) < 0)
            directories.emplace(name, CString(session->GetMfcTargetPath(name)));
    }
    std::map<CString, CString> properties;
    MsiSmartPtr<MsiView> propertyRows = database->OpenView(L"SELECT Property FROM Property");
    propertyRows->Execute();
    while (MsiSmartPtr<MsiRecord> row = propertyRows->Fetch()) {
        const CString name = row->GetMfcString(1);
        if (name.Right(8) == L"INCLUDED" || name.Right(8) == L"DETECTED")
            properties.emplace(name, CString(session->GetMfcProperty(name)));
    }
    CString companyProperty, userProperty;
    GetUserInfoPropertyNames(companyProperty, userProperty);
    for (const CString& name : {companyProperty, userProperty}) {
        if (!name.IsEmpty())
            properties.emplace(name, CString(session->GetMfcProperty(name)));
    }
    for (CPart* part : installList)
        part->PopulateInstallInfo(*session, directories, properties);
}

void CDistribution::GetUserInfoPropertyNames(CString& company, CString& user) const
{
    // The user-information page's record names them; without one, its defaults.
    company = L"COMPANYNAME";
    user = L"USERNAME";
    CConfigInfo::DialogInfo* info = nullptr;
    if (!m_pConfig || !m_pConfig->GetDialogInfo(kUserInfoDialog, info) || !info)
        return;
    if (const auto* userInfo = dynamic_cast<const CConfigInfo::UserInfoDialogInfo*>(info)) {
        company = userInfo->GetCompanyProperty();
        user = userInfo->GetUserProperty();
    }
}
