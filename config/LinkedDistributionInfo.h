// The linked distributions ([Linked Distributions] and one section each): records of the
// distribution model, keyed by section name, and the properties all of them pass on.
#pragma once

#include <map>
#include <vector>

#include "CString.h"
#include "ConfigInfo.h"
#include "IniReader.h"
#include "LinkedDistribution.h"

class CConfigInfo::LinkedDistributionInfo : public CConfigInfo::InfoBase {
public:
    typedef std::map<CString, CLinkedDistribution, IniKeyLess> LinkedDistributionMap;

    explicit LinkedDistributionInfo(CConfigInfo& config) : InfoBase(config) { }
    ~LinkedDistributionInfo() override;

    // Reads every listed section; a section without Title or GUID is left out. Linked
    // distributions need an administrator: NoAdminPriv otherwise, before anything is read.
    void Load(IniErrorList& errors) override;

    int GetCount() const { return static_cast<int>(m_linked.size()); }
    // The record at `index` in name order; ObjectNotFound past the end.
    CLinkedDistribution& GetLinkedDistribution(int index);
    // The record of exactly that section name; ObjectNotFound when there is none.
    CLinkedDistribution& FindLinkedDistribution(const wchar_t* name);
    const LinkedDistributionMap& GetLinkedDistributions() const { return m_linked; }
    // The Properties values of all linked sections, split at ',', in reading order.
    const IniStringList& GetProperties() const { return m_properties; }

private:
    // Reads one section into `linked`; false (and errors) when it lacks Title or GUID.
    bool ReadLinkedSection(IniErrorList& errors, const CString& name, CLinkedDistribution& linked);

    LinkedDistributionMap m_linked;
    IniStringList m_properties;
};
