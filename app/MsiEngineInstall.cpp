#include "MsiEngineInstall.h"

#include "InstallerErrors.h"
#include "UniqueHandle.h"

CMsiEngineInstall::CMsiEngineInstall(const wchar_t* installerNT, const wchar_t* installer9x,
                                     const wchar_t* commandLine)
    : m_strInstallerNT(installerNT), m_strInstaller9x(installer9x), m_strCommandLine(commandLine),
      m_dwRequiredMS(0), m_dwRequiredLS(0)
{
}

CMsiEngineInstall::~CMsiEngineInstall() {}

LONG CMsiEngineInstall::DeleteRunValue(const wchar_t* name)
{
    OrbelToolbox::UniqueRegKey key;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                                KEY_SET_VALUE, key.AddressOf());
    if (result != ERROR_SUCCESS)
        return result;
    return RegDeleteValueW(key.Get(), name);
}

void CMsiEngineInstall::SetRequiredVersion(DWORD versionMS, DWORD versionLS)
{
    m_dwRequiredMS = versionMS;
    m_dwRequiredLS = versionLS;
}

UINT CMsiEngineInstall::Run()
{
    throw OperationAborted("MsiEngineInstall", __LINE__, L"CMsiEngineInstall::Run", L"%1 is not available yet.");
}
