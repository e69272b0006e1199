// GUID texts: the braced upper-case form of 38 characters ("{XXXXXXXX-XXXX-...}") and the
// identifier form of 36 characters with "_" for "-"; and the short (8.3) form of a file name.
#pragma once

#include "MsiText.h"

// A new GUID as braced upper-case text.
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
