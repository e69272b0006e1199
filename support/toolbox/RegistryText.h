// Text values of the registry, read safely: only string types are accepted, and the text is
// terminated whether or not the stored data was.
#pragma once

#include <windows.h>

#include "CString.h"

namespace OrbelToolbox {

// Reads the value `name` (null: the key's default value) of an open key as text. REG_SZ and
// REG_EXPAND_SZ (not expanded) are accepted; any other type gives ERROR_INVALID_DATATYPE.
// Returns the registry error code, 0 on success; `text` is changed only on success.
LONG ReadRegistryString(HKEY key, const wchar_t* name, CString& text);

}  // namespace OrbelToolbox
