#include "DistributionVolume.h"

#include "ApplicationServices.h"
#include "Distribution.h"
#include "DistributionInfo.h"
#include "InstallerErrors.h"
#include "Part.h"
#include "PartInfo.h"
#include "PathHelpers.h"

static const char kSource[] = "Distribution";

DistributionVolume::DistributionVolume(
    unsigned int number, const CDistribution& distribution, const CConfigInfo::DistributionInfo& settings)
    : m_number(number), m_settings(&settings)
{
    if (settings.GetVolumeLabel(static_cast<int>(number), m_label))
        return;
    for (size_t i = 0; i < distribution.GetPartCount(); ++i) {
        const CPart* part = distribution.GetPart(i);
        const CConfigInfo::PartInfo* record = part->GetPartInfo();
        if (record && record->GetVolume() == static_cast<int>(number) && part->GetFirstVolumeLabel(m_label))
            return;
    }
    throw ValueOutOfRange(kSource, __LINE__, L"Volume Number", static_cast<long>(number));
}

void DistributionVolume::ResolvePaths(CString& first, CString& second) const
{
    CString root;
    m_settings->GetDistributionRoot(root, nullptr);
    AddTrailingBackslash(root);
    CString given;
    if (AppServices().GetVolumePath(static_cast<int>(m_number), given)) {
        first = MakeAbsolutePath(root, given);
        second.Empty();
        return;
    }
    first = MakeAbsolutePath(root, CString(L"..\\") + m_label);
    second = root;
}
