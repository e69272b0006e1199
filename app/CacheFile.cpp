#include "CacheFile.h"

#include <cstdio>

#include "VelmoInstaller.h"

namespace {

const wchar_t kHeader[] = L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<orbelInstallerCacheFile>\r\n";
const wchar_t kTrailer[] = L"\r\n</orbelInstallerCacheFile>\r\n";

struct Entity {
    wchar_t character;
    const wchar_t* replacement;
};

// In the order they are applied: the ampersand first.
const Entity kEntities[] = {
    {L'&', L"&amp;"},
    {L'<', L"&lt;"},
    {L'>', L"&gt;"},
    {L'\'', L"&apos;"},
    {L'"', L"&quot;"},
};

}  // namespace

std::wstring EscapeCacheValue(const wchar_t* value)
{
    std::wstring text(value ? value : L"");
    for (const Entity& entity : kEntities) {
        for (size_t at = text.find(entity.character); at != std::wstring::npos;
             at = text.find(entity.character, at + wcslen(entity.replacement)))
            text.replace(at, 1, entity.replacement);
    }
    return text;
}

std::wstring FormatCacheFile(const CacheEntries& entries)
{
    std::wstring file(kHeader);
    CString previousElement;
    for (const auto& entry : entries) {
        const CString& element = entry.first;
        if (element != previousElement)
            file += L"\r\n   <!-- " + std::wstring(element) + L" -->\r\n";
        previousElement = element;
        file += L"   <" + std::wstring(element);
        std::wstring text;
        for (const auto& attribute : entry.second) {
            if (attribute.first.IsEmpty())
                text = EscapeCacheValue(attribute.second);
            else
                file += L" " + std::wstring(attribute.first) + L"=\"" + EscapeCacheValue(attribute.second) + L"\"";
        }
        file += L">" + text + L"</" + std::wstring(element) + L">\r\n";
    }
    return file + kTrailer;
}

bool CVelmoInstallerApp::IsCachingCustomExecutes() const
{
    return m_cmdLine.m_bCacheCustomExecutes;
}

bool CVelmoInstallerApp::IsCachingFeatureInfo() const
{
    return m_cmdLine.m_bCacheFeatureInfo;
}

void CVelmoInstallerApp::AddCacheEntry(const wchar_t* element, const CacheAttributes& attributes, const wchar_t* text)
{
    CacheAttributes entry(attributes);
    entry[CString()] = text ? text : L"";
    m_cacheEntries.emplace(CString(element), entry);
}

void CVelmoInstallerApp::WriteCacheFile()
{
    if (!m_cmdLine.m_bCacheCustomExecutes && !m_cmdLine.m_bCacheFeatureInfo)
        return;
    const std::wstring text = FormatCacheFile(m_cacheEntries);
    FILE* file = _wfopen(m_cmdLine.m_strCacheFile, L"wb");
    if (!file)
        return;
    // UTF-16 little-endian code units, as they are in memory.
    fwrite(text.data(), sizeof(wchar_t), text.size(), file);
    fclose(file);
}
