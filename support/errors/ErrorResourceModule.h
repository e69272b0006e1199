// The module from which installer errors load their message templates.
#pragma once

#include <windows.h>

// The standard language resource module once one is loaded, else the program itself. The
// argument (the error's code) is not used. Every installer error class passes this callback.
HMODULE ErrorResourceModule(int code);

// Names the loaded standard language resource module; null points back at the program (do so
// before the module is freed).
void SetErrorResourceModule(HMODULE module);
