// CBaseDialog: base of the wizard frame, its pages and the installer's own dialogs. Templates
// come from the current resource module (a language module may supply translated ones); at
// WM_INITDIALOG the dialog and its controls are rescaled to keep the proportions they have with
// the design font, whatever font the template or the locale brings.
//
// Scale rule: x becomes MulDiv(x, design base unit x, actual base unit x), y likewise with the
// vertical units. Every rescaled window is entered into one process-wide set so that it is
// never rescaled twice; a dialog removes the entries it made when it is destroyed.
#pragma once

#include <windows.h>

#include <vector>

#include "Dialog.h"
#include "VelmoWnd.h"

class CBaseDialog : public TVelmoWnd<CDialog> {
public:
    // Template id 0: nothing loaded.
    CBaseDialog();
    // Loads template `templateId` of the current resource module (none when absent: DoModal
    // then fails) for a modal run with that parent.
    CBaseDialog(UINT templateId, CWnd* parent);
    ~CBaseDialog() override;

    // 0: the constructor's template id.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    // The modeless dialog from the named template of the current resource module; without a
    // parent it is the application's main window (the frame: so pages become its children).
    // FALSE when the template is missing or creation fails.
    BOOL Create(const wchar_t* templateName, CWnd* parent = nullptr);

    void DoDataExchange(CDataExchange* dx) override;

    // Dialog units to pixels with the platform mapping, then the scale rule.
    void MapScaledDialogRect(RECT& rect) const;
    // Pixels to dialog units with the platform mapping, then the inverse scale rule.
    void PixelsToScaledDialogUnits(RECT& rect) const;
    // Rescales a child of this dialog like a template control; FALSE for another parent's.
    BOOL RescaleChildWindow(HWND window);
    // Keeps every later initialisation from rescaling the window.
    static void MarkWindowRescaled(HWND window);
    static bool IsWindowRescaled(HWND window);

    LRESULT DoWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    int m_nFontCharset;
    int m_nDesignBaseUnitX;
    int m_nDesignBaseUnitY;
    int m_nActualBaseUnitX;
    int m_nActualBaseUnitY;
    UINT m_nTemplateId;

private:
    void MeasureBaseUnits();
    void RescaleControls();
    void ScaleRect(RECT& rect) const;
    void RescaleChild(HWND child);
    void EnterRescaled(HWND window);
    static BOOL CALLBACK RescaleEnumProc(HWND child, LPARAM self);

    std::vector<HWND> m_entered;  // the set entries this dialog made, removed at WM_NCDESTROY
};
