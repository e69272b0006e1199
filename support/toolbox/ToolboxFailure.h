// Reports of the toolbox's functions that end the operation in every case: the output object
// raises its exception when it starts a report, and returns when a report is already in
// progress; these raise one then too, so the failed operation never goes on.
#pragma once

#include <windows.h>

namespace OrbelToolbox {

[[noreturn]] void Refuse(int code, const wchar_t* format, ...);
[[noreturn]] void RefuseWindowsError(DWORD error, const wchar_t* functionName);
[[noreturn]] void RefuseLastWindowsError(const wchar_t* functionName);
[[noreturn]] void RefuseCrtError(const wchar_t* functionName);

}  // namespace OrbelToolbox
