// Windows and dialog templates: dialog units, templates of a module, display capabilities,
// top-level windows and flashing a window to draw attention.
#pragma once

#include <windows.h>

#include "CString.h"

// Converts a rectangle from pixels to the dialog's units (through the pixel size of a 1000 x
// 1000 unit rectangle); false, leaving the rectangle unchanged, when MapDialogRect fails.
bool PixelsToDialogUnits(HWND dialog, RECT& rect);

// The loaded RT_DIALOG resource of a module, null when the module has none.
HGLOBAL LoadDialogResourceFrom(HMODULE module, UINT templateId);
HGLOBAL LoadDialogResourceFromByName(HMODULE module, const wchar_t* templateName);
// The same in the current resource module.
HGLOBAL LoadDialogResourceById(UINT templateId);
HGLOBAL LoadDialogResourceByName(const wchar_t* templateName);

// A device capability (GetDeviceCaps index) of the display a window is on (null: the screen);
// 0 when the window has no device context.
int GetWindowDeviceCaps(HWND window, int index);

// Follows GetParent until a window has no parent; returns that window.
HWND GetTopLevelWindow(HWND window);

// Flashes caption and task-bar button `count` times where user32 has FlashWindowEx, else
// inverts the caption once.
void FlashWindowTimes(HWND window, UINT count);

// The font that a dialog template (DLGTEMPLATE or DLGTEMPLATEEX) names: its face name (at most
// 31 characters) and point size; false when the template sets no font.
bool ReadDialogTemplateFont(const void* dialogTemplate, CString& faceName, WORD& points);

// The character set of a locale's default ANSI code page; DEFAULT_CHARSET when the code page
// has none.
int LocaleCharset(LCID locale);
