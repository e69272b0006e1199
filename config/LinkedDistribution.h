// One linked distribution: a distribution on another volume that the full wizard runs as a
// child installer after its own parts. The configuration fills the record from the linked
// section; the distribution model and the wizard read it and set its level and enabled flag.
#pragma once

#include <cstdint>

#include "CString.h"

class CLinkedDistribution {
public:
    // The level passed to the child installer unless an installation type names another.
    static constexpr int kDefaultLevel = 10;

    CLinkedDistribution();
    CLinkedDistribution(const CLinkedDistribution&) = default;
    CLinkedDistribution& operator=(const CLinkedDistribution&) = default;
    virtual ~CLinkedDistribution() { }

    // Keeps a temporary copy of the spec file (deleted at exit) and its path;
    // TempCopyCreationFailed when the copy cannot be made.
    void SetSpecFile(const wchar_t* fullPath);

    CString m_strTitle;
    CString m_strGuid;
    CString m_strCdPrompt;
    CString m_strIdFile;
    uint64_t m_minVersion;
    uint64_t m_maxVersion;
    int m_nLevel;
    bool m_bPassLevel;
    bool m_bEnabled;
    // The volume folder beside the configuration folder ("..\Disk2"); empty when none is named.
    CString m_strVolumeFolder;
    // The temporary copy of the spec file; empty without one.
    CString m_strSpecFileCopy;
};
