#include "ProgramStart.h"

#include <vector>

DWORD StartProgram(const CString& commandLine, OrbelToolbox::UniqueKernelHandle& process,
    OrbelToolbox::UniqueKernelHandle& thread, DWORD* threadId)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created = {};
    // CreateProcessW may write into the command line: it gets its own buffer.
    std::vector<wchar_t> buffer(commandLine.GetString(), commandLine.GetString() + commandLine.GetLength() + 1);
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created))
        return GetLastError();
    process.Reset(created.hProcess);
    thread.Reset(created.hThread);
    if (threadId)
        *threadId = created.dwThreadId;
    return 0;
}

bool NamesProgramFile(const CString& path)
{
    if (path.IsEmpty())
        return false;
    // The extension is added only to a name that has none, as the system does for a program.
    const DWORD length = SearchPathW(nullptr, path, L".exe", 0, nullptr, nullptr);
    if (length == 0)
        return false;
    std::vector<wchar_t> found(length + 1);
    const DWORD written = SearchPathW(nullptr, path, L".exe", length + 1, found.data(), nullptr);
    if (written == 0 || written > length)
        return false;
    const DWORD attributes = GetFileAttributesW(found.data());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
