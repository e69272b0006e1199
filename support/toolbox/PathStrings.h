// Path text edited in place in caller-supplied buffers: trailing backslashes, the last element,
// file names and extensions, text pairs split at a bar, new GUID texts, UNC tests and the URL
// form of a path. Misuse is reported through the output object.
#pragma once

#include <windows.h>

#include <cstddef>

namespace OrbelToolbox {

// Appends a backslash unless the text is empty or ends with one (room for one more unit needed).
void AppendLastSlash(wchar_t* path);
// Removes a backslash that ends the text; returns the position of the last backslash, or null
// when the text has none.
wchar_t* RemoveLastSlash(wchar_t* path);
// Drops one trailing backslash, then everything after the last remaining backslash (which
// stays); a text without a backslash becomes empty.
void RemoveLastPathElement(wchar_t* path);
// Keeps the text after the last backslash (or, without one, after the last colon).
void StripToFileName(wchar_t* path);
// Keeps the text after the last dot; empty when there is no dot.
void StripToExtension(wchar_t* name);
// Splits at the last vertical bar; without one the whole text goes to both outputs. Either
// output may be null.
void SplitAtLastBar(const wchar_t* text, wchar_t* first, wchar_t* second);
// A new GUID as braced upper-case text (`out` holds 39 units); empty when none can be made.
void CreateGuidText(wchar_t* out);
// True for a UNC path (\\server\...).
bool IsUncPath(const wchar_t* path);

// Units of the buffer EscapeUrlPath works in.
constexpr size_t kUrlPathUnits = MAX_PATH;
// Rewrites a path (in a buffer of kUrlPathUnits units) in URL form: backslashes become
// slashes, other characters outside the safe set become %xx per UTF-8 byte. A result that
// would not fit is refused (code -41) and the path is left unchanged.
void EscapeUrlPath(wchar_t* path);

// The address of the character at `index`.
const wchar_t* CharAt(const wchar_t* text, size_t index);
// `index`, at most the length of the text.
size_t ClampIndex(const wchar_t* text, size_t index);

}  // namespace OrbelToolbox
