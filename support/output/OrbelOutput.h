// Error reporting of the support library.
//
// The library's functions never return error codes: a failure is reported here with a
// negative code (-12 a failed Windows call, -13 an unconvertible value or a failed C library
// call) and the report raises `PrivateException`, so a function that reports does not go on.
//
// This is the reporting core only: the code of the report in progress and its exception.
// The process-wide shared object with its debug log, message queues and handlers is not
// here yet; until it is, the texts of a report go to the debugger output.
#pragma once

#include <windows.h>

namespace OrbelToolbox {
namespace OrbelOutput {

// The exception of a report. While at least one copy exists the report is in progress and
// `GetErrorCode` gives its code; when the last copy goes, the report ends (code 0 again).
class PrivateException {
public:
    PrivateException();
    PrivateException(const PrivateException& other);
    PrivateException& operator=(const PrivateException&) = default;
    ~PrivateException();
};

// Starts a report of `code` (not 0) and raises `PrivateException`. While another report is in
// progress the new failure only adds to it and the call returns.
void ReportError(int code);

// Reports `code` with a printf-style text (Microsoft's rules: %s wide).
void Error(int code, const wchar_t* format, ...);

// Reports a failed Windows call (code -12) with the function's name and the error's text.
void ReportWindowsError(DWORD error, const wchar_t* functionName);
void ReportLastWindowsError(const wchar_t* functionName);

// The code of the report in progress, 0 when none is.
int GetErrorCode();

}  // namespace OrbelOutput
}  // namespace OrbelToolbox
