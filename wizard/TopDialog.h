// The wizard frame: holds the current page and the Back, Next and Cancel buttons.
//
// For now only the shape the application shell needs; creating the frame's window stops the
// run with OperationAborted until the wizard is built.
#pragma once

#include <windows.h>

#include "NestedInstallerDialog.h"

class CTopDialog {
public:
    explicit CTopDialog(HWND parent = nullptr);
    virtual ~CTopDialog();
    CTopDialog(const CTopDialog&) = delete;
    CTopDialog& operator=(const CTopDialog&) = delete;

    // Creates the frame window modeless from dialog template `nIDTemplate`.
    BOOL Create(UINT nIDTemplate, HWND parent);
    HWND GetSafeHwnd() const { return m_hWnd; }
    BOOL ShowWindow(int nCmdShow);
    // The current page when the frame is on the welcome state and that page is the welcome
    // page, else null.
    CNestedInstallerDialog* GetWelcomeDialog();
    HWND GetWelcomeDialogHwnd();
    void StartWizard();
    // Offered every message of the loading pump before it is dispatched; TRUE when handled.
    BOOL PreTranslateMessage(MSG* msg);
    // The frame's modal loop; ends with the installation's result.
    int RunModalLoop(DWORD flags = 0);

    eDialogState m_eStartState;
    eDialogState m_eCurrentState;

private:
    HWND m_hWnd;
};
