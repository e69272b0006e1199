// Files, folders, volumes and the backslashes of path strings.
//
// None of these functions changes the process's current directory: it is shared by every
// thread.
#pragma once

#include <windows.h>

#include "CString.h"

// True when FindFirstFileW finds an entry (file or folder) for the text; wildcards match any
// entry that fits them.
bool FileExists(const wchar_t* path);

// True when the folder exists and can be made the current directory (it is opened for
// traversal, not entered).
bool CanEnterDirectory(const wchar_t* folder);

// The full form of `path` resolved against the folder `base` (against the current directory
// when `base` is not an existing folder); empty when the full form does not fit in MAX_PATH
// characters.
CString MakeAbsolutePath(const wchar_t* base, const wchar_t* path);

// The root folder of the path's volume with a trailing backslash. Uses GetVolumePathNameW on
// the NT family from version 5 where kernel32 has it; otherwise the text decides: "X:" gives
// "X:\", "\\server\share\..." gives "\\server\share\". False with ERROR_INVALID_PARAMETER
// for a path shorter than two characters, false for other texts.
bool GetVolumeRoot(const wchar_t* path, CString& root);

// Appends one backslash unless the string is empty or ends with one.
CString& AddTrailingBackslash(CString& path);
// Removes one trailing backslash.
CString& RemoveTrailingBackslash(CString& path);
// Removes one leading backslash.
CString& RemoveLeadingBackslash(CString& path);
// Inserts a backslash at the front unless the string begins with one.
CString& AddLeadingBackslash(CString& path);
