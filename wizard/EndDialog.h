// The end page (state 13): reports completion, cancellation or failure, shows the configured
// readme (after a success) or the configured exit text, offers the configured link buttons and
// an optional check box, and on leaving runs the end-page executes, opens the checked document
// and offers a restart.
//
// Two button modes: Next, while something remains to do after the wizard (end-page executes,
// or a document check box ticked by default), and Finish otherwise, where the frame's Cancel
// becomes "&Finish".
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "Button.h"
#include "CtrlInfo.h"
#include "EndPageCheckbox.h"
#include "NestedInstallerDialog.h"

class CEndDialog : public CNestedInstallerDialog, public IEndPageCheckbox {
public:
    // Where configured buttons without a rectangle go (dialog units), and their spacing.
    static const RECT kDefaultButtonRect;
    static const int kButtonGap = 15;

    CEndDialog(eDialogState state, CTopDialog* frame);
    ~CEndDialog() override;

    UINT GetTitleId() override;
    UINT GetSubtitleId() override;
    // Text item 0 is the result text after a failure or a cancel.
    bool GetText(int index, CString& text, RECT& rect, LOGFONTW& font, UINT& drawFlags, COLORREF& color) override;
    void SetupButtons() override;
    // Flashes the frame when it is in the background.
    void OnPageShown() override;
    // Leaving by Next: the document, the end-page executes and the restart.
    void OnPageHidden() override;
    // Finish.
    bool ConfirmCancel() override;

    // -1 without a check box, else 0 or 1.
    int GetCheckboxState() const override;
    bool IsNextMode() const { return m_bNextMode; }
    const CString& GetResultText() const { return m_strResultText; }
    CWnd* GetResultControl() const { return m_resultControl.get(); }
    // The configured buttons in order.
    std::vector<HWND> GetButtonWindows() const;

    // Opens `target` with the shell's "open" when a web browser is registered (HKLM
    // SOFTWARE\Classes\.html has a default value): 0; otherwise says so and returns 1.
    static int OpenInBrowser(const wchar_t* target);
    // Seam: the shell's open.
    static HINSTANCE(WINAPI* s_pfnShellExecuteW)(
        HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder, INT show);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnCheckbox();
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

    bool IsSuccessResult() const;
    int GetResultCode() const;
    void CreateResultControl();
    void CreateButtons();
    void ShowCheckbox();
    void SetNextMode(bool next);
    bool IsCheckboxChecked() const;

    CButton m_checkbox;
    std::map<HWND, ButtonInfo*> m_buttons;  // configured buttons by window (records borrowed)
    std::vector<std::unique_ptr<CButton>> m_buttonWindows;
    CString m_strResultText;
    std::unique_ptr<CWnd> m_resultControl;
    CheckboxInfo* m_pCheckbox;  // borrowed; null without a check box shown
    bool m_bNextMode;
};
