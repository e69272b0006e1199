#include "MessageBox.h"

int(WINAPI* g_pfnMessageBoxW)(HWND, LPCWSTR, LPCWSTR, UINT) = ::MessageBoxW;
