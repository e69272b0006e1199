// The application's services for the distribution model: the system-information component and
// the spec file's feature requests.
//
// The component is not loaded by this program yet: asking for its object fails with
// ZKSystemInfoFailure and creating one of its objects answers REGDB_E_CLASSNOTREG.
#include "VelmoInstaller.h"

#include "InstallerErrors.h"

void CVelmoInstallerApp::GetSystemInfo(IUnknown** systemInfo)
{
    *systemInfo = nullptr;
    if (m_pSystemInfo) {
        m_pSystemInfo->AddRef();
        *systemInfo = m_pSystemInfo;
        return;
    }
    throw ZKSystemInfoFailure("VelmoInstaller", __LINE__, L"The ZKSysInfo component is not loaded.");
}

HRESULT CVelmoInstallerApp::CreateSystemInfoObject(REFCLSID, REFIID, void** object)
{
    *object = nullptr;
    return REGDB_E_CLASSNOTREG;
}

void CVelmoInstallerApp::GetFeatureRequest(const wchar_t* feature, int& state, bool& disallowAbsent)
{
    m_specFile.GetFeatureRequest(feature, state, disallowAbsent);
}
