// The process's output object as every module linked with the toolbox sees it.
//
// Modules built separately reach one object through this table of virtual operations, so its
// order is fixed: new operations go nowhere but the end, before the destructor.
#pragma once

#include <windows.h>

#include <cstdarg>

namespace OrbelToolbox {
namespace OrbelOutput {

// Called with the progress text, the value and the maximum whenever progress is posted.
typedef void (*ProgressCallback)(const wchar_t* text, int value, int maximum);
// A handler of the library's catch points: called inside a catch block with the exception in
// flight; it may rethrow to translate it.
typedef void (*ErrorHandler)();

// LoggingMode: 0 debug lines to the debug log, report lines to the user log queue;
// 1 report lines to standard output as well; 2 debug lines to standard output instead.
enum LoggingMode { LoggingModeDefault = 0, OutputUserLogMessages = 1, LoggingModeConsole = 2 };

class ISharedData {
public:
    virtual CRITICAL_SECTION* Lock() = 0;                                      // 0
    virtual const wchar_t* GetDebugLogFileName() = 0;                          // 1
    virtual void SetDebugLogFileName(const wchar_t* name) = 0;                 // 2
    virtual HANDLE GetDebugLogHandle() = 0;                                    // 3
    virtual void SetDebugLogHandle(HANDLE handle) = 0;                         // 4
    virtual bool GetDebugLogStarted() = 0;                                     // 5
    virtual void SetDebugLogStarted(bool started) = 0;                         // 6
    virtual const wchar_t* GetProgressText() = 0;                              // 7
    virtual bool FormatProgressText(const wchar_t* templ, va_list* args) = 0;  // 8
    virtual int GetProgressValue() = 0;                                        // 9
    virtual void SetProgressValue(int value) = 0;                              // 10
    virtual int GetProgressMaximum() = 0;                                      // 11
    virtual void SetProgressMaximum(int maximum) = 0;                          // 12
    virtual LANGID GetLanguage() = 0;                                          // 13
    virtual void SetLanguage(LANGID language) = 0;                             // 14
    virtual bool GetTimestampNext() = 0;                                       // 15
    virtual void SetTimestampNext(bool on) = 0;                                // 16
    virtual bool GetTimestampAll() = 0;                                        // 17
    virtual void SetTimestampAll(bool on) = 0;                                 // 18
    virtual LONGLONG GetStartTime() = 0;                                       // 19
    virtual LONGLONG GetFrequency() = 0;                                       // 20
    virtual int GetLoggingMode() = 0;                                          // 21
    virtual void SetLoggingMode(int mode) = 0;                                 // 22
    virtual ProgressCallback GetProgressCallback() = 0;                        // 23
    virtual void SetProgressCallback(ProgressCallback callback) = 0;           // 24
    virtual int GetErrorCode() = 0;                                            // 25
    virtual void SetErrorCode(int code) = 0;                                   // 26
    virtual bool GetErrorDeferred() = 0;                                       // 27
    virtual void SetErrorDeferred(bool deferred) = 0;                          // 28
    virtual int GetReportDepth() = 0;                                          // 29
    virtual void SetReportDepth(int depth) = 0;                                // 30
    virtual bool GetBlankLineWritten() = 0;                                    // 31
    virtual void SetBlankLineWritten(bool written) = 0;                        // 32
    virtual bool GetAbortRequested() = 0;                                      // 33
    virtual void SetAbortRequested(bool requested) = 0;                        // 34
    virtual void AppendUserLogMessage(const wchar_t* text) = 0;                // 35
    virtual const wchar_t* UserLogMessageAtFirstCursor() = 0;                  // 36
    virtual const wchar_t* UserLogMessageAtSecondCursor() = 0;                 // 37
    virtual void AdvanceFirstCursor() = 0;                                     // 38
    virtual void AdvanceSecondCursor() = 0;                                    // 39
    virtual void PushContextFront(const wchar_t* format, va_list args) = 0;    // 40
    virtual void PushContextBack(const wchar_t* format, va_list args) = 0;     // 41
    virtual bool IsContextEmpty() = 0;                                         // 42
    virtual const wchar_t* ContextFront() = 0;                                 // 43
    virtual void PopContextFront() = 0;                                        // 44
    virtual void PushDetailFront(const wchar_t* templ, va_list* args) = 0;     // 45
    virtual void PushDetailBack(const wchar_t* templ, va_list* args) = 0;      // 46
    virtual bool IsDetailEmpty() = 0;                                          // 47
    virtual const wchar_t* DetailFront() = 0;                                  // 48
    virtual void PopDetailFront() = 0;                                         // 49
    virtual int GetHandlerCount() = 0;                                         // 50
    virtual ErrorHandler GetHandler(int index) = 0;                            // 51
    virtual int GetHandlerRegistrations(int index) = 0;                        // 52
    virtual void AddHandlerRegistration(int index) = 0;                        // 53
    virtual void DropHandlerRegistration(int index) = 0;                       // 54
    virtual void AddHandler(ErrorHandler handler) = 0;                         // 55
    virtual void RemoveHandler(int index) = 0;                                 // 56

    // 57: the next message of the user log queue (first cursor), null at the end.
    virtual const wchar_t* GetNextUserLogMessage()
    {
        const wchar_t* message = UserLogMessageAtFirstCursor();
        if (message)
            AdvanceFirstCursor();
        return message;
    }
    // 58: the next message appended during a report (second cursor), null at the end.
    virtual const wchar_t* GetNextLogMessage()
    {
        const wchar_t* message = UserLogMessageAtSecondCursor();
        if (message)
            AdvanceSecondCursor();
        return message;
    }

    virtual ~ISharedData() = default;  // 59
};

}  // namespace OrbelOutput
}  // namespace OrbelToolbox
