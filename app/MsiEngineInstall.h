// Installation of the Windows Installer engine: when msi.dll in the system folder is older than
// the distribution requires, the engine's own installer runs, with a restart entry under the
// Run key that starts this program again after a restart ("/runkey" and the entry's name).
//
// The subclass decides how a failed step is reported and whether Windows restarts now.
#pragma once

#include <windows.h>

#include "CString.h"

class CMsiEngineInstall {
public:
    // Kinds of failed steps passed to ReportError.
    enum ErrorKind {
        kStartFailed = 2,         // the installer process could not be started
        kRunValueNotWritten = 3,  // the restart entry could not be written
        kRestartFailed = 4,       // the restart of Windows failed
        kInstallerFailed = 5,     // the installer ended with an error exit code
        kRunValueNotDeleted = 6,  // the restart entry could not be deleted
    };

    // Null texts are taken as empty.
    CMsiEngineInstall(const wchar_t* installer9x, const wchar_t* installerNT, const wchar_t* arguments);
    virtual ~CMsiEngineInstall();

    // `code` is a Windows error or the installer's exit code; `text` the command line for
    // kStartFailed. The result is not used.
    virtual bool ReportError(int kind, DWORD code, const wchar_t* text = nullptr) = 0;
    // True when Windows is to be restarted now.
    virtual bool AskReboot() = 0;

    // "a.b.c.d" (missing parts 0), or the two halves (major << 16 | minor, build << 16 | revision).
    void SetRequiredVersion(const wchar_t* version);
    void SetRequiredVersion(DWORD versionMS, DWORD versionLS);

    // 0 when the engine is current or its installer succeeded; 3010 when a restart is needed and
    // was declined; 1641 when Windows is restarting; else a Windows error or the installer's exit
    // code. MsiEngineError when the installer may not run here.
    UINT Run();

    // Deletes the value `name` under HKLM\Software\Microsoft\Windows\CurrentVersion\Run;
    // returns the registry error code (0 on success).
    LONG DeleteRunValue(const wchar_t* name);

    // The installer for the running platform family.
    const CString& GetEngineInstallerPath() const;
    // msi.dll's version as two halves, and as text "a.b.c.d".
    bool GetInstalledVersion(DWORD& versionMS, DWORD& versionLS) const;
    bool GetInstalledVersionString(CString& text) const;
    // msi.dll is not 0.0.0.0 and at least the required version.
    bool IsEngineCurrent() const;
    void SetQuiet(bool quiet);
    bool IsQuiet() const { return !m_strExtraSwitches.IsEmpty(); }

    const CString& GetRunValueName() const { return m_strRunValueName; }

protected:
    // False when nothing is to be installed; MsiEngineError when the installer may not run.
    bool NeedsInstall();
    // Writes the restart entry (the first free "ZKInstaller<n>"); returns the registry error.
    LONG AddRunValue();
    // The installer's command line for the running platform family.
    CString BuildCommandLine() const;

    CString m_strInstaller9x;
    CString m_strInstallerNT;
    CString m_strArguments;
    CString m_strExePath;
    CString m_strAppCmdLine;
    CString m_strRunValueName;
    CString m_strExtraSwitches;
    CString m_strMsiDllPath;
    ULARGE_INTEGER m_requiredVersion;
};

// The application's engine installation: reports nothing (the start-up shows its own message
// for a non-zero result) and asks the user before restarting.
class CVelmoMsiEngineInst : public CMsiEngineInstall {
public:
    using CMsiEngineInstall::CMsiEngineInstall;

    bool ReportError(int kind, DWORD code, const wchar_t* text = nullptr) override;
    // The question depends on the drive of the engine installer (a disk to keep in the drive, a
    // network location to reconnect).
    bool AskReboot() override;
};

// Restarts Windows (with the shutdown privilege); nonzero when the restart was started.
BOOL RestartWindows();
