// Records of the extra controls that the configuration puts on a page (the end page's readme
// box, launch buttons and check box): the control's text or caption, its rectangle in dialog
// units and the window styles to apply. The text and rich-text records create their control on
// the page when the page asks; the page owns the window object from then on.
#pragma once

#include <windows.h>

#include "CString.h"

class CWnd;

class CtrlInfo {
public:
    CtrlInfo();
    virtual ~CtrlInfo() { }

    void SetText(const wchar_t* text) { m_strText = text; }
    const CString& GetText() const { return m_strText; }
    // The temporary copy of the file the value named; empty when the value was a string id.
    void SetFileCopy(const wchar_t* path) { m_strFileCopy = path; }
    const CString& GetFileCopy() const { return m_strFileCopy; }
    void SetValid(bool valid) { m_bValid = valid; }
    bool IsValid() const { return m_bValid; }

    void SetStyles(DWORD set, DWORD clear)
    {
        m_dwStyleSet = set;
        m_dwStyleClear = clear;
    }
    void GetStyles(DWORD& set, DWORD& clear) const
    {
        set = m_dwStyleSet;
        clear = m_dwStyleClear;
    }
    void SetExStyles(DWORD set, DWORD clear)
    {
        m_dwExStyleSet = set;
        m_dwExStyleClear = clear;
    }
    void GetExStyles(DWORD& set, DWORD& clear) const
    {
        set = m_dwExStyleSet;
        clear = m_dwExStyleClear;
    }

    // True while the value gave no rectangle: the page places the control itself.
    bool IsDefaultRect() const { return m_bDefaultRect; }
    void SetDefaultRect(bool defaultRect) { m_bDefaultRect = defaultRect; }
    const RECT& GetRect() const { return m_rect; }
    RECT& GetRect() { return m_rect; }
    void SetRect(const RECT& rect) { m_rect = rect; }

private:
    CString m_strText;
    CString m_strFileCopy;
    bool m_bValid;
    DWORD m_dwStyleSet;
    DWORD m_dwStyleClear;
    DWORD m_dwExStyleSet;
    DWORD m_dwExStyleClear;
    bool m_bDefaultRect;
    RECT m_rect;
};

// A read-only text box.
class TextCtrlInfo : public CtrlInfo {
public:
    // An edit control (id 0) with `style`, the parent's font and the record's text, read-only.
    // Null when the system refuses the window. The caller owns the object.
    virtual CWnd* CreateControl(const RECT& rect, CWnd* parent, DWORD style);
};

// A read-only rich-text box filled from the record's file copy, taken as RTF.
class RTFTextCtrlInfo : public TextCtrlInfo {
public:
    // The styles a rich-text box always gets: a vertical scroll bar that follows the text.
    static constexpr DWORD kScrollStyles = WS_VSCROLL | ES_AUTOVSCROLL;

    // A "RICHEDIT" control (id 0) with `style` plus kScrollStyles and the default text limit,
    // streamed in from the file copy (left empty when that cannot be opened). Null when the
    // system refuses the window. The caller owns the object.
    CWnd* CreateControl(const RECT& rect, CWnd* parent, DWORD style) override;

    // Seam: opens the file copy for streaming (CreateFileW).
    static HANDLE(WINAPI* s_pfnCreateFileW)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
};

// A launch button: its caption and the URL or executable it starts.
class ButtonInfo : public CtrlInfo {
public:
    enum CommandKind { kCommandUrl = 0, kCommandExe = 1 };

    ButtonInfo() : m_nCommandKind(kCommandUrl) { }

    void SetCommand(int kind, const wchar_t* command)
    {
        m_nCommandKind = kind;
        m_strCommand = command;
    }
    int GetCommandKind() const { return m_nCommandKind; }
    // Empty when the value named no command.
    const CString& GetCommand() const { return m_strCommand; }

private:
    int m_nCommandKind;
    CString m_strCommand;
};

// The end page's check box: its caption, its initial state and the property that receives it.
class CheckboxInfo : public ButtonInfo {
public:
    CheckboxInfo() : m_bDefaultState(true) { }

    bool GetDefaultState() const { return m_bDefaultState; }
    void SetDefaultState(bool ticked) { m_bDefaultState = ticked; }
    const CString& GetStateProperty() const { return m_strStateProperty; }
    void SetStateProperty(const wchar_t* property) { m_strStateProperty = property; }

private:
    bool m_bDefaultState;
    CString m_strStateProperty;
};

// True when the value starts with a string id: its leading number (blanks and a sign allowed)
// is not 0 and is followed, after white space, by ';' or the end. `end` is left after the
// number's digits and `number` holds it.
bool IsStringIdValue(const wchar_t* value, const wchar_t*& end, int& number);

// Makes the record's file copy of `path` (a temporary copy deleted at exit; TempCopyCreationFailed
// when it cannot be made) and reads the file's bytes into the record's text as UTF-16LE, up to
// the first NUL. A file that cannot be opened leaves the text as it was.
void LoadFileToString(CtrlInfo& record, const wchar_t* path);
