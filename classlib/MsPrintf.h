// printf-style formatting with Microsoft's rules, the one formatter of the project.
//
// The compiler's own wide printf family follows C99 in C++ code (%s in a wide format is a narrow
// string). Every format text of the program follows Microsoft's rules instead: %s and %ws are
// wide strings, %S and %hs narrow ones, %I64u / %I64d 64-bit integers, %Iu pointer-sized ones.
// These functions format through msvcrt's own _vsnwprintf, which keeps those rules.
#pragma once

#include <cstdarg>
#include <string>

// Formats `format` with `args`; long results grow the buffer as needed.
// Throws CInvalidArgException when the format or an argument cannot be formatted (a narrow
// string that does not convert, for example), std::bad_alloc when memory runs out.
std::wstring MsFormatV(const wchar_t* format, va_list args);

// Variadic form of MsFormatV.
std::wstring MsFormat(const wchar_t* format, ...);
