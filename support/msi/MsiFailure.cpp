#include "MsiFailure.h"

#include "IMsiObject.h"

void ThrowMsiInstallerError(const MsiInstallerError& error)
{
    throw MsiInstallerError(error);
}

void ThrowWindowsError(const WindowsError& error)
{
    throw WindowsError(error);
}

void MsiThrow(UINT code, const IMsiObject* context)
{
    ThrowMsiInstallerError(MsiInstallerError(code, context));
}
