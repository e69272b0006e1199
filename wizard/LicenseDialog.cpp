#include "LicenseDialog.h"

#include <algorithm>

#include "ApplicationServices.h"
#include "DC.h"
#include "DistributionInfo.h"
#include "TopDialog.h"
#include "UniqueHandle.h"
#include "resource.h"

namespace {

const COLORREF kNoticeColor = RGB(255, 0, 0);
const LONG kNoticeWeight = FW_BOLD;
const DWORD kTabStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TCS_MULTILINE | TCS_FIXEDWIDTH;
// A tab is at least this many caption heights wide; both sides get this margin.
const int kMinTabWidthInHeights = 3;
const int kTabMargin = 2;

DWORD CALLBACK ReadStreamFromFile(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* read)
{
    // Called by the rich edit control: nothing may escape, and nothing here throws.
    DWORD done = 0;
    const BOOL ok = ::ReadFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(count), &done, nullptr);
    *read = static_cast<LONG>(done);
    return ok ? 0 : ::GetLastError();
}

}  // namespace

BEGIN_MESSAGE_MAP(CLicenseDialog, CNestedInstallerDialog)
    ON_BN_CLICKED(IDC_LICENSE_ACCEPT, OnAccept)
    ON_BN_CLICKED(IDC_LICENSE_DECLINE, OnDecline)
    ON_WM_CTLCOLOR()
    ON_WM_SHOWWINDOW()
    ON_NOTIFY(TCN_SELCHANGE, IDC_LICENSE_TABS, OnTabChange)
END_MESSAGE_MAP()

CLicenseDialog::CLicenseDialog(eDialogState state, CTopDialog* frame)
    : CNestedInstallerDialog(IDD_LICENSE_PAGE, state, frame), m_nRadio(kDecline), m_pLicenseInfo(nullptr),
      m_nShown(0)
{
    // The template's agreement is a "RICHEDIT" control.
    AfxInitRichEdit();
}

UINT CLicenseDialog::GetTitleId()
{
    return IDS_LICENSE_TITLE;
}

UINT CLicenseDialog::GetSubtitleId()
{
    return IDS_LICENSE_SUBTITLE;
}

void CLicenseDialog::DoDataExchange(CDataExchange* dx)
{
    CNestedInstallerDialog::DoDataExchange(dx);
    DDX_Radio(dx, IDC_LICENSE_ACCEPT, m_nRadio);
}

BOOL CLicenseDialog::OnInitDialog()
{
    m_pLicenseInfo = dynamic_cast<CConfigInfo::LicenseDialogInfo*>(m_pDialogInfo);
    m_agreement.SubclassDlgItem(IDC_LICENSE_TEXT, this);
    CNestedInstallerDialog::OnInitDialog();

    // Without a text for the chosen language the agreement stays empty (and must still be
    // accepted).
    const int count = m_pLicenseInfo ? m_pLicenseInfo->GetTextFileCount() : 0;
    m_nShown = 0;
    if (count > 0 && !LoadLicenseFile(m_pLicenseInfo->GetTextFile(0).GetString()))
        return FALSE;

    const CConfigInfo::DistributionInfo* distribution = AppServices().GetConfigInfo().GetDistributionInfo();
    if (distribution && distribution->IsBeta() && m_pLicenseInfo && m_pLicenseInfo->IsFirstPage()) {
        ::ShowWindow(::GetDlgItem(m_hWnd, IDC_LICENSE_BETA_NOTICE), SW_SHOW);
        LOGFONTW font = {};
        ::GetObjectW(AppServices().GetDialogFont(), sizeof(font), &font);
        font.lfWeight = kNoticeWeight;
        m_noticeFont.CreateFontIndirect(&font);
    }

    if (count > 1) {
        CString accept;
        accept.Format(LoadResourceString(IDS_LICENSE_ACCEPT_SEVERAL), count);
        ::SetDlgItemTextW(m_hWnd, IDC_LICENSE_ACCEPT, accept);
        ::SetDlgItemTextW(m_hWnd, IDC_LICENSE_DECLINE, LoadResourceString(IDS_LICENSE_DECLINE_SEVERAL));
        CreateTabs(count);
    }
    FocusRadio();
    return FALSE;
}

void CLicenseDialog::CreateTabs(int count)
{
    // The agreement in its final place first: the later rescale of the template's controls
    // passes over it and the tabs made from its place.
    if (!IsWindowRescaled(m_agreement.m_hWnd))
        RescaleChildWindow(m_agreement.m_hWnd);
    CRect area;
    m_agreement.GetWindowRect(area);
    ScreenToClient(static_cast<LPRECT>(area));
    if (!m_tabs.Create(kTabStyle, area, this, IDC_LICENSE_TABS))
        return;
    MarkWindowRescaled(m_tabs.m_hWnd);
    CFont* font = CFont::FromHandle(AppServices().GetDialogFont());
    m_tabs.SetFont(font, FALSE);

    CSize widest;
    {
        CClientDC dc(&m_tabs);
        CFont* old = dc.SelectObject(font);
        for (int i = 0; i < count; ++i) {
            const CString& label = m_pLicenseInfo->GetTextFileLabel(i);
            const CSize extent = dc.GetTextExtent(label);
            if (i == 0 || extent.cx > widest.cx)
                widest = extent;
            m_tabs.InsertItem(i, label);
        }
        dc.SelectObject(old);
    }
    m_tabs.SetItemSize(CSize(std::max(widest.cx, kMinTabWidthInHeights * widest.cy) + kTabMargin, widest.cy + kTabMargin));

    CRect display = area;
    m_tabs.AdjustRect(FALSE, display);
    m_agreement.SetWindowPos(
        &m_tabs, display.left, display.top, display.Width(), display.Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

bool CLicenseDialog::LoadLicenseFile(const CString& path)
{
    OrbelToolbox::UniqueKernelHandle file;
    for (;;) {
        file.Reset(::CreateFileW(
            path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            break;
        CString text;
        text.FormatMessage(IDS_CANNOT_OPEN_FILE, path.GetString());
        const HWND owner = m_pFrame && m_pFrame->m_hWnd ? m_pFrame->m_hWnd : m_hWnd;
        const int answer = s_pfnMessageBoxW(owner, text, LoadResourceString(IDS_ERROR_CAPTION),
            MB_RETRYCANCEL | MB_ICONWARNING | MB_SETFOREGROUND);
        if (answer != IDRETRY && ConfirmCancel()) {
            m_pFrame->EndWizardCancelled();
            return false;
        }
    }
    m_agreement.LimitText(0);
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(file.Get());
    stream.pfnCallback = &ReadStreamFromFile;
    m_agreement.StreamIn(SF_RTF, stream);
    return true;
}

void CLicenseDialog::OnTabChange(NMHDR*, LRESULT* result)
{
    *result = 0;
    const int selected = m_tabs.GetCurSel();
    if (selected < 0 || selected == m_nShown || !m_pLicenseInfo || selected >= m_pLicenseInfo->GetTextFileCount())
        return;
    m_nShown = selected;
    LoadLicenseFile(m_pLicenseInfo->GetTextFile(selected).GetString());
    RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
}

void CLicenseDialog::SetupButtons()
{
    EnableNext(m_nRadio == kAccept, true);
    EnableBack(true);
    EnableCancel(true);
    SetNextText(IDS_NEXT_CAPTION);
    SetBackText(IDS_BACK_CAPTION);
    SetCancelText(IDS_CANCEL_CAPTION);
}

void CLicenseDialog::OnAccept()
{
    m_nRadio = kAccept;
    if (IsWindowVisible())
        EnableNext(true, false);
}

void CLicenseDialog::OnDecline()
{
    m_nRadio = kDecline;
    if (IsWindowVisible())
        EnableNext(false, false);
}

void CLicenseDialog::OnShowWindow(BOOL show, UINT status)
{
    CNestedInstallerDialog::OnShowWindow(show, status);
    if (show)
        FocusRadio();
}

void CLicenseDialog::FocusRadio()
{
    const int id = m_nRadio == kAccept ? IDC_LICENSE_ACCEPT : IDC_LICENSE_DECLINE;
    m_pFrame->SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(m_hWnd, id)), TRUE);
}

HBRUSH CLicenseDialog::OnCtlColor(CDC* dc, CWnd* wnd, UINT)
{
    const HBRUSH brush = reinterpret_cast<HBRUSH>(Default());
    if (wnd && wnd->GetDlgCtrlID() == IDC_LICENSE_BETA_NOTICE)
        dc->SetTextColor(kNoticeColor);
    return brush;
}

void CLicenseDialog::OnPaintExtra(CDC*)
{
    if (m_noticeFont.m_hObject)
        ::SendMessageW(::GetDlgItem(m_hWnd, IDC_LICENSE_BETA_NOTICE), WM_SETFONT,
            reinterpret_cast<WPARAM>(m_noticeFont.m_hObject), FALSE);
}
