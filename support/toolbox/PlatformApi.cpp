#include "PlatformApi.h"

PlatformApi g_platformApi = {
    &::GetVersionExW,
    &::OpenThreadToken,
    &::OpenProcessToken,
    &::GetTokenInformation,
    &::AdjustTokenPrivileges,
    &::ExitWindowsEx,
    &::RegOpenKeyExW,
    &::GetProcAddress,
    &::GetVersionExA,
};

bool QueryOsVersion(OSVERSIONINFOW& info)
{
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    return g_platformApi.GetVersionExW(&info) != FALSE;
}
