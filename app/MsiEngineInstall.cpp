#include "MsiEngineInstall.h"

#include "InstallerErrors.h"

CMsiEngineInstall::CMsiEngineInstall(const wchar_t* installerNT, const wchar_t* installer9x,
                                     const wchar_t* commandLine)
    : m_strInstallerNT(installerNT), m_strInstaller9x(installer9x), m_strCommandLine(commandLine),
      m_dwRequiredMS(0), m_dwRequiredLS(0)
{
}

CMsiEngineInstall::~CMsiEngineInstall() {}

LONG CMsiEngineInstall::DeleteRunValue(const wchar_t* name)
{
    HKEY key = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                                KEY_SET_VALUE, &key);
    if (result != ERROR_SUCCESS)
        return result;
    result = RegDeleteValueW(key, name);
    RegCloseKey(key);
    return result;
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
