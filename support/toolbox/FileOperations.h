// File-system operations of the support library. They report every failure through the output
// object (code -12 for a failed Windows call, -13 for a failed C library call, -30 to -33 for
// misuse and search failures, -40 for a refused call) instead of returning error codes.
#pragma once

#include <windows.h>

#include <cstdint>

#include "StrictPath.h"

namespace OrbelToolbox {

// The file's size, or `limit` when the size exceeds it (a warning goes to the debug log).
uint64_t GetFileSize(const wchar_t* file, uint64_t limit);
// Whole megabytes; 2^52 bytes or more is refused (-40).
ULONG ConvertFileSizeBytesToMB(uint64_t bytes);
uint64_t ConvertFileSizeMBToBytes(ULONG megabytes);
// The size of every file below the directory, or `limit` as soon as the total would pass it.
// GetDirectorySize first checks that the directory exists and is not a file.
uint64_t GetDirectorySize(const wchar_t* directory, uint64_t limit);
uint64_t GetDirectorySizeRecursive(const wchar_t* directory, uint64_t limit);

bool IsDirectory(const wchar_t* path);
// False also when the attributes cannot be read.
bool IsFile(const wchar_t* path);
// Clears the given attribute bits of the file where any is set.
void RemoveFileAttributes(const wchar_t* file, DWORD attributes);

// Copies one file whatever the target's attributes (the target ends with the archive attribute
// alone), posting the progress; an abort request cancels the copy (code -100).
void CopyFileIgnoreAttribs(const wchar_t* source, const wchar_t* target, bool failIfExists);

// Flags of CopyFiles.
constexpr DWORD kCopySkipNotNewer = 1;  // keep a target that is as new as the source or newer
constexpr DWORD kCopyMirror = 2;        // delete matching targets that have no source file
constexpr DWORD kCopyRecurse = 4;       // also subdirectories whose names match the pattern
// Copies every file that matches the pattern into the directory (under `targetName` when it is
// given and not empty).
void CopyFiles(const wchar_t* sourcePattern, const wchar_t* targetDirectory, const wchar_t* targetName, DWORD flags);

// Creates the directory and every missing parent.
void CreateDirectoryRecurse(const wchar_t* directory, SECURITY_ATTRIBUTES* security);
// Deletes everything in the directory, or the directory itself; nothing when it does not exist.
void EraseDirectoryContents(const wchar_t* directory, bool deleteDirectory);

// The shared directory recorded in the registry (a string value), as a Directory path.
void GetSharedDirectory(StrictPath& out);
// Resolves `pathToAppend` against the directory in `fullPath` (MAX_PATH units) in place. The
// process's current directory is changed for the duration of the call.
void AppendPath(wchar_t* fullPath, const wchar_t* pathToAppend);

// The times of a file; null pointers leave those times alone.
void GetFileTime(const wchar_t* file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);
void SetFileTime(const wchar_t* file, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite);

}  // namespace OrbelToolbox
