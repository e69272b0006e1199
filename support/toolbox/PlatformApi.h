// The one seam of the platform calls whose results the machine at hand cannot vary: the
// system's version, the tokens and privileges of the Administrators test, restarting Windows,
// registry opening and the look-up of functions bound by name. Each entry defaults to the real
// call; tests replace entries (ScopedOverride) to stand in for other systems and for failures.
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
    // The look-up of the functions bound by name (DynamicLibrary.h).
    FARPROC(WINAPI* GetProcAddress)(HMODULE module, LPCSTR name);
    // The ANSI version query, for systems where the wide one fails.
    BOOL(WINAPI* GetVersionExA)(LPOSVERSIONINFOA info);
};

extern PlatformApi g_platformApi;

// The running system's version (basic OSVERSIONINFOW); false when GetVersionExW fails.
bool QueryOsVersion(OSVERSIONINFOW& info);
