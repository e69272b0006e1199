// Time from the start of setup's process to the end of its initialisation (where a quiet run
// would start installing), against Windows Installer's own floor for the same packages: one
// process that opens every part package and the merged package and runs CostInitialize,
// FileCost and CostFinalize in each. setup must be a benchmark build (VELMO_BENCH): it writes the
// marks of its start-up to the file named by VELMO_BENCH_TIMELINE and ends before installing.
//   load_bench.exe <setup.exe> <rounds> <distribution folder>...
//   load_bench.exe --floor <distribution folder>   (the floor's own process)
// Prints per distribution "BENCH load parts=N features=F setup_s=S engine_s=E" (the mean of the
// rounds, the two sides taking turns) and "BENCH load-steps parts=N ..." with the time of each
// stretch of setup's start-up in milliseconds.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchSupport.h"

using namespace bench;

namespace {

const char kLoadedMark[] = "loaded:0";
void Check(UINT result, const std::string& what)
{
    if (result != ERROR_SUCCESS)
        throw std::runtime_error(what + " failed with " + std::to_string(result));
}

// The part packages of the distribution in `root`, in [Parts] order, and its merged package last.
std::vector<std::wstring> ReadPackages(const std::wstring& root)
{
    const std::wstring ini = root + L"\\setup.ini";
    std::vector<std::wstring> packages;
    for (const std::wstring& name : PartSections(ini))
        packages.push_back(root + L"\\" + ReadIni(ini, name, L"Path"));
    packages.push_back(root + L"\\" + ReadIni(ini, L"Merged", L"Path"));
    return packages;
}

// Features of the merged package.
unsigned CountFeatures(const std::wstring& merged)
{
    MSIHANDLE database = 0;
    Check(MsiOpenDatabaseW(merged.c_str(), MSIDBOPEN_READONLY, &database), "MsiOpenDatabaseW");
    MSIHANDLE view = 0;
    UINT result = MsiDatabaseOpenViewW(database, L"SELECT Feature FROM Feature", &view);
    if (result == ERROR_SUCCESS)
        result = MsiViewExecute(view, 0);
    unsigned count = 0;
    MSIHANDLE row = 0;
    while (result == ERROR_SUCCESS && MsiViewFetch(view, &row) == ERROR_SUCCESS) {
        MsiCloseHandle(row);
        ++count;
    }
    MsiCloseHandle(view);
    MsiCloseHandle(database);
    Check(result, "reading the Feature table");
    return count;
}

// The floor's process: every package opened and costed, one after the other.
void RunFloor(const std::wstring& root)
{
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    for (const std::wstring& package : ReadPackages(root)) {
        MSIHANDLE session = 0;
        Check(MsiOpenPackageExW(package.c_str(), 0, &session), "MsiOpenPackageExW " + Narrow(package));
        for (const wchar_t* action : {L"CostInitialize", L"FileCost", L"CostFinalize"}) {
            const UINT result = MsiDoActionW(session, action);
            if (result != ERROR_SUCCESS) {
                MsiCloseHandle(session);
                Check(result, Narrow(action) + " of " + Narrow(package));
            }
        }
        MsiCloseHandle(session);
    }
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(kTimelineVariable, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        throw std::runtime_error("the floor needs VELMO_BENCH_TIMELINE");
    std::ofstream(Narrow(path), std::ios::app) << kLoadedMark << ' ' << Counter() << '\n';
}

// Runs a command line to the end of its initialisation; the marks it wrote, the process's start
// first (labelled "start").
std::vector<Mark> RunTimed(const std::wstring& commandLine, const std::wstring& timeline)
{
    std::vector<Mark> marks = bench::RunTimed(commandLine, timeline, false);
    if (marks.back().label != kLoadedMark)
        throw std::runtime_error(Narrow(commandLine) + " ended before the end of its initialisation");
    return marks;
}

void BenchDistribution(const std::wstring& setup, int rounds, const std::wstring& root)
{
    const std::vector<std::wstring> packages = ReadPackages(root);
    const unsigned features = CountFeatures(packages.back());
    const std::wstring timeline = TimelinePath(L"velmo_load_bench.txt");
    const std::wstring setupCommand = L"\"" + setup + L"\" /qn /acceptlicenses yes /r:n /root \"" + root + L"\"";
    const std::wstring floorCommand = L"\"" + ModulePath() + L"\" " + kFloorSwitch + L" \"" + root + L"\"";

    double setupTotal = 0;
    double floorTotal = 0;
    StretchTotals stretches;
    auto timeSetup = [&] {
        const std::vector<Mark> marks = RunTimed(setupCommand, timeline);
        setupTotal += Seconds(marks.back().counter - marks.front().counter);
        stretches.Add(marks);
    };
    auto timeFloor = [&] {
        const std::vector<Mark> marks = RunTimed(floorCommand, timeline);
        floorTotal += Seconds(marks.back().counter - marks.front().counter);
    };
    // Both sides once before timing: the packages are read into the file cache.
    RunTimed(setupCommand, timeline);
    RunTimed(floorCommand, timeline);
    for (int round = 0; round < rounds; ++round) {
        // The side that goes first changes every round.
        if (round % 2 == 0) {
            timeSetup();
            timeFloor();
        } else {
            timeFloor();
            timeSetup();
        }
    }
    const unsigned parts = static_cast<unsigned>(packages.size() - 1);
    std::printf("BENCH load parts=%u features=%u setup_s=%.3f engine_s=%.3f\n", parts, features, setupTotal / rounds,
        floorTotal / rounds);
    std::printf("BENCH load-steps parts=%u%s\n", parts, stretches.Format(rounds).c_str());
    std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    return BenchMain(argc, argv, "load_bench", &RunFloor, &BenchDistribution);
}
