// What the program runs on, and the few acts on the machine that need the platform's help:
// platform family and version, WOW64, the Administrators test, restarting Windows with the
// shutdown privilege, initialising COM where the call exists, and paging the program's image
// into memory before its medium may go away.
//
// Every platform test asks GetVersionExW afresh; nothing is cached. The platform calls go
// through the platform seam `g_platformApi` (PlatformApi.h).
#pragma once

#include <windows.h>

#include "PlatformApi.h"

bool IsWindowsNT();           // platform VER_PLATFORM_WIN32_NT
bool IsWindowsNT4();          // NT family, major version 4
bool IsWindows2000OrLater();  // NT family, major version above 4
bool IsWindows98();           // VER_PLATFORM_WIN32_WINDOWS 4.10

// The REG_DWORD "CSDVersion" of HKLM\system\CurrentControlSet\control\windows (service-pack
// level in the high byte, 0x600 for Service Pack 6); false when the key or value is missing.
bool GetNT4ServicePack(DWORD& servicePack);

// True when kernel32 has IsWow64Process and it reports the process as running under WOW64.
bool IsWow64();

// True when the calling thread's token (else the process's) holds the local Administrators
// group, enabled or deny-only; always true outside the NT family.
bool IsAdministrator();

// Enables or disables one privilege of a token; true when GetLastError is 0 afterwards.
bool SetTokenPrivilege(HANDLE token, const wchar_t* privilege, bool enable);

// ExitWindowsEx with the shutdown privilege enabled first on the NT family; nonzero when the
// shutdown was started, 0 when the privilege could not be had.
BOOL ExitWindowsWithPrivilege(UINT flags);

// CoInitializeEx where ole32 has it (on the 9x family always apartment-threaded), else
// CoInitialize; E_FAIL without ole32.
HRESULT CoInitializeExIfAvailable(LPVOID reserved, DWORD concurrencyModel);

// Reads and writes back one word of every committed page of the module loaded at `base`, so
// that each page has its own copy in memory. Returns GetLastError at the end.
DWORD PageInImage(const void* base);
