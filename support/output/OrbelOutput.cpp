#include "OrbelOutput.h"
#include "SystemMessage.h"

#include <cstdarg>
#include <exception>
#include <string>

#include "MsPrintf.h"
#include "UniqueHandle.h"
#include "VaListEnd.h"

namespace OrbelToolbox {
namespace OrbelOutput {

namespace {

// Report state of the process: the code of the report in progress and the number of its
// exception objects alive.
volatile LONG g_errorCode = 0;
volatile LONG g_reportDepth = 0;

void WriteLine(const std::wstring& text)
{
    std::wstring line = L"OrbelToolbox: " + text + L"\r\n";
    OutputDebugStringW(line.c_str());
}

// Starts the report; false when one is already in progress or an exception is unwinding
// (the failure then only adds a line).
bool BeginReport(int code, const std::wstring& text)
{
    if (std::uncaught_exceptions() > 0) {
        WriteLine(L"Further error while unwinding: " + text);
        return false;
    }
    if (InterlockedCompareExchange(&g_errorCode, code, 0) != 0) {
        WriteLine(L"Further error while reporting: " + text);
        return false;
    }
    WriteLine(text);
    return true;
}

}  // namespace

PrivateException::PrivateException()
{
    InterlockedIncrement(&g_reportDepth);
}

PrivateException::PrivateException(const PrivateException&)
{
    InterlockedIncrement(&g_reportDepth);
}

PrivateException::~PrivateException()
{
    if (InterlockedDecrement(&g_reportDepth) == 0) {
        InterlockedExchange(&g_errorCode, 0);
    }
}

void ReportError(int code)
{
    if (code == 0) {
        return;
    }
    if (BeginReport(code, MsFormat(L"Error %d", code))) {
        throw PrivateException();
    }
}

void Error(int code, const wchar_t* format, ...)
{
    std::wstring text;
    {
        va_list args;
        va_start(args, format);
        VaListEnd end(args);
        try {
            text = MsFormatV(format, args);
        } catch (...) {
            text = format ? format : L"";
        }
    }
    if (code != 0 && BeginReport(code, MsFormat(L"Error %d: %s", code, text.c_str()))) {
        throw PrivateException();
    }
}

void ReportWindowsError(DWORD error, const wchar_t* functionName)
{
    std::wstring text = MsFormat(L"Windows function %s returned an error. Error code: %u",
                                 functionName ? functionName : L"", error);
    const CString system = SystemMessageText(error);
    if (!system.IsEmpty()) {
        text += L" ";
        text += system.GetString();
    }
    if (BeginReport(-12, text)) {
        SetLastError(error);
        throw PrivateException();
    }
}

void ReportLastWindowsError(const wchar_t* functionName)
{
    ReportWindowsError(GetLastError(), functionName);
}

int GetErrorCode()
{
    return static_cast<int>(g_errorCode);
}

}  // namespace OrbelOutput
}  // namespace OrbelToolbox
