// Stand-ins for the services that the layers above the configuration provide, so that tests of
// the configuration run without the application object: they record what the configuration
// asks and answer with what the test set. StandInServices installs both for a scope.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ApplicationServices.h"
#include "CString.h"
#include "DistributionServices.h"
#include "TestSupport.h"
#include "VelmoLogStream.h"

namespace testsupport {

class StandInApplicationServices : public IApplicationServices {
public:
    VelmoLogGuard GetLogStream(DWORD level, DWORD width) override;
    CString GetTitle() override;
    int GetUiMode() const override;
    LANGID GetRequestedLanguage() const override;
    void SetUiLanguage(LANGID langId) override;
    void CreateDialogFont(LANGID langId) override;
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
    // No spec file: no request for any feature.
    void GetFeatureRequest(const wchar_t*, int& state, bool& disallowAbsent) override
    {
        state = -1;
        disallowAbsent = false;
    }
    void CancelLoading() override { ++cancelLoadingCalls; }
    // No command line and no log: no volume folders, no Windows Installer log.
    bool GetVolumePath(int, CString&) const override { return false; }
    CString GetLogFile() override { return CString(); }
    DWORD GetLogModeFlags() override { return 0; }
    DWORD GetLogFileOptions() override { return 0; }
    bool IsCostLogEnabled() override { return false; }
    bool IsReinstallRequested() const override { return false; }
    std::map<CString, CString> GetCommandLineProperties() const override { return {}; }
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
    int GetInstallLevel() override { return installLevel; }
    bool IsMaintenanceRun() const override { return maintenanceRun; }
    int installLevel = 10;
    bool maintenanceRun = false;
    bool cachingCustomExecutes = false;
    bool cachingFeatureInfo = false;
    CacheEntries cacheEntries;
    int cacheFileWrites = 0;

    // What the test sets.
    void SetUiMode(int mode) { m_uiMode = mode; }
    void SetRequestedLanguage(LANGID langId) { m_requestedLanguage = langId; }
    void SetOnRemovableMedia(bool removable) { m_removable = removable; }
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
    int m_uiMode = 4;   // the full wizard, as without a command line
    LANGID m_requestedLanguage = 0;
    bool m_removable = false;
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

private:
    CString m_root;
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
