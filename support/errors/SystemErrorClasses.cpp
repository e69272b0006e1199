#include "SystemErrorClasses.h"

InvalidResourceModule::InvalidResourceModule(const char* sourceFile, int sourceLine, const CString& moduleFile,
    const WindowsError& error, const wchar_t* debugText)
    : ErrorWithArguments(sourceFile, sourceLine, debugText, moduleFile, error)
{
}

LinkedDistCreateProcess::LinkedDistCreateProcess(const char* sourceFile, int sourceLine, const CString& program,
    const CString& commandLine, const WindowsError& error, const wchar_t* debugText)
    : ErrorWithArguments(sourceFile, sourceLine, debugText, program, commandLine, error)
{
}

TempCopyCreationFailed::TempCopyCreationFailed(const char* sourceFile, int sourceLine, const CString& sourcePath,
    const CString& targetPath, const WindowsError& error, const wchar_t* debugText)
    : ErrorWithArguments(sourceFile, sourceLine, debugText, sourcePath, targetPath, error)
{
}

InstallSessionOpenError::InstallSessionOpenError(const char* sourceFile, int sourceLine, const MsiInstallerError& error,
    const CString& package, const wchar_t* debugText)
    : ErrorWithArguments(sourceFile, sourceLine, debugText, error, package)
{
}
