// The record of one baseline provider: a package that other products provide and the
// distribution relies on. It describes the package like any part, plus the versions it must
// have, and finds at load time the highest version installed among the products related to its
// upgrade code.
#pragma once

#include <windows.h>

#include <cstdint>

#include "CString.h"
#include "ConfigInfo.h"
#include "PartInfo.h"

class IniErrorList;

class CConfigInfo::KolBaselinePartInfo : public CConfigInfo::PartInfo {
public:
    KolBaselinePartInfo(CConfigInfo& config, const wchar_t* name);
    ~KolBaselinePartInfo() override;

    // Reads the provider's section (everything a part reads, then the versions) and finds the
    // highest installed version. Bad entries go to `errors`.
    void Load(IniErrorList& errors) override;

    // True when the highest installed version is greater than the product version.
    bool IsHigherVersionInstalled() const { return m_highestInstalledVersion > m_productVersion; }

    const CString& GetVersions() const { return m_strVersions; }
    const CString& GetDriverProperty() const { return m_strDriverProperty; }
    // Versions packed into 64 bits (major in the top 16 bits); 0 when not given.
    uint64_t GetVersionMin() const { return m_versionMin; }
    uint64_t GetVersionMax() const { return m_versionMax; }
    const CString& GetSecondaryDriverProperty() const { return m_strSecondaryDriverProperty; }
    uint64_t GetSecondaryVersionMin() const { return m_secondaryVersionMin; }
    uint64_t GetSecondaryVersionMax() const { return m_secondaryVersionMax; }
    const CString& GetUpgradeCode() const { return m_strUpgradeCode; }
    // 0 when no related product's version could be read.
    uint64_t GetHighestInstalledVersion() const { return m_highestInstalledVersion; }
    uint64_t GetProductVersion() const { return m_productVersion; }

private:
    // The highest VersionString of the products related to the upgrade code.
    void FindHighestInstalledVersion();

    CString m_strVersions;
    CString m_strDriverProperty;
    uint64_t m_versionMin;
    uint64_t m_versionMax;
    CString m_strSecondaryDriverProperty;
    uint64_t m_secondaryVersionMin;
    uint64_t m_secondaryVersionMax;
    CString m_strUpgradeCode;
    uint64_t m_highestInstalledVersion;
    uint64_t m_productVersion;
};
