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
