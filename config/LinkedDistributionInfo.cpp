#include "LinkedDistributionInfo.h"

#include <typeinfo>

#include "CPath.h"
#include "DistributionInfo.h"
#include "FileVersion.h"
#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "PathHelpers.h"
#include "PlatformChecks.h"

namespace {

const char kSource[] = "LinkedDistributionInfo";
const wchar_t kListSection[] = L"Linked Distributions";
const wchar_t kDefaultIdFile[] = L"zkdist.id";

}  // namespace

CConfigInfo::LinkedDistributionInfo::~LinkedDistributionInfo()
{
    m_properties.clear();
    m_linked.clear();
}

void CConfigInfo::LinkedDistributionInfo::Load(IniErrorList& errors)
{
    IniSectionMap sections;
    m_config.ReadSection(kListSection, sections);
    if (sections.empty())
        return;
    if (!IsAdministrator())
        throw NoAdminPriv(kSource, __LINE__);

    for (const auto& section : sections) {
        CLinkedDistribution linked;
        if (ReadLinkedSection(errors, section.first, linked))
            m_linked.insert(LinkedDistributionMap::value_type(section.first, linked));
    }
}

bool CConfigInfo::LinkedDistributionInfo::ReadLinkedSection(
    IniErrorList& errors, const CString& name, CLinkedDistribution& linked)
{
    // Texts shown to the user are string ids of the custom module when there is one.
    DistributionInfo* distribution = m_config.GetDistributionInfo();
    HMODULE custom = distribution ? distribution->GetCustomResourceModule() : nullptr;

    const bool hasTitle = m_config.ReadString(name, L"Title", linked.m_strTitle, L"", custom);
    if (!hasTitle)
        errors.Add(2, name, L"Title");
    const bool hasGuid = m_config.ReadString(name, L"GUID", linked.m_strGuid);
    if (!hasGuid)
        errors.Add(2, name, L"GUID");
    if (!hasTitle || !hasGuid)
        return false;

    m_config.ReadString(name, L"CDPrompt", linked.m_strCdPrompt, L"", custom);
    m_config.ReadString(name, L"IDFile", linked.m_strIdFile, kDefaultIdFile);

    CString version;
    if (m_config.ReadString(name, L"VersionMin", version))
        linked.m_minVersion = ParseVersionString(version);
    if (m_config.ReadString(name, L"VersionMax", version))
        linked.m_maxVersion = ParseVersionString(version);

    // The volume lies in a folder beside the configuration folder: Disk2 becomes ..\Disk2.
    CString volume;
    if (m_config.ReadString(name, L"VolumeLabel", volume)) {
        RemoveLeadingBackslash(volume);
        RemoveTrailingBackslash(volume);
        linked.m_strVolumeFolder = L"..\\";
        linked.m_strVolumeFolder += volume;
    }

    CString specFile;
    if (m_config.ReadString(name, L"SpecFile", specFile)) {
        CPath path(m_config.GetConfigFolder());
        path.Append(specFile);
        if (FileExists(path))
            linked.SetSpecFile(path);
        else
            errors.Add(4, name, L"SpecFile", specFile);
    }

    CString properties;
    if (m_config.ReadString(name, L"Properties", properties))
        CConfigInfo::SplitString(properties, L',', m_properties);
    return true;
}

CLinkedDistribution& CConfigInfo::LinkedDistributionInfo::GetLinkedDistribution(int index)
{
    if (index < 0 || index >= GetCount()) {
        CString key;
        key.Format(L"%d", index);
        throw ObjectNotFound(kSource, __LINE__, typeid(CLinkedDistribution), L"index", key);
    }
    LinkedDistributionMap::iterator it = m_linked.begin();
    std::advance(it, index);
    return it->second;
}

CLinkedDistribution& CConfigInfo::LinkedDistributionInfo::FindLinkedDistribution(const wchar_t* name)
{
    LinkedDistributionMap::iterator it = m_linked.find(CString(name ? name : L""));
    if (it == m_linked.end())
        throw ObjectNotFound(
            kSource, __LINE__, typeid(CLinkedDistribution), L".ini key", name ? name : L"", L"No %2 matching '%3'");
    return it->second;
}
