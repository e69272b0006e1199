#include "PlatformApi.h"

FARPROC FindSystemFunctionReal(const wchar_t* module, const char* name)
{
    HMODULE handle = GetModuleHandleW(module);
    if (handle == nullptr) {
        handle = LoadLibraryW(module);
    }
    return handle == nullptr ? nullptr : GetProcAddress(handle, name);
}

PlatformApi g_platformApi = {
    &::GetVersionExW,
    &::OpenThreadToken,
    &::OpenProcessToken,
    &::GetTokenInformation,
    &::AdjustTokenPrivileges,
    &::ExitWindowsEx,
    &::RegOpenKeyExW,
    &FindSystemFunctionReal,
    &::GetVersionExA,
};

bool QueryOsVersion(OSVERSIONINFOW& info)
{
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    return g_platformApi.GetVersionExW(&info) != FALSE;
}
