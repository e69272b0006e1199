// The plumbing every object of the server shares: a thread-safe reference count, QueryInterface
// for IUnknown, IDispatch and the object's own interface, an IDispatch without type information,
// the count of live objects that DllCanUnloadNow reads, and the barrier that keeps every C++
// exception inside the server.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <new>
#include <string>
#include <type_traits>

// Live objects and class-factory locks of the module.
extern LONG g_serverReferences;

// Runs a method body: its result, E_OUTOFMEMORY for std::bad_alloc, E_UNEXPECTED for anything
// else thrown. No exception leaves a method of the server.
template <typename Body> HRESULT ComBarrier(Body body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// A new BSTR of `text`; throws std::bad_alloc.
BSTR NewText(const std::wstring& text);

// Hands a new object (reference count 0) to an out parameter: its first reference is the caller's.
template <typename Interface> HRESULT GiveObject(Interface* created, Interface** out)
{
    created->AddRef();
    *out = created;
    return S_OK;
}

// Reference count and QueryInterface of an object whose interface is `Interface`, with its id
// `ownIid` (null for the collections, which are reached only through the methods that return
// them). IDispatch is answered when the interface derives from it.
template <typename Interface, const IID* ownIid = nullptr> class ComUnknown : public Interface {
public:
    ComUnknown() { InterlockedIncrement(&g_serverReferences); }
    virtual ~ComUnknown() { InterlockedDecrement(&g_serverReferences); }
    ComUnknown(const ComUnknown&) = delete;
    ComUnknown& operator=(const ComUnknown&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || (ownIid && IsEqualIID(iid, *ownIid))
            || (std::is_base_of<IDispatch, Interface>::value && IsEqualIID(iid, IID_IDispatch))) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

private:
    LONG m_references = 0;
};

// The base of every object of the component: `Interface` derives from IDispatch.
template <typename Interface, const IID* ownIid = nullptr> class ComObject : public ComUnknown<Interface, ownIid> {
public:
    // Late binding is not offered: callers use the interfaces' tables.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
};
