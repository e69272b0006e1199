#include "MsPrintf.h"

#include "InvalidArgException.h"
#include "VaListEnd.h"

#include <windows.h>

#include <new>
#include <vector>

namespace {

using VsnwprintfFn = int(__cdecl*)(wchar_t*, size_t, const wchar_t*, va_list);
using VscwprintfFn = int(__cdecl*)(const wchar_t*, va_list);

struct MsvcrtFormatters {
    VsnwprintfFn vsnwprintf = nullptr;
    VscwprintfFn vscwprintf = nullptr;
};

// Binds the functions by name from msvcrt.dll itself, so that no header of the compiler can
// redirect them to its C99 implementation. msvcrt.dll stays loaded for the life of the process.
MsvcrtFormatters BindMsvcrt()
{
    MsvcrtFormatters f;
    HMODULE crt = ::LoadLibraryW(L"msvcrt.dll");
    if (crt) {
        f.vsnwprintf
            = reinterpret_cast<VsnwprintfFn>(reinterpret_cast<void (*)()>(::GetProcAddress(crt, "_vsnwprintf")));
        f.vscwprintf
            = reinterpret_cast<VscwprintfFn>(reinterpret_cast<void (*)()>(::GetProcAddress(crt, "_vscwprintf")));
    }
    return f;
}

const MsvcrtFormatters& Formatters()
{
    static const MsvcrtFormatters formatters = BindMsvcrt();
    if (!formatters.vsnwprintf || !formatters.vscwprintf) {
        // msvcrt.dll is part of every Windows system; without it nothing can be formatted.
        throw CInvalidArgException();
    }
    return formatters;
}

// Each pass of the formatter consumes its own copy of the arguments.
template <typename Pass> int WithCopy(va_list args, Pass pass)
{
    va_list copy;
    va_copy(copy, args);
    VaListEnd end(copy);
    return pass(copy);
}

}  // namespace

std::wstring MsFormatV(const wchar_t* format, va_list args)
{
    if (!format) {
        throw CInvalidArgException();
    }
    const MsvcrtFormatters& f = Formatters();

    // Most texts are short: try a stack buffer first.
    wchar_t small[256];
    int n = WithCopy(args, [&](va_list copy) { return f.vsnwprintf(small, 255, format, copy); });
    if (n >= 0) {
        return std::wstring(small, static_cast<size_t>(n));
    }

    // Too long (or not formattable): ask for the exact length, then format into a buffer of
    // that size. _vsnwprintf alone cannot tell "too long" from "bad argument".
    int needed = WithCopy(args, [&](va_list copy) { return f.vscwprintf(format, copy); });
    if (needed < 0) {
        throw CInvalidArgException();
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(needed) + 1);
    n = WithCopy(
        args, [&](va_list copy) { return f.vsnwprintf(buffer.data(), static_cast<size_t>(needed), format, copy); });
    if (n < 0) {
        throw CInvalidArgException();
    }
    return std::wstring(buffer.data(), static_cast<size_t>(n));
}

std::wstring MsFormat(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    return MsFormatV(format, args);
}
