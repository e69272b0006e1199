#include "LocaleNames.h"

#include <vector>

#include "LanguageHelpers.h"
#include "resource.h"

namespace {

struct LanguageName {
    LANGID language;
    UINT stringId;
};

const LanguageName kLanguageNames[] = {
    {0x07, IDS_LANGUAGE_GERMAN},
    {0x09, IDS_LANGUAGE_ENGLISH},
    {0x0C, IDS_LANGUAGE_FRENCH},
    {0x11, IDS_LANGUAGE_JAPANESE},
    {0x12, IDS_LANGUAGE_KOREAN},
    {0x13, IDS_LANGUAGE_DUTCH},
    {0x404, IDS_LANGUAGE_CHINESE_TRADITIONAL},
    {0x804, IDS_LANGUAGE_CHINESE_SIMPLIFIED},
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
        LocaleText(locale, LOCALE_SENGCOUNTRY).GetString(), static_cast<int>(OrbelToolbox::GetAnsiCodePage(locale)));
    return name;
}
