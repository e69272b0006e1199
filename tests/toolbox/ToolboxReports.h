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

inline FARPROC FindWithoutShell(const wchar_t* module, const char* name)
{
    if (_wcsicmp(module, L"shlwapi.dll") == 0 || strcmp(name, "GetVolumePathNameW") == 0) {
        return nullptr;
    }
    return FindSystemFunctionReal(module, name);
}

// For its lifetime the shell library's path functions and GetVolumePathNameW are missing.
class WithoutShellFunctions {
public:
    WithoutShellFunctions() : m_override(g_platformApi.FindSystemFunction, &FindWithoutShell) { }

private:
    ScopedOverride<FARPROC (*)(const wchar_t*, const char*)> m_override;
};

}  // namespace toolboxtest
