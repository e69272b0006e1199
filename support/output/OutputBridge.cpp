#include "OutputBridge.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <exception>

#include "OrbelOutput.h"

namespace OrbelToolbox {

namespace {

volatile LONG g_abortRequested = 0;
OrbelOutput::ProgressCallback g_progressCallback = nullptr;

void WriteDebugLine(const std::wstring& text)
{
    std::wstring line = L"OrbelToolbox: " + text;
    if (line.empty() || (line.back() != L'\n' && line.back() != L'\r')) {
        line += L"\r\n";
    }
    OutputDebugStringW(line.c_str());
}

std::wstring FormatOrKeep(const wchar_t* format, va_list args)
{
    try {
        return MsFormatV(format, args);
    } catch (...) {
        return format ? format : L"";
    }
}

}  // namespace

ContextMessageHolder::~ContextMessageHolder()
{
    if (std::uncaught_exceptions() > m_unwinding) {
        WriteDebugLine(L"> " + m_text);
    }
}

namespace OrbelOutput {

void DebugPrint(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring text = FormatOrKeep(format, args);
    va_end(args);
    WriteDebugLine(text);
}

void Print(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring text = FormatOrKeep(format, args);
    va_end(args);
    WriteDebugLine(L"> " + text);
}

void ReportCrtError(const wchar_t* functionName)
{
    const int error = errno;
    ContextMessageHolder context(L"C Runtime function %s returned an error. Error code: %d",
                                 functionName ? functionName : L"", error);
    const wchar_t* text = _wcserror(error);
    if (text != nullptr && *text != L'\0') {
        Error(-13, L"%s", text);
    } else {
        ReportError(-13);
    }
}

void SetProgressCallback(ProgressCallback callback)
{
    g_progressCallback = callback;
}

void PostProgress(int value, int maximum, const wchar_t* text)
{
    if (g_progressCallback != nullptr) {
        g_progressCallback(text ? text : L"", value, maximum);
    }
}

void RequestAbort()
{
    InterlockedExchange(&g_abortRequested, 1);
}

void ClearAbortRequest()
{
    InterlockedExchange(&g_abortRequested, 0);
}

bool IsAbortRequested()
{
    return InterlockedCompareExchange(&g_abortRequested, 0, 0) != 0;
}

void CheckAbort()
{
    if (GetErrorCode() == -100) {
        return;  // the cancellation is already being reported
    }
    if (IsAbortRequested()) {
        ReportError(-100);
    }
}

LANGID GetFullLanguageId(LANGID language)
{
    switch (language) {
    case 9:
        return 0x0409;
    case 12:
        return 0x040C;
    case 17:
        return 0x0411;
    case 18:
        return 0x0412;
    case 7:
        return 0x0407;
    default:
        return language;
    }
}

}  // namespace OrbelOutput
}  // namespace OrbelToolbox
