// GUID texts: the braced upper-case form of 38 characters ("{XXXXXXXX-XXXX-...}") and the
// identifier form of 36 characters with "_" for "-"; and the short (8.3) form of a file name.
#pragma once

#include <windows.h>
#include <rpc.h>

#include "MsiText.h"

// The GUID-to-text conversions, replaceable by tests to reach their failures.
extern RPC_STATUS(RPC_ENTRY* g_pfnUuidToStringA)(UUID* uuid, RPC_CSTR* text);
extern RPC_STATUS(RPC_ENTRY* g_pfnUuidToStringW)(UUID* uuid, RPC_WSTR* text);

// Throws for a failed GUID-to-text conversion: PlexaBadAlloc ("bad allocation") when memory ran
// out, else WindowsError with the status and `context`.
[[noreturn]] void ThrowGuidTextFailure(RPC_STATUS status, const wchar_t* context);

// A new GUID as braced upper-case text; a failed conversion throws (ThrowGuidTextFailure).
void CreateGuidString(MsiString& text);
// A new GUID in identifier form.
void CreateGuidIdentifier(MsiString& text);
// The braced GUID text in `text` to identifier form; returns the number of "-" replaced.
int GuidTextToIdentifier(MsiString& text);
// The identifier in `text` back to the braced form.
void IdentifierToGuidText(MsiString& text);
// Replaces the file name in `text` by the short name the file system gives it; unchanged when a
// step fails.
void MakeShortFileName(MsiString& text);
