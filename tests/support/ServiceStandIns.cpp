#include "ServiceStandIns.h"

#include <msi.h>

#include <algorithm>
#include <stdexcept>

#include "InstallerErrors.h"

namespace testsupport {

VelmoLogGuard StandInApplicationServices::GetLogStream(DWORD level, DWORD width)
{
    return VelmoLogGuard(m_log, level, width);
}

CString StandInApplicationServices::GetTitle()
{
    return CString(L"Setup");
}

int StandInApplicationServices::GetUiMode() const
{
    return m_uiMode;
}

LANGID StandInApplicationServices::GetRequestedLanguage() const
{
    return m_requestedLanguage;
}

void StandInApplicationServices::SetUiLanguage(LANGID langId)
{
    m_uiLanguages.push_back(langId);
}

void StandInApplicationServices::CreateDialogFont(LANGID langId)
{
    m_dialogFonts.push_back(langId);
}

void StandInApplicationServices::MakeTempCopy(const wchar_t* sourcePath, CString& copyPath)
{
    wchar_t copy[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(m_folder.Path().c_str(), L"cpy", 0, copy) || !CopyFileW(sourcePath, copy, FALSE))
        throw std::runtime_error("the stand-in cannot copy the file");
    m_sources.push_back(sourcePath);
    m_copies.push_back(copy);
    copyPath = copy;
}

bool StandInApplicationServices::CopyIfOnCdRom(const wchar_t* path, CString& pathToUse)
{
    if (m_removable) {
        MakeTempCopy(path, pathToUse);
        return true;
    }
    CString unchanged(path);   // `path` may be pathToUse's own text
    pathToUse = unchanged;
    return false;
}

void StandInApplicationServices::GetFeatureRequest(const wchar_t* feature, int& state, bool& disallowAbsent)
{
    auto found = m_featureRequests.find(feature);
    state = found != m_featureRequests.end() ? found->second : -1;
    disallowAbsent = std::find(m_disallowAbsent.begin(), m_disallowAbsent.end(), feature) != m_disallowAbsent.end();
    if (disallowAbsent)
        state = INSTALLSTATE_LOCAL;
}

bool StandInApplicationServices::GetVolumePath(int volume, CString& path) const
{
    auto found = m_volumePaths.find(volume);
    if (found == m_volumePaths.end())
        return false;
    path = found->second.c_str();
    return true;
}

const CString& StandInDistributionServices::GetCurrentRootPath() const
{
    if (m_root.IsEmpty())
        throw PriorOperationRequired(__FILE__, __LINE__, L"CDistribution::PopulateFromIniFile",
                                     L"CDistribution::GetCurrentRootPath");
    return m_root;
}

ScopedApplicationServices::ScopedApplicationServices(IApplicationServices* services)
    : m_previous(InstallApplicationServices(services))
{
}

ScopedApplicationServices::~ScopedApplicationServices()
{
    InstallApplicationServices(m_previous);
}

ScopedDistributionServices::ScopedDistributionServices(IDistributionServices* services)
    : m_previous(InstallDistributionServices(services))
{
}

ScopedDistributionServices::~ScopedDistributionServices()
{
    InstallDistributionServices(m_previous);
}

}  // namespace testsupport
