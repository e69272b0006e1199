#include "ResourceIdOrName.h"

#include <cwchar>
#include <ostream>

ResourceIdOrName::ResourceIdOrName(UINT id) noexcept : m_value(MAKEINTRESOURCEW(id & 0xFFFFu)) { }

ResourceIdOrName::ResourceIdOrName(const wchar_t* idOrName) : m_value(Copy(idOrName)) { }

ResourceIdOrName::ResourceIdOrName(const ResourceIdOrName& other) : m_value(Copy(other.m_value)) { }

ResourceIdOrName& ResourceIdOrName::operator=(const ResourceIdOrName& other)
{
    return *this = other.m_value;
}

ResourceIdOrName& ResourceIdOrName::operator=(const wchar_t* idOrName)
{
    if (idOrName != m_value) {
        const wchar_t* copy = Copy(idOrName);  // throws std::bad_alloc before anything changes
        if (!IsId()) {
            delete[] m_value;
        }
        m_value = copy;
    }
    return *this;
}

ResourceIdOrName::~ResourceIdOrName()
{
    if (!IsId()) {
        delete[] m_value;
    }
}

UINT ResourceIdOrName::GetId() const noexcept
{
    return IsId() ? static_cast<UINT>(reinterpret_cast<ULONG_PTR>(m_value)) : 0;
}

const wchar_t* ResourceIdOrName::Copy(const wchar_t* idOrName)
{
    if (IS_INTRESOURCE(idOrName)) {
        return idOrName;
    }
    size_t length = std::wcslen(idOrName);
    wchar_t* copy = new wchar_t[length + 1];
    std::wmemcpy(copy, idOrName, length + 1);
    return copy;
}

std::wostream& operator<<(std::wostream& out, const ResourceIdOrName& resource)
{
    if (resource.IsId()) {
        out << static_cast<unsigned long>(resource.GetId());
    } else {
        out << resource.Get();
    }
    return out;
}
