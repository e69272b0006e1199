#include "MsiApi.h"

#include "DelayLoadException.h"
#include "UniqueHandle.h"

namespace {

const wchar_t kDefaultModule[] = L"msi.dll";
const char kDefaultModuleAnsi[] = "msi.dll";

// The module the table is bound to; null while nothing is bound.
HMODULE volatile g_module = nullptr;
// The file name to bind (a seam for tests); kept in a fixed buffer, never freed.
wchar_t g_moduleName[MAX_PATH] = L"msi.dll";
char g_moduleNameAnsi[MAX_PATH] = "msi.dll";

// Throws the delay-load exception object for a module (0xC06D007E) or an entry point
// (0xC06D007F) that could not be bound.
[[noreturn]] void ThrowBindFailure(DWORD code, const char* procName)
{
    throw DelayLoadException(code, g_moduleNameAnsi, procName ? procName : "");
}

const DWORD kModuleNotFound = DelayLoadException::kModuleNotFound;
const DWORD kProcNotFound = DelayLoadException::kProcedureNotFound;

HMODULE BindModule()
{
    HMODULE module = g_module;
    if (module)
        return module;
    OrbelToolbox::UniqueModule loaded(LoadLibraryW(g_moduleName));
    if (!loaded)
        ThrowBindFailure(kModuleNotFound, nullptr);
    HMODULE previous = static_cast<HMODULE>(InterlockedCompareExchangePointer(
        reinterpret_cast<PVOID volatile*>(const_cast<HMODULE*>(&g_module)), loaded.Get(), nullptr));
    if (previous)
        return previous;  // another thread bound first: only its reference stays
    return loaded.Release();
}

FARPROC FindEntry(const char* name, bool required)
{
    HMODULE module = BindModule();
    FARPROC proc = GetProcAddress(module, name);
    if (!proc && required)
        ThrowBindFailure(kProcNotFound, name);
    return proc;
}

// The binders: one per entry. Each resolves its function, stores it in the entry (unless a test
// replaced the entry meanwhile) and calls it.
#define VELMO_MSI_BINDER(ret, name, params, args)                                                  \
    ret WINAPI Bind_##name params;                                                                 \
    typedef ret(WINAPI* name##_fn) params;
VELMO_MSI_FUNCTIONS(VELMO_MSI_BINDER)
#undef VELMO_MSI_BINDER

MsiApiTable g_table = {
#define VELMO_MSI_INITIAL(ret, name, params, args) &Bind_##name,
    VELMO_MSI_FUNCTIONS(VELMO_MSI_INITIAL)
#undef VELMO_MSI_INITIAL
};

template <typename F>
void StoreIfUnchanged(F volatile& entry, F binder, F bound)
{
    InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&entry),
                                      reinterpret_cast<PVOID>(bound),
                                      reinterpret_cast<PVOID>(binder));
}

#define VELMO_MSI_BINDER_BODY(ret, name, params, args)                                             \
    ret WINAPI Bind_##name params                                                                  \
    {                                                                                              \
        name##_fn fn = reinterpret_cast<name##_fn>(                                               \
            reinterpret_cast<void (*)()>(FindEntry(#name, true)));                                 \
        StoreIfUnchanged<name##_fn>(g_table.name, &Bind_##name, fn);                               \
        return fn args;                                                                            \
    }
VELMO_MSI_FUNCTIONS(VELMO_MSI_BINDER_BODY)
#undef VELMO_MSI_BINDER_BODY

}  // namespace

MsiApiTable& MsiApi()
{
    return g_table;
}

HMODULE MsiApiModule()
{
    return g_module;
}

bool MsiApiUnload()
{
#define VELMO_MSI_RESET(ret, name, params, args) g_table.name = &Bind_##name;
    VELMO_MSI_FUNCTIONS(VELMO_MSI_RESET)
#undef VELMO_MSI_RESET
    HMODULE module = static_cast<HMODULE>(InterlockedExchangePointer(
        reinterpret_cast<PVOID volatile*>(const_cast<HMODULE*>(&g_module)), nullptr));
    if (!module)
        return true;
    return FreeLibrary(module) != FALSE;
}

decltype(MsiApiTable::MsiEnumComponentCostsW) MsiApiEnumComponentCosts()
{
    if (g_table.MsiEnumComponentCostsW != &Bind_MsiEnumComponentCostsW)
        return g_table.MsiEnumComponentCostsW;
    MsiEnumComponentCostsW_fn fn = reinterpret_cast<MsiEnumComponentCostsW_fn>(
        reinterpret_cast<void (*)()>(FindEntry("MsiEnumComponentCostsW", false)));
    if (fn)
        StoreIfUnchanged<MsiEnumComponentCostsW_fn>(g_table.MsiEnumComponentCostsW,
                                                    &Bind_MsiEnumComponentCostsW, fn);
    return fn;
}

void MsiApiSetModuleName(const wchar_t* name)
{
    if (!name)
        name = kDefaultModule;
    lstrcpynW(g_moduleName, name, MAX_PATH);
    if (WideCharToMultiByte(CP_ACP, 0, g_moduleName, -1, g_moduleNameAnsi, MAX_PATH, nullptr,
                            nullptr) == 0)
        lstrcpynA(g_moduleNameAnsi, kDefaultModuleAnsi, MAX_PATH);
}
