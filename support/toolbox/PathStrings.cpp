#include "PathStrings.h"

#include <objbase.h>

#include <cwchar>
#include <cwctype>
#include <string>

#include "MsPrintf.h"
#include "DynamicLibrary.h"
#include "ToolboxFailure.h"

namespace OrbelToolbox {

namespace {

constexpr size_t kGuidTextUnits = 39;

void RefuseNull(const wchar_t* functionName)
{
    Refuse(-40, L"OrbelToolbox: Passed NULL string to %s", functionName);
}

bool IsUrlSafe(wchar_t c, bool unc)
{
    if (iswalnum(c) || c == L':' || c == L'/' || c == L'.' || c == L'_') {
        return true;
    }
    return unc && !iswspace(c);
}

// "%xx" for each UTF-8 byte of the character (a surrogate pair travels as one character).
void AppendEscaped(std::wstring& out, const wchar_t* c, size_t units)
{
    char bytes[8] = {};
    int count = WideCharToMultiByte(CP_UTF8, 0, c, static_cast<int>(units), bytes, sizeof(bytes), nullptr, nullptr);
    for (int i = 0; i < count; ++i) {
        out += MsFormat(L"%%%02x", static_cast<unsigned>(static_cast<unsigned char>(bytes[i])));
    }
}

}  // namespace

void AppendLastSlash(wchar_t* path)
{
    if (path == nullptr) {
        RefuseNull(L"OrbelToolbox::AppendLastSlash");
    }
    size_t length = wcslen(path);
    if (length > 0 && path[length - 1] != L'\\') {
        path[length] = L'\\';
        path[length + 1] = L'\0';
    }
}

wchar_t* RemoveLastSlash(wchar_t* path)
{
    if (path == nullptr) {
        RefuseNull(L"OrbelToolbox::RemoveLastSlash");
    }
    wchar_t* last = wcsrchr(path, L'\\');
    if (last != nullptr && last[1] == L'\0') {
        *last = L'\0';
    }
    return last;
}

void RemoveLastPathElement(wchar_t* path)
{
    if (path == nullptr) {
        RefuseNull(L"OrbelToolbox::RemoveLastSlash");
    }
    RemoveLastSlash(path);
    wchar_t* last = wcsrchr(path, L'\\');
    if (last != nullptr) {
        last[1] = L'\0';
    } else {
        path[0] = L'\0';
    }
}

void StripToFileName(wchar_t* path)
{
    if (path == nullptr || path[0] == L'\0') {
        return;
    }
    const wchar_t* separator = wcsrchr(path, L'\\');
    if (separator == nullptr) {
        separator = wcsrchr(path, L':');
    }
    if (separator != nullptr) {
        const std::wstring name(separator + 1);
        wmemcpy(path, name.c_str(), name.size() + 1);
    }
}

void StripToExtension(wchar_t* name)
{
    if (name == nullptr || name[0] == L'\0') {
        return;
    }
    const wchar_t* dot = wcsrchr(name, L'.');
    if (dot == nullptr) {
        name[0] = L'\0';
        return;
    }
    const std::wstring extension(dot + 1);
    wmemcpy(name, extension.c_str(), extension.size() + 1);
}

void SplitAtLastBar(const wchar_t* text, wchar_t* first, wchar_t* second)
{
    std::wstring before;
    std::wstring after;
    if (text != nullptr && text[0] != L'\0') {
        const wchar_t* bar = wcsrchr(text, L'|');
        if (bar == nullptr) {
            before = after = text;
        } else {
            before.assign(text, bar);
            after = bar + 1;
        }
    }
    if (first != nullptr) {
        wmemcpy(first, before.c_str(), before.size() + 1);
    }
    if (second != nullptr) {
        wmemcpy(second, after.c_str(), after.size() + 1);
    }
}

void CreateGuidText(wchar_t* out)
{
    if (out == nullptr) {
        return;
    }
    out[0] = L'\0';
    GUID guid;
    if (FAILED(CoCreateGuid(&guid))) {
        return;
    }
    if (StringFromGUID2(guid, out, static_cast<int>(kGuidTextUnits)) == 0) {
        out[0] = L'\0';
        return;
    }
    for (wchar_t* c = out; *c != L'\0'; ++c) {
        *c = towupper(*c);
    }
}

bool IsUncPath(const wchar_t* path)
{
    static DynamicFunctionW<BOOL> pathIsUnc(&ShlwapiLibrary(), "PathIsUNC");
    if (pathIsUnc.IsLoaded()) {
        return pathIsUnc(path) != FALSE;
    }
    return path != nullptr && path[0] == L'\\' && path[1] == L'\\' && wcschr(path + 2, L'\\') != nullptr;
}

void EscapeUrlPath(wchar_t* path)
{
    if (path == nullptr) {
        RefuseNull(L"OrbelToolbox::EscapeUrlPath");
    }
    const bool unc = IsUncPath(path);
    static DynamicFunctionW<HRESULT> urlEscape(&ShlwapiLibrary(), "UrlEscape");
    if (!unc && urlEscape.IsLoaded()) {
        wchar_t work[kUrlPathUnits] = {};
        DWORD size = kUrlPathUnits;
        HRESULT result = urlEscape(static_cast<LPCWSTR>(path), static_cast<LPWSTR>(work), &size, DWORD{0});
        if (result != S_OK) {
            RefuseWindowsError(static_cast<DWORD>(result), L"UrlEscapeFunc");
        }
        wmemcpy(path, work, kUrlPathUnits);
        path[kUrlPathUnits - 1] = L'\0';
        return;
    }

    std::wstring out;
    for (size_t i = 0; path[i] != L'\0'; ++i) {
        const wchar_t c = path[i];
        if (c == L'\\') {
            out += (unc && i < 2) ? L'\\' : L'/';
        } else if (IsUrlSafe(c, unc)) {
            out += c;
        } else {
            const bool pair = IS_HIGH_SURROGATE(c) && IS_LOW_SURROGATE(path[i + 1]);
            AppendEscaped(out, path + i, pair ? 2 : 1);
            if (pair) {
                ++i;
            }
        }
    }
    if (out.size() >= kUrlPathUnits) {
        Refuse(-41, L"             Path is too long for its URL form: %s", path);
    }
    wmemcpy(path, out.c_str(), out.size() + 1);
}

const wchar_t* CharAt(const wchar_t* text, size_t index)
{
    return text + index;
}

size_t ClampIndex(const wchar_t* text, size_t index)
{
    const size_t length = wcslen(text);
    return index < length ? index : length;
}

}  // namespace OrbelToolbox
