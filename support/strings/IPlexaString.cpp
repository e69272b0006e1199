#include "IPlexaString.h"

#include "MsPrintf.h"
#include "VaListEnd.h"

#include <cstring>
#include <cwchar>
#include <string>

namespace {

const wchar_t kEmpty[1] = {L'\0'};

const wchar_t* OrEmpty(const wchar_t* text)
{
    return text ? text : kEmpty;
}

int LengthOf(const wchar_t* text)
{
    return static_cast<int>(std::wcslen(text));
}

wchar_t* AsWide(PlexaChar* text)
{
    return reinterpret_cast<wchar_t*>(text);
}

const wchar_t* AsWide(const PlexaChar* text)
{
    return reinterpret_cast<const wchar_t*>(text);
}

// Checks pos and count against a text of `length` characters; returns the resolved count.
int CheckedRange(int length, int pos, int count)
{
    if (pos < 0 || pos > length) {
        throw PlexaOutOfRange();
    }
    int rest = length - pos;
    if (count == -1) {
        return rest;
    }
    if (count < 0 || count > rest) {
        throw PlexaOutOfRange();
    }
    return count;
}

// Ordinal comparison of up to `count` code units, stopping where both texts end.
int CompareUnits(const wchar_t* a, const wchar_t* b, int count)
{
    for (int i = 0; i < count; ++i) {
        unsigned short ua = static_cast<unsigned short>(a[i]);
        unsigned short ub = static_cast<unsigned short>(b[i]);
        if (ua != ub) {
            return ua < ub ? -1 : 1;
        }
        if (ua == 0) {
            break;
        }
    }
    return 0;
}

}  // namespace

IPlexaString::IPlexaString() : m_formatStep(64), m_locale(), m_storage(nullptr) { }

IPlexaString::IPlexaString(const IPlexaString& source)
    : m_formatStep(source.m_formatStep), m_locale(source.m_locale), m_storage(nullptr)
{
}

IPlexaString::~IPlexaString() = default;

void IPlexaString::ReleaseStorage()
{
    if (m_storage) {
        IPlexaStringCOW* storage = m_storage;
        m_storage = nullptr;
        storage->Release();
    }
}

IPlexaStringCOW* IPlexaString::Writable()
{
    return PlexaUnshareStorage(GetStorageForWrite());
}

void IPlexaString::UpdateLength()
{
    IPlexaStringCOW* storage = Writable();
    storage->SetLength(LengthOf(AsWide(storage->GetString())));
}

const wchar_t* IPlexaString::GetString() const
{
    return AsWide((*GetStorage())->GetString());
}

int IPlexaString::GetLength() const
{
    return LengthOf(GetString());
}

int IPlexaString::IsEmpty() const
{
    return GetString()[0] == L'\0' ? 1 : 0;
}

void IPlexaString::SetLength(int length)
{
    if (length == -1) {
        length = GetLength();
    }
    Writable()->SetLength(length);
}

void IPlexaString::Empty()
{
    IPlexaStringCOW* storage = Writable();
    storage->GetBuffer(0)[0] = 0;
    UpdateLength();
}

int IPlexaString::Assign(const wchar_t* text, int pos, int count)
{
    text = OrEmpty(text);
    count = CheckedRange(LengthOf(text), pos, count);
    // The source may lie in this string's own text: take the characters first.
    std::wstring part(text + pos, static_cast<size_t>(count));
    Empty();
    wchar_t* buffer = AsWide(Writable()->GetBuffer(count + 1));
    std::memcpy(buffer, part.data(), part.size() * sizeof(wchar_t));
    buffer[count] = L'\0';
    UpdateLength();
    return count;
}

int IPlexaString::Assign(const IPlexaString& source, int pos, int count)
{
    IPlexaStringCOW* const* sourceSlot = source.GetStorage();
    if (pos == 0 && (count == -1 || count >= source.GetLength()) && *sourceSlot && !(*sourceSlot)->IsUnshareable()) {
        try {
            PlexaShareStorage(GetStorageForWrite(), sourceSlot);
        } catch (const PlexaMismatchedCOWs&) {
            Assign(source.GetString(), 0, -1);
        }
        return GetLength();
    }
    Assign(source.GetString(), pos, count);
    return GetLength();
}

void IPlexaString::Assign(wchar_t ch, int count)
{
    if (count < 0) {
        throw PlexaOutOfRange();
    }
    Empty();
    wchar_t* buffer = AsWide(Writable()->GetBuffer(count + 1));
    for (int i = 0; i < count; ++i) {
        buffer[i] = ch;
    }
    buffer[count] = L'\0';
    UpdateLength();
}

IPlexaString& IPlexaString::operator=(const wchar_t* text)
{
    Assign(text, 0, -1);
    return *this;
}

IPlexaString& IPlexaString::operator=(const IPlexaString& source)
{
    Assign(source, 0, -1);
    return *this;
}

int IPlexaString::Append(const wchar_t* text, int pos, int count)
{
    text = OrEmpty(text);
    count = CheckedRange(LengthOf(text), pos, count);
    std::wstring part(text + pos, static_cast<size_t>(count));
    int oldLength = GetLength();
    wchar_t* buffer = AsWide(Writable()->GetBuffer(oldLength + count + 1));
    std::memcpy(buffer + oldLength, part.data(), part.size() * sizeof(wchar_t));
    buffer[oldLength + count] = L'\0';
    UpdateLength();
    return oldLength + count;
}

int IPlexaString::Append(const IPlexaString& source, int pos, int count)
{
    return Append(source.GetString(), pos, count);
}

int IPlexaString::Append(const IPlexaString& source)
{
    return Append(source.GetString(), 0, -1);
}

void IPlexaString::Append(wchar_t ch, int count)
{
    if (count < 0) {
        throw PlexaOutOfRange();
    }
    int oldLength = GetLength();
    wchar_t* buffer = AsWide(Writable()->GetBuffer(oldLength + count + 1));
    for (int i = 0; i < count; ++i) {
        buffer[oldLength + i] = ch;
    }
    buffer[oldLength + count] = L'\0';
    UpdateLength();
}

int IPlexaString::FormatAt(int offset, const wchar_t* format, va_list args)
{
    // Formatted once with the project's formatter (a format that cannot be formatted throws
    // instead of growing the buffer for ever); the buffer still grows in whole steps from
    // offset + step until the text fits in its size minus one.
    std::wstring text = MsFormatV(format, args);
    int count = static_cast<int>(text.size());
    int step = m_formatStep > 0 ? m_formatStep : 64;
    int size = offset + step;
    while (count > size - offset - 1) {
        size += step;
    }
    wchar_t* buffer = AsWide(Writable()->GetBuffer(size));
    std::memcpy(buffer + offset, text.data(), text.size() * sizeof(wchar_t));
    buffer[offset + count] = L'\0';
    UpdateLength();
    return count;
}

int IPlexaString::FormatV(const wchar_t* format, va_list args)
{
    return FormatAt(0, format, args);
}

int IPlexaString::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    return FormatV(format, args);
}

int IPlexaString::AppendFormatV(const wchar_t* format, va_list args)
{
    return FormatAt(GetLength(), format, args);
}

int IPlexaString::AppendFormat(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    return AppendFormatV(format, args);
}

wchar_t IPlexaString::GetAt(int index) const
{
    if (index < 0 || index >= GetLength()) {
        throw PlexaOutOfRange();
    }
    return GetString()[index];
}

void IPlexaString::SetAt(int index, wchar_t ch)
{
    int length = GetLength();
    if (index == -1) {
        index = length;
    } else if (index < 0 || index > length) {
        throw PlexaOutOfRange();
    }
    bool appending = index == length;
    wchar_t* buffer = AsWide(Writable()->GetBuffer(appending ? length + 1 : length));
    buffer[index] = ch;
    if (appending) {
        buffer[index + 1] = L'\0';
    }
    UpdateLength();
}

int IPlexaString::Compare(const wchar_t* text, int count) const
{
    text = OrEmpty(text);
    const wchar_t* own = GetString();
    if (count == -1) {
        int a = LengthOf(own);
        int b = LengthOf(text);
        count = (a > b ? a : b) + 1;  // the shorter text's terminator takes part
    }
    return CompareUnits(own, text, count);
}

int IPlexaString::Compare(const IPlexaString& other, int count) const
{
    return Compare(other.GetString(), count);
}

int IPlexaString::IsEqual(const wchar_t* text) const
{
    return Compare(text, -1) == 0 ? 1 : 0;
}

void IPlexaString::Mid(int pos, int count)
{
    count = CheckedRange(GetLength(), pos, count);
    std::wstring part(GetString() + pos, static_cast<size_t>(count));
    wchar_t* buffer = AsWide(Writable()->GetBuffer(GetLength()));
    std::memcpy(buffer, part.data(), part.size() * sizeof(wchar_t));
    buffer[count] = L'\0';
    UpdateLength();
}

int IPlexaString::Find(const wchar_t* needle, int start) const
{
    needle = OrEmpty(needle);
    const wchar_t* text = GetString();
    int length = LengthOf(text);
    int needleLength = LengthOf(needle);
    if (start < 0 || start > length) {
        return -1;
    }
    for (int i = start; i + needleLength <= length; ++i) {
        if (std::wmemcmp(text + i, needle, static_cast<size_t>(needleLength)) == 0) {
            return i;
        }
    }
    return -1;
}

int IPlexaString::Find(wchar_t ch, int from) const
{
    const wchar_t needle[2] = {ch, L'\0'};
    return Find(needle, from);
}

int IPlexaString::ReverseFind(const wchar_t* needle, int distance) const
{
    needle = OrEmpty(needle);
    const wchar_t* text = GetString();
    int length = LengthOf(text);
    int needleLength = LengthOf(needle);
    int last = length - distance;
    if (length - needleLength < last) {
        last = length - needleLength;
    }
    for (int i = last; i >= 0; --i) {
        if (std::wmemcmp(text + i, needle, static_cast<size_t>(needleLength)) == 0) {
            return i;
        }
    }
    return -1;
}

int IPlexaString::ReverseFind(wchar_t ch, int from) const
{
    const wchar_t needle[2] = {ch, L'\0'};
    return ReverseFind(needle, from);
}

int IPlexaString::Replace(int pos, int count, const wchar_t* text)
{
    const wchar_t* own = GetString();
    int length = LengthOf(own);
    count = CheckedRange(length, pos, count);
    std::wstring result(own, static_cast<size_t>(pos));
    result += OrEmpty(text);
    result.append(own + pos + count);
    Assign(result.c_str(), 0, -1);
    return GetLength();
}

int IPlexaString::ReplaceAll(const wchar_t* search, const wchar_t* replacement, int start, int count)
{
    search = OrEmpty(search);
    replacement = OrEmpty(replacement);
    int searchLength = LengthOf(search);
    if (searchLength == 0) {
        return 0;  // an empty search text would never move on
    }
    // Both may lie in this string's own text.
    std::wstring what(search);
    std::wstring with(replacement);
    int length = GetLength();
    count = CheckedRange(length, start, count);
    int end = start + count;  // in the text as it was; moves with every replacement
    int delta = static_cast<int>(with.size()) - searchLength;
    int replaced = 0;
    int at = Find(what.c_str(), start);
    while (at >= 0 && at < end) {
        Replace(at, searchLength, with.c_str());
        ++replaced;
        end += delta;
        at = Find(what.c_str(), at + static_cast<int>(with.size()));
    }
    return replaced;
}

void IPlexaString::TrimLeft()
{
    const wchar_t* text = GetString();
    int skip = 0;
    while (text[skip] != L'\0' && (std::isspace(text[skip], m_locale) || std::isblank(text[skip], m_locale))) {
        ++skip;
    }
    if (skip > 0) {
        Mid(skip, -1);
    }
}

wchar_t* IPlexaString::GetBuffer()
{
    return GetBuffer(GetLength());
}

wchar_t* IPlexaString::GetBuffer(int n)
{
    if (n < 0) {
        throw PlexaOutOfRange();
    }
    int length = GetLength();
    wchar_t* buffer = AsWide(Writable()->GetBuffer(n));
    if (n < length) {
        buffer[n] = L'\0';  // the block may have shrunk below the old text
    }
    return buffer;
}
