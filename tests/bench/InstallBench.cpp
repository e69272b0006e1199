// Time of a quiet install of a whole distribution by setup, against installing the same part
// packages one after the other with msiexec, and against the engine's floor: one process that
// installs each part package with MsiInstallProductW and starts the distribution's
// post-processing program before and after each, as setup does. All in the same prefix; between
// runs every part is removed again (and the system-information server's record of the
// distribution with it), so that each run starts from nothing installed.
//   install_bench.exe <setup.exe> <rounds> <distribution folder>...
//   install_bench.exe --floor <distribution folder>   (the floor's own process)
// setup must be a benchmark build (VELMO_BENCH): it writes the marks of its whole run to the file
// named by VELMO_BENCH_TIMELINE.
// Prints per distribution "BENCH quiet-install parts=N setup_s=S msiexec_s=M engine_s=E" (the
// mean of the rounds, the sides taking turns), "BENCH install-steps parts=N ..." with the time of
// each stretch of setup's run in milliseconds (a stretch of every part summed over the parts) and
// "BENCH post-process parts=N starts=2N s=T", the time of the floor's starts of the
// post-processing program on their own.
#include <windows.h>

#include <msi.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchSupport.h"

using namespace bench;

namespace {

const wchar_t kSetupIni[] = L"setup.ini";
// The post-processing program's options before a part, and after a part that was not installed
// before.
const wchar_t kBeforePart[] = L" /undo";
const wchar_t kAfterNewPart[] = L" /qnm";

struct PartPackage {
    std::wstring path;
    std::wstring productCode;
};

// Runs a command line to its end; its exit code.
DWORD Run(const std::wstring& commandLine)
{
    return FinishProcess(StartProcess(commandLine), commandLine);
}

// The time a successful run takes, in seconds.
double TimeRun(const std::wstring& commandLine)
{
    const long long start = Counter();
    const DWORD code = Run(commandLine);
    const double elapsed = Seconds(Counter() - start);
    if (code != ERROR_SUCCESS && code != ERROR_SUCCESS_REBOOT_REQUIRED) {
        char text[16];
        std::snprintf(text, sizeof(text), "%ld", static_cast<long>(code));
        throw std::runtime_error(Narrow(commandLine) + " ended with " + text);
    }
    return elapsed;
}

// The parts of the distribution in `root`, as its setup.ini lists them.
std::vector<PartPackage> ReadParts(const std::wstring& root)
{
    const std::wstring ini = root + L"\\" + kSetupIni;
    std::vector<PartPackage> parts;
    for (const std::wstring& name : PartSections(ini))
        parts.push_back(PartPackage{root + L"\\" + ReadIni(ini, name, L"Path"), ReadIni(ini, name, L"ProductCode")});
    return parts;
}

void ExpectInstalled(const std::vector<PartPackage>& parts, bool installed, const char* after)
{
    for (const PartPackage& part : parts) {
        if ((MsiQueryProductStateW(part.productCode.c_str()) == INSTALLSTATE_DEFAULT) != installed)
            throw std::runtime_error(Narrow(part.productCode) + (installed ? " is not installed" : " is installed")
                + " after " + after);
    }
}

// Removes whatever of the distribution is installed.
void RemoveAll(const std::vector<PartPackage>& parts)
{
    for (const PartPackage& part : parts) {
        if (MsiQueryProductStateW(part.productCode.c_str()) != INSTALLSTATE_UNKNOWN)
            Run(L"msiexec /x " + part.productCode + L" /qn");
    }
    // With its parts removed, the system-information server no longer lists the distribution.
    ExpectInstalled(parts, false, "the removal");
}

// The distribution's post-processing program, as a quoted command without options.
std::wstring PostProcessor(const std::wstring& root)
{
    const std::wstring path = ReadIni(root + L"\\" + kSetupIni, L"Utilities", L"UpgradeManagerPostProcessor");
    if (path.empty())
        throw std::runtime_error("no post-processing program in " + Narrow(root));
    return L"\"" + root + L"\\" + path + L"\"";
}

// The floor's process: each part installed in this process, the post-processing program run
// before and after it.
void RunFloor(const std::wstring& root)
{
    const std::wstring postProcessor = PostProcessor(root);
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    for (const PartPackage& part : ReadParts(root)) {
        Run(postProcessor + kBeforePart);
        const UINT result = MsiInstallProductW(part.path.c_str(), L"");
        if (result != ERROR_SUCCESS && result != ERROR_SUCCESS_REBOOT_REQUIRED)
            throw std::runtime_error("MsiInstallProductW " + Narrow(part.path) + " failed with " + std::to_string(result));
        Run(postProcessor + kAfterNewPart);
    }
}

// The time of the floor's starts of the post-processing program alone, in seconds.
double TimePostProcessor(const std::wstring& root, size_t parts)
{
    const std::wstring postProcessor = PostProcessor(root);
    const long long start = Counter();
    for (size_t i = 0; i < parts; ++i) {
        Run(postProcessor + kBeforePart);
        Run(postProcessor + kAfterNewPart);
    }
    return Seconds(Counter() - start);
}

double TimeFloor(const std::wstring& root, const std::vector<PartPackage>& parts)
{
    const double elapsed = TimeRun(L"\"" + ModulePath() + L"\" " + kFloorSwitch + L" \"" + root + L"\"");
    ExpectInstalled(parts, true, "the floor");
    RemoveAll(parts);
    return elapsed;
}

double TimeMsiexec(const std::vector<PartPackage>& parts)
{
    double total = 0;
    for (const PartPackage& part : parts)
        total += TimeRun(L"msiexec /i \"" + part.path + L"\" /qn");
    ExpectInstalled(parts, true, "msiexec");
    RemoveAll(parts);
    return total;
}

double TimeSetup(
    const std::wstring& setup, const std::wstring& root, const std::vector<PartPackage>& parts, StretchTotals& steps)
{
    const std::vector<Mark> marks = RunTimed(L"\"" + setup + L"\" /qn /acceptlicenses yes /r:n /root \"" + root + L"\"",
        TimelinePath(L"velmo_install_bench.txt"), true);
    const double elapsed = Seconds(marks.back().counter - marks.front().counter);
    steps.Add(marks);
    ExpectInstalled(parts, true, "setup");
    RemoveAll(parts);
    return elapsed;
}

// One distribution timed: setup, msiexec and the floor in turns, `rounds` times.
void BenchDistribution(const std::wstring& setup, int rounds, const std::wstring& root)
{
    const std::vector<PartPackage> parts = ReadParts(root);
    RemoveAll(parts);
    double totals[3] = {};
    StretchTotals steps;
    auto timeSide = [&](int side) {
        if (side == 0)
            totals[0] += TimeSetup(setup, root, parts, steps);
        else if (side == 1)
            totals[1] += TimeMsiexec(parts);
        else
            totals[2] += TimeFloor(root, parts);
    };
    for (int round = 0; round < rounds; ++round) {
        // The side that goes first changes every round.
        for (int side = 0; side < 3; ++side)
            timeSide((round + side) % 3);
    }
    std::printf("BENCH quiet-install parts=%u setup_s=%.3f msiexec_s=%.3f engine_s=%.3f\n",
        static_cast<unsigned>(parts.size()), totals[0] / rounds, totals[1] / rounds, totals[2] / rounds);
    std::printf("BENCH install-steps parts=%u%s\n", static_cast<unsigned>(parts.size()),
        steps.Format(rounds).c_str());
    std::printf("BENCH post-process parts=%u starts=%u s=%.3f\n", static_cast<unsigned>(parts.size()),
        static_cast<unsigned>(2 * parts.size()), TimePostProcessor(root, parts.size()));
    std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    return BenchMain(argc, argv, "install_bench", &RunFloor, &BenchDistribution);
}
