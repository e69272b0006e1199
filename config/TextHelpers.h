// Small text helpers: case tests, GUID suffixes of names, code-page fit, environment
// references, the time text and profile strings of any length.
#pragma once

#include <windows.h>

#include "CString.h"

// True when no character is lowercase (empty text too).
bool ContainsNoLowercase(const wchar_t* text);
// True when every letter is uppercase; other characters do not matter (empty text too).
bool IsAllUppercase(const wchar_t* text);

// The position of a GUID written with underscores (as in merge-module identifiers) after the
// last "." of the name (or making up the whole name), else -1.
int FindGuidSuffix(const wchar_t* name);

// True when some character of the text cannot be shown in the code page.
bool HasUnmappableCharacters(const wchar_t* text, UINT codePage);

// Replaces each %NAME% of a set environment variable by its value; references to variables
// that are not set stay, and inserted values are not expanded again.
void ExpandEnvironmentReferences(CString& text);

// The local time as the C library's asctime text without its line feed.
CString GetCurrentTimeText();

// The profile value, read whole whatever its length; true when it is not empty.
bool ReadProfileString(
    const wchar_t* iniFile, const wchar_t* section, const wchar_t* key, CString& value, const wchar_t* defaultText);
