#include "TopDialog.h"

#include "ApplicationServices.h"
#include "DC.h"
#include "DistributionInfo.h"
#include "InstallerErrors.h"
#include "MessageBox.h"
#include "PrivateMessages.h"
#include "Resources.h"
#include "WelcomeDialog.h"
#include "WindowHelpers.h"
#include "resource.h"

// Errors of this file carry this source name.
static const char kSource[] = "TopDialog";

BOOL(WINAPI* CTopDialog::s_pfnSystemParametersInfoW)(UINT, UINT, PVOID, UINT) = &::SystemParametersInfoW;
DWORD(WINAPI* CTopDialog::s_pfnGetTickCount)() = &::GetTickCount;
UINT CTopDialog::s_nSpawnMessage = 0;
UINT CTopDialog::s_nQueryCancelAutoPlayMessage = 0;

namespace {

const UINT kFirstExtraButton = 5000;
const UINT kLastExtraButton = 5005;
// Gap between an extra button and the button right of it.
const int kExtraButtonGap = 5;
const UINT kFlashCount = 5;
// The restart dialog's answers that restart or shut down.
const INT_PTR kRebootRestart = 3;
const INT_PTR kRebootShutDown = 1083;

bool IsInputMessage(UINT message)
{
    return (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL) || (message >= WM_KEYDOWN && message <= 0x108);
}

// A window that can take the focus: it and its parents up to `frame` are visible and enabled.
bool IsUsable(HWND window, HWND frame)
{
    for (HWND w = window; w; w = ::GetParent(w)) {
        if (!::IsWindowVisible(w) || !::IsWindowEnabled(w))
            return false;
        if (w == frame)
            return true;
    }
    return false;
}

}  // namespace

BEGIN_MESSAGE_MAP(CTopDialog, CBaseDialog)
    ON_COMMAND(IDC_FRAME_BACK, OnBackCommand)
    ON_COMMAND(IDC_FRAME_NEXT, OnNextCommand)
    ON_WM_PAINT()
    ON_WM_SIZE()
    ON_WM_QUERYDRAGICON()
    ON_WM_SETCURSOR()
    ON_COMMAND_RANGE(kFirstExtraButton, kLastExtraButton, OnExtraButton)
    ON_WM_ACTIVATE()
    ON_MESSAGE(WM_INSTALL_RESULT, OnInstallResult)
    ON_MESSAGE(WM_SET_FRAME_EVENT, OnSetFrameEvent)
    ON_REGISTERED_MESSAGE(CTopDialog::s_nSpawnMessage, OnInstallerSpawn)
    ON_REGISTERED_MESSAGE(CTopDialog::s_nQueryCancelAutoPlayMessage, OnQueryCancelAutoPlay)
END_MESSAGE_MAP()

CTopDialog::CTopDialog(CWnd* parent)
    : CBaseDialog(IDD_TOP_DIALOG, parent), m_eStartState(kWelcomeDialog), m_eCurrentState(kWelcomeDialog),
      m_pages(), m_pCurrentPage(nullptr),
      m_hIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_PROGRAM))),
      m_hEvent(::CreateEventW(nullptr, FALSE, FALSE, nullptr)), m_hBusyCursor(nullptr),
      m_hAccelerators(::LoadAcceleratorsW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_PAGE_ACCELERATORS))),
      m_bNextEnabled(true), m_bBackEnabled(true), m_dwBusyEndTick(0), m_bBusyEnded(false), m_nResultCode(0),
      m_bResultStored(false), m_nSavedForegroundLockTimeout(-1), m_bActivatedOnce(false), m_hSavedFocus(nullptr),
      m_nSavedDefId(0), m_bEnded(false)
{
    if (!s_nSpawnMessage)
        s_nSpawnMessage = ::RegisterWindowMessageW(kInstallerSpawnMessage);
}

CTopDialog::~CTopDialog()
{
    RemoveExtraButtons();
    for (CNestedInstallerDialog*& page : m_pages) {
        if (page) {
            page->DestroyWindow();
            delete page;
            page = nullptr;
        }
    }
    m_pCurrentPage = nullptr;
    if (m_hWnd)
        DestroyWindow();
    RestoreForegroundLockTimeout();
    if (m_hEvent)
        ::CloseHandle(m_hEvent);
}

// Pages and navigation.

void CTopDialog::StartWizard()
{
    if (m_eStartState == m_eCurrentState)
        return;
    for (eDialogState state = m_eStartState; state != kNoDialog && !m_bEnded;
         state = CNestedInstallerDialog::GetNextDialogState(state)) {
        if (ShowPage(state))
            return;
    }
    if (m_bEnded || m_pCurrentPage)
        return;
    // No page at all: nothing to go to; Cancel stays.
    ::EnableWindow(Button(IDC_FRAME_NEXT), FALSE);
    ::EnableWindow(Button(IDC_FRAME_BACK), FALSE);
    EnsureUsableFocus();
    if (HWND master = AppServices().GetMasterWindow())
        ::SendMessageW(master, WM_PART_ERROR, 0, reinterpret_cast<LPARAM>(m_hWnd));
}

bool CTopDialog::CanShowPage(eDialogState state, CNestedInstallerDialog* page)
{
    if (!AppServices().IsDialogEnabled(state, false, false))
        return false;
    int verdict = -1;
    for (eDialogState visited : m_history) {
        CNestedInstallerDialog* earlier = visited >= 1 && visited <= kDialogStateCount ? m_pages[visited - 1] : nullptr;
        bool show = true;
        if (earlier && earlier->QueryPageVisibility(state, show))
            verdict = show ? 1 : 0;
    }
    if (verdict == 0)
        return false;
    return page->IsPageNeeded();
}

bool CTopDialog::ShowPage(eDialogState state)
{
    if (m_bEnded)
        return false;
    if (state < 1 || state > kDialogStateCount)
        throw ValueOutOfRange(kSource, __LINE__, L"state", state, L"%1=%2");
    CNestedInstallerDialog*& slot = m_pages[state - 1];
    if (!slot) {
        std::unique_ptr<CNestedInstallerDialog> page(CNestedInstallerDialog::CreateDialog(state, this));
        if (!CanShowPage(state, page.get()))
            return false;
        if (!page->Create(page->GetTemplateId(), this)) {
            const wchar_t* name = CNestedInstallerDialog::GetDialogName(state);
            throw DlgCreateError(kSource, __LINE__, name ? name : L"page", ::GetLastError(),
                L"Error creating %1.  Window Error: %2");
        }
        slot = page.release();
    } else if (!CanShowPage(state, slot)) {
        return false;
    }
    if (m_bEnded)
        return false;

    RemoveExtraButtons();
    if (m_pCurrentPage) {
        m_pCurrentPage->UpdateData(TRUE);
        m_pCurrentPage->ShowWindow(SW_HIDE);
        m_pCurrentPage->OnPageHidden();
    }
    m_pCurrentPage = slot;
    m_eCurrentState = state;
    slot->UpdateData(FALSE);
    slot->FitToFrame();
    slot->ShowWindow(SW_SHOWNA);
    slot->OnPageShown();
    return true;
}

void CTopDialog::Navigate(bool forward)
{
    if (m_bEnded)
        return;
    if (forward) {
        m_history.push_back(m_eCurrentState);
        for (eDialogState state = CNestedInstallerDialog::GetNextDialogState(m_eCurrentState);
             state != kNoDialog && !m_bEnded; state = CNestedInstallerDialog::GetNextDialogState(state)) {
            if (ShowPage(state))
                return;
        }
        if (!m_bEnded)
            EndWizard();
        return;
    }
    if (m_history.empty())
        return;
    const eDialogState previous = m_history.back();
    m_history.pop_back();
    ShowPage(previous);
}

void CTopDialog::EndWizard()
{
    if (m_bEnded)
        return;
    m_bEnded = true;
    if (m_pCurrentPage)
        m_pCurrentPage->OnPageHidden();
    NotifyMasterClosing();
    EndLoop(m_nResultCode);
}

int CTopDialog::RunModalLoop(DWORD flags)
{
    if (m_bEnded)
        return m_nResultCode;
    return CBaseDialog::RunModalLoop(flags);
}

void CTopDialog::EndLoop(int result)
{
    m_bEnded = true;
    RestoreForegroundLockTimeout();
    EndModalLoop(result);
}

void CTopDialog::NotifyMasterClosing()
{
    if (HWND master = AppServices().GetMasterWindow())
        ::SendMessageW(master, WM_CHILD_WIZARD_CLOSING, 0, reinterpret_cast<LPARAM>(m_hWnd));
}

void CTopDialog::OnBackCommand()
{
    Step(false);
}

void CTopDialog::OnNextCommand()
{
    Step(true);
}

void CTopDialog::Step(bool forward)
{
    // Without a page there is nowhere to go.
    CNestedInstallerDialog* page = m_pCurrentPage;
    if (m_bEnded || !page)
        return;
    const bool nextEnabled = m_bNextEnabled;
    const bool backEnabled = m_bBackEnabled;
    ::EnableWindow(Button(IDC_FRAME_NEXT), FALSE);
    ::EnableWindow(Button(IDC_FRAME_BACK), FALSE);
    page->EnableWindow(FALSE);

    const BOOL agreed = forward ? page->OnNext() : page->OnBack();
    if (agreed && !m_bEnded)
        Navigate(forward);
    // The page refused, or no other page could be shown: the buttons as they were.
    if (!m_bEnded && m_pCurrentPage == page) {
        EnableNext(nextEnabled, false);
        EnableBack(backEnabled);
    }
    if (page->m_hWnd)
        page->EnableWindow(TRUE);
    EnsureUsableFocus();
}

void CTopDialog::OnCancel()
{
    // A disabled Cancel cancels nothing (Escape on the frame and the close box included).
    HWND cancel = Button(IDC_FRAME_CANCEL);
    if (m_bEnded || (cancel && !::IsWindowEnabled(cancel)))
        return;
    bool confirmed = false;
    if (m_pCurrentPage) {
        confirmed = m_pCurrentPage->ConfirmCancel();
    } else {
        CString caption;
        GetWindowText(caption);
        confirmed = CNestedInstallerDialog::s_pfnMessageBoxW(m_hWnd, LoadResourceString(IDS_CONFIRM_CANCEL), caption,
                        MB_YESNO | MB_ICONQUESTION)
            == IDYES;
    }
    if (confirmed)
        EndWizardCancelled();
}

void CTopDialog::EndWizardCancelled()
{
    if (m_bEnded)
        return;
    // Before the install posted its result the run was cancelled, whatever the stored code.
    if (!m_bResultStored)
        m_nResultCode = ERROR_INSTALL_USEREXIT;
    NotifyMasterClosing();
    EndLoop(m_nResultCode);
}

BOOL CTopDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (m_pCurrentPage && m_pCurrentPage->m_hWnd && m_pCurrentPage->SendMessage(WM_COMMAND, wParam, lParam) != 0)
        return TRUE;
    return CBaseDialog::OnCommand(wParam, lParam);
}

void CTopDialog::OnExtraButton(UINT id)
{
    if (m_pCurrentPage)
        m_pCurrentPage->OnExtraButton(id);
}

// Buttons.

void CTopDialog::EnableNext(bool enable, bool focus)
{
    m_bNextEnabled = enable;
    HWND next = Button(IDC_FRAME_NEXT);
    ::EnableWindow(next, enable);
    if (enable) {
        SetDefID(IDC_FRAME_NEXT);
        if (focus && IsUsable(next, m_hWnd))
            SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    } else {
        EnsureUsableFocus();
    }
}

void CTopDialog::EnableBack(bool enable)
{
    m_bBackEnabled = enable;
    ::EnableWindow(Button(IDC_FRAME_BACK), enable && !m_history.empty());
    EnsureUsableFocus();
}

void CTopDialog::EnableCancel(bool enable)
{
    ::EnableWindow(Button(IDC_FRAME_CANCEL), enable);
    EnsureUsableFocus();
}

void CTopDialog::ShowNextBack(bool show)
{
    ::ShowWindow(Button(IDC_FRAME_NEXT), show ? SW_SHOWNA : SW_HIDE);
    ::ShowWindow(Button(IDC_FRAME_BACK), show ? SW_SHOWNA : SW_HIDE);
    EnsureUsableFocus();
}

void CTopDialog::SetNextText(UINT stringId)
{
    ::SetWindowTextW(Button(IDC_FRAME_NEXT), LoadResourceString(stringId));
}

void CTopDialog::SetBackText(UINT stringId)
{
    ::SetWindowTextW(Button(IDC_FRAME_BACK), LoadResourceString(stringId));
}

void CTopDialog::SetCancelText(UINT stringId)
{
    ::SetWindowTextW(Button(IDC_FRAME_CANCEL), LoadResourceString(stringId));
}

void CTopDialog::EnableButton(UINT id, bool enable)
{
    HWND button = Button(id);
    ::EnableWindow(button, enable);
    if (enable) {
        SetDefID(id);
        if (IsUsable(button, m_hWnd))
            SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
    } else {
        EnsureUsableFocus();
    }
}

UINT CTopDialog::AddButton(const wchar_t* text)
{
    const UINT id = kFirstExtraButton + static_cast<UINT>(m_extraButtons.size());
    if (id > kLastExtraButton)
        return 0;
    HWND reference = m_extraButtons.empty() ? Button(IDC_FRAME_BACK) : m_extraButtons.back()->m_hWnd;
    CRect referenceRect;
    ::GetWindowRect(reference, &referenceRect);
    ScreenToClient(static_cast<LPRECT>(referenceRect));
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(reference, WM_GETFONT, 0, 0));

    // Width: the text and one average character, with room for the language's captions.
    int width = 0;
    {
        CClientDC dc(this);
        HGDIOBJ old = font ? ::SelectObject(dc.m_hDC, font) : nullptr;
        TEXTMETRICW metrics = {};
        dc.GetTextMetrics(&metrics);
        SIZE extent = {0, 0};
        ::GetTextExtentPoint32W(dc.m_hDC, text, static_cast<int>(wcslen(text)), &extent);
        POINT size[2] = {{0, 0}, {metrics.tmAveCharWidth + extent.cx, 0}};
        ::LPtoDP(dc.m_hDC, size, 2);
        width = size[1].x - size[0].x;
        const LANGID language = LANGIDFROMLCID(::GetThreadLocale());
        if (PRIMARYLANGID(language) == LANG_FRENCH)
            width -= 2 * metrics.tmAveCharWidth;
        else if (language == 1028 || language == 2052)
            width += 3 * metrics.tmAveCharWidth;
        if (old)
            ::SelectObject(dc.m_hDC, old);
    }

    std::unique_ptr<CButton> button(new CButton);
    CRect rect(referenceRect.left - kExtraButtonGap - width, referenceRect.top, referenceRect.left - kExtraButtonGap,
        referenceRect.bottom);
    if (!button->Create(text, WS_CHILD | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, rect, this, id))
        return 0;
    if (font)
        ::SendMessageW(button->m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // In the tab order right before the reference.
    HWND before = ::GetWindow(reference, GW_HWNDPREV);
    ::SetWindowPos(button->m_hWnd, before ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    button->ShowWindow(SW_SHOW);
    m_extraButtons.push_back(std::move(button));
    return id;
}

void CTopDialog::RemoveExtraButtons()
{
    while (!m_extraButtons.empty()) {
        m_extraButtons.back()->DestroyWindow();
        m_extraButtons.pop_back();
    }
}

void CTopDialog::FocusFirstButton()
{
    for (UINT id : {static_cast<UINT>(IDC_FRAME_NEXT), static_cast<UINT>(IDC_FRAME_BACK),
             static_cast<UINT>(IDC_FRAME_CANCEL)}) {
        HWND button = Button(id);
        if (button && IsUsable(button, m_hWnd)) {
            SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
            return;
        }
    }
    // None of them: the next control that can take the focus.
    SendMessage(WM_NEXTDLGCTL, 0, FALSE);
}

void CTopDialog::EnsureUsableFocus()
{
    // Only while the frame is the active window: moving the focus would activate it.
    if (!m_hWnd || ::GetActiveWindow() != m_hWnd)
        return;
    HWND focus = ::GetFocus();
    if (focus && focus != m_hWnd && !::IsChild(m_hWnd, focus))
        return;
    if (focus && focus != m_hWnd && IsUsable(focus, m_hWnd))
        return;
    FocusFirstButton();
}

// Busy state and input.

void CTopDialog::BeginBusy()
{
    m_hBusyCursor = ::LoadCursorW(nullptr, IDC_WAIT);
    ::SetCursor(m_hBusyCursor);
    SendCursorUpdate();
}

void CTopDialog::EndBusy()
{
    m_hBusyCursor = nullptr;
    ::SetCursor(nullptr);
    m_dwBusyEndTick = s_pfnGetTickCount();
    m_bBusyEnded = true;
    SendCursorUpdate();
}

void CTopDialog::SendCursorUpdate()
{
    POINT point = {};
    if (!::GetCursorPos(&point))
        return;
    HWND under = ::WindowFromPoint(point);
    if (!under || (under != m_hWnd && !::IsChild(m_hWnd, under)))
        return;
    const LRESULT hit = ::SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
    ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE));
}

bool CTopDialog::IsInputDropped(const MSG& msg) const
{
    if (msg.hwnd && msg.hwnd == Button(IDC_FRAME_CANCEL))
        return false;
    if (IsBusy())
        return true;
    // Queued before the busy state ended; the tick count wraps after 49.7 days, so the
    // difference decides, not the values.
    return m_bBusyEnded && static_cast<LONG>(msg.time - m_dwBusyEndTick) < 0;
}

BOOL CTopDialog::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message)
{
    if (IsBusy() && CWnd::HandleOf(wnd) != Button(IDC_FRAME_CANCEL) && hitTest != HTCAPTION && hitTest != HTSYSMENU
        && hitTest != HTMINBUTTON && hitTest != HTMAXBUTTON && hitTest != HTCLOSE) {
        ::SetCursor(m_hBusyCursor);
        return TRUE;
    }
    (void)message;
    return static_cast<BOOL>(Default());
}

BOOL CTopDialog::PreTranslateMessage(MSG* msg)
{
    if (IsInputMessage(msg->message) && IsInputDropped(*msg))
        return TRUE;
    if (m_hAccelerators && ::TranslateAcceleratorW(m_hWnd, m_hAccelerators, msg))
        return TRUE;
    return CBaseDialog::PreTranslateMessage(msg);
}

// Window messages.

BOOL CTopDialog::OnInitDialog()
{
    CBaseDialog::OnInitDialog();
    if (!s_nQueryCancelAutoPlayMessage)
        s_nQueryCancelAutoPlayMessage = ::RegisterWindowMessageW(kQueryCancelAutoPlayMessage);
    // The distribution's title, else the application's.
    CConfigInfo::DistributionInfo* distribution = AppServices().GetConfigInfo().GetDistributionInfo();
    SetWindowText(distribution && !distribution->GetTitle().IsEmpty() ? distribution->GetTitle()
                                                                      : AppServices().GetTitle());
    ::EnableMenuItem(GetSystemMenu(FALSE), SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
    if (m_hIcon) {
        SetIcon(m_hIcon, TRUE);
        SetIcon(m_hIcon, FALSE);
    }
    ShowPage(kWelcomeDialog);
    return TRUE;
}

LRESULT CTopDialog::DoWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY)
        RestoreForegroundLockTimeout();
    return CBaseDialog::DoWindowProc(message, wParam, lParam);
}

void CTopDialog::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    CRect client;
    GetClientRect(client);
    const int x = (client.Width() - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.Height() - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CTopDialog::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

void CTopDialog::OnSize(UINT type, int, int)
{
    Default();
    if (type != SIZE_MINIMIZED && m_pCurrentPage && m_pCurrentPage->m_hWnd)
        m_pCurrentPage->FitToFrame();
}

void CTopDialog::OnActivate(UINT state, CWnd*, BOOL)
{
    Default();
    if (state == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        m_hSavedFocus = focus && ::IsChild(m_hWnd, focus) ? focus : nullptr;
        const DWORD defId = GetDefID();
        if (HIWORD(defId) == DC_HASDEFID)
            m_nSavedDefId = LOWORD(defId);
        return;
    }
    if (!m_bActivatedOnce) {
        m_bActivatedOnce = true;
        SaveForegroundLockTimeout();
    }
    if (m_hSavedFocus && ::IsWindow(m_hSavedFocus) && IsUsable(m_hSavedFocus, m_hWnd))
        ::SetFocus(m_hSavedFocus);
    if (m_nSavedDefId) {
        const DWORD current = GetDefID();
        SetDefID(m_nSavedDefId);
        ::SendMessageW(Button(m_nSavedDefId), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        if (HIWORD(current) == DC_HASDEFID && LOWORD(current) != m_nSavedDefId)
            ::SendMessageW(Button(LOWORD(current)), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    }
    EnsureUsableFocus();
}

void CTopDialog::SaveForegroundLockTimeout()
{
    DWORD timeout = 0;
    if (!s_pfnSystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0))
        return;
    m_nSavedForegroundLockTimeout = static_cast<int>(timeout);
    // For this session only: the user's profile keeps its value.
    s_pfnSystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
}

void CTopDialog::RestoreForegroundLockTimeout()
{
    if (m_nSavedForegroundLockTimeout < 0)
        return;
    s_pfnSystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
        reinterpret_cast<PVOID>(static_cast<UINT_PTR>(m_nSavedForegroundLockTimeout)), 0);
    m_nSavedForegroundLockTimeout = -1;
}

LRESULT CTopDialog::OnInstallResult(WPARAM wParam, LPARAM)
{
    m_nResultCode = static_cast<int>(wParam);
    m_bResultStored = true;
    return 0;
}

LRESULT CTopDialog::OnSetFrameEvent(WPARAM, LPARAM)
{
    ::SetEvent(m_hEvent);
    return 0;
}

LRESULT CTopDialog::OnInstallerSpawn(WPARAM wParam, LPARAM lParam)
{
    m_spawn.Store(wParam, lParam);
    return 0;
}

LRESULT CTopDialog::GetSpawnIds(DWORD* first, DWORD* second)
{
    return m_spawn.Take(second, first);
}

LRESULT CTopDialog::OnQueryCancelAutoPlay(WPARAM, LPARAM)
{
    const LRESULT answer = m_pCurrentPage ? m_pCurrentPage->CancelAutoPlay() : 0;
    ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, answer);
    return answer;
}

// The end of the wizard.

void CTopDialog::AskReboot()
{
    if (!AppServices().IsRebootRequired(false))
        return;
    const INT_PTR answer = g_pfnRunRebootDialog(AppServices().GetTitle());
    if (answer == kRebootRestart || answer == kRebootShutDown) {
        m_nResultCode = ERROR_SUCCESS_REBOOT_INITIATED;
        m_bResultStored = true;
        EndLoop(m_nResultCode);
    }
    // The restart is still needed.
    if (answer == kRebootRefused) {
        m_nResultCode = ERROR_SUCCESS_REBOOT_REQUIRED;
        m_bResultStored = true;
    }
}

void CTopDialog::FlashIfInBackground()
{
    if (GetTopLevelWindow(::GetForegroundWindow()) != m_hWnd)
        FlashWindowTimes(m_hWnd, kFlashCount);
}

CWelcomeDialog* CTopDialog::GetWelcomeDialog()
{
    return m_eCurrentState == kWelcomeDialog ? dynamic_cast<CWelcomeDialog*>(m_pCurrentPage) : nullptr;
}
