#include "DynamicLibrary.h"

#include <cstring>
#include <cwchar>
#include <vector>

#include "OrbelOutput.h"
#include "PlatformApi.h"

namespace OrbelToolbox {

namespace {

const wchar_t kMissingFunction[] = L"OrbelToolbox: Dynamic library function %hs was not loaded from library %s.";
const size_t kFirstModuleBufferBytes = 256;
const DWORD kModuleNameProbe = 16;

// The process-wide module set, shared by every ModuleList holder.
ModuleSet* g_modules = nullptr;

DynamicLibrary g_kernel32(L"kernel32.dll");
DynamicLibrary g_shlwapi(L"shlwapi.dll");
DynamicLibrary g_psapi(L"psapi.dll");

// Any object of this module: its address tells which module holds the code.
const char g_libraryMarker = 0;

HMODULE LoadFrom(const wchar_t* name, const wchar_t* directory)
{
    if (!directory)
        return LoadLibraryW(name);
    wchar_t path[MAX_PATH];
    const size_t length = wcslen(directory);
    const bool separator = length > 0 && directory[length - 1] != L'\\' && directory[length - 1] != L'/';
    if (length + (separator ? 1 : 0) + wcslen(name) >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    wcscpy(path, directory);
    if (separator)
        wcscat(path, L"\\");
    wcscat(path, name);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// True while a test stands in for the look-up of bound functions: its answers are asked on
// every use and never kept, so that a process-wide holder neither keeps a stand-in's function
// nor hides one behind a real address found before.
bool LookUpReplaced()
{
    return g_platformApi.GetProcAddress != &::GetProcAddress;
}

// An export of the library, loaded when needed (a library that cannot be loaded is reported).
FARPROC LookUp(DynamicLibrary& library, const char* name)
{
    library.Load();
    HMODULE module = library.GetHandle();
    return module ? g_platformApi.GetProcAddress(module, name) : nullptr;
}

}  // namespace

DynamicLibrary::~DynamicLibrary()
{
    if (m_handle)
        FreeLibrary(m_handle);
}

HMODULE DynamicLibrary::TryLoad()
{
    HMODULE module = m_handle;
    if (module)
        return module;
    HMODULE loaded = LoadFrom(m_name, nullptr);
    if (!loaded)
        return nullptr;
    // Two threads may bind at once: the first handle stays, the other reference is dropped.
    HMODULE previous = static_cast<HMODULE>(
        InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&m_handle), loaded, nullptr));
    if (previous) {
        FreeLibrary(loaded);
        return previous;
    }
    return loaded;
}

HMODULE DynamicLibrary::Load(const wchar_t* directory)
{
    if (m_handle)
        return m_handle;
    HMODULE loaded = directory ? LoadFrom(m_name, directory) : TryLoad();
    if (!loaded)
        OrbelOutput::Error(-40, L"OrbelToolbox: Dynamic library %s was not loaded.", m_name);
    if (directory
        && InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&m_handle), loaded, nullptr)
            != nullptr) {
        FreeLibrary(loaded);
    }
    return m_handle;
}

HMODULE DynamicLibrary::GetHandle() const
{
    return m_handle;
}

void DynamicLibrary::SetHandle(HMODULE handle)
{
    m_handle = handle;
}

FARPROC DynamicLibrary::TryGetProc(const char* name)
{
    HMODULE module = TryLoad();
    return module ? GetProcAddress(module, name) : nullptr;
}

bool DynamicLibrary::Unload(const wchar_t* newName)
{
    HMODULE module
        = static_cast<HMODULE>(InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&m_handle), nullptr));
    if (newName)
        lstrcpynW(m_name, newName, MAX_PATH);
    return !module || FreeLibrary(module) != FALSE;
}

DynamicLibrary& Kernel32Library()
{
    return g_kernel32;
}

DynamicLibrary& ShlwapiLibrary()
{
    return g_shlwapi;
}

DynamicLibrary& PsapiLibrary()
{
    return g_psapi;
}

DynamicFunctionBase::DynamicFunctionBase(DynamicLibrary* library, const char* name, const char* suffix)
    : m_library(library), m_proc(nullptr)
{
    m_name[0] = '\0';
    if (name) {
        lstrcpynA(m_name, name, MAX_PATH);
        const size_t length = strlen(m_name);
        lstrcpynA(m_name + length, suffix, static_cast<int>(MAX_PATH - length));
    }
}

FARPROC DynamicFunctionBase::Resolve()
{
    FARPROC proc = LookUp(*m_library, m_name);
    if (!LookUpReplaced())
        m_proc = proc ? proc : UnresolvedProc();
    return proc;
}

bool DynamicFunctionBase::IsLoaded()
{
    if (LookUpReplaced() || m_proc == nullptr) {
        if (Resolve())
            return true;
        OrbelOutput::DebugPrint(kMissingFunction, m_name, m_library->GetName());
        return false;
    }
    return m_proc != UnresolvedProc();
}

FARPROC DynamicFunctionBase::GetProc()
{
    FARPROC proc = m_proc;
    if (!LookUpReplaced() && proc != nullptr && proc != UnresolvedProc())
        return proc;
    proc = Resolve();
    if (!proc)
        OrbelOutput::Error(-12, kMissingFunction, m_name, m_library->GetName());
    return proc;
}

FARPROC GetLibraryFunction(DynamicLibrary& library, const char* name, bool reportMissing)
{
    FARPROC proc = LookUp(library, name);
    if (proc)
        return proc;
    if (reportMissing)
        OrbelOutput::Error(-12, kMissingFunction, name, library.GetName());
    OrbelOutput::DebugPrint(kMissingFunction, name, library.GetName());
    return UnresolvedProc();
}

void EnumerateModules(ModuleSet& modules)
{
    modules.clear();
    // Bound quietly: the output object's own search for other modules comes through here, so a
    // report from this point would search again.
    using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD);
    auto enumerate = reinterpret_cast<EnumProcessModulesFn>(
        reinterpret_cast<void (*)()>(PsapiLibrary().TryGetProc("EnumProcessModules")));
    if (enumerate) {
        DWORD size = kFirstModuleBufferBytes;
        for (;;) {
            std::vector<HMODULE> buffer(size / sizeof(HMODULE));
            DWORD needed = 0;
            const DWORD given = static_cast<DWORD>(buffer.size() * sizeof(HMODULE));
            if (!enumerate(GetCurrentProcess(), buffer.data(), given, &needed))
                break;
            if (needed > given) {
                size = needed;
                continue;
            }
            modules.insert(buffer.begin(), buffer.begin() + needed / sizeof(HMODULE));
            return;
        }
        modules.clear();
    }
    const BYTE* address = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
    MEMORY_BASIC_INFORMATION info;
    while (VirtualQuery(address, &info, sizeof(info)) == sizeof(info)) {
        if (info.BaseAddress == info.AllocationBase && info.State == MEM_COMMIT) {
            wchar_t probe[kModuleNameProbe];
            if (GetModuleFileNameW(static_cast<HMODULE>(info.AllocationBase), probe, kModuleNameProbe) != 0)
                modules.insert(static_cast<HMODULE>(info.AllocationBase));
        }
        const BYTE* next = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
}

ModuleList::ModuleList() : DynamicLibrary(nullptr) { }

ModuleList::~ModuleList()
{
    delete g_modules;
    g_modules = nullptr;
    m_handle = nullptr;  // the handles belong to the process: nothing to free
}

HMODULE ModuleList::Load(const wchar_t*)
{
    if (!g_modules) {
        ModuleSet* modules = new ModuleSet;
        EnumerateModules(*modules);
        g_modules = modules;
    }
    return nullptr;
}

bool ModuleList::FindNextExporting(const char* exportName)
{
    Load();
    ModuleSet::const_iterator it;
    if (m_handle) {
        it = g_modules->find(static_cast<HMODULE>(m_handle));
        if (it == g_modules->end())
            return false;
        ++it;
    } else {
        it = g_modules->begin();
    }
    for (; it != g_modules->end(); ++it) {
        if (GetProcAddress(*it, exportName)) {
            m_handle = *it;
            return true;
        }
    }
    return false;
}

HMODULE GetLibraryModule()
{
    static DynamicFunctionW<BOOL> getModuleHandleEx(&Kernel32Library(), "GetModuleHandleEx");
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    HMODULE module = nullptr;
    if (getModuleHandleEx.IsLoaded()
        && getModuleHandleEx(flags, reinterpret_cast<LPCWSTR>(&g_libraryMarker), &module)) {
        return module;
    }
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(&g_libraryMarker, &info, sizeof(info)) == 0)
        return nullptr;
    return static_cast<HMODULE>(info.AllocationBase);
}

}  // namespace OrbelToolbox
