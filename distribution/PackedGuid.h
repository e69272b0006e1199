// The packed form of a GUID that Windows Installer uses in its registry keys.
#pragma once

#include "CString.h"

// The 32-character packed form of a braced GUID text ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"):
// the first three groups reversed, then the two characters of each pair of the last two groups
// swapped. Letters keep their case. Empty for a text that is not a braced GUID of that shape.
CString PackGuid(const wchar_t* guid);
