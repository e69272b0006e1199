#include "TextHelpers.h"

#include <ctime>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "MsPrintf.h"

bool ContainsNoLowercase(const wchar_t* text)
{
    for (; *text != L'\0'; ++text) {
        if (iswlower(*text)) {
            return false;
        }
    }
    return true;
}

bool IsAllUppercase(const wchar_t* text)
{
    for (; *text != L'\0'; ++text) {
        if (iswalpha(*text) && !iswupper(*text)) {
            return false;
        }
    }
    return true;
}

int FindGuidSuffix(const wchar_t* name)
{
    if (name == nullptr || name[0] == L'\0') {
        return -1;
    }
    const wchar_t* dot = wcsrchr(name, L'.');
    int position = dot == nullptr ? 0 : static_cast<int>(dot - name) + 1;
    std::wstring candidate(name + position);
    if (candidate.size() > 36) {
        candidate.resize(36);
    }
    for (wchar_t& ch : candidate) {
        ch = static_cast<wchar_t>(towupper(ch));
    }
    unsigned int parts[6] = {};
    if (swscanf(candidate.c_str(), L"%8x_%4x_%4x_%4x_%4x%8x", &parts[0], &parts[1], &parts[2], &parts[3], &parts[4],
            &parts[5])
        != 6) {
        return -1;
    }
    std::wstring canonical
        = MsFormat(L"%08X_%04X_%04X_%04X_%04X%08X", parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]);
    return candidate.find(canonical) != std::wstring::npos ? position : -1;
}

bool HasUnmappableCharacters(const wchar_t* text, UINT codePage)
{
    int size = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return true;  // the code page cannot take the text at all
    }
    std::vector<char> buffer(static_cast<size_t>(size));
    BOOL usedDefault = FALSE;
    if (WideCharToMultiByte(codePage, 0, text, -1, buffer.data(), size, nullptr, &usedDefault) != 0) {
        return usedDefault != FALSE;
    }
    // Code pages that cannot tell whether the default character was used (UTF-7, UTF-8...):
    // a replacement that the text itself did not hold.
    if (WideCharToMultiByte(codePage, 0, text, -1, buffer.data(), size, nullptr, nullptr) == 0) {
        return true;
    }
    size_t questionMarksIn = 0;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        questionMarksIn += *p == L'?';
    }
    size_t questionMarksOut = 0;
    for (char ch : buffer) {
        questionMarksOut += ch == '?';
    }
    return questionMarksOut > questionMarksIn;
}

namespace {
// The longest path the system takes (characters).
const size_t kMaxExpandedLength = 32767;
}  // namespace

void ExpandEnvironmentReferences(CString& text)
{
    // One pass over the text, appending to the result: the time stays linear in the size of
    // the result, which is bounded by the longest path the system takes; past it the rest is
    // kept as it stands (and the path is refused where it is used).
    const std::wstring source = text.GetString();
    std::wstring result;
    result.reserve(source.size());
    size_t pos = 0;
    while (pos < source.size()) {
        const size_t open = source.find(L'%', pos);
        const size_t close = open == std::wstring::npos ? std::wstring::npos : source.find(L'%', open + 1);
        if (close == std::wstring::npos || result.size() > kMaxExpandedLength)
            break;
        const std::wstring name = source.substr(open + 1, close - open - 1);
        std::vector<wchar_t> value(260);
        DWORD length = 0;
        if (!name.empty()) {
            length = GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
            if (length >= value.size()) {
                value.resize(length);
                length = GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
                if (length >= value.size())
                    length = 0;  // changed while being read
            }
        }
        if (length == 0) {
            // Kept as it is; the closing "%" may open the next reference.
            result.append(source, pos, close - pos);
            pos = close;
            continue;
        }
        result.append(source, pos, open - pos);
        result.append(value.data(), length);
        pos = close + 1;
    }
    result.append(source, pos, std::wstring::npos);
    text = result.c_str();
}

CString GetCurrentTimeText()
{
    time_t now = time(nullptr);
    const struct tm* local = localtime(&now);
    const wchar_t* text = local == nullptr ? nullptr : _wasctime(local);
    if (text == nullptr) {
        return CString();
    }
    CString result(text);
    int lineFeed = result.Find(L'\n');
    return lineFeed < 0 ? result : result.Left(lineFeed);
}

bool ReadProfileString(
    const wchar_t* iniFile, const wchar_t* section, const wchar_t* key, CString& value, const wchar_t* defaultText)
{
    DWORD size = 256;
    for (;;) {
        wchar_t* buffer = value.GetBuffer(static_cast<int>(size));
        DWORD length = GetPrivateProfileStringW(section, key, defaultText, buffer, size, iniFile);
        value.ReleaseBuffer(static_cast<int>(length < size ? length : size - 1));
        if (length < size - 1) {
            break;
        }
        size += 256;
    }
    return !value.IsEmpty();
}
