// Starting another program by its command line: no application name, no inherited handles, no
// creation flags, the caller's environment and folder, an empty start-up record.
#pragma once

#include <windows.h>

#include "CString.h"
#include "UniqueHandle.h"

// Starts the command line; the system's error code, or 0 with the new process's handles (and
// the id of its main thread when `threadId` is given).
DWORD StartProgram(const CString& commandLine, OrbelToolbox::UniqueKernelHandle& process,
    OrbelToolbox::UniqueKernelHandle& thread, DWORD* threadId = nullptr);

// True when `path` names an existing file as the system finds the program of a command line:
// ".exe" added to a name without an extension, a name without a folder searched for along the
// system's search path. A folder is no program.
bool NamesProgramFile(const CString& path);
