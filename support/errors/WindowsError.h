// The library errors: failures of the operating system and of Windows Installer.
//
// InstallerError is the small family root (not part of the installer error tree): what() is
// "InstallerError", Describe writes a one-line description into a Plexa string.
// WindowsError carries a Win32 error code and a context text (what the failing operation was
// doing). MsiInstallerError (MsiInstallerError.h) carries a Windows Installer result.
#pragma once

#include <windows.h>

#include <exception>
#include <ostream>

#include "PlexaString.h"

class InstallerError : public std::exception {
public:
    InstallerError() = default;
    ~InstallerError() override;
    const char* what() const noexcept override;

    virtual IPlexaString& Describe(IPlexaString& text) const = 0;
};

class WindowsError : public InstallerError {
public:
    // `context` may be null (no context).
    WindowsError(DWORD code, const wchar_t* context);
    WindowsError(const WindowsError& other);
    ~WindowsError() override;
    WindowsError& operator=(const WindowsError& other);

    // Appends the system's text for the code (or "Windows Error " and the number when the
    // system has none), a blank and the context; returns `text`.
    IPlexaString& Describe(IPlexaString& text) const override;

    DWORD GetCode() const { return m_code; }
    const wchar_t* GetContext() const { return m_context.GetString(); }

private:
    DWORD m_code;
    PlexaString<unsigned short*> m_context;
};

// "Windows Error " + code (unsigned) + ": " + description.
std::wostream& operator<<(std::wostream& out, const WindowsError& error);
