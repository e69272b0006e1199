// The system's message text for a Windows error code: the one formatter of such texts.
#pragma once

#include <windows.h>

#include <cstddef>

#include "CString.h"

// The text in `language` (0: the system's default choice), cut to at most `maxLength`
// characters when that is not 0; empty when the system has no text for the code.
CString SystemMessageText(DWORD code, DWORD language = 0, size_t maxLength = 0);
