#include "DiskCostDlg.h"

#include "ByteSizeFormatter.h"
#include "Distribution.h"
#include "resource.h"

namespace {

// Pixels between the warning and the list below it.
const int kWarningGap = 2;
// Pixels a column needs beside its heading's text.
const int kHeadingMargins = 16;
const UINT kColumnHeadings[] = {
    IDS_DISK_COST_VOLUME, IDS_DISK_COST_AVAILABLE, IDS_DISK_COST_REQUIRED, IDS_DISK_COST_REMAINING};
enum { kVolumeColumn, kAvailableColumn, kRequiredColumn, kRemainingColumn };

CString FormatUnsigned(int64_t bytes)
{
    const uint64_t count = static_cast<uint64_t>(bytes);
    return g_sizeUnits.Format(static_cast<DWORD>(count & 0xFFFFFFFFu), static_cast<DWORD>(count >> 32));
}

// The window's rectangle in its parent's client coordinates.
CRect RectInParent(CWnd& child, CWnd& parent)
{
    CRect rect;
    child.GetWindowRect(rect);
    parent.ScreenToClient(rect);
    return rect;
}

}  // namespace

BEGIN_MESSAGE_MAP(CDiskCostDlg, CBaseDialog)
    ON_BN_CLICKED(IDC_DISK_COST_RECALCULATE, OnRecalculate)
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

CDiskCostDlg::CDiskCostDlg(CWnd* parent, CDistribution* distribution, bool insufficientMode)
    : CBaseDialog(IDD_DISK_COST, parent), m_distribution(distribution), m_waitCursor(nullptr),
      m_insufficientMode(insufficientMode), m_anyShort(true)
{
}

void CDiskCostDlg::ComputeVolumeCosts(VolumeCostSet& volumes)
{
    // Whether a volume is short is read from the records themselves.
    m_distribution->ComputeDiskCost(volumes);
}

void CDiskCostDlg::DoDataExchange(CDataExchange* dx)
{
    CBaseDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_DISK_COST_WARNING, m_warning);
    DDX_Control(dx, IDC_DISK_COST_LIST, m_list);
}

BOOL CDiskCostDlg::OnInitDialog()
{
    const BOOL result = CBaseDialog::OnInitDialog();
    int column = 0;
    for (UINT heading : kColumnHeadings)
        m_list.InsertColumn(column++, LoadResourceString(heading));
    SizeColumns();
    Layout();
    Fill();
    return result;
}

void CDiskCostDlg::Layout()
{
    const CRect warning = RectInParent(m_warning, *this);
    CRect list = RectInParent(m_list, *this);
    const bool showWarning = m_insufficientMode && m_anyShort;
    m_warning.ShowWindow(showWarning ? SW_SHOW : SW_HIDE);
    list.top = showWarning ? warning.bottom + kWarningGap : warning.top;
    m_list.MoveWindow(list);
}

void CDiskCostDlg::Fill()
{
    m_waitCursor = ::LoadCursorW(nullptr, IDC_WAIT);
    ::SetCursor(m_waitCursor);
    m_volumeCosts.clear();
    ComputeVolumeCosts(m_volumeCosts);
    m_list.DeleteAllItems();
    m_anyShort = false;
    const CString unknown = LoadResourceString(IDS_FREE_SPACE_UNKNOWN);
    int row = 0;
    for (const auto& entry : m_volumeCosts) {
        const VolumeCost& volume = entry.second;
        const bool known = volume.available != -1;
        const int item = m_list.InsertItem(row++, volume.volume);
        m_list.SetItemText(item, kAvailableColumn, known ? FormatUnsigned(volume.available) : unknown);
        m_list.SetItemText(item, kRequiredColumn, g_sizeUnits.Format(volume.required));
        m_list.SetItemText(item, kRemainingColumn, known ? g_sizeUnits.Format(volume.available - volume.required) : unknown);
        if (!volume.HasEnoughSpace())
            m_anyShort = true;
    }
    SizeColumns();
    m_waitCursor = nullptr;
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
}

void CDiskCostDlg::SizeColumns()
{
    // Once every column exists: the last one then takes the rest of the width.
    int column = 0;
    for (UINT heading : kColumnHeadings) {
        m_list.SetColumnWidth(column, LVSCW_AUTOSIZE_USEHEADER);
        // Some list views leave the heading's own margins out.
        const int headingWidth = static_cast<int>(m_list.SendMessage(LVM_GETSTRINGWIDTHW, 0,
                                     reinterpret_cast<LPARAM>(LoadResourceString(heading).GetString())))
            + kHeadingMargins;
        if (m_list.SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)) < headingWidth)
            m_list.SetColumnWidth(column, headingWidth);
        ++column;
    }
}

void CDiskCostDlg::OnRecalculate()
{
    Fill();
    Layout();
}

void CDiskCostDlg::OnCancel()
{
    EndDialog(m_anyShort ? ERROR_DISK_FULL : 0);
}

BOOL CDiskCostDlg::OnSetCursor(CWnd*, UINT, UINT)
{
    if (m_waitCursor) {
        ::SetCursor(m_waitCursor);
        return TRUE;
    }
    return static_cast<BOOL>(Default());
}
