// The confirmation page (state 10): a read-only summary of what the run is going to install,
// change, upgrade or remove, rebuilt from the model every time the page is shown, with
// "&Save File..." to store it. When the run would change nothing, Next stays disabled.
#pragma once

#include "NestedInstallerDialog.h"
#include "RichEditCtrl.h"

class CConfirmStartDialog : public CNestedInstallerDialog {
public:
    CConfirmStartDialog(eDialogState state, CTopDialog* frame);

    UINT GetTitleId() override;
    UINT GetSubtitleId() override;
    // Adds "&Save File...".
    void SetupButtons() override;
    // Builds the summary; with nothing to do, Next is disabled and the instruction hidden.
    void OnPageShown() override;
    void OnExtraButton(UINT commandId) override;

    CRichEditCtrl& GetSummaryControl() { return m_summary; }

protected:
    void DoDataExchange(CDataExchange* dx) override;

    CRichEditCtrl m_summary;
    UINT m_saveButtonId;
};
