#include "WindowHelpers.h"

#include "DynamicLibrary.h"
#include "PlatformChecks.h"
#include "Resources.h"

bool PixelsToDialogUnits(HWND dialog, RECT& rect)
{
    RECT units = {0, 0, 1000, 1000};
    if (!MapDialogRect(dialog, &units) || units.right == 0 || units.bottom == 0) {
        return false;
    }
    rect.left = MulDiv(rect.left, 1000, units.right);
    rect.right = MulDiv(rect.right, 1000, units.right);
    rect.top = MulDiv(rect.top, 1000, units.bottom);
    rect.bottom = MulDiv(rect.bottom, 1000, units.bottom);
    return true;
}

HGLOBAL LoadDialogResourceFromByName(HMODULE module, const wchar_t* templateName)
{
    HRSRC resource = FindResourceW(module, templateName, MAKEINTRESOURCEW(5));  // RT_DIALOG
    return resource == nullptr ? nullptr : LoadResource(module, resource);
}

HGLOBAL LoadDialogResourceFrom(HMODULE module, UINT templateId)
{
    return LoadDialogResourceFromByName(module, MAKEINTRESOURCEW(templateId));
}

HGLOBAL LoadDialogResourceById(UINT templateId)
{
    return LoadDialogResourceFrom(AfxGetResourceHandle(), templateId);
}

HGLOBAL LoadDialogResourceByName(const wchar_t* templateName)
{
    return LoadDialogResourceFromByName(AfxGetResourceHandle(), templateName);
}

int GetWindowDeviceCaps(HWND window, int index)
{
    HDC dc = ::GetDC(window);
    if (!dc)
        return 0;
    const int value = ::GetDeviceCaps(dc, index);
    ::ReleaseDC(window, dc);
    return value;
}

HWND GetTopLevelWindow(HWND window)
{
    for (HWND parent = GetParent(window); parent != nullptr; parent = GetParent(window)) {
        window = parent;
    }
    return window;
}

void FlashWindowTimes(HWND window, UINT count)
{
    static OrbelToolbox::DynamicLibrary user32(L"user32.dll");
    static OrbelToolbox::DynamicFunction<BOOL> flashWindowEx(&user32, "FlashWindowEx");
    if (!flashWindowEx.IsLoaded()) {
        FlashWindow(window, TRUE);
        return;
    }
    FLASHWINFO info = {};
    info.cbSize = sizeof(info);
    info.hwnd = window;
    info.dwFlags = FLASHW_ALL;
    info.uCount = count;
    info.dwTimeout = 0;  // the default rate
    flashWindowEx(&info);
}
