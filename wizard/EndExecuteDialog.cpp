#include "EndExecuteDialog.h"

#include <ostream>

#include "ApplicationServices.h"
#include "CustomExecute.h"
#include "EndPageRun.h"
#include "PrivateMessages.h"
#include "SystemMessage.h"
#include "TopDialog.h"
#include "resource.h"

namespace {

// The bar wraps at its end, so that it moves all the time.
const int kBarStep = 2;
const int kBarUpper = 100;

}  // namespace

BEGIN_MESSAGE_MAP(CEndExecuteDialog, CNestedInstallerDialog)
    ON_WM_SHOWWINDOW()
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_EXECUTE_STATUS, OnExecuteStatus)
    ON_MESSAGE(WM_EXECUTES_DONE, OnExecutesDone)
END_MESSAGE_MAP()

CEndExecuteDialog::CEndExecuteDialog(eDialogState state, CTopDialog* frame)
    : CNestedInstallerDialog(IDD_END_EXECUTE_PAGE, state, frame), m_nTimer(0), m_bFinished(false)
{
}

CEndExecuteDialog::~CEndExecuteDialog()
{
    StopWorker();
}

void CEndExecuteDialog::DoDataExchange(CDataExchange* dx)
{
    CNestedInstallerDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_END_EXECUTE_BAR, m_bar);
    DDX_Control(dx, IDC_END_EXECUTE_TEXT, m_text);
}

bool CEndExecuteDialog::IsPageNeeded()
{
    return EndPageRun().GetEndExecuteCount() != 0;
}

void CEndExecuteDialog::SetupButtons()
{
    EnableNext(false, true);
    EnableBack(false);
}

void CEndExecuteDialog::OnShowWindow(BOOL show, UINT status)
{
    CNestedInstallerDialog::OnShowWindow(show, status);
    if (!show || m_worker.IsStarted() || m_bFinished)
        return;
    m_nTimer = SetTimer(kStepTimer, kStepIntervalMs);
    m_bar.SetStep(kBarStep);
    m_bar.SetRange32(0, kBarUpper);
    const DWORD error = m_worker.Start(&CEndExecuteDialog::ExecuteThreadProc, this);
    if (error != 0) {
        AppServices().GetLogStream(kLogError, 0)
            << L"The end executes could not be started: " << SystemMessageText(error).GetString() << std::endl;
        // Nothing will tell the page that the pass is over.
        PostMessage(WM_EXECUTES_DONE);
    }
}

UINT CEndExecuteDialog::ExecuteThreadProc(LPVOID page)
{
    EndPageRun().LaunchExecutes(CustomExecute::kEndWithProgress, static_cast<CEndExecuteDialog*>(page));
    return 0;
}

void CEndExecuteDialog::OnTimer(UINT_PTR id)
{
    if (id != kStepTimer) {
        Default();
        return;
    }
    m_bar.StepIt();
    // A worker that ended without a word (an error escaped it) releases the page too.
    if (m_worker.IsStarted() && !m_worker.IsRunning())
        MoveOn();
}

LRESULT CEndExecuteDialog::OnExecuteStatus(WPARAM, LPARAM name)
{
    CString text;
    text.FormatMessage(IDS_CURRENTLY_EXECUTING, name ? reinterpret_cast<const wchar_t*>(name) : L"");
    m_text.SetWindowText(text);
    return 0;
}

LRESULT CEndExecuteDialog::OnExecutesDone(WPARAM, LPARAM)
{
    MoveOn();
    return 0;
}

void CEndExecuteDialog::MoveOn()
{
    if (m_bFinished)
        return;
    m_bFinished = true;
    if (m_nTimer) {
        KillTimer(m_nTimer);
        m_nTimer = 0;
    }
    if (m_pFrame)
        m_pFrame->Navigate(true);
}

void CEndExecuteDialog::StopWorker()
{
    if (!m_worker.IsRunning())
        return;
    // The page is going: nothing the worker still says moves the wizard.
    m_bFinished = true;
    if (!m_worker.WaitPumping(kStopWaitMs)) {
        AppServices().GetLogStream(kLogError, 0)
            << L"The end executes did not end and their thread is terminated." << std::endl;
        m_worker.Terminate(static_cast<DWORD>(-1));
    }
}

void CEndExecuteDialog::OnDestroy()
{
    StopWorker();
    if (m_nTimer) {
        KillTimer(m_nTimer);
        m_nTimer = 0;
    }
    Default();
}
