#include "CPath.h"

#include <cwchar>
#include <vector>

namespace {

const wchar_t* OrEmpty(const wchar_t* text)
{
    return text ? text : L"";
}

}  // namespace

CPath::CPath() = default;

CPath::CPath(const wchar_t* text)
{
    Assign(text);
}

CPath::CPath(const CPath& other) : CString()
{
    Assign(other.GetString());
}

CPath::~CPath() = default;

CPath& CPath::operator=(const wchar_t* text)
{
    Assign(text);
    return *this;
}

CPath& CPath::operator=(const CPath& other)
{
    if (this != &other) {
        Assign(other.GetString());
    }
    return *this;
}

bool CPath::IsAbsolute(const wchar_t* text)
{
    text = OrEmpty(text);
    // A drive (C:\dir, C:name) or a UNC or \\?\ path. A second character '\' after anything
    // but a backslash is a one-letter relative folder (1\setup.msi), not an absolute path.
    return text[0] != L'\0' && (text[1] == L':' || (text[0] == L'\\' && text[1] == L'\\'));
}

void CPath::Assign(const wchar_t* text)
{
    text = OrEmpty(text);
    if (IsAbsolute(text)) {
        CString::operator=(text);
        return;
    }
    // The element may be this path's own text: keep a copy across SetToCurrentDirectory.
    CString element(text);
    SetToCurrentDirectory();
    Append(element);
}

void CPath::Append(const wchar_t* element)
{
    element = OrEmpty(element);
    if (IsAbsolute(element)) {
        CString::operator=(element);
        return;
    }
    CString copy(element);
    if (IsEmpty()) {
        SetToCurrentDirectory();
    }
    // Still empty when the current directory could not be read: GetAt(-1) refuses it.
    if (GetAt(GetLength() - 1) != L'\\') {
        CString::operator+=(L'\\');
    }
    const wchar_t* rest = copy.GetString();
    if (rest[0] == L'\\') {
        ++rest;
    }
    CString::operator+=(rest);
}

void CPath::SetToCurrentDirectory()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length >= buffer.size()) {
        // Longer than MAX_PATH: the result is the size needed, terminator included.
        buffer.resize(length);
        length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length >= buffer.size()) {
            length = 0;
        }
    }
    CString::operator=(CString(buffer.data(), static_cast<int>(length)));
}

bool CPath::operator==(const wchar_t* text) const
{
    return ::_wcsicmp(GetString(), OrEmpty(text)) == 0;
}

bool CPath::operator!=(const wchar_t* text) const
{
    return !(*this == text);
}

CString CPath::GetDirectory() const
{
    int slash = ReverseFind(L'\\');
    return slash < 0 ? CString() : Left(slash);
}

CString CPath::GetFileName() const
{
    int slash = ReverseFind(L'\\');
    return slash < 0 ? CString() : Mid(slash + 1);
}

CString CPath::GetExtension() const
{
    int dot = ReverseFind(L'.');
    return dot < 0 ? CString() : Mid(dot + 1);
}
