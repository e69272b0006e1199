// Helpers of the toolbox tests: the code a reporting call raised, and a platform without the
// optional shell functions (or the system's volume look-up).
#pragma once

#include <windows.h>

#include <cwchar>

#include "OrbelOutput.h"
#include "PlatformApi.h"
#include "ScopedOverride.h"

namespace toolboxtest {

// Runs `action` and returns the code of the report it raised (0 when it raised none).
template <class Action> int ReportedCode(Action action)
{
    try {
        action();
    } catch (const OrbelToolbox::OrbelOutput::PrivateException&) {
        return OrbelToolbox::OrbelOutput::GetErrorCode();
    }
    return 0;
}

inline FARPROC WINAPI FindWithoutShell(HMODULE module, LPCSTR name)
{
    if (module == GetModuleHandleW(L"shlwapi.dll") || strcmp(name, "GetVolumePathNameW") == 0) {
        return nullptr;
    }
    return ::GetProcAddress(module, name);
}

// For its lifetime the shell library's path functions and GetVolumePathNameW are missing.
class WithoutShellFunctions {
public:
    WithoutShellFunctions() : m_override(g_platformApi.GetProcAddress, &FindWithoutShell) { }

private:
    ScopedOverride<decltype(g_platformApi.GetProcAddress)> m_override;
};

}  // namespace toolboxtest
