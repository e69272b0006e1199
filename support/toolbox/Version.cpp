#include "Version.h"

#include <cwchar>
#include <string>

#include "MsPrintf.h"

namespace OrbelToolbox {

namespace {

uint64_t Pack(uint64_t major, uint64_t minor, uint64_t build, uint64_t revision)
{
    return (((major << 16) | minor) << 32) | ((build << 16) | revision);
}

}  // namespace

Version::Version(const wchar_t* text)
{
    Set(text);
}

void Version::Set(const wchar_t* text)
{
    Clear();
    if (text == nullptr || text[0] == L'\0') {
        return;
    }
    wcsncpy(m_text, text, kMaxTextLength);
    m_text[kMaxTextLength] = L'\0';
    m_value = Parse(text);
}

void Version::Clear()
{
    m_value = 0;
    m_text[0] = L'\0';
}

uint64_t Version::Parse(const wchar_t* text)
{
    if (text == nullptr || text[0] == L'\0') {
        return 0;
    }
    unsigned int parts[4] = {0, 0, 0, 0};
    swscanf(text, L"%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
    return Pack(parts[0], parts[1], parts[2], parts[3]);
}

int Version::CompareValues(uint64_t a, uint64_t b)
{
    if (a == 0 || b == 0) {
        return 0;
    }
    return a < b ? -1 : (a > b ? 1 : 0);
}

int Version::Compare(const Version& other) const
{
    return CompareValues(m_value, other.m_value);
}

int Version::CompareToText(const wchar_t* text) const
{
    return CompareValues(m_value, Parse(text));
}

bool Version::IsInRange(const wchar_t* minimum, const wchar_t* maximum) const
{
    uint64_t low = Parse(minimum);
    if (m_value != 0 && low != 0 && m_value < low) {
        return false;
    }
    return CompareToText(maximum) <= 0;
}

bool Version::Increment(bool productVersionStyle, bool* carried)
{
    if (m_value == 0 || m_text[0] == L'\0') {
        return false;
    }
    uint64_t major = (m_value >> 48) & 0xFFFF;
    uint64_t minor = (m_value >> 32) & 0xFFFF;
    uint64_t build = (m_value >> 16) & 0xFFFF;
    uint64_t revision = m_value & 0xFFFF;
    bool didCarry = false;
    bool ok = true;
    if (productVersionStyle) {
        if (++build > 65535) {
            build = 0;
            ++minor;
            didCarry = true;
        }
        if (minor > 255) {
            minor = 0;
            ++major;
            didCarry = true;
        }
        if (major > 255) {
            ok = false;
            didCarry = true;
        }
    } else {
        if (++revision > 65535) {
            revision = 0;
            ++build;
            didCarry = true;
        }
        if (build > 65535) {
            build = 0;
            ++minor;
            didCarry = true;
        }
        if (minor > 65535) {
            minor = 0;
            ++major;
            didCarry = true;
        }
        if (major > 65535) {
            ok = false;
            didCarry = true;
        }
    }
    if (carried != nullptr) {
        *carried = didCarry;
    }
    if (!ok) {
        return false;
    }
    std::wstring text = (productVersionStyle && revision == 0)
        ? MsFormat(L"%I64u.%I64u.%I64u", major, minor, build)
        : MsFormat(L"%I64u.%I64u.%I64u.%I64u", major, minor, build, revision);
    m_value = Pack(major, minor, build, revision);
    wcsncpy(m_text, text.c_str(), kMaxTextLength);
    m_text[kMaxTextLength] = L'\0';
    return true;
}

}  // namespace OrbelToolbox
