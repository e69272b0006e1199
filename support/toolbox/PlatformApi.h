// The one seam of the platform calls whose results the machine at hand cannot vary: the
// system's version, the tokens and privileges of the Administrators test, restarting Windows,
// registry opening and functions bound by name. Each entry defaults to the real call; tests
// replace entries (ScopedOverride) to stand in for other systems and for failures.
#pragma once

#include <windows.h>

struct PlatformApi {
    BOOL(WINAPI* GetVersionExW)(LPOSVERSIONINFOW info);
    BOOL(WINAPI* OpenThreadToken)(HANDLE thread, DWORD access, BOOL openAsSelf, PHANDLE token);
    BOOL(WINAPI* OpenProcessToken)(HANDLE process, DWORD access, PHANDLE token);
    BOOL(WINAPI* GetTokenInformation)
    (HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD length, PDWORD returnLength);
    BOOL(WINAPI* AdjustTokenPrivileges)
    (HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD length, PTOKEN_PRIVILEGES previous,
        PDWORD returnLength);
    BOOL(WINAPI* ExitWindowsEx)(UINT flags, DWORD reason);
    LSTATUS(WINAPI* RegOpenKeyExW)(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
    // An export of a system module, the module loaded when needed (it stays loaded); null when
    // the module or the function is missing.
    FARPROC (*FindSystemFunction)(const wchar_t* module, const char* name);
    // The ANSI version query, for systems where the wide one fails.
    BOOL(WINAPI* GetVersionExA)(LPOSVERSIONINFOA info);
};

extern PlatformApi g_platformApi;

// The real look-up behind PlatformApi::FindSystemFunction.
FARPROC FindSystemFunctionReal(const wchar_t* module, const char* name);

// A system function bound by name through the seam, or null.
template <class Function> Function BindSystemFunction(const wchar_t* module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(g_platformApi.FindSystemFunction(module, name)));
}

// The running system's version (basic OSVERSIONINFOW); false when GetVersionExW fails.
bool QueryOsVersion(OSVERSIONINFOW& info);
