// Holders of the layer's reference-counted objects. A holder adds one reference to the object
// it holds and drops it when it lets go; the last holder deletes the object (which closes its
// handle). Every factory of the layer returns an MsiSmartPtr by value, holding the only
// reference.
#pragma once

#include <windows.h>
#include <msi.h>

template <typename T> class SmartPtr {
public:
    SmartPtr() noexcept : m_ptr(nullptr) { }
    SmartPtr(T* ptr) noexcept : m_ptr(ptr)
    {
        if (m_ptr)
            m_ptr->AddRef();
    }
    SmartPtr(const SmartPtr& other) noexcept : m_ptr(other.m_ptr)
    {
        if (m_ptr)
            m_ptr->AddRef();
    }
    ~SmartPtr() { Reset(); }

    // Takes the new reference before dropping the old one, so that assigning a holder to itself
    // (or to a holder of the same object) never deletes the object.
    SmartPtr& operator=(const SmartPtr& other) noexcept { return Assign(other.m_ptr); }
    SmartPtr& operator=(T* ptr) noexcept { return Assign(ptr); }

    T* Get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    T& operator*() const noexcept { return *m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }
    bool IsNull() const noexcept { return m_ptr == nullptr; }

    void Reset() noexcept
    {
        T* old = m_ptr;
        m_ptr = nullptr;
        if (old)
            old->Release();
    }

private:
    SmartPtr& Assign(T* ptr) noexcept
    {
        if (ptr)
            ptr->AddRef();
        T* old = m_ptr;
        m_ptr = ptr;
        if (old)
            old->Release();
        return *this;
    }

    T* m_ptr;
};

template <typename T> class MsiSmartPtr : public SmartPtr<T> {
public:
    MsiSmartPtr() noexcept = default;
    MsiSmartPtr(T* ptr) noexcept : SmartPtr<T>(ptr) { }
    MsiSmartPtr(const MsiSmartPtr& other) noexcept = default;
    MsiSmartPtr& operator=(const MsiSmartPtr& other) noexcept
    {
        SmartPtr<T>::operator=(other);
        return *this;
    }
    MsiSmartPtr& operator=(T* ptr) noexcept
    {
        SmartPtr<T>::operator=(ptr);
        return *this;
    }

    // The held object's handle, or 0 when the holder is null.
    MSIHANDLE GetHandle() const { return this->Get() ? this->Get()->GetHandle() : 0; }
};
