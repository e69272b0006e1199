// CWnd: one object around one window handle.
//
// Objects attach to their windows before the first message: a window the object creates is
// attached by a per-thread WH_CBT hook around the creation and its procedure replaced by the
// library's generic procedure, which hands every message to the object's virtual WindowProc.
// WindowProc searches the message maps of the class and its bases and falls back to the
// replaced procedure (DefWindowProc). WM_NCDESTROY detaches the object and calls PostNcDestroy.
//
// A process-wide handle map finds the object of a window; FromHandle makes a non-owning
// temporary object for a window that has none, freed when the thread's modal loop goes idle.
// The generic procedure lets no exception through: it passes it to the exception hook
// (AfxSetExceptionHook) and returns 0.
#pragma once

#include <windows.h>

#include "CString.h"
#include "Geometry.h"
#include "MessageMap.h"

class CFont;
class CDC;

class CWnd {
public:
    CWnd() noexcept;
    // Destroys the window when this object created it; a window only attached or subclassed is
    // left alone.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The object attached to `hWnd`, or a temporary one (non-owning, freed at idle); null for
    // a null handle.
    static CWnd* FromHandle(HWND hWnd);
    // The attached object only; null when the window has none.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Enters the window into the handle map without replacing its procedure.
    BOOL Attach(HWND hWnd);
    HWND Detach();

    // Creates the window; FALSE (and no handle) when the system refuses. A null parent makes a
    // top-level window.
    BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect,
        CWnd* parent, UINT id, LPVOID param = nullptr);
    BOOL Create(const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect, CWnd* parent,
        UINT id);
    virtual BOOL DestroyWindow();

    // Attaches an existing window and routes its messages through this object (the window's
    // user data is not touched).
    BOOL SubclassWindow(HWND hWnd);
    // SubclassWindow on the child with that id.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    // Gives the window its previous procedure back and detaches it.
    HWND UnsubclassWindow();
    // Called by SubclassWindow after the attachment, before the procedure is replaced.
    virtual void PreSubclassWindow() { }

    // The one virtual window procedure: OnCommand (WM_COMMAND), OnNotify (WM_NOTIFY), the
    // message maps, owner-drawn menu entries (CMenu), else DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The replaced window procedure (or the system's default).
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // DefWindowProc with the message being handled ("after the default handling").
    LRESULT Default();
    // The command maps; the control's own object sees its notification first. TRUE when
    // handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A notification of this control, reflected by its parent; TRUE when consumed.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // Offered a message of the calling thread's pump before it is translated and dispatched;
    // TRUE when the window handled it.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Offers `msg` to PreTranslateMessage of its window and then of each parent or owner up to
    // `stop`, windows of the calling thread only; TRUE at the first that handled it.
    static BOOL WalkPreTranslateTree(HWND stop, MSG* msg);
    // Called after WM_NCDESTROY, once the object is detached.
    virtual void PostNcDestroy() { }

    HWND GetSafeHwnd() const noexcept { return m_hWnd; }
    // The handle of `wnd`, null for a null object.
    static HWND HandleOf(const CWnd* wnd) noexcept { return wnd ? wnd->m_hWnd : nullptr; }
    operator HWND() const noexcept { return GetSafeHwnd(); }

    // One-line wrappers on m_hWnd.
    CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }
    void GetWindowText(CString& text) const;
    int GetWindowText(wchar_t* buffer, int count) const { return ::GetWindowTextW(m_hWnd, buffer, count); }
    BOOL ShowWindow(int show) { return ::ShowWindow(m_hWnd, show); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* SetParent(CWnd* parent) { return FromHandle(::SetParent(m_hWnd, HandleOf(parent))); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    // Removes the `remove` bits and adds the `add` bits of the window's style; with `flags`
    // the frame is recalculated by SetWindowPos. FALSE when nothing changed.
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    void GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
    void GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
    void ScreenToClient(LPPOINT point) const { ::ScreenToClient(m_hWnd, point); }
    void ScreenToClient(LPRECT rect) const { ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(rect), 2); }
    void ClientToScreen(LPPOINT point) const { ::ClientToScreen(m_hWnd, point); }
    void ClientToScreen(LPRECT rect) const { ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(rect), 2); }
    void MapWindowPoints(CWnd* to, LPRECT rect) const
    {
        ::MapWindowPoints(m_hWnd, HandleOf(to), reinterpret_cast<LPPOINT>(rect), 2);
    }
    void MapWindowPoints(CWnd* to, LPPOINT points, UINT count) const
    {
        ::MapWindowPoints(m_hWnd, HandleOf(to), points, count);
    }
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE)
    {
        ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    void MoveWindow(LPCRECT rect, BOOL repaint = TRUE)
    {
        MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
    }
    BOOL SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags)
    {
        return ::SetWindowPos(m_hWnd, AfterHandle(after), x, y, cx, cy, flags);
    }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(LPCRECT rect, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rect, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(LPCRECT rect = nullptr, HRGN region = nullptr,
        UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE)
    {
        return ::RedrawWindow(m_hWnd, rect, region, flags);
    }
    void SetFont(CFont* font, BOOL redraw = TRUE);
    // The window's font as a temporary object; null when it uses the system font.
    CFont* GetFont() const;
    HICON SetIcon(HICON icon, BOOL big)
    {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }
    HMENU GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }
    // Centres the window over `alternate`, else its parent or owner, else the work area.
    void CenterWindow(CWnd* alternate = nullptr);
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr)
    {
        return ::SetTimer(m_hWnd, id, elapse, proc);
    }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    // A temporary device context of the client area; give it back with ReleaseDC.
    CDC* GetDC();
    int ReleaseDC(CDC* dc);

    // The class's message map; DECLARE_MESSAGE_MAP overrides it.
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    HWND m_hWnd;

protected:
    // Runs the maps for one message; TRUE with `result` set when an entry handled it.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Calls the first entry for a message (and, for WM_COMMAND and WM_NOTIFY, code and id) in
    // the maps of this object's class and its bases; FALSE when none took it.
    BOOL DispatchToMaps(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam, LRESULT* result);

    WNDPROC m_pfnSuper;  // the procedure this object replaced

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK AfxCbtHook(int, WPARAM, LPARAM);
    friend class CDialog;
    static HWND AfterHandle(const CWnd* after);
    // Ends a creation begun with AfxHookWindowCreate: unhooks and, when the system refused the
    // window after the hook attached it, detaches it; TRUE when `window` was created.
    BOOL EndHookedCreate(HWND window);
    // Detaches the window at WM_NCDESTROY and calls PostNcDestroy.
    void OnFinalMessage(HWND hWnd);

    bool m_bCreated;  // this object created the window and destroys it with itself
};

// The library's window procedure of every attached window.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Attaches `wnd` to the next window the calling thread creates (WH_CBT hook) until
// AfxUnhookWindowCreate; creation functions call these around the system call.
void AfxHookWindowCreate(CWnd* wnd);
// FALSE when the hook never attached the object (no window was created).
BOOL AfxUnhookWindowCreate();

// Frees the calling thread's temporary window, device-context and GDI objects.
void AfxDeleteTempMaps();

// The pre-translation of the calling thread's pump: the walk from the message's window up to
// the main window.
BOOL AfxPreTranslateMessage(MSG* msg);

namespace afx_thunks {
template <class T, void (T::*Pfn)(UINT, CWnd*, BOOL)> BOOL Activate(CWnd* w, WPARAM wp, LPARAM lp, LRESULT* r)
{
    (static_cast<T*>(w)->*Pfn)(LOWORD(wp), CWnd::FromHandle(reinterpret_cast<HWND>(lp)), HIWORD(wp) != 0);
    *r = 0;
    return TRUE;
}
template <class T, BOOL (T::*Pfn)(CWnd*, UINT, UINT)> BOOL SetCursor(CWnd* w, WPARAM wp, LPARAM lp, LRESULT* r)
{
    *r = (static_cast<T*>(w)->*Pfn)(CWnd::FromHandle(reinterpret_cast<HWND>(wp)), LOWORD(lp), HIWORD(lp));
    return TRUE;
}
}  // namespace afx_thunks
