// Languages and their code pages: the ANSI code page of a locale, the user's default
// language with the Chinese variants folded onto the two the installer supports, and the
// double-byte full stop of those two languages.
#pragma once

#include <windows.h>

namespace OrbelToolbox {

// The default ANSI code page of a locale (the leading number of LOCALE_IDEFAULTANSICODEPAGE),
// 0 when Windows does not know the locale. Never reports.
UINT GetAnsiCodePage(LCID locale);
// The same for a language id, taken as a locale with the default sort.
UINT GetAnsiCodePage(LANGID language);

// The user's default language; Hong Kong and Macao Chinese give 0x0404, Singapore Chinese
// gives 0x0804, any other language is returned as it is.
LANGID GetUserDefaultLanguage();

// Where GetUserDefaultLanguage reads the user's language (GetUserDefaultLangID); tests
// replace it.
extern LANGID(WINAPI* g_getUserDefaultLangId)();

// Copies the ideographic full stop of 0x0404 or 0x0804 (two units, each carrying one byte of
// the double-byte code page) into `out`, or the empty text for any other language. `out` must
// have room for at least 3 units.
void GetSentenceTerminator(LANGID language, wchar_t* out);

// The default ANSI code page of a language; a code-page text that holds no number is reported
// (code -13).
UINT GetCodePageForLanguage(LANGID language);

}  // namespace OrbelToolbox
