// A list-view control in report view: one-line wrappers over the LVM_ messages.
#pragma once

#include <commctrl.h>

#include "Wnd.h"

class CListCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CreateEx(0, WC_LISTVIEWW, L"", style, rect, parent, id);
    }
    // The new column's index, -1 on failure.
    int InsertColumn(int column, const wchar_t* heading, int format = LVCFMT_LEFT, int width = -1)
    {
        LVCOLUMNW lv = {};
        lv.mask = LVCF_TEXT | LVCF_FMT | (width >= 0 ? LVCF_WIDTH : 0);
        lv.fmt = format;
        lv.cx = width;
        lv.pszText = const_cast<wchar_t*>(heading);
        return static_cast<int>(
            SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&lv)));
    }
    // A width in pixels, or LVSCW_AUTOSIZE / LVSCW_AUTOSIZE_USEHEADER.
    BOOL SetColumnWidth(int column, int width)
    {
        return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0)));
    }
    // The new item's index, -1 on failure.
    int InsertItem(int item, const wchar_t* text)
    {
        LVITEMW lv = {};
        lv.mask = LVIF_TEXT;
        lv.iItem = item;
        lv.pszText = const_cast<wchar_t*>(text);
        return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
    }
    BOOL SetItemText(int item, int subItem, const wchar_t* text)
    {
        LVITEMW lv = {};
        lv.iSubItem = subItem;
        lv.pszText = const_cast<wchar_t*>(text);
        return static_cast<BOOL>(
            SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv)));
    }
    BOOL SetItemData(int item, DWORD_PTR data)
    {
        LVITEMW lv = {};
        lv.mask = LVIF_PARAM;
        lv.iItem = item;
        lv.lParam = static_cast<LPARAM>(data);
        return static_cast<BOOL>(SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
    }
    DWORD_PTR GetItemData(int item) const
    {
        LVITEMW lv = {};
        lv.mask = LVIF_PARAM;
        lv.iItem = item;
        return SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lv)) ? static_cast<DWORD_PTR>(lv.lParam) : 0;
    }
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
};
