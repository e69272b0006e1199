// A tab control ("SysTabControl32").
#pragma once

#include <commctrl.h>

#include "Geometry.h"
#include "Wnd.h"

class CTabCtrl : public CWnd {
public:
    // A child tab control with `style`.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CreateEx(0, WC_TABCONTROLW, L"", style, rect, parent, id);
    }
    // A tab with caption `text` at `item`; its index, -1 on failure.
    LONG InsertItem(int item, const wchar_t* text)
    {
        TCITEMW tab = {};
        tab.mask = TCIF_TEXT;
        tab.pszText = const_cast<wchar_t*>(text);
        return static_cast<LONG>(SendMessage(TCM_INSERTITEMW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&tab)));
    }
    // The size of every tab of a fixed-width control; the previous size.
    CSize SetItemSize(CSize size)
    {
        const LRESULT previous = SendMessage(TCM_SETITEMSIZE, 0, MAKELPARAM(size.cx, size.cy));
        return CSize(LOWORD(previous), HIWORD(previous));
    }
    // FALSE: the display area of a window rectangle; TRUE: the window rectangle of a display area.
    void AdjustRect(BOOL larger, RECT* rect) { SendMessage(TCM_ADJUSTRECT, larger, reinterpret_cast<LPARAM>(rect)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
};
