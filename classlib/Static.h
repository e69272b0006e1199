// A static control.
#pragma once

#include "Wnd.h"

class CStatic : public CWnd {
public:
    // A child static ("STATIC") with `style` and text `text`.
    BOOL Create(const wchar_t* text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF)
    {
        return CreateEx(0, L"STATIC", text, style, rect, parent, id);
    }
    // STM_SETICON; the icon shown before.
    HICON SetIcon(HICON icon) { return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon))); }
};
