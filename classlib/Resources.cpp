#include "Resources.h"

#include <atomic>

namespace {

// Null means "not set": the instance falls back to the executable, the resource handle to the
// instance.
std::atomic<HINSTANCE> g_instance{nullptr};
std::atomic<HINSTANCE> g_resources{nullptr};

bool FindStringIn(HINSTANCE module, UINT id, const wchar_t*& text, int& length)
{
    if (!module) {
        return false;
    }
    // With a buffer size of 0 LoadStringW returns a pointer to the resource itself, so a
    // string of any length is found without copying.
    const wchar_t* resource = nullptr;
    int n = ::LoadStringW(module, id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (n <= 0 || !resource) {
        return false;
    }
    text = resource;
    length = n;
    return true;
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
