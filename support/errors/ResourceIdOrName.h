// A resource named either by a number below 0x10000 or by an owned copy of its name, in the
// form the Windows resource functions take.
#pragma once

#include <windows.h>

#include <iosfwd>

class ResourceIdOrName {
public:
    ResourceIdOrName() noexcept = default;  // holds 0: no name, no id
    ResourceIdOrName(UINT id) noexcept;     // a numeric id (below 0x10000)
    // A numeric id (MAKEINTRESOURCEW) is kept as it is, a name is copied; null holds 0.
    ResourceIdOrName(const wchar_t* idOrName);
    ResourceIdOrName(const ResourceIdOrName& other);
    ResourceIdOrName& operator=(const ResourceIdOrName& other);
    ResourceIdOrName& operator=(const wchar_t* idOrName);
    ~ResourceIdOrName();

    // The held value: MAKEINTRESOURCEW(id) or the name.
    const wchar_t* Get() const noexcept { return m_value; }
    bool IsId() const noexcept { return IS_INTRESOURCE(m_value); }
    // The numeric id; 0 when a name is held.
    UINT GetId() const noexcept;

private:
    static const wchar_t* Copy(const wchar_t* idOrName);

    const wchar_t* m_value = nullptr;
};

// A numeric id as unsigned decimal, a name as its text.
std::wostream& operator<<(std::wostream& out, const ResourceIdOrName& resource);
