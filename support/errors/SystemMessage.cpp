#include "SystemMessage.h"

#include "UniqueHandle.h"

CString FillMessageInserts(const CString& text, const wchar_t* insert)
{
    CString filled;
    const int length = text.GetLength();
    for (int i = 0; i < length; ++i) {
        const wchar_t c = text[i];
        if (c != L'%' || i + 1 >= length || text[i + 1] < L'1' || text[i + 1] > L'9') {
            filled += c;
            continue;
        }
        // "%n" with up to two digits, then an optional "!format!".
        int end = i + 2;
        if (end < length && text[end] >= L'0' && text[end] <= L'9')
            ++end;
        if (end < length && text[end] == L'!') {
            const int close = text.Find(L'!', end + 1);
            if (close >= 0)
                end = close + 1;
        }
        if (insert) {
            filled += insert;
        } else if (!filled.IsEmpty() && filled[filled.GetLength() - 1] == L' ') {
            filled = filled.Left(filled.GetLength() - 1);
        } else if (end < length && text[end] == L' ') {
            ++end;  // an insert that starts the text goes with the blank after it
        }
        i = end - 1;
    }
    return filled;
}

CString SystemMessageText(DWORD code, DWORD language, size_t maxLength, const wchar_t* insert)
{
    OrbelToolbox::UniqueLocalPtr<wchar_t> message;
    DWORD length
        = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, code, language, reinterpret_cast<wchar_t*>(message.AddressOf()), 0, nullptr);
    if (length == 0 || !message)
        return CString();
    CString text = FillMessageInserts(CString(message.Get(), static_cast<int>(length)), insert);
    if (maxLength != 0 && static_cast<size_t>(text.GetLength()) > maxLength)
        text = text.Left(static_cast<int>(maxLength));
    return text;
}
