// The application object of setup: owns everything that lives for the whole run and runs it
// from start-up to exit (InitInstanceImpl), inside the start-up barrier of TVelmoThread.
#pragma once

#include <windows.h>

#include <list>
#include <memory>

#include "CString.h"
#include "ConfigInfo.h"
#include "SpecFileProcessor.h"
#include "UniqueHandle.h"
#include "VelmoCmdLine.h"
#include "VelmoLogStream.h"
#include "VelmoThread.h"
#include "NestedInstallerDialog.h"

class CDistribution;
class CmdLineError;
class CTopDialog;

class CVelmoInstallerApp : public TVelmoThread<CWinApp> {
public:
    CVelmoInstallerApp();
    ~CVelmoInstallerApp() override;

    // Help requests (F1) do nothing.
    void WinHelp(DWORD_PTR data, UINT command) override;

    BOOL InitInstanceImpl() override;
    int ExitInstanceImpl() override;

    // The start-up's prerequisite check (before the class library starts): the libraries the
    // user interface needs. Shows its own message box and returns false when one is missing.
    bool CheckPrerequisiteDlls();
    // On the Windows 9x family, reads the whole program image when it runs from a medium
    // that may go away.
    void PageInImageIfRemovable();
    bool IsRunFromRemovableMedia();

    // Takes the single-instance mutex; throws MutexNotGrabbed when another instance holds it.
    void GrabInstanceMutex();

    // The log for one statement at `level` with wrap width `width`: the guard holds the log's
    // lock until the end of the full expression.
    VelmoLogGuard GetLogStream(DWORD level, DWORD width);
    // The caption of the application's message boxes and of the fatal-error dialog.
    CString GetTitle();
    // The program file's name without extension (the class library's application name).
    CString GetAppName() const;

    // Log settings: the command line's, else those of the configuration's [Debug].
    CString GetLogFile();
    CString GetLogModes();
    // Windows Installer's logging mask for the mode letters (after the switch letter).
    DWORD GetLogModeFlags();
    // 1: append to an existing log ("+"); 2: flush every line ("!").
    DWORD GetLogFileOptions();
    // Opens the log file when one is named; throws LogFileError when it cannot be opened.
    void OpenLog();
    bool IsCostLogEnabled();

    // The command line's install level, else the configuration's default.
    int GetInstallLevel();
    // The page at which a /linkedcustom run starts: the first registered page that the spec
    // file leaves enabled and that is shown and allowed in the current mode.
    eDialogState GetFirstEnabledDialog();
    // Whether a page may be shown: not disabled by the spec file (unless ignored), shown in the
    // configuration's [Dialogs] and allowed in the current mode (any mode with `anyMode`).
    bool IsDialogEnabled(eDialogState state, bool anyMode = false, bool ignoreSpecFile = false);

    // The user-interface language: thread locale and C run-time locale of this thread.
    void SetUiLanguage(LANGID langId);
    // The pages' font: the face and size of dialog template 233 in the current resource
    // module (else "MS Sans Serif", 8 points) in the language's character set.
    void CreateDialogFont(LANGID langId);

    // A temporary copy of the file, deleted at exit; throws TempCopyCreationFailed.
    void MakeTempCopy(const wchar_t* sourcePath, CString& copyPath);
    // A file on a removable, network or CD-ROM volume is replaced by a temporary copy (true);
    // any other path is given back unchanged (false).
    bool CopyIfOnCdRom(const wchar_t* path, CString& pathToUse);
    // Seam: the type of a volume root (GetDriveTypeW).
    static UINT(WINAPI* s_pfnGetDriveTypeW)(LPCWSTR root);

    // Steps of later parts of the run (not built yet: they stop the run with OperationAborted
    // naming themselves).
    void CheckOsRequirements();
    bool IsRebootRequired(bool onlyAfterSuccess);
    void PumpUntilSignalled(HANDLE handle);
    static UINT LoaderThreadProc(LPVOID param);

    // The wizard's frame while it exists, else null.
    CTopDialog* GetTopDialog() const { return m_pTopDialog.get(); }

    std::unique_ptr<CDistribution> m_pDistribution;
    CVelmoCmdLine m_cmdLine;
    CSpecFileProcessor m_specFile;
    std::unique_ptr<CConfigInfo> m_pConfigInfo;
    std::unique_ptr<CVelmoWorkerThread> m_pLoaderThread;
    CString m_strTempPath;
    std::list<CString> m_tempFiles;
    HWND m_hProgressWnd;
    std::unique_ptr<CTopDialog> m_pTopDialog;
    HFONT m_hDialogFont;
    LCID m_lcid;
    LANGID m_uiLangId;
    int m_nLoadSteps;
    int m_nTimerTicks;
    int m_nProgressLow;
    int m_nProgressRange;
    VelmoLogOStream m_log;
    OrbelToolbox::UniqueKernelHandle m_hMutex;
    OrbelToolbox::UniqueKernelHandle m_hExitEvent;
    IUnknown* m_pSystemInfo;
    HMODULE m_hSysInfoModule;
    bool m_bCoInitialize;

private:
    // The start-up sequence after the command line has been read.
    void RunConfiguredSteps();
    void RunWizard();
    void RunQuiet();
    void EndOfRun();
    void FinishRun();
    // Shows the usage (help) or the error message and the usage; the exit code becomes 1639.
    void HandleCmdLineError(const CmdLineError& error);
};

extern CVelmoInstallerApp theApp;

// The new-handler of the run: a failed allocation throws std::bad_alloc.
void ThrowBadAlloc();

// True when "comctl32.dll" loads and exports "InitCommonControlsEx".
bool IsInitCommonControlsExAvailable();
// Not built yet: stops the run with OperationAborted naming itself.
bool CheckMsiEngineRegistration();

// The font that a dialog template (DLGTEMPLATE or DLGTEMPLATEEX) names: its face name (at most
// 31 characters) and point size; false when the template sets no font.
bool ReadDialogTemplateFont(const void* dialogTemplate, CString& faceName, WORD& points);

