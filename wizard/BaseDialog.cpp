#include "BaseDialog.h"

#include <exception>
#include <set>

#include "ApplicationServices.h"
#include "Resources.h"
#include "WindowHelpers.h"
#include "resource.h"

namespace {

const wchar_t kDesignFace[] = L"MS Sans Serif";
const WORD kDesignPoints = 8;
const wchar_t kMeasureText[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

std::set<HWND>& RescaledWindows()
{
    static std::set<HWND> windows;
    return windows;
}

const void* LockedTemplate(HGLOBAL resource)
{
    return resource ? ::LockResource(resource) : nullptr;
}

// Edit and rich-edit controls keep the template's font.
bool KeepsTemplateFont(HWND window)
{
    wchar_t className[32] = {};
    ::GetClassNameW(window, className, 32);
    return _wcsicmp(className, L"RICHEDIT") == 0 || _wcsicmp(className, L"Edit") == 0;
}

struct RescaleWalk {
    CBaseDialog* dialog;
    std::exception_ptr error;
};

}  // namespace

CBaseDialog::CBaseDialog()
    : m_nFontCharset(LocaleCharset(::GetThreadLocale())), m_nDesignBaseUnitX(1), m_nDesignBaseUnitY(1),
      m_nActualBaseUnitX(1), m_nActualBaseUnitY(1), m_nTemplateId(0)
{
}

CBaseDialog::CBaseDialog(UINT templateId, CWnd* parent) : CBaseDialog()
{
    m_nTemplateId = templateId;
    InitModalIndirect(LockedTemplate(LoadDialogResourceById(templateId)), parent);
}

CBaseDialog::~CBaseDialog()
{
    // A window still alive is destroyed by the class library after this part of the object is
    // gone, so its WM_NCDESTROY no longer reaches DoWindowProc: forget its entries here.
    for (HWND window : m_entered)
        RescaledWindows().erase(window);
}

BOOL CBaseDialog::Create(UINT templateId, CWnd* parent)
{
    if (templateId == 0)
        templateId = m_nTemplateId;
    return Create(MAKEINTRESOURCEW(templateId), parent);
}

BOOL CBaseDialog::Create(const wchar_t* templateName, CWnd* parent)
{
    const void* dialogTemplate = LockedTemplate(LoadDialogResourceByName(templateName));
    return dialogTemplate ? CreateIndirect(dialogTemplate, parent) : FALSE;
}

void CBaseDialog::DoDataExchange(CDataExchange*) { }

void CBaseDialog::ScaleRect(RECT& rect) const
{
    rect.left = ::MulDiv(rect.left, m_nDesignBaseUnitX, m_nActualBaseUnitX);
    rect.right = ::MulDiv(rect.right, m_nDesignBaseUnitX, m_nActualBaseUnitX);
    rect.top = ::MulDiv(rect.top, m_nDesignBaseUnitY, m_nActualBaseUnitY);
    rect.bottom = ::MulDiv(rect.bottom, m_nDesignBaseUnitY, m_nActualBaseUnitY);
}

void CBaseDialog::MapScaledDialogRect(RECT& rect) const
{
    ::MapDialogRect(m_hWnd, &rect);
    ScaleRect(rect);
}

void CBaseDialog::PixelsToScaledDialogUnits(RECT& rect) const
{
    PixelsToDialogUnits(m_hWnd, rect);
    rect.left = ::MulDiv(rect.left, m_nActualBaseUnitX, m_nDesignBaseUnitX);
    rect.right = ::MulDiv(rect.right, m_nActualBaseUnitX, m_nDesignBaseUnitX);
    rect.top = ::MulDiv(rect.top, m_nActualBaseUnitY, m_nDesignBaseUnitY);
    rect.bottom = ::MulDiv(rect.bottom, m_nActualBaseUnitY, m_nDesignBaseUnitY);
}

BOOL CBaseDialog::RescaleChildWindow(HWND window)
{
    if (!window || ::GetParent(window) != m_hWnd)
        return FALSE;
    RescaleChild(window);
    return TRUE;
}

void CBaseDialog::MarkWindowRescaled(HWND window)
{
    RescaledWindows().insert(window);
}

bool CBaseDialog::IsWindowRescaled(HWND window)
{
    return RescaledWindows().count(window) != 0;
}

void CBaseDialog::EnterRescaled(HWND window)
{
    if (RescaledWindows().insert(window).second)
        m_entered.push_back(window);
}

LRESULT CBaseDialog::DoWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        MeasureBaseUnits();
        LRESULT result = TVelmoWnd<CDialog>::DoWindowProc(message, wParam, lParam);
        RescaleControls();
        return result;
    }
    if (message == WM_NCDESTROY) {
        // The entries of template controls and of the dialog itself go with the dialog, so that
        // a later window that gets one of these handles is rescaled again.
        for (HWND window : m_entered)
            RescaledWindows().erase(window);
        m_entered.clear();
        return TVelmoWnd<CDialog>::DoWindowProc(message, wParam, lParam);
    }
    LRESULT result = TVelmoWnd<CDialog>::DoWindowProc(message, wParam, lParam);
    if (message == WM_PARENTNOTIFY && LOWORD(wParam) == WM_DESTROY)
        RescaledWindows().erase(reinterpret_cast<HWND>(lParam));
    return result;
}

void CBaseDialog::MeasureBaseUnits()
{
    RECT units = {0, 0, 4, 8};
    ::MapDialogRect(m_hWnd, &units);
    m_nActualBaseUnitX = units.right > 0 ? units.right : 1;
    m_nActualBaseUnitY = units.bottom > 0 ? units.bottom : 1;

    CString face = kDesignFace;
    WORD points = kDesignPoints;
    CString templateFace;
    WORD templatePoints = 0;
    if (ReadDialogTemplateFont(LockedTemplate(LoadDialogResourceFrom(AfxGetInstanceHandle(), IDD_FONT_TEMPLATE)),
            templateFace, templatePoints)) {
        face = templateFace;
        points = templatePoints;
    }

    HDC dc = ::GetDC(m_hWnd);
    if (!dc)
        return;
    LOGFONTW font = {};
    font.lfHeight = -::MulDiv(points, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = static_cast<BYTE>(m_nFontCharset);
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    HFONT designFont = ::CreateFontIndirectW(&font);
    HGDIOBJ old = designFont ? ::SelectObject(dc, designFont) : nullptr;
    SIZE size = {0, 0};
    if (::GetTextExtentPoint32W(dc, kMeasureText, 52, &size) && size.cx > 0 && size.cy > 0) {
        m_nDesignBaseUnitX = (size.cx / 26 + 1) / 2;
        m_nDesignBaseUnitY = size.cy;
    }
    if (designFont) {
        ::SelectObject(dc, old);
        ::DeleteObject(designFont);
    }
    ::ReleaseDC(m_hWnd, dc);
}

void CBaseDialog::RescaleChild(HWND child)
{
    if (!KeepsTemplateFont(child))
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(AppServices().GetDialogFont()), TRUE);
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(&rect), 2);
    ScaleRect(rect);
    ::MoveWindow(child, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
    EnterRescaled(child);
}

BOOL CALLBACK CBaseDialog::RescaleEnumProc(HWND child, LPARAM param)
{
    auto* walk = reinterpret_cast<RescaleWalk*>(param);
    try {
        if (!IsWindowRescaled(child) && ::GetParent(child) == walk->dialog->m_hWnd)
            walk->dialog->RescaleChild(child);
        return TRUE;
    } catch (...) {
        walk->error = std::current_exception();
        return FALSE;
    }
}

void CBaseDialog::RescaleControls()
{
    RescaleWalk walk = {this, nullptr};
    ::EnumChildWindows(m_hWnd, &RescaleEnumProc, reinterpret_cast<LPARAM>(&walk));
    if (walk.error)
        std::rethrow_exception(walk.error);

    if (!(GetStyle() & WS_CHILD) && !IsWindowRescaled(m_hWnd)) {
        RECT rect;
        GetWindowRect(&rect);
        ScaleRect(rect);
        ::MoveWindow(m_hWnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
        EnterRescaled(m_hWnd);
    }
}
