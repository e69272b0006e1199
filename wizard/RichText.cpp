#include "RichText.h"

#include <exception>
#include <vector>

#include "ApplicationServices.h"
#include "LanguageHelpers.h"
#include "RichEditCtrl.h"

namespace {

const int kPointsPerInch = 72;
// A dialog font of height 0 counts as this many points.
const LONG kPointsOfHeightZero = 11;

// The RTF text as bytes of `codePage`, sized by asking first.
std::vector<BYTE> ToMultiByte(const wchar_t* text, UINT codePage)
{
    const int length = static_cast<int>(wcslen(text));
    if (length == 0)
        return {};
    const int size = ::WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::vector<BYTE> bytes(static_cast<size_t>(size));
    const int converted = ::WideCharToMultiByte(
        codePage, 0, text, length, reinterpret_cast<char*>(bytes.data()), size, nullptr, nullptr);
    bytes.resize(converted > 0 ? static_cast<size_t>(converted) : 0);
    return bytes;
}

// The control's length in characters, as its selection positions count them.
long TextLength(CRichEditCtrl& control)
{
    GETTEXTLENGTHEX length = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<long>(control.SendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length)));
}

}  // namespace

DWORD CALLBACK RichTextStreamCallback(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* count)
{
    try {
        auto* stream = reinterpret_cast<RichTextStreamCookie*>(cookie);
        const size_t available = stream->size - stream->position;
        const size_t wanted = requested > 0 ? static_cast<size_t>(requested) : 0;
        const size_t given = wanted < available ? wanted : available;
        if (given > 0)
            memcpy(buffer, stream->bytes + stream->position, given);
        stream->position += given;
        *count = static_cast<LONG>(given);
    } catch (...) {
        *count = 0;
    }
    return 0;
}

void AppendRichText(CRichEditCtrl& control, const wchar_t* text, const FormatModifierList& modifiers, bool rtf)
{
    if (!text)
        text = L"";
    std::vector<BYTE> converted;
    RichTextStreamCookie cookie = {};
    if (rtf) {
        converted = ToMultiByte(text, OrbelToolbox::GetAnsiCodePage(GetRichTextLanguage()));
        cookie.bytes = converted.data();
        cookie.size = converted.size();
    } else {
        cookie.bytes = reinterpret_cast<const BYTE*>(text);
        cookie.size = wcslen(text) * sizeof(wchar_t);
    }
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&cookie);
    stream.pfnCallback = &RichTextStreamCallback;
    control.SetSel(-1, -1);
    if (rtf) {
        control.StreamIn(SF_RTF | SFF_SELECTION, stream);
        return;
    }
    const long start = TextLength(control);
    modifiers.ApplyToSelection(control);
    control.StreamIn(SF_TEXT | SF_UNICODE | SFF_SELECTION, stream);
    // Some rich edit controls give streamed text the format of the text before it instead of
    // the insertion point's: the piece gets its formats once more.
    control.SetSel(start, -1);
    modifiers.ApplyToSelection(control);
    control.SetSel(-1, -1);
}

void EscapeRtfText(CString& text)
{
    text.Replace(L"\\", L"\\\\");
    text.Replace(L"{", L"\\{");
    text.Replace(L"}", L"\\}");
    text.Replace(L"\t", L"\\tab ");
}

void MakeRtfDocuments(CString& header, CString& info, const RtfDocumentFont& font)
{
    LONG points = font.font.lfHeight;
    if (points == 0)
        points = kPointsOfHeightZero;
    else if (points < 0)
        points = -::MulDiv(points, kPointsPerInch, font.pixelsPerInch);
    CString prolog;
    prolog.Format(L"{\\rtf1\\ansi\\ansicpg%d\\uc1 \\deff0\\deflang%d {\\fonttbl{\\f0\\fcharset%d\\fprq0 %s;}}",
        static_cast<int>(font.codePage), static_cast<int>(font.language), static_cast<int>(font.font.lfCharSet),
        font.font.lfFaceName);
    CString headerOpener;
    headerOpener.Format(L"\\pard\\plain \\b\\fs%d\\sb0\\sa%d\\li144\\ri144 {", static_cast<int>(points * 2),
        static_cast<int>(points * 5));
    CString infoOpener;
    infoOpener.Format(L"\\pard\\plain \\fs%d\\sb0\\sa0\\li144\\ri144 {", static_cast<int>(points * 2));
    header = prolog + headerOpener + header + L"\\par }";
    info = prolog + infoOpener + info + L"\\par }";
}

void MakeRtfDocuments(CString& header, CString& info, HDC dc)
{
    RtfDocumentFont font = {};
    ::GetObjectW(AppServices().GetDialogFont(), sizeof(font.font), &font.font);
    const LCID locale = ::GetThreadLocale();
    font.codePage = OrbelToolbox::GetAnsiCodePage(locale);
    font.language = LANGIDFROMLCID(locale);
    font.pixelsPerInch = ::GetDeviceCaps(dc, LOGPIXELSY);
    MakeRtfDocuments(header, info, font);
}
