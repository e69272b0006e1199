#include "RebootDialog.h"

#include "PlatformChecks.h"
#include "TopDialog.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(CRebootDialog, CDialog)
    ON_BN_CLICKED(IDC_RESTART_NOW, OnRestart)
    ON_BN_CLICKED(IDC_RESTART_SHUT_DOWN, OnShutDown)
END_MESSAGE_MAP()

CRebootDialog::CRebootDialog(CWnd* parent)
    : CDialog(IDD_RESTART, parent), m_strCaption(L"Restart"), m_bShutdownRefused(false)
{
}

void CRebootDialog::SetCaption(const wchar_t* caption)
{
    m_strCaption = caption ? caption : L"";
    if (m_hWnd)
        SetWindowText(m_strCaption);
}

BOOL CRebootDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(m_strCaption);
    return TRUE;
}

void CRebootDialog::OnRestart()
{
    Shutdown(EWX_REBOOT, kRestart);
}

void CRebootDialog::OnShutDown()
{
    Shutdown(EWX_SHUTDOWN, kShutDown);
}

void CRebootDialog::Shutdown(UINT flags, int result)
{
    m_bShutdownRefused = !ExitWindowsWithPrivilege(flags);
    EndDialog(result);
}

INT_PTR RunRebootDialog(const wchar_t* caption)
{
    CRebootDialog dialog;
    dialog.SetCaption(caption);
    const INT_PTR result = dialog.DoModal();
    return dialog.IsShutdownRefused() ? kRebootRefused : result;
}

INT_PTR (*g_pfnRunRebootDialog)(const wchar_t* caption) = &RunRebootDialog;
