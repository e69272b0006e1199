// Arguments of the installer error classes: how each kind is printed into a "%N" reference, and
// the class template that stores a class's arguments and inserts them by number.
#pragma once

#include "CString.h"
#include "ErrorResourceModule.h"
#include "IInstallerError.h"

#include <list>
#include <ostream>
#include <tuple>
#include <typeinfo>
#include <utility>
#include <vector>

namespace ZKInstallerError {

// A type argument: printed as the class name that the run-time type information gives.
class TypeName {
public:
    TypeName(const std::type_info& type) : m_type(&type) { }
    const std::type_info& Get() const { return *m_type; }

private:
    const std::type_info* m_type;
};

// Texts printed with CR LF between two entries and none after the last.
using TextList = std::list<CString>;
// Texts printed back to back (each entry carries its own line ends).
using TextVector = std::vector<CString>;

}  // namespace ZKInstallerError

// Printed forms of the argument kinds.
void WriteErrorArgument(std::wostream& out, const CString& text);   // the text
void WriteErrorArgument(std::wostream& out, unsigned long number);  // unsigned decimal
void WriteErrorArgument(std::wostream& out, long number);           // signed decimal
void WriteErrorArgument(std::wostream& out, bool flag);             // 1 or 0
void WriteErrorArgument(std::wostream& out, HMODULE handle);        // 8+ upper-case hex digits
void WriteErrorArgument(std::wostream& out, const ZKInstallerError::TypeName& type);
void WriteErrorArgument(std::wostream& out, const ZKInstallerError::TextList& texts);
void WriteErrorArgument(std::wostream& out, const ZKInstallerError::TextVector& texts);
// Any other kind by its own stream inserter (resource names, INI error lists, library errors).
template <class T> void WriteErrorArgument(std::wostream& out, const T& value)
{
    out << value;
}

namespace ZKInstallerError {

// A concrete installer error: Base is VelmoInstallerError or UserInstallerError; the code is also
// the id of the message template; Args are the kinds of %1, %2... in number order.
template <class Base, int Code, class... Args> class ErrorWithArguments : public Base {
public:
    static constexpr int kCode = Code;

    // Argument N (1-based, as in the templates).
    template <size_t N> const auto& Argument() const { return std::get<N - 1>(m_arguments); }

protected:
    ErrorWithArguments(const char* file, int line, const wchar_t* debugText, Args... arguments)
        : Base(file, line, Code, &ErrorResourceModule, static_cast<unsigned int>(Code), debugText),
          m_arguments(std::move(arguments)...)
    {
    }

    bool InsertArgument(unsigned int number, std::wostream& out) const override
    {
        if (number < 1 || number > sizeof...(Args)) {
            out << IInstallerError::kInvalidArgument;
            return false;
        }
        Write(number, out, std::index_sequence_for<Args...>{});
        return true;
    }

private:
    template <size_t... I> void Write(unsigned int number, std::wostream& out, std::index_sequence<I...>) const
    {
        (void)number;
        (void)out;
        ((number == I + 1 ? WriteErrorArgument(out, std::get<I>(m_arguments)) : void()), ...);
    }

    std::tuple<Args...> m_arguments;
};

}  // namespace ZKInstallerError
