// Reading the configuration INI file: the types the readers share and the helpers that take a
// configured value apart. The readers themselves are members of CConfigInfo (ReadString,
// ReadInt, ReadSection, SplitString, LoadStringResource).
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "CString.h"

// Orders keys by their UTF-16 code units (case-sensitive: "B" before "a").
struct IniKeyLess {
    bool operator()(const CString& a, const CString& b) const { return a.Compare(b) < 0; }
};

// A section read whole: key to value, keys in ordinal order; of two identical keys the first
// line of the file is kept.
typedef std::map<CString, CString, IniKeyLess> IniSectionMap;

// The pieces of a list value.
typedef std::vector<CString> IniStringList;

// The number formed by the value's leading decimal digits after optional blanks (a sign makes it no number;
// a number past INT_MAX gives INT_MAX); 0 when it has none. `digits` (when given) tells whether
// a digit was read.
int ParseLeadingNumber(const wchar_t* value, bool* digits = nullptr);
// A signed decimal number (leading blanks and a sign allowed); `digits` tells whether one was read.
int ParseSignedNumber(const wchar_t* value, bool* digits = nullptr);

// True when the configured text names a string of a resource module: its leading digits form a
// number other than 0, given back in `id`.
bool IsStringIdText(const wchar_t* value, UINT& id);
