// The start-up's checks of the machine: operating-system bounds against versions the platform
// seam reports, the registration of msi.dll, and the version keys of installed products.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MessageBox.h"
#include "PlatformChecks.h"
#include "ScopedOverride.h"
#include "VelmoInstaller.h"

namespace {

// The extended version record the seam reports for the service pack.
OSVERSIONINFOEXW g_reported = {};

BOOL WINAPI ReportedVersion(LPOSVERSIONINFOW info)
{
    const DWORD size = info->dwOSVersionInfoSize;
    memcpy(info, &g_reported, size < sizeof(g_reported) ? size : sizeof(g_reported));
    info->dwOSVersionInfoSize = size;
    return TRUE;
}

OSVERSIONINFOW Version(DWORD major, DWORD minor, DWORD build, WORD servicePack)
{
    g_reported = {};
    g_reported.dwOSVersionInfoSize = sizeof(g_reported);
    g_reported.dwMajorVersion = major;
    g_reported.dwMinorVersion = minor;
    g_reported.dwBuildNumber = build;
    g_reported.dwPlatformId = VER_PLATFORM_WIN32_NT;
    g_reported.wServicePackMajor = servicePack;
    OSVERSIONINFOW basic = {};
    basic.dwOSVersionInfoSize = sizeof(basic);
    ReportedVersion(&basic);
    return basic;
}

struct BoundCase {
    const char* name;
    DWORD major, minor, build;
    WORD servicePack;
    const wchar_t* bound;
    bool isMinimum;
    bool passes;
};

TEST(OsBounds, BoundsAgainstTheRunningSystem)
{
    const BoundCase cases[] = {
        {"XP above a 2000 SP4 minimum", 5, 1, 2600, 0, L"5,0,2195,4,0", true, true},
        {"XP above a 2000 SP4 maximum", 5, 1, 2600, 0, L"5,0,2195,4,0", false, false},
        {"2000 without service pack below SP4", 5, 0, 2195, 0, L"5,0,2195,4,0", true, false},
        {"2000 without service pack, minimum 5,0", 5, 0, 2195, 0, L"5,0", true, true},
        {"2000 SP4 equal to the minimum", 5, 0, 2195, 4, L"5,0,2195,4,0", true, true},
        {"NT 4 never passes a minimum", 4, 0, 1381, 6, L"3,0", true, false},
        {"NT 4 never passes a maximum", 4, 0, 1381, 6, L"10,0", false, false},
        {"Windows 10 below a 6.1 maximum", 10, 0, 19045, 0, L"6,1", false, false},
        {"Windows 7 at a 6.1 maximum with build 0", 6, 1, 7601, 1, L"6,1", false, false},
        {"Windows 7 under a 6.1.7601 SP1 maximum", 6, 1, 7601, 1, L"6,1,7601,1,0", false, true},
    };
    ScopedOverride override(g_platformApi.GetVersionExW, &ReportedVersion);
    for (const BoundCase& c : cases) {
        SCOPED_TRACE(c.name);
        OSVERSIONINFOW version = Version(c.major, c.minor, c.build, c.servicePack);
        EXPECT_EQ(c.passes, CompareOsVersion(c.bound, version, c.isMinimum, true));
    }
}

TEST(OsBounds, ServicePackFromTheTextWhenTheExtendedRecordFails)
{
    struct Fails {
        static BOOL WINAPI Call(LPOSVERSIONINFOW) { return FALSE; }
    };
    ScopedOverride override(g_platformApi.GetVersionExW, &Fails::Call);
    OSVERSIONINFOW version = {};
    version.dwMajorVersion = 5;
    version.dwBuildNumber = 2195;
    version.dwPlatformId = VER_PLATFORM_WIN32_NT;
    wcscpy(version.szCSDVersion, L"Service Pack 4");
    EXPECT_TRUE(CompareOsVersion(L"5,0,2195,4,0", version, true, true));
    wcscpy(version.szCSDVersion, L"Service Pack 3");
    EXPECT_FALSE(CompareOsVersion(L"5,0,2195,4,0", version, true, true));
}

// Windows Installer's automation class as registered in the test prefix.
const wchar_t kMsiServerKey[] = L"CLSID\\{000C1090-0000-0000-C000-000000000046}\\InprocServer32";

std::wstring RegisteredMsiPath()
{
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    RegGetValueW(HKEY_CLASSES_ROOT, kMsiServerKey, nullptr, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

TEST(MsiRegistration, MatchingAndMismatchedRegistration)
{
    const std::wstring registered = RegisteredMsiPath();
    ASSERT_FALSE(registered.empty());
    EXPECT_TRUE(CheckMsiEngineRegistration());

    // Another letter case is the same file.
    std::wstring upper = registered;
    for (wchar_t& c : upper)
        c = towupper(c);
    ASSERT_EQ(ERROR_SUCCESS,
        RegSetKeyValueW(HKEY_CLASSES_ROOT, kMsiServerKey, nullptr, REG_SZ, upper.c_str(),
            static_cast<DWORD>((upper.size() + 1) * sizeof(wchar_t))));
    EXPECT_TRUE(CheckMsiEngineRegistration());

    // A registration naming another file is repaired by registering the loaded msi.dll.
    const wchar_t other[] = L"C:\\elsewhere\\msi.dll";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CLASSES_ROOT, kMsiServerKey, nullptr, REG_SZ, other, sizeof(other)));
    EXPECT_TRUE(CheckMsiEngineRegistration());
    EXPECT_EQ(0, _wcsicmp(registered.c_str(), RegisteredMsiPath().c_str()));

    RegSetKeyValueW(HKEY_CLASSES_ROOT, kMsiServerKey, nullptr, REG_SZ, registered.c_str(),
        static_cast<DWORD>((registered.size() + 1) * sizeof(wchar_t)));
}

std::vector<std::wstring> g_boxes;

int WINAPI RecordBox(HWND, LPCWSTR text, LPCWSTR caption, UINT)
{
    g_boxes.push_back(std::wstring(caption) + L"|" + text);
    return IDOK;
}

// Version subkeys of one product key for the time of a test.
class VersionKeys {
public:
    explicit VersionKeys(const wchar_t* product) : m_product(product) { }
    ~VersionKeys()
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, m_product);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Zekova Systems\\Common\\Installer");
    }
    void Add(const wchar_t* version)
    {
        HKEY key = nullptr;
        std::wstring path = std::wstring(m_product) + L"\\" + version;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        RegCloseKey(key);
    }

private:
    const wchar_t* m_product;
};

TEST(VersionKeys, OnlyVersionNamesWhoseLengthIsAMultipleOfEight)
{
    const wchar_t product[] = L"SOFTWARE\\Zekova Systems\\Parrox";
    VersionKeys keys(product);
    keys.Add(L"8.20.0.1");  // 8 characters: listed
    keys.Add(L"1.0.0.0");   // 7 characters
    keys.Add(L"2.22");      // 4 characters
    keys.Add(L"10.20.30.400");  // 12 characters
    keys.Add(L"00.0.0.0");  // reads as 0.0.0.0
    keys.Add(L"Settings");  // no number
    g_boxes.clear();
    ScopedOverride box(g_pfnMessageBoxW, &RecordBox);
    EXPECT_FALSE(theApp.CheckInstalledVersionKeys());
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_NE(std::wstring::npos, g_boxes[0].find(L"Fatal Error!|The installation has detected"));
    EXPECT_NE(std::wstring::npos, g_boxes[0].find(L"\tSOFTWARE\\Zekova Systems\\Parrox\\8.20.0.1\n"));
    EXPECT_EQ(std::wstring::npos, g_boxes[0].find(L"1.0.0.0"));
    EXPECT_EQ(std::wstring::npos, g_boxes[0].find(L"00.0.0.0"));
    EXPECT_EQ(std::wstring::npos, g_boxes[0].find(L"2.22"));
    EXPECT_EQ(std::wstring::npos, g_boxes[0].find(L"10.20.30.400"));

    // The switch that turns the check off.
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Zekova Systems\\Common\\Installer", 0, nullptr, 0, KEY_WRITE,
        nullptr, &key, nullptr);
    RegSetValueExW(
        key, L"DisableValidationForZKPathsHighestVersionReader", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"1"), 4);
    RegCloseKey(key);
    g_boxes.clear();
    EXPECT_TRUE(theApp.CheckInstalledVersionKeys());
    EXPECT_TRUE(g_boxes.empty());
}

TEST(VersionKeys, NoKeysPass)
{
    g_boxes.clear();
    ScopedOverride box(g_pfnMessageBoxW, &RecordBox);
    EXPECT_TRUE(theApp.CheckInstalledVersionKeys());
    EXPECT_TRUE(g_boxes.empty());
}

}  // namespace
