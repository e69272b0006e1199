// The model's side of the system-information component: holders for its interface pointers and
// texts, the COM error its failing calls raise, and the system-information object of the run.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <exception>

#include "CString.h"
#include "ZKSysInfoInterfaces.h"

// A failing call of the component, with its HRESULT.
class SysInfoComError : public std::exception {
public:
    explicit SysInfoComError(HRESULT result) : m_result(result) { }
    HRESULT GetResult() const { return m_result; }
    const char* what() const noexcept override { return "ZKSysInfo call failed"; }

private:
    HRESULT m_result;
};

// Throws SysInfoComError for a failing result.
inline void CheckSysInfo(HRESULT result)
{
    if (FAILED(result))
        throw SysInfoComError(result);
}

// One counted reference to an interface; released with the holder.
template <typename T> class SysInfoPtr {
public:
    SysInfoPtr() : m_p(nullptr) { }
    explicit SysInfoPtr(T* p) : m_p(p) { }  // takes over the reference
    SysInfoPtr(const SysInfoPtr& other) : m_p(other.m_p)
    {
        if (m_p)
            m_p->AddRef();
    }
    SysInfoPtr& operator=(const SysInfoPtr& other)
    {
        SysInfoPtr copy(other);
        T* p = m_p;
        m_p = copy.m_p;
        copy.m_p = p;
        return *this;
    }
    ~SysInfoPtr() { Reset(); }

    void Reset()
    {
        if (m_p)
            m_p->Release();
        m_p = nullptr;
    }
    // For an out parameter: drops the held reference first.
    T** Out()
    {
        Reset();
        return &m_p;
    }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p;
};

// A BSTR freed with the holder.
class SysInfoText {
public:
    SysInfoText() : m_b(nullptr) { }
    // A new BSTR of the text; out of memory raises std::bad_alloc.
    explicit SysInfoText(const wchar_t* text);
    ~SysInfoText() { SysFreeString(m_b); }
    SysInfoText(const SysInfoText&) = delete;
    SysInfoText& operator=(const SysInfoText&) = delete;

    BSTR* Out()
    {
        SysFreeString(m_b);
        m_b = nullptr;
        return &m_b;
    }
    BSTR Get() const { return m_b; }
    CString ToString() const { return CString(m_b ? m_b : L""); }

private:
    BSTR m_b;
};

// The run's system-information object, with a new reference: from the application, asked for
// the component's interface. Failures of the application pass unchanged; an object without the
// interface raises SysInfoComError.
SysInfoPtr<IZKSystemInfo> GetSystemInfoObject();
