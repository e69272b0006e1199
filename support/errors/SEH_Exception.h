// A structured exception as a C++ object: what the per-thread translator throws for a hardware
// fault (see StructuredExceptionTranslator.h).
#pragma once

#include <windows.h>

class SEH_Exception {
public:
    // `pointers` (may be null) is not owned: valid only while the exception is being handled.
    SEH_Exception(unsigned int code, EXCEPTION_POINTERS* pointers);
    virtual ~SEH_Exception() = default;

    unsigned int GetCode() const { return m_code; }
    EXCEPTION_POINTERS* GetExceptionPointers() const { return m_pointers; }

    // The text of the code from ntdll.dll's message table into `buffer` (`size` characters).
    // Returns the character count of the lookup; when the code has no message the buffer is left
    // as it was and `size` comes back unchanged.
    virtual DWORD GetMessage(wchar_t* buffer, DWORD size) const;

private:
    unsigned int m_code;
    EXCEPTION_POINTERS* m_pointers;
};
