#include "Wnd.h"

CWnd::~CWnd()
{
    if (m_bCreated)
        DestroyWindow();
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect,
    CWnd* parent, UINT id)
{
    HWND window = ::CreateWindowExW(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
        ::GetModuleHandleW(nullptr), nullptr);
    if (!window)
        return FALSE;
    m_hWnd = window;
    m_bCreated = true;
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    BOOL destroyed = ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    m_bCreated = false;
    return destroyed;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add)
{
    DWORD style = GetStyle();
    DWORD changed = (style & ~remove) | add;
    if (changed == style)
        return FALSE;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(changed));
    return TRUE;
}
