#include "ConfirmStartDialog.h"

#include "SummaryBlocks.h"
#include "TopDialog.h"
#include "WizardDistribution.h"
#include "resource.h"

CConfirmStartDialog::CConfirmStartDialog(eDialogState state, CTopDialog* frame)
    : CNestedInstallerDialog(IDD_CONFIRM_START, state, frame), m_saveButtonId(0)
{
    AfxInitRichEdit2();
}

UINT CConfirmStartDialog::GetTitleId()
{
    return IDS_CONFIRM_TITLE;
}

UINT CConfirmStartDialog::GetSubtitleId()
{
    return IDS_CONFIRM_SUBTITLE;
}

void CConfirmStartDialog::DoDataExchange(CDataExchange* dx)
{
    CNestedInstallerDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_CONFIRM_SUMMARY, m_summary);
}

void CConfirmStartDialog::SetupButtons()
{
    m_saveButtonId = m_pFrame->AddButton(LoadResourceString(IDS_SAVE_FILE_CAPTION));
}

void CConfirmStartDialog::OnPageShown()
{
    m_summary.SetReadOnly(FALSE);
    m_summary.SetSel(0, -1);
    m_summary.Clear();
    m_summary.SetReadOnly(TRUE);

    CString back;
    if (CWnd* backButton = m_pFrame->GetDlgItem(IDC_FRAME_BACK))
        backButton->GetWindowText(back);
    RichEditSummaryWriter writer(m_summary);
    const bool nothingToDo = WriteInstallSummary(WizardDistribution(), back, writer) == 0;
    m_summary.SetSel(0, 0);

    // The instruction comes back whenever there is something to start.
    if (CWnd* instruction = GetDlgItem(IDC_CONFIRM_INSTRUCTION))
        instruction->ShowWindow(nothingToDo ? SW_HIDE : SW_SHOW);
    if (nothingToDo) {
        EnableNext(false, false);
        EnableBack(true);
        EnableCancel(true);
        SetNextText(IDS_NEXT_CAPTION);
        SetBackText(IDS_BACK_CAPTION);
    }
}

void CConfirmStartDialog::OnExtraButton(UINT commandId)
{
    if (m_saveButtonId != 0 && commandId == m_saveButtonId)
        SaveRichTextToFile(m_summary);
}
