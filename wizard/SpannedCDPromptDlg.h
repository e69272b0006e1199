// The prompt for a further volume of this distribution: the medium is the one whose volume ID
// file names this distribution's GUID and version and the expected volume number.
#pragma once

#include "ConfigInfo.h"
#include "MediaPromptDlg.h"

class CSpannedCDPromptDlg : public CMediaPromptDlg {
public:
    CSpannedCDPromptDlg();

    // Binds the prompt to volume `volume` of the distribution: the disk prompt of the settings
    // for it, the caption "Insert Source" and `path` as the proposed folder. The settings must
    // outlive the prompt.
    void SetVolume(const CConfigInfo::DistributionInfo& settings, int volume, const CString& path);

    // True when the folder holds the distribution's volume ID file and it names this
    // distribution's GUID (any case), its version and the expected volume. A file that cannot be
    // read does not match; no match sets the error text.
    bool ValidatePath(const CString& folder) override;

    int GetVolume() const { return m_volume; }

private:
    const CConfigInfo::DistributionInfo* m_settings;  // not owned
    int m_volume;
};
