#include "InstallationTypeDialog.h"

#include "ApplicationServices.h"
#include "DC.h"
#include "DiskCostDlg.h"
#include "Distribution.h"
#include "InstallTypeDialogInfo.h"
#include "LinkedDistributionInfo.h"
#include "PageBusyScope.h"
#include "Resources.h"
#include "TopDialog.h"
#include "WinApp.h"
#include "WizardDistribution.h"
#include "resource.h"

namespace {

// The system bitmap of the check-box glyphs (OBM_CHECKBOXES): four glyphs across, three down.
const UINT kCheckBoxesBitmap = 32759;
const int kCheckBoxesColumns = 4;
const int kCheckBoxesRows = 3;
// Room a radio button needs besides its caption and glyph.
const int kRadioExtraWidth = 7;
const UINT kDescriptionId = 0xFFFF;
const UINT kRadioId = 0;

// The size of `text` drawn in `font` with `flags`, within `rect` (whose width matters for
// word-wrapped text); DrawTextExW's measured rectangle.
CRect MeasureText(CWnd& window, HFONT font, const CString& text, CRect rect, UINT flags)
{
    CClientDC dc(&window);
    HGDIOBJ old = dc.SelectObject(font);
    ::DrawTextExW(dc.m_hDC, const_cast<wchar_t*>(text.GetString()), text.GetLength(), &rect, flags | DT_CALCRECT,
        nullptr);
    dc.SelectObject(old);
    return rect;
}

}  // namespace

SIZE CInstallationTypeDialog::s_checkGlyph = {0, 0};

InstallTypeOption::~InstallTypeOption()
{
    if (icon)
        ::DestroyIcon(icon);
}

void InstallTypeOption::Layout(int x, int y, int rightEdge)
{
    left = x;
    top = y;
    right = rightEdge;
    const HFONT font = page.GetOptionFont();
    const SIZE glyph = CInstallationTypeDialog::GetCheckGlyphSize();

    CString caption;
    radio.GetWindowText(caption);
    const CRect label = MeasureText(page, font, caption, CRect(0, 0, 0, 0), DT_SINGLELINE);
    const CRect radioRect(x, y, x + label.Width() + glyph.cx + kRadioExtraWidth, y + label.Height());
    radio.MoveWindow(&radioRect, FALSE);

    iconRect = CRect(x, radioRect.bottom, x + CInstallationTypeDialog::kIconSize,
        radioRect.bottom + CInstallationTypeDialog::kIconSize);
    const int middle = radioRect.top + radioRect.Height() / 2;
    lineStart = POINT{radioRect.right, middle};
    lineEnd = POINT{right, middle};

    CString text;
    description.GetWindowText(text);
    const int textLeft = x + CInstallationTypeDialog::kIconSize + CInstallationTypeDialog::kGap;
    const int textTop = radioRect.bottom + CInstallationTypeDialog::kGap;
    CRect textRect = MeasureText(page, font, text, CRect(textLeft, textTop, right, textTop), DT_WORDBREAK);
    description.SetWindowPos(nullptr, textRect.left, textRect.top, textRect.Width(), textRect.Height(),
        SWP_NOZORDER | SWP_NOACTIVATE);

    bottom = iconRect.bottom > textRect.bottom ? iconRect.bottom : textRect.bottom;
}

BEGIN_MESSAGE_MAP(CInstallationTypeDialog, CNestedInstallerDialog)
    ON_WM_LBUTTONUP()
    ON_WM_SHOWWINDOW()
END_MESSAGE_MAP()

CInstallationTypeDialog::CInstallationTypeDialog(eDialogState state, CTopDialog* frame)
    : CNestedInstallerDialog(IDD_INSTALLATION_TYPE_PAGE, state, frame), m_nChosen(0), m_hFont(nullptr)
{
}

CInstallationTypeDialog::~CInstallationTypeDialog() { }

UINT CInstallationTypeDialog::GetTitleId()
{
    return IDS_INSTALLATION_TYPE_TITLE;
}

UINT CInstallationTypeDialog::GetSubtitleId()
{
    return IDS_INSTALLATION_TYPE_SUBTITLE;
}

SIZE CInstallationTypeDialog::GetCheckGlyphSize()
{
    if (s_checkGlyph.cx == 0) {
        CBitmap glyphs;
        glyphs.Attach(::LoadBitmapW(nullptr, MAKEINTRESOURCEW(kCheckBoxesBitmap)));
        BITMAP info = {};
        if (glyphs.m_hObject && glyphs.GetBitmap(&info))
            s_checkGlyph = SIZE{info.bmWidth / kCheckBoxesColumns, info.bmHeight / kCheckBoxesRows};
    }
    return s_checkGlyph;
}

BOOL CInstallationTypeDialog::OnInitDialog()
{
    GetCheckGlyphSize();
    CNestedInstallerDialog::OnInitDialog();
    if (m_pFrame && m_pFrame->m_hWnd) {
        if (HWND cancel = ::GetDlgItem(m_pFrame->m_hWnd, IDC_FRAME_CANCEL))
            m_hFont = reinterpret_cast<HFONT>(::SendMessageW(cancel, WM_GETFONT, 0, 0));
    }
    CreateOptions();
    LayoutOptions();
    if (!m_options.empty())
        m_options.front()->radio.SetCheck(BST_CHECKED);
    return FALSE;
}

void CInstallationTypeDialog::CreateOptions()
{
    auto* info = dynamic_cast<CConfigInfo::InstallTypeDialogInfo*>(m_pDialogInfo);
    if (!info)
        return;
    const CRect empty;
    for (int i = 0; i < info->GetInstallTypeCount(); ++i) {
        const InstallationType& type = info->GetInstallationType(i);
        std::unique_ptr<InstallTypeOption> option(new InstallTypeOption(*this, type));
        // The first description closes the radio buttons' group (see below).
        option->description.Create(
            type.text, WS_CHILD | WS_VISIBLE | (i == 0 ? WS_GROUP : 0), empty, this, kDescriptionId);
        option->description.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), FALSE);
        if (type.icon.Get())
            option->icon = static_cast<HICON>(::LoadImageW(
                AfxGetInstanceHandle(), type.icon.Get(), IMAGE_ICON, kIconSize, kIconSize, LR_DEFAULTCOLOR));
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON;
        if (i == 0)
            style |= WS_GROUP;
        option->radio.Create(type.label, style, empty, this, kRadioId);
        option->radio.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), FALSE);
        MarkWindowRescaled(option->description.m_hWnd);
        MarkWindowRescaled(option->radio.m_hWnd);
        m_options.push_back(std::move(option));
    }
    // The descriptions after all radio buttons in the window order, so that the arrow keys move
    // from one type to the next instead of stopping at a description.
    for (auto& option : m_options)
        ::SetWindowPos(option->description.m_hWnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CInstallationTypeDialog::LayoutOptions()
{
    CRect client;
    GetClientRect(client);
    const int right = client.Width() - kRightMargin;
    // First pass: the heights.
    int total = 0;
    for (auto& option : m_options) {
        option->Layout(0, 0, right);
        total += option->Height();
    }
    int graphicBottom = 0;
    HBITMAP bitmap = nullptr;
    RECT target = {};
    RECT bitmapRect = {};
    if (GetGraphic(0, &bitmap, &target, &bitmapRect))
        graphicBottom = target.bottom;
    // Centred in the room below the graphic; never over the graphic, even when the column is
    // taller than that room.
    int y = (client.Height() + graphicBottom - kBottomMargin - kTopMargin - total) / 2;
    if (y < kTopMargin + graphicBottom)
        y = kTopMargin + graphicBottom;
    for (auto& option : m_options) {
        option->Layout(kLeftMargin, y, right);
        y += option->Height();
    }
}

void CInstallationTypeDialog::OnPaintExtra(CDC* dc)
{
    CPen highlight(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    CPen shadow(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
    CPen* old = dc->SelectObject(&highlight);
    for (auto& option : m_options) {
        if (option->icon)
            ::DrawIconEx(dc->m_hDC, option->iconRect.left, option->iconRect.top, option->icon, 0, 0, 0, nullptr,
                DI_NORMAL);
        dc->SelectObject(&highlight);
        dc->MoveTo(option->lineStart);
        dc->LineTo(option->lineEnd);
        dc->SelectObject(&shadow);
        dc->MoveTo(option->lineStart.x, option->lineStart.y - 1);
        dc->LineTo(option->lineEnd.x, option->lineEnd.y - 1);
    }
    dc->SelectObject(old);
}

void CInstallationTypeDialog::Choose(size_t index)
{
    for (size_t i = 0; i < m_options.size(); ++i)
        m_options[i]->radio.SetCheck(i == index ? BST_CHECKED : BST_UNCHECKED);
}

void CInstallationTypeDialog::OnLButtonUp(UINT, POINT point)
{
    for (size_t i = 0; i < m_options.size(); ++i) {
        if (m_options[i]->iconRect.PtInRect(point)) {
            Choose(i);
            break;
        }
    }
    Default();
}

void CInstallationTypeDialog::OnShowWindow(BOOL show, UINT status)
{
    CNestedInstallerDialog::OnShowWindow(show, status);
    if (!show || m_options.empty())
        return;
    for (auto& option : m_options) {
        if (option->radio.GetCheck() == BST_CHECKED) {
            SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(option->radio.m_hWnd), TRUE);
            return;
        }
    }
    m_options.front()->radio.SetCheck(BST_CHECKED);
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_options.front()->radio.m_hWnd), TRUE);
}

const InstallationType* CInstallationTypeDialog::GetChosenType() const
{
    if (m_options.empty())
        return nullptr;
    return &m_options[static_cast<size_t>(m_nChosen)]->type;
}

BOOL CInstallationTypeDialog::QueryPageVisibility(eDialogState state, bool& show)
{
    if (state != kFeatureTreeDialog)
        return FALSE;
    const InstallationType* type = GetChosenType();
    show = !type || type->custom;
    return TRUE;
}

void CInstallationTypeDialog::ApplyCustomFlagToLinkedDistributions()
{
    const InstallationType* type = GetChosenType();
    CConfigInfo::LinkedDistributionInfo* linked = AppServices().GetConfigInfo().GetLinkedDistributionInfo();
    if (!type || !linked)
        return;
    for (int i = 0; i < linked->GetCount(); ++i)
        linked->GetLinkedDistribution(i).m_bPassLevel = type->custom;
}

BOOL CInstallationTypeDialog::OnNext()
{
    if (m_options.empty())
        return TRUE;
    for (size_t i = 0; i < m_options.size(); ++i) {
        if (m_options[i]->radio.GetCheck() == BST_CHECKED)
            m_nChosen = static_cast<int>(i);
    }
    const InstallationType& type = *GetChosenType();
    if (type.level != 0) {
        CPageBusyScope busy(*this);
        SetInstallLevel(type.level);
        ApplyCustomFlagToLinkedDistributions();
    }
    if (type.custom)
        return TRUE;
    UINT cost = 0;
    {
        CPageBusyScope busy(*this);
        cost = ComputeDiskCost();
    }
    if (cost != ERROR_DISK_FULL)
        return TRUE;
    return RunDiskCostDialog() != ERROR_DISK_FULL;
}

void CInstallationTypeDialog::SetInstallLevel(int level)
{
    WizardDistribution().SetInstallLevel(level, false);
}

UINT CInstallationTypeDialog::ComputeDiskCost()
{
    VolumeCostSet volumes;
    return WizardDistribution().ComputeDiskCost(volumes);
}

INT_PTR CInstallationTypeDialog::RunDiskCostDialog()
{
    // Without its template the dialog cannot run (-1): the page lets the user go on.
    CDiskCostDlg dialog(this, &WizardDistribution(), true);
    return dialog.DoModal();
}
