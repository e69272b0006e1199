// The system's message text for a Windows error code: the one formatter of such texts.
#pragma once

#include <windows.h>

#include <cstddef>

#include "CString.h"

// The text in `language` (0: the system's default choice), cut to at most `maxLength`
// characters when that is not 0; empty when the system has no text for the code. The text's
// inserts ("%1", "%2!s!"...) are filled with `insert` (for example the program that could not
// be started); without one, each insert goes with the blank before it (or the one after it,
// when none comes before). No insert is left unfilled.
CString SystemMessageText(DWORD code, DWORD language = 0, size_t maxLength = 0, const wchar_t* insert = nullptr);

// `text` with its message inserts filled with `insert`, or dropped as above when `insert` is
// null.
CString FillMessageInserts(const CString& text, const wchar_t* insert);
