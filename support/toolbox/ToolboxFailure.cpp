#include "ToolboxFailure.h"

#include <cstdarg>
#include <string>

#include "MsPrintf.h"
#include "OrbelOutput.h"

namespace OrbelToolbox {

void Refuse(int code, const wchar_t* format, ...)
{
    std::wstring text;
    va_list args;
    va_start(args, format);
    try {
        text = MsFormatV(format, args);
    } catch (...) {
        text = format ? format : L"";
    }
    va_end(args);
    OrbelOutput::Error(code, L"%s", text.c_str());
    throw OrbelOutput::PrivateException();
}

void RefuseWindowsError(DWORD error, const wchar_t* functionName)
{
    OrbelOutput::ReportWindowsError(error, functionName);
    throw OrbelOutput::PrivateException();
}

void RefuseLastWindowsError(const wchar_t* functionName)
{
    RefuseWindowsError(GetLastError(), functionName);
}

void RefuseCrtError(const wchar_t* functionName)
{
    OrbelOutput::ReportCrtError(functionName);
    throw OrbelOutput::PrivateException();
}

}  // namespace OrbelToolbox
