// The class library's window class: one object around one window handle. So far the thin part
// that creates a child control and destroys it with the object; the message maps and the
// attachment of existing windows come with the wizard's pages.
#pragma once

#include <windows.h>

class CWnd {
public:
    CWnd() noexcept : m_hWnd(nullptr), m_bCreated(false) { }
    // Destroys the window when this object created it.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Creates the window; FALSE (and no handle) when the system refuses. A null parent makes a
    // top-level window.
    BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect,
        CWnd* parent, UINT id);
    BOOL DestroyWindow();

    HWND GetSafeHwnd() const noexcept { return m_hWnd; }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    // Removes the `remove` bits and adds the `add` bits of the window's style.
    BOOL ModifyStyle(DWORD remove, DWORD add);
    void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }
    // Offered a message of the calling thread's pump before it is translated and dispatched;
    // TRUE when the window handled it.
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

    HWND m_hWnd;

private:
    bool m_bCreated;
};
