// The merged session prepared for questions about conditions, feature states and costs: the
// installed copies of this distribution, the run-state properties and the execute sequence run
// action by action up to InstallValidate, with the model's own hooks.
#include "Distribution.h"

#include <msi.h>

#include "ApplicationServices.h"
#include "ConfigInfo.h"
#include "DistributionInfo.h"
#include "Feature.h"
#include "FileVersion.h"
#include "InstallerErrors.h"
#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "Part.h"
#include "PathHelpers.h"
#include "PlexaExceptions.h"

namespace {

const char kSource[] = ".\\Distribution.cpp";
const int kQuietUiMode = 0;
const int kFeaturePageState = 6;
// The install level the costing runs at, so that every feature is costed.
const int kCostingInstallLevel = 32767;

const wchar_t kVersionMismatch[]
    = L"Unexpected error while accessing the ZKDistributionInfo object. Make sure the versions of ZKSysInfo.dll and "
      L"of OrbelInstaller are compatible.";

// An action of the execute sequence that the costing treats specially.
struct CostingActionRule {
    const wchar_t* action;
    bool run;
    bool stop;
    void (CDistribution::*before)();
    void (CDistribution::*after)();
};

const CostingActionRule kRules[] = {
    {L"LaunchConditions", false, false, &CDistribution::CheckLaunchConditions, nullptr},
    {L"CostInitialize", true, false, &CDistribution::BuildFeatureTree, nullptr},
    {L"CostFinalize", true, false, nullptr, &CDistribution::ReadFeatureValidStates},
    {L"InstallValidate", true, true, nullptr, nullptr},
    {L"WiseStartup", false, false, nullptr, nullptr},
    {L"WiseAltStartup", false, false, nullptr, nullptr},
    {L"WiseSingleFileCheck", false, false, nullptr, nullptr},
    {L"WiseUpgradeCheck", false, false, nullptr, nullptr},
    {L"WiseUpgradeCheckEx", false, false, nullptr, nullptr},
};
const CostingActionRule kOtherAction = {nullptr, true, false, nullptr, nullptr};
const wchar_t* const kSkippedActions[] = {L"RemoveExistingProducts"};

const CostingActionRule& RuleFor(const CString& action)
{
    for (const CostingActionRule& rule : kRules) {
        if (action == rule.action)
            return rule;
    }
    return kOtherAction;
}

bool IsSkipped(const CString& action)
{
    for (const wchar_t* skipped : kSkippedActions) {
        if (action == skipped)
            return true;
    }
    return false;
}

}  // namespace

void CDistribution::DetectInstalledCopies(InstalledCopy& found)
{
    found = InstalledCopy();
    try {
        SysInfoPtr<IZKSystemInfo> systemInfo = GetSystemInfoObject();
        SysInfoPtr<IZKDistributionInfoCollection> distributions;
        CheckSysInfo(systemInfo->GetDistributions(distributions.Out()));
        SysInfoText ownGuid, ownVersion;
        CheckSysInfo(m_distributionInfo->GetGuid(ownGuid.Out()));
        CheckSysInfo(m_distributionInfo->GetVersion(ownVersion.Out()));
        long count = 0;
        CheckSysInfo(distributions->GetCount(&count));
        for (long i = 1; i <= count; ++i) {
            SysInfoPtr<IZKDistributionInfo> item;
            CheckSysInfo(distributions->GetItem(i, item.Out()));
            SysInfoText guid, version, title;
            CheckSysInfo(item->GetGuid(guid.Out()));
            CheckSysInfo(item->GetVersion(version.Out()));
            CheckSysInfo(item->GetTitle(title.Out()));
            const bool sameDistribution = guid.ToString().CompareNoCase(ownGuid.ToString()) == 0;
            if (!found.sameVersion && sameDistribution && version.ToString() == ownVersion.ToString())
                found.sameVersion = true;
            if (sameDistribution
                && (!found.detected
                    || ParseVersionString(version.ToString()) > ParseVersionString(found.installedVersion))) {
                found.detected = true;
                found.installedVersion = version.ToString();
                found.installedTitle = title.ToString();
            }
        }
    } catch (...) {
        throw ZKSystemInfoFailure(kSource, __LINE__, kVersionMismatch);
    }
}

void CDistribution::RunCostingActions()
{
    InstalledCopy installed;
    DetectInstalledCopies(installed);

    if (installed.detected) {
        SetProperty(L"ZKTHISDISTRIBUTIONDETECTED", L"YES");
        SetProperty(L"ZKTHISDISTRIBUTIONINSTALLEDVERSION", installed.installedVersion);
        SetProperty(L"ZKTHISDISTRIBUTIONINSTALLEDTITLE", installed.installedTitle);
    } else {
        SetProperty(L"ZKTHISDISTRIBUTIONDETECTED", L"NO");
    }
    SetProperty(L"ZKTHISDISTRIBUTIONSAMEVERSIONDETECTED", installed.sameVersion ? L"YES" : L"NO");
    if (AppServices().IsTreeStart())
        SetProperty(L"ZKRUNNINGINMAINTENANCEMODE", L"1");
    MsiSmartPtr<MsiSession> session = GetSession();
    session->SetIntegerProperty(L"INSTALLLEVEL", kCostingInstallLevel);
    const CConfigInfo::DistributionInfo& settings = *m_pConfig->GetDistributionInfo();
    session->SetIntegerProperty(L"ZKORBELLANGID", settings.GetUiLanguage());
    SetProperty(L"ZKRUNNINGINMERGED", L"1");
    if (AppServices().GetUiMode() == kQuietUiMode)
        SetProperty(L"ZKRUNNINGINSILENTMODE", L"1");
    GetProperty(L"ZKODWBUILTDIST", m_odwBuiltDistValue);
    SetProperty(L"ZKORBELDISTTITLE", settings.GetTitle());
    CString root = m_pConfig->GetConfigFolder();
    AddTrailingBackslash(root);
    SetProperty(L"ZKORBELDISTROOT", root);

    MsiSmartPtr<MsiView> sequence = session->GetActiveDatabase()->OpenView(
        L"SELECT Action, Condition FROM InstallExecuteSequence ORDER BY Sequence");
    sequence->Execute();
    const bool costLog = AppServices().IsCostLogOnCommandLine();
    while (MsiSmartPtr<MsiRecord> row = sequence->Fetch()) {
        if (IsAborted())
            throw OperationAborted(kSource, __LINE__, L"RunCostingActions", L"Costing aborted.");
        const CString action = row->GetMfcString(1);
        const CString condition = row->GetMfcString(2);
        if (IsSkipped(action)) {
            session->Message(
                INSTALLMESSAGE_INFO, L"Warning!! Action Skipped: %s\r\n", static_cast<const wchar_t*>(action));
            continue;
        }
        CostingActionRule rule = RuleFor(action);
        if (rule.run && action == L"InstallValidate" && AppServices().IsInstallValidateSkipped())
            rule.run = false;
        if (rule.before)
            (this->*rule.before)();
        try {
            const MSICONDITION holds = session->EvaluateCondition(condition);
            if (rule.run && (holds == MSICONDITION_TRUE || holds == MSICONDITION_NONE))
                session->DoAction(action);
        } catch (const MsiInstallerError& error) {
            if (costLog)
                session->Message(INSTALLMESSAGE_INFO, L"Caught Error %d in Action: %s\r\n",
                    static_cast<int>(error.GetCode()), static_cast<const wchar_t*>(action));
        }
        if (rule.after)
            (this->*rule.after)();
        if (rule.stop)
            break;
    }
    session->SetIntegerProperty(L"INSTALLLEVEL", AppServices().GetInstallLevel());
    if (m_installerLog.IsCapturing())
        m_installerLog.Stop();
    else
        MsiApi().MsiEnableLogW(0, nullptr, 0);
}

void CDistribution::ReadFeatureValidStates()
{
    for (CFeature* feature = m_featureTree.GetRoot(); feature; feature = m_featureTree.GetNext(feature))
        feature->ReadValidStates();
}
