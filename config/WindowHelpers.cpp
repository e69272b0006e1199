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

bool ReadDialogTemplateFont(const void* dialogTemplate, CString& faceName, WORD& points)
{
    const WORD* p = static_cast<const WORD*>(dialogTemplate);
    if (!p)
        return false;
    DWORD style;
    const bool extended = p[0] == 1 && p[1] == 0xFFFF;
    if (extended) {
        // dlgVer, signature, helpID, exStyle, style, cDlgItems, x, y, cx, cy
        style = static_cast<DWORD>(p[6]) | (static_cast<DWORD>(p[7]) << 16);
        p += 13;
    } else {
        // style, dwExtendedStyle, cdit, x, y, cx, cy
        style = static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 16);
        p += 9;
    }
    // Menu and window class: none, an ordinal or a name; then the title.
    for (int field = 0; field < 2; ++field) {
        if (*p == 0xFFFF)
            p += 2;
        else
            p += wcslen(reinterpret_cast<const wchar_t*>(p)) + 1;
    }
    p += wcslen(reinterpret_cast<const wchar_t*>(p)) + 1;
    if (!(style & DS_SETFONT))
        return false;
    points = *p++;
    if (extended)
        p += 2;  // weight, italic and character set
    faceName = CString(reinterpret_cast<const wchar_t*>(p)).Left(LF_FACESIZE - 1);
    return true;
}

int LocaleCharset(LCID locale)
{
    wchar_t codePage[11] = {};
    if (GetLocaleInfoW(locale, LOCALE_IDEFAULTANSICODEPAGE, codePage, 11)) {
        CHARSETINFO charset = {};
        if (TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(wcstoul(codePage, nullptr, 10))),
                &charset, TCI_SRCCODEPAGE))
            return static_cast<int>(charset.ciCharset);
    }
    return DEFAULT_CHARSET;
}
