#include "IniReader.h"

#include <climits>

#include "ConfigInfo.h"
#include "InstallerErrors.h"
#include "PathHelpers.h"
#include "Resources.h"

#include <cwchar>
#include <cwctype>
#include <new>

// Errors thrown here name this module and the line.
static const char kSource[] = "ConfigInfo";

namespace {

// First buffer sizes (characters); a buffer that proves too small is doubled.
const int kValueInitial = 256;
const int kSectionInitial = 64;

bool IsBlank(wchar_t ch)
{
    return std::iswspace(ch) != 0;
}

CString Trimmed(const wchar_t* begin, const wchar_t* end)
{
    while (begin < end && IsBlank(*begin))
        ++begin;
    while (end > begin && IsBlank(end[-1]))
        --end;
    return CString(begin, static_cast<int>(end - begin));
}

}  // namespace

int ParseLeadingNumber(const wchar_t* value, bool* digits)
{
    // Digits only after optional blanks: a sign makes it no number.
    if (digits)
        *digits = false;
    if (!value)
        return 0;
    while (*value == L' ' || *value == L'\t')
        ++value;
    if (*value < L'0' || *value > L'9')
        return 0;
    if (digits)
        *digits = true;
    long long number = 0;
    for (const wchar_t* p = value; *p >= L'0' && *p <= L'9'; ++p) {
        number = number * 10 + (*p - L'0');
        if (number > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(number);
}

int ParseSignedNumber(const wchar_t* value, bool* digits)
{
    if (digits)
        *digits = false;
    if (!value)
        return 0;
    wchar_t* end = nullptr;
    long number = std::wcstol(value, &end, 10);
    if (end == value)
        return 0;
    if (digits)
        *digits = true;
    return static_cast<int>(number);
}

bool IsStringIdText(const wchar_t* value, UINT& id)
{
    int number = ParseLeadingNumber(value);
    id = static_cast<UINT>(number);
    return number != 0;
}

bool CConfigInfo::ReadString(
    const wchar_t* section, const wchar_t* key, CString& out, const wchar_t* defaultText, HMODULE module) const
{
    std::vector<wchar_t> buffer(kValueInitial);
    for (;;) {
        DWORD length = ::GetPrivateProfileStringW(
            section, key, defaultText ? defaultText : L"", buffer.data(), static_cast<DWORD>(buffer.size()), m_iniPath);
        // A value that filled the buffer may have been cut: read it again with more room.
        if (length < buffer.size() - 1)
            break;
        buffer.resize(buffer.size() * 2);  // doubled: re-reading stays linear overall
    }
    out = buffer.data();
    if (out.IsEmpty())
        return false;
    if (module) {
        UINT id = static_cast<UINT>(ParseLeadingNumber(out));
        try {
            LoadStringResource(module, id, out);
        } catch (const ResourceNotFound& error) {
            unsigned long lastError = error.Argument<4>();
            CString debugText;
            debugText.Format(
                L"Failed load %%2 resource %%3 from module %%1.\r\nWindowsError %%4. From [%s] %s", section, key);
            throw ResourceNotFound(
                kSource, __LINE__, module, L"RT_STRING", ResourceIdOrName(id & 0xFFFF), lastError, debugText);
        }
    }
    return true;
}

bool CConfigInfo::ReadInt(const wchar_t* section, const wchar_t* key, int& out, int defaultValue, HMODULE module) const
{
    CString defaultText;
    defaultText.Format(L"%d", defaultValue);
    CString text;
    ReadString(section, key, text, defaultText, module);
    bool digits = false;
    out = ParseSignedNumber(text, &digits);
    return digits;
}

int CConfigInfo::ReadSection(const wchar_t* section, IniSectionMap& out) const
{
    out.clear();
    if (!FileExists(m_iniPath))
        throw NoIniFile(kSource, __LINE__, m_iniPath, L"File %1 not found.");

    std::vector<wchar_t> buffer(kSectionInitial);
    DWORD length = 0;
    for (;;) {
        length = ::GetPrivateProfileSectionW(section, buffer.data(), static_cast<DWORD>(buffer.size() - 1), m_iniPath);
        // A section that did not fit comes back cut at size - 2.
        if (length < buffer.size() - 3)
            break;
        buffer.resize(buffer.size() * 2);  // doubled: re-reading stays linear overall
    }
    buffer[length] = L'\0';
    buffer[length + 1] = L'\0';

    int lines = 0;
    for (const wchar_t* line = buffer.data(); *line; line += std::wcslen(line) + 1) {
        ++lines;
        const wchar_t* equals = std::wcschr(line, L'=');
        CString key = equals ? CString(line, static_cast<int>(equals - line)) : CString(line);
        CString value = equals ? CString(equals + 1) : CString();
        out.insert(IniSectionMap::value_type(key, value));  // never replaces: the first line wins
    }
    return lines;
}

int CConfigInfo::SplitString(const wchar_t* text, wchar_t separator, IniStringList& pieces)
{
    if (!text)
        return 0;
    int count = 0;
    const wchar_t* start = text;
    for (const wchar_t* at = std::wcschr(start, separator); at; at = std::wcschr(start, separator)) {
        pieces.push_back(Trimmed(start, at));
        ++count;
        start = at + 1;
    }
    if (*start) {
        pieces.push_back(Trimmed(start, start + std::wcslen(start)));
        ++count;
    }
    return count;
}

void CConfigInfo::LoadStringResource(HMODULE module, UINT id, CString& out) const
{
    // Read inside the string table's block only: a corrupt module has no such string.
    const wchar_t* text = nullptr;
    int length = 0;
    if (!FindStringResource(module, id, text, length)) {
        throw ResourceNotFound(kSource, __LINE__, module, L"RT_STRING", ResourceIdOrName(id & 0xFFFF), ::GetLastError(),
            L"Failed load %2 resource %3 from module %1.\r\nWindowsError %4");
    }
    out = CString(text, length);
}

void CConfigInfo::ResolveTextValue(HMODULE module, const wchar_t* value, CString& out) const
{
    UINT id = 0;
    if (IsStringIdText(value, id))
        LoadStringResource(module, id, out);
    else
        out = value;
}

CPath CConfigInfo::ResolveConfigPath(const wchar_t* value) const
{
    if (CPath::IsAbsolute(value))
        return CPath(value);
    CPath path(m_configFolder);
    path.Append(value);
    return path;
}
