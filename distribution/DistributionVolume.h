// One volume (disk) of the distribution: its number, its label and the two folders where the
// install run looks for it before it prompts for the medium.
#pragma once

#include "CString.h"
#include "ConfigInfo.h"

class CDistribution;

class DistributionVolume {
public:
    // The label is the configured [Volume Labels] entry, else the first media label of the first
    // part on this volume that has one; ValueOutOfRange ("Volume Number") when neither exists.
    DistributionVolume(
        unsigned int number, const CDistribution& distribution, const CConfigInfo::DistributionInfo& settings);

    unsigned int GetNumber() const { return m_number; }
    const CString& GetLabel() const { return m_label; }

    // The folders to try, in order: the command line's /VolumePath<n> folder alone (second
    // empty), else the folder named like the label beside the distribution root and then the
    // root itself; the root is that of the configuration folder. Whether they exist is the caller's question.
    void ResolvePaths(CString& first, CString& second) const;

private:
    unsigned int m_number;
    CString m_label;
    const CConfigInfo::DistributionInfo* m_settings;  // not owned
};
