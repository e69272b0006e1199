#include "StringArray.h"

void CStringArray::SetSize(INT_PTR newSize, INT_PTR /*growBy*/)
{
    if (newSize < 0) {
        throw CInvalidArgException();
    }
    m_items.resize(static_cast<size_t>(newSize));
}

const CString& CStringArray::GetAt(INT_PTR index) const
{
    if (index < 0 || index >= GetSize()) {
        throw CInvalidArgException();
    }
    return m_items[static_cast<size_t>(index)];
}

void CStringArray::SetAt(INT_PTR index, const wchar_t* text)
{
    (*this)[index] = text;
}

CString& CStringArray::operator[](INT_PTR index)
{
    if (index < 0 || index >= GetSize()) {
        throw CInvalidArgException();
    }
    return m_items[static_cast<size_t>(index)];
}

const CString& CStringArray::operator[](INT_PTR index) const
{
    return GetAt(index);
}

INT_PTR CStringArray::Add(const wchar_t* text)
{
    return Add(CString(text));
}

INT_PTR CStringArray::Add(const CString& text)
{
    m_items.push_back(text);
    return GetSize() - 1;
}
