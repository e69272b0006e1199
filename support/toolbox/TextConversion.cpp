#include "TextConversion.h"

#include <cstring>
#include <cwchar>
#include <limits>
#include <new>

#include "OrbelOutput.h"
#include "StringBuffer.h"

namespace OrbelToolbox {

namespace {

// Length plus the terminator, as the conversion calls count it.
int CountWithTerminator(size_t length)
{
    if (length >= static_cast<size_t>(std::numeric_limits<int>::max())) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return static_cast<int>(length) + 1;
}

int WideSize(const wchar_t* text, UINT codePage)
{
    int count = CountWithTerminator(wcslen(text));
    int size = count == 0 ? 0 : WideCharToMultiByte(codePage, 0, text, count, nullptr, 0, nullptr, nullptr);
    if (size == 0) {
        OrbelOutput::ReportLastWindowsError(L"WideCharToMultiByte");
    }
    return size;
}

int NarrowSize(const char* text, UINT codePage)
{
    int count = CountWithTerminator(strlen(text));
    int size = count == 0 ? 0 : MultiByteToWideChar(codePage, 0, text, count, nullptr, 0);
    if (size == 0) {
        OrbelOutput::ReportLastWindowsError(L"MultiByteToWideChar");
    }
    return size;
}

}  // namespace

NarrowBuffer::NarrowBuffer(const wchar_t* text, UINT codePage)
{
    WideToMultiByte(text, *this, codePage);
}

NarrowBuffer::~NarrowBuffer()
{
    delete[] m_text;
}

void NarrowBuffer::Reset(char* text)
{
    delete[] m_text;
    m_text = text;
}

WideBuffer::WideBuffer(const char* text, UINT codePage)
{
    MultiByteToWide(text, *this, codePage);
}

WideBuffer::~WideBuffer()
{
    delete[] m_text;
}

void WideBuffer::Reset(wchar_t* text)
{
    delete[] m_text;
    m_text = text;
}

void WideToMultiByte(const wchar_t* text, NarrowBuffer& out, UINT codePage)
{
    out.Reset();
    if (text == nullptr) {
        return;
    }
    int size = WideSize(text, codePage);
    if (size == 0) {
        return;
    }
    char* buffer = new char[size];
    out.Reset(buffer);
    if (WideCharToMultiByte(codePage, 0, text, static_cast<int>(wcslen(text)) + 1, buffer, size, nullptr, nullptr)
        == 0) {
        OrbelOutput::ReportLastWindowsError(L"WideCharToMultiByte");
    }
}

void MultiByteToWide(const char* text, WideBuffer& out, UINT codePage)
{
    out.Reset();
    if (text == nullptr) {
        return;
    }
    int size = NarrowSize(text, codePage);
    if (size == 0) {
        return;
    }
    wchar_t* buffer = new wchar_t[size];
    out.Reset(buffer);
    if (MultiByteToWideChar(codePage, 0, text, static_cast<int>(strlen(text)) + 1, buffer, size) == 0) {
        OrbelOutput::ReportLastWindowsError(L"MultiByteToWideChar");
    }
}

void WideToMultiByte(const wchar_t* text, std::string& out, UINT codePage)
{
    out.clear();
    if (text == nullptr) {
        return;
    }
    int size = WideSize(text, codePage);
    if (size == 0) {
        return;
    }
    out.resize(static_cast<size_t>(size));  // the room includes the terminator
    int written
        = WideCharToMultiByte(codePage, 0, text, static_cast<int>(wcslen(text)) + 1, &out[0], size, nullptr, nullptr);
    if (written == 0) {
        out.clear();
        OrbelOutput::ReportLastWindowsError(L"WideCharToMultiByte");
        return;
    }
    SetStringLength(out, written - 1);
}

void MultiByteToWide(const char* text, std::wstring& out, UINT codePage)
{
    out.clear();
    if (text == nullptr) {
        return;
    }
    int size = NarrowSize(text, codePage);
    if (size == 0) {
        return;
    }
    out.resize(static_cast<size_t>(size));
    int written = MultiByteToWideChar(codePage, 0, text, static_cast<int>(strlen(text)) + 1, &out[0], size);
    if (written == 0) {
        out.clear();
        OrbelOutput::ReportLastWindowsError(L"MultiByteToWideChar");
        return;
    }
    SetStringLength(out, written - 1);
}

}  // namespace OrbelToolbox
