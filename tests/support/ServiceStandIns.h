// Stand-ins for the services that the layers above the configuration provide, so that tests of
// the configuration run without the application object: they record what the configuration
// asks and answer with what the test set. StandInServices installs both for a scope.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ApplicationServices.h"
#include "CString.h"
#include "DistributionServices.h"
#include "LinkedDistribution.h"
#include "TestSupport.h"
#include "UiMode.h"
#include "VelmoLogStream.h"
#include "WizardServices.h"

namespace testsupport {

class StandInApplicationServices : public IApplicationServices {
public:
    VelmoLogGuard GetLogStream(DWORD level, DWORD width) override;
    CString GetTitle() override;
    int GetUiMode() const override;
    LANGID GetRequestedLanguage() const override;
    void SetUiLanguage(LANGID langId) override;
    void CreateDialogFont(LANGID langId) override;
    // The stock GUI font unless the test sets one.
    HFONT GetDialogFont() override { return dialogFont ? dialogFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }
    HFONT dialogFont = nullptr;
    // Copies into CopyFolder() and records the copy; a copy that cannot be made throws
    // std::runtime_error (the test's own fault).
    void MakeTempCopy(const wchar_t* sourcePath, CString& copyPath) override;
    // Copies every path while SetOnRemovableMedia(true), none otherwise.
    bool CopyIfOnCdRom(const wchar_t* path, CString& pathToUse) override;
    // No system-information component: no object, and creation fails as for a class that is
    // not registered.
    void GetSystemInfo(IUnknown** systemInfo) override { *systemInfo = nullptr; }
    HRESULT CreateSystemInfoObject(REFCLSID, REFIID, void** object) override
    {
        *object = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    // The spec file's requests set by the test (none by default: -1, absence allowed); a
    // feature whose absence is disallowed is requested locally.
    void GetFeatureRequest(const wchar_t* feature, int& state, bool& disallowAbsent) override;
    // The spec file's [UserInfo] as the test sets it (none by default).
    void GetSpecFileUserInfo(CString& name, CString& company) override
    {
        name = specUserName;
        company = specCompany;
    }
    CString specUserName;
    CString specCompany;
    void CancelLoading() override { ++cancelLoadingCalls; }
    // The configuration the test sets (std::logic_error without one: the test's own fault).
    CConfigInfo& GetConfigInfo() override;
    CConfigInfo* configInfo = nullptr;
    // No master window and no layout debugging unless the test sets them.
    HWND GetMasterWindow() const override { return masterWindow; }
    HWND masterWindow = nullptr;
    bool IsLayoutDebug() const override { return layoutDebug; }
    bool layoutDebug = false;
    // The command line's volume folders, /reinstall and /prop as the test set them (none by
    // default); no Windows Installer log.
    bool GetVolumePath(int volume, CString& path) const override;
    // The run's log file as the test names it (none by default).
    CString GetLogFile() override { return logFile; }
    CString logFile;
    // The log letters as the test names them (none by default); the options follow from them.
    CString GetLogModes() override { return logModes; }
    CString logModes;
    DWORD GetLogModeFlags() override { return 0; }
    DWORD GetLogFileOptions() override { return logModes.Find(L'+') >= 0 ? 1 : 0; }
    bool IsCostLogEnabled() override { return false; }
    bool IsReinstallRequested() const override { return m_reinstall; }
    std::map<CString, CString> GetCommandLineProperties() const override { return m_properties; }
    // /tree, /costlog, /siv and /level as the test set them (none by default: level 10); every
    // page enabled unless the test says otherwise.
    bool IsTreeStart() const override { return m_treeStart; }
    bool IsCostLogOnCommandLine() const override { return m_costLog; }
    bool IsInstallValidateSkipped() const override { return m_skipInstallValidate; }
    int GetInstallLevel() override { return m_installLevel; }
    // /k as the test sets it (off by default); the model's install level as the test sets it
    // (10 by default).
    bool IsLinkingDisabled() const override { return m_linkingDisabled; }
    int GetDistributionInstallLevel() override { return m_distributionInstallLevel; }
    // The linked distributions the test adds; any other name throws ObjectNotFound.
    CLinkedDistribution& FindLinkedDistribution(const wchar_t* name) override;
    bool IsDialogEnabled(int state, bool, bool) override
    {
        return m_pagesEnabled && disabledPages.count(state) == 0;
    }
    std::set<int> disabledPages;
    int cancelLoadingCalls = 0;
    // The cache file: the flags the test sets; entries are kept, writes counted.
    bool IsCachingCustomExecutes() const override { return cachingCustomExecutes; }
    bool IsCachingFeatureInfo() const override { return cachingFeatureInfo; }
    void AddCacheEntry(const wchar_t* element, const CacheAttributes& attributes, const wchar_t* text) override
    {
        CacheAttributes entry = attributes;
        entry[CString()] = text ? text : L"";
        cacheEntries.emplace(CString(element), entry);
    }
    void WriteCacheFile() override { ++cacheFileWrites; }
    // The restart decision and the version-key check as the test sets them; calls counted.
    bool IsRebootRequired(bool onlyAfterSuccess) override
    {
        rebootQuestions.push_back(onlyAfterSuccess);
        return rebootRequired;
    }
    bool CheckInstalledVersionKeys() override
    {
        ++versionKeyChecks;
        return versionKeysPass;
    }
    bool rebootRequired = false;
    std::vector<bool> rebootQuestions;
    bool versionKeysPass = true;
    int versionKeyChecks = 0;
    bool cachingCustomExecutes = false;
    bool cachingFeatureInfo = false;
    CacheEntries cacheEntries;
    int cacheFileWrites = 0;

    // What the test sets.
    void SetUiMode(int mode) { m_uiMode = mode; }
    void SetRequestedLanguage(LANGID langId) { m_requestedLanguage = langId; }
    void SetOnRemovableMedia(bool removable) { m_removable = removable; }
    void RequestFeature(const std::wstring& feature, int state) { m_featureRequests[feature] = state; }
    void DisallowAbsent(const std::wstring& feature) { m_disallowAbsent.push_back(feature); }
    void SetVolumePath(int volume, const std::wstring& path) { m_volumePaths[volume] = path; }
    void SetReinstall(bool reinstall) { m_reinstall = reinstall; }
    void SetCommandLineProperty(const CString& name, const CString& value) { m_properties[name] = value; }
    void SetTreeStart(bool treeStart) { m_treeStart = treeStart; }
    void SetCostLog(bool costLog) { m_costLog = costLog; }
    void SetSkipInstallValidate(bool skip) { m_skipInstallValidate = skip; }
    void SetInstallLevel(int level) { m_installLevel = level; }
    void SetLinkingDisabled(bool disabled) { m_linkingDisabled = disabled; }
    void SetDistributionInstallLevel(int level) { m_distributionInstallLevel = level; }
    CLinkedDistribution& AddLinkedDistribution(const CString& name) { return m_linked[name]; }
    void SetPagesEnabled(bool enabled) { m_pagesEnabled = enabled; }
    // The stream behind GetLogStream: closed until the test opens it.
    VelmoLogOStream& Log() { return m_log; }

    // What the configuration asked.
    const std::vector<LANGID>& UiLanguages() const { return m_uiLanguages; }
    const std::vector<LANGID>& DialogFonts() const { return m_dialogFonts; }
    const std::vector<std::wstring>& CopiedSources() const { return m_sources; }
    const std::vector<std::wstring>& Copies() const { return m_copies; }
    // The folder of the copies, ending in '\'; deleted with them by the destructor.
    std::wstring CopyFolder() const { return m_folder.Path() + L"\\"; }

private:
    TempDir m_folder;
    VelmoLogOStream m_log;
    int m_uiMode = UiFull;  // as without a command line
    LANGID m_requestedLanguage = 0;
    bool m_removable = false;
    std::map<std::wstring, int> m_featureRequests;
    std::vector<std::wstring> m_disallowAbsent;
    std::map<int, std::wstring> m_volumePaths;
    bool m_reinstall = false;
    std::map<CString, CString> m_properties;
    bool m_treeStart = false;
    bool m_costLog = false;
    bool m_skipInstallValidate = false;
    int m_installLevel = 10;  // the default without /level or [InstallLevels]
    bool m_linkingDisabled = false;
    int m_distributionInstallLevel = 10;
    std::map<CString, CLinkedDistribution> m_linked;
    bool m_pagesEnabled = true;
    std::vector<LANGID> m_uiLanguages;
    std::vector<LANGID> m_dialogFonts;
    std::vector<std::wstring> m_sources;
    std::vector<std::wstring> m_copies;
};

class StandInDistributionServices : public IDistributionServices {
public:
    // The root set by the test; without one PriorOperationRequired, as the model throws before
    // it is loaded.
    const CString& GetCurrentRootPath() const override;
    void SetCurrentRootPath(const std::wstring& root) { m_root = root.c_str(); }
    // True for the directory properties the test marked.
    bool IsPathDefinition64BitOnly(const wchar_t* directoryProperty) const override
    {
        return m_64BitOnly.count(directoryProperty ? directoryProperty : L"") != 0;
    }
    void Mark64BitOnly(const std::wstring& directoryProperty) { m_64BitOnly.insert(directoryProperty); }

private:
    CString m_root;
    std::set<std::wstring> m_64BitOnly;
};

// The wizard's page registry as the configuration sees it: the thirteen pages with their names
// and record factories (or the pages the test registers instead); dialog units convert as the
// system converts them. Fatal-error reports are only counted.
class StandInWizardServices : public IWizardServices {
public:
    struct Page {
        std::wstring name;
        std::shared_ptr<CConfigInfo::IDialogConfigFactory> factory;
    };

    StandInWizardServices();

    void ReportFatalError(const wchar_t*, const wchar_t*, BOOL, BOOL, const CCrashReport*) override
    {
        ++fatalErrorReports;
    }
    // Recorded: the message, the details and the owner.
    void ShowFatalErrorDialog(HWND owner, const wchar_t* message, const wchar_t* details) override;
    eDialogState GetNextDialogState(eDialogState state) override;
    CConfigInfo::DialogInfo* CreateDialogConfig(eDialogState state, CConfigInfo& config) override;
    void MapScaledDialogRect(HWND page, RECT& rect) override { ::MapDialogRect(page, &rect); }
    // A prompt that finds its medium in the folders the test lists (compared ignoring case and
    // a trailing backslash); the volumes asked for are recorded.
    IMediaPrompt* CreateSpannedPrompt(
        const CConfigInfo::DistributionInfo& settings, int volume, const CString& path) override;

    // The same for a linked distribution, proposing its volume folder made absolute against the
    // root; "<title> <root>" is recorded per prompt.
    IMediaPrompt* CreateLinkedPrompt(const CLinkedDistribution& linked, const CString& rootPath) override;
    // Counted; the answer is the test's (IDCANCEL by default).
    INT_PTR RunMediaPrompt(IMediaPrompt&) override
    {
        ++mediaPromptRuns;
        return mediaPromptAnswer;
    }

    int fatalErrorReports = 0;
    std::vector<int> promptedVolumes;
    std::vector<std::wstring> linkedPrompts;
    int mediaPromptRuns = 0;
    INT_PTR mediaPromptAnswer = IDCANCEL;
    std::vector<std::wstring> errorDialogs;
    std::vector<std::wstring> errorDetails;
    std::vector<HWND> errorOwners;
    std::vector<std::wstring> mediaFolders;
    // The registry: state to page; the test may change it.
    std::map<eDialogState, Page> pages;
};

// Installs the stand-in (null: removes the installed one) for the scope and puts back the one
// it replaced.
class ScopedApplicationServices {
public:
    explicit ScopedApplicationServices(IApplicationServices* services);
    ~ScopedApplicationServices();
    ScopedApplicationServices(const ScopedApplicationServices&) = delete;
    ScopedApplicationServices& operator=(const ScopedApplicationServices&) = delete;

private:
    IApplicationServices* m_previous;
};

class ScopedWizardServices {
public:
    explicit ScopedWizardServices(IWizardServices* services);
    ~ScopedWizardServices();
    ScopedWizardServices(const ScopedWizardServices&) = delete;
    ScopedWizardServices& operator=(const ScopedWizardServices&) = delete;

private:
    IWizardServices* m_previous;
};

class ScopedDistributionServices {
public:
    explicit ScopedDistributionServices(IDistributionServices* services);
    ~ScopedDistributionServices();
    ScopedDistributionServices(const ScopedDistributionServices&) = delete;
    ScopedDistributionServices& operator=(const ScopedDistributionServices&) = delete;

private:
    IDistributionServices* m_previous;
};

// Both stand-ins, installed while the object lives. Declare it before the configuration
// objects of a test, so that it outlives them (their modules may be loaded from its copies).
class StandInServices {
public:
    StandInApplicationServices app;
    StandInDistributionServices distribution;

private:
    ScopedApplicationServices m_appScope{&app};
    ScopedDistributionServices m_distributionScope{&distribution};
};

}  // namespace testsupport
