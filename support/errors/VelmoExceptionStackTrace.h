// The crash report of ExceptionStackTrace as text: exception, fault address, registers and the
// stack trace, written into a wide text stream.
#pragma once

#include "ExceptionStackTrace.h"

#include <sstream>
#include <string>

class VelmoExceptionStackTrace : public ExceptionStackTrace {
public:
    void WriteReport(EXCEPTION_RECORD* record, CONTEXT* context) override;
    void WriteFrame(DWORD_PTR pc, DWORD_PTR frame, DWORD section, DWORD_PTR offset, const wchar_t* module,
        const char* symbol, DWORD64 displacement) override;

    // Everything reported so far.
    std::wstring GetReport() const { return m_stream.str(); }

private:
    std::wostringstream m_stream;
};
