// Appending formatted text to the end of a rich edit control, one piece after another: RTF as it
// stands, or plain UTF-16 text in the formats a modifier list makes of the defaults; and the
// turning of configured texts into RTF (escaping, the documents of a header and its text).
#pragma once

#include <windows.h>

#include <richedit.h>

#include "CString.h"
#include "RichTextModifiers.h"

class CRichEditCtrl;

// Appends `text` at the end of the control: RTF (converted in the ANSI code page of the
// distribution's language; the modifiers are not used) or plain text in the list's formats.
void AppendRichText(CRichEditCtrl& control, const wchar_t* text, const FormatModifierList& modifiers, bool rtf);

// The stream of one append: the text as bytes and the position reached.
struct RichTextStreamCookie {
    const BYTE* bytes;
    size_t size;
    size_t position;
};
// The EDITSTREAM callback of AppendRichText: hands out the cookie's bytes from its position; a
// count of 0 ends the stream.
DWORD CALLBACK RichTextStreamCallback(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* count);

// Escapes backslashes (first), braces and tabs so that the text can stand inside RTF.
void EscapeRtfText(CString& text);

// The font and locale of RTF documents.
struct RtfDocumentFont {
    LOGFONTW font;     // the dialog font
    UINT codePage;     // the ANSI code page of the application's locale
    LANGID language;   // the locale's language
    int pixelsPerInch; // vertical, of the page's device context
};
// Rewrites a header and an information text (RTF fragments) into two RTF documents in the font:
// a bold header with space after it, and the information, both indented 144 twips on each
// side. The outer document group stays open (the rich edit control accepts it).
void MakeRtfDocuments(CString& header, CString& info, const RtfDocumentFont& font);
// The same in the application's dialog font and locale, measured on `dc`.
void MakeRtfDocuments(CString& header, CString& info, HDC dc);
