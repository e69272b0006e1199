// How the access layer reports failures: every rejected result of a Windows Installer call
// becomes MsiInstallerError (the code and the engine's last-error record), thrown through one
// function; failures outside the engine become WindowsError.
#pragma once

#include <windows.h>

class IMsiObject;

#include "MsiInstallerError.h"
#include "WindowsError.h"

// Throws a copy of the error.
[[noreturn]] void ThrowMsiInstallerError(const MsiInstallerError& error);
[[noreturn]] void ThrowWindowsError(const WindowsError& error);

// The layer's failure convention in one call: MsiInstallerError(code, context) thrown.
[[noreturn]] void MsiThrow(UINT code, const IMsiObject* context);
// Throws MsiInstallerError(result, context) unless the result is 0.
inline void MsiCheck(UINT result, const IMsiObject* context)
{
    if (result != ERROR_SUCCESS)
        MsiThrow(result, context);
}
