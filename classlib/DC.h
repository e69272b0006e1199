// Device contexts: CDC (deletes a context it created), CPaintDC (BeginPaint/EndPaint) and
// CClientDC (GetDC/ReleaseDC).
#pragma once

#include <windows.h>

#include "CString.h"
#include "GdiObject.h"
#include "Geometry.h"
#include "Wnd.h"

class CDC {
public:
    CDC() noexcept : m_hDC(nullptr) { }
    // Deletes a context this object holds.
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // A temporary object around `hDC` (null for a null handle), freed at idle.
    static CDC* FromHandle(HDC hDC);
    BOOL Attach(HDC hDC);
    HDC Detach() noexcept;
    HDC GetSafeHdc() const noexcept { return m_hDC; }
    operator HDC() const noexcept { return m_hDC; }

    // A memory context compatible with `dc` (null: the screen).
    BOOL CreateCompatibleDC(CDC* dc) { return Attach(::CreateCompatibleDC(dc ? dc->m_hDC : nullptr)); }
    BOOL DeleteDC();

    // The object selected before, as a temporary.
    CGdiObject* SelectObject(CGdiObject* object);
    CFont* SelectObject(CFont* font) { return CFont::FromHandle(static_cast<HFONT>(Select(font))); }
    CBitmap* SelectObject(CBitmap* bitmap) { return CBitmap::FromHandle(static_cast<HBITMAP>(Select(bitmap))); }
    CBrush* SelectObject(CBrush* brush) { return CBrush::FromHandle(static_cast<HBRUSH>(Select(brush))); }
    CPen* SelectObject(CPen* pen) { return CPen::FromHandle(static_cast<HPEN>(Select(pen))); }
    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    CPalette* SelectPalette(CPalette* palette, BOOL forceBackground)
    {
        return CPalette::FromHandle(
            ::SelectPalette(m_hDC, static_cast<HPALETTE>(palette ? palette->m_hObject : nullptr), forceBackground));
    }
    UINT RealizePalette() { return ::RealizePalette(m_hDC); }

    BOOL BitBlt(int x, int y, int width, int height, CDC* source, int sourceX, int sourceY, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, sourceX, sourceY, rop);
    }
    BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int sourceX, int sourceY, int sourceWidth,
        int sourceHeight, DWORD rop)
    {
        return ::StretchBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, sourceX, sourceY,
            sourceWidth, sourceHeight, rop);
    }
    void FillRect(LPCRECT rect, CBrush* brush) { ::FillRect(m_hDC, rect, static_cast<HBRUSH>(brush->m_hObject)); }
    void FillSolidRect(LPCRECT rect, COLORREF color);
    int DrawText(const wchar_t* text, int count, LPRECT rect, UINT format)
    {
        return ::DrawTextW(m_hDC, text, count, rect, format);
    }
    int DrawText(const CString& text, LPRECT rect, UINT format) { return DrawText(text, text.GetLength(), rect, format); }
    CSize GetTextExtent(const wchar_t* text, int count) const;
    CSize GetTextExtent(const CString& text) const { return GetTextExtent(text, text.GetLength()); }
    BOOL GetTextMetrics(TEXTMETRICW* metrics) const { return ::GetTextMetricsW(m_hDC, metrics); }
    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
    BOOL DrawIcon(POINT point, HICON icon) { return DrawIcon(point.x, point.y, icon); }

    HDC m_hDC;

private:
    HGDIOBJ Select(CGdiObject* object) { return ::SelectObject(m_hDC, object ? object->m_hObject : nullptr); }
};

// The paint context of a window for one WM_PAINT.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
};

// The client-area context of a window (null: the screen).
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};

// The control type (CTLCOLOR_EDIT...) of the WM_CTLCOLOR* message being handled.
UINT AfxCurrentCtlColorType();

namespace afx_thunks {
template <class T, BOOL (T::*Pfn)(CDC*)> BOOL EraseBkgnd(CWnd* w, WPARAM wp, LPARAM, LRESULT* r)
{
    *r = (static_cast<T*>(w)->*Pfn)(CDC::FromHandle(reinterpret_cast<HDC>(wp)));
    return TRUE;
}
template <class T, HBRUSH (T::*Pfn)(CDC*, CWnd*, UINT)> BOOL CtlColor(CWnd* w, WPARAM wp, LPARAM lp, LRESULT* r)
{
    *r = reinterpret_cast<LRESULT>((static_cast<T*>(w)->*Pfn)(CDC::FromHandle(reinterpret_cast<HDC>(wp)),
        CWnd::FromHandle(reinterpret_cast<HWND>(lp)), AfxCurrentCtlColorType()));
    return TRUE;
}
}  // namespace afx_thunks
