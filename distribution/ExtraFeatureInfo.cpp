// The extra information of the features: the ZKExtraFeatureInfo rows of the merged package that
// apply to the user's choice, and the unsatisfied dependencies of newly installed features on
// other vendors' products.
#include "ExtraFeatureInfo.h"

#include <windows.h>

#include <msi.h>

#include <functional>
#include <limits>

#include "ApplicationServices.h"
#include "ConfigInfo.h"
#include "Distribution.h"
#include "Feature.h"
#include "FeatureTree.h"
#include "InstallerErrors.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiView.h"
#include "PartInfo.h"
#include "TextHelpers.h"
#include "VelmoLogStream.h"
#include "resource.h"

namespace {

const wchar_t kExtraInfoTable[] = L"ZKExtraFeatureInfo";
const wchar_t kSelectRows[]
    = L"SELECT `Feature_`, `Condition`, `Attributes`, `Header`, `Info` FROM `ZKExtraFeatureInfo`";
const wchar_t kSelectRowsWithDisplay[]
    = L"SELECT `Feature_`, `Condition`, `Attributes`, `Header`, `Info`, `DisplayComplete` FROM `ZKExtraFeatureInfo`";
enum Column { kFeatureColumn = 1, kConditionColumn, kAttributesColumn, kHeaderColumn, kInfoColumn, kDisplayColumn };

// The page states: the quiet run's check, the page before the feature selection and the one
// after it.
const int kQuietCheck = 0;
const int kFirstPage = 3;

const DWORD kInvalidConditionLevel = kLogDetail | kLogError;

bool IsNewlyInstalled(const CFeature& feature)
{
    return feature.GetActionState() != INSTALLSTATE_ABSENT && feature.GetCurrentState() == INSTALLSTATE_ABSENT;
}

// Counts, logs and keeps one entry that applies.
void CollectEntry(CFeature* feature, const ExtraFeatureInfo& entry, ExtraFeatureInfoMap* entries, int& fatalCount)
{
    const bool fatal = (entry.m_attributes & ExtraFeatureInfo::kAttrFatal) != 0;
    if (fatal)
        ++fatalCount;
    if (entries)
        entries->emplace(feature, entry);
    CString line;
    line.Format(fatal ? L"Fatal Error!! \"%s\" %s" : L"Info/Warning: \"%s\" %s",
        static_cast<const wchar_t*>(entry.m_header), static_cast<const wchar_t*>(entry.m_info));
    AppServices().GetLogStream(kLogInfo, 0) << line << std::endl << GetCurrentTimeText() << L" ---" << std::endl;
}

}  // namespace

FeatureTreeOrder::FeatureTreeOrder(const CFeatureTree& tree)
{
    auto positions = std::make_shared<std::map<const CFeature*, size_t>>();
    for (const CFeature* feature = tree.GetRoot(); feature; feature = feature->GetNextInTree())
        positions->emplace(feature, positions->size());
    m_positions = positions;
}

size_t FeatureTreeOrder::Position(const CFeature* feature) const
{
    const auto found = m_positions->find(feature);
    return found == m_positions->end() ? std::numeric_limits<size_t>::max() : found->second;
}

bool FeatureTreeOrder::operator()(const CFeature* a, const CFeature* b) const
{
    const size_t left = Position(a);
    const size_t right = Position(b);
    if (left != right)
        return left < right;
    return std::less<const CFeature*>()(a, b);
}

int CDistribution::GetExtraFeatureInfo(int page, ExtraFeatureInfoMap* entries)
{
    int fatalCount = 0;
    try {
        MsiSmartPtr<MsiDatabase> database = m_pConfig->GetMergedPartInfo()->GetDatabase();
        if (database->TableExists(kExtraInfoTable)) {
            const bool pageState = page != kQuietCheck;
            MsiSmartPtr<MsiView> rows = database->OpenView(L"%s", pageState ? kSelectRowsWithDisplay : kSelectRows);
            rows->Execute();
            while (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
                if (pageState) {
                    // A row shown on the other page is not shown again; the same page shows it again.
                    const int shownOn = row->GetRawInteger(kDisplayColumn);
                    if (shownOn != static_cast<int>(MSI_NULL_INTEGER) && shownOn != page)
                        continue;
                }
                ExtraFeatureInfo entry;
                entry.m_attributes = row->GetIntegerOrDefault(kAttributesColumn, 0);
                if (page == kFirstPage
                    && (entry.m_attributes & (ExtraFeatureInfo::kAttrFirstPage | ExtraFeatureInfo::kAttrFatal))
                        != ExtraFeatureInfo::kAttrFirstPage)
                    continue;
                const CString featureName(row->GetMfcString(kFeatureColumn));
                CFeature* feature = nullptr;
                try {
                    feature = FindFeature(featureName);
                } catch (const ObjectNotFound&) {
                    continue;
                }
                entry.m_condition = row->GetMfcString(kConditionColumn);
                if (!entry.m_condition.IsEmpty()) {
                    try {
                        if (EvaluateFeatureCondition(entry.m_condition) != MSICONDITION_TRUE)
                            continue;
                    } catch (const MsiInstallerError&) {
                        AppServices().GetLogStream(kInvalidConditionLevel, 0)
                            << L"Invalid condition on ExtraFeatureInfo for feature " << featureName << std::endl;
                        continue;
                    }
                } else if (page != kQuietCheck && page != kFirstPage && !IsNewlyInstalled(*feature)) {
                    continue;
                }
                entry.m_header = row->GetMfcString(kHeaderColumn);
                entry.m_info = row->GetMfcString(kInfoColumn);
                CollectEntry(feature, entry, entries, fatalCount);
            }
        }

        bool requiredUnsatisfied = false;
        if (page != kFirstPage && CheckThirdPartyDependencies(requiredUnsatisfied) == 0) {
            for (const ThirdPartyDependency& dependency : m_thirdPartyDependencies) {
                if (dependency.m_satisfied != 0 || !dependency.m_pFeature || !IsNewlyInstalled(*dependency.m_pFeature))
                    continue;
                const bool optional = (dependency.m_attributes & ThirdPartyDependency::kAttrOptional) != 0;
                CString name = dependency.m_name;
                if (!dependency.m_versionMin.IsEmpty())
                    name.FormatMessage(IDS_DEPENDENCY_NAME_VERSION, static_cast<const wchar_t*>(dependency.m_name),
                        static_cast<const wchar_t*>(dependency.m_versionMin));
                ExtraFeatureInfo entry;
                entry.m_attributes = optional ? 0 : ExtraFeatureInfo::kAttrFatal;
                entry.m_header.FormatMessage(
                    optional ? IDS_DEPENDENCY_OPTIONAL : IDS_DEPENDENCY_REQUIRED, static_cast<const wchar_t*>(name));
                entry.m_info = dependency.m_info;
                CollectEntry(dependency.m_pFeature, entry, entries, fatalCount);
            }
        }
    } catch (const MsiInstallerError&) {
        // The collection ends with what it reached.
    }
    return fatalCount;
}
