// Base of every Windows Installer wrapper: an intrusive reference count, the wrapped handle and
// a one-line description.
#pragma once

#include <windows.h>
#include <msi.h>

#include "MsiText.h"

// The reference count of a wrapper. Only the holders (SmartPtr) change it; the objects cross
// threads (loader, user interface, install thread), so the count is interlocked.
class RefCount {
public:
    RefCount() noexcept : m_refCount(0) { }
    virtual ~RefCount() = default;

    LONG AddRef() noexcept { return InterlockedIncrement(&m_refCount); }
    // Drops one reference; deletes the object when it was the last one.
    void Release() noexcept
    {
        if (InterlockedDecrement(&m_refCount) == 0)
            delete this;
    }
    LONG GetRefCount() const noexcept { return m_refCount; }

    RefCount(const RefCount&) = delete;
    RefCount& operator=(const RefCount&) = delete;

private:
    LONG volatile m_refCount;
};

class IMsiObject : public RefCount {
public:
    // The wrapped handle, or 0 when the object has none.
    virtual MSIHANDLE GetHandle() const = 0;
    // Puts a one-line description of the object into `text` and returns it.
    virtual MsiString& Describe(MsiString& text) const = 0;
};
