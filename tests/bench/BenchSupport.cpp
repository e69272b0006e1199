#include "BenchSupport.h"

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <stdexcept>

namespace bench {

namespace {

// The initialisation steps, in the order the model runs them.
const char* const kStepNames[] = {"service", "properties", "core-parts", "costing", "directories", "feature-tree",
    "dependency-info", "install-level", "dependencies", "broken-dependencies"};
// Events of the load progress: a step, the initialisation's start and its end.
const int kProgressStep = 1;
const int kProgressPhaseStart = 4;
const int kProgressPhaseEnd = 3;
// Under Wine a process start now and then fails with ERROR_INTERNAL_ERROR while the machine is
// busy; such a start is tried again, this many times in all, after a short pause.
const int kStartAttempts = 3;
const DWORD kStartRetryPauseMs = 200;

}  // namespace

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::wstring ReadIni(const std::wstring& ini, const std::wstring& section, const wchar_t* key)
{
    wchar_t value[MAX_PATH];
    GetPrivateProfileStringW(section.c_str(), key, L"", value, MAX_PATH, ini.c_str());
    return value;
}

std::vector<std::wstring> PartSections(const std::wstring& ini)
{
    std::vector<wchar_t> names(32768);
    const DWORD length
        = GetPrivateProfileSectionW(L"Parts", names.data(), static_cast<DWORD>(names.size()), ini.c_str());
    std::vector<std::wstring> sections;
    for (const wchar_t* entry = names.data(); entry < names.data() + length && *entry; entry += wcslen(entry) + 1) {
        std::wstring name(entry);
        name.resize(name.find(L'='));
        sections.push_back(name);
    }
    if (sections.empty())
        throw std::runtime_error("no parts listed in " + Narrow(ini));
    return sections;
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

std::wstring ModulePath()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        throw std::runtime_error("cannot name the benchmark's own program");
    return path;
}

HANDLE StartProcess(const std::wstring& commandLine)
{
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            break;
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == kStartAttempts)
            throw std::runtime_error("cannot start " + Narrow(commandLine) + ": error " + std::to_string(error));
        std::fprintf(stderr, "starting %s again after error %lu\n", Narrow(commandLine).c_str(),
            static_cast<unsigned long>(error));
        Sleep(kStartRetryPauseMs);
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD FinishProcess(HANDLE process, const std::wstring& commandLine)
{
    const DWORD waited = WaitForSingleObject(process, kRunTimeoutMs);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(process, 1);
    CloseHandle(process);
    if (waited != WAIT_OBJECT_0)
        throw std::runtime_error(Narrow(commandLine) + " did not end");
    return code;
}

long long Counter()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double Seconds(long long ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

double Now()
{
    return Seconds(Counter());
}

std::vector<Mark> RunTimed(const std::wstring& commandLine, const std::wstring& timeline, bool wholeRun)
{
    DeleteFileW(timeline.c_str());
    SetEnvironmentVariableW(kTimelineVariable, timeline.c_str());
    SetEnvironmentVariableW(kWholeRunVariable, wholeRun ? L"1" : nullptr);
    std::vector<Mark> marks{{"start", Counter()}};
    HANDLE process = nullptr;
    try {
        process = StartProcess(commandLine);
    } catch (...) {
        SetEnvironmentVariableW(kTimelineVariable, nullptr);
        SetEnvironmentVariableW(kWholeRunVariable, nullptr);
        throw;
    }
    SetEnvironmentVariableW(kTimelineVariable, nullptr);
    SetEnvironmentVariableW(kWholeRunVariable, nullptr);
    const DWORD code = FinishProcess(process, commandLine);
    const long long end = Counter();
    if (code != ERROR_SUCCESS && code != ERROR_SUCCESS_REBOOT_REQUIRED)
        throw std::runtime_error(Narrow(commandLine) + " ended with " + std::to_string(code));
    std::ifstream file(Narrow(timeline));
    Mark mark;
    while (file >> mark.label >> mark.counter)
        marks.push_back(mark);
    if (wholeRun)
        marks.push_back(Mark{"exit", end});
    return marks;
}

std::wstring TimelinePath(const wchar_t* name)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

std::vector<std::string> NameStretches(const std::vector<Mark>& marks)
{
    std::vector<std::string> names;
    bool loading = false;
    bool initialising = false;
    int partsRead = -1;
    size_t step = 0;
    for (size_t i = 1; i < marks.size(); ++i) {
        const std::string& label = marks[i].label;
        const size_t colon = label.find(':');
        const std::string what = label.substr(0, colon);
        const int value = colon == std::string::npos ? 0 : std::stoi(label.substr(colon + 1));
        std::string name = what;
        if (what == "progress") {
            if (value == kProgressPhaseStart) {
                initialising = true;
                name = "parts-end";
            } else if (value == kProgressPhaseEnd) {
                name = "init-end";
            } else if (value == kProgressStep && initialising && step < sizeof(kStepNames) / sizeof(kStepNames[0])) {
                name = kStepNames[step++];
            } else if (value == kProgressStep && !loading) {
                loading = true;
                name = "load-start";
            } else if (value == kProgressStep) {
                // Progress every ten parts, from the first part on.
                partsRead += partsRead < 0 ? 2 : 10;
                name = "parts-to-" + std::to_string(partsRead);
            }
        }
        names.push_back(name);
    }
    return names;
}

void StretchTotals::Add(const std::vector<Mark>& marks)
{
    const std::vector<std::string> names = NameStretches(marks);
    for (size_t i = 0; i < names.size(); ++i) {
        size_t slot = 0;
        while (slot < m_names.size() && m_names[slot] != names[i])
            ++slot;
        if (slot == m_names.size()) {
            m_names.push_back(names[i]);
            m_seconds.push_back(0);
        }
        m_seconds[slot] += Seconds(marks[i + 1].counter - marks[i].counter);
    }
}

std::string StretchTotals::Format(int runs) const
{
    std::string text;
    char item[96];
    for (size_t i = 0; i < m_names.size(); ++i) {
        std::snprintf(item, sizeof(item), " %s_ms=%.1f", m_names[i].c_str(), m_seconds[i] * 1000 / runs);
        text += item;
    }
    return text;
}

int BenchMain(int argc, wchar_t** argv, const char* name, FloorRun floor, DistributionBench benchOne)
{
    try {
        if (argc == 3 && std::wstring(argv[1]) == kFloorSwitch) {
            floor(FullPath(argv[2]));
            return 0;
        }
        if (argc < 4) {
            std::fprintf(stderr, "usage: %s <setup.exe> <rounds> <distribution folder>...\n", name);
            return 2;
        }
        const std::wstring setup = FullPath(argv[1]);
        const int rounds = _wtoi(argv[2]);
        if (rounds < 1)
            throw std::runtime_error("rounds must be 1 or more");
        for (int i = 3; i < argc; ++i)
            benchOne(setup, rounds, FullPath(argv[i]));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", name, error.what());
        return 1;
    }
    return 0;
}

}  // namespace bench
