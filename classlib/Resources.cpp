#include "Resources.h"

#include <atomic>

namespace {

// Null means "not set": the instance falls back to the executable, the resource handle to the
// instance.
std::atomic<HINSTANCE> g_instance{nullptr};
std::atomic<HINSTANCE> g_resources{nullptr};

const UINT kStringsPerBlock = 16;

// True when `size` bytes from `data` are committed, readable memory of the allocation that
// starts at `base` (the module's mapping).
bool InModuleMemory(const void* base, const void* data, SIZE_T size)
{
    const BYTE* at = static_cast<const BYTE*>(data);
    const BYTE* end = at + size;
    if (end < at) {
        return false;
    }
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE
        | PAGE_EXECUTE_WRITECOPY;
    do {
        MEMORY_BASIC_INFORMATION info;
        if (::VirtualQuery(at, &info, sizeof(info)) != sizeof(info) || info.AllocationBase != base
            || info.State != MEM_COMMIT || !(info.Protect & readable) || (info.Protect & PAGE_GUARD)) {
            return false;
        }
        at = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize;
    } while (at < end);
    return true;
}

bool FindStringIn(HINSTANCE module, UINT id, const wchar_t*& text, int& length)
{
    return module && FindStringResource(module, id, text, length);
}

}  // namespace

HINSTANCE AfxGetInstanceHandle()
{
    HINSTANCE instance = g_instance.load();
    return instance ? instance : ::GetModuleHandleW(nullptr);
}

void AfxSetInstanceHandle(HINSTANCE instance)
{
    g_instance.store(instance);
}

HINSTANCE AfxGetResourceHandle()
{
    HINSTANCE resources = g_resources.load();
    return resources ? resources : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE resources)
{
    g_resources.store(resources);
}

bool AfxFindString(UINT id, const wchar_t*& text, int& length)
{
    HINSTANCE resources = AfxGetResourceHandle();
    if (FindStringIn(resources, id, text, length)) {
        return true;
    }
    HINSTANCE program = AfxGetInstanceHandle();
    return program != resources && FindStringIn(program, id, text, length);
}

bool FindStringResource(HINSTANCE module, UINT id, const wchar_t*& text, int& length)
{
    id &= 0xFFFF;
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id / kStringsPerBlock + 1), MAKEINTRESOURCEW(6));
    if (!found) {
        return false;
    }
    const DWORD size = ::SizeofResource(module, found);
    HGLOBAL loaded = ::LoadResource(module, found);
    const WORD* block = loaded ? static_cast<const WORD*>(::LockResource(loaded)) : nullptr;
    // A module loaded as a data file has flags in the low bits of its handle.
    const void* base = reinterpret_cast<const void*>(reinterpret_cast<ULONG_PTR>(module) & ~static_cast<ULONG_PTR>(3));
    if (!block || !InModuleMemory(base, block, size)) {
        ::SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    // The block: 16 strings, each a count of characters followed by that many characters.
    const size_t words = size / sizeof(WORD);
    size_t at = 0;
    for (UINT index = 0;; ++index) {
        if (at >= words || block[at] > words - at - 1) {
            ::SetLastError(ERROR_INVALID_DATA);
            return false;
        }
        const WORD count = block[at];
        if (index == id % kStringsPerBlock) {
            if (count == 0) {
                ::SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
                return false;
            }
            text = reinterpret_cast<const wchar_t*>(block + at + 1);
            length = count;
            return true;
        }
        at += 1 + static_cast<size_t>(count);
    }
}
