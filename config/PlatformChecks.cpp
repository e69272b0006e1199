#include "PlatformChecks.h"

#include <objbase.h>

#include <vector>

#include "DynamicLibrary.h"
#include "UniqueHandle.h"

using OrbelToolbox::UniqueKernelHandle;

namespace {

// The calling thread's token, or the process's when the thread has none.
bool OpenCurrentToken(DWORD access, BOOL openAsSelf, UniqueKernelHandle& token)
{
    if (g_platformApi.OpenThreadToken(GetCurrentThread(), access, openAsSelf, token.AddressOf())) {
        return true;
    }
    if (GetLastError() != ERROR_NO_TOKEN) {
        return false;
    }
    return g_platformApi.OpenProcessToken(GetCurrentProcess(), access, token.AddressOf()) != FALSE;
}

DWORD g_pageSize = 0;

}  // namespace

bool IsWindowsNT()
{
    OSVERSIONINFOW info;
    return QueryOsVersion(info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool IsWindowsNT4()
{
    OSVERSIONINFOW info;
    return QueryOsVersion(info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion == 4;
}

bool IsWindows2000OrLater()
{
    OSVERSIONINFOW info;
    return QueryOsVersion(info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion > 4;
}

bool IsWindows98()
{
    OSVERSIONINFOW info;
    return QueryOsVersion(info) && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && info.dwMajorVersion == 4
        && info.dwMinorVersion == 10;
}

bool GetNT4ServicePack(DWORD& servicePack)
{
    OrbelToolbox::UniqueRegKey key;
    if (g_platformApi.RegOpenKeyExW(
            HKEY_LOCAL_MACHINE, L"system\\CurrentControlSet\\control\\windows", 0, KEY_READ, key.AddressOf())
        != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    LSTATUS status = RegQueryValueExW(key.Get(), L"CSDVersion", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) {
        return false;
    }
    servicePack = value;
    return true;
}

bool IsWow64()
{
    static OrbelToolbox::DynamicFunction<BOOL> isWow64Process(&OrbelToolbox::Kernel32Library(), "IsWow64Process");
    if (!isWow64Process.IsLoaded()) {
        return false;
    }
    BOOL wow64 = FALSE;
    return isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool IsAdministrator()
{
    if (!IsWindowsNT()) {
        return true;
    }
    UniqueKernelHandle token;
    if (!OpenCurrentToken(TOKEN_QUERY, FALSE, token)) {
        return false;
    }
    DWORD size = 0;
    if (g_platformApi.GetTokenInformation(token.Get(), TokenGroups, nullptr, 0, &size)
        || GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return false;
    }
    // DWORD elements keep the groups' pointers and SIDs aligned.
    std::vector<DWORD> buffer((size + sizeof(DWORD) - 1) / sizeof(DWORD));
    DWORD bufferSize = static_cast<DWORD>(buffer.size() * sizeof(DWORD));
    if (bufferSize < sizeof(TOKEN_GROUPS)
        || !g_platformApi.GetTokenInformation(token.Get(), TokenGroups, buffer.data(), bufferSize, &size)) {
        return false;
    }
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(
            &ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
        return false;
    }
    const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    bool member = false;
    for (DWORD i = 0; i < groups->GroupCount && !member; ++i) {
        // Enabled or deny-only: the attributes do not matter.
        member = groups->Groups[i].Sid != nullptr && EqualSid(groups->Groups[i].Sid, administrators);
    }
    FreeSid(administrators);
    return member;
}

bool SetTokenPrivilege(HANDLE token, const wchar_t* privilege, bool enable)
{
    TOKEN_PRIVILEGES privileges = {};
    if (!LookupPrivilegeValueW(nullptr, privilege, &privileges.Privileges[0].Luid)) {
        return false;
    }
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    SetLastError(ERROR_SUCCESS);
    g_platformApi.AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
    return GetLastError() == ERROR_SUCCESS;
}

BOOL ExitWindowsWithPrivilege(UINT flags)
{
    if (IsWindowsNT()) {
        UniqueKernelHandle token;
        if (!OpenCurrentToken(TOKEN_ADJUST_PRIVILEGES, TRUE, token)) {
            return 0;
        }
        TOKEN_PRIVILEGES privileges = {};
        if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
            return 0;
        }
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        SetLastError(ERROR_SUCCESS);
        g_platformApi.AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
        if (GetLastError() != ERROR_SUCCESS) {
            return 0;
        }
    }
    return g_platformApi.ExitWindowsEx(flags, 0);
}

HRESULT CoInitializeExIfAvailable(LPVOID reserved, DWORD concurrencyModel)
{
    static OrbelToolbox::DynamicLibrary ole32(L"ole32.dll");
    static OrbelToolbox::DynamicFunction<HRESULT> coInitializeEx(&ole32, "CoInitializeEx");
    static OrbelToolbox::DynamicFunction<HRESULT> coInitialize(&ole32, "CoInitialize");
    if (!coInitializeEx.IsLoaded()) {
        return coInitialize.IsLoaded() ? coInitialize(reserved) : E_FAIL;
    }
    DWORD model = IsWindowsNT() ? concurrencyModel : static_cast<DWORD>(COINIT_APARTMENTTHREADED);
    return coInitializeEx(reserved, model);
}

DWORD PageInImage(const void* base)
{
    if (g_pageSize == 0) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        g_pageSize = info.dwPageSize;
    }
    const BYTE* address = static_cast<const BYTE*>(base);
    MEMORY_BASIC_INFORMATION region;
    while (VirtualQuery(address, &region, sizeof(region)) == sizeof(region) && region.AllocationBase == base) {
        BYTE* start = static_cast<BYTE*>(region.BaseAddress);
        if (region.State == MEM_COMMIT && (region.Protect & PAGE_GUARD) == 0) {
            DWORD protect = region.Protect & 0xFF;
            bool readOnly = protect == PAGE_NOACCESS || protect == PAGE_READONLY || protect == PAGE_EXECUTE
                || protect == PAGE_EXECUTE_READ;
            bool changed = false;
            DWORD oldProtect = 0;
            if (readOnly) {
                changed = VirtualProtect(start, region.RegionSize, PAGE_EXECUTE_READWRITE, &oldProtect) != FALSE;
            }
            // A region that stayed read-only is left alone: writing to it would fault.
            for (SIZE_T offset = 0; (!readOnly || changed) && offset < region.RegionSize; offset += g_pageSize) {
                volatile DWORD* word = reinterpret_cast<volatile DWORD*>(start + offset);
                *word = *word;
            }
            if (changed) {
                VirtualProtect(start, region.RegionSize, oldProtect, &oldProtect);
            }
        }
        address = start + region.RegionSize;
    }
    return GetLastError();
}
