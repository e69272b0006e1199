// Installed products whose dependencies installing a part would break: for one part of the
// distribution, each dependent installed product with the parts of the distribution that would
// fix it by upgrading it as well.
#pragma once

#include <cstddef>
#include <vector>

#include "SystemInfoClient.h"

class CDistribution;
class CPart;

// One dependent installed product and the parts that would replace it.
struct BrokenDependencyItem {
    SysInfoPtr<IZKPartInfo> m_dependent;
    std::vector<CPart*> m_fixingParts;
};

class CBrokenDependency {
public:
    explicit CBrokenDependency(CPart* part) : m_part(part) { }
    virtual ~CBrokenDependency() { }

    // Appends the dependent product with the parts of the distribution whose upgrade table
    // names it (parts of its UpgradeCode, in part order); returns the number of items. The
    // component's E_FAIL while the parts are looked for keeps those found so far; its other
    // failures raise SysInfoComError.
    size_t Populate(IZKPartInfo* dependent, const CDistribution& distribution);

    CPart* GetPart() const { return m_part; }
    size_t GetItemCount() const { return m_items.size(); }
    // The n-th dependent product, with a new reference.
    SysInfoPtr<IZKPartInfo> GetDependency(size_t n) const { return m_items[n].m_dependent; }
    size_t GetPartCount(size_t n) const { return m_items[n].m_fixingParts.size(); }
    CPart* GetPart(size_t n, size_t m) const { return m_items[n].m_fixingParts[m]; }

    // True when a part that fixes item n is being installed or changed.
    bool IsItemFixed(size_t n) const;
    // True when every item has a part that would fix it.
    bool CanBeFixed() const;
    // True when every item has a fixing part that is being installed or changed.
    bool IsFixedBySelection() const;

private:
    CPart* m_part;
    std::vector<BrokenDependencyItem> m_items;
};
