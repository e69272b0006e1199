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

// Starts a command line; its process. A start that fails with ERROR_INTERNAL_ERROR is tried
// again. Throws naming the command when it cannot start.
HANDLE StartProcess(const std::wstring& commandLine);
// Waits for `process` to end (ending it after kRunTimeoutMs) and closes it; its exit code.
// Throws naming the command when it did not end.
DWORD FinishProcess(HANDLE process, const std::wstring& commandLine);

// The entry of a benchmark that times setup over distributions. "<setup.exe> <rounds>
// <folder>..." runs `benchOne(setup, rounds, folder)` for each folder; "--floor <folder>" runs
// `floor(folder)` (the benchmark's floor, in a process of its own). Errors are printed after
// `name`; the exit code.
using FloorRun = void (*)(const std::wstring& root);
using DistributionBench = void (*)(const std::wstring& setup, int rounds, const std::wstring& root);
int BenchMain(int argc, wchar_t** argv, const char* name, FloorRun floor, DistributionBench benchOne);

long long Counter();
// Counter ticks in seconds.
double Seconds(long long ticks);
// The counter now, in seconds.
double Now();

// The environment variable that names the file setup (a VELMO_BENCH build) writes its timeline
// to, and the one that makes it go on past the end of its initialisation.
const wchar_t kTimelineVariable[] = L"VELMO_BENCH_TIMELINE";
const wchar_t kWholeRunVariable[] = L"VELMO_BENCH_WHOLE_RUN";

// One line of a timeline: "<label>:<value>" and the performance counter.
struct Mark {
    std::string label;
    long long counter;
};

// Runs a command line to its end with the timeline in `timeline` (and, with `wholeRun`, past
// the initialisation); the marks it wrote, the process's start first (labelled "start") and, with
// `wholeRun`, its end last (labelled "exit"). Throws when the process ends with a code other than
// 0 or 3010.
std::vector<Mark> RunTimed(const std::wstring& commandLine, const std::wstring& timeline, bool wholeRun);
// The timeline's file in the temporary folder.
std::wstring TimelinePath(const wchar_t* name);
// Names the stretches that end at each of setup's marks (marks[1] on): the progress events of
// the load become the parts read and the initialisation steps; any other mark gives its label.
std::vector<std::string> NameStretches(const std::vector<Mark>& marks);

// The time of setup's run by stretch, summed over runs; a name that ends several stretches
// (a step of every part) adds them up. Printed in the order the names first came.
class StretchTotals {
public:
    void Add(const std::vector<Mark>& marks);
    // " <name>_ms=<mean over `runs` in ms>" for each name.
    std::string Format(int runs) const;

private:
    std::vector<std::string> m_names;
    std::vector<double> m_seconds;
};

}  // namespace bench
