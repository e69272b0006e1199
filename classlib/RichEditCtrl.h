// A rich-edit control of class "RICHEDIT" (riched32.dll, loaded by AfxInitRichEdit).
#pragma once

#include <richedit.h>

#include "Wnd.h"

// Loads riched32.dll once and keeps it loaded, so that "RICHEDIT" windows can be made; FALSE
// when the library is missing.
BOOL AfxInitRichEdit();

class CRichEditCtrl : public CWnd {
public:
    // A child "RICHEDIT" control with `style` and an empty text.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // EM_EXLIMITTEXT; 0 sets the default limit (64K characters).
    void LimitText(long limit = 0) { SendMessage(EM_EXLIMITTEXT, 0, limit); }
    // EM_STREAMIN in `format`; returns the number of characters read.
    long StreamIn(int format, EDITSTREAM& stream)
    {
        return static_cast<long>(
            SendMessage(EM_STREAMIN, static_cast<WPARAM>(format), reinterpret_cast<LPARAM>(&stream)));
    }
    // EM_STREAMOUT in `format`; returns the number of characters written.
    long StreamOut(int format, EDITSTREAM& stream)
    {
        return static_cast<long>(
            SendMessage(EM_STREAMOUT, static_cast<WPARAM>(format), reinterpret_cast<LPARAM>(&stream)));
    }
    BOOL SetReadOnly(BOOL readOnly = TRUE) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, readOnly)); }
};
