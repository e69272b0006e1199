// The one table of Windows Installer functions. Every call of the program into msi.dll goes
// through it: the program does not link msi.dll, the table binds each function by name on its
// first call (through an OrbelToolbox::DynamicLibrary), and an unload lets the next call bind
// again.
//
// A module that cannot be loaded throws DelayLoadException with 0xC06D007E, a missing entry
// point DelayLoadException with 0xC06D007F, exactly as a failed delay-loaded import would.
//
// The table is also the seam of the tests: an entry may be replaced (MsiApiOverride) to reach
// results that the engine at hand cannot produce.
#pragma once

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include "ScopedOverride.h"

// X(return type, name, parameter list, argument list)
#define VELMO_MSI_FUNCTIONS(X)                                                                                         \
    X(UINT, MsiCloseHandle, (MSIHANDLE h), (h))                                                                        \
    X(UINT, MsiOpenDatabaseW, (LPCWSTR path, LPCWSTR persist, MSIHANDLE * db), (path, persist, db))                    \
    X(UINT, MsiDatabaseOpenViewW, (MSIHANDLE db, LPCWSTR query, MSIHANDLE * view), (db, query, view))                  \
    X(UINT, MsiDatabaseCommit, (MSIHANDLE db), (db))                                                                   \
    X(UINT, MsiDatabaseMergeW, (MSIHANDLE db, MSIHANDLE merge, LPCWSTR table), (db, merge, table))                     \
    X(UINT, MsiDatabaseGenerateTransformW, (MSIHANDLE db, MSIHANDLE ref, LPCWSTR path, int r1, int r2),                \
        (db, ref, path, r1, r2))                                                                                       \
    X(UINT, MsiCreateTransformSummaryInfoW, (MSIHANDLE db, MSIHANDLE ref, LPCWSTR path, int err, int val),             \
        (db, ref, path, err, val))                                                                                     \
    X(UINT, MsiDatabaseApplyTransformW, (MSIHANDLE db, LPCWSTR path, int err), (db, path, err))                        \
    X(UINT, MsiDatabaseImportW, (MSIHANDLE db, LPCWSTR folder, LPCWSTR file), (db, folder, file))                      \
    X(UINT, MsiDatabaseExportW, (MSIHANDLE db, LPCWSTR table, LPCWSTR folder, LPCWSTR file),                           \
        (db, table, folder, file))                                                                                     \
    X(UINT, MsiDatabaseGetPrimaryKeysW, (MSIHANDLE db, LPCWSTR table, MSIHANDLE * rec), (db, table, rec))              \
    X(UINT, MsiViewExecute, (MSIHANDLE view, MSIHANDLE params), (view, params))                                        \
    X(UINT, MsiViewFetch, (MSIHANDLE view, MSIHANDLE * rec), (view, rec))                                              \
    X(UINT, MsiViewClose, (MSIHANDLE view), (view))                                                                    \
    X(UINT, MsiViewModify, (MSIHANDLE view, MSIMODIFY mode, MSIHANDLE rec), (view, mode, rec))                         \
    X(UINT, MsiViewGetColumnInfo, (MSIHANDLE view, MSICOLINFO kind, MSIHANDLE * rec), (view, kind, rec))               \
    X(MSIHANDLE, MsiCreateRecord, (UINT count), (count))                                                               \
    X(MSIHANDLE, MsiGetLastErrorRecord, (), ())                                                                        \
    X(UINT, MsiRecordGetFieldCount, (MSIHANDLE rec), (rec))                                                            \
    X(UINT, MsiRecordGetStringW, (MSIHANDLE rec, UINT field, LPWSTR buf, LPDWORD count), (rec, field, buf, count))     \
    X(UINT, MsiRecordSetStringW, (MSIHANDLE rec, UINT field, LPCWSTR text), (rec, field, text))                        \
    X(int, MsiRecordGetInteger, (MSIHANDLE rec, UINT field), (rec, field))                                             \
    X(UINT, MsiRecordSetInteger, (MSIHANDLE rec, UINT field, int value), (rec, field, value))                          \
    X(UINT, MsiRecordReadStream, (MSIHANDLE rec, UINT field, char* buf, LPDWORD size), (rec, field, buf, size))        \
    X(UINT, MsiRecordSetStreamW, (MSIHANDLE rec, UINT field, LPCWSTR path), (rec, field, path))                        \
    X(UINT, MsiFormatRecordW, (MSIHANDLE install, MSIHANDLE rec, LPWSTR buf, LPDWORD count),                           \
        (install, rec, buf, count))                                                                                    \
    X(UINT, MsiOpenPackageW, (LPCWSTR path, MSIHANDLE * install), (path, install))                                     \
    X(UINT, MsiOpenPackageExW, (LPCWSTR path, DWORD options, MSIHANDLE * install), (path, options, install))           \
    X(UINT, MsiOpenProductW, (LPCWSTR product, MSIHANDLE * install), (product, install))                               \
    X(MSIHANDLE, MsiGetActiveDatabase, (MSIHANDLE install), (install))                                                 \
    X(UINT, MsiGetPropertyW, (MSIHANDLE install, LPCWSTR name, LPWSTR buf, LPDWORD count),                             \
        (install, name, buf, count))                                                                                   \
    X(UINT, MsiSetPropertyW, (MSIHANDLE install, LPCWSTR name, LPCWSTR value), (install, name, value))                 \
    X(UINT, MsiGetProductPropertyW, (MSIHANDLE product, LPCWSTR name, LPWSTR buf, LPDWORD count),                      \
        (product, name, buf, count))                                                                                   \
    X(UINT, MsiGetTargetPathW, (MSIHANDLE install, LPCWSTR folder, LPWSTR buf, LPDWORD count),                         \
        (install, folder, buf, count))                                                                                 \
    X(UINT, MsiSetTargetPathW, (MSIHANDLE install, LPCWSTR folder, LPCWSTR path), (install, folder, path))             \
    X(MSICONDITION, MsiEvaluateConditionW, (MSIHANDLE install, LPCWSTR condition), (install, condition))               \
    X(UINT, MsiSetInstallLevel, (MSIHANDLE install, int level), (install, level))                                      \
    X(UINT, MsiGetFeatureStateW,                                                                                       \
        (MSIHANDLE install, LPCWSTR feature, INSTALLSTATE * installed, INSTALLSTATE * action),                         \
        (install, feature, installed, action))                                                                         \
    X(UINT, MsiGetComponentStateW,                                                                                     \
        (MSIHANDLE install, LPCWSTR component, INSTALLSTATE * installed, INSTALLSTATE * action),                       \
        (install, component, installed, action))                                                                       \
    X(UINT, MsiSetFeatureStateW, (MSIHANDLE install, LPCWSTR feature, INSTALLSTATE state), (install, feature, state))  \
    X(UINT, MsiSetComponentStateW, (MSIHANDLE install, LPCWSTR component, INSTALLSTATE state),                         \
        (install, component, state))                                                                                   \
    X(UINT, MsiGetFeatureValidStatesW, (MSIHANDLE install, LPCWSTR feature, LPDWORD states),                           \
        (install, feature, states))                                                                                    \
    X(UINT, MsiGetFeatureCostW,                                                                                        \
        (MSIHANDLE install, LPCWSTR feature, MSICOSTTREE tree, INSTALLSTATE state, INT * cost),                        \
        (install, feature, tree, state, cost))                                                                         \
    X(UINT, MsiDoActionW, (MSIHANDLE install, LPCWSTR action), (install, action))                                      \
    X(UINT, MsiSequenceW, (MSIHANDLE install, LPCWSTR table, INT mode), (install, table, mode))                        \
    X(int, MsiProcessMessage, (MSIHANDLE install, INSTALLMESSAGE type, MSIHANDLE rec), (install, type, rec))           \
    X(UINT, MsiGetSummaryInformationW, (MSIHANDLE db, LPCWSTR path, UINT updates, MSIHANDLE * info),                   \
        (db, path, updates, info))                                                                                     \
    X(UINT, MsiSummaryInfoGetPropertyW,                                                                                \
        (MSIHANDLE info, UINT pid, UINT * type, INT * value, FILETIME * time, LPWSTR buf, LPDWORD count),              \
        (info, pid, type, value, time, buf, count))                                                                    \
    X(UINT, MsiSummaryInfoSetPropertyW,                                                                                \
        (MSIHANDLE info, UINT pid, UINT type, INT value, FILETIME * time, LPCWSTR text),                               \
        (info, pid, type, value, time, text))                                                                          \
    X(UINT, MsiSummaryInfoPersist, (MSIHANDLE info), (info))                                                           \
    X(INSTALLSTATE, MsiQueryProductStateW, (LPCWSTR product), (product))                                               \
    X(INSTALLSTATE, MsiQueryFeatureStateW, (LPCWSTR product, LPCWSTR feature), (product, feature))                     \
    X(UINT, MsiGetProductInfoW, (LPCWSTR product, LPCWSTR name, LPWSTR buf, LPDWORD count),                            \
        (product, name, buf, count))                                                                                   \
    X(UINT, MsiEnumRelatedProductsW, (LPCWSTR upgrade, DWORD reserved, DWORD index, LPWSTR buf),                       \
        (upgrade, reserved, index, buf))                                                                               \
    X(UINT, MsiEnumFeaturesW, (LPCWSTR product, DWORD index, LPWSTR feature, LPWSTR parent),                           \
        (product, index, feature, parent))                                                                             \
    X(UINT, MsiEnumClientsW, (LPCWSTR component, DWORD index, LPWSTR product), (component, index, product))            \
    X(INSTALLSTATE, MsiGetComponentPathW, (LPCWSTR product, LPCWSTR component, LPWSTR buf, LPDWORD count),             \
        (product, component, buf, count))                                                                              \
    X(UINT, MsiConfigureProductW, (LPCWSTR product, int level, INSTALLSTATE state), (product, level, state))           \
    X(UINT, MsiConfigureProductExW, (LPCWSTR product, int level, INSTALLSTATE state, LPCWSTR commandLine),             \
        (product, level, state, commandLine))                                                                          \
    X(UINT, MsiInstallProductW, (LPCWSTR package, LPCWSTR commandLine), (package, commandLine))                        \
    X(INSTALLUILEVEL, MsiSetInternalUI, (INSTALLUILEVEL level, HWND * window), (level, window))                        \
    X(INSTALLUI_HANDLERW, MsiSetExternalUIW, (INSTALLUI_HANDLERW handler, DWORD filter, LPVOID context),               \
        (handler, filter, context))                                                                                    \
    X(UINT, MsiEnableLogW, (DWORD mode, LPCWSTR file, DWORD attributes), (mode, file, attributes))                     \
    X(UINT, MsiSourceListAddMediaDiskW,                                                                                \
        (LPCWSTR product, LPCWSTR sid, MSIINSTALLCONTEXT context, DWORD options, DWORD disk, LPCWSTR label,            \
            LPCWSTR prompt),                                                                                           \
        (product, sid, context, options, disk, label, prompt))                                                         \
    X(UINT, MsiSourceListEnumMediaDisksW,                                                                              \
        (LPCWSTR product, LPCWSTR sid, MSIINSTALLCONTEXT context, DWORD options, DWORD index, LPDWORD disk,            \
            LPWSTR label, LPDWORD labelCount, LPWSTR prompt, LPDWORD promptCount),                                     \
        (product, sid, context, options, index, disk, label, labelCount, prompt, promptCount))                         \
    X(UINT, MsiEnumComponentCostsW,                                                                                    \
        (MSIHANDLE install, LPCWSTR component, DWORD index, INSTALLSTATE state, LPWSTR drive, LPDWORD driveCount,      \
            INT * cost, INT * tempCost),                                                                               \
        (install, component, index, state, drive, driveCount, cost, tempCost))

// The table: one function pointer per Windows Installer function, named after it. Each entry
// starts as a binder that loads msi.dll, resolves the function, stores it in the entry and calls
// it; later calls go straight to the function.
struct MsiApiTable {
#define VELMO_MSI_ENTRY(ret, name, params, args) ret(WINAPI* name) params;
    VELMO_MSI_FUNCTIONS(VELMO_MSI_ENTRY)
#undef VELMO_MSI_ENTRY
};

// The process's table.
MsiApiTable& MsiApi();

// The module handle of the bound library, or null while nothing is bound.
HMODULE MsiApiModule();

// Unloads the bound library (FreeLibrary) and puts every entry back to its binder, so that the
// next call binds again; an entry that a test replaced (MsiApiOverride) keeps its replacement.
// Returns true when nothing was bound or the library was freed.
bool MsiApiUnload();

// MsiEnumComponentCostsW when the engine has it, else null (older engines lack it; that is not
// an error). Binds the library when needed (a missing library still throws). A replaced table
// entry is returned as it is.
decltype(MsiApiTable::MsiEnumComponentCostsW) MsiApiEnumComponentCosts();

// Seam: the file name of the library the table binds ("msi.dll" by default). Unbinds the table;
// the new name takes effect at the next binding. Null restores the default.
void MsiApiSetModuleName(const wchar_t* name);

// The bookkeeping of a replaced entry: which entry, whether it held a function of the library
// when it was replaced, and how many unloads had happened then.
struct MsiApiOverrideToken {
    int index;
    bool previousBound;
    LONG unloads;
};
// Called by MsiApiOverride: `entry` is the address of a member of MsiApi().
MsiApiOverrideToken MsiApiBeginOverride(const void* entry);
// Ends a replacement; returns the entry's binder when the library function the entry held before
// has been unloaded meanwhile (the entry must bind again), else null (the old value goes back).
void (*MsiApiEndOverride(const MsiApiOverrideToken& token))();

// Seam for tests: replaces one entry of the table for the lifetime of the object. The
// replacement survives MsiApiUnload; at the end the entry gets its old value back, or binds
// again on its next call when the library it was bound to has been unloaded meanwhile.
//   MsiApiOverride<decltype(MsiApiTable::MsiGetLastErrorRecord)> o(MsiApi().MsiGetLastErrorRecord, &Fake);
template <typename F> class MsiApiOverride {
public:
    template <typename U>
    MsiApiOverride(F& entry, U replacement) : m_entry(entry), m_previous(entry), m_token(MsiApiBeginOverride(&entry))
    {
        m_entry = replacement;
    }
    ~MsiApiOverride()
    {
        void (*binder)() = MsiApiEndOverride(m_token);
        m_entry = binder ? reinterpret_cast<F>(binder) : m_previous;
    }
    MsiApiOverride(const MsiApiOverride&) = delete;
    MsiApiOverride& operator=(const MsiApiOverride&) = delete;

    // The value the entry had before.
    const F& Previous() const { return m_previous; }

private:
    F& m_entry;
    F m_previous;
    MsiApiOverrideToken m_token;
};
