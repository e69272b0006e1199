// infstager: stages the driver INF files of a folder into the Windows INF store and records the
// name each staged copy got, or removes one staged INF again by the name of its source file.
#pragma once

#include <windows.h>

#include <string>

namespace infstager {

// Registry key (under HKEY_LOCAL_MACHINE) holding one value per staged INF:
// name = the source INF's file name, data = the staged copy's file name.
extern std::string g_keyPath;
// Folder being staged; empty until the command line names one.
extern std::string g_stagingFolder;

// Size of the search-pattern buffer: the folder, "*" and the terminator must fit in it.
constexpr size_t kPatternBufferSize = 264;

// Seam for the Windows version (tests reach the pre-5.1 removal path through it).
using GetVersionExFn = BOOL(WINAPI*)(LPOSVERSIONINFOA);
extern GetVersionExFn g_getVersionEx;

// Runs the program on a raw command line (program path, verb, arguments, split at blanks).
// Always returns 0: every failure is silent.
int Run(const char* commandLine);

// Creates every missing level of the registry key.
void EnsureRegistryKey();

// Stages every INF file of `g_stagingFolder` and records it. Returns 0 when the search ended
// because no more files were found, else -1.
int StageFolder();

// Removes the staged copy recorded for the source INF file `name` and forgets the record.
void RemoveStagedInf(const std::string& name);

}  // namespace infstager
