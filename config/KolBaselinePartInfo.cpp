#include "KolBaselinePartInfo.h"

#include "FileVersion.h"
#include "IniErrorList.h"
#include "MsiApi.h"

CConfigInfo::KolBaselinePartInfo::KolBaselinePartInfo(CConfigInfo& config, const wchar_t* name)
    : PartInfo(config, name), m_versionMin(0), m_versionMax(0), m_secondaryVersionMin(0), m_secondaryVersionMax(0),
      m_highestInstalledVersion(0), m_productVersion(0)
{
}

CConfigInfo::KolBaselinePartInfo::~KolBaselinePartInfo() { }

void CConfigInfo::KolBaselinePartInfo::Load(IniErrorList& errors)
{
    PartInfo::Load(errors);

    const CString& section = GetName();
    CString value;
    m_config.ReadString(section, L"Versions", m_strVersions);
    m_config.ReadString(section, L"DriverProperty", m_strDriverProperty);
    if (m_config.ReadString(section, L"VersionMin", value))
        m_versionMin = ParseVersionString(value);
    if (m_config.ReadString(section, L"VersionMax", value))
        m_versionMax = ParseVersionString(value);
    m_config.ReadString(section, L"SecondaryDriverProperty", m_strSecondaryDriverProperty);
    if (m_config.ReadString(section, L"SecondaryVersionMin", value))
        m_secondaryVersionMin = ParseVersionString(value);
    if (m_config.ReadString(section, L"SecondaryVersionMax", value))
        m_secondaryVersionMax = ParseVersionString(value);

    // The list line reads "Missing Key: [UpgradeCode] <provider>".
    if (!m_config.ReadString(section, L"UpgradeCode", m_strUpgradeCode))
        errors.Add(kIniMissingKey, L"UpgradeCode", section);
    value.Empty();
    if (!m_config.ReadString(section, L"ProductVersion", value))
        errors.Add(kIniMissingKey, L"ProductVersion", section);
    m_productVersion = ParseVersionString(value);

    FindHighestInstalledVersion();
}

void CConfigInfo::KolBaselinePartInfo::FindHighestInstalledVersion()
{
    wchar_t productCode[39] = {};
    for (DWORD index = 0; MsiApi().MsiEnumRelatedProductsW(m_strUpgradeCode, 0, index, productCode) == ERROR_SUCCESS;
         ++index) {
        wchar_t version[255] = {};
        DWORD size = 255;
        if (MsiApi().MsiGetProductInfoW(productCode, INSTALLPROPERTY_VERSIONSTRING, version, &size) != ERROR_SUCCESS)
            continue;
        uint64_t installed = ParseVersionString(version);
        if (installed > m_highestInstalledVersion)
            m_highestInstalledVersion = installed;
    }
}
