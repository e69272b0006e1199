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
