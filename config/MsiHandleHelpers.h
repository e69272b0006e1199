// Helpers on raw Windows Installer handles, for code that holds an MSIHANDLE rather than a
// wrapper of the access layer: text getters with the buffer protocol, logging into the
// installer's own log, and a few queries on an open database. They never throw: each returns
// the Windows Installer result (ERROR_SUCCESS, ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS,
// ERROR_NOT_ENOUGH_MEMORY...).
#pragma once

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <cstdarg>

#include "CString.h"

// Session property, target path of a directory, string field of a record; `value` is empty
// unless the call succeeds.
UINT GetSessionProperty(MSIHANDLE install, const wchar_t* name, CString& value);
UINT GetSessionTargetPath(MSIHANDLE install, const wchar_t* folder, CString& value);
UINT GetRecordString(MSIHANDLE record, UINT field, CString& value);

// Logs a printf-style text (Microsoft's rules) into the installer's log as an information
// message; returns MsiProcessMessage's result.
int LogToInstaller(MSIHANDLE install, const wchar_t* format, ...);
int LogToInstallerV(MSIHANDLE install, const wchar_t* format, va_list args);
// The same with "OrbelInstaller: " in front of the formatted text.
int LogToInstallerPrefixed(MSIHANDLE install, const wchar_t* format, ...);
// The formatted text in prefixed pieces of 70 characters, while each piece's result is 0.
int LogToInstallerChunked(MSIHANDLE install, const wchar_t* format, ...);

// True when the database has the table.
bool TableExists(MSIHANDLE database, const wchar_t* table);
// The product's INSTALLLEVEL property as a number (0 when it cannot be read).
int GetProductInstallLevel(MSIHANDLE product);
// The state the component gets from its features' action states: 2 (absent) when its
// condition is false, 3 (local) when a feature goes local, 4 (source) when one runs from source,
// 2 when features are removed, else -1.
UINT GetComponentActionState(MSIHANDLE install, MSIHANDLE database, const wchar_t* component, int* state);
// Writes the table (column names, column types, then every row) into the installer's log.
UINT DumpTable(MSIHANDLE install, const wchar_t* table);
// Item `*item` (counting from 1; 0 counts as 1) of the list separated by commas and blanks in
// field 2 of the record. On success the item is copied, `*item` advances and `*size` is its
// length; a missing or small buffer gives ERROR_MORE_DATA with the length + 1 in `*size`; past
// the last item `*item` becomes 0 and the result is ERROR_NO_MORE_ITEMS.
UINT GetRecordListItem(MSIHANDLE record, DWORD* item, wchar_t* buffer, DWORD* size);
UINT GetRecordListItem(MSIHANDLE record, DWORD* item, CString& value);
