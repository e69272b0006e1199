// What a part does in the run, from its features' states and its upgrade relation, and the
// part's feature and feature-subset lists.
#include "Part.h"

#include <msi.h>

#include "ApplicationServices.h"
#include "Distribution.h"
#include "Feature.h"
#include "FeatureSubsets.h"
#include "InstallerErrors.h"
#include "PlatformChecks.h"

namespace {

const char kSource[] = "Part";

// OS-exclusion kinds of the distribution's answer.
const int kExclusionNotAsked = 0;
const int kExclusionOn64Bit = 2;
const int kExclusionOn32Bit = 3;

}  // namespace

void CPart::ComputeAction()
{
    if (m_action == kActionForced)
        return;
    m_action = kActionNone;
    const int upgradeMode = m_upgradeTable ? m_upgradeTable->GetUpgradeMode() : UpgradeTable::kFreshInstall;
    const int versionMode = m_upgradeTable ? m_upgradeTable->GetVersionMode() : UpgradeTable::kNoOtherVersion;
    const int languageMode = m_upgradeTable ? m_upgradeTable->GetLanguageMode() : UpgradeTable::kNoOtherLanguage;
    if (upgradeMode == UpgradeTable::kSamePackageCode || versionMode == UpgradeTable::kHigherVersionExclusive
        || (versionMode == UpgradeTable::kSameVersion && languageMode == UpgradeTable::kOtherLanguageExclusive))
        return;
    const bool reinstall = AppServices().IsReinstallRequested() || upgradeMode == UpgradeTable::kMinorUpgrade;
    for (const CFeature* feature : m_features) {
        if (m_action == kActionInstall)
            break;
        if (feature->GetLevel() == 0)
            continue;
        const int action = feature->GetActionState();
        const bool adds = action == INSTALLSTATE_ADVERTISED || action == INSTALLSTATE_LOCAL
            || action == INSTALLSTATE_SOURCE || action == INSTALLSTATE_DEFAULT;
        if (action != feature->GetCurrentState()) {
            if (adds)
                m_action = kActionInstall;
            else if (action == INSTALLSTATE_ABSENT && m_action == kActionNone
                && !feature->IsFakeFeature(CFeature::kThirdParty))
                m_action = kActionRemoveOnly;
        } else if (reinstall && adds && action != INSTALLSTATE_ADVERTISED) {
            m_action = kActionInstall;
        }
    }
}

bool CPart::IsInstallingOrReinstalling()
{
    ComputeAction();
    return m_action == kActionInstall || m_action == kActionForced;
}

bool CPart::IsRemoving()
{
    ComputeAction();
    return m_action == kActionRemoveOnly;
}

bool CPart::HasAction()
{
    ComputeAction();
    return m_action != kActionNone;
}

bool CPart::IsUpgrading()
{
    if (!IsInstallingOrReinstalling() || !m_upgradeTable)
        return false;
    const int upgradeMode = m_upgradeTable->GetUpgradeMode();
    return upgradeMode != UpgradeTable::kSamePackageCode
        && (m_upgradeTable->GetVersionMode() == UpgradeTable::kLowerVersionExclusive
            || upgradeMode == UpgradeTable::kOdwDevUpgrade);
}

void CPart::AddFeature(CFeature* feature)
{
    m_features.push_back(feature);
    if (m_thirdParty && m_features.size() > 1)
        throw Mult3rdPartyFeatures(kSource, __LINE__, m_productName, m_productCode);
}

bool CPart::HasVisibleFeature() const
{
    for (const CFeature* feature : m_features) {
        if (!feature->IsHidden(false))
            return true;
    }
    return false;
}

bool CPart::HasFeatureSubsetNamed(const wchar_t* name) const
{
    const CString full(name);
    CString stem;
    const int dot = full.ReverseFind(L'.');
    if (dot > 0)
        stem = full.Left(dot);
    for (const FeatureSubsetEntry* subset : m_featureSubsets) {
        if (subset->m_subsetName == full || (dot > 0 && subset->m_subsetName == stem))
            return true;
    }
    return false;
}

bool CPart::IsOSExcluded(int kind)
{
    const bool wow64 = IsWow64();
    if ((kind == kExclusionOn64Bit && !wow64) || (kind == kExclusionOn32Bit && wow64))
        return false;
    if (kind != kExclusionOn64Bit && kind != kExclusionOn32Bit)
        return false;
    if (m_osExclusion == kExclusionNotAsked)
        m_osExclusion = m_distribution->GetPartOSExclusion(*this);
    return m_osExclusion == kind;
}
