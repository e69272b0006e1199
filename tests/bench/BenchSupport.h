// What the benchmarks that time whole processes share: paths and INI values read, the parts a
// distribution's setup.ini lists, processes started and waited for, the performance counter.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

// How long a timed process may run before it counts as hung.
const DWORD kRunTimeoutMs = 10 * 60 * 1000;
// The switch that runs a benchmark's floor in its own process.
const wchar_t kFloorSwitch[] = L"--floor";

std::string Narrow(const std::wstring& text);
std::wstring ReadIni(const std::wstring& ini, const std::wstring& section, const wchar_t* key);
// The sections of the parts that the [Parts] section of `ini` lists, in order; throws when it
// lists none.
std::vector<std::wstring> PartSections(const std::wstring& ini);
// `path` made absolute, without trailing backslashes (a drive's root keeps its own).
std::wstring FullPath(const wchar_t* path);
// The benchmark's own program.
std::wstring ModulePath();

// Starts a command line; its process. Throws naming the command when it cannot start.
HANDLE StartProcess(const std::wstring& commandLine);
// Waits for `process` to end (ending it after kRunTimeoutMs) and closes it; its exit code.
// Throws naming the command when it did not end.
DWORD FinishProcess(HANDLE process, const std::wstring& commandLine);

long long Counter();
// Counter ticks in seconds.
double Seconds(long long ticks);

}  // namespace bench
