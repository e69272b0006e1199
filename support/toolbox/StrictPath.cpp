#include "StrictPath.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <exception>

#include "ContextMessage.h"
#include "OrbelOutput.h"
#include "PathStrings.h"
#include "DynamicLibrary.h"
#include "ToolboxFailure.h"

namespace OrbelToolbox {

namespace {

constexpr wchar_t kErrorInFunction[] = L"OrbelToolbox: Error in %s function";
constexpr wchar_t kInvalidCharacter[] = L"             Path has invalid character at index %d: %s";
constexpr wchar_t kTooLong[] = L"             Path too long: current length is %d; append length is %d; MAX_PATH is %d";

bool StartsWithParentStep(const wchar_t* text)
{
    return text[0] == L'.' && text[1] == L'.' && text[2] == L'\\';
}

// Removes `count` units at `at`, shifting the rest (terminator included) to the left.
void EraseAt(wchar_t* text, size_t at, size_t count)
{
    wmemmove(text + at, text + at + count, wcslen(text + at + count) + 1);
}

}  // namespace

UINT GetPathCharTypeBuiltIn(wchar_t c)
{
    if (c == L'\0') {
        return kPathCharLongName | kPathCharShortName;
    }
    if (c < 0x20 || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L'/') {
        return kPathCharInvalid;
    }
    if (c == L' ' || c == L',' || c == L';') {
        return kPathCharLongName;
    }
    if (c == L'*' || c == L'?') {
        return kPathCharWild;
    }
    if (c == L':' || c == L'\\') {
        return kPathCharSeparator;
    }
    return kPathCharLongName | kPathCharShortName;
}

UINT GetPathCharType(wchar_t c)
{
    static DynamicFunctionW<UINT> getCharType(&ShlwapiLibrary(), "PathGetCharType");
    if (getCharType.IsLoaded()) {
        return getCharType(static_cast<WCHAR>(c));
    }
    return GetPathCharTypeBuiltIn(c);
}

// The value of a path before an operation, put back when the operation fails.
struct StrictPath::Snapshot {
    explicit Snapshot(StrictPath& path)
        : m_path(path), m_text(path.m_text), m_attributes(path.m_attributes), m_unwinding(std::uncaught_exceptions())
    {
    }
    ~Snapshot()
    {
        if (std::uncaught_exceptions() > m_unwinding) {
            wmemcpy(m_path.m_text, m_text.c_str(), m_text.size() + 1);
            m_path.m_attributes = m_attributes;
        }
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    StrictPath& m_path;
    std::wstring m_text;
    DWORD m_attributes;
    int m_unwinding;
};

StrictPath::WritableBuffer::WritableBuffer(StrictPath& path, DWORD attributes)
    : m_path(path), m_buffer(path.m_text), m_attributes(attributes), m_previousText(path.m_text),
      m_previousAttributes(path.m_attributes), m_unwinding(std::uncaught_exceptions())
{
}

StrictPath::WritableBuffer::~WritableBuffer() noexcept(false)
{
    try {
        m_path.ReleaseBuffer(m_attributes);
    } catch (...) {
        wmemcpy(m_path.m_text, m_previousText.c_str(), m_previousText.size() + 1);
        m_path.m_attributes = m_previousAttributes;
        if (std::uncaught_exceptions() == m_unwinding) {
            throw;
        }
    }
}

StrictPath::StrictPath(DWORD attributes) : m_attributes(attributes), m_text() { }

StrictPath::StrictPath(const wchar_t* text, DWORD attributes) : m_attributes(attributes), m_text()
{
    ContextMessageHolder context(kErrorInFunction, L"OrbelToolbox::StrictPath::StrictPath");
    CheckInput(text, L"strPath");
    CopyText(text);
    if (!HasAttributes(P4Path)) {
        Validate();
        AddTrailingBackslash();
        Normalize();
    }
}

StrictPath::StrictPath(const StrictPath& other, DWORD attributes) : m_attributes(attributes), m_text()
{
    ContextMessageHolder context(kErrorInFunction, L"OrbelToolbox::StrictPath::StrictPath");
    CopyText(other.m_text);
    if (!HasAttributes(P4Path)) {
        Validate();
        AddTrailingBackslash();
    }
}

StrictPath::StrictPath(const StrictPath& other) : m_attributes(other.m_attributes), m_text()
{
    wmemcpy(m_text, other.m_text, kUnits);
}

StrictPath::~StrictPath() = default;

StrictPath& StrictPath::operator=(const StrictPath& other)
{
    if (&other != this) {
        ContextMessageHolder context(kErrorInFunction, L"OrbelToolbox::StrictPath::operator=");
        Snapshot snapshot(*this);
        CopyText(other.m_text);
        ChangeAttributes(other.m_attributes & 0xFFFF, 0xFFFF00FF);
    }
    return *this;
}

StrictPath& StrictPath::operator+=(const StrictPath& other)
{
    ContextMessageHolder context(kErrorInFunction, L"OrbelToolbox::StrictPath::operator+=");
    Snapshot snapshot(*this);
    DoAppend(other.m_text, other.m_attributes & 0xFFFF);
    return *this;
}

StrictPath StrictPath::operator+(const StrictPath& other) const
{
    ContextMessageHolder context(kErrorInFunction, L"OrbelToolbox::StrictPath::operator+");
    StrictPath result(*this);
    result += other;
    return result;
}

bool StrictPath::operator==(const StrictPath& other) const
{
    return Compare(other) == 0;
}

bool StrictPath::operator!=(const StrictPath& other) const
{
    return Compare(other) != 0;
}

bool StrictPath::operator<(const StrictPath& other) const
{
    return Compare(other) < 0;
}

bool StrictPath::operator>(const StrictPath& other) const
{
    return Compare(other) > 0;
}

bool StrictPath::operator<=(const StrictPath& other) const
{
    return Compare(other) < 1;
}

bool StrictPath::operator>=(const StrictPath& other) const
{
    return Compare(other) >= 0;
}

void StrictPath::Assign(const wchar_t* text, DWORD attributes)
{
    ContextMessageHolder context(kErrorInFunction, L"OrbelToolbox::StrictPath::Assign");
    Snapshot snapshot(*this);
    CheckInput(text, L"strPath");
    CopyText(text);
    m_attributes = attributes | (m_attributes & OptionMask);
    if (!HasAttributes(P4Path)) {
        Validate();
        AddTrailingBackslash();
        Normalize();
    }
}

void StrictPath::Append(const wchar_t* text, DWORD attributes)
{
    ContextMessageHolder context(kErrorInFunction, L"OrbelToolbox::StrictPath::Append");
    Snapshot snapshot(*this);
    CheckInput(text, L"pathToAppend");
    DoAppend(text, attributes);
    Normalize();
}

void StrictPath::Clear()
{
    m_text[0] = L'\0';
}

bool StrictPath::IsEmpty() const
{
    return m_text[0] == L'\0';
}

int StrictPath::Compare(const StrictPath& other) const
{
    const int mine = static_cast<int>(m_attributes & 0xFF);
    const int theirs = static_cast<int>(other.m_attributes & 0xFF);
    if (mine != theirs) {
        return mine - theirs;
    }
    return _wcsicmp(m_text, other.m_text);
}

void StrictPath::GetParentDirectory()
{
    ContextMessageHolder context(kErrorInFunction, L"OrbelToolbox::StrictPath::GetParentDirectory");
    if (HasAttributes(P4Path)) {
        Refuse(-40, L"             StrictPath does not support getting parent directory of P4 paths %s", m_text);
    }
    Snapshot snapshot(*this);
    RemoveLastPathElement(m_text);
    ChangeAttributes(Directory, KindMask);
}

void StrictPath::GetRelativePath(const StrictPath& base, StrictPath& result) const
{
    ContextMessageHolder context(kErrorInFunction, L"OrbelToolbox::StrictPath::GetRelativePath");
    result.Clear();
    const size_t baseLength = base.Length();
    if (_wcsnicmp(m_text, base.m_text, baseLength) == 0) {
        result.Assign(m_text + baseLength, m_attributes);
        return;
    }
    StrictPath parent(base);
    parent.GetParentDirectory();
    if (parent.IsEmpty()) {
        return;
    }
    StrictPath relative(result.m_attributes);
    GetRelativePath(parent, relative);
    if (!relative.IsEmpty()) {
        const std::wstring text = std::wstring(L"..\\") + relative.m_text;
        if (text.size() > kMaxLength) {
            Refuse(-41, kTooLong, static_cast<int>(3), static_cast<int>(relative.Length()), static_cast<int>(kUnits));
        }
        result.Assign(text.c_str(), relative.m_attributes);
    }
}

void StrictPath::ChangeAttributes(DWORD value, DWORD mask)
{
    if (value == (mask & m_attributes)) {
        return;
    }
    ContextMessageHolder context(kErrorInFunction, L"OrbelToolbox::StrictPath::ChangeAttributes");
    Snapshot snapshot(*this);
    m_attributes = value | (m_attributes & ~mask);
    if (!HasAttributes(P4Path)) {
        Validate();
        AddTrailingBackslash();
    }
}

void StrictPath::ReleaseBuffer(DWORD attributes)
{
    ContextMessageHolder context(kErrorInFunction, L"OrbelToolbox::StrictPath::ReleaseBuffer");
    const DWORD previous = m_attributes;
    m_text[kMaxLength] = L'\0';
    m_attributes = attributes | (previous & OptionMask);
    try {
        if (!HasAttributes(P4Path)) {
            Validate();
            AddTrailingBackslash();
            Normalize();
        }
    } catch (...) {
        // The text written is not a valid path: the path must not keep it.
        m_text[0] = L'\0';
        m_attributes = previous;
        throw;
    }
}

bool StrictPath::IsAbsolute() const
{
    static DynamicFunctionW<BOOL> pathIsRelative(&ShlwapiLibrary(), "PathIsRelative");
    if (pathIsRelative.IsLoaded()) {
        return pathIsRelative(static_cast<LPCWSTR>(m_text)) == FALSE;
    }
    if (IsEmpty()) {
        return false;
    }
    return (m_text[0] == L'\\' && m_text[1] == L'\\') || m_text[1] == L':';
}

bool StrictPath::IsDriveLetter() const
{
    return !IsEmpty() && iswalpha(m_text[0]) && m_text[1] == L':';
}

bool StrictPath::GetLocalDeviceName(std::wstring& device) const
{
    if (!IsDriveLetter()) {
        return false;
    }
    device.assign(m_text, 2);
    return true;
}

void StrictPath::GetVolume(bool useSystem)
{
    constexpr wchar_t kFunction[] = L"OrbelToolbox::StrictPath::GetVolume";
    ContextMessageHolder context(kErrorInFunction, kFunction);
    if (!IsAbsolute()) {
        Refuse(-40, L"OrbelToolbox: Non-absolute path '%s' passed to %s", m_text, kFunction);
    }
    if (useSystem) {
        static DynamicFunctionW<BOOL> getVolumePathName(&Kernel32Library(), "GetVolumePathName");
        wchar_t volume[kUnits] = {};
        if (getVolumePathName.IsLoaded()
            && getVolumePathName(static_cast<LPCWSTR>(m_text), static_cast<LPWSTR>(volume), static_cast<DWORD>(kUnits))
            && volume[0] != L'\0') {
            Assign(volume, Directory);
            return;
        }
        // Without an answer of the system the text decides, as below.
    }
    if (m_text[1] == L':') {
        if (Length() > 3) {
            m_text[3] = L'\0';
        }
        return;
    }
    if (m_text[0] == L'\\' && m_text[1] == L'\\') {
        wchar_t* serverEnd = wcschr(m_text + 2, L'\\');
        wchar_t* shareEnd = serverEnd ? wcschr(serverEnd + 1, L'\\') : nullptr;
        if (shareEnd == nullptr) {
            Refuse(-40, L"OrbelToolbox: Invalid path '%s' passed to %s", m_text, kFunction);
        }
        shareEnd[1] = L'\0';
    }
}

void StrictPath::GetCommonRoot(const StrictPath& other, StrictPath& result) const
{
    ContextMessageHolder context(kErrorInFunction, L"OrbelToolbox::StrictPath::GetCommonRoot");
    result.Clear();
    const wchar_t* mine = m_text;
    const wchar_t* theirs = other.m_text;
    size_t common = 0;
    size_t start = 0;
    if (mine[0] == L'\\' && mine[1] == L'\\') {
        if (!(theirs[0] == L'\\' && theirs[1] == L'\\')) {
            return;
        }
        start = 2;  // the first element runs through the end of the server name
    }
    for (;;) {
        const wchar_t* myEnd = wcschr(mine + common + start, L'\\');
        const wchar_t* theirEnd = wcschr(theirs + common + start, L'\\');
        start = 0;
        if (myEnd == nullptr || theirEnd == nullptr) {
            break;
        }
        const size_t myLength = static_cast<size_t>(myEnd - (mine + common)) + 1;
        const size_t theirLength = static_cast<size_t>(theirEnd - (theirs + common)) + 1;
        if (myLength != theirLength || _wcsnicmp(mine + common, theirs + common, myLength) != 0) {
            break;
        }
        common += myLength;
    }
    if (common > 0) {
        WritableBuffer buffer(result, Directory);
        wmemcpy(buffer.Get(), mine, common);
        buffer.Get()[common] = L'\0';
    }
}

void StrictPath::ChangeFileExtension(const wchar_t* extension)
{
    ContextMessageHolder context(kErrorInFunction, L"OrbelToolbox::StrictPath::ChangeFileExtension");
    if (IsKind(Directory)) {
        Refuse(-40, L"             Cannot change extension of directory: %s", m_text);
    }
    if (extension == nullptr) {
        Refuse(-40, L"             Input path %s is NULL", L"extension");
    }
    if (extension[0] == L'.') {
        ++extension;
    }
    std::wstring text(m_text);
    const size_t dot = text.rfind(L'.');
    if (dot == std::wstring::npos) {
        text += L'.';
    } else {
        text.erase(dot + 1);
    }
    text += extension;
    text.resize(std::min(text.size(), kMaxLength));
    wmemcpy(m_text, text.c_str(), text.size() + 1);
}

void StrictPath::RemoveTrailingBackslash(std::wstring& out) const
{
    if (IsEmpty()) {
        return;
    }
    wchar_t buffer[kUnits];
    wmemcpy(buffer, m_text, kUnits);
    static DynamicFunctionW<LPWSTR> removeBackslash(&ShlwapiLibrary(), "PathRemoveBackslash");
    if (removeBackslash.IsLoaded()) {
        removeBackslash(static_cast<LPWSTR>(buffer));
    } else {
        const size_t length = wcslen(buffer);
        if (buffer[length - 1] == L'\\' && length != 3) {
            buffer[length - 1] = L'\0';
        }
    }
    out = buffer;
}

void StrictPath::CheckInput(const wchar_t* text, const wchar_t* argumentName) const
{
    if (text == nullptr) {
        Refuse(-40, L"             Input path %s is NULL", argumentName);
    }
    if (wcslen(text) >= kUnits && !HasAttributes(AllowLong)) {
        Refuse(-41, L"             Input path %s is longer than MAX_PATH: %s", argumentName, text);
    }
    if (!HasAttributes(P4Path) && text[0] == L'\\' && text[1] != L'\\') {
        Refuse(-41, L"             Input path %s has a leading backslash; leading backslashes are not supported: %s",
            argumentName, text);
    }
}

void StrictPath::CopyText(const wchar_t* text)
{
    wcsncpy(m_text, text, kMaxLength);
    m_text[kMaxLength] = L'\0';
}

void StrictPath::Validate()
{
    if (HasAttributes(MustBeAbsolute) && !IsEmpty() && !IsAbsolute()) {
        Refuse(-41, L"             Invalid path - must be absolute: %s", m_text);
    }
    if (HasAttributes(MustBeRelative) && !IsEmpty() && IsAbsolute()) {
        Refuse(-41, L"             Invalid path - must be relative: %s", m_text);
    }
    const bool repair = HasAttributes(RepairInvalid);
    bool endsWithSeparator = false;
    for (int i = 0; m_text[i] != L'\0'; ++i) {
        endsWithSeparator = false;
        wchar_t& c = m_text[i];
        const UINT type = GetPathCharType(c);
        if (type == kPathCharInvalid) {
            if (!repair) {
                Refuse(-41, kInvalidCharacter, i, m_text);
            }
            c = L'_';
        } else if (type & kPathCharWild) {
            if (!HasAttributes(AllowWild)) {
                if (!repair) {
                    Refuse(-41, L"             Invalid path - wild character at index %d not allowed: %s", i, m_text);
                }
                c = L'_';
            }
        } else if (type & kPathCharSeparator) {
            if (IsKind(FileName) || (c == L':' && i != 1)) {
                if (!repair) {
                    Refuse(-41, kInvalidCharacter, i, m_text);
                }
                c = L'-';
            } else {
                // A drive's colon is a separator but never a trailing backslash (a bare "C:").
                endsWithSeparator = c != L':';
            }
        }
    }
    if (endsWithSeparator && !IsKind(Directory)) {
        if (!repair) {
            Refuse(-41, L"             Path has a trailing backslash but is not a directory: %s", m_text);
        }
        m_text[Length() - 1] = L'-';
    }
    if (m_text[1] == L':' && IsAbsolute()) {
        if (!iswalpha(m_text[0])) {
            Refuse(-41, L"             Path has an invalid drive letter: %s", m_text);
        }
        if (m_text[2] != L'\\' && m_text[2] != L'\0') {
            Refuse(-41, L"             Path is missing a backslash after the drive letter: %s", m_text);
        }
    }
}

void StrictPath::AddTrailingBackslash()
{
    const size_t length = Length();
    if (!IsKind(Directory) || length == 0 || length >= kMaxLength) {
        return;
    }
    static DynamicFunctionW<LPWSTR> addBackslash(&ShlwapiLibrary(), "PathAddBackslash");
    if (addBackslash.IsLoaded()) {
        addBackslash(static_cast<LPWSTR>(m_text));
    } else if (m_text[length - 1] != L'\\') {
        m_text[length] = L'\\';
        m_text[length + 1] = L'\0';
    }
}

void StrictPath::Normalize()
{
    if (HasAttributes(P4Path)) {
        return;
    }
    if (m_text[0] == L'.' && m_text[1] == L'\\') {
        EraseAt(m_text, 0, 2);
    }
    size_t i = 0;
    while (m_text[i] != L'\0') {
        if (m_text[i] != L'\\') {
            ++i;
            continue;
        }
        const wchar_t* next = m_text + i + 1;
        if (next[0] == L'\\' && i != 0) {
            EraseAt(m_text, i, 1);  // a doubled backslash; the leading pair of a UNC path stays
        } else if (next[0] == L'.' && next[1] == L'\\') {
            EraseAt(m_text, i + 1, 2);
        } else if (i != 0 && StartsWithParentStep(next)) {
            // The element before the step goes with it.
            size_t elementStart = 0;
            for (size_t j = i; j > 0; --j) {
                if (m_text[j - 1] == L'\\') {
                    elementStart = j;
                    break;
                }
            }
            const bool aboveRoot = m_text[i - 1] == L':' || (elementStart == 2 && m_text[0] == L'\\');
            const bool leadingSteps = elementStart == 0 && StartsWithParentStep(m_text);
            const bool stepOverStep
                = i - elementStart == 2 && m_text[elementStart] == L'.' && m_text[elementStart + 1] == L'.';
            if (aboveRoot || leadingSteps || stepOverStep) {
                ++i;
                continue;
            }
            EraseAt(m_text, elementStart, i + 4 - elementStart);
            i = elementStart;  // look again at what moved into place
        } else {
            ++i;
        }
    }
}

void StrictPath::DoAppend(const wchar_t* text, DWORD attributes)
{
    const std::wstring before(m_text);
    ContextMessageHolder context(L"             Cannot append %s with %s", before.c_str(), text ? text : L"");
    if (HasAttributes(P4Path) || (attributes & P4Path)) {
        Refuse(-40, L"             StrictPath does not support appending with/to P4 paths.");
    }
    if (!IsKind(Directory)) {
        Refuse(-40, L"             First path does not have directory attribute");
    }
    if (text[0] == L'\0') {
        return;
    }
    while (StartsWithParentStep(text)) {
        GetParentDirectory();
        text += 3;
    }
    const bool partIsDirectory = (attributes & KindMask) == Directory;
    const size_t length = Length();
    size_t appendLength = wcslen(text);
    const bool needsBackslash = partIsDirectory && (appendLength == 0 || text[appendLength - 1] != L'\\');
    if (length >= kMaxLength || (length == kMaxLength - 1 && needsBackslash)) {
        Refuse(-41, kTooLong, static_cast<int>(length), static_cast<int>(appendLength), static_cast<int>(kUnits));
    }
    if (length + appendLength >= kMaxLength) {
        if (!HasAttributes(AllowLong)) {
            Refuse(-41, kTooLong, static_cast<int>(length), static_cast<int>(appendLength), static_cast<int>(kUnits));
        }
        appendLength = (partIsDirectory ? kMaxLength - 1 : kMaxLength) - length;
    }
    wmemcpy(m_text + length, text, appendLength);
    m_text[length + appendLength] = L'\0';
    const DWORD part = (attributes & KindMask) == FileName ? 0 : attributes;
    m_attributes = part | (m_attributes & ~KindMask);
    Validate();
    AddTrailingBackslash();
}

}  // namespace OrbelToolbox
