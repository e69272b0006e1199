// Platform family and version, WOW64, the Administrators test, restarting with the shutdown
// privilege, COM initialisation and paging the image in, with other systems reached through
// the platform seams.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "PlatformChecks.h"
#include "ScopedOverride.h"

namespace {

// --- fakes -------------------------------------------------------------------------------

OSVERSIONINFOW g_fakeVersion;

BOOL WINAPI FakeGetVersionEx(LPOSVERSIONINFOW info)
{
    DWORD size = info->dwOSVersionInfoSize;
    *info = g_fakeVersion;
    info->dwOSVersionInfoSize = size;
    return TRUE;
}

void SetFakeVersion(DWORD platform, DWORD major, DWORD minor, DWORD build = 0)
{
    ZeroMemory(&g_fakeVersion, sizeof(g_fakeVersion));
    g_fakeVersion.dwPlatformId = platform;
    g_fakeVersion.dwMajorVersion = major;
    g_fakeVersion.dwMinorVersion = minor;
    g_fakeVersion.dwBuildNumber = build;
    g_platformApi.GetVersionExW = &FakeGetVersionEx;
}

int g_exitWindowsCalls = 0;
UINT g_exitWindowsFlags = 0;
DWORD g_exitWindowsReason = 0;

BOOL WINAPI FakeExitWindowsEx(UINT flags, DWORD reason)
{
    ++g_exitWindowsCalls;
    g_exitWindowsFlags = flags;
    g_exitWindowsReason = reason;
    return TRUE;
}

int g_tokenOpens = 0;
DWORD g_openThreadTokenError = ERROR_NO_TOKEN;
bool g_processTokenFails = false;

BOOL WINAPI FakeOpenThreadToken(HANDLE thread, DWORD access, BOOL openAsSelf, PHANDLE token)
{
    (void)thread, (void)access, (void)openAsSelf, (void)token;
    ++g_tokenOpens;
    SetLastError(g_openThreadTokenError);
    return FALSE;
}

BOOL WINAPI FakeOpenProcessToken(HANDLE process, DWORD access, PHANDLE token)
{
    ++g_tokenOpens;
    if (g_processTokenFails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return OpenProcessToken(process, access, token);
}

// The groups that the fake token reports: SIDs given as authority 5 sub-authority lists.
struct FakeGroup {
    DWORD rid1;
    DWORD rid2;
    DWORD attributes;
};
std::vector<FakeGroup> g_fakeGroups;

BOOL WINAPI FakeGetTokenInformation(
    HANDLE, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD length, PDWORD returnLength)
{
    if (infoClass != TokenGroups) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DWORD sidSize = GetSidLengthRequired(2);
    const DWORD header = static_cast<DWORD>(
        offsetof(TOKEN_GROUPS, Groups) + sizeof(SID_AND_ATTRIBUTES) * (g_fakeGroups.empty() ? 1 : g_fakeGroups.size()));
    const DWORD needed = header + sidSize * static_cast<DWORD>(g_fakeGroups.size()) + 1;  // odd on purpose
    *returnLength = needed;
    if (length < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    BYTE* bytes = static_cast<BYTE*>(info);
    TOKEN_GROUPS* groups = static_cast<TOKEN_GROUPS*>(info);
    groups->GroupCount = static_cast<DWORD>(g_fakeGroups.size());
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    for (size_t i = 0; i < g_fakeGroups.size(); ++i) {
        PSID sid = bytes + header + sidSize * i;
        InitializeSid(sid, &nt, 2);
        *GetSidSubAuthority(sid, 0) = g_fakeGroups[i].rid1;
        *GetSidSubAuthority(sid, 1) = g_fakeGroups[i].rid2;
        groups->Groups[i].Sid = sid;
        groups->Groups[i].Attributes = g_fakeGroups[i].attributes;
    }
    return TRUE;
}

BOOL WINAPI FakeAdjustWithoutPrivilege(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD)
{
    SetLastError(ERROR_NOT_ALL_ASSIGNED);
    return TRUE;
}

const wchar_t* g_missingFunction = nullptr;  // name (wide) of the function the fake system lacks
bool g_noModules = false;

BOOL WINAPI FakeIsWow64ProcessTrue(HANDLE, PBOOL wow64)
{
    *wow64 = TRUE;
    return TRUE;
}

BOOL WINAPI FakeIsWow64ProcessFails(HANDLE, PBOOL wow64)
{
    *wow64 = TRUE;
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

FARPROC g_isWow64Replacement = nullptr;

FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR name)
{
    if (g_noModules) {
        return nullptr;
    }
    if (g_missingFunction != nullptr) {
        std::wstring wide(name, name + strlen(name));
        if (wide == g_missingFunction) {
            return nullptr;
        }
    }
    if (g_isWow64Replacement != nullptr && strcmp(name, "IsWow64Process") == 0) {
        return g_isWow64Replacement;
    }
    return ::GetProcAddress(module, name);
}

template <class F> FARPROC AsFarProc(F function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// Restores the real platform calls after each test; a restart is never real.
class PlatformChecks : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_platformApi.ExitWindowsEx = &FakeExitWindowsEx;
        g_exitWindowsCalls = 0;
        g_tokenOpens = 0;
        g_openThreadTokenError = ERROR_NO_TOKEN;
        g_processTokenFails = false;
        g_fakeGroups.clear();
        g_missingFunction = nullptr;
        g_noModules = false;
        g_isWow64Replacement = nullptr;
    }

    ScopedOverride<PlatformApi> m_platform{g_platformApi};
};

// No test of this program may restart Windows, whatever its seams: under Wine that ends the
// whole session.
class NoRestartEnvironment : public ::testing::Environment {
public:
    void SetUp() override { g_platformApi.ExitWindowsEx = &FakeExitWindowsEx; }
};
::testing::Environment* const g_noRestart = ::testing::AddGlobalTestEnvironment(new NoRestartEnvironment);

}  // namespace

TEST_F(PlatformChecks, FamilyAndVersionTests)
{
    const struct {
        const char* name;
        DWORD platform, major, minor;
        bool nt, nt4, w2k, w98;
    } cases[] = {
        {"95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, false, false, false, false},
        {"98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, false, false, false, true},
        {"Me", VER_PLATFORM_WIN32_WINDOWS, 4, 90, false, false, false, false},
        {"NT 4", VER_PLATFORM_WIN32_NT, 4, 0, true, true, false, false},
        {"2000", VER_PLATFORM_WIN32_NT, 5, 0, true, false, true, false},
        {"XP", VER_PLATFORM_WIN32_NT, 5, 1, true, false, true, false},
        {"7", VER_PLATFORM_WIN32_NT, 6, 1, true, false, true, false},
    };
    for (const auto& c : cases) {
        SetFakeVersion(c.platform, c.major, c.minor);
        EXPECT_EQ(c.nt, IsWindowsNT()) << c.name;
        EXPECT_EQ(c.nt4, IsWindowsNT4()) << c.name;
        EXPECT_EQ(c.w2k, IsWindows2000OrLater()) << c.name;
        EXPECT_EQ(c.w98, IsWindows98()) << c.name;
    }
}

TEST_F(PlatformChecks, RealSystemIsTheNtFamily)
{
    EXPECT_TRUE(IsWindowsNT());
    EXPECT_TRUE(IsWindows2000OrLater());
    EXPECT_FALSE(IsWindows98());
}

TEST_F(PlatformChecks, AdministratorOnWindows9xTouchesNoToken)
{
    SetFakeVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    g_platformApi.OpenThreadToken = &FakeOpenThreadToken;
    g_platformApi.OpenProcessToken = &FakeOpenProcessToken;
    EXPECT_TRUE(IsAdministrator());
    EXPECT_EQ(0, g_tokenOpens);
}

TEST_F(PlatformChecks, AdministratorMembershipCountsWhateverItsAttributes)
{
    const DWORD users = DOMAIN_ALIAS_RID_USERS;
    const DWORD admins = DOMAIN_ALIAS_RID_ADMINS;
    const struct {
        const char* name;
        std::vector<FakeGroup> groups;
        bool expected;
    } cases[] = {
        {"no groups", {}, false},
        {"users only", {{SECURITY_BUILTIN_DOMAIN_RID, users, SE_GROUP_ENABLED}}, false},
        {"enabled admin",
            {{SECURITY_BUILTIN_DOMAIN_RID, users, SE_GROUP_ENABLED},
                {SECURITY_BUILTIN_DOMAIN_RID, admins, SE_GROUP_ENABLED}},
            true},
        {"deny-only admin", {{SECURITY_BUILTIN_DOMAIN_RID, admins, SE_GROUP_USE_FOR_DENY_ONLY}}, true},
        {"other authority rid", {{33, admins, SE_GROUP_ENABLED}}, false},
    };
    g_platformApi.GetTokenInformation = &FakeGetTokenInformation;
    for (const auto& c : cases) {
        g_fakeGroups = c.groups;
        EXPECT_EQ(c.expected, IsAdministrator()) << c.name;
    }
}

TEST_F(PlatformChecks, AdministratorFallsBackToTheProcessTokenOnlyWithoutAThreadToken)
{
    g_fakeGroups = {{SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, SE_GROUP_ENABLED}};
    g_platformApi.GetTokenInformation = &FakeGetTokenInformation;
    g_platformApi.OpenThreadToken = &FakeOpenThreadToken;
    g_platformApi.OpenProcessToken = &FakeOpenProcessToken;

    EXPECT_TRUE(IsAdministrator());  // ERROR_NO_TOKEN: the process token
    EXPECT_EQ(2, g_tokenOpens);

    g_tokenOpens = 0;
    g_openThreadTokenError = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(IsAdministrator());
    EXPECT_EQ(1, g_tokenOpens);

    g_openThreadTokenError = ERROR_NO_TOKEN;
    g_processTokenFails = true;
    EXPECT_FALSE(IsAdministrator());
}

TEST_F(PlatformChecks, RealUserIsAnAdministrator)
{
    EXPECT_TRUE(IsAdministrator());  // the test prefix's user always is
}

TEST_F(PlatformChecks, RestartOnWindows9xCallsExitWindowsDirectly)
{
    SetFakeVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    g_platformApi.OpenThreadToken = &FakeOpenThreadToken;
    g_platformApi.OpenProcessToken = &FakeOpenProcessToken;
    EXPECT_EQ(TRUE, ExitWindowsWithPrivilege(EWX_REBOOT));
    EXPECT_EQ(0, g_tokenOpens);
    EXPECT_EQ(1, g_exitWindowsCalls);
    EXPECT_EQ(static_cast<UINT>(EWX_REBOOT), g_exitWindowsFlags);
    EXPECT_EQ(0u, g_exitWindowsReason);
}

TEST_F(PlatformChecks, RestartOnNtEnablesTheShutdownPrivilegeFirst)
{
    EXPECT_EQ(TRUE, ExitWindowsWithPrivilege(EWX_REBOOT));
    EXPECT_EQ(1, g_exitWindowsCalls);
    EXPECT_EQ(static_cast<UINT>(EWX_REBOOT), g_exitWindowsFlags);
}

TEST_F(PlatformChecks, RestartWithoutTheShutdownPrivilegeDoesNotRestart)
{
    g_platformApi.AdjustTokenPrivileges = &FakeAdjustWithoutPrivilege;
    EXPECT_EQ(0, ExitWindowsWithPrivilege(EWX_REBOOT));
    EXPECT_EQ(0, g_exitWindowsCalls);

    g_platformApi = m_platform.Previous();
    g_platformApi.ExitWindowsEx = &FakeExitWindowsEx;
    g_platformApi.OpenThreadToken = &FakeOpenThreadToken;
    g_platformApi.OpenProcessToken = &FakeOpenProcessToken;
    g_processTokenFails = true;
    EXPECT_EQ(0, ExitWindowsWithPrivilege(EWX_REBOOT));
    EXPECT_EQ(0, g_exitWindowsCalls);
}

TEST_F(PlatformChecks, SetTokenPrivilege)
{
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    EXPECT_TRUE(SetTokenPrivilege(token, L"SeShutdownPrivilege", true));
    EXPECT_TRUE(SetTokenPrivilege(token, L"SeShutdownPrivilege", false));
    EXPECT_FALSE(SetTokenPrivilege(token, L"SeNoSuchPrivilege", true));
    g_platformApi.AdjustTokenPrivileges = &FakeAdjustWithoutPrivilege;
    EXPECT_FALSE(SetTokenPrivilege(token, L"SeShutdownPrivilege", true));
    CloseHandle(token);
}

TEST_F(PlatformChecks, Wow64)
{
    g_platformApi.GetProcAddress = &FakeGetProcAddress;
#if defined(__x86_64__) || defined(_M_X64)
    EXPECT_FALSE(IsWow64());  // a 64-bit process never runs under WOW64
#endif
    g_isWow64Replacement = AsFarProc(&FakeIsWow64ProcessTrue);
    EXPECT_TRUE(IsWow64());
    g_isWow64Replacement = AsFarProc(&FakeIsWow64ProcessFails);
    EXPECT_FALSE(IsWow64());
    g_isWow64Replacement = nullptr;
    g_missingFunction = L"IsWow64Process";
    EXPECT_FALSE(IsWow64());
}

namespace {

const wchar_t kTestKey[] = L"Software\\VelmoTests\\ServicePack";

LSTATUS WINAPI FakeRegOpenKeyEx(HKEY, LPCWSTR, DWORD options, REGSAM access, PHKEY result)
{
    return RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, options, access, result);
}

}  // namespace

TEST_F(PlatformChecks, Nt4ServicePackFromTheRegistry)
{
    g_platformApi.RegOpenKeyExW = &FakeRegOpenKeyEx;
    RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
    DWORD servicePack = 0xDEAD;
    EXPECT_FALSE(GetNT4ServicePack(servicePack));  // no key

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
        RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_FALSE(GetNT4ServicePack(servicePack));  // no value

    const wchar_t text[] = L"0x600";
    RegSetValueExW(key, L"CSDVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text));
    EXPECT_FALSE(GetNT4ServicePack(servicePack));  // not a number value

    DWORD sp6 = 0x600;
    RegSetValueExW(key, L"CSDVersion", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&sp6), sizeof(sp6));
    EXPECT_TRUE(GetNT4ServicePack(servicePack));
    EXPECT_EQ(0x600u, servicePack);

    RegCloseKey(key);
    RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
}

namespace {

// Each COM case runs on a thread of its own, so that no apartment is left behind.
struct ComCase {
    DWORD model;
    HRESULT first;
    HRESULT second;
    HRESULT realAfterwards;  // a multithreaded CoInitializeEx after the two calls
};

DWORD WINAPI RunComCase(LPVOID parameter)
{
    ComCase* c = static_cast<ComCase*>(parameter);
    c->first = CoInitializeExIfAvailable(nullptr, c->model);
    c->second = CoInitializeExIfAvailable(nullptr, c->model);
    c->realAfterwards = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    for (int i = 0; i < 3; ++i) {
        CoUninitialize();
    }
    return 0;
}

ComCase RunOnThread(DWORD model)
{
    ComCase c = {model, E_UNEXPECTED, E_UNEXPECTED, E_UNEXPECTED};
    HANDLE thread = CreateThread(nullptr, 0, &RunComCase, &c, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return c;
}

}  // namespace

TEST_F(PlatformChecks, ComInitialisation)
{
    ComCase c = RunOnThread(COINIT_MULTITHREADED);
    EXPECT_EQ(S_OK, c.first);
    EXPECT_EQ(S_FALSE, c.second);  // already initialised: not 0
    EXPECT_EQ(S_FALSE, c.realAfterwards);

    SetFakeVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    c = RunOnThread(COINIT_MULTITHREADED);
    EXPECT_EQ(S_OK, c.first);
    EXPECT_EQ(RPC_E_CHANGED_MODE, c.realAfterwards);  // apartment-threaded on the 9x family
    g_platformApi.GetVersionExW = m_platform.Previous().GetVersionExW;

    g_platformApi.GetProcAddress = &FakeGetProcAddress;
    g_missingFunction = L"CoInitializeEx";
    c = RunOnThread(COINIT_MULTITHREADED);
    EXPECT_EQ(S_OK, c.first);
    EXPECT_EQ(RPC_E_CHANGED_MODE, c.realAfterwards);  // CoInitialize: apartment-threaded

    g_noModules = true;
    c = RunOnThread(COINIT_MULTITHREADED);
    EXPECT_EQ(E_FAIL, c.first);
}

TEST_F(PlatformChecks, PageInImageKeepsTheModuleWorkingAndItsProtection)
{
    HMODULE module = GetModuleHandleW(nullptr);
    MEMORY_BASIC_INFORMATION before = {};
    ASSERT_NE(0u, VirtualQuery(reinterpret_cast<const void*>(&FakeGetVersionEx), &before, sizeof(before)));
    PageInImage(module);
    MEMORY_BASIC_INFORMATION after = {};
    ASSERT_NE(0u, VirtualQuery(reinterpret_cast<const void*>(&FakeGetVersionEx), &after, sizeof(after)));
    EXPECT_EQ(before.Protect, after.Protect);
    SetFakeVersion(VER_PLATFORM_WIN32_NT, 4, 0);
    EXPECT_TRUE(IsWindowsNT4());  // code and data of the image still work
}
