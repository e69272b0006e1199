// A list-view control ("SysListView32"), used in report style.
#pragma once

#include <commctrl.h>

#include "Wnd.h"

class CListCtrl : public CWnd {
public:
    // A child list view with `style`.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CreateEx(0, WC_LISTVIEWW, L"", style, rect, parent, id);
    }
    // Column `column` with the heading `heading`; the new column's index, -1 when refused.
    int InsertColumn(int column, const wchar_t* heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1)
    {
        LVCOLUMNW info = {};
        info.mask = LVCF_TEXT | LVCF_FMT;
        info.fmt = format;
        info.pszText = const_cast<wchar_t*>(heading);
        if (width != -1) {
            info.mask |= LVCF_WIDTH;
            info.cx = width;
        }
        if (subItem != -1) {
            info.mask |= LVCF_SUBITEM;
            info.iSubItem = subItem;
        }
        return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)));
    }
    // A width in pixels, or LVSCW_AUTOSIZE / LVSCW_AUTOSIZE_USEHEADER.
    BOOL SetColumnWidth(int column, int width)
    {
        return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0)));
    }
    // An item with the text `text` at `item` (a sorted list places it by its text); its index,
    // -1 when refused.
    int InsertItem(int item, const wchar_t* text)
    {
        LVITEMW info = {};
        info.mask = LVIF_TEXT;
        info.iItem = item;
        info.pszText = const_cast<wchar_t*>(text);
        return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&info)));
    }
    BOOL SetItemText(int item, int subItem, const wchar_t* text)
    {
        LVITEMW info = {};
        info.iSubItem = subItem;
        info.pszText = const_cast<wchar_t*>(text);
        return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)));
    }
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
};
