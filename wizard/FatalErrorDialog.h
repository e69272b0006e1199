// The report of an error that escaped a thread body or a message handler, and the dialog that
// shows it.
#pragma once

#include <windows.h>

#include "CString.h"

// The crash report a caller may attach (its text is appended to the details). No caller
// passes one.
class CCrashReport {
public:
    virtual ~CCrashReport() { }
    virtual CString GetText() const = 0;
};

// Shows the fatal-error dialog unless the run is quiet, logs "ERROR! " + message at level 2
// and, when `logDetails` is set, the details at level 0x1002. Falls back to a plain message
// box when any of that fails. Never throws.
void ReportFatalError(const wchar_t* message, const wchar_t* details, BOOL showDetailsButton, BOOL logDetails,
    const CCrashReport* crashReport);

// The fatal-error dialog. Until the wizard's dialog exists it is shown as a message box: the
// message, and below it the details when the Details button would be offered.
class CFatalErrorDialog {
public:
    // iconType: 16, 32, 48 or 64 (the message-box icon values); anything else: no icon.
    CFatalErrorDialog(HWND parent, UINT iconType);

    void SetCaption(const wchar_t* caption);
    void SetMessage(const wchar_t* message);
    void SetDetails(const wchar_t* details);
    void ShowDetailsButton(BOOL show);
    INT_PTR DoModal();

    // Line feeds not preceded by a carriage return get one.
    static CString NormaliseLineBreaks(const wchar_t* text);

private:
    HWND m_hParent;
    UINT m_iconType;
    CString m_strCaption;
    CString m_strDetails;
    CString m_strMessage;
    BOOL m_bShowDetailsButton;
};
