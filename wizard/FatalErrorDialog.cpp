#include "FatalErrorDialog.h"

#include <algorithm>
#include <ostream>

#include "ApplicationServices.h"
#include "DC.h"
#include "MessageBox.h"
#include "Resources.h"
#include "UiMode.h"
#include "WinApp.h"
#include "resource.h"

namespace {

const wchar_t kExpandMark[] = L" >>";
const wchar_t kCollapseMark[] = L" <<";
const int kMarginUnits = 7;
// What the dialog shows of a text at most (the log keeps the whole): a message of megabytes
// (a path with every variable expanded) would keep the dialog measuring and wrapping for
// minutes.
const int kShownMessageLength = 4096;
const int kShownDetailsLength = 30000;
// Said in place of a report's message when it has none.
const wchar_t kUnknownFatalError[] = L"Unknown fatal error.";

CString Shortened(const CString& text, int length)
{
    return text.GetLength() > length ? text.Left(length) + L"..." : text;
}

INT_PTR RunModally(CFatalErrorDialog& dialog)
{
    return dialog.DoModal();
}

void ShowFallbackBox(const wchar_t* message)
{
    try {
        g_pfnMessageBoxW(
            nullptr, message ? message : kUnknownFatalError, L"setup.exe", MB_SETFOREGROUND | MB_ICONWARNING);
    } catch (...) {
    }
}

CRect WindowRectIn(HWND window, HWND parent)
{
    CRect rect;
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<LPPOINT>(&rect), 2);
    return rect;
}

CRect WorkArea(HWND window)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return CRect(monitor.rcWork);
}

}  // namespace

INT_PTR (*g_pfnRunFatalErrorDialog)(CFatalErrorDialog& dialog) = &RunModally;

void ReportFatalError(const wchar_t* message, const wchar_t* details, BOOL showDetailsButton, BOOL logDetails,
    const CCrashReport* crashReport)
{
    // Neither the dialog nor the log line may come out empty.
    if (!message || !*message)
        message = kUnknownFatalError;
    try {
        CString shown = details;
        shown += L"\n";
        if (crashReport)
            shown += crashReport->GetText();

        if (AppServices().GetUiMode() != UiQuiet) {
            CFatalErrorDialog dialog(AfxGetMainWnd(), MB_ICONEXCLAMATION);
            dialog.ShowDetailsButton(showDetailsButton);
            dialog.SetCaption(AppServices().GetTitle());
            dialog.SetMessage(message);
            dialog.SetDetails(shown);
            // A dialog that cannot be made (no template in the resource module) must not
            // swallow the report.
            if (g_pfnRunFatalErrorDialog(dialog) == -1)
                ShowFallbackBox(message);
        }
        AppServices().GetLogStream(kLogError, 0) << L"ERROR! " << message << std::endl;
        if (logDetails)
            AppServices().GetLogStream(kLogError | kLogDetail, 0) << shown.GetString() << std::endl;
    } catch (...) {
        ShowFallbackBox(message);
    }
}

BEGIN_MESSAGE_MAP(CFatalErrorDialog, CDialog)
    ON_BN_CLICKED(IDC_FATAL_DETAILS_BUTTON, OnDetails)
    ON_WM_SIZE()
    ON_WM_PAINT()
END_MESSAGE_MAP()

CFatalErrorDialog::CFatalErrorDialog(CWnd* parent, UINT iconType)
    : CDialog(IDD_FATAL_ERROR, parent), m_nDrawFlags(DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_WORD_ELLIPSIS),
      m_iconType(iconType), m_bDetailsExpanded(FALSE), m_bShowDetailsButton(TRUE), m_nContentHeight(0),
      m_nDetailsHeight(0)
{
    if (m_iconType != MB_ICONHAND && m_iconType != MB_ICONQUESTION && m_iconType != MB_ICONEXCLAMATION
        && m_iconType != MB_ICONASTERISK)
        m_iconType = 0;
}

void CFatalErrorDialog::SetCaption(const wchar_t* caption)
{
    m_strCaption = caption ? caption : L"";
    if (m_hWnd)
        SetWindowText(m_strCaption);
}

void CFatalErrorDialog::SetMessage(const wchar_t* message)
{
    m_strMessage = Shortened(NormaliseLineBreaks(message), kShownMessageLength);
}

void CFatalErrorDialog::SetDetails(const wchar_t* details)
{
    m_strDetails = Shortened(NormaliseLineBreaks(details), kShownDetailsLength);
    if (m_detailsEdit.m_hWnd)
        m_detailsEdit.SetWindowText(m_strDetails);
}

void CFatalErrorDialog::ShowDetailsButton(BOOL show)
{
    m_bShowDetailsButton = show;
}

CString CFatalErrorDialog::NormaliseLineBreaks(const wchar_t* text)
{
    CString result;
    if (!text)
        return result;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p == L'\n' && (p == text || p[-1] != L'\r'))
            result += L'\r';
        result += *p;
    }
    return result;
}

BOOL CFatalErrorDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_ok.SubclassDlgItem(IDOK, this);
    m_details.SubclassDlgItem(IDC_FATAL_DETAILS_BUTTON, this);
    m_icon.SubclassDlgItem(IDC_FATAL_ICON, this);
    m_detailsEdit.SubclassDlgItem(IDC_FATAL_DETAILS, this);

    const wchar_t* systemIcon = nullptr;
    switch (m_iconType) {
    case MB_ICONHAND:
        systemIcon = IDI_HAND;
        break;
    case MB_ICONQUESTION:
        systemIcon = IDI_QUESTION;
        break;
    case MB_ICONEXCLAMATION:
        systemIcon = IDI_EXCLAMATION;
        break;
    case MB_ICONASTERISK:
        systemIcon = IDI_ASTERISK;
        break;
    default:
        break;
    }
    if (systemIcon) {
        m_icon.SetIcon(::LoadIconW(nullptr, systemIcon));
    } else {
        m_icon.ShowWindow(SW_HIDE);
        m_iconType = 0;
    }

    m_details.GetWindowText(m_strDetailsCaption);
    if (m_bShowDetailsButton) {
        m_details.SetWindowText(m_strDetailsCaption + kExpandMark);
    } else {
        m_details.SetWindowText(L"");
        m_details.ShowWindow(SW_HIDE);
    }

    m_detailsEdit.SetWindowText(m_strDetails);
    m_nDetailsHeight = WindowRectIn(m_detailsEdit.m_hWnd, m_hWnd).Height();
    SetWindowText(m_strCaption);
    if (HICON icon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_PROGRAM))) {
        SetIcon(icon, TRUE);
        SetIcon(icon, FALSE);
    }

    SizeWindow();
    CenterWindow();
    return TRUE;
}

CSize CFatalErrorDialog::Margins() const
{
    CRect margins(0, 0, kMarginUnits, kMarginUnits);
    MapDialogRect(&margins);
    return CSize(margins.right, margins.bottom);
}

int CFatalErrorDialog::IconWidth() const
{
    return m_iconType ? WindowRectIn(m_icon.m_hWnd, m_hWnd).Width() : 0;
}

int CFatalErrorDialog::IconHeight() const
{
    return m_iconType ? WindowRectIn(m_icon.m_hWnd, m_hWnd).Height() : 0;
}

void CFatalErrorDialog::SizeWindow()
{
    const CSize margin = Margins();
    const int marginCount = m_iconType ? 3 : 2;
    CRect client;
    GetClientRect(&client);
    CRect window;
    GetWindowRect(&window);
    const CRect work = WorkArea(m_hWnd);

    CClientDC dc(this);
    HGDIOBJ oldFont = dc.SelectObject(static_cast<HGDIOBJ>(AppServices().GetDialogFont()));
    TEXTMETRICW metrics = {};
    dc.GetTextMetrics(&metrics);
    int lines = 1;
    for (int i = 0; i < m_strMessage.GetLength(); ++i)
        lines += m_strMessage[i] == L'\n' ? 1 : 0;
    const int lineHeight = metrics.tmHeight + metrics.tmExternalLeading;

    CRect text(0, 0, client.Width() - IconWidth() - marginCount * margin.cx, 0);
    dc.DrawText(m_strMessage, &text, m_nDrawFlags | DT_CALCRECT);
    // Widened while the text is tall and narrow yet shorter than its own lines, up to the work
    // area's width.
    while (text.Height() > text.Width() * 3 / 4 && text.Height() < lines * lineHeight
        && text.Width() + 3 * metrics.tmAveCharWidth < work.Width()) {
        text.SetRect(0, 0, text.Width() + 3 * metrics.tmAveCharWidth, 0);
        dc.DrawText(m_strMessage, &text, m_nDrawFlags | DT_CALCRECT);
    }
    dc.SelectObject(oldFont);
    m_rcMessage = text;

    const CRect ok = WindowRectIn(m_ok.m_hWnd, m_hWnd);
    const int frameWidth = window.Width() - client.Width();
    const int frameHeight = window.Height() - client.Height();
    m_nContentHeight = std::max(text.Height(), IconHeight());
    int width = frameWidth
        + std::max<int>(marginCount * margin.cx + 2 * ok.Width(), marginCount * margin.cx + text.Width() + IconWidth());
    int height = frameHeight + m_nContentHeight + (m_bDetailsExpanded ? 4 : 3) * margin.cy + ok.Height()
        + (m_bDetailsExpanded ? m_nDetailsHeight : 0);
    width = std::min<int>(width, work.Width());
    height = std::min<int>(height, work.Height());
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(&client);
    LayOut(client.Width(), client.Height());
}

void CFatalErrorDialog::LayOut(int clientWidth, int clientHeight)
{
    if (!m_ok.m_hWnd)
        return;
    const CSize margin = Margins();
    const int marginY = margin.cy;
    const CRect ok = WindowRectIn(m_ok.m_hWnd, m_hWnd);
    const CRect details = WindowRectIn(m_details.m_hWnd, m_hWnd);

    const int buttonsTop = m_bDetailsExpanded ? margin.cy + m_nContentHeight + margin.cy
                                              : clientHeight - margin.cy - ok.Height();
    if (m_bShowDetailsButton) {
        const int left = (clientWidth - (ok.Width() + margin.cx + details.Width())) / 2;
        m_ok.SetWindowPos(nullptr, left, buttonsTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_details.SetWindowPos(nullptr, left + ok.Width() + margin.cx, buttonsTop, 0, 0,
            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        m_ok.SetWindowPos(nullptr, (clientWidth - ok.Width()) / 2, buttonsTop, 0, 0,
            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (m_bDetailsExpanded) {
        const int top = buttonsTop + ok.Height() + margin.cy;
        m_detailsEdit.SetWindowPos(nullptr, margin.cx, top, clientWidth - 2 * margin.cx,
            std::max(0, clientHeight - marginY - top), SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        m_detailsEdit.SetWindowPos(nullptr, margin.cx, clientHeight + margin.cy, 0, 0,
            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    const int left = m_iconType ? WindowRectIn(m_icon.m_hWnd, m_hWnd).right + margin.cx : margin.cx;
    m_rcMessage.SetRect(left, margin.cy, clientWidth - margin.cx, buttonsTop - margin.cy);
    Invalidate();
}

void CFatalErrorDialog::OnSize(UINT type, int cx, int cy)
{
    Default();
    if (type == SIZE_RESTORED)
        LayOut(cx, cy);
}

void CFatalErrorDialog::OnPaint()
{
    CPaintDC dc(this);
    HGDIOBJ oldFont = dc.SelectObject(static_cast<HGDIOBJ>(AppServices().GetDialogFont()));
    dc.SetBkMode(TRANSPARENT);
    CRect rect = m_rcMessage;
    dc.DrawText(m_strMessage, &rect, m_nDrawFlags);
    dc.SelectObject(oldFont);
}

void CFatalErrorDialog::OnDetails()
{
    ToggleDetails();
}

void CFatalErrorDialog::ToggleDetails()
{
    m_bDetailsExpanded = !m_bDetailsExpanded;
    m_details.SetWindowText(m_strDetailsCaption + (m_bDetailsExpanded ? kCollapseMark : kExpandMark));
    const int change = (m_nDetailsHeight + Margins().cy) * (m_bDetailsExpanded ? 1 : -1);
    CRect window;
    GetWindowRect(&window);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.Width(), window.Height() + change,
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CFatalErrorDialog::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && msg->wParam == 'D' && ::GetKeyState(VK_CONTROL) < 0
        && ::GetKeyState(VK_SHIFT) < 0 && (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd))) {
        ToggleDetails();
        return TRUE;
    }
    return CDialog::PreTranslateMessage(msg);
}
