#include "LanguageHelpers.h"

#include <cwchar>
#include <cstdlib>

#include "OrbelOutput.h"

namespace OrbelToolbox {

LANGID(WINAPI* g_getUserDefaultLangId)() = &::GetUserDefaultLangID;

namespace {

struct LanguageSubstitution {
    LANGID read;
    LANGID returned;
};

const LanguageSubstitution kChineseSubstitutions[] = {
    {0x0C04, 0x0404},  // Chinese, Hong Kong
    {0x1404, 0x0404},  // Chinese, Macao
    {0x1004, 0x0804},  // Chinese, Singapore
    {0, 0},
};

struct SentenceTerminator {
    LANGID language;
    wchar_t text[3];
};

const SentenceTerminator kSentenceTerminators[] = {
    {0x0404, {0x00A1, 0x0043, 0}},  // Big5
    {0x0804, {0x00A1, 0x00A3, 0}},  // GB2312
    {0, {0}},
};

}  // namespace

UINT GetAnsiCodePage(LCID locale)
{
    wchar_t text[12] = {};
    if (GetLocaleInfoW(locale, LOCALE_IDEFAULTANSICODEPAGE, text, 10) == 0) {
        return 0;
    }
    return static_cast<UINT>(_wtoi(text));
}

UINT GetAnsiCodePage(LANGID language)
{
    return GetAnsiCodePage(static_cast<LCID>(MAKELCID(language, SORT_DEFAULT)));
}

LANGID GetUserDefaultLanguage()
{
    LANGID language = g_getUserDefaultLangId();
    for (const LanguageSubstitution* row = kChineseSubstitutions; row->read != 0; ++row) {
        if (row->read == language) {
            return row->returned;
        }
    }
    return language;
}

void GetSentenceTerminator(LANGID language, wchar_t* out)
{
    out[0] = L'\0';
    for (const SentenceTerminator* row = kSentenceTerminators; row->language != 0; ++row) {
        if (row->language == language) {
            wcscpy(out, row->text);
            return;
        }
    }
}

UINT GetCodePageForLanguage(LANGID language)
{
    wchar_t text[6] = {};
    if (GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_IDEFAULTANSICODEPAGE, text, 6) == 0) {
        text[0] = L'\0';
    }
    unsigned int codePage = 0;
    if (swscanf(text, L"%u", &codePage) != 1) {
        OrbelOutput::Error(-13, L"OrbelToolbox: %s could not convert locale string '%s' to code page value.",
            L"OrbelToolbox::GetCodePageForLanguage", text);
        return 0;
    }
    return codePage;
}

}  // namespace OrbelToolbox
