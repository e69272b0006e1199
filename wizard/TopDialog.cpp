#include "TopDialog.h"

#include "InstallerErrors.h"

static const char kSource[] = "TopDialog";

CTopDialog::CTopDialog(HWND) : m_eStartState(kWelcomeDialog), m_eCurrentState(kWelcomeDialog), m_hWnd(nullptr) { }

CTopDialog::~CTopDialog() { }

BOOL CTopDialog::Create(UINT, HWND)
{
    throw OperationAborted(kSource, __LINE__, L"CTopDialog::Create", L"%1 is not available yet.");
}

BOOL CTopDialog::ShowWindow(int)
{
    throw OperationAborted(kSource, __LINE__, L"CTopDialog::ShowWindow", L"%1 is not available yet.");
}

CNestedInstallerDialog* CTopDialog::GetWelcomeDialog()
{
    return nullptr;
}

HWND CTopDialog::GetWelcomeDialogHwnd()
{
    return nullptr;
}

void CTopDialog::StartWizard()
{
    throw OperationAborted(kSource, __LINE__, L"CTopDialog::StartWizard", L"%1 is not available yet.");
}

int CTopDialog::RunModalLoop(DWORD)
{
    throw OperationAborted(kSource, __LINE__, L"CTopDialog::RunModalLoop", L"%1 is not available yet.");
}

BOOL CTopDialog::PreTranslateMessage(MSG*)
{
    // The frame's pages and their keyboard handling come with the wizard: nothing is handled yet.
    return FALSE;
}
