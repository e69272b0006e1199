// CMenu: one object around one menu handle, owning it (the destructor destroys a menu it holds).
//
// Owner-drawn entries reach the object of their menu: Attach and CreatePopupMenu enter the
// handle in a process-wide map, Detach and DestroyMenu remove it, and TrackPopupMenu records the
// tracked menu for the calling thread. A window that does not handle WM_DRAWITEM or
// WM_MEASUREITEM itself passes a menu's to DrawItem of the menu named in the record (its
// `hwndItem`) and to MeasureItem of the thread's tracked menu (the record names no menu).
#pragma once

#include <windows.h>

class CWnd;

class CMenu {
public:
    CMenu() noexcept : m_hMenu(nullptr) { }
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // The object attached to `menu`, or a temporary one (non-owning, freed at idle); null for a
    // null handle.
    static CMenu* FromHandle(HMENU menu);
    // The attached object only; null when the menu has none.
    static CMenu* FromHandlePermanent(HMENU menu);
    BOOL Attach(HMENU menu);
    HMENU Detach();

    BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
    BOOL DestroyMenu();

    // A text entry (MF_STRING, MF_SEPARATOR, MF_POPUP...).
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const wchar_t* text = nullptr)
    {
        return ::AppendMenuW(m_hMenu, flags, id, text);
    }
    // An owner-drawn entry (MF_OWNERDRAW in `flags`) with its item data.
    BOOL AppendMenu(UINT flags, UINT_PTR id, const void* itemData)
    {
        return ::AppendMenuW(m_hMenu, flags, id, static_cast<const wchar_t*>(itemData));
    }
    UINT EnableMenuItem(UINT id, UINT enable) { return static_cast<UINT>(::EnableMenuItem(m_hMenu, id, enable)); }
    // Shows the popup menu at (x, y) and tracks it with `owner` receiving its messages; the
    // platform's answer (the command with TPM_RETURNCMD).
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect = nullptr);

    // An owner-drawn entry's drawing and measuring; nothing by default.
    virtual void DrawItem(LPDRAWITEMSTRUCT drawItem);
    virtual void MeasureItem(LPMEASUREITEMSTRUCT measureItem);

    HMENU m_hMenu;
};

// The default processing of WM_DRAWITEM and WM_MEASUREITEM for menu entries (see above); TRUE
// with `result` set when a menu object took the message.
BOOL AfxRouteOwnerDrawnMenu(UINT message, LPARAM lParam, LRESULT* result);
