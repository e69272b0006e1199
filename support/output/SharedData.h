// This module's implementation of the process's output object, and the operations of the report
// and the debug log that work on any module's object through its interface.
#pragma once

#include "ISharedData.h"

#include <deque>
#include <string>
#include <vector>

namespace OrbelToolbox {
namespace OrbelOutput {

class SharedData : public ISharedData {
public:
    SharedData();
    ~SharedData() override;

    SharedData(const SharedData&) = delete;
    SharedData& operator=(const SharedData&) = delete;

    CRITICAL_SECTION* Lock() override { return &m_lock; }
    const wchar_t* GetDebugLogFileName() override { return m_debugLogName.c_str(); }
    void SetDebugLogFileName(const wchar_t* name) override { m_debugLogName = name ? name : L""; }
    HANDLE GetDebugLogHandle() override { return m_debugLog; }
    void SetDebugLogHandle(HANDLE handle) override { m_debugLog = handle; }
    bool GetDebugLogStarted() override { return m_debugLogStarted; }
    void SetDebugLogStarted(bool started) override { m_debugLogStarted = started; }
    const wchar_t* GetProgressText() override;
    bool FormatProgressText(const wchar_t* templ, va_list* args) override;
    int GetProgressValue() override { return m_progressValue; }
    void SetProgressValue(int value) override { m_progressValue = value; }
    int GetProgressMaximum() override { return m_progressMaximum; }
    void SetProgressMaximum(int maximum) override { m_progressMaximum = maximum; }
    LANGID GetLanguage() override { return m_language; }
    void SetLanguage(LANGID language) override { m_language = language; }
    bool GetTimestampNext() override { return m_timestampNext; }
    void SetTimestampNext(bool on) override { m_timestampNext = on; }
    bool GetTimestampAll() override { return m_timestampAll; }
    void SetTimestampAll(bool on) override { m_timestampAll = on; }
    LONGLONG GetStartTime() override { return m_startTime; }
    LONGLONG GetFrequency() override { return m_frequency; }
    int GetLoggingMode() override { return m_loggingMode; }
    void SetLoggingMode(int mode) override { m_loggingMode = mode; }
    ProgressCallback GetProgressCallback() override { return m_progressCallback; }
    void SetProgressCallback(ProgressCallback callback) override { m_progressCallback = callback; }
    int GetErrorCode() override { return m_errorCode; }
    void SetErrorCode(int code) override { m_errorCode = code; }
    bool GetErrorDeferred() override { return m_errorDeferred; }
    void SetErrorDeferred(bool deferred) override { m_errorDeferred = deferred; }
    int GetReportDepth() override { return m_reportDepth; }
    void SetReportDepth(int depth) override { m_reportDepth = depth; }
    bool GetBlankLineWritten() override { return m_blankLineWritten; }
    void SetBlankLineWritten(bool written) override { m_blankLineWritten = written; }
    bool GetAbortRequested() override { return m_abortRequested; }
    void SetAbortRequested(bool requested) override { m_abortRequested = requested; }
    void AppendUserLogMessage(const wchar_t* text) override;
    const wchar_t* UserLogMessageAtFirstCursor() override;
    const wchar_t* UserLogMessageAtSecondCursor() override;
    void AdvanceFirstCursor() override;
    void AdvanceSecondCursor() override;
    void PushContextFront(const wchar_t* format, va_list args) override;
    void PushContextBack(const wchar_t* format, va_list args) override;
    bool IsContextEmpty() override { return m_context.empty(); }
    const wchar_t* ContextFront() override { return m_context.empty() ? nullptr : m_context.front().c_str(); }
    void PopContextFront() override;
    void PushDetailFront(const wchar_t* templ, va_list* args) override;
    void PushDetailBack(const wchar_t* templ, va_list* args) override;
    bool IsDetailEmpty() override { return m_detail.empty(); }
    const wchar_t* DetailFront() override { return m_detail.empty() ? nullptr : m_detail.front().c_str(); }
    void PopDetailFront() override;
    int GetHandlerCount() override { return static_cast<int>(m_handlers.size()); }
    ErrorHandler GetHandler(int index) override;
    int GetHandlerRegistrations(int index) override;
    void AddHandlerRegistration(int index) override;
    void DropHandlerRegistration(int index) override;
    void AddHandler(ErrorHandler handler) override;
    void RemoveHandler(int index) override;

private:
    struct Cursor {
        size_t position = 0;
        bool valid = false;
    };

    CRITICAL_SECTION m_lock;
    std::wstring m_debugLogName;
    HANDLE m_debugLog = nullptr;
    bool m_debugLogStarted = false;
    std::wstring m_progressText;
    std::wstring m_progressReaderCopy;
    int m_progressValue = 0;
    int m_progressMaximum = 0;
    std::deque<std::wstring> m_userLog;
    Cursor m_firstCursor;
    Cursor m_secondCursor;
    int m_errorCode = 0;
    bool m_errorDeferred = false;
    std::deque<std::wstring> m_context;
    std::deque<std::wstring> m_detail;
    LANGID m_language = LANG_ENGLISH;
    bool m_timestampNext = false;
    bool m_timestampAll = false;
    LONGLONG m_startTime = 0;
    LONGLONG m_frequency = 0;
    int m_loggingMode = LoggingModeDefault;
    ProgressCallback m_progressCallback = nullptr;
    std::vector<ErrorHandler> m_handlers;
    std::vector<int> m_registrations;
    int m_reportDepth = 0;
    bool m_blankLineWritten = false;
    bool m_abortRequested = false;
};

// Holds an output object's lock for a scope.
class SharedDataLock {
public:
    explicit SharedDataLock(ISharedData& data) : m_lock(data.Lock()) { EnterCriticalSection(m_lock); }
    ~SharedDataLock() { LeaveCriticalSection(m_lock); }
    SharedDataLock(const SharedDataLock&) = delete;
    SharedDataLock& operator=(const SharedDataLock&) = delete;

private:
    CRITICAL_SECTION* m_lock;
};

// Formats a message-text template (FormatMessageW "%1" inserts from `args`, an argument list or,
// with `argumentArray`, an array of DWORD_PTR values). False when it cannot be formatted.
bool FormatMessageText(const wchar_t* templ, va_list* args, bool argumentArray, std::wstring& out);

}  // namespace OrbelOutput
}  // namespace OrbelToolbox
