// The catalogue's errors that carry a library error as an argument: a WindowsError is printed as
// "Windows Error <code>: <description>", an MsiInstallerError as "Msi Error: <code>\r\nError
// Record: <description>". Built like the rest of the catalogue (InstallerErrors.h).
#pragma once

#include "ErrorArguments.h"
#include "MsiInstallerError.h"
#include "VelmoInstallerError.h"
#include "WindowsError.h"

// A language resource module could not be loaded.
class InvalidResourceModule
    : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 10007, CString, WindowsError> {
public:
    InvalidResourceModule(const char* sourceFile, int sourceLine, const CString& moduleFile, const WindowsError& error,
        const wchar_t* debugText = nullptr);
};

// The program of a linked distribution could not be started.
class LinkedDistCreateProcess
    : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 10008, CString, CString, WindowsError> {
public:
    LinkedDistCreateProcess(const char* sourceFile, int sourceLine, const CString& program, const CString& commandLine,
        const WindowsError& error, const wchar_t* debugText = nullptr);
};

// The temporary copy of a file could not be made.
class TempCopyCreationFailed
    : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 10009, CString, CString, WindowsError> {
public:
    TempCopyCreationFailed(const char* sourceFile, int sourceLine, const CString& sourcePath, const CString& targetPath,
        const WindowsError& error, const wchar_t* debugText = nullptr);
};

// The merged package's database or install session could not be opened.
class InstallSessionOpenError
    : public ZKInstallerError::ErrorWithArguments<VelmoInstallerError, 11002, MsiInstallerError, CString> {
public:
    InstallSessionOpenError(const char* sourceFile, int sourceLine, const MsiInstallerError& error,
        const CString& package, const wchar_t* debugText = nullptr);
};
