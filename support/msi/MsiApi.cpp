#include "MsiApi.h"

#include <cstddef>
#include <cstring>

#include "DelayLoadException.h"
#include "DynamicLibrary.h"
#include "ForeignCallBoundary.h"

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
#define VELMO_MSI_BINDER(ret, name, params, args)                                                                      \
    ret WINAPI Bind_##name params;                                                                                     \
    ret WINAPI Guard_##name params;                                                                                    \
    typedef ret(WINAPI* name##_fn) params;
VELMO_MSI_FUNCTIONS(VELMO_MSI_BINDER)
#undef VELMO_MSI_BINDER

// The library's own functions as bound; the table holds them behind a boundary (Guard_...), so
// that a fault inside the library that nothing handles ends the call with SEH_Exception. The
// functions that release handles are called directly: they run in destructors, which must not
// throw.
MsiApiTable g_bound = {};

bool IsGuarded(const char* name)
{
    return std::strcmp(name, "MsiCloseHandle") != 0 && std::strcmp(name, "MsiViewClose") != 0;
}

MsiApiTable g_table = {
#define VELMO_MSI_INITIAL(ret, name, params, args) &Bind_##name,
    VELMO_MSI_FUNCTIONS(VELMO_MSI_INITIAL)
#undef VELMO_MSI_INITIAL
};

// Every entry unbound: the value each entry holds until its first call.
const MsiApiTable kBinders = {
#define VELMO_MSI_INITIAL(ret, name, params, args) &Bind_##name,
    VELMO_MSI_FUNCTIONS(VELMO_MSI_INITIAL)
#undef VELMO_MSI_INITIAL
};

typedef void (*AnyFunction)();
const int kEntryCount = static_cast<int>(sizeof(MsiApiTable) / sizeof(AnyFunction));

// Per entry, the number of test replacements alive; and the number of unloads that freed the
// library.
LONG volatile g_overrides[kEntryCount] = {};
LONG volatile g_unloads = 0;

// The entry at `index` of a table, as a plain function pointer.
AnyFunction EntryAt(const MsiApiTable& table, int index)
{
    AnyFunction fn;
    std::memcpy(&fn, reinterpret_cast<const char*>(&table) + index * sizeof(AnyFunction), sizeof(fn));
    return fn;
}

template <typename F> void StoreIfUnchanged(F volatile& entry, F binder, F bound)
{
    InterlockedCompareExchangePointer(
        reinterpret_cast<PVOID volatile*>(&entry), reinterpret_cast<PVOID>(bound), reinterpret_cast<PVOID>(binder));
}

// The entry's value for a bound library function.
#define VELMO_MSI_ENTRY_VALUE(name, fn) (IsGuarded(#name) ? &Guard_##name : (fn))

#define VELMO_MSI_BINDER_BODY(ret, name, params, args)                                                                 \
    ret WINAPI Bind_##name params                                                                                      \
    {                                                                                                                  \
        name##_fn fn = reinterpret_cast<name##_fn>(reinterpret_cast<void (*)()>(FindEntry(#name, true)));              \
        g_bound.name = fn;                                                                                             \
        name##_fn entry = VELMO_MSI_ENTRY_VALUE(name, fn);                                                             \
        StoreIfUnchanged<name##_fn>(g_table.name, &Bind_##name, entry);                                                \
        return entry args;                                                                                             \
    }                                                                                                                  \
    ret WINAPI Guard_##name params                                                                                     \
    {                                                                                                                  \
        return CallAtForeignBoundary([&]() { return g_bound.name args; });                                             \
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
#define VELMO_MSI_RESET(ret, name, params, args)                                                                       \
    if (g_overrides[offsetof(MsiApiTable, name) / sizeof(AnyFunction)] == 0)                                           \
        g_table.name = &Bind_##name;
    VELMO_MSI_FUNCTIONS(VELMO_MSI_RESET)
#undef VELMO_MSI_RESET
    if (!g_library.GetHandle())
        return true;
    InterlockedIncrement(&g_unloads);
    return g_library.Unload();
}

MsiApiOverrideToken MsiApiBeginOverride(const void* entry)
{
    MsiApiOverrideToken token = {-1, false, g_unloads};
    const char* at = static_cast<const char*>(entry);
    const char* begin = reinterpret_cast<const char*>(&g_table);
    if (at < begin || at >= begin + sizeof(MsiApiTable))
        return token;  // not an entry of the table: nothing to keep track of
    token.index = static_cast<int>((at - begin) / sizeof(AnyFunction));
    // Bound: neither unbound nor another replacement.
    token.previousBound
        = g_overrides[token.index] == 0 && EntryAt(g_table, token.index) != EntryAt(kBinders, token.index);
    InterlockedIncrement(&g_overrides[token.index]);
    return token;
}

AnyFunction MsiApiEndOverride(const MsiApiOverrideToken& token)
{
    if (token.index < 0)
        return nullptr;
    InterlockedDecrement(&g_overrides[token.index]);
    if (token.previousBound && token.unloads != g_unloads)
        return EntryAt(kBinders, token.index);
    return nullptr;
}

decltype(MsiApiTable::MsiEnumComponentCostsW) MsiApiEnumComponentCosts()
{
    if (g_table.MsiEnumComponentCostsW != &Bind_MsiEnumComponentCostsW)
        return g_table.MsiEnumComponentCostsW;
    MsiEnumComponentCostsW_fn fn = reinterpret_cast<MsiEnumComponentCostsW_fn>(
        reinterpret_cast<void (*)()>(FindEntry("MsiEnumComponentCostsW", false)));
    if (!fn)
        return nullptr;
    g_bound.MsiEnumComponentCostsW = fn;
    StoreIfUnchanged<MsiEnumComponentCostsW_fn>(
        g_table.MsiEnumComponentCostsW, &Bind_MsiEnumComponentCostsW, &Guard_MsiEnumComponentCostsW);
    return g_table.MsiEnumComponentCostsW;
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
    if (WideCharToMultiByte(CP_ACP, 0, g_library.GetName(), -1, g_moduleNameAnsi, MAX_PATH, nullptr, nullptr) == 0)
        lstrcpynA(g_moduleNameAnsi, kDefaultModuleAnsi, MAX_PATH);
}
