// Conversions between UTF-16 and code-page text, terminator included. A failed conversion is
// reported (code -12, naming WideCharToMultiByte or MultiByteToWideChar) and does not return.
#pragma once

#include <windows.h>

#include <string>

namespace OrbelToolbox {

// One heap narrow string, made from wide text in a code page; null when made from null.
class NarrowBuffer {
public:
    NarrowBuffer() = default;
    NarrowBuffer(const wchar_t* text, UINT codePage);
    ~NarrowBuffer();
    NarrowBuffer(const NarrowBuffer&) = delete;
    NarrowBuffer& operator=(const NarrowBuffer&) = delete;

    const char* Get() const { return m_text; }
    operator const char*() const { return m_text; }
    // The owned allocation, replaced by the conversion.
    void Reset(char* text = nullptr);

private:
    char* m_text = nullptr;
};

// One heap UTF-16 string, made from narrow text in a code page; null when made from null.
class WideBuffer {
public:
    WideBuffer() = default;
    WideBuffer(const char* text, UINT codePage);
    ~WideBuffer();
    WideBuffer(const WideBuffer&) = delete;
    WideBuffer& operator=(const WideBuffer&) = delete;

    const wchar_t* Get() const { return m_text; }
    operator const wchar_t*() const { return m_text; }
    void Reset(wchar_t* text = nullptr);

private:
    wchar_t* m_text = nullptr;
};

void WideToMultiByte(const wchar_t* text, NarrowBuffer& out, UINT codePage);
void MultiByteToWide(const char* text, WideBuffer& out, UINT codePage);

// The same into standard strings (whose length excludes the terminator); null text empties
// the string.
void WideToMultiByte(const wchar_t* text, std::string& out, UINT codePage);
void MultiByteToWide(const char* text, std::wstring& out, UINT codePage);

}  // namespace OrbelToolbox
