// The operations of the output object that the toolbox's path, file and string-table functions
// call besides the reports of OrbelOutput.h: context messages printed only while an error
// passes, debug lines, copy progress and the abort request.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

#include "MsPrintf.h"

namespace OrbelToolbox {

// A context line of an operation: formatted at entry, written only when an exception passes
// through the scope that holds it (the operation failed), so a report shows the chain of
// operations the failure left.
class ContextMessageHolder {
public:
    template <class... Args>
    explicit ContextMessageHolder(const wchar_t* format, Args... args)
        : m_text(MsFormat(format, args...)), m_unwinding(std::uncaught_exceptions())
    {
    }
    ~ContextMessageHolder();
    ContextMessageHolder(const ContextMessageHolder&) = delete;
    ContextMessageHolder& operator=(const ContextMessageHolder&) = delete;

private:
    std::wstring m_text;
    int m_unwinding;
};

namespace OrbelOutput {

// Writes one line to the debug log (printf-style, Microsoft's rules).
void DebugPrint(const wchar_t* format, ...);
// Adds a line to the report in progress (printf-style).
void Print(const wchar_t* format, ...);

// Reports a failed C library call (code -13) with the current errno and its text.
void ReportCrtError(const wchar_t* functionName);

// Progress of a long operation: value out of maximum, with a message text ("%1" inserts).
// Where the progress goes is set with SetProgressCallback.
using ProgressCallback = void (*)(const wchar_t* text, int value, int maximum);
void SetProgressCallback(ProgressCallback callback);
void PostProgress(int value, int maximum, const wchar_t* text);

// The abort request: set by a user's cancel, read by long operations. CheckAbort reports code
// -100 when an abort was requested.
void RequestAbort();
void ClearAbortRequest();
bool IsAbortRequested();
void CheckAbort();

// The full language id of a bare primary language the library knows (9, 12, 17, 18, 7);
// any other value unchanged.
LANGID GetFullLanguageId(LANGID language);

}  // namespace OrbelOutput
}  // namespace OrbelToolbox
