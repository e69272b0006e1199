// The feature dependencies of the distribution: read from the merged package and resolved
// against the parts, the features and the feature subsets, with every inconsistency of the
// tables gathered into one numbered report.
#include "Distribution.h"

#include <msi.h>

#include "ApplicationServices.h"
#include "Feature.h"
#include "FeatureSubsets.h"
#include "InstallerErrors.h"
#include "MsiDatabase.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "Part.h"

namespace {

const char kSource[] = ".\\Distribution.cpp";
const DWORD kLogWrap = 80;

// The numbered report of the tables' inconsistencies.
class DependencyReport {
public:
    template <typename... Args> void Add(const wchar_t* format, Args... args)
    {
        CString entry;
        entry.Format(format, ++m_count, args...);
        m_text += entry;
    }
    bool IsEmpty() const { return m_count == 0; }
    const CString& GetText() const { return m_text; }

private:
    int m_count = 0;
    CString m_text;
};

const wchar_t* PartName(const CPart* part)
{
    return part ? static_cast<const wchar_t*>(part->GetProductName()) : L"";
}

const wchar_t* PartCode(const CPart* part)
{
    return part ? static_cast<const wchar_t*>(part->GetProductCode()) : L"<Unknown>";
}

}  // namespace

void CDistribution::PopulateZkDependencyInfo()
{
    MsiSmartPtr<MsiDatabase> database = GetSession()->GetActiveDatabase();
    m_featureSubsets.Load(*database, *this);
    if (!database->TableExists(L"ZKDependency") || !database->TableExists(L"ZKFeatureProduct"))
        return;
    if (database->TableExists(L"ZKPartDependency")) {
        MsiSmartPtr<MsiView> rows = database->OpenView(
            L"SELECT ZKDependency.Feature_, ZKPartDependency.UpgradeCode, ZKPartDependency.ZKFeatureSubset, "
            L"ZKPartDependency.VersionMin, ZKPartDependency.VersionMax, ZKPartDependency.Languages, "
            L"ZKPartDependency.Attributes, ZKFeatureProduct.ProductCode, ZKDependency.Condition FROM ZKDependency, "
            L"ZKPartDependency, ZKFeatureProduct WHERE ZKPartDependency.Dependency=ZKDependency.Dependency_ AND "
            L"ZKDependency.Feature_=ZKFeatureProduct.Feature_ ");
        rows->Execute();
        while (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
            CPart& part = GetPartByProductCode(CString(row->GetMfcString(8)));
            m_dependencyRows.emplace_back(CString(row->GetMfcString(2)), CString(row->GetMfcString(3)),
                CString(row->GetMfcString(4)), CString(row->GetMfcString(5)), CString(row->GetMfcString(6)),
                static_cast<DWORD>(row->GetInteger(7)), CString(row->GetMfcString(1)), &part,
                CString(row->GetMfcString(9)), database.Get());
        }
    }
    if (database->TableExists(L"ZK3rdPartyDependency")) {
        MsiSmartPtr<MsiView> rows = database->OpenView(
            L"SELECT ZKDependency.Feature_, ZK3rdPartyDependency.SatisfiedCondition, ZK3rdPartyDependency.Attributes, "
            L"ZK3rdPartyDependency.Name, ZK3rdPartyDependency.VersionMin, ZK3rdPartyDependency.Info, "
            L"ZKFeatureProduct.ProductCode FROM ZKDependency, ZK3rdPartyDependency, ZKFeatureProduct WHERE "
            L"ZKDependency.Dependency_=ZK3rdPartyDependency.Dependency AND "
            L"ZKDependency.Feature_=ZKFeatureProduct.Feature_ ");
        rows->Execute();
        while (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
            CPart& part = GetPartByProductCode(CString(row->GetMfcString(7)));
            m_thirdPartyDependencies.emplace_back(CString(row->GetMfcString(1)), CString(row->GetMfcString(2)),
                static_cast<DWORD>(row->GetInteger(3)), CString(row->GetMfcString(4)), CString(row->GetMfcString(5)),
                CString(row->GetMfcString(6)), &part, this);
        }
    }
}

void CDistribution::ResolveDependencies()
{
    CFeature::InvalidateBlockedStates();
    DependencyReport report;
    std::vector<SubsetResolveError> subsetErrors;
    m_featureSubsets.Resolve(*this, subsetErrors);
    for (const SubsetResolveError& error : subsetErrors)
        report.Add(L"%i. In product \"%s\" feature \"%s\" is referenced in subset \"%s\"\n    but is not defined in "
                   L"the feature table.\n\n",
            PartName(error.part), static_cast<const wchar_t*>(error.featureName),
            static_cast<const wchar_t*>(error.subsetName));
    if (!report.IsEmpty())
        throw InvalidDependencies(kSource, __LINE__, report.GetText());

    MsiSmartPtr<MsiSession> session = GetSession();
    for (const CZkDependencyRow& row : m_dependencyRows) {
        const MSICONDITION holds = session->EvaluateCondition(row.m_condition);
        if (holds != MSICONDITION_TRUE && holds != MSICONDITION_NONE)
            continue;
        CFeature* feature = nullptr;
        try {
            feature = &m_featureTree.FindFeature(row.m_feature);
        } catch (const ObjectNotFound&) {
            report.Add(L"%i. Feature %s listed in ZKDependency table,\n    but not in Feature table of %s\n(%s)\n\n",
                static_cast<const wchar_t*>(row.m_feature), PartName(row.m_part), PartCode(row.m_part));
            continue;
        }
        const CPart* owner = feature->GetPart();
        if (owner && owner->GetUpgradeTable() && !owner->GetUpgradeTable()->AllowsInstall())
            continue;
        const bool placeholder = feature->IsFakeFeature(CFeature::kPlaceholder);
        bool accepted = false;
        bool subsetMissing = false;
        for (size_t n = 0; !subsetMissing; ++n) {
            CPart* part = FindPartByUpgradeCode(row.m_upgradeCode, n);
            if (!part)
                break;
            if (!row.MatchesPart(*part))
                continue;
            accepted = true;
            DWORD flags = 0;
            CPart::RelatedPartList& related = part->GetRelatedPartList();
            for (size_t i = 0; i < related.GetCount(); ++i) {
                CPart::RelatedPart& product = related.GetAt(i);
                if (!product.IsInDistribution(*this) && row.MatchesRelatedProduct(product, row.m_featureSubset))
                    flags |= kSubsetSatisfiedOutside;
            }
            const FeatureSubsetMap* subset = nullptr;
            try {
                subset = &m_featureSubsets.Find(*part, row.m_featureSubset);
            } catch (const ObjectNotFound&) {
                if (!placeholder)
                    report.Add(L"%i. FeatureSubset %s in %s (%s)\n    requested by %s (%s) but is not defined.\n\n",
                        static_cast<const wchar_t*>(row.m_featureSubset), PartName(part), PartCode(part),
                        PartName(row.m_part), PartCode(row.m_part));
                subsetMissing = true;
                continue;
            }
            if (row.m_attributes & CZkDependencyRow::kAttrRequiredStates)
                flags |= kSubsetIgnoreState;
            feature->AddDependency(*subset, flags);
        }
        if (!accepted && !placeholder) {
            CString languages = L"any language";
            if (!row.m_languages.IsEmpty())
                languages.Format(L"language %sin {%s}",
                    (row.m_attributes & CZkDependencyRow::kAttrLanguagesExclusive) ? L"not " : L"",
                    static_cast<const wchar_t*>(row.m_languages));
            report.Add(L"%i. Product %s (%s) depends on\n    product with upgrade code %s,\n    version %c%s,%s%c, %s\n"
                       L"    which is not in the distibution.\n\n",
                PartName(row.m_part), PartCode(row.m_part), static_cast<const wchar_t*>(row.m_upgradeCode),
                (row.m_attributes & CZkDependencyRow::kAttrMinInclusive) ? L'[' : L'(',
                static_cast<const wchar_t*>(row.m_versionMin), static_cast<const wchar_t*>(row.m_versionMax),
                (row.m_attributes & CZkDependencyRow::kAttrMaxInclusive) ? L']' : L')',
                static_cast<const wchar_t*>(languages));
        }
    }
    if (!report.IsEmpty())
        throw InvalidDependencies(kSource, __LINE__, report.GetText());

    SetInstallLevel(AppServices().GetInstallLevel(), false);
    for (ThirdPartyDependency& dependency : m_thirdPartyDependencies)
        dependency.IsSatisfied(*session);
}

int CDistribution::CheckThirdPartyDependencies(bool& requiredUnsatisfied)
{
    requiredUnsatisfied = false;
    int result = 1;
    for (const ThirdPartyDependency& dependency : m_thirdPartyDependencies) {
        if (result != 1 && result != -1)
            break;
        if (!dependency.m_pFeature || dependency.m_pFeature->GetActionState() < INSTALLSTATE_LOCAL)
            continue;
        if (dependency.m_satisfied == 0) {
            const bool optional = (dependency.m_attributes & ThirdPartyDependency::kAttrOptional) != 0;
            if (!optional)
                requiredUnsatisfied = true;
            AppServices().GetLogStream(optional ? kLogWarning : kLogError, kLogWrap) << (optional
                    ? L"Warning: Unsatisfied Optional Dependency: "
                    : L"Error: Unsatisfied Required Dependency: ") << std::endl << dependency.m_name
                                                                                     << std::endl
                                                                                     << dependency.m_info << std::endl;
            result = 0;
        } else if (dependency.m_satisfied == -1) {
            result = -1;
        }
    }
    return result;
}
