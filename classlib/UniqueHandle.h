// One owner for every kind of handle the program closes: a move-only holder with a small policy
// per kind. The policy names the handle type, the value the holder keeps while it owns nothing,
// which values are not handles, and how a handle is closed:
//
//     struct Traits {
//         using Type = ...;
//         static Type Invalid() noexcept;            // what an empty holder keeps
//         static bool IsValid(Type value) noexcept;  // false for every "no handle" value
//         static void Close(Type value) noexcept;    // called for valid values only
//     };
//
// Closing never changes GetLastError: an error code read after a failed call survives the
// cleanup of the handles on the way out.
#pragma once

#include <windows.h>

namespace OrbelToolbox {

template <class Traits> class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept : m_value(Traits::Invalid()) { }
    explicit UniqueHandle(Type value) noexcept : m_value(value) { }
    ~UniqueHandle() { Close(m_value); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_value(other.Release()) { }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Type Get() const noexcept { return m_value; }
    // For the pointer kinds (COM interfaces, memory blocks).
    Type operator->() const noexcept { return m_value; }
    bool IsValid() const noexcept { return Traits::IsValid(m_value); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Gives the handle up to the caller, who closes it from now on.
    Type Release() noexcept
    {
        Type value = m_value;
        m_value = Traits::Invalid();
        return value;
    }
    // Takes `value` and then closes the handle held before (a reference-counted kind may
    // hand out the same value again).
    void Reset(Type value = Traits::Invalid()) noexcept
    {
        Type previous = m_value;
        m_value = value;
        Close(previous);
    }
    // Closes what is held and gives the place for a call that returns a new handle through an
    // out-parameter.
    Type* AddressOf() noexcept
    {
        Reset();
        return &m_value;
    }

private:
    static void Close(Type value) noexcept
    {
        if (!Traits::IsValid(value))
            return;
        DWORD error = ::GetLastError();
        Traits::Close(value);
        ::SetLastError(error);
    }

    Type m_value;
};

// Kernel objects: files, events, mutexes, threads, tokens. Functions disagree on the failure
// value (null or INVALID_HANDLE_VALUE): neither is ever closed.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr && value != INVALID_HANDLE_VALUE; }
    static void Close(Type value) noexcept { ::CloseHandle(value); }
};

// Searches of FindFirstFileW.
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type value) noexcept { return value != nullptr && value != INVALID_HANDLE_VALUE; }
    static void Close(Type value) noexcept { ::FindClose(value); }
};

struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr; }
    static void Close(Type value) noexcept { ::RegCloseKey(value); }
};

// One reference of LoadLibraryW.
struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr; }
    static void Close(Type value) noexcept { ::FreeLibrary(value); }
};

// Memory of LocalAlloc, and of the functions that allocate with it (FormatMessageW).
template <class T> struct LocalMemoryTraits {
    using Type = T*;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr; }
    static void Close(Type value) noexcept { ::LocalFree(const_cast<void*>(static_cast<const void*>(value))); }
};

// Memory of HeapAlloc on the process heap.
template <class T> struct ProcessHeapMemoryTraits {
    using Type = T*;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr; }
    static void Close(Type value) noexcept
    {
        ::HeapFree(::GetProcessHeap(), 0, const_cast<void*>(static_cast<const void*>(value)));
    }
};

// Fonts, bitmaps, brushes and pens the program created (never stock objects).
template <class T> struct GdiObjectTraits {
    using Type = T;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr; }
    static void Close(Type value) noexcept { ::DeleteObject(value); }
};

// Icons and cursors the program loaded or created (never shared ones, LR_SHARED).
struct IconTraits {
    using Type = HICON;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr; }
    static void Close(Type value) noexcept { ::DestroyIcon(value); }
};

// One reference to a COM object.
template <class T> struct ComReleaseTraits {
    using Type = T*;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type value) noexcept { return value != nullptr; }
    static void Close(Type value) noexcept { value->Release(); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
template <class T = void> using UniqueLocalPtr = UniqueHandle<LocalMemoryTraits<T>>;
template <class T = void> using UniqueProcessHeapPtr = UniqueHandle<ProcessHeapMemoryTraits<T>>;
template <class T = HGDIOBJ> using UniqueGdiObject = UniqueHandle<GdiObjectTraits<T>>;
using UniqueIcon = UniqueHandle<IconTraits>;
// Holds a reference it was given (AddRef is the giver's business) and releases it at the end;
// Release() hands the reference on without releasing it.
template <class T> using ComPtr = UniqueHandle<ComReleaseTraits<T>>;

}  // namespace OrbelToolbox
