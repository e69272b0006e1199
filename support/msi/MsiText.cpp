#include "MsiText.h"

#include "VaListEnd.h"

namespace MsiText {

const wchar_t* Get(const MsiString& s)
{
    return s.GetString();
}

int Length(const MsiString& s)
{
    return s.GetLength();
}

void Assign(MsiString& s, const wchar_t* text)
{
    s.Assign(text ? text : L"", 0, -1);
}

void Append(MsiString& s, const wchar_t* text)
{
    if (text)
        s.Append(text, 0, -1);
}

void Append(MsiString& s, const wchar_t* text, int count)
{
    s.Append(text, 0, count);
}

void FormatV(MsiString& s, const wchar_t* format, va_list args)
{
    s.FormatV(format, args);
}

void Format(MsiString& s, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    s.FormatV(format, args);
}

void AppendFormat(MsiString& s, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    s.AppendFormatV(format, args);
}

wchar_t* Buffer(MsiString& s, DWORD count)
{
    wchar_t* buffer = s.GetBuffer(static_cast<int>(count));
    buffer[0] = L'\0';
    return buffer;
}

void SetLengthFromText(MsiString& s)
{
    s.SetLength(-1);
}

}  // namespace MsiText
