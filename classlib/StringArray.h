// CStringArray: a growable array of CString.
#pragma once

#include "CString.h"

#include <vector>

class CStringArray {
public:
    CStringArray() = default;
    virtual ~CStringArray() = default;

    INT_PTR GetSize() const noexcept { return static_cast<INT_PTR>(m_items.size()); }
    // New elements are empty strings; a smaller size drops the elements at the end.
    // A negative size throws CInvalidArgException. `growBy` is accepted for compatibility.
    void SetSize(INT_PTR newSize, INT_PTR growBy = -1);

    // Indexes outside [0, GetSize()) throw CInvalidArgException.
    const CString& GetAt(INT_PTR index) const;
    void SetAt(INT_PTR index, const wchar_t* text);
    CString& operator[](INT_PTR index);
    const CString& operator[](INT_PTR index) const;

    // Appends an element and returns its index.
    INT_PTR Add(const wchar_t* text);
    INT_PTR Add(const CString& text);

private:
    std::vector<CString> m_items;
};
