// The program's module and the current resource module.
#pragma once

#include <windows.h>

// The program's own module (the executable): the instance AfxWinMain received, or the
// executable's module handle before that.
HINSTANCE AfxGetInstanceHandle();

// The module that dialog templates, bitmaps and icons come from: the program until
// AfxSetResourceHandle names another one (a language module).
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE resources);

// Called by AfxWinMain with the instance it received.
void AfxSetInstanceHandle(HINSTANCE instance);

// Finds string resource `id` through the chain: the current resource module first, then the
// program, so a loaded language module's copy wins. On success `text` points to the read-only
// resource text (not terminated) and `length` is its length.
bool AfxFindString(UINT id, const wchar_t*& text, int& length);

// Finds string `id` in the string table of `module` (a module loaded as an image or as a data
// file), reading only inside the table's block: a block whose lengths run past its end, or
// whose data does not lie in the module's memory, has no strings. On success `text` points to the
// read-only resource text (not terminated) and `length` (> 0) is its length. On failure the
// thread's last error is the resource lookup's, ERROR_RESOURCE_NAME_NOT_FOUND for an empty
// string, or ERROR_INVALID_DATA for a corrupt block.
bool FindStringResource(HINSTANCE module, UINT id, const wchar_t*& text, int& length);
