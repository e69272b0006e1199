#include "WelcomeDialog.h"

#include "ApplicationServices.h"
#include "LoadProgressBar.h"
#include "PrivateMessages.h"
#include "Resources.h"
#include "TopDialog.h"
#include "WelcomeDialogInfo.h"
#include "resource.h"

uint64_t CWelcomeDialog::s_comctlVersion = 0;

namespace {

// The loading line: this many dialog units above the bar, centred.
const int kLoadingTextHeight = 10;
const UINT kLoadingTextFlags = DT_CENTER;

}  // namespace

BEGIN_MESSAGE_MAP(CWelcomeDialog, CNestedInstallerDialog)
    ON_MESSAGE(WM_LOAD_PROGRESS_RANGE, OnLoadProgressRange)
    ON_MESSAGE(WM_LOAD_PROGRESS_STEP, OnLoadProgressStep)
    ON_MESSAGE(WM_LOAD_PROGRESS_SETSTEP, OnLoadProgressSetStep)
    ON_MESSAGE(WM_LOAD_DONE, OnLoadDone)
END_MESSAGE_MAP()

CWelcomeDialog::CWelcomeDialog(eDialogState state, CTopDialog* frame)
    : CNestedInstallerDialog(IDD_WELCOME_PAGE, state, frame), m_loadingText(LoadResourceString(IDS_LOADING_TEXT)),
      m_loadingTextRect(), m_bLoaded(false), m_bAutoAdvance(false)
{
    if (s_comctlVersion == 0)
        s_comctlVersion = ReadComctlVersion();
}

void CWelcomeDialog::DoDataExchange(CDataExchange* dx)
{
    CNestedInstallerDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_LOADING_BAR, m_loadingBar);
}

BOOL CWelcomeDialog::OnInitDialog()
{
    CNestedInstallerDialog::OnInitDialog();
    auto* info = dynamic_cast<CConfigInfo::WelcomeDialogInfo*>(m_pDialogInfo);
    if (info) {
        m_bAutoAdvance = info->IsAutoAdvance();
        // A configured place and colour; without one the template's place and the bar's own
        // colour stay.
        RECT place = info->GetProgressRect();
        if (place.right > place.left && place.bottom > place.top) {
            m_loadingBar.SetBackgroundColor(info->GetProgressColor());
            MapScaledDialogRect(place);
            m_loadingBar.MoveWindow(&place, FALSE);
            MarkWindowRescaled(m_loadingBar.m_hWnd);
        }
    }
    m_loadingBar.ShowWindow(SW_SHOW);

    // The loading line: the strip just above the bar, in scaled dialog units (after the bar's
    // own rescale, which has not happened yet for a bar in its template place).
    CRect bar;
    m_loadingBar.GetWindowRect(bar);
    ScreenToClient(static_cast<LPRECT>(bar));
    if (!IsWindowRescaled(m_loadingBar.m_hWnd)) {
        RescaleChildWindow(m_loadingBar.m_hWnd);
        m_loadingBar.GetWindowRect(bar);
        ScreenToClient(static_cast<LPRECT>(bar));
    }
    RECT units = bar;
    PixelsToScaledDialogUnits(units);
    m_loadingTextRect = RECT{units.left, units.top - kLoadingTextHeight, units.right, units.top};

    if (m_bAutoAdvance)
        ShowNextBack(false);
    return FALSE;
}

int CWelcomeDialog::GetTextCount()
{
    const int configured = CNestedInstallerDialog::GetTextCount();
    return m_bLoaded ? configured : configured + 1;
}

bool CWelcomeDialog::GetText(int index, CString& text, RECT& rect, LOGFONTW& font, UINT& drawFlags, COLORREF& color)
{
    if (!m_bLoaded && index == CNestedInstallerDialog::GetTextCount()) {
        text = m_loadingText;
        rect = m_loadingTextRect;
        drawFlags = kLoadingTextFlags;
        color = ::GetSysColor(COLOR_WINDOWTEXT);
        return true;
    }
    return CNestedInstallerDialog::GetText(index, text, rect, font, drawFlags, color);
}

void CWelcomeDialog::SetupButtons()
{
    EnableNext(m_bLoaded, m_bLoaded);
    EnableBack(false);
    EnableCancel(true);
    SetNextText(IDS_NEXT_CAPTION);
    SetBackText(IDS_BACK_CAPTION);
    SetCancelText(IDS_CANCEL_CAPTION);
}

bool CWelcomeDialog::ConfirmCancel()
{
    const bool cancel = CNestedInstallerDialog::ConfirmCancel();
    if (cancel && !m_bLoaded)
        AppServices().CancelLoading();
    return cancel;
}

LRESULT CWelcomeDialog::OnLoadProgressRange(WPARAM low, LPARAM high)
{
    return SetLoadProgressRange(m_loadingBar, s_comctlVersion, low, high);
}

LRESULT CWelcomeDialog::OnLoadProgressStep(WPARAM, LPARAM)
{
    StepLoadProgress(m_loadingBar);
    return 0;
}

LRESULT CWelcomeDialog::OnLoadProgressSetStep(WPARAM size, LPARAM)
{
    m_loadingBar.SetStep(static_cast<int>(size));
    return 0;
}

LRESULT CWelcomeDialog::OnLoadDone(WPARAM, LPARAM)
{
    m_bLoaded = true;
    m_loadingBar.ShowWindow(SW_HIDE);
    RECT strip = m_loadingTextRect;
    MapScaledDialogRect(strip);
    InvalidateRect(&strip, TRUE);
    if (m_bAutoAdvance)
        ShowNextBack(true);
    EnableNext(true, true);
    if (m_bAutoAdvance && m_pFrame && m_pFrame->GetCurrentPage() == this)
        m_pFrame->Navigate(true);
    return 0;
}
