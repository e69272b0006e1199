// Test doubles of the distribution model's surroundings: the application's services with a
// system-information object, and an in-memory system-information component filled by the test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "MessageBox.h"
#include "ScopedOverride.h"
#include "ServiceStandIns.h"
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
    // The name and its detail as the user knows them; both the product code when no name is set.
    std::wstring name = {};
    std::wstring nameDetail = {};
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
    // The installed products behind the entry, as the user knows them.
    std::vector<FakeProduct> products = {};
    // The answer of GetUpgradeCode when it fails.
    HRESULT upgradeCodeResult = S_OK;
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
    // Installed distributions the component lists.
    struct InstalledDistribution {
        std::wstring guid, version, title;
    };
    std::vector<InstalledDistribution> installedDistributions;
};

// A new object (one reference) over `data`, which must outlive it.
IZKSystemInfo* CreateFakeSystemInfo(const FakeSystemInfoData& data);

// The shared stand-in services that answer GetSystemInfo with the in-memory component over
// `systemInfo`, installed for the object's lifetime.
class TestAppServices : public testsupport::StandInApplicationServices {
public:
    void GetSystemInfo(IUnknown** systemInfo) override;
    // The distribution's description object over `systemInfo`; other classes are not there.
    HRESULT CreateSystemInfoObject(REFCLSID classId, REFIID, void** object) override;

    FakeSystemInfoData systemInfo;

private:
    testsupport::ScopedApplicationServices m_scope{this};
};

// Message boxes recorded instead of shown, for the object's lifetime.
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    static std::vector<std::wstring> texts;

private:
    ScopedOverride<decltype(g_pfnMessageBoxW)> m_box;
};

}  // namespace modeltest
