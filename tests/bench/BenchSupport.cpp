#include "BenchSupport.h"

#include <cwchar>
#include <stdexcept>

namespace bench {

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
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        throw std::runtime_error("cannot start " + Narrow(commandLine) + ": error " + std::to_string(GetLastError()));
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

}  // namespace bench
