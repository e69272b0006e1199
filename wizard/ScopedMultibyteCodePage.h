// The process's multibyte code page set for the lifetime of an object and restored after it,
// also when the scope is left by an exception.
#pragma once

#include <windows.h>

#include <mbctype.h>

class CScopedMultibyteCodePage {
public:
    // A code page of 0 (unknown) changes nothing.
    explicit CScopedMultibyteCodePage(UINT codePage) : m_previous(_getmbcp()), m_changed(codePage != 0)
    {
        if (m_changed)
            _setmbcp(static_cast<int>(codePage));
    }
    ~CScopedMultibyteCodePage()
    {
        if (m_changed)
            _setmbcp(m_previous);
    }
    CScopedMultibyteCodePage(const CScopedMultibyteCodePage&) = delete;
    CScopedMultibyteCodePage& operator=(const CScopedMultibyteCodePage&) = delete;

private:
    int m_previous;
    bool m_changed;
};
