// The texts of the Windows Installer access layer: the few Plexa string operations the layer
// needs, in one place.
//
//   MsiString       the Plexa string interface the layer's members fill (IPlexaString)
//   MsiHeapString   the heap-buffer Plexa string the layer keeps its own texts in
//   MsiOutString    the string type that texts leave the layer in (MfcPlexaString)
#pragma once

#include <windows.h>

#include <cstdarg>

#include "MfcPlexaString.h"
#include "PlexaString.h"

using MsiString = IPlexaString;
using MsiHeapString = PlexaString<unsigned short*>;
using MsiOutString = MfcPlexaString;

namespace MsiText {

// The string's text; never null.
const wchar_t* Get(const MsiString& s);
// Length up to the first NUL.
int Length(const MsiString& s);
void Assign(MsiString& s, const wchar_t* text);  // null: empty
void Append(MsiString& s, const wchar_t* text);
void Append(MsiString& s, const wchar_t* text, int count);
// printf-style with Microsoft's rules (%s wide).
void Format(MsiString& s, const wchar_t* format, ...);
void FormatV(MsiString& s, const wchar_t* format, va_list args);
void AppendFormat(MsiString& s, const wchar_t* format, ...);
// Un-shares the string and gives it a writable buffer of `count` characters (terminator
// included); finish with SetLengthFromText.
wchar_t* Buffer(MsiString& s, DWORD count);
void SetLengthFromText(MsiString& s);

}  // namespace MsiText
