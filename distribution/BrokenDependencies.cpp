// Which installed products a part would break, asked of the system-information component.
#include "BrokenDependencies.h"

#include <msi.h>

#include <new>

#include "Distribution.h"
#include "Feature.h"
#include "InstallerErrors.h"
#include "MsiApi.h"
#include "Part.h"
#include "PlexaExceptions.h"

namespace {

const char kSource[] = ".\\Distribution.cpp";

// True when the part's upgrade table names that installed product (case-sensitive).
bool Replaces(const CPart& part, const CString& productCode)
{
    const CPart::UpgradeTable* table = part.GetUpgradeTable();
    if (!table)
        return false;
    for (size_t i = 0; i < table->GetExclusiveCount(); ++i) {
        if (table->GetExclusiveAt(i)->m_productCode == productCode)
            return true;
    }
    return false;
}

CString Text(HRESULT (STDMETHODCALLTYPE IZKPartInfo::*getter)(BSTR*), IZKPartInfo& object)
{
    SysInfoText text;
    CheckSysInfo((object.*getter)(text.Out()));
    return text.ToString();
}

CString Text(HRESULT (STDMETHODCALLTYPE IZKDependencyRecord::*getter)(BSTR*), IZKDependencyRecord& object)
{
    SysInfoText text;
    CheckSysInfo((object.*getter)(text.Out()));
    return text.ToString();
}

}  // namespace

size_t CBrokenDependency::Populate(IZKPartInfo* dependent, const CDistribution& distribution)
{
    BrokenDependencyItem item;
    dependent->AddRef();
    item.m_dependent = SysInfoPtr<IZKPartInfo>(dependent);
    try {
        const CString upgradeCode = Text(&IZKPartInfo::GetUpgradeCode, *dependent);
        const CString productCode = Text(&IZKPartInfo::GetProductCode, *dependent);
        for (size_t n = 0;; ++n) {
            CPart* candidate = distribution.FindPartByUpgradeCode(upgradeCode, n);
            if (!candidate)
                break;
            if (Replaces(*candidate, productCode))
                item.m_fixingParts.push_back(candidate);
        }
    } catch (const SysInfoComError& error) {
        if (error.GetResult() != E_FAIL)
            throw;
    }
    m_items.push_back(item);
    return m_items.size();
}

bool CBrokenDependency::IsItemFixed(size_t n) const
{
    for (CPart* part : m_items[n].m_fixingParts) {
        if (part->IsInstallingOrReinstalling())
            return true;
    }
    return false;
}

bool CBrokenDependency::CanBeFixed() const
{
    for (const BrokenDependencyItem& item : m_items) {
        if (item.m_fixingParts.empty())
            return false;
    }
    return true;
}

bool CBrokenDependency::IsFixedBySelection() const
{
    for (size_t n = 0; n < m_items.size(); ++n) {
        if (!IsItemFixed(n))
            return false;
    }
    return true;
}

void CDistribution::FindBrokenDependencies()
{
    try {
        SysInfoPtr<IZKSystemInfo> systemInfo = GetSystemInfoObject();
        SysInfoPtr<IZKPartInfoList> installed;
        CheckSysInfo(systemInfo->GetPartInfoList(installed.Out()));
        for (CPart* part : m_parts) {
            const CPart::UpgradeTable* table = part->GetUpgradeTable();
            if (!table || !table->AllowsInstall())
                continue;
            CBrokenDependency broken(part);
            for (size_t entry = 0; entry < table->GetExclusiveCount(); ++entry)
                FindProductDependents(*installed.Get(), table->GetExclusiveAt(entry)->m_productCode, *part, broken);
            if (broken.GetItemCount() == 0)
                continue;
            m_brokenDependencies.push_back(broken);
            CBrokenDependency* stored = &m_brokenDependencies.back();
            for (CFeature* feature : part->GetFeatures())
                feature->AddBrokenDependency(stored);
        }
    } catch (const SysInfoComError& error) {
        ThrowComFailure(
            error.GetResult(), __LINE__, L"Unexpected error while finding broken dependencies. Result=%08x");
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        throw ZKSystemInfoFailure(kSource, __LINE__,
            L"Unexpected error while finding broken dependencies. Make sure the versions of "
            L"ZKSysInfo.dll and of OrbelInstaller are compatible.");
    }
}

void CDistribution::FindProductDependents(
    IZKPartInfoList& installed, const CString& productCode, CPart& part, CBrokenDependency& broken)
{
    long position = 0;
    CheckSysInfo(installed.FindItem(SysInfoText(productCode).Get(), &position));
    if (position == 0)
        return;
    SysInfoPtr<IZKPartInfo> product;
    CheckSysInfo(installed.GetItem(position, product.Out()));
    SysInfoPtr<IZKDependentCollection> dependents;
    CheckSysInfo(product->GetDependents(dependents.Out()));
    long count = 0;
    CheckSysInfo(dependents->GetCount(&count));
    for (long i = 1; i <= count; ++i) {
        SysInfoPtr<IZKPartInfo> dependent;
        CheckSysInfo(dependents->GetDependent(i, dependent.Out()));
        SysInfoPtr<IZKDependencyRecord> record;
        CheckSysInfo(dependents->GetRecord(i, record.Out()));
        long accepts = 0;
        CheckSysInfo(record->Accepts(SysInfoText(part.GetUpgradeCode()).Get(),
            SysInfoText(part.GetProductVersion()).Get(), part.GetLanguage(), &accepts));
        if (accepts && part.HasFeatureSubsetNamed(Text(&IZKDependencyRecord::GetSubsetName, *record.Get())))
            continue;
        const CString dependentCode = Text(&IZKPartInfo::GetProductCode, *dependent.Get());
        const CString feature = Text(&IZKDependencyRecord::GetFeature, *record.Get());
        if (MsiApi().MsiQueryFeatureStateW(dependentCode, feature) == INSTALLSTATE_LOCAL)
            broken.Populate(dependent.Get(), *this);
    }
}

CBrokenDependency& CDistribution::GetBrokenDependency(size_t index)
{
    if (index >= m_brokenDependencies.size())
        throw ValueOutOfRange(kSource, __LINE__, L"BrokenDependency Index", static_cast<long>(index));
    auto it = m_brokenDependencies.begin();
    std::advance(it, index);
    return *it;
}
