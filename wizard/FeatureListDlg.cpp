#include "FeatureListDlg.h"

#include "ApplicationServices.h"
#include "DC.h"
#include "FeatureTreeCtrl.h"

namespace {

// Dialog units: the header's margins, the gap below it and between the buttons.
const int kHeaderMargin = 7;
const int kGap = 5;

// The window's rectangle in its parent's client coordinates.
CRect ChildRect(CWnd& parent, HWND child)
{
    CRect rect;
    ::GetWindowRect(child, rect);
    ::MapWindowPoints(nullptr, parent.m_hWnd, reinterpret_cast<POINT*>(static_cast<RECT*>(rect)), 2);
    return rect;
}

}  // namespace

BEGIN_MESSAGE_MAP(CFeatureListDlg, CBaseDialog)
    ON_WM_SIZE()
    ON_WM_PAINT()
    ON_WM_SHOWWINDOW()
END_MESSAGE_MAP()

CFeatureListDlg::CFeatureListDlg(UINT templateId, UINT listId, UINT actionId, UINT closeId, UINT headingId,
    const wchar_t* heading, UINT drawFlags, CFeatureTreeCtrl* tree)
    : CBaseDialog(templateId, tree), m_tree(tree), m_feature(nullptr), m_listId(listId), m_actionId(actionId),
      m_closeId(closeId), m_headingId(headingId), m_heading(heading), m_drawFlags(drawFlags)
{
}

BOOL CFeatureListDlg::CreateHidden()
{
    return Create(m_nTemplateId, m_tree);
}

size_t CFeatureListDlg::ShowFor(CFeature* feature)
{
    const size_t count = Run(feature);
    ShowWindow(SW_SHOW);
    return count;
}

void CFeatureListDlg::DoDataExchange(CDataExchange* dx)
{
    CBaseDialog::DoDataExchange(dx);
    DDX_Control(dx, static_cast<int>(m_listId), m_list);
}

BOOL CFeatureListDlg::OnInitDialog()
{
    const BOOL result = CBaseDialog::OnInitDialog();
    m_list.InsertColumn(0, m_headingId ? LoadResourceString(m_headingId) : CString(m_heading), LVCFMT_LEFT);
    CenterWindow();
    Layout();
    return result;
}

HFONT CFeatureListDlg::HeaderFont() const
{
    if (HFONT font = AppServices().GetDialogFont())
        return font;
    return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
}

void CFeatureListDlg::MeasureHeader()
{
    CRect margin(kHeaderMargin, kHeaderMargin, kHeaderMargin, kHeaderMargin);
    MapScaledDialogRect(margin);
    CRect client;
    GetClientRect(client);
    m_headerRect.SetRect(margin.left, margin.top, client.Width() - margin.right, margin.top);
    CClientDC dc(this);
    HGDIOBJ old = dc.SelectObject(static_cast<HGDIOBJ>(HeaderFont()));
    dc.DrawText(m_header, m_headerRect, DT_CALCRECT | DT_WORDBREAK | m_drawFlags);
    dc.SelectObject(old);
    // The width stays the client's, whatever the longest line needs.
    m_headerRect.right = client.Width() - margin.right;
}

void CFeatureListDlg::Layout()
{
    if (!m_list.m_hWnd)
        return;
    MeasureHeader();
    CRect gap(kGap, kGap, 0, 0);
    MapScaledDialogRect(gap);
    CRect list = ChildRect(*this, m_list.m_hWnd);
    list.top = m_headerRect.bottom + gap.top;
    m_list.MoveWindow(list);
    if (!m_feature)
        return;

    HWND action = ::GetDlgItem(m_hWnd, static_cast<int>(m_actionId));
    HWND close = ::GetDlgItem(m_hWnd, static_cast<int>(m_closeId));
    if (!action || !close)
        return;
    const bool allowed = IsActionAllowed();
    ::ShowWindow(action, allowed ? SW_SHOW : SW_HIDE);
    CRect client;
    GetClientRect(client);
    CRect actionRect = ChildRect(*this, action);
    CRect closeRect = ChildRect(*this, close);
    const int width = closeRect.Width() + (allowed ? actionRect.Width() + gap.left : 0);
    int left = (client.Width() - width) / 2;
    if (allowed) {
        ::SetWindowPos(action, nullptr, left, actionRect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        left += actionRect.Width() + gap.left;
    }
    ::SetWindowPos(close, nullptr, left, closeRect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Invalidate();
}

void CFeatureListDlg::OnSize(UINT, int, int)
{
    Default();
    Layout();
}

void CFeatureListDlg::OnPaint()
{
    CPaintDC dc(this);
    HGDIOBJ old = dc.SelectObject(static_cast<HGDIOBJ>(HeaderFont()));
    dc.SetBkMode(TRANSPARENT);
    CRect rect = m_headerRect;
    dc.DrawText(m_header, rect, DT_WORDBREAK | m_drawFlags);
    dc.SelectObject(old);
}

void CFeatureListDlg::OnShowWindow(BOOL show, UINT)
{
    Default();
    if (show)
        GotoDlgCtrl(GetDlgItem(static_cast<int>(m_closeId)));
}

void CFeatureListDlg::AppendRow(const wchar_t* text, DWORD_PTR data)
{
    const int row = m_list.InsertItem(m_list.GetItemCount(), text);
    if (row >= 0)
        m_list.SetItemData(row, data);
}

void CFeatureListDlg::FinishFill(bool withHeading)
{
    m_list.SetColumnWidth(0, withHeading ? LVSCW_AUTOSIZE_USEHEADER : LVSCW_AUTOSIZE);
    Layout();
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
