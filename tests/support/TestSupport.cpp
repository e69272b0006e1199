#include "TestSupport.h"

#include <shellapi.h>

#include <vector>

namespace testsupport {

ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs)
{
    ProcessResult result;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        result.exitCode = static_cast<DWORD>(-1);
        result.timedOut = false;
        return result;
    }
    if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 0xDEAD);
        WaitForSingleObject(pi.hProcess, INFINITE);
        result.timedOut = true;
    }
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

std::wstring ModuleDir()
{
    wchar_t path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

std::wstring TestDataPath(const std::wstring& relative)
{
    return ModuleDir() + L"\\data\\" + relative;
}

TempDir::TempDir()
{
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    for (;;) {
        wchar_t name[MAX_PATH + 64];
        wsprintfW(name, L"%svtest%lu_%ld", base, GetCurrentProcessId(), InterlockedIncrement(&counter));
        if (CreateDirectoryW(name, nullptr)) {
            m_path = name;
            return;
        }
    }
}

TempDir::~TempDir()
{
    std::vector<wchar_t> from(m_path.begin(), m_path.end());
    from.push_back(L'\0');
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&op);
}

bool WriteFileBytes(const std::wstring& path, const std::string& content)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == content.size();
}

std::string ReadFileBytes(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::string();
    std::string data;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof(buf), &n, nullptr) && n > 0)
        data.append(buf, n);
    CloseHandle(h);
    return data;
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string DistributionIni(const std::string& localization, const std::string& more)
{
    return "[Localization]\r\n" + localization +
           "[Distribution]\r\nTitle=100\r\nGUID={6F1C1A52-1B47-4C8E-9D1E-2B0B5C7A4E10}\r\nVersion=1.2.3.4\r\n"
           "[Utilities]\r\nUpgradeManagerPostProcessor=post.exe\r\nZKSysInfo=sysinfo.dll\r\n" +
           more;
}

LogFile ReadLogFile(const std::wstring& path)
{
    const std::string bytes = ReadFileBytes(path);
    LogFile log;
    size_t start = 0;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        log.bom = true;
        start = 2;
    }
    for (size_t i = start; i + 1 < bytes.size(); i += 2)
        log.text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    size_t pos = 0;
    for (size_t end; (end = log.text.find(L"\r\n", pos)) != std::wstring::npos; pos = end + 2)
        log.lines.push_back(log.text.substr(pos, end - pos));
    log.rest = log.text.substr(pos);
    return log;
}

std::wstring CurrentFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

CurrentFolderGuard::CurrentFolderGuard() : m_saved(CurrentFolder()) {}

CurrentFolderGuard::CurrentFolderGuard(const std::wstring& folder) : m_saved(CurrentFolder())
{
    SetCurrentDirectoryW(folder.c_str());
}

CurrentFolderGuard::~CurrentFolderGuard()
{
    SetCurrentDirectoryW(m_saved.c_str());
}

}  // namespace testsupport
