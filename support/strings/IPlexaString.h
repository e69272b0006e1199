// IPlexaString: the text type of the support libraries.
//
// A Plexa string holds a NUL-terminated UTF-16 text in a reference-counted, copy-on-write
// storage (IPlexaStringCOW). The length is never stored: it is always wcslen of the storage's
// text, so a NUL written into the middle of a string shortens it. Positions and counts are in
// code units; a count of -1 means "to the end of the text".
//
// Every operation that writes first un-shares the storage (a storage shared with other strings
// is cloned), takes a buffer of the size it needs, writes the characters and the terminator and
// then records the new length. Bad positions and counts throw PlexaOutOfRange before anything
// changes; allocation failures throw PlexaBadAlloc (a std::bad_alloc).
//
// Formatting follows Microsoft's printf rules (%s wide, %S narrow, %I64u...).
#pragma once

#include "IPlexaStringCOW.h"
#include "PlexaExceptions.h"

#include <cstdarg>
#include <locale>

class IPlexaString {
public:
    virtual ~IPlexaString();

    // Factories of the implementing class (heap objects; free them with Destroy).
    virtual IPlexaString* NewFilled(wchar_t ch, int count) const = 0;
    virtual IPlexaString* NewFromChars(const wchar_t* text, int pos, int count) const = 0;
    virtual IPlexaString* NewFromString(const IPlexaString& source, int pos, int count) const = 0;
    virtual IPlexaString* NewEmpty() const = 0;
    // Deletes an object made by the factories; null is ignored.
    virtual void Destroy(IPlexaString* string) const = 0;
    // The address of this string's storage pointer, for reading and for writing.
    virtual IPlexaStringCOW* const* GetStorage() const = 0;
    virtual IPlexaStringCOW** GetStorageForWrite() = 0;

    // The text (never null) and its length.
    const wchar_t* GetString() const;
    int GetLength() const;
    // 1 when the text is empty, else 0.
    int IsEmpty() const;

    // Records the text's length (-1: wcslen of the text); un-shares first.
    void SetLength(int length);
    void Empty();

    // Replaces the text with `count` characters of `text` from `pos` (null counts as empty).
    // Returns count.
    int Assign(const wchar_t* text, int pos = 0, int count = -1);
    // Replaces the text with part of another string; a whole string of the same storage family
    // is shared instead of copied. Returns the new length.
    int Assign(const IPlexaString& source, int pos = 0, int count = -1);
    // Replaces the text with `count` copies of `ch`.
    void Assign(wchar_t ch, int count);
    IPlexaString& operator=(const wchar_t* text);
    IPlexaString& operator=(const IPlexaString& source);

    // Appends `count` characters of `text` from `pos`; returns old length + count.
    int Append(const wchar_t* text, int pos = 0, int count = -1);
    int Append(const IPlexaString& source, int pos, int count);
    // Appends the other string's whole text.
    int Append(const IPlexaString& source);
    // Appends `count` copies of `ch`.
    void Append(wchar_t ch, int count);

    // Replace / append the formatted text; return the number of characters written.
    int FormatV(const wchar_t* format, va_list args);
    int Format(const wchar_t* format, ...);
    int AppendFormatV(const wchar_t* format, va_list args);
    int AppendFormat(const wchar_t* format, ...);

    // The character at `index`; PlexaOutOfRange when index is not below the length.
    wchar_t GetAt(int index) const;
    // Sets the character at `index`; -1 or the length appends. Storing NUL shortens the text.
    void SetAt(int index, wchar_t ch);

    // Ordinal comparison of code units (unsigned) up to `count` units (-1: the longer length).
    // Returns -1, 0 or 1.
    int Compare(const wchar_t* text, int count = -1) const;
    int Compare(const IPlexaString& other, int count = -1) const;
    // 1 when Compare gives 0, else 0.
    int IsEqual(const wchar_t* text) const;

    // Keeps the `count` characters at `pos` (in place).
    void Mid(int pos, int count = -1);
    // First occurrence at or after `start`, or -1; an empty needle is found at `start`.
    int Find(const wchar_t* needle, int start = 0) const;
    int Find(wchar_t ch, int from = 0) const;
    // Last occurrence that starts at or before length - distance (and fits), or -1.
    int ReverseFind(const wchar_t* needle, int distance = 0) const;
    int ReverseFind(wchar_t ch, int from = 0) const;
    // Replaces `count` characters at `pos` by `text`; returns the new length.
    int Replace(int pos, int count, const wchar_t* text);
    // Replaces every occurrence of `search` that starts in [start, start + count) of the text as
    // it was before the first replacement (count -1: to the end), searching on after each
    // inserted replacement. An empty search text replaces nothing. Returns the number of
    // replacements.
    int ReplaceAll(const wchar_t* search, const wchar_t* replacement, int start = 0, int count = -1);
    // Removes leading white space (space or blank in the string's locale).
    void TrimLeft();

    // The writable buffer (un-shared first). With n: room for n characters plus the terminator;
    // after writing, call SetLength(-1).
    wchar_t* GetBuffer();
    wchar_t* GetBuffer(int n);

    // Growth step of the formatting buffer, in characters.
    int GetFormatStep() const { return m_formatStep; }

protected:
    // A fresh string: step 64, the global locale, no storage yet.
    IPlexaString();
    // Step and locale copied from `source`, no storage yet.
    explicit IPlexaString(const IPlexaString& source);

    // The concrete classes release their reference in their destructors.
    void ReleaseStorage();

    int m_formatStep;
    std::locale m_locale;
    IPlexaStringCOW* m_storage;

private:
    IPlexaStringCOW* Writable();
    // Un-shares and records the length of the text as it now stands.
    void UpdateLength();
    // Formats into the text from `offset` on (the text before it is kept).
    int FormatAt(int offset, const wchar_t* format, va_list args);
};
