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
