// CString: the class library's wide, reference-counted, copy-on-write string.
//
// Copies share one buffer; the first write through any of them gives that string a private
// copy. Reference counts are interlocked, so copies may live on different threads (each string
// object itself is used by one thread at a time). Allocation failures throw std::bad_alloc; bad
// indexes and lengths throw CInvalidArgException.
//
// windows.h maps FormatMessage and LoadString to their W names; this header includes it first,
// so the members are declared and called under the same names everywhere.
#pragma once

#include <windows.h>

#include <cstdarg>

#include "InvalidArgException.h"

class CString {
public:
    CString() noexcept;
    CString(const wchar_t* text);             // null gives an empty string
    CString(const wchar_t* text, int count);  // count characters (count >= 0)
    CString(const CString& other) noexcept;   // shares other's buffer
    ~CString();

    CString& operator=(const CString& other) noexcept;
    CString& operator=(const wchar_t* text);

    CString& operator+=(const CString& other);
    CString& operator+=(const wchar_t* text);
    CString& operator+=(wchar_t ch);

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const wchar_t* b);
    friend CString operator+(const wchar_t* a, const CString& b);
    friend CString operator+(const CString& a, wchar_t b);
    friend CString operator+(wchar_t a, const CString& b);

    // Ordinal (code unit) comparison; CompareNoCase ignores case. <0, 0 or >0.
    int Compare(const wchar_t* text) const;
    int CompareNoCase(const wchar_t* text) const;

    int GetLength() const noexcept;
    bool IsEmpty() const noexcept;
    void Empty() noexcept;

    // Index outside [0, GetLength()) throws CInvalidArgException.
    wchar_t GetAt(int index) const;
    wchar_t operator[](int index) const;
    void SetAt(int index, wchar_t ch);

    // The text; never null.
    const wchar_t* GetString() const noexcept;
    operator const wchar_t*() const noexcept;

    // A private writable buffer with room for at least `minLength` characters plus the
    // terminator, holding the current text. Finish with ReleaseBuffer or SetLength.
    wchar_t* GetBuffer(int minLength);
    // Sets the length to `newLength`, or to the length up to the first NUL when -1.
    void ReleaseBuffer(int newLength = -1);
    // Sets the length and writes the terminator; above GetAllocLength throws
    // CInvalidArgException.
    void SetLength(int newLength);
    // Characters the buffer has room for (not counting the terminator).
    int GetAllocLength() const noexcept;

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;
    // Position of the first match at or after `start`, or -1.
    int Find(wchar_t ch, int start = 0) const;
    int Find(const wchar_t* sub, int start = 0) const;
    // Position of the last occurrence, or -1.
    int ReverseFind(wchar_t ch) const;
    // Return the number of replaced or removed occurrences.
    int Replace(wchar_t oldCh, wchar_t newCh);
    int Replace(const wchar_t* oldText, const wchar_t* newText);
    int Remove(wchar_t ch);
    // White space (iswspace) at either end, at the start, at the end.
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();
    CString& MakeUpper();

    // printf-style formatting with Microsoft's rules (%s wide, %S narrow, %I64u...).
    void Format(const wchar_t* format, ...);
    void FormatV(const wchar_t* format, va_list args);
    void AppendFormat(const wchar_t* format, ...);

    // FormatMessageW-style formatting ("%1", "%2!d!"...) of a format text, or of the string
    // resource `formatId` loaded through the resource chain (a missing one gives an empty text).
    void FormatMessage(const wchar_t* format, ...);
    void FormatMessage(UINT formatId, ...);

    // Loads string resource `id` through the resource chain (the current resource module, then
    // the program). FALSE, leaving the string unchanged, when neither has it.
    BOOL LoadString(UINT id);

    // The buffer block's header (implementation detail).
    struct Data;

private:
    Data* GetData() const noexcept;
    void Attach(Data* data) noexcept;
    void PrepareWrite(int length);
    void Assign(const wchar_t* text, int count);
    void Append(const wchar_t* text, int count);
    void FormatMessageV(const wchar_t* format, va_list* args);

    wchar_t* m_pszData;  // the text; a header (Data) precedes it in the same block
};

// The string type is also spelled CStringT (as a template argument, for example).
using CStringT = CString;

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, const wchar_t* b);
bool operator==(const wchar_t* a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, const wchar_t* b);
bool operator!=(const wchar_t* a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, const wchar_t* b);
bool operator<(const wchar_t* a, const CString& b);

// String resource `id` loaded through the resource chain; empty when there is none (id 0
// included).
CString LoadResourceString(UINT id);
