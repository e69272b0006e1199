// The one way program code shows a message box. Tests replace the pointer to see (and answer)
// the boxes instead of blocking on a window nobody closes.
#pragma once

#include <windows.h>

extern int(WINAPI* g_pfnMessageBoxW)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
