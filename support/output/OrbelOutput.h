// Error reporting of the support library, through one output object per process.
//
// The library's functions never return error codes: a failure is reported here with a
// negative code (-12 a failed Windows call or a missing bound function, -13 an unconvertible
// value or a failed C library call, -30 to -33 misuse and path failures, -40 no output object,
// no resources or a library that cannot be loaded, -100 a requested abort) and the report
// raises `PrivateException`, so a function that reports does not go on. While the exception
// passes, the functions it leaves add their context lines (ContextMessage.h); when its last copy
// is gone the report is written out, outermost function first, and the code is 0 again.
//
// Every module linked with the library shares the process's one object: the first module that
// needs it creates it, the others find it through the export
// `ZK_OrbelToolbox_OrbelOutput_GetSharedGlobalData` of the module that made it. The report's
// texts are the library's strings (OrbelToolbox.rc, ids 9000 and up) of the module that holds
// the library.
#pragma once

#include <windows.h>

#include <cstdarg>

#include "ISharedData.h"

// This module's cached pointer to the process's output object (null until the module used the
// output) into `*data`; returns 0.
extern "C" __declspec(dllexport) int ZK_OrbelToolbox_OrbelOutput_GetSharedGlobalData(void** data);

namespace OrbelToolbox {
namespace OrbelOutput {

// String ids of the library's report texts.
enum : UINT {
    kStringReportTitle = 9000,  // the report's first line
    kStringReportCode = 9001,   // the line with the code's text (%1)
    kStringReportEnd = 9002,    // closing lines
    kStringReportClose = 9003,
    kStringFurtherError = 9005,  // an error reported while a report is in progress
    kStringUnknownCode = 9099,   // the text of a code without one of its own
    kStringDebugLogNotOpened = 9302,
    kStringInsert = 0,  // stands for "%1"
};

// The exception of a report. While at least one copy exists the report is in progress and
// `GetErrorCode` gives its code; when the last copy goes, the report ends (written out, code 0
// again) unless a catch point deferred it.
class PrivateException {
public:
    PrivateException();
    PrivateException(const PrivateException& other);
    PrivateException& operator=(const PrivateException&) = default;
    ~PrivateException();
};

// The module's holder of the process's object: whether this module made it, and its address.
class SharedDataHolder {
public:
    constexpr SharedDataHolder() = default;
    ~SharedDataHolder();

    bool owned = false;
    ISharedData* volatile data = nullptr;
};

// The process's object: this module's cached one, else another module's (FindSharedData), else
// a new one. Reports -40 when none can be made.
ISharedData& GetSharedData();
// The first object that the export of a loaded module yields, or null.
ISharedData* FindSharedData();
// Makes this module's own object (owned); null when memory runs out.
ISharedData* CreateSharedData();

// Reporting.
void ReportError(int code);
void Error(int code, const wchar_t* format, ...);
void Print(const wchar_t* format, ...);
void ErrorFromResource(int code, UINT stringId, ...);
void PrintResource(UINT stringId, ...);
void DebugPrintResource(UINT stringId, ...);
void ReportWindowsError(DWORD error, const wchar_t* functionName);
void ReportLastWindowsError(const wchar_t* functionName);
void ReportCrtError(const wchar_t* functionName);
// The code of the report in progress, 0 when none is.
int GetErrorCode();
void RequestAbort();
void ClearAbortRequest();
bool IsAbortRequested();
// Raises a cancellation report (-100) when an abort was requested.
void CheckAbort();
// For catch-all blocks of library code: runs the handlers on the exception in flight, defers
// the report and returns its code.
int CatchError();
// Raises a deferred report again.
void ThrowIfDeferred();
// Reports a structured exception (-10) with the text of its kind; a failed delay-loaded import
// also with the module and the function that `pointers` name.
void TranslateStructuredException(unsigned int code, const EXCEPTION_POINTERS* pointers = nullptr);
// When `install` is true, makes TranslateStructuredException the calling thread's translator of
// hardware faults (StructuredExceptionTranslator.h): a fault is then reported (-10) and raised as
// the report's exception.
void InstallSehTranslator(bool install);
// True when the module that holds the library carries its strings; checked once per module.
bool CheckResources();

// Settings.
void SetDebugLogFile(const wchar_t* path);
const wchar_t* GetDebugLogFile();
bool IsDebugLogOpen();
bool IsDebugLogStarted();
void EnableDebugLog(bool enable);
void SetLoggingMode(int mode);
void SetProgressCallback(ProgressCallback callback);
LANGID GetLanguage();
void SetLanguage(LANGID language);
void TimestampNextMessage();
void SetTimestampMessages(bool on);
const wchar_t* GetNextUserLogMessage();
const wchar_t* GetNextLogMessage();
const wchar_t* GetProgress(int* value, int* maximum);
void PostProgress(int value, int maximum, UINT stringId, ...);
void PostProgressV(int value, int maximum, UINT stringId, va_list args);
void RegisterHandler(ErrorHandler handler);
void UnregisterHandler(ErrorHandler handler);

// Debug log lines (printf-style, Microsoft's rules).
void DebugPrint(const wchar_t* format, ...);
void DebugPrintV(const wchar_t* format, va_list args);
void PrintBegin(const wchar_t* name, const wchar_t* detail = nullptr);
void PrintEnd(const wchar_t* name, const wchar_t* detail = nullptr);

// 9, 12, 17, 18 and 7 become 1033, 1036, 1041, 1042 and 1031; any other id is returned as it is.
LANGID GetFullLanguageId(LANGID language);

}  // namespace OrbelOutput
}  // namespace OrbelToolbox
