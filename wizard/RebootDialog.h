// The restart dialog at the end of the wizard (template 244): Restart, Shut Down or Restart
// Later. Restart and Shut Down ask the system to restart or to shut down; the dialog ends with
// the button's id whatever the system answers, and tells whether the system refused.
#pragma once

#include "CString.h"
#include "Dialog.h"

class CRebootDialog : public CDialog {
public:
    // The dialog's results.
    enum { kRestart = 3, kShutDown = 1083, kRestartLater = IDCANCEL };

    explicit CRebootDialog(CWnd* parent = nullptr);

    // The window caption (default "Restart"); null gives an empty caption.
    void SetCaption(const wchar_t* caption);
    // Restart or Shut Down was chosen and the system refused to go down.
    bool IsShutdownRefused() const { return m_bShutdownRefused; }

    BOOL OnInitDialog() override;

protected:
    void OnRestart();
    void OnShutDown();
    DECLARE_MESSAGE_MAP()

private:
    void Shutdown(UINT flags, int result);

    CString m_strCaption;
    bool m_bShutdownRefused;
};

// The frame's restart prompt: runs the dialog modally with that caption; its result, or
// kRebootRefused when the system refused the restart or shut-down chosen.
INT_PTR RunRebootDialog(const wchar_t* caption);
