// Time of a quiet install of a whole distribution by setup, against installing the same part
// packages one after the other with msiexec, in the same prefix. Between runs every part is
// removed again (and the system-information server's record of the distribution with it), so
// that each run starts from nothing installed.
//   install_bench.exe <setup.exe> <rounds> <distribution folder>...
// Prints "BENCH quiet-install parts=N setup_s=S msiexec_s=M" per distribution: the mean of the
// rounds, the two sides taking turns.
#include <windows.h>

#include <msi.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const DWORD kRunTimeoutMs = 10 * 60 * 1000;
const wchar_t kSetupIni[] = L"setup.ini";

struct PartPackage {
    std::wstring path;
    std::wstring productCode;
};

double Now()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// Runs a command line to its end; its exit code.
DWORD Run(const std::wstring& commandLine)
{
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        throw std::runtime_error("cannot start " + Narrow(commandLine) + ": error " + std::to_string(GetLastError()));
    CloseHandle(process.hThread);
    const DWORD waited = WaitForSingleObject(process.hProcess, kRunTimeoutMs);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    if (waited != WAIT_OBJECT_0)
        throw std::runtime_error(Narrow(commandLine) + " did not end");
    return code;
}

// The time a successful run takes, in seconds.
double TimeRun(const std::wstring& commandLine)
{
    const double start = Now();
    const DWORD code = Run(commandLine);
    const double elapsed = Now() - start;
    if (code != ERROR_SUCCESS && code != ERROR_SUCCESS_REBOOT_REQUIRED) {
        char text[16];
        std::snprintf(text, sizeof(text), "%ld", static_cast<long>(code));
        throw std::runtime_error(Narrow(commandLine) + " ended with " + text);
    }
    return elapsed;
}

std::wstring ReadIni(const std::wstring& ini, const std::wstring& section, const wchar_t* key)
{
    wchar_t value[MAX_PATH];
    GetPrivateProfileStringW(section.c_str(), key, L"", value, MAX_PATH, ini.c_str());
    return value;
}

// The parts of the distribution in `root`, as its setup.ini lists them.
std::vector<PartPackage> ReadParts(const std::wstring& root)
{
    const std::wstring ini = root + L"\\" + kSetupIni;
    std::vector<wchar_t> names(32768);
    const DWORD length
        = GetPrivateProfileSectionW(L"Parts", names.data(), static_cast<DWORD>(names.size()), ini.c_str());
    std::vector<PartPackage> parts;
    for (const wchar_t* entry = names.data(); entry < names.data() + length && *entry; entry += wcslen(entry) + 1) {
        std::wstring name(entry);
        name.resize(name.find(L'='));
        parts.push_back(PartPackage{root + L"\\" + ReadIni(ini, name, L"Path"), ReadIni(ini, name, L"ProductCode")});
    }
    if (parts.empty())
        throw std::runtime_error("no parts listed in " + Narrow(ini));
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

double TimeMsiexec(const std::vector<PartPackage>& parts)
{
    double total = 0;
    for (const PartPackage& part : parts)
        total += TimeRun(L"msiexec /i \"" + part.path + L"\" /qn");
    ExpectInstalled(parts, true, "msiexec");
    RemoveAll(parts);
    return total;
}

double TimeSetup(const std::wstring& setup, const std::wstring& root, const std::vector<PartPackage>& parts)
{
    const double elapsed = TimeRun(L"\"" + setup + L"\" /qn /acceptlicenses yes /r:n /root \"" + root + L"\"");
    ExpectInstalled(parts, true, "setup");
    RemoveAll(parts);
    return elapsed;
}

std::wstring FullPath(const wchar_t* path)
{
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH)
        throw std::runtime_error("bad path " + Narrow(path));
    std::wstring result(full);
    while (result.size() > 3 && result.back() == L'\\')
        result.pop_back();
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: install_bench <setup.exe> <rounds> <distribution folder>...\n");
        return 2;
    }
    try {
        const std::wstring setup = FullPath(argv[1]);
        const int rounds = _wtoi(argv[2]);
        if (rounds < 1)
            throw std::runtime_error("rounds must be 1 or more");
        for (int i = 3; i < argc; ++i) {
            const std::wstring root = FullPath(argv[i]);
            const std::vector<PartPackage> parts = ReadParts(root);
            RemoveAll(parts);
            double setupTotal = 0;
            double msiexecTotal = 0;
            for (int round = 0; round < rounds; ++round) {
                // The side that goes first changes every round.
                if (round % 2 == 0) {
                    setupTotal += TimeSetup(setup, root, parts);
                    msiexecTotal += TimeMsiexec(parts);
                } else {
                    msiexecTotal += TimeMsiexec(parts);
                    setupTotal += TimeSetup(setup, root, parts);
                }
            }
            std::printf("BENCH quiet-install parts=%u setup_s=%.3f msiexec_s=%.3f\n",
                static_cast<unsigned>(parts.size()), setupTotal / rounds, msiexecTotal / rounds);
            std::fflush(stdout);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "install_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
