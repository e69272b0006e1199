// What the layers below the shell ask of the running application: its log, title and
// user-interface mode, the language chosen on the command line, the user-interface language
// and dialog font, the temporary copies that are deleted at exit, the system-information
// component and the cache file.
//
// The configuration, the distribution model and the wizard see only this interface; the
// application object installs itself as the implementation when it is constructed, and tests
// install their own.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <map>

#include "CString.h"
#include "CacheEntries.h"
#include "VelmoLogStream.h"

class CConfigInfo;
class CLinkedDistribution;

class IApplicationServices {
public:
    virtual ~IApplicationServices() { }

    // The log for one statement at `level` with wrap width `width`.
    virtual VelmoLogGuard GetLogStream(DWORD level, DWORD width) = 0;
    // The caption of message boxes and of the fatal-error dialog.
    virtual CString GetTitle() = 0;
    // The user-interface mode of the run (a UiMode).
    virtual int GetUiMode() const = 0;
    // The language named on the command line, 0 when none was.
    virtual LANGID GetRequestedLanguage() const = 0;
    // The user-interface language: thread locale and C run-time locale of this thread.
    virtual void SetUiLanguage(LANGID langId) = 0;
    // The pages' font in the language's character set.
    virtual void CreateDialogFont(LANGID langId) = 0;
    // That font (the stock GUI font until it is made); the application keeps it.
    virtual HFONT GetDialogFont() = 0;
    // A temporary copy of the file, deleted at exit; throws TempCopyCreationFailed.
    virtual void MakeTempCopy(const wchar_t* sourcePath, CString& copyPath) = 0;
    // A file on a removable, network or CD-ROM volume is replaced by a temporary copy (true);
    // any other path is given back unchanged (false).
    virtual bool CopyIfOnCdRom(const wchar_t* path, CString& pathToUse) = 0;

    // The system-information object of the run, with a new reference (loaded on first use);
    // throws ZKSystemInfoFailure when the component cannot be loaded.
    virtual void GetSystemInfo(IUnknown** systemInfo) = 0;
    // Creates an object of the system-information component; the creation's result.
    virtual HRESULT CreateSystemInfoObject(REFCLSID classId, REFIID interfaceId, void** object) = 0;
    // The unattended spec file's request for a feature (-1 when it names none) and whether it
    // forbids the feature's absence.
    virtual void GetFeatureRequest(const wchar_t* feature, int& state, bool& disallowAbsent) = 0;
    // The spec file's [UserInfo] Name and Company (empty when it gives none).
    virtual void GetSpecFileUserInfo(CString& name, CString& company) = 0;
    // Cancels the running load: the model is aborted and the run ends with 1602.
    virtual void CancelLoading() = 0;
    // The configuration of the run (the wizard's pages read their records from it).
    virtual CConfigInfo& GetConfigInfo() = 0;
    // The master installer's window of a child installer (/masterHwnd); null otherwise.
    virtual HWND GetMasterWindow() const = 0;
    // Layout debugging of the pages (/gdb): bitmaps unscaled, with their dimensions.
    virtual bool IsLayoutDebug() const = 0;

    // The folder the command line gives for a volume (/VolumePath<n>); false when none.
    virtual bool GetVolumePath(int volume, CString& path) const = 0;
    // The log file named by the command line or the configuration; empty when none.
    virtual CString GetLogFile() = 0;
    // The run's log letters as given: the switch letter and Windows Installer's mode letters
    // ("l*v"); empty when none are.
    virtual CString GetLogModes() = 0;
    // Windows Installer's log mode mask for the run's log letters.
    virtual DWORD GetLogModeFlags() = 0;
    // Bit 0: append ('+'), bit 1: flush every line ('!').
    virtual DWORD GetLogFileOptions() = 0;
    // True when Windows Installer's log covers the loading and the costing too.
    virtual bool IsCostLogEnabled() = 0;
    // True when the command line asked to reinstall what is installed (/reinstall).
    virtual bool IsReinstallRequested() const = 0;
    // The properties given with /prop, by name.
    virtual std::map<CString, CString> GetCommandLineProperties() const = 0;
    // Switches of the command line: /tree (a maintenance run), /costlog or /log, /siv.
    virtual bool IsTreeStart() const = 0;
    virtual bool IsCostLogOnCommandLine() const = 0;
    virtual bool IsInstallValidateSkipped() const = 0;
    // Distribution linking switched off on the command line (/k, /k:n).
    virtual bool IsLinkingDisabled() const = 0;
    // The run's install level: /level when given, else the configuration's default.
    virtual int GetInstallLevel() = 0;
    // The install level the distribution model applies now.
    virtual int GetDistributionInstallLevel() = 0;
    // The configuration's record of the linked distribution of that section name; ObjectNotFound
    // when the configuration lists none of that name.
    virtual CLinkedDistribution& FindLinkedDistribution(const wchar_t* name) = 0;
    // Whether a page may be shown (see the application's own description).
    virtual bool IsDialogEnabled(int state, bool anyMode, bool ignoreSpecFile) = 0;
    // The cache file: whether the end-page custom executables (/cache, /cache:x, /cache:fx) and
    // the extra feature information (/cache, /cache:f, /cache:fx) are recorded instead of run or
    // shown.
    virtual bool IsCachingCustomExecutes() const = 0;
    virtual bool IsCachingFeatureInfo() const = 0;
    // Records one element: its attributes and its text (null: empty).
    virtual void AddCacheEntry(const wchar_t* element, const CacheAttributes& attributes, const wchar_t* text) = 0;
    // Writes every record made so far to the cache file, replacing its content; failures are
    // not reported.
    virtual void WriteCacheFile() = 0;
    // The restart decision: the command line's restart switches, else the configuration's, else
    // (when `onlyAfterSuccess` and the run failed) false, else whether a part asked for a restart.
    virtual bool IsRebootRequired(bool onlyAfterSuccess) = 0;
    // The version keys of installed products after an install run: false after showing the
    // suspect ones.
    virtual bool CheckInstalledVersionKeys() = 0;
};

// Installs the implementation (null removes it) and returns the one it replaced.
IApplicationServices* InstallApplicationServices(IApplicationServices* services);
// The installed implementation; throws UninitializedObject when none is.
IApplicationServices& AppServices();
