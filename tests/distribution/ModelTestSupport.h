// Test doubles of the distribution model's surroundings: the application's services (with the
// spec file's feature requests, the cancelled loads and a system-information object) and an
// in-memory system-information component filled by the test.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "ApplicationServices.h"
#include "ZKSysInfoInterfaces.h"

namespace modeltest {

// What the in-memory component knows.
struct FakeDependency {
    std::wstring upgradeCode, subset, versionMin, versionMax, languages, feature, condition;
    long attributes;
    long accepts = 0;  // the answer of Accepts, whatever product is asked about
};
struct FakeInstalledProduct {
    std::wstring productCode;
    std::vector<FakeDependency> dependencies;
};
struct FakeProduct {
    std::wstring productCode;
    long arpVisible;
    std::vector<std::wstring> texts;
};
// A product that depends on another: its entry among the part infos and its record.
struct FakeDependent {
    size_t partInfo;
    FakeDependency record;
};
struct FakePartInfo {
    std::wstring productCode;
    std::vector<std::wstring> subsets;
    std::wstring upgradeCode;
    std::vector<FakeDependent> dependents;
};
struct FakeSystemInfoData {
    std::vector<FakeInstalledProduct> installed;
    std::vector<FakeProduct> products;
    std::vector<FakePartInfo> partInfos;
    // Every call of the component fails with this result when it is set.
    HRESULT failWith = S_OK;
    // The distribution's description: its calls in order ("PutGuid {..}", "AddPart ..."), the
    // result of creating it and the call (by name) that fails with `describeFailure`.
    std::vector<std::wstring> described;
    HRESULT createResult = S_OK;
    std::wstring failingCall;
    HRESULT describeFailure = E_FAIL;
};

// A new object (one reference) over `data`, which must outlive it.
IZKSystemInfo* CreateFakeSystemInfo(const FakeSystemInfoData& data);

// The application's services of a test, installed for the object's lifetime.
class TestAppServices : public IApplicationServices {
public:
    TestAppServices();
    ~TestAppServices() override;

    VelmoLogGuard GetLogStream(DWORD level, DWORD width) override;
    CString GetTitle() override { return L"Model Test"; }
    int GetUiMode() const override { return 0; }
    LANGID GetRequestedLanguage() const override { return 0; }
    void SetUiLanguage(LANGID) override { }
    void CreateDialogFont(LANGID) override { }
    void MakeTempCopy(const wchar_t* sourcePath, CString& copyPath) override { copyPath = sourcePath; }
    bool CopyIfOnCdRom(const wchar_t* path, CString& pathToUse) override
    {
        pathToUse = path;
        return false;
    }
    void GetSystemInfo(IUnknown** systemInfo) override;
    // The distribution's description object over `systemInfo`; other classes are not there.
    HRESULT CreateSystemInfoObject(REFCLSID classId, REFIID, void** object) override;
    void GetFeatureRequest(const wchar_t* feature, int& state, bool& disallowAbsent) override;
    void CancelLoading() override { ++cancelledLoads; }
    bool GetVolumePath(int volume, CString& path) const override;
    CString GetLogFile() override { return CString(); }
    DWORD GetLogModeFlags() override { return 0; }
    DWORD GetLogFileOptions() override { return 0; }
    bool IsCostLogEnabled() override { return false; }
    bool IsReinstallRequested() const override { return reinstall; }
    std::map<CString, CString> GetCommandLineProperties() const override { return commandLineProperties; }
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

    FakeSystemInfoData systemInfo;
    // The spec file: feature name to requested state; the disallow-absent list.
    std::map<std::wstring, int> featureRequests;
    std::vector<std::wstring> disallowAbsent;
    int cancelledLoads = 0;
    bool reinstall = false;  // /reinstall
    std::map<CString, CString> commandLineProperties;  // /prop
    // The command line's /VolumePath<n> folders.
    std::map<int, std::wstring> volumePaths;

    VelmoLogOStream& Log() { return m_log; }
    bool cachingCustomExecutes = false;
    bool cachingFeatureInfo = false;
    CacheEntries cacheEntries;
    int cacheFileWrites = 0;

private:
    IApplicationServices* m_previous;
    VelmoLogOStream m_log;
};

// Message boxes recorded instead of shown, for the object's lifetime.
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    static std::vector<std::wstring> texts;
};

}  // namespace modeltest
