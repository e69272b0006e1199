// Ends a va_list however the function that started it is left. va_start must stay in the
// variadic function itself; the guard, declared right after it (or after va_copy), takes care
// of the matching va_end on return and when an exception passes through:
//
//     va_list args;
//     va_start(args, format);
//     VaListEnd end(args);
//     return FormatV(format, args);
#pragma once

#include <cstdarg>

class VaListEnd {
public:
    explicit VaListEnd(va_list& args) : m_args(args) { }
    ~VaListEnd() { va_end(m_args); }
    VaListEnd(const VaListEnd&) = delete;
    VaListEnd& operator=(const VaListEnd&) = delete;

private:
    va_list& m_args;
};
