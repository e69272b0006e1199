#include "MsiApi.h"

#include "DelayLoadException.h"
#include "DynamicLibrary.h"

namespace {

const wchar_t kDefaultModule[] = L"msi.dll";
const char kDefaultModuleAnsi[] = "msi.dll";

// The library the table is bound to (its file name is a seam for tests).
OrbelToolbox::DynamicLibrary g_library(kDefaultModule);
char g_moduleNameAnsi[MAX_PATH] = "msi.dll";

// Throws the delay-load exception object for a module (0xC06D007E) or an entry point
// (0xC06D007F) that could not be bound.
[[noreturn]] void ThrowBindFailure(DWORD code, const char* procName)
{
    throw DelayLoadException(code, g_moduleNameAnsi, procName ? procName : "");
}

const DWORD kModuleNotFound = DelayLoadException::kModuleNotFound;
const DWORD kProcNotFound = DelayLoadException::kProcedureNotFound;

FARPROC FindEntry(const char* name, bool required)
{
    if (!g_library.TryLoad())
        ThrowBindFailure(kModuleNotFound, nullptr);
    FARPROC proc = g_library.TryGetProc(name);
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
    return g_library.GetHandle();
}

bool MsiApiUnload()
{
#define VELMO_MSI_RESET(ret, name, params, args) g_table.name = &Bind_##name;
    VELMO_MSI_FUNCTIONS(VELMO_MSI_RESET)
#undef VELMO_MSI_RESET
    return g_library.Unload();
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
    // Takes effect at the next binding: entries bound to the previous library go back to their
    // binders before it is freed.
#define VELMO_MSI_RESET(ret, name, params, args) g_table.name = &Bind_##name;
    VELMO_MSI_FUNCTIONS(VELMO_MSI_RESET)
#undef VELMO_MSI_RESET
    g_library.Unload(name);
    if (WideCharToMultiByte(CP_ACP, 0, g_library.GetName(), -1, g_moduleNameAnsi, MAX_PATH, nullptr,
                            nullptr) == 0)
        lstrcpynA(g_moduleNameAnsi, kDefaultModuleAnsi, MAX_PATH);
}
