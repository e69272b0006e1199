#include "ErrorArguments.h"

#include <cxxabi.h>

#include <cstdlib>
#include <ios>

void WriteErrorArgument(std::wostream& out, const CString& text)
{
    out << text.GetString();
}

void WriteErrorArgument(std::wostream& out, unsigned long number)
{
    out << number;
}

void WriteErrorArgument(std::wostream& out, long number)
{
    out << number;
}

void WriteErrorArgument(std::wostream& out, bool flag)
{
    out << (flag ? L'1' : L'0');
}

void WriteErrorArgument(std::wostream& out, HMODULE handle)
{
    // The 32-bit program's pointer form: eight upper-case hexadecimal digits with leading zeros
    // (more digits only for a value that needs them).
    static const wchar_t digits[] = L"0123456789ABCDEF";
    ULONG_PTR value = reinterpret_cast<ULONG_PTR>(handle);
    wchar_t text[2 * sizeof(ULONG_PTR) + 1];
    int length = 0;
    do {
        text[length++] = digits[value & 0xF];
        value >>= 4;
    } while (value != 0 || length < 8);
    while (length > 0) {
        out.put(text[--length]);
    }
}

void WriteErrorArgument(std::wostream& out, const ZKInstallerError::TypeName& type)
{
    const char* mangled = type.Get().name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    const char* name = (status == 0 && demangled) ? demangled : mangled;
    for (const char* p = name; *p; ++p) {
        out.put(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    }
    std::free(demangled);
}

void WriteErrorArgument(std::wostream& out, const ZKInstallerError::TextList& texts)
{
    bool first = true;
    for (const CString& text : texts) {
        if (!first) {
            out << L"\r\n";
        }
        out << text.GetString();
        first = false;
    }
}

void WriteErrorArgument(std::wostream& out, const ZKInstallerError::TextVector& texts)
{
    for (const CString& text : texts) {
        out << text.GetString();
    }
}
