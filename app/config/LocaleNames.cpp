#include "LocaleNames.h"

#include <vector>

#include "LanguageHelpers.h"

namespace {

struct LanguageName {
    LANGID language;
    UINT stringId;
};

const LanguageName kLanguageNames[] = {
    {0x07, 166},   // German
    {0x09, 168},   // English
    {0x0C, 170},   // French
    {0x11, 177},   // Japanese
    {0x12, 180},   // Korean
    {0x13, 187},   // Dutch
    {0x404, 184},  // Chinese Traditional
    {0x804, 185},  // Chinese Simplified
};

CString LocaleText(LCID locale, LCTYPE type)
{
    int length = GetLocaleInfoW(locale, type, nullptr, 0);
    if (length <= 0) {
        return CString();
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(length));
    if (GetLocaleInfoW(locale, type, buffer.data(), length) == 0) {
        return CString();
    }
    return CString(buffer.data());
}

}  // namespace

UINT GetLanguageNameStringId(LANGID language)
{
    for (const LanguageName& row : kLanguageNames) {
        if (row.language == language) {
            return row.stringId;
        }
    }
    return 0;
}

UINT GetLocaleLanguageNameStringId(LCID locale)
{
    LANGID language = LANGIDFROMLCID(locale);
    if (language == 0x0404 || language == 0x0804) {
        return GetLanguageNameStringId(language);
    }
    return GetLanguageNameStringId(PRIMARYLANGID(language));
}

CString GetCrtLocaleName(LCID locale)
{
    CString name;
    name.Format(L"%s_%s.%04d", LocaleText(locale, LOCALE_SENGLANGUAGE).GetString(),
                LocaleText(locale, LOCALE_SENGCOUNTRY).GetString(),
                static_cast<int>(OrbelToolbox::GetAnsiCodePage(locale)));
    return name;
}
