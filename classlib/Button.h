// A button control.
#pragma once

#include "Wnd.h"

class CButton : public CWnd {
public:
    // A child button ("BUTTON") with `style` and caption `text`.
    BOOL Create(const wchar_t* text, DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CreateEx(0, L"BUTTON", text, style, rect, parent, id);
    }
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
    void SetButtonStyle(UINT style, BOOL redraw = TRUE) { SendMessage(BM_SETSTYLE, style, redraw); }
};
