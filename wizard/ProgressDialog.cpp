#include "ProgressDialog.h"

#include <ostream>

#include "ApplicationServices.h"
#include "Distribution.h"
#include "LanguageHelpers.h"
#include "LoadProgressBar.h"
#include "MediaPromptDlg.h"
#include "Part.h"
#include "PrivateMessages.h"
#include "Resources.h"
#include "SystemMessage.h"
#include "TopDialog.h"
#include "WindowHelpers.h"
#include "WizardDistribution.h"
#include "resource.h"

uint64_t CProgressDialog::s_comctlVersion = 0;
UINT CProgressDialog::s_nCancelTimeoutMs = 15000;
DWORD CProgressDialog::s_dwBusyRetryDelayMs = 1000;

namespace {

// Windows Installer message types (the top byte of the handler's message type).
const UINT kTypeMask = 0xFF000000;
const UINT kFlagsMask = MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK;
// 1618 is retried silently this many times in a row before the user is asked.
const int kSilentBusyRetries = 3;
const UINT kFlashCount = 5;
// The system message quoted for a failed part is cut to this many characters.
const size_t kSystemMessageLimit = 256;
// The linked display's action bar.
const short kLinkedBarUpper = 100;
// Answers to the install run.
const LRESULT kAnswerRetry = IDRETRY;
const LRESULT kAnswerPresent = 1;

UINT RunDistributionInstall(CProgressDialog& page)
{
    return WizardDistribution().InstallWithProgress(
        &page, &CProgressDialog::ExternalUIHandler, CProgressDialog::kMessageFilter, &page);
}

void ReadDistributionRunPosition(CProgressDialog::RunPosition& position)
{
    CDistribution& distribution = WizardDistribution();
    position.partCount = distribution.GetPartCountToInstall();
    CPart* part = distribution.GetCurrentPart();
    position.hasCurrentPart = part != nullptr;
    if (part) {
        position.partNumber = distribution.GetCurrentPartNumber();
        position.partName = part->GetProductName();
        position.installing = part->IsInstallingOrReinstalling();
    }
}

CString DecimalText(int value)
{
    CString text;
    text.Format(L"%d", value);
    return text;
}

}  // namespace

UINT (*CProgressDialog::s_pfnRunInstall)(CProgressDialog&) = &RunDistributionInstall;
void (*CProgressDialog::s_pfnReadRunPosition)(RunPosition&) = &ReadDistributionRunPosition;

BEGIN_MESSAGE_MAP(CProgressDialog, CNestedInstallerDialog)
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_INSTALL_RESULT, OnInstallResult)
    ON_MESSAGE(WM_QUERY_CANCEL_ALL, OnQueryCancelAll)
    ON_MESSAGE(WM_PART_ERROR, OnPartError)
    ON_MESSAGE(WM_CHILD_WINDOW_READY, OnChildWindowReady)
    ON_MESSAGE(WM_CHILD_WIZARD_CLOSING, OnChildWizardClosing)
    ON_MESSAGE(WM_LOAD_DONE, OnLoadDone)
    ON_MESSAGE(WM_LOAD_PROGRESS_RANGE, OnLoadProgressRange)
    ON_MESSAGE(WM_LOAD_PROGRESS_SETSTEP, OnLoadProgressSetStep)
    ON_MESSAGE(WM_LOAD_PROGRESS_STEP, OnLoadProgressStep)
    ON_MESSAGE(WM_LINKED_INSTALL_START, OnLinkedInstallStart)
    ON_MESSAGE(WM_LINKED_INSTALL_END, OnLinkedInstallEnd)
    ON_MESSAGE(WM_GET_RESPAWNED_IDS, OnGetRespawnedIds)
    ON_MESSAGE(WM_RUN_MEDIA_PROMPT, OnRunMediaPrompt)
END_MESSAGE_MAP()

CProgressDialog::CProgressDialog(eDialogState state, CTopDialog* frame)
    : CNestedInstallerDialog(IDD_PROGRESS_PAGE, state, frame), m_nPartCount(1), m_bCancelRequested(false),
      m_nResultReason(kReasonNormal), m_pauseEvent(::CreateEventW(nullptr, TRUE, TRUE, nullptr)),
      m_bMasterWasForeground(false), m_nConsecutiveBusy(0), m_bResultTaken(false)
{
    if (s_comctlVersion == 0)
        s_comctlVersion = ReadComctlVersion();
}

CProgressDialog::~CProgressDialog()
{
    StopInstallThread();
}

void CProgressDialog::DoDataExchange(CDataExchange* dx)
{
    CNestedInstallerDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_PROGRESS_LABEL, m_label);
    DDX_Control(dx, IDC_PROGRESS_STATUS, m_status);
    DDX_Control(dx, IDC_PROGRESS_ACTION, m_action);
    DDX_Control(dx, IDC_PROGRESS_OVERALL, m_overallBar);
    DDX_Control(dx, IDC_PROGRESS_ACTION_BAR, m_actionBar);
}

BOOL CProgressDialog::OnInitDialog()
{
    CNestedInstallerDialog::OnInitDialog();
    if (m_pFrame && m_pFrame->m_hWnd)
        m_pFrame->GetWindowText(m_caption);
    m_action.SetWindowText(L"");
    m_status.SetWindowText(L"");

    // The action line one line of the dialog font high, in its rescaled place.
    RescaleChildWindow(m_action.m_hWnd);
    LOGFONTW font = {};
    if (::GetObjectW(AppServices().GetDialogFont(), sizeof(font), &font) == sizeof(font)) {
        const int height = font.lfHeight >= 0 ? font.lfHeight
                                              : ::MulDiv(-font.lfHeight, GetWindowDeviceCaps(nullptr, LOGPIXELSY), 72);
        CRect place;
        m_action.GetWindowRect(place);
        ScreenToClient(static_cast<LPRECT>(place));
        m_action.MoveWindow(place.left, place.top, place.Width(), height);
    }
    return FALSE;
}

void CProgressDialog::SetupButtons()
{
    EnableNext(false, true);
    EnableBack(false);
    EnableCancel(true);
    SetNextText(IDS_NEXT_CAPTION);
    SetBackText(IDS_BACK_CAPTION);
    SetCancelText(IDS_CANCEL_CAPTION);
}

// The install thread.

void CProgressDialog::OnPageShown()
{
    CNestedInstallerDialog::OnPageShown();
    const DWORD error = StartInstallThread();
    if (error != 0) {
        // Nothing will post a result: the run failed.
        AppServices().GetLogStream(kLogError, 0)
            << L"The install thread could not be started: " << SystemMessageText(error).GetString() << std::endl;
        PostMessage(WM_INSTALL_RESULT, ERROR_INSTALL_FAILURE, kReasonFailed);
    }
}

DWORD CProgressDialog::StartInstallThread()
{
    m_progress.overallPosition = 0;
    m_progress.actionStart = 0;
    m_progress.phaseTotal = 0;
    m_progress.partNumber = 0;
    return m_installThread.Start(&CProgressDialog::InstallThreadProc, this);
}

UINT CProgressDialog::InstallThreadProc(LPVOID param)
{
    CProgressDialog* page = static_cast<CProgressDialog*>(param);
    const HWND window = page->m_hWnd;
    UINT result = ERROR_INSTALL_FAILURE;
    try {
        result = s_pfnRunInstall(*page);
    } catch (...) {
        // A run that escaped with an error failed; the error goes on to the thread's barrier.
        ::PostMessageW(window, WM_INSTALL_RESULT, ERROR_INSTALL_FAILURE, kReasonFailed);
        throw;
    }
    ::PostMessageW(window, WM_INSTALL_RESULT, result, page->m_nResultReason);
    return result;
}

void CProgressDialog::StopInstallThread()
{
    if (!m_installThread.IsRunning())
        return;
    // The page is going: whatever the run still reports changes nothing.
    m_bResultTaken = true;
    m_bCancelRequested = true;
    ::SetEvent(m_pauseEvent.Get());
    if (!m_installThread.WaitPumping(kStopWaitMs)) {
        AppServices().GetLogStream(kLogError, 0)
            << L"The install thread did not end after the cancel and is terminated." << std::endl;
        m_installThread.Terminate(static_cast<DWORD>(-1));
    }
}

// Windows Installer's messages, on the install thread.

int WINAPI CProgressDialog::ExternalUIHandler(LPVOID context, UINT messageType, LPCWSTR message)
{
    try {
        return static_cast<CProgressDialog*>(context)->HandleInstallerMessage(messageType, message);
    } catch (...) {
        // Nothing may pass back through the installer.
        return 0;
    }
}

int CProgressDialog::HandleInstallerMessage(UINT messageType, LPCWSTR message)
{
    ::WaitForSingleObject(m_pauseEvent.Get(), INFINITE);
    const wchar_t* text = message ? message : L"";
    const UINT flags = messageType & kFlagsMask;
    int answer = 0;
    switch (messageType & kTypeMask) {
    case INSTALLMESSAGE_FATALEXIT:
        answer = ShowQuestion(text, flags | MB_SETFOREGROUND);
        break;
    case INSTALLMESSAGE_ERROR:
        if ((messageType & MB_TYPEMASK) == 0) {
            m_lastErrorText = text;
            answer = IDOK;
        } else {
            answer = ShowQuestion(text, flags | MB_SETFOREGROUND);
        }
        break;
    case INSTALLMESSAGE_WARNING:
        answer = ShowQuestion(text, flags);
        break;
    case INSTALLMESSAGE_USER:
    case INSTALLMESSAGE_OUTOFDISKSPACE:
        answer = ShowQuestion(text, flags | MB_SETFOREGROUND);
        break;
    case INSTALLMESSAGE_INFO:
    case INSTALLMESSAGE_FILESINUSE:
    case INSTALLMESSAGE_RESOLVESOURCE:
        answer = 0;
        break;
    case INSTALLMESSAGE_ACTIONSTART: {
        wchar_t terminator[3] = {};
        OrbelToolbox::GetSentenceTerminator(LANGIDFROMLCID(::GetThreadLocale()), terminator);
        SetActionText(InstallProgress::DescribeAction(text, terminator));
        answer = 1;
        break;
    }
    case INSTALLMESSAGE_ACTIONDATA:
        ApplyBarUpdate(InstallProgress::ApplyActionData(m_progress));
        answer = 1;
        break;
    case INSTALLMESSAGE_PROGRESS: {
        InstallProgress::Record record;
        if (!InstallProgress::ParseRecord(text, record)) {
            answer = 0;
            break;
        }
        // The action bar's step, read without changing it, and its position.
        const int step = m_actionBar.SetStep(0);
        m_actionBar.SetStep(step);
        ApplyBarUpdate(InstallProgress::ApplyRecord(m_progress, record, step, m_actionBar.GetPos()));
        answer = 1;
        break;
    }
    case INSTALLMESSAGE_COMMONDATA:
    case INSTALLMESSAGE_SHOWDIALOG:
        answer = 1;
        break;
    case INSTALLMESSAGE_INITIALIZE:
        StartPart();
        answer = 1;
        break;
    case INSTALLMESSAGE_TERMINATE:
        m_overallBar.SetPos(m_progress.partNumber * InstallProgress::kUnitsPerPart);
        answer = 1;
        break;
    default:
        answer = 0;
        break;
    }
    return m_bCancelRequested ? IDCANCEL : answer;
}

void CProgressDialog::StartPart()
{
    InstallProgress::StartPart(m_progress, 0);
    RunPosition position;
    s_pfnReadRunPosition(position);
    m_nPartCount = position.partCount;
    m_overallBar.SetRange32(0, m_nPartCount * InstallProgress::kUnitsPerPart);
    m_lastErrorText.Empty();
    m_nConsecutiveBusy = 0;
    if (!position.hasCurrentPart)
        return;
    InstallProgress::StartPart(m_progress, position.partNumber);
    m_overallBar.SetPos(static_cast<int>(m_progress.overallPosition));
    CString status;
    status.FormatMessage(position.installing ? IDS_INSTALLING_PART : IDS_UNINSTALLING_PART,
        position.partName.GetString(), DecimalText(position.partNumber).GetString(),
        DecimalText(m_nPartCount).GetString());
    SetStatusText(status);
    SetActionText(L"");
}

void CProgressDialog::ApplyBarUpdate(const InstallProgress::BarUpdate& update)
{
    if (update.setRange)
        m_actionBar.SetRange32(0, update.rangeUpper);
    if (update.setPosition)
        m_actionBar.SetPos(update.position);
    if (update.setStep)
        m_actionBar.SetStep(update.step);
    if (update.offset)
        m_actionBar.OffsetPos(update.delta);
    if (update.stepOnce)
        m_actionBar.StepIt();
    if (update.setOverall)
        m_overallBar.SetPos(update.overallPosition);
}

int CProgressDialog::ShowQuestion(const wchar_t* text, UINT type, bool ownedByFrame)
{
    // The install thread's boxes have no owner: the frame belongs to another thread.
    const HWND owner = ownedByFrame && m_pFrame ? m_pFrame->m_hWnd : nullptr;
    return s_pfnMessageBoxW(owner, text, m_caption, type);
}

void CProgressDialog::SetStatusText(const wchar_t* text)
{
    m_status.SetWindowText(text);
}

void CProgressDialog::SetActionText(const wchar_t* text)
{
    m_action.SetWindowText(text);
}

void CProgressDialog::ShowInstallStatus(const CString& status)
{
    SetStatusText(status);
    SetActionText(L"");
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// Cancel and the run's questions, on the user-interface thread.

bool CProgressDialog::ConfirmCancel()
{
    if (m_bCancelRequested || m_bResultTaken)
        return false;
    ::ResetEvent(m_pauseEvent.Get());
    // The run may end while the question is open: once its result is taken, a Yes is too late.
    if (CNestedInstallerDialog::ConfirmCancel() && !m_bResultTaken) {
        m_bCancelRequested = true;
        BeginBusy();
        SetTimer(kCancelTimer, s_nCancelTimeoutMs);
    }
    ::SetEvent(m_pauseEvent.Get());
    return false;
}

LRESULT CProgressDialog::OnQueryCancelAll(WPARAM, LPARAM)
{
    KillTimer(kCancelTimer);
    if (m_bCancelRequested)
        EndBusy();
    m_bCancelRequested = false;
    m_nResultReason = kReasonCancelled;
    return 1;
}

void CProgressDialog::OnTimer(UINT_PTR id)
{
    if (id != kCancelTimer) {
        Default();
        return;
    }
    KillTimer(kCancelTimer);
    // A tick that was due when the result was taken.
    if (m_bResultTaken)
        return;
    // The run did not come back in time: it is stopped where it is.
    m_installThread.Terminate(static_cast<DWORD>(-1));
    EndBusy();
    m_bCancelRequested = false;
    // A result the run posted before it was stopped may arrive while the message is open; it
    // is then the run's result, and the time-out reports nothing more.
    AnswerPartError(kCancelTimeoutCode, L"");
    FinishInstall(ERROR_INSTALL_USEREXIT, kReasonCancelled);
}

LRESULT CProgressDialog::OnPartError(WPARAM code, LPARAM partName)
{
    return AnswerPartError(static_cast<DWORD>(code), reinterpret_cast<const wchar_t*>(partName));
}

LRESULT CProgressDialog::AnswerPartError(DWORD code, const wchar_t* partName)
{
    KillTimer(kCancelTimer);
    const wchar_t* name = partName ? partName : L"";
    const UINT question = MB_ICONEXCLAMATION | MB_SETFOREGROUND;
    CString text;
    int answer = IDCANCEL;
    switch (code) {
    case 0:
        // A child installer that can show no page: no question.
        m_nResultReason = kReasonFailed;
        return reinterpret_cast<LRESULT>(partName);
    case ERROR_INSTALL_FAILURE:
        if (!m_lastErrorText.IsEmpty())
            text.Format(LoadResourceString(IDS_PART_FAILED_WITH_ERROR), name, m_lastErrorText.GetString());
        else
            text.Format(LoadResourceString(IDS_PART_FAILED), name);
        answer = ShowQuestion(text, MB_YESNO | question, true);
        break;
    case ERROR_INSTALL_ALREADY_RUNNING:
        if (++m_nConsecutiveBusy <= kSilentBusyRetries) {
            ::Sleep(s_dwBusyRetryDelayMs);
            return kAnswerRetry;
        }
        m_nConsecutiveBusy = 0;
        answer = ShowQuestion(LoadResourceString(IDS_ANOTHER_INSTALLER_RUNNING), MB_RETRYCANCEL | question, true);
        break;
    case kCancelTimeoutCode:
        ShowQuestion(LoadResourceString(IDS_ABORTED_AT_YOUR_REQUEST), MB_OK | question, true);
        answer = IDCANCEL;
        break;
    default:
        text.Format(LoadResourceString(IDS_PART_FAILED_WITH_ERROR), name,
            SystemMessageText(code, 0, kSystemMessageLimit).GetString());
        answer = ShowQuestion(text, MB_YESNO | question, true);
        break;
    }
    if (answer != IDYES && answer != IDRETRY)
        m_nResultReason = kReasonFailed;
    return answer;
}

LRESULT CProgressDialog::OnRunMediaPrompt(WPARAM prompt, LPARAM)
{
    IMediaPrompt* media = reinterpret_cast<IMediaPrompt*>(prompt);
    CMediaPromptDlg* dialog = dynamic_cast<CMediaPromptDlg*>(media);
    if (!dialog)
        return media && media->IsMediaPresent() ? kAnswerPresent : IDCANCEL;
    const HWND frame = m_pFrame ? m_pFrame->m_hWnd : nullptr;
    dialog->SetOwnerWindow(frame);
    if (dialog->IsMediaPresent())
        return kAnswerPresent;
    if (frame && (GetTopLevelWindow(::GetForegroundWindow()) != frame || ::IsIconic(frame)))
        FlashWindowTimes(frame, kFlashCount);
    const INT_PTR result = dialog->DoModal();
    return result == IDOK ? kAnswerPresent : static_cast<LRESULT>(result);
}

LRESULT CProgressDialog::OnInstallResult(WPARAM result, LPARAM reason)
{
    FinishInstall(static_cast<UINT>(result), static_cast<int>(reason));
    return 0;
}

void CProgressDialog::FinishInstall(UINT result, int reason)
{
    // After the time-out, or once the page is going, a late result changes nothing.
    if (m_bResultTaken)
        return;
    m_bResultTaken = true;
    KillTimer(kCancelTimer);
    // A cancel still pending (the run ended before it took effect) ends with the run.
    if (m_bCancelRequested) {
        m_bCancelRequested = false;
        EndBusy();
    }
    if (m_pFrame) {
        m_pFrame->SendMessage(WM_INSTALL_RESULT, result, reason);
        m_pFrame->Navigate(true);
    }
}

void CProgressDialog::OnDestroy()
{
    StopInstallThread();
    KillTimer(kCancelTimer);
    Default();
}

// The master's display of a linked distribution.

LRESULT CProgressDialog::OnLinkedInstallStart(WPARAM, LPARAM title)
{
    m_label.ShowWindow(SW_HIDE);
    m_overallBar.ShowWindow(SW_HIDE);
    m_status.ShowWindow(SW_HIDE);
    m_progress.phaseTotal = 0;
    CString text;
    text.FormatMessage(IDS_INITIALIZING_LINKED, title ? reinterpret_cast<const wchar_t*>(title) : L"");
    SetActionText(text);
    m_actionBar.SetRange(0, kLinkedBarUpper);
    m_actionBar.SetPos(0);
    const HWND frame = m_pFrame ? m_pFrame->m_hWnd : nullptr;
    m_bMasterWasForeground = frame && GetTopLevelWindow(::GetForegroundWindow()) == frame;
    return 0;
}

LRESULT CProgressDialog::OnLinkedInstallEnd(WPARAM, LPARAM)
{
    m_label.ShowWindow(SW_SHOWNA);
    m_overallBar.ShowWindow(SW_SHOWNA);
    m_status.ShowWindow(SW_SHOWNA);
    if (m_childPlacement) {
        m_childPlacement->ApplyTo(true);
        m_childPlacement.reset();
    }
    // A child that never said its wizard closed leaves the frame hidden since its load ended.
    if (m_pFrame && m_pFrame->m_hWnd && !m_pFrame->IsWindowVisible())
        m_pFrame->ShowWindow(SW_SHOWNA);
    return 0;
}

LRESULT CProgressDialog::OnChildWindowReady(WPARAM, LPARAM)
{
    if (m_bMasterWasForeground && m_pFrame)
        ::SetForegroundWindow(m_pFrame->m_hWnd);
    return 0;
}

LRESULT CProgressDialog::OnChildWizardClosing(WPARAM, LPARAM childFrame)
{
    if (!m_pFrame)
        return 0;
    m_childPlacement.reset(new WindowPlacementState);
    m_childPlacement->Save(reinterpret_cast<HWND>(childFrame), m_pFrame->m_hWnd);
    return 0;
}

LRESULT CProgressDialog::OnLoadDone(WPARAM, LPARAM)
{
    // The child's wizard takes over.
    if (m_pFrame)
        m_pFrame->ShowWindow(SW_HIDE);
    return 0;
}

LRESULT CProgressDialog::OnLoadProgressRange(WPARAM low, LPARAM high)
{
    return SetLoadProgressRange(m_actionBar, s_comctlVersion, low, high);
}

LRESULT CProgressDialog::OnLoadProgressStep(WPARAM, LPARAM)
{
    StepLoadProgress(m_actionBar);
    return 0;
}

LRESULT CProgressDialog::OnLoadProgressSetStep(WPARAM size, LPARAM)
{
    m_actionBar.SetStep(static_cast<int>(size));
    return 0;
}

LRESULT CProgressDialog::OnGetRespawnedIds(WPARAM threadId, LPARAM processId)
{
    if (!m_pFrame)
        return 0;
    return m_pFrame->GetSpawnIds(reinterpret_cast<DWORD*>(processId), reinterpret_cast<DWORD*>(threadId));
}
