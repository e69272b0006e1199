#include "LinkedDistribution.h"

#include "ApplicationServices.h"

CLinkedDistribution::CLinkedDistribution()
    : m_minVersion(0), m_maxVersion(0), m_nLevel(kDefaultLevel), m_bPassLevel(false), m_bEnabled(true)
{
}

void CLinkedDistribution::SetSpecFile(const wchar_t* fullPath)
{
    CString copy;
    AppServices().MakeTempCopy(fullPath, copy);
    m_strSpecFileCopy = copy;
}
