// One feature of the distribution: a row of the merged Feature table, or a fake feature that
// stands for a linked distribution, another vendor's installer or an installed product.
//
// For now the part of a feature that the unattended spec file uses: its name and directory
// property, and setting the directory's path through the merged session.
#pragma once

#include "CString.h"

class MsiSession;

class CFeature {
public:
    CFeature();
    virtual ~CFeature();
    CFeature(const CFeature&) = delete;
    CFeature& operator=(const CFeature&) = delete;

    // The name of the feature's directory property (Feature.Directory_), empty when none.
    const CString& GetDirectory() const { return m_directory; }
    // With a directory property: keeps `path` as the directory's value and sets the directory's
    // target path on the feature's session (MsiInstallerError on failure). Without one the
    // feature is left unchanged.
    void SetDirectoryValue(const wchar_t* path);

    CString m_name;
    CString m_directory;
    CString m_directoryPath;
    MsiSession* m_session;
};
