#include "CString.h"

#include "MsPrintf.h"
#include "Resources.h"
#include "UniqueHandle.h"
#include "VaListEnd.h"

#include <climits>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <new>
#include <string>

// The block of one buffer: this header, then nAllocLength + 1 characters.
struct CString::Data {
    volatile LONG nRefs;  // -1 for the shared empty block, which is never freed
    int nDataLength;
    int nAllocLength;

    wchar_t* Text() noexcept { return reinterpret_cast<wchar_t*>(this + 1); }
    bool IsShared() const noexcept { return nRefs > 1; }
    bool IsNil() const noexcept { return nRefs < 0; }
};

namespace {

// The empty string every empty CString points to: no allocation for empty strings.
struct {
    LONG refs;
    int length;
    int alloc;
    wchar_t text[2];
} g_nil = {-1, 0, 0, {0, 0}};

static_assert(sizeof(LONG) + 2 * sizeof(int) == 12, "header layout");

int CheckedLength(size_t n)
{
    if (n > static_cast<size_t>(INT_MAX / 2 - 64)) {
        throw std::bad_alloc();
    }
    return static_cast<int>(n);
}

int Length(const wchar_t* text)
{
    return text ? CheckedLength(std::wcslen(text)) : 0;
}

}  // namespace

static CString::Data* NilData() noexcept
{
    return reinterpret_cast<CString::Data*>(&g_nil);
}

static CString::Data* AllocateData(int chars)
{
    if (chars < 0 || chars > INT_MAX / 2 - 64) {
        throw std::bad_alloc();
    }
    size_t bytes = sizeof(CString::Data) + (static_cast<size_t>(chars) + 1) * sizeof(wchar_t);
    auto* data = static_cast<CString::Data*>(::operator new(bytes));
    data->nRefs = 1;
    data->nDataLength = 0;
    data->nAllocLength = chars;
    data->Text()[0] = L'\0';
    return data;
}

static void ReleaseData(CString::Data* data) noexcept
{
    if (!data->IsNil() && ::InterlockedDecrement(&data->nRefs) == 0) {
        ::operator delete(data);
    }
}

CString::Data* CString::GetData() const noexcept
{
    return reinterpret_cast<Data*>(m_pszData) - 1;
}

void CString::Attach(Data* data) noexcept
{
    ReleaseData(GetData());
    m_pszData = data->Text();
}

// Makes the buffer private and able to hold `length` characters, keeping the text.
void CString::PrepareWrite(int length)
{
    if (length < 0) {
        throw CInvalidArgException();
    }
    Data* old = GetData();
    if (!old->IsNil() && !old->IsShared() && old->nAllocLength >= length) {
        return;
    }
    int size = length > old->nDataLength ? length : old->nDataLength;
    if (!old->IsNil() && !old->IsShared() && size < INT_MAX / 4) {
        // Growing a private buffer: leave room for the next appends.
        int grown = old->nAllocLength + old->nAllocLength / 2;
        if (grown > size) {
            size = grown;
        }
    }
    // Copy the whole room that fits, not only the text: characters written through GetBuffer
    // before SetLength survive the copy.
    Data* data = AllocateData(size);
    int copy = old->nAllocLength < size ? old->nAllocLength : size;
    std::memcpy(data->Text(), old->Text(), static_cast<size_t>(copy) * sizeof(wchar_t));
    data->Text()[copy] = L'\0';
    data->nDataLength = old->nDataLength;
    Attach(data);
}

void CString::Assign(const wchar_t* text, int count)
{
    if (count < 0) {
        throw CInvalidArgException();
    }
    if (count == 0) {
        Empty();
        return;
    }
    // The text may lie inside this string's own buffer: copy into a new block first.
    Data* data = AllocateData(count);
    std::memcpy(data->Text(), text, static_cast<size_t>(count) * sizeof(wchar_t));
    data->Text()[count] = L'\0';
    data->nDataLength = count;
    Attach(data);
}

void CString::Append(const wchar_t* text, int count)
{
    if (count < 0) {
        throw CInvalidArgException();
    }
    if (count == 0) {
        return;
    }
    int oldLength = GetLength();
    if (count > INT_MAX / 2 - 64 - oldLength) {
        throw std::bad_alloc();
    }
    // Appending a part of this string's own text: PrepareWrite may move the buffer.
    std::wstring saved;
    if (text >= m_pszData && text <= m_pszData + GetData()->nAllocLength) {
        saved.assign(text, static_cast<size_t>(count));
        text = saved.c_str();
    }
    PrepareWrite(oldLength + count);
    std::memcpy(m_pszData + oldLength, text, static_cast<size_t>(count) * sizeof(wchar_t));
    GetData()->nDataLength = oldLength + count;
    m_pszData[oldLength + count] = L'\0';
}

CString::CString() noexcept : m_pszData(NilData()->Text()) { }

CString::CString(const wchar_t* text) : m_pszData(NilData()->Text())
{
    Assign(text, Length(text));
}

CString::CString(const wchar_t* text, int count) : m_pszData(NilData()->Text())
{
    if (count < 0 || (count > 0 && !text)) {
        throw CInvalidArgException();
    }
    Assign(text, count);
}

CString::CString(const CString& other) noexcept : m_pszData(other.m_pszData)
{
    Data* data = GetData();
    if (!data->IsNil()) {
        ::InterlockedIncrement(&data->nRefs);
    }
}

CString::~CString()
{
    ReleaseData(GetData());
}

CString& CString::operator=(const CString& other) noexcept
{
    if (m_pszData != other.m_pszData) {
        Data* data = other.GetData();
        if (!data->IsNil()) {
            ::InterlockedIncrement(&data->nRefs);
        }
        Attach(data);
    }
    return *this;
}

CString& CString::operator=(const wchar_t* text)
{
    Assign(text, Length(text));
    return *this;
}

CString& CString::operator+=(const CString& other)
{
    CString keep(other);  // other may be this string
    Append(keep.m_pszData, keep.GetLength());
    return *this;
}

CString& CString::operator+=(const wchar_t* text)
{
    Append(text, Length(text));
    return *this;
}

CString& CString::operator+=(wchar_t ch)
{
    Append(&ch, 1);
    return *this;
}

CString operator+(const CString& a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, const wchar_t* b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const wchar_t* a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, wchar_t b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(wchar_t a, const CString& b)
{
    CString r(&a, 1);
    r += b;
    return r;
}

int CString::Compare(const wchar_t* text) const
{
    return std::wcscmp(m_pszData, text ? text : L"");
}

int CString::CompareNoCase(const wchar_t* text) const
{
    return ::_wcsicmp(m_pszData, text ? text : L"");
}

int CString::GetLength() const noexcept
{
    return GetData()->nDataLength;
}

bool CString::IsEmpty() const noexcept
{
    return GetLength() == 0;
}

void CString::Empty() noexcept
{
    Attach(NilData());
}

wchar_t CString::GetAt(int index) const
{
    if (index < 0 || index >= GetLength()) {
        throw CInvalidArgException();
    }
    return m_pszData[index];
}

wchar_t CString::operator[](int index) const
{
    return GetAt(index);
}

void CString::SetAt(int index, wchar_t ch)
{
    if (index < 0 || index >= GetLength()) {
        throw CInvalidArgException();
    }
    PrepareWrite(GetLength());
    m_pszData[index] = ch;
}

const wchar_t* CString::GetString() const noexcept
{
    return m_pszData;
}

CString::operator const wchar_t*() const noexcept
{
    return m_pszData;
}

wchar_t* CString::GetBuffer(int minLength)
{
    PrepareWrite(minLength);
    return m_pszData;
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength == -1) {
        newLength = CheckedLength(::wcsnlen(m_pszData, static_cast<size_t>(GetAllocLength())));
    }
    SetLength(newLength);
}

void CString::SetLength(int newLength)
{
    if (newLength < 0 || newLength > GetAllocLength()) {
        throw CInvalidArgException();
    }
    if (GetData()->IsNil()) {
        return;  // only 0 fits the empty block, and it is already 0
    }
    // A shared buffer is copied first: its length lives in the shared block.
    PrepareWrite(newLength);
    GetData()->nDataLength = newLength;
    m_pszData[newLength] = L'\0';
}

int CString::GetAllocLength() const noexcept
{
    return GetData()->nAllocLength;
}

CString CString::Left(int count) const
{
    return Mid(0, count);
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const
{
    int length = GetLength();
    if (first < 0) {
        first = 0;
    }
    if (count < 0) {
        count = 0;
    }
    if (first > length) {
        first = length;
    }
    if (count > length - first) {
        count = length - first;
    }
    if (first == 0 && count == length) {
        return *this;
    }
    return CString(m_pszData + first, count);
}

CString CString::Right(int count) const
{
    int length = GetLength();
    if (count < 0) {
        count = 0;
    }
    if (count > length) {
        count = length;
    }
    return Mid(length - count, count);
}

int CString::Find(wchar_t ch, int start) const
{
    if (start < 0 || start >= GetLength()) {
        return -1;
    }
    const wchar_t* hit = std::wcschr(m_pszData + start, ch);
    return hit && ch ? static_cast<int>(hit - m_pszData) : -1;
}

int CString::Find(const wchar_t* sub, int start) const
{
    if (!sub || start < 0 || start > GetLength()) {
        return -1;
    }
    const wchar_t* hit = std::wcsstr(m_pszData + start, sub);
    return hit ? static_cast<int>(hit - m_pszData) : -1;
}

int CString::ReverseFind(wchar_t ch) const
{
    if (!ch) {
        return -1;
    }
    const wchar_t* hit = std::wcsrchr(m_pszData, ch);
    return hit ? static_cast<int>(hit - m_pszData) : -1;
}

int CString::Replace(wchar_t oldCh, wchar_t newCh)
{
    int count = 0;
    int length = GetLength();
    for (int i = 0; i < length; ++i) {
        if (m_pszData[i] == oldCh) {
            if (count == 0) {
                PrepareWrite(length);
            }
            m_pszData[i] = newCh;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const wchar_t* oldText, const wchar_t* newText)
{
    int oldLength = Length(oldText);
    if (oldLength == 0) {
        return 0;
    }
    std::wstring result;
    int count = 0;
    const wchar_t* p = m_pszData;
    while (const wchar_t* hit = std::wcsstr(p, oldText)) {
        result.append(p, hit);
        if (newText) {
            result.append(newText);
        }
        p = hit + oldLength;
        ++count;
    }
    if (count > 0) {
        result.append(p);
        Assign(result.c_str(), CheckedLength(result.size()));
    }
    return count;
}

int CString::Remove(wchar_t ch)
{
    int length = GetLength();
    int count = 0;
    for (int i = 0; i < length; ++i) {
        if (m_pszData[i] == ch) {
            ++count;
        }
    }
    if (count > 0) {
        PrepareWrite(length);
        int out = 0;
        for (int i = 0; i < length; ++i) {
            if (m_pszData[i] != ch) {
                m_pszData[out++] = m_pszData[i];
            }
        }
        SetLength(out);
    }
    return count;
}

CString& CString::Trim()
{
    TrimRight();
    return TrimLeft();
}

CString& CString::TrimLeft()
{
    int length = GetLength();
    int skip = 0;
    while (skip < length && std::iswspace(m_pszData[skip])) {
        ++skip;
    }
    if (skip > 0) {
        *this = Mid(skip);
    }
    return *this;
}

CString& CString::TrimRight()
{
    int length = GetLength();
    int keep = length;
    while (keep > 0 && std::iswspace(m_pszData[keep - 1])) {
        --keep;
    }
    if (keep < length) {
        if (keep == 0) {
            Empty();
        } else {
            PrepareWrite(length);
            SetLength(keep);
        }
    }
    return *this;
}

CString& CString::MakeUpper()
{
    int length = GetLength();
    if (length > 0) {
        PrepareWrite(length);
        ::CharUpperBuffW(m_pszData, static_cast<DWORD>(length));
    }
    return *this;
}

void CString::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    FormatV(format, args);
}

void CString::FormatV(const wchar_t* format, va_list args)
{
    std::wstring text = MsFormatV(format, args);
    Assign(text.c_str(), CheckedLength(text.size()));
}

void CString::AppendFormat(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    std::wstring text = MsFormatV(format, args);
    Append(text.c_str(), CheckedLength(text.size()));
}

void CString::FormatMessageV(const wchar_t* format, va_list* args)
{
    if (!format) {
        throw CInvalidArgException();
    }
    // FormatMessageW returns 0 both for an empty result and for a failure: a leading character
    // of our own makes every successful result non-empty, and is dropped again.
    std::wstring marked = L"|";
    marked += format;
    OrbelToolbox::UniqueLocalPtr<wchar_t> buffer;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, marked.c_str(), 0, 0,
        reinterpret_cast<LPWSTR>(buffer.AddressOf()), 0, args);
    DWORD error = ::GetLastError();
    if (n == 0 || !buffer) {
        if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY) {
            throw std::bad_alloc();
        }
        throw CInvalidArgException();  // a malformed format
    }
    Assign(buffer.Get() + 1, CheckedLength(n - 1));
}

void CString::FormatMessage(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    FormatMessageV(format, &args);
}

void CString::FormatMessage(UINT formatId, ...)
{
    CString format;
    format.LoadString(formatId);
    va_list args;
    va_start(args, formatId);
    VaListEnd end(args);
    FormatMessageV(format.GetString(), &args);
}

BOOL CString::LoadString(UINT id)
{
    const wchar_t* text = nullptr;
    int length = 0;
    if (!AfxFindString(id, text, length)) {
        return FALSE;
    }
    Assign(text, length);
    return TRUE;
}

CString LoadResourceString(UINT id)
{
    CString text;
    if (id != 0) {
        text.LoadString(id);
    }
    return text;
}

bool operator==(const CString& a, const CString& b)
{
    return a.GetLength() == b.GetLength() && a.Compare(b.GetString()) == 0;
}

bool operator==(const CString& a, const wchar_t* b)
{
    return a.Compare(b) == 0;
}

bool operator==(const wchar_t* a, const CString& b)
{
    return b.Compare(a) == 0;
}

bool operator!=(const CString& a, const CString& b)
{
    return !(a == b);
}

bool operator!=(const CString& a, const wchar_t* b)
{
    return !(a == b);
}

bool operator!=(const wchar_t* a, const CString& b)
{
    return !(a == b);
}

bool operator<(const CString& a, const CString& b)
{
    return a.Compare(b.GetString()) < 0;
}

bool operator<(const CString& a, const wchar_t* b)
{
    return a.Compare(b) < 0;
}

bool operator<(const wchar_t* a, const CString& b)
{
    return b.Compare(a) > 0;
}
