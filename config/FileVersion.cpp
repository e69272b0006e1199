#include "FileVersion.h"

#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "MsPrintf.h"

bool QueryFileVersion(const wchar_t* path, DWORD& mostSignificant, DWORD& leastSignificant)
{
    mostSignificant = 0;
    leastSignificant = 0;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0) {
        DWORD error = GetLastError();
        if (error != 0) {
            SetLastError(error);
            return false;
        }
    }
    DWORD error = 0;
    std::vector<BYTE> block;
    try {
        block.resize(size);
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
    }
    if (error == 0) {
        VS_FIXEDFILEINFO* info = nullptr;
        UINT infoSize = 0;
        if (size != 0 && GetFileVersionInfoW(path, 0, size, block.data())
            && VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) && info != nullptr
            && infoSize >= sizeof(VS_FIXEDFILEINFO)) {
            mostSignificant = info->dwFileVersionMS;
            leastSignificant = info->dwFileVersionLS;
        } else {
            error = GetLastError();
            if (error == 0) {
                error = ERROR_RESOURCE_TYPE_NOT_FOUND;  // a block without a fixed version
            }
        }
    }
    SetLastError(error);
    return error == 0;
}

bool GetFileVersion(const wchar_t* path, uint64_t& version)
{
    DWORD ms = 0;
    DWORD ls = 0;
    bool ok = QueryFileVersion(path, ms, ls);
    version = (static_cast<uint64_t>(ms) << 32) | ls;
    return ok;
}

bool GetFileVersionString(const wchar_t* path, CString& text)
{
    DWORD ms = 0;
    DWORD ls = 0;
    bool ok = QueryFileVersion(path, ms, ls);
    DWORD error = GetLastError();
    text.Format(L"%u.%u.%u.%u", HIWORD(ms), LOWORD(ms), HIWORD(ls), LOWORD(ls));
    SetLastError(error);
    return ok;
}

uint64_t ParseVersionString(const wchar_t* text)
{
    unsigned int parts[4] = {0, 0, 0, 0};
    if (text != nullptr) {
        swscanf(text, L"%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
    }
    return (static_cast<uint64_t>(parts[0]) << 48) | (static_cast<uint64_t>(parts[1]) << 32)
        | (static_cast<uint64_t>(parts[2]) << 16) | parts[3];
}

void ParseVersionStringHalves(const wchar_t* text, DWORD& mostSignificant, DWORD& leastSignificant)
{
    uint64_t version = ParseVersionString(text);
    mostSignificant = static_cast<DWORD>(version >> 32);
    leastSignificant = static_cast<DWORD>(version);
}

int FormatVersion(const DWORD* mostSignificant, const DWORD* leastSignificant, wchar_t* out, int parts)
{
    unsigned int major = HIWORD(*mostSignificant);
    unsigned int minor = LOWORD(*mostSignificant);
    unsigned int build = HIWORD(*leastSignificant);
    unsigned int revision = LOWORD(*leastSignificant);
    std::wstring text;
    if (parts >= 4) {
        text = MsFormat(L"%u.%u.%u.%u", major, minor, build, revision);
    } else if (parts == 3) {
        text = MsFormat(L"%u.%u.%u", major, minor, build);
    } else if (parts == 2) {
        text = MsFormat(L"%u.%u", major, minor);
    } else {
        text = MsFormat(L"%u", major);
    }
    wcsncpy(out, text.c_str(), kVersionTextSize - 1);
    out[kVersionTextSize - 1] = L'\0';
    return static_cast<int>(wcslen(out));
}

int FormatVersion64(const uint64_t* version, wchar_t* out, int parts)
{
    DWORD ms = static_cast<DWORD>(*version >> 32);
    DWORD ls = static_cast<DWORD>(*version);
    return FormatVersion(&ms, &ls, out, parts);
}
