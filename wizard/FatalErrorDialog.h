// The report of an error that escaped a thread body or a message handler, and the dialog that
// shows it.
#pragma once

#include <windows.h>

#include "Button.h"
#include "CString.h"
#include "Dialog.h"
#include "Edit.h"
#include "Geometry.h"
#include "Static.h"

// The crash report a caller may attach (its text is appended to the details). No caller
// passes one.
class CCrashReport {
public:
    virtual ~CCrashReport() { }
    virtual CString GetText() const = 0;
};

// Shows the fatal-error dialog (owned by the main window) unless the run is quiet, logs
// "ERROR! " + message at level 2 and, when `logDetails` is set, the details at level 0x1002.
// Falls back to a plain message box when any of that fails or the dialog cannot be shown.
// Never throws.
void ReportFatalError(const wchar_t* message, const wchar_t* details, BOOL showDetailsButton, BOOL logDetails,
    const CCrashReport* crashReport);

class CFatalErrorDialog;

// Runs a fatal-error dialog modally (default: DoModal). Process tests whose host cannot watch
// the dialog's painted message replace it to record what the dialog would show.
extern INT_PTR (*g_pfnRunFatalErrorDialog)(CFatalErrorDialog& dialog);

// A message-box-like dialog (template 235): an icon chosen by a message-box icon type, a
// caption, a message that sizes the dialog, and a details box that opens below with the
// Details button or Ctrl+Shift+D.
class CFatalErrorDialog : public CDialog {
public:
    // iconType: 16, 32, 48 or 64 (the message-box icon values); anything else: no icon.
    CFatalErrorDialog(CWnd* parent, UINT iconType);

    // Null: empty. Applied at once when the window exists.
    void SetCaption(const wchar_t* caption);
    void SetMessage(const wchar_t* message);
    // Put into the details box at once when the window exists.
    void SetDetails(const wchar_t* details);
    void ShowDetailsButton(BOOL show);

    const CString& GetCaption() const { return m_strCaption; }
    const CString& GetMessage() const { return m_strMessage; }
    const CString& GetDetails() const { return m_strDetails; }
    BOOL IsDetailsButtonShown() const { return m_bShowDetailsButton; }
    UINT GetIconType() const { return m_iconType; }

    // Line feeds not preceded by a carriage return get one.
    static CString NormaliseLineBreaks(const wchar_t* text);

    BOOL OnInitDialog() override;
    // Ctrl+Shift+D anywhere in the dialog toggles the details, also with the button hidden.
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL IsDetailsExpanded() const { return m_bDetailsExpanded; }
    // Opens or closes the details box.
    void ToggleDetails();

protected:
    // The message's rectangle in client pixels.
    const CRect& GetMessageRect() const { return m_rcMessage; }
    void OnDetails();
    void OnSize(UINT type, int cx, int cy);
    void OnPaint();
    DECLARE_MESSAGE_MAP()

private:
    // Measures the message and sizes the window for it.
    void SizeWindow();
    void LayOut(int clientWidth, int clientHeight);
    CSize Margins() const;
    int IconWidth() const;
    int IconHeight() const;

    CString m_strCaption;
    CString m_strDetails;
    CString m_strMessage;
    CString m_strDetailsCaption;
    UINT m_nDrawFlags;
    CRect m_rcMessage;
    UINT m_iconType;
    BOOL m_bDetailsExpanded;
    BOOL m_bShowDetailsButton;

    CButton m_ok;
    CButton m_details;
    CStatic m_icon;
    CEdit m_detailsEdit;
    int m_nContentHeight;  // the larger of message and icon height
    int m_nDetailsHeight;  // the details box's height from the template
};
