// MsiInstallerError: a failed Windows Installer call, with the result code and the engine's
// last-error record taken when the error was made.
//
// Copies share the record (one more reference each), so a caught copy keeps the record alive
// after the wrapper on which the call failed is gone. Codes are unsigned: a refused message
// call's -1 prints as 4294967295.
#pragma once

#include <windows.h>

#include <ostream>

#include "MsiSmartPtr.h"
#include "PlexaString.h"
#include "WindowsError.h"

class IMsiObject;
class MsiRecord;

class MsiInstallerError : public InstallerError {
public:
    // The layer's constructor: `context` (the wrapper whose call failed) is not kept; the
    // engine's last-error record is taken through MsiRecord::GetLastErrorRecord.
    MsiInstallerError(UINT code, const IMsiObject* context);
    // A system error with a context text and no record; described by the system's text.
    MsiInstallerError(UINT code, const IMsiObject* ignored, const wchar_t* context);
    MsiInstallerError(const MsiInstallerError& other);
    ~MsiInstallerError() override;
    MsiInstallerError& operator=(const MsiInstallerError& other);

    // Replaces `text` by the formatted last-error record, or by "<Unable to format error
    // record.>" when the engine cannot format it; returns `text`.
    IPlexaString& Describe(IPlexaString& text) const override;

    UINT GetCode() const { return m_code; }
    bool IsSystemError() const { return m_systemError != FALSE; }
    // A new holder of the last-error record (its handle is 0 when the engine had none).
    MsiSmartPtr<MsiRecord> GetErrorRecord() const;

private:
    BOOL m_systemError;
    PlexaString<unsigned short*> m_context;
    UINT m_code;
    MsiSmartPtr<MsiRecord> m_record;
};

// "Msi Error: " + code (unsigned) + "\r\nError Record: " + description.
std::wostream& operator<<(std::wostream& out, const MsiInstallerError& error);
