// The check of a folder the user typed or picked as an installation folder.
#pragma once

#include <windows.h>

// Returns when the path may serve as an installation folder (a null or empty path is accepted
// unchecked); otherwise throws WindowsError whose context is the message for the user. Checked
// in order: length, form (a drive or UNC path), the volume, every folder name from the end back
// to the root (reserved device names, files in the way, forbidden characters), the characters
// against the user's code page, and last that the folder can be entered.
void ValidateInstallPath(const wchar_t* path);

// Seam: the volume query (GetVolumeInformationW) on the path's root, whose failures the tests
// choose.
using VolumeInformationQuery = BOOL(WINAPI*)(LPCWSTR, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD);
extern VolumeInformationQuery g_pfnGetVolumeInformationW;
