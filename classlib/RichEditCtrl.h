// A rich-edit control: made as class "RICHEDIT" (riched32.dll, loaded by AfxInitRichEdit), or a
// template's "RichEdit20W" (riched20.dll, AfxInitRichEdit2) bound by DDX_Control or
// SubclassDlgItem.
#pragma once

#include <richedit.h>

#include "Wnd.h"

// Loads riched32.dll once and keeps it loaded, so that "RICHEDIT" windows can be made; FALSE
// when the library is missing.
BOOL AfxInitRichEdit();
// The same for riched20.dll ("RichEdit20W").
BOOL AfxInitRichEdit2();

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
    // EM_EXSETSEL; (-1, -1) selects the end of the text.
    void SetSel(long start, long end)
    {
        CHARRANGE range = {start, end};
        SendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    }
    // Deletes the selection (WM_CLEAR).
    void Clear() { SendMessage(WM_CLEAR); }
    // EM_SETPARAFORMAT of the selection's paragraphs.
    BOOL SetParaFormat(PARAFORMAT& format)
    {
        return static_cast<BOOL>(SendMessage(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format)));
    }
    // EM_SETCHARFORMAT with SCF_SELECTION.
    BOOL SetSelectionCharFormat(CHARFORMATW& format)
    {
        return static_cast<BOOL>(SendMessage(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format)));
    }
};
