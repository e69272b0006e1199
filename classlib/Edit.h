// An edit control.
#pragma once

#include "Wnd.h"

class CEdit : public CWnd {
public:
    // A child edit control ("EDIT") with `style`.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CreateEx(0, L"EDIT", L"", style, rect, parent, id);
    }
    BOOL SetReadOnly(BOOL readOnly = TRUE) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, readOnly)); }
};
