// The installation-type page's record ([Installation Types] and one section per type): the
// named choices with their label, text, icon, install level and the levels of the linked
// distributions.
#pragma once

#include <map>
#include <vector>

#include "CString.h"
#include "DialogInfo.h"
#include "LinkedDistribution.h"
#include "ResourceIdOrName.h"

// One choice of the installation-type page.
struct InstallationType {
    // The program's icon groups of the three kinds of type.
    static constexpr UINT kCompleteIcon = 236;
    static constexpr UINT kTypicalIcon = 237;
    static constexpr UINT kCustomIcon = 503;

    CString name;  // the section that describes the type
    CString label;
    CString text;
    ResourceIdOrName icon;
    int level = 0;
    bool custom = false;
    // The install level each linked distribution gets with this type.
    std::map<const CLinkedDistribution*, int> linkedLevels;
};

class CConfigInfo::InstallTypeDialogInfo : public CConfigInfo::DialogInfo {
public:
    InstallTypeDialogInfo(CConfigInfo& config, const wchar_t* pageName) : DialogInfo(config, pageName) { }

    // The base record, then, when the page is shown, the types in the order of their lines in
    // [Installation Types]. A Label or Text the custom module lacks throws ResourceNotFound.
    void Load(IniErrorList& errors) override;

    int GetInstallTypeCount() const { return static_cast<int>(m_types.size()); }
    // ObjectNotFound past the end.
    const InstallationType& GetInstallationType(int index) const;

private:
    void ReadType(IniErrorList& errors, const CString& name);

    std::vector<InstallationType> m_types;
};
