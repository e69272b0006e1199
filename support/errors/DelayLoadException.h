// What a failed bind of a library or of one of its functions by name throws: the structured
// exception of the system's delay-load support (0xC06D007E: module, 0xC06D007F: entry point)
// as an object, with the module's and the function's names.
#pragma once

#include "SEH_Exception.h"

#include <string>

// A library or one of its functions could not be bound.
class DelayLoadException : public SEH_Exception {
public:
    static constexpr unsigned int kModuleNotFound = 0xC06D007Eu;     // the module is missing
    static constexpr unsigned int kProcedureNotFound = 0xC06D007Fu;  // the entry point is missing

    // From a raised delay-load exception: the exception record's first parameter, when present,
    // is the system's DelayLoadInfo naming the module and the function.
    DelayLoadException(unsigned int code, EXCEPTION_POINTERS* pointers);
    // Thrown by the code that binds a library by name: function imported by name...
    DelayLoadException(unsigned int code, const char* dllName, const char* procName);
    // ... or by ordinal.
    DelayLoadException(unsigned int code, const char* dllName, DWORD ordinal);

    // The module's name ("" when unknown).
    const char* GetDllName() const { return m_dllName.c_str(); }
    // The function's name, null when it was imported by ordinal.
    const char* GetProcName() const { return m_byName ? m_procName.c_str() : nullptr; }
    // The ordinal, 0 when it was imported by name.
    DWORD GetOrdinal() const { return m_byName ? 0 : m_ordinal; }

    // String 5001 "The %1 File Linked to Missing Export %2 : %3" filled with the program's file
    // name, the module and the function (or its ordinal). Returns the character count; 0 and
    // last error 1814 when the string is missing.
    DWORD GetMessage(wchar_t* buffer, DWORD size) const override;

private:
    std::string m_dllName;
    bool m_byName = true;
    std::string m_procName;
    DWORD m_ordinal = 0;
};
