// Names of languages and locales: the program's string that names a language, and the C
// run-time library's name of a Windows locale.
#pragma once

#include <windows.h>

#include "CString.h"

// The id of the program's string that names the language, for the exact ids 7, 9, 0x0C, 0x11,
// 0x12, 0x13 (primary languages) and 0x0404, 0x0804 (the two Chinese variants); 0 otherwise.
UINT GetLanguageNameStringId(LANGID language);

// The name string of a locale's language: the exact id for the two Chinese variants (0x0404,
// 0x0804), else the primary language; 0 when the table has none.
UINT GetLocaleLanguageNameStringId(LCID locale);

// "English language name_English country name.code page" with the code page in four digits,
// for example "English_United States.1252".
CString GetCrtLocaleName(LCID locale);
