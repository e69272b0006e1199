// A tree-view control: one-line wrappers over the TVM_ messages.
#pragma once

#include <commctrl.h>

#include "ImageList.h"
#include "Wnd.h"

class CTreeCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CreateEx(0, WC_TREEVIEWW, L"", style, rect, parent, id);
    }

    HTREEITEM InsertItem(const TVINSERTSTRUCTW* insert)
    {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(insert)));
    }
    // An item with those fields (mask TVIF_*) under `parent` after `after`.
    HTREEITEM InsertItem(UINT mask, const wchar_t* text, int image, int selectedImage, UINT state, UINT stateMask,
        LPARAM param, HTREEITEM parent, HTREEITEM after)
    {
        TVINSERTSTRUCTW insert = {};
        insert.hParent = parent;
        insert.hInsertAfter = after;
        insert.item.mask = mask;
        insert.item.pszText = const_cast<wchar_t*>(text);
        insert.item.iImage = image;
        insert.item.iSelectedImage = selectedImage;
        insert.item.state = state;
        insert.item.stateMask = stateMask;
        insert.item.lParam = param;
        return InsertItem(&insert);
    }

    HTREEITEM GetNextItem(HTREEITEM item, UINT relation) const
    {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PREVIOUS); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
    HTREEITEM GetFirstVisibleItem() const { return GetNextItem(nullptr, TVGN_FIRSTVISIBLE); }
    HTREEITEM GetNextVisibleItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXTVISIBLE); }
    HTREEITEM GetPrevVisibleItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PREVIOUSVISIBLE); }
    HTREEITEM GetDropHilightItem() const { return GetNextItem(nullptr, TVGN_DROPHILITE); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }

    // FALSE when the change was refused (the parent vetoed TVN_SELCHANGING).
    BOOL Select(HTREEITEM item, UINT code)
    {
        return static_cast<BOOL>(SendMessage(TVM_SELECTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    BOOL SelectItem(HTREEITEM item) { return Select(item, TVGN_CARET); }
    BOOL SelectSetFirstVisible(HTREEITEM item) { return Select(item, TVGN_FIRSTVISIBLE); }
    BOOL SelectDropTarget(HTREEITEM item) { return Select(item, TVGN_DROPHILITE); }
    BOOL Expand(HTREEITEM item, UINT code)
    {
        return static_cast<BOOL>(SendMessage(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)));
    }
    BOOL DeleteItem(HTREEITEM item)
    {
        return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)));
    }
    BOOL DeleteAllItems() { return DeleteItem(TVI_ROOT); }
    BOOL EnsureVisible(HTREEITEM item)
    {
        return static_cast<BOOL>(SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item)));
    }
    BOOL SortChildren(HTREEITEM item)
    {
        return static_cast<BOOL>(SendMessage(TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(item)));
    }
    BOOL SetInsertMark(HTREEITEM item, BOOL after = TRUE)
    {
        return static_cast<BOOL>(SendMessage(TVM_SETINSERTMARK, after, reinterpret_cast<LPARAM>(item)));
    }
    // The label's edit control (not attached to an object).
    HWND EditLabel(HTREEITEM item)
    {
        return reinterpret_cast<HWND>(SendMessage(TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(item)));
    }
    // A new image list the caller destroys.
    HIMAGELIST CreateDragImage(HTREEITEM item)
    {
        return reinterpret_cast<HIMAGELIST>(SendMessage(TVM_CREATEDRAGIMAGE, 0, reinterpret_cast<LPARAM>(item)));
    }
    BOOL ItemHasChildren(HTREEITEM item) const { return GetChildItem(item) != nullptr; }

    HTREEITEM HitTest(TVHITTESTINFO* info) const
    {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(info)));
    }
    HTREEITEM HitTest(POINT point, UINT* flags = nullptr) const
    {
        TVHITTESTINFO info = {};
        info.pt = point;
        HTREEITEM item = HitTest(&info);
        if (flags)
            *flags = info.flags;
        return item;
    }
    // The item's rectangle, around its text only with `textOnly`; FALSE when it is not shown.
    BOOL GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const
    {
        *reinterpret_cast<HTREEITEM*>(rect) = item;
        return static_cast<BOOL>(SendMessage(TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(rect)));
    }

    BOOL GetItem(TVITEMW* item) const
    {
        return static_cast<BOOL>(SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(item)));
    }
    BOOL SetItem(const TVITEMW* item)
    {
        return static_cast<BOOL>(SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(item)));
    }
    BOOL GetItemImage(HTREEITEM item, int& image, int& selectedImage) const
    {
        TVITEMW tv = {};
        tv.hItem = item;
        tv.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        BOOL found = GetItem(&tv);
        image = tv.iImage;
        selectedImage = tv.iSelectedImage;
        return found;
    }
    BOOL SetItemImage(HTREEITEM item, int image, int selectedImage)
    {
        TVITEMW tv = {};
        tv.hItem = item;
        tv.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        tv.iImage = image;
        tv.iSelectedImage = selectedImage;
        return SetItem(&tv);
    }
    UINT GetItemState(HTREEITEM item, UINT mask) const
    {
        return static_cast<UINT>(SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
    }
    BOOL SetItemState(HTREEITEM item, UINT state, UINT mask)
    {
        TVITEMW tv = {};
        tv.hItem = item;
        tv.mask = TVIF_STATE;
        tv.state = state;
        tv.stateMask = mask;
        return SetItem(&tv);
    }
    CString GetItemText(HTREEITEM item) const
    {
        // Grows the buffer until the text fits with room to spare.
        CString text;
        for (int size = 256;; size *= 2) {
            TVITEMW tv = {};
            tv.hItem = item;
            tv.mask = TVIF_TEXT;
            tv.pszText = text.GetBuffer(size);
            tv.cchTextMax = size;
            if (!GetItem(&tv)) {
                text.ReleaseBuffer(0);
                return text;
            }
            text.ReleaseBuffer();
            if (text.GetLength() < size - 1)
                return text;
        }
    }
    BOOL SetItemText(HTREEITEM item, const wchar_t* text)
    {
        TVITEMW tv = {};
        tv.hItem = item;
        tv.mask = TVIF_TEXT;
        tv.pszText = const_cast<wchar_t*>(text);
        return SetItem(&tv);
    }
    DWORD_PTR GetItemData(HTREEITEM item) const
    {
        TVITEMW tv = {};
        tv.hItem = item;
        tv.mask = TVIF_PARAM;
        return GetItem(&tv) ? static_cast<DWORD_PTR>(tv.lParam) : 0;
    }
    // The state image's index minus 1 (check boxes: 0 clear, 1 checked).
    BOOL GetCheck(HTREEITEM item) const
    {
        return static_cast<BOOL>((GetItemState(item, TVIS_STATEIMAGEMASK) >> 12) - 1);
    }
    BOOL SetCheck(HTREEITEM item, BOOL check = TRUE)
    {
        return SetItemState(item, INDEXTOSTATEIMAGEMASK(check ? 2 : 1), TVIS_STATEIMAGEMASK);
    }
    // TVSIL_NORMAL or TVSIL_STATE; the list is not attached to an object.
    HIMAGELIST GetImageList(int kind) const
    {
        return reinterpret_cast<HIMAGELIST>(SendMessage(TVM_GETIMAGELIST, static_cast<WPARAM>(kind)));
    }
    // The list shown before.
    HIMAGELIST SetImageList(CImageList* list, int kind)
    {
        return reinterpret_cast<HIMAGELIST>(SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(kind),
            reinterpret_cast<LPARAM>(list ? list->m_hImageList : nullptr)));
    }
};
