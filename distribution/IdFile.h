// The volume ID file of a distribution's volume: the INI file that names the distribution (GUID
// and version), the volume's number and the setup program on the volume.
#pragma once

#include <cstdint>

#include "CString.h"

class CIdFile {
public:
    // `exePathRequired`: whether a missing ExePath is an error of the file.
    explicit CIdFile(bool exePathRequired);
    virtual ~CIdFile();

    // Reads the file's [Volume Id] section. Missing keys (an empty value counts as missing; a file
    // that does not exist misses every key) are reported together, in the order ExePath,
    // DistributionGUID, DistributionVersion, Volume, by IniFileErrors; the fields read before
    // keep their values.
    void Read(const wchar_t* path);

    const CString& GetPath() const { return m_path; }
    bool IsExePathRequired() const { return m_exePathRequired; }
    // Relative to the volume's folder (it may begin with a backslash); empty when missing.
    const CString& GetExePath() const { return m_exePath; }
    const CString& GetDistributionGuid() const { return m_distributionGuid; }
    // Four 16-bit numbers, the first one in the highest bits; 0 until read.
    uint64_t GetDistributionVersion() const { return m_distributionVersion; }
    // The leading decimal number of the value; 0 when it has none.
    int GetVolume() const { return m_volume; }

private:
    CString m_path;
    bool m_exePathRequired;
    CString m_exePath;
    CString m_distributionGuid;
    uint64_t m_distributionVersion;
    int m_volume;
};
