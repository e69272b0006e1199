// An image list: owning, the destructor destroys the list it holds.
#pragma once

#include <commctrl.h>

#include "GdiObject.h"

class CImageList {
public:
    CImageList() noexcept : m_hImageList(nullptr) { }
    virtual ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    // A new list of `initial` images of cx by cy pixels (flags ILC_*), growing by `grow`; any
    // list held before is destroyed.
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow)
    {
        DeleteImageList();
        m_hImageList = ::ImageList_Create(cx, cy, flags, initial, grow);
        return m_hImageList != nullptr;
    }
    // Adds the bitmap with every pixel of colour `mask` transparent; the new image's index, -1
    // on failure. The bitmap stays the caller's.
    int Add(CBitmap* bitmap, COLORREF mask)
    {
        return ::ImageList_AddMasked(m_hImageList, static_cast<HBITMAP>(bitmap->m_hObject), mask);
    }
    BOOL DeleteImageList()
    {
        if (!m_hImageList)
            return FALSE;
        HIMAGELIST list = m_hImageList;
        m_hImageList = nullptr;
        return ::ImageList_Destroy(list);
    }
    HIMAGELIST GetSafeHandle() const noexcept { return m_hImageList; }

    HIMAGELIST m_hImageList;
};
