// Libraries and functions bound by name at run time.
//
// The system functions that older systems lack are not imported: a `DynamicLibrary` loads its
// module on first use, a `DynamicFunction` resolves one export of it on first use, and the caller
// tests `IsLoaded` and falls back to code of its own when the function is missing. Functions are
// looked up through the platform seam (PlatformApi.h), which tests replace to stand in for
// other systems. The Windows Installer table (MsiApi.h) binds msi.dll through the same holder.
#pragma once

#include <windows.h>

#include <set>

namespace OrbelToolbox {

// A library loaded by name on first use and freed when the holder dies.
class DynamicLibrary {
public:
    // `name` (may be null: a holder without a library) is copied. Constant-initialised, so that
    // the process-wide holders are usable from static initialisation on.
    constexpr explicit DynamicLibrary(const wchar_t* name) : m_name(), m_handle(nullptr)
    {
        for (size_t i = 0; name && name[i] != L'\0' && i + 1 < MAX_PATH; ++i)
            m_name[i] = name[i];
    }

    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads the library unless it is loaded: from `directory` when given (LoadLibraryExW with
    // LOAD_WITH_ALTERED_SEARCH_PATH), else by name. A library that cannot be loaded is reported
    // (code -40) and the next call tries again. Returns the handle.
    virtual HMODULE Load(const wchar_t* directory = nullptr);
    virtual HMODULE GetHandle() const;
    virtual void SetHandle(HMODULE handle);
    // Frees the library when it is loaded.
    virtual ~DynamicLibrary();

    const wchar_t* GetName() const { return m_name; }

    // The quiet forms, for callers that raise their own error: the library's handle, loaded by
    // name when needed, or null (the thread's last error tells why); an export of it, or null.
    HMODULE TryLoad();
    FARPROC TryGetProc(const char* name);

    // Frees the library, so that the next use loads it again; callers that hand out function
    // pointers of the library reset them first. True when nothing was loaded or the library was
    // freed. Takes effect on the name given here (null keeps the name).
    bool Unload(const wchar_t* newName = nullptr);

protected:
    wchar_t m_name[MAX_PATH];
    HMODULE volatile m_handle;
};

// The process-wide holders of the libraries the toolbox binds functions of.
DynamicLibrary& Kernel32Library();
DynamicLibrary& ShlwapiLibrary();
DynamicLibrary& PsapiLibrary();

// The address that marks a function that could not be resolved.
inline FARPROC UnresolvedProc()
{
    return reinterpret_cast<FARPROC>(static_cast<INT_PTR>(-1));
}

// Resolution shared by every `DynamicFunction`: `proc` 0 (not tried), resolved, or
// `UnresolvedProc()`.
class DynamicFunctionBase {
public:
    DynamicFunctionBase(DynamicLibrary* library, const char* name, const char* suffix);
    virtual ~DynamicFunctionBase() = default;

    DynamicFunctionBase(const DynamicFunctionBase&) = delete;
    DynamicFunctionBase& operator=(const DynamicFunctionBase&) = delete;

    // Resolves the function on first use. A missing function is written to the debug log and
    // stays missing; a library that cannot be loaded is reported (code -40).
    virtual bool IsLoaded();
    // The function's address; a missing function is reported (code -12).
    virtual FARPROC GetProc();

    const char* GetName() const { return m_name; }

private:
    FARPROC Resolve();

    DynamicLibrary* m_library;
    char m_name[MAX_PATH];
    FARPROC volatile m_proc;
};

// A function of return type `R` bound by its plain export name.
template <class R> class DynamicFunction : public DynamicFunctionBase {
public:
    DynamicFunction(DynamicLibrary* library, const char* name) : DynamicFunctionBase(library, name, "") { }

protected:
    DynamicFunction(DynamicLibrary* library, const char* name, const char* suffix)
        : DynamicFunctionBase(library, name, suffix)
    {
    }

public:
    // Calls the function with the platform's standard calling convention.
    template <class... Args> R operator()(Args... args)
    {
        using Function = R(WINAPI*)(Args...);
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProc()))(args...);
    }
};

// The Unicode entry point of a function: its name with "W" appended.
template <class R> class DynamicFunctionW : public DynamicFunction<R> {
public:
    DynamicFunctionW(DynamicLibrary* library, const char* name) : DynamicFunction<R>(library, name, "W") { }
};

// The same resolution as a free function: the address, or `UnresolvedProc()` when the function
// is missing (reported with code -12 when `reportMissing`, else written to the debug log).
FARPROC GetLibraryFunction(DynamicLibrary& library, const char* name, bool reportMissing);

// The modules loaded in the process, ascending by handle.
using ModuleSet = std::set<HMODULE>;

// Fills `modules` with every module of the process: the process-status enumeration when it is
// available, else a walk over the address space from the program's own image up.
void EnumerateModules(ModuleSet& modules);

// A holder that stands for every module of the process: `FindNextExporting` moves its handle
// from module to module. The module set is built once and is shared by every holder; destroying
// a holder drops it, and the next holder builds it again.
class ModuleList : public DynamicLibrary {
public:
    ModuleList();
    ~ModuleList() override;

    // Builds the process-wide module set when it does not exist; returns null.
    HMODULE Load(const wchar_t* directory = nullptr) override;

    // Moves to the next module (after the current handle, or from the start) that exports
    // `exportName`; false at the end of the set.
    bool FindNextExporting(const char* exportName);
};

// The module that holds this code (for setup the program itself); null only when the address
// space cannot be queried.
HMODULE GetLibraryModule();

}  // namespace OrbelToolbox
