#include "FeatureSubsets.h"

#include <typeinfo>

#include "Distribution.h"
#include "Feature.h"
#include "InstallerErrors.h"
#include "MsiDatabase.h"
#include "MsiRecord.h"
#include "MsiView.h"
#include "Part.h"

namespace {

const char kSource[] = "FeatureSubsets";

// Lowest effective request that counts as installed (local or source).
const int kInstalledRequest = 3;
const int kAnyRequest = 1;

}  // namespace

bool CFeatureSubsetDependency::IsSatisfied() const
{
    if (m_flags & kSubsetUnrequested) {
        for (const auto& entry : m_features) {
            if (entry.first->GetEffectiveRequest() >= kAnyRequest)
                return false;
        }
        return true;
    }
    if (m_flags & (kSubsetAlternativeState | kSubsetSatisfiedOutside | kSubsetIgnoreState))
        return true;
    for (const auto& entry : m_features) {
        if (entry.first->GetEffectiveRequest() < kInstalledRequest)
            return false;
    }
    return true;
}

bool CFeatureSubsetOr::IsSatisfied() const
{
    for (const CFeatureSubsetDependency& alternative : m_alternatives) {
        if (alternative.IsSatisfied())
            return true;
    }
    return false;
}

bool AreAllSatisfied(const std::list<CFeatureSubsetOr>& groups)
{
    for (const CFeatureSubsetOr& group : groups) {
        if (!group.IsSatisfied())
            return false;
    }
    return true;
}

FeatureSubsetEntry::FeatureSubsetEntry(CPart* part, const CString& subsetName, const CString& featureSubset)
    : m_pendingFeatures(new std::map<CString, DWORD>), m_subsetName(subsetName), m_featureSubset(featureSubset),
      m_part(part)
{
}

size_t FeatureSubsetEntry::AddFeature(const CString& name, DWORD attributes)
{
    if (!m_pendingFeatures)
        return 0;
    m_pendingFeatures->emplace(name, attributes);
    return m_pendingFeatures->size();
}

bool CFeatureSubsetTable::KeyLess::operator()(
    const std::pair<const CPart*, CString>& a, const std::pair<const CPart*, CString>& b) const
{
    const int byPart = a.first->GetProductCode().Compare(b.first->GetProductCode());
    if (byPart != 0)
        return byPart < 0;
    if (a.first != b.first)  // two parts with one ProductCode stay apart
        return a.first < b.first;
    return a.second.Compare(b.second) < 0;
}

FeatureSubsetEntry& CFeatureSubsetTable::Insert(CPart& part, const CString& name, const CString& featureSubset)
{
    const auto key = std::make_pair(static_cast<const CPart*>(&part), name);
    auto found = m_entries.find(key);
    if (found == m_entries.end())
        found = m_entries.emplace(key, FeatureSubsetEntry(&part, name, featureSubset)).first;
    return found->second;
}

void CFeatureSubsetTable::Load(MsiDatabase& database, CDistribution& distribution)
{
    if (!database.TableExists(L"ZKFeatureSubsetProduct") || !database.TableExists(L"ZKFeatureSubsetFeature"))
        return;
    MsiSmartPtr<MsiView> columns = database.OpenView(L"SELECT * FROM %s", L"ZKFeatureSubsetFeature");
    const bool withAttributes = columns->GetColumnNames()->GetFieldCount() == 3;
    MsiSmartPtr<MsiView> rows = database.OpenView(withAttributes
            ? L"SELECT ZKFeatureSubsetProduct.FeatureSubset, ZKFeatureSubsetProduct.SubsetName, "
              L"ZKFeatureSubsetFeature.Feature_, ZKFeatureSubsetProduct.ProductCode, ZKFeatureSubsetFeature.Attributes "
              L"FROM ZKFeatureSubsetProduct, ZKFeatureSubsetFeature WHERE "
              L"ZKFeatureSubsetProduct.FeatureSubset=ZKFeatureSubsetFeature.FeatureSubset_ ORDER BY "
              L"ZKFeatureSubsetProduct.FeatureSubset"
            : L"SELECT ZKFeatureSubsetProduct.FeatureSubset, ZKFeatureSubsetProduct.SubsetName, "
              L"ZKFeatureSubsetFeature.Feature_, ZKFeatureSubsetProduct.ProductCode FROM ZKFeatureSubsetProduct, "
              L"ZKFeatureSubsetFeature WHERE "
              L"ZKFeatureSubsetProduct.FeatureSubset=ZKFeatureSubsetFeature.FeatureSubset_ "
              L"ORDER BY ZKFeatureSubsetProduct.FeatureSubset");
    rows->Execute();
    while (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
        const DWORD attributes = withAttributes ? static_cast<DWORD>(row->GetIntegerOrDefault(5, 0)) : 0;
        const CString productCode = row->GetMfcString(4);
        CPart& part = distribution.GetPartByProductCode(productCode);
        Insert(part, row->GetMfcString(2), row->GetMfcString(1)).AddFeature(row->GetMfcString(3), attributes);
    }
}

bool CFeatureSubsetTable::Resolve(CDistribution& distribution, std::vector<SubsetResolveError>& errors)
{
    for (size_t i = 0; i < distribution.GetPartCount(); ++i)
        Insert(*distribution.GetPart(i), CString(), CString());
    bool clean = true;
    for (auto& item : m_entries) {
        FeatureSubsetEntry& entry = item.second;
        if (entry.m_pObject)
            continue;
        entry.m_pObject.reset(new FeatureSubsetMap);
        bool entryClean = true;
        if (!entry.m_subsetName.IsEmpty()) {
            for (const auto& pending : *entry.m_pendingFeatures) {
                try {
                    entry.m_pObject->emplace(&distribution.GetFeatureTree().FindFeature(pending.first), pending.second);
                } catch (const ObjectNotFound&) {
                    errors.push_back(SubsetResolveError{entry.m_subsetName, pending.first, entry.m_part});
                    entryClean = false;
                }
            }
        } else {
            for (CFeature* feature : entry.m_part->GetFeatures())
                entry.m_pObject->emplace(feature, 0);
        }
        entry.m_pendingFeatures.reset();
        if (entryClean)
            entry.m_part->AddFeatureSubset(&entry);
        else
            clean = false;
    }
    m_resolved = clean;
    return clean;
}

const FeatureSubsetMap& CFeatureSubsetTable::Find(const CPart& part, const CString& name) const
{
    if (!m_resolved)
        throw UninitializedObject(kSource, __LINE__, typeid(CFeatureSubsetTable), L"this",
            L"Object '%2' of type %1 has not been initialized.");
    auto found = m_entries.find(std::make_pair(&part, name));
    if (found == m_entries.end())
        throw ObjectNotFound(kSource, __LINE__, typeid(FeatureSubsetMap), L"Subset Name", name,
            L"%1 object lookup by %2 failed to find object %3");
    const FeatureSubsetMap* subset = found->second.GetSubset();
    if (!subset)
        throw UninitializedObject(kSource, __LINE__, typeid(FeatureSubsetMap), L"m_pObject",
            L"Resolve must be called before GetSubset is available.");
    return *subset;
}
