// File versions and version texts.
//
// A version travels as two 32-bit halves (most significant: major << 16 | minor; least
// significant: build << 16 | revision) or as one 64-bit value with the major number in the top
// 16 bits.
#pragma once

#include <windows.h>

#include <cstdint>

#include "CString.h"

// Room that FormatVersion and FormatVersion64 need: "65535.65535.65535.65535" and the
// terminator.
const int kVersionTextSize = 24;

// The fixed file version of a file's version resource. Both halves are 0 on failure; the
// thread's last error tells why (0 on success).
bool QueryFileVersion(const wchar_t* path, DWORD& mostSignificant, DWORD& leastSignificant);
bool GetFileVersion(const wchar_t* path, uint64_t& version);
// "major.minor.build.revision" of the file ("0.0.0.0" when the query failed).
bool GetFileVersionString(const wchar_t* path, CString& text);

// "%u.%u.%u.%u" read from the text, missing parts 0, each number or-ed in at its place.
uint64_t ParseVersionString(const wchar_t* text);
void ParseVersionStringHalves(const wchar_t* text, DWORD& mostSignificant, DWORD& leastSignificant);

// Writes the first `parts` numbers (above 4 counts as 4, 0 and below as 1) separated by dots
// into `out`, which has room for kVersionTextSize units; returns the characters written.
int FormatVersion(const DWORD* mostSignificant, const DWORD* leastSignificant, wchar_t* out, int parts);
int FormatVersion64(const uint64_t* version, wchar_t* out, int parts);
