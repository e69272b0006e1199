// The application object of setup: owns everything that lives for the whole run and runs it
// from start-up to exit (InitInstanceImpl), inside the start-up barrier of TVelmoThread.
#pragma once

#include <windows.h>

#include <list>
#include <map>

#include "ApplicationServices.h"
#include "CString.h"
#include "ConfigInfo.h"
#include "SpecFileProcessor.h"
#include "VelmoCmdLine.h"
#include "VelmoLogStream.h"
#include "VelmoThread.h"
#include "NestedInstallerDialog.h"

class CDistribution;
class CmdLineError;
class CTopDialog;

class CVelmoInstallerApp : public TVelmoThread<CWinApp>, public IApplicationServices {
public:
    CVelmoInstallerApp();
    ~CVelmoInstallerApp() override;

    // Help requests (F1) do nothing.
    void WinHelp(DWORD_PTR data, UINT command) override;

    BOOL InitInstanceImpl() override;
    int ExitInstanceImpl() override;
    // The run's end after a structured exception that no handler took (the process's last
    // resort, on the faulting thread): the exit sequence with the barrier's exit code.
    void EndAfterUnhandledException(int exitCode);
    static void EndRunAfterUnhandledException(int exitCode);

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
    VelmoLogGuard GetLogStream(DWORD level, DWORD width) override;
    // The caption of the application's message boxes and of the fatal-error dialog.
    CString GetTitle() override;
    // The command line's user-interface mode and language.
    int GetUiMode() const override;
    LANGID GetRequestedLanguage() const override;
    // The program file's name without extension (the class library's application name).
    CString GetAppName() const;

    // Log settings: the command line's, else those of the configuration's [Debug].
    CString GetLogFile() override;
    CString GetLogModes() override;
    // Windows Installer's logging mask for the mode letters (after the switch letter).
    DWORD GetLogModeFlags() override;
    // 1: append to an existing log ("+"); 2: flush every line ("!").
    DWORD GetLogFileOptions() override;
    // Opens the log file when one is named; throws LogFileError when it cannot be opened or
    // when it names the configuration or a package of the distribution.
    void OpenLog();
    // True when `path` is the configuration INI, the merged package or a part package.
    bool IsDistributionFile(const wchar_t* path);
    bool IsCostLogEnabled() override;
    // The command line's /VolumePath<n> folder.
    bool GetVolumePath(int volume, CString& path) const override { return m_cmdLine.GetVolumePath(volume, path); }
    bool IsReinstallRequested() const override { return m_cmdLine.m_bReinstall; }
    std::map<CString, CString> GetCommandLineProperties() const override { return m_cmdLine.m_properties; }
    bool IsTreeStart() const override { return m_cmdLine.m_bTreeStart; }
    bool IsCostLogOnCommandLine() const override { return m_cmdLine.m_bCostLog; }
    bool IsInstallValidateSkipped() const override { return m_cmdLine.m_bSiv; }

    bool IsLinkingDisabled() const override { return m_cmdLine.m_bNoLinking; }
    CConfigInfo& GetConfigInfo() override { return *m_pConfigInfo; }
    HWND GetMasterWindow() const override { return m_cmdLine.m_hMasterWnd; }
    bool IsLayoutDebug() const override { return m_cmdLine.m_bDebugLayout; }
    // The command line's install level, else the configuration's default.
    int GetInstallLevel() override;
    int GetDistributionInstallLevel() override;
    CLinkedDistribution& FindLinkedDistribution(const wchar_t* name) override;
    // The page at which a /linkedcustom run starts: the first registered page that the spec
    // file leaves enabled and that is shown and allowed in the current mode.
    eDialogState GetFirstEnabledDialog();
    // Whether a page may be shown: not disabled by the spec file (unless ignored), shown in the
    // configuration's [Dialogs] and allowed in the current mode (any mode with `anyMode`).
    bool IsDialogEnabled(eDialogState state, bool anyMode = false, bool ignoreSpecFile = false) override;

    // The user-interface language: thread locale and C run-time locale of this thread.
    void SetUiLanguage(LANGID langId) override;
    // The pages' font: the face and size of dialog template 233 in the current resource
    // module (else "MS Sans Serif", 8 points) in the language's character set. The
    // configuration calls it with the distribution's chosen language, which the pages' rich
    // text takes as its language too.
    void CreateDialogFont(LANGID langId) override;
    HFONT GetDialogFont() override { return m_hDialogFont; }

    // A temporary copy of the file, deleted at exit; throws TempCopyCreationFailed.
    void MakeTempCopy(const wchar_t* sourcePath, CString& copyPath) override;
    // A file on a removable, network or CD-ROM volume is replaced by a temporary copy (true);
    // any other path is given back unchanged (false).
    bool CopyIfOnCdRom(const wchar_t* path, CString& pathToUse) override;
    // Seam: the type of a volume root (GetDriveTypeW).
    static UINT(WINAPI* s_pfnGetDriveTypeW)(LPCWSTR root);

    // The system-information component: its object (a new reference) and objects it creates;
    // both load the component first.
    void GetSystemInfo(IUnknown** systemInfo) override;
    HRESULT CreateSystemInfoObject(REFCLSID classId, REFIID interfaceId, void** object) override;
    // Loads the component once ([Utilities] ZKSysInfo, copied first when on a medium that may go
    // away) and chooses between that server and the registered one: the newer serves the run,
    // the registered one when both are equal. Throws ZKSystemInfoFailure; a failed load is tried
    // again on the next request.
    void LoadSystemInfo();
    // m_hSysInfoModule before the component is loaded.
    static HMODULE SysInfoNotLoaded() { return reinterpret_cast<HMODULE>(static_cast<INT_PTR>(-1)); }
    // The spec file's request for a feature.
    void GetFeatureRequest(const wchar_t* feature, int& state, bool& disallowAbsent) override;
    void GetSpecFileUserInfo(CString& name, CString& company) override
    {
        name = m_specFile.m_strUserName;
        company = m_specFile.m_strCompany;
    }

    // The cache file: the command line's cache flags; records kept in m_cacheEntries and written
    // whole (nothing is written unless a cache flag is set; failures are not reported).
    bool IsCachingCustomExecutes() const override;
    bool IsCachingFeatureInfo() const override;
    void AddCacheEntry(const wchar_t* element, const CacheAttributes& attributes, const wchar_t* text) override;
    void WriteCacheFile() override;

    // The operating-system bounds of the configuration: MissingOSReq with the configured
    // message when the running system is outside them. The 9x family always is.
    void CheckOsRequirements();
    bool IsOsSupported();
    bool IsOsVersionInBounds(bool isNt, const OSVERSIONINFOW& version);
    // The version keys of installed products that the install run checks; false after showing
    // the keys whose version names have a length that is a multiple of 8.
    bool CheckInstalledVersionKeys() override;

    // The restart decision: the command line's /r switches, else [Settings] Reboot, else (when
    // `onlyAfterSuccess` and the run failed) false, else whether a part asked for a restart.
    bool IsRebootRequired(bool onlyAfterSuccess) override;
    // Releases and closes the single-instance mutex and signals and closes the exit event;
    // again does nothing.
    void ReleaseInstanceObjects();

    // The loader: the body of the loader thread (or called inline in a quiet run); 0 when the
    // model was built, 995 when the load was aborted; other errors escape to the barrier.
    static UINT LoaderThreadProc(LPVOID param);
    // Reads the parts, builds and initialises the model and applies the spec file.
    int LoadPackage();
    // The load-progress events of the model (0 reset, 1 step, 2 counted step, 3 end and 4 start
    // of a timed phase, 5 done) as messages to m_hProgressWnd.
    static void LoadProgressCallback(void* context, int event);
    static void CALLBACK LoadProgressTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
    // Starts (once) or stops the 500 ms thread timer of the load progress.
    void EnableLoadTimer(bool start);
    // Dispatches this thread's messages until one of the handles is signalled (its wait result)
    // or a cancel arrives (WM_CANCEL_LOAD or WM_QUIT: returns `count`, `code` 1602 or WM_QUIT's
    // wParam).
    DWORD PumpUntilSignalled(const HANDLE* handles, DWORD count, int& code);
    // Cancels a running load: aborts the model and releases the instance objects while the
    // loader still runs; the exit code becomes 1602 in every case.
    void CancelLoading() override;
    bool IsLoaderRunning() const;

    CDistribution* m_pDistribution;
    CVelmoCmdLine m_cmdLine;
    CSpecFileProcessor m_specFile;
    CConfigInfo* m_pConfigInfo;
    CVelmoWorkerThread* m_pLoaderThread;
    CString m_strTempPath;
    std::list<CString> m_tempFiles;
    HWND m_hProgressWnd;
    CTopDialog* m_pTopDialog;
    HFONT m_hDialogFont;
    LCID m_lcid;
    LANGID m_uiLangId;
    int m_nLoadSteps;
    int m_nTimerTicks;
    int m_nProgressLow;
    int m_nProgressRange;
    VelmoLogOStream m_log;
    HANDLE m_hMutex;
    HANDLE m_hExitEvent;
    // The chosen system-information object, and the module of the distribution's own server when
    // that one was chosen (null: the registered server; SysInfoNotLoaded() before the load).
    IUnknown* m_pSystemInfo;
    HMODULE m_hSysInfoModule;
    bool m_bCoInitialize;
    CacheEntries m_cacheEntries;
    // A cancelled load left the loader thread running at exit: the models it uses stay alive.
    bool m_bLoaderLeftRunning;
    // How long the exit waits for a loader left running by a cancelled load (milliseconds).
    static DWORD s_loaderExitWaitMs;

private:
    void ResetLoadProgress();
    void CountedLoadStep();
    // Waits (dispatching messages, bounded) for a loader thread left running by a cancelled
    // load; true when none runs any more.
    bool WaitForLoaderToEnd();
    // The exit sequence once no loader works on the models (or one was left running): the
    // Windows Installer sessions closed, the language modules freed, the temporary copies
    // deleted, the instance objects released and the exit line written.
    void CloseRun();

    // The start-up sequence after the command line has been read.
    void RunConfiguredSteps();
    // The wizard or the quiet run; false when the load failed or was cancelled (the exit code
    // is then 1602 and the run ends).
    bool RunWizard();
    bool RunQuiet();
    void EndOfRun();
    void FinishRun();
    // Deletes the wizard frame (and stops naming it the main window).
    void DeleteFrame();
    // Shows the usage (help) or the error message and the usage; the exit code becomes 1639.
    void HandleCmdLineError(const CmdLineError& error);
};

extern CVelmoInstallerApp theApp;

// The load-progress timers by id, with the application whose progress each drives.
extern std::map<UINT_PTR, CVelmoInstallerApp*> g_loadTimers;
// The id of the timer registered for `app`, 0 when none is.
UINT_PTR FindLoadTimer(const CVelmoInstallerApp* app);
// Counted steps of the timer's tick number `tick` (1 on): fewer as a long phase goes on.
int LoadTimerSteps(int tick);

// The new-handler of the run: a failed allocation throws std::bad_alloc.
void ThrowBadAlloc();

// Deletes a temporary copy; one that cannot be deleted now (a module still loaded from it) is
// deleted at the next restart of Windows.
void DeleteTempCopy(const CString& path);

// True when "comctl32.dll" loads and exports "InitCommonControlsEx".
bool IsInitCommonControlsExAvailable();
// msi.dll as loaded must be the file that Windows Installer's automation class is registered
// with; a mismatch is repaired by registering the loaded one. True, or MissingOSReq.
bool CheckMsiEngineRegistration();

// One bound of [OS] ("major,minor,build[,spMajor,spMinor]") against the running system; on the
// NT family a system below 5.0 build 2195 never passes.
bool CompareOsVersion(const wchar_t* bound, const OSVERSIONINFOW& version, bool isMinimum, bool isNt);

