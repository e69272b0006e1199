// Installation of the Windows Installer engine and its restart entry under the Run key.
// For now: deleting the restart entry (the start-up's /runkey) and the shape of the engine
// installation, whose Run stops the run with OperationAborted until it is built.
#pragma once

#include <windows.h>

#include "CString.h"

class CMsiEngineInstall {
public:
    CMsiEngineInstall(const wchar_t* installerNT, const wchar_t* installer9x, const wchar_t* commandLine);
    virtual ~CMsiEngineInstall();

    // Deletes the value `name` under HKLM\Software\Microsoft\Windows\CurrentVersion\Run;
    // returns the registry error code (0 on success).
    LONG DeleteRunValue(const wchar_t* name);

    void SetRequiredVersion(DWORD versionMS, DWORD versionLS);
    UINT Run();

protected:
    CString m_strInstallerNT;
    CString m_strInstaller9x;
    CString m_strCommandLine;
    DWORD m_dwRequiredMS;
    DWORD m_dwRequiredLS;
};

class CVelmoMsiEngineInst : public CMsiEngineInstall {
public:
    using CMsiEngineInstall::CMsiEngineInstall;
};
