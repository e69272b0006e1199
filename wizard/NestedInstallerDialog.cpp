#include "NestedInstallerDialog.h"

#include <richedit.h>

#include <typeinfo>
#include <vector>

#include "ApplicationServices.h"
#include "DC.h"
#include "DialogInfo.h"
#include "FileDialog.h"
#include "GdiObject.h"
#include "InstallerErrors.h"
#include "MessageBox.h"
#include "Resources.h"
#include "RichEditCtrl.h"
#include "SystemMessage.h"
#include "TopDialog.h"
#include "UniqueHandle.h"
#include "WindowHelpers.h"
#include "resource.h"

// Errors of this file carry this source name.
static const char kSource[] = "NestedInstallerDialog";

int(WINAPI* CNestedInstallerDialog::s_pfnMessageBoxW)(HWND, LPCWSTR, LPCWSTR, UINT) = &::MessageBoxW;

namespace {

// Banner texts in dialog units: the title (bold) and the subtitle below it.
const RECT kTitleRect = {40, 8, 243, 37};
const RECT kSubtitleRect = {47, 17, 243, 46};
const LONG kTitleWeight = FW_BOLD;

// The layout-debug box in the client area's top-right corner and its dimension lines.
const int kDebugBoxLeftFromRight = 77;
const int kDebugBoxRightFromRight = 2;
const int kDebugBoxTop = 15;
const int kDebugBoxBottom = 65;
const int kDimensionLineOffset = 12;
const int kDebugLabelHeight = 8;

bool IsInputMessage(UINT message)
{
    return (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL) || (message >= WM_KEYDOWN && message <= 0x108);
}

// An arrowhead at (x, y) pointing along (dx, dy): two strokes of 3 and 7 pixels.
void DrawArrowHead(CDC& dc, int x, int y, int dx, int dy)
{
    const int back = 7;
    const int side = 3;
    POINT left = {x - dx * back + dy * side, y - dy * back + dx * side};
    POINT right = {x - dx * back - dy * side, y - dy * back - dx * side};
    dc.MoveTo(left);
    dc.LineTo(x, y);
    dc.LineTo(right);
}

DWORD CALLBACK WriteStreamToFile(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* written)
{
    // Called by the rich edit control: nothing may escape.
    DWORD done = 0;
    if (!::WriteFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(count), &done, nullptr)) {
        *written = static_cast<LONG>(done);
        return ::GetLastError();
    }
    *written = static_cast<LONG>(done);
    return 0;
}

}  // namespace

BEGIN_MESSAGE_MAP(CNestedInstallerDialog, CBaseDialog)
    ON_WM_SHOWWINDOW()
    ON_WM_PAINT()
    ON_WM_SIZE()
    ON_WM_QUERYNEWPALETTE()
    ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

CNestedInstallerDialog::CNestedInstallerDialog(UINT nIDTemplate, eDialogState state, CTopDialog* frame)
    : CBaseDialog(nIDTemplate, frame), m_state(state), m_hPalette(nullptr), m_pDialogInfo(nullptr), m_pFrame(frame),
      m_hAccelerators(::LoadAcceleratorsW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_PAGE_ACCELERATORS))),
      m_lastMouse{0, 0}
{
    AppServices().GetConfigInfo().GetDialogInfo(state, m_pDialogInfo);
}

CNestedInstallerDialog::~CNestedInstallerDialog()
{
    if (m_hPalette)
        ::DeleteObject(m_hPalette);
}

// The page protocol's defaults.

bool CNestedInstallerDialog::IsPageNeeded()
{
    return true;
}

BOOL CNestedInstallerDialog::QueryPageVisibility(eDialogState, bool&)
{
    return FALSE;
}

void CNestedInstallerDialog::OnPageShown() { }

void CNestedInstallerDialog::OnPageHidden() { }

bool CNestedInstallerDialog::ConfirmCancel()
{
    CString caption;
    if (m_pFrame && m_pFrame->m_hWnd)
        m_pFrame->GetWindowText(caption);
    const HWND owner = m_pFrame ? m_pFrame->m_hWnd : m_hWnd;
    return s_pfnMessageBoxW(owner, LoadResourceString(IDS_CONFIRM_CANCEL), caption, MB_YESNO | MB_ICONQUESTION)
        == IDYES;
}

BOOL CNestedInstallerDialog::OnNext()
{
    return TRUE;
}

BOOL CNestedInstallerDialog::OnBack()
{
    return TRUE;
}

void CNestedInstallerDialog::OnExtraButton(UINT) { }

LRESULT CNestedInstallerDialog::CancelAutoPlay()
{
    return 0;
}

void CNestedInstallerDialog::OnPaintExtra(CDC*) { }

void CNestedInstallerDialog::SetupButtons()
{
    EnableNext(true, true);
    EnableBack(true);
    EnableCancel(true);
    SetNextText(IDS_NEXT_CAPTION);
    SetBackText(IDS_BACK_CAPTION);
    SetCancelText(IDS_CANCEL_CAPTION);
}

int CNestedInstallerDialog::GetGraphicCount()
{
    return m_pDialogInfo ? m_pDialogInfo->GetGraphicCount() : 0;
}

bool CNestedInstallerDialog::GetGraphic(int index, HBITMAP* bitmap, RECT* target, RECT* bitmapRect)
{
    return m_pDialogInfo && m_pDialogInfo->GetGraphic(index, m_hWnd, bitmap, target, bitmapRect);
}

int CNestedInstallerDialog::GetTextCount()
{
    return m_pDialogInfo ? m_pDialogInfo->GetCtrlInfoCount() : 0;
}

bool CNestedInstallerDialog::GetText(
    int index, CString& text, RECT& rect, LOGFONTW& font, UINT& drawFlags, COLORREF& color)
{
    if (!m_pDialogInfo)
        return false;
    const LOGFONTW defaultFont = font;
    return m_pDialogInfo->GetText(index, defaultFont, text, rect, font, drawFlags, color);
}

void CNestedInstallerDialog::EnableButtons(bool enable)
{
    EnableNext(enable, enable);
    EnableBack(enable);
    EnableCancel(enable);
}

// The frame's buttons.

void CNestedInstallerDialog::EnableNext(bool enable, bool focus)
{
    m_pFrame->EnableNext(enable, focus);
}

void CNestedInstallerDialog::EnableBack(bool enable)
{
    m_pFrame->EnableBack(enable);
}

void CNestedInstallerDialog::EnableCancel(bool enable)
{
    m_pFrame->EnableCancel(enable);
}

void CNestedInstallerDialog::ShowNextBack(bool show)
{
    m_pFrame->ShowNextBack(show);
}

void CNestedInstallerDialog::SetNextText(UINT stringId)
{
    m_pFrame->SetNextText(stringId);
}

void CNestedInstallerDialog::SetBackText(UINT stringId)
{
    m_pFrame->SetBackText(stringId);
}

void CNestedInstallerDialog::SetCancelText(UINT stringId)
{
    m_pFrame->SetCancelText(stringId);
}

void CNestedInstallerDialog::BeginBusy()
{
    m_pFrame->BeginBusy();
}

void CNestedInstallerDialog::EndBusy()
{
    m_pFrame->EndBusy();
}

// Messages.

BOOL CNestedInstallerDialog::OnInitDialog()
{
    CBaseDialog::OnInitDialog();
    if (m_pDialogInfo) {
        if (UINT title = GetTitleId()) {
            LOGFONTW mask = {};
            LOGFONTW values = {};
            mask.lfWeight = 1;
            values.lfWeight = kTitleWeight;
            m_pDialogInfo->AddText(LoadResourceString(title), kTitleRect, &mask, &values, 0, nullptr);
        }
        if (UINT subtitle = GetSubtitleId())
            m_pDialogInfo->AddText(LoadResourceString(subtitle), kSubtitleRect, 0, nullptr);
    }
    FitToFrame();
    // The page sets its own focus.
    return FALSE;
}

void CNestedInstallerDialog::DoDataExchange(CDataExchange* dx)
{
    CBaseDialog::DoDataExchange(dx);
}

void CNestedInstallerDialog::OnShowWindow(BOOL show, UINT status)
{
    Default();
    if (!show)
        return;
    CNestedInstallerDialog::SetupButtons();
    SetupButtons();
    // Shown by an explicit call: the frame's focus goes to the first enabled of its buttons.
    if (status == 0)
        m_pFrame->FocusFirstButton();
}

void CNestedInstallerDialog::OnSize(UINT, int, int)
{
    Default();
    FitToFrame();
}

void CNestedInstallerDialog::FitToFrame()
{
    if (!m_pFrame || !m_pFrame->m_hWnd || m_pFrame->IsIconic())
        return;
    CRect client;
    m_pFrame->GetClientRect(client);
    if (HWND separator = ::GetDlgItem(m_pFrame->m_hWnd, IDC_FRAME_SEPARATOR)) {
        CRect line;
        ::GetWindowRect(separator, &line);
        m_pFrame->ScreenToClient(static_cast<LPRECT>(line));
        client.bottom = line.top - 1;
    }
    CRect current;
    GetWindowRect(current);
    m_pFrame->ScreenToClient(static_cast<LPRECT>(current));
    if (current.left != client.left || current.top != client.top || current.Width() != client.Width()
        || current.Height() != client.Height())
        SetWindowPos(nullptr, client.left, client.top, client.Width(), client.Height(),
            SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

BOOL CNestedInstallerDialog::OnQueryNewPalette()
{
    if (!m_hPalette)
        return FALSE;
    CClientDC dc(this);
    HPALETTE old = ::SelectPalette(dc.m_hDC, m_hPalette, FALSE);
    const UINT changed = dc.RealizePalette();
    ::SelectPalette(dc.m_hDC, old, FALSE);
    if (changed != GDI_ERROR && changed > 0)
        Invalidate(FALSE);
    return changed != GDI_ERROR;
}

void CNestedInstallerDialog::OnMouseMove(UINT, POINT point)
{
    Default();
    if (!AppServices().IsLayoutDebug())
        return;
    m_lastMouse = point;
    CRect client;
    GetClientRect(client);
    CRect box(client.right - kDebugBoxLeftFromRight, kDebugBoxTop, client.right - kDebugBoxRightFromRight,
        kDebugBoxBottom);
    InvalidateRect(box, TRUE);
    UpdateWindow();
}

void CNestedInstallerDialog::OnPaint()
{
    CPaintDC dc(this);
    const RECT area = dc.m_ps.rcPaint;
    PaintBitmaps(dc, area);
    PaintTexts(dc);
    OnPaintExtra(&dc);
}

void CNestedInstallerDialog::RealizeBitmapPalette(CDC& dc, CDC& memory, HBITMAP bitmap)
{
    BITMAP info = {};
    if (!::GetObjectW(bitmap, sizeof(info), &info) || info.bmBitsPixel > 8)
        return;
    RGBQUAD colours[256];
    const UINT count = ::GetDIBColorTable(memory.m_hDC, 0, 256, colours);
    if (count == 0)
        return;
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    LOGPALETTE* palette = reinterpret_cast<LOGPALETTE*>(storage.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    for (UINT i = 0; i < count; ++i) {
        palette->palPalEntry[i].peRed = colours[i].rgbRed;
        palette->palPalEntry[i].peGreen = colours[i].rgbGreen;
        palette->palPalEntry[i].peBlue = colours[i].rgbBlue;
        palette->palPalEntry[i].peFlags = 0;
    }
    HPALETTE made = ::CreatePalette(palette);
    if (!made)
        return;
    if (m_hPalette)
        ::DeleteObject(m_hPalette);
    m_hPalette = made;
    ::SelectPalette(dc.m_hDC, m_hPalette, FALSE);
    dc.RealizePalette();
}

void CNestedInstallerDialog::PaintBitmaps(CDC& dc, const RECT& area)
{
    const int count = GetGraphicCount();
    for (int i = 0; i < count; ++i) {
        HBITMAP bitmap = nullptr;
        RECT target = {};
        RECT bitmapRect = {};
        if (!GetGraphic(i, &bitmap, &target, &bitmapRect) || !bitmap)
            continue;
        CDC memory;
        if (!memory.CreateCompatibleDC(&dc))
            continue;
        HGDIOBJ old = memory.SelectObject(bitmap);
        RealizeBitmapPalette(dc, memory, bitmap);
        if (AppServices().IsLayoutDebug()) {
            PaintLayoutDebug(dc, memory, bitmap, target, area);
        } else {
            CRect clip;
            if (clip.IntersectRect(&target, &area)) {
                const double scaleX = static_cast<double>(bitmapRect.right - bitmapRect.left)
                    / (target.right - target.left > 0 ? target.right - target.left : 1);
                const double scaleY = static_cast<double>(bitmapRect.bottom - bitmapRect.top)
                    / (target.bottom - target.top > 0 ? target.bottom - target.top : 1);
                const int sourceLeft = static_cast<int>((clip.left - target.left) * scaleX + 0.5);
                const int sourceTop = static_cast<int>((clip.top - target.top) * scaleY + 0.5);
                const int sourceRight = static_cast<int>((clip.right - target.left) * scaleX + 0.5);
                const int sourceBottom = static_cast<int>((clip.bottom - target.top) * scaleY + 0.5);
                ::SetStretchBltMode(dc.m_hDC, COLORONCOLOR);
                dc.StretchBlt(clip.left, clip.top, clip.Width(), clip.Height(), &memory, bitmapRect.left + sourceLeft,
                    bitmapRect.top + sourceTop, sourceRight - sourceLeft, sourceBottom - sourceTop, SRCCOPY);
            }
        }
        memory.SelectObject(old);
    }
}

void CNestedInstallerDialog::PaintLayoutDebug(
    CDC& dc, CDC& memory, HBITMAP bitmap, const RECT& target, const RECT& area)
{
    BITMAP info = {};
    ::GetObjectW(bitmap, sizeof(info), &info);
    CRect copy(target.left, target.top, target.left + info.bmWidth, target.top + info.bmHeight);
    CRect clip;
    if (clip.IntersectRect(copy, &area))
        dc.BitBlt(clip.left, clip.top, clip.Width(), clip.Height(), &memory, clip.left - copy.left,
            clip.top - copy.top, SRCCOPY);

    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    const int y = kDimensionLineOffset;
    const int x = kDimensionLineOffset;
    dc.MoveTo(target.left, y);
    dc.LineTo(target.right, y);
    DrawArrowHead(dc, target.left, y, -1, 0);
    DrawArrowHead(dc, target.right, y, 1, 0);
    dc.MoveTo(x, target.top);
    dc.LineTo(x, target.bottom);
    DrawArrowHead(dc, x, target.top, 0, -1);
    DrawArrowHead(dc, x, target.bottom, 0, 1);

    LOGFONTW labelFont = {};
    labelFont.lfHeight = kDebugLabelHeight;
    wcscpy(labelFont.lfFaceName, L"Arial");
    CFont horizontal;
    horizontal.CreateFontIndirect(&labelFont);
    labelFont.lfEscapement = 900;
    labelFont.lfOrientation = 900;
    CFont vertical;
    vertical.CreateFontIndirect(&labelFont);
    dc.SetBkMode(TRANSPARENT);
    CString text;
    text.Format(L"%d", width);
    CFont* old = dc.SelectObject(&horizontal);
    ::TextOutW(dc.m_hDC, target.left + width / 2, y - kDebugLabelHeight - 1, text, text.GetLength());
    text.Format(L"%d", height);
    dc.SelectObject(&vertical);
    ::TextOutW(dc.m_hDC, x - kDebugLabelHeight - 1, target.top + height / 2, text, text.GetLength());
    dc.SelectObject(old);

    CRect client;
    GetClientRect(client);
    CRect box(client.right - kDebugBoxLeftFromRight, kDebugBoxTop, client.right - kDebugBoxRightFromRight,
        kDebugBoxBottom);
    RECT units = {m_lastMouse.x, m_lastMouse.y, m_lastMouse.x, m_lastMouse.y};
    PixelsToScaledDialogUnits(units);
    CString infoText;
    infoText.Format(L"Screen bpp: %d\nBitmap bpp: %d\nPixel: (%d, %d)\nDU: (%d, %d)", dc.GetDeviceCaps(BITSPIXEL),
        info.bmBitsPixel, m_lastMouse.x, m_lastMouse.y, units.left, units.top);
    dc.FillSolidRect(box, ::GetSysColor(COLOR_WINDOW));
    dc.DrawText(infoText, box, DT_LEFT);
}

void CNestedInstallerDialog::PaintTexts(CDC& dc)
{
    LOGFONTW font = {};
    ::GetObjectW(AppServices().GetDialogFont(), sizeof(font), &font);
    const int count = GetTextCount();
    for (int i = 0; i < count; ++i) {
        CString text;
        RECT rect = {};
        UINT drawFlags = 0;
        COLORREF color = ::GetSysColor(COLOR_WINDOWTEXT);
        LOGFONTW itemFont = font;
        if (!GetText(i, text, rect, itemFont, drawFlags, color))
            continue;
        CFont made;
        made.CreateFontIndirect(&itemFont);
        CFont* old = dc.SelectObject(&made);
        dc.SetTextColor(color);
        dc.SetBkMode(TRANSPARENT);
        MapScaledDialogRect(rect);
        dc.DrawText(text, &rect, drawFlags);
        dc.SelectObject(old);
    }
}

BOOL CNestedInstallerDialog::PreTranslateMessage(MSG* msg)
{
    if (IsInputMessage(msg->message) && m_pFrame && m_pFrame->IsInputDropped(*msg))
        return TRUE;
    if (m_hAccelerators && ::TranslateAcceleratorW(m_hWnd, m_hAccelerators, msg))
        return TRUE;
    // Escape inside a page does nothing (the dialog navigation of a page that is a control
    // parent would hand it to the frame as Cancel); every other key goes on to the frame, whose
    // dialog navigation spans the page's controls and its own buttons (Tab, the buttons'
    // mnemonics, Enter for the default button).
    if ((msg->message == WM_KEYDOWN || msg->message == WM_CHAR) && msg->wParam == VK_ESCAPE
        && (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd))) {
        const LRESULT code = ::SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
        // A control that takes every key (a multi-line edit) keeps its Escape.
        return (code & DLGC_WANTALLKEYS) ? FALSE : TRUE;
    }
    return FALSE;
}

BOOL CNestedInstallerDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // Escape inside a page: swallowed, the frame's Cancel alone ends the wizard.
    if (LOWORD(wParam) == IDCANCEL)
        return FALSE;
    return CBaseDialog::OnCommand(wParam, lParam);
}

void CNestedInstallerDialog::SaveRichTextToFile(CRichEditCtrl& richEdit)
{
    CFileDialog dialog(FALSE, L"rtf", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
        LoadResourceString(IDS_SAVE_RICH_TEXT_FILTER), this);
    if (dialog.DoModal() != IDOK)
        return;
    DWORD error = 0;
    OrbelToolbox::UniqueKernelHandle file(
        ::CreateFileW(dialog.GetPathName(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = ::GetLastError();
    } else {
        EDITSTREAM stream = {};
        stream.dwCookie = reinterpret_cast<DWORD_PTR>(file.Get());
        stream.pfnCallback = &WriteStreamToFile;
        richEdit.StreamOut(dialog.m_ofn.nFilterIndex == 1 ? SF_RTF : SF_TEXT, stream);
        error = stream.dwError;
    }
    if (error == 0)
        return;
    CString caption;
    if (m_pFrame && m_pFrame->m_hWnd)
        m_pFrame->GetWindowText(caption);
    g_pfnMessageBoxW(m_hWnd, SystemMessageText(error), caption, MB_OK | MB_ICONWARNING);
}

// The registry.

void CNestedInstallerDialog::Register(eDialogState state, INestedInstallerDialogFactory* factory, unsigned int modeMask,
    const wchar_t* name, CConfigInfo::IDialogConfigFactory* configFactory)
{
    if (!M_DialogInfoMap)
        M_DialogInfoMap = new DialogInfoMap;
    DialogInfo info = {factory, name, configFactory, modeMask};
    M_DialogInfoMap->insert(DialogInfoMap::value_type(state, info));
}

void CNestedInstallerDialog::Unregister(eDialogState state, CConfigInfo::IDialogConfigFactory*& configFactory)
{
    configFactory = nullptr;
    if (!M_DialogInfoMap)
        return;
    DialogInfoMap::iterator it = M_DialogInfoMap->find(state);
    if (it == M_DialogInfoMap->end())
        return;
    configFactory = it->second.pConfigFactory;
    M_DialogInfoMap->erase(it);
    if (M_DialogInfoMap->empty()) {
        delete M_DialogInfoMap;
        M_DialogInfoMap = nullptr;
    }
}

static CString StateText(eDialogState state)
{
    CString text;
    text.Format(L"%d", state);
    return text;
}

CNestedInstallerDialog* CNestedInstallerDialog::CreateDialog(eDialogState state, CTopDialog* frame)
{
    DialogInfoMap::const_iterator it;
    if (!M_DialogInfoMap || (it = M_DialogInfoMap->find(state)) == M_DialogInfoMap->end())
        throw ObjectNotFound(
            kSource, 461, typeid(DialogInfo), L"eDialogState", StateText(state), L"No dialog matches %2=%3");
    return it->second.pFactory->CreateDialog(frame);
}

eDialogState CNestedInstallerDialog::GetNextDialogState(eDialogState state)
{
    if (!M_DialogInfoMap || M_DialogInfoMap->empty())
        return 0;
    if (state == 0)
        return M_DialogInfoMap->begin()->first;
    DialogInfoMap::const_iterator it = M_DialogInfoMap->find(state);
    if (it == M_DialogInfoMap->end())
        throw ValueOutOfRange(kSource, 522, L"current", state, L"%1=%2");
    ++it;
    return it == M_DialogInfoMap->end() ? 0 : it->first;
}

CConfigInfo::DialogInfo* CNestedInstallerDialog::CreateDialogConfig(eDialogState state, CConfigInfo& config)
{
    if (!M_DialogInfoMap)
        throw UninitializedObject(kSource, 547, typeid(DialogInfoMap), L"M_DialogInfoMap",
            L"Object '%2' of type %1 has not been initialized.");
    DialogInfoMap::const_iterator it = M_DialogInfoMap->find(state);
    if (it == M_DialogInfoMap->end())
        throw ValueOutOfRange(kSource, 542, L"id", state, L"%1=%2");
    return it->second.pConfigFactory->CreateDialogInfo(config, it->second.pszName);
}

bool CNestedInstallerDialog::IsDialogInMode(eDialogState state, unsigned int modeMask)
{
    if (!M_DialogInfoMap)
        throw UninitializedObject(kSource, 571, typeid(DialogInfoMap), L"M_DialogInfoMap",
            L"Object '%2' of type %1 has not been initialized.");
    DialogInfoMap::const_iterator it = M_DialogInfoMap->find(state);
    if (it == M_DialogInfoMap->end())
        throw ValueOutOfRange(kSource, 566, L"id", state, L"%1=%2");
    return (it->second.nModeMask & modeMask) != 0;
}

const wchar_t* CNestedInstallerDialog::GetDialogName(eDialogState state)
{
    if (!M_DialogInfoMap)
        return nullptr;
    DialogInfoMap::const_iterator it = M_DialogInfoMap->find(state);
    return it == M_DialogInfoMap->end() ? nullptr : it->second.pszName;
}
