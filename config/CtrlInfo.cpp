#include "CtrlInfo.h"

#include <cwchar>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "ApplicationServices.h"
#include "Edit.h"
#include "RichEditCtrl.h"
#include "UniqueHandle.h"

namespace {

// The file behind a rich-text box's stream, read on the box's thread.
DWORD CALLBACK ReadStreamChunk(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read)
{
    // The rich-edit control calls back from inside the system: nothing may pass it.
    try {
        DWORD bytes = 0;
        if (!::ReadFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(size), &bytes, nullptr)) {
            *read = 0;
            DWORD error = ::GetLastError();
            return error ? error : ERROR_READ_FAULT;
        }
        *read = static_cast<LONG>(bytes);
        return 0;
    } catch (...) {
        *read = 0;
        return ERROR_READ_FAULT;
    }
}

}  // namespace

HANDLE(WINAPI* RTFTextCtrlInfo::s_pfnCreateFileW)
(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) = ::CreateFileW;

CtrlInfo::CtrlInfo()
    : m_bValid(false), m_dwStyleSet(0), m_dwStyleClear(0), m_dwExStyleSet(0), m_dwExStyleClear(0), m_bDefaultRect(true),
      m_rect()
{
}

CWnd* TextCtrlInfo::CreateControl(const RECT& rect, CWnd* parent, DWORD style)
{
    std::unique_ptr<CEdit> edit(new CEdit);
    if (!edit->Create(style, rect, parent, 0))
        return nullptr;
    HWND parentWindow = parent ? parent->m_hWnd : nullptr;
    LRESULT font = parentWindow ? ::SendMessageW(parentWindow, WM_GETFONT, 0, 0) : 0;
    edit->SendMessage(WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    edit->SetReadOnly(TRUE);
    edit->SetWindowText(GetText());
    return edit.release();
}

CWnd* RTFTextCtrlInfo::CreateControl(const RECT& rect, CWnd* parent, DWORD style)
{
    std::unique_ptr<CRichEditCtrl> box(new CRichEditCtrl);
    if (!box->Create(style | kScrollStyles, rect, parent, 0))
        return nullptr;
    box->LimitText(0);

    OrbelToolbox::UniqueKernelHandle file(
        s_pfnCreateFileW(GetFileCopy(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file) {
        EDITSTREAM stream = {};
        stream.dwCookie = reinterpret_cast<DWORD_PTR>(file.Get());
        stream.pfnCallback = ReadStreamChunk;
        box->StreamIn(SF_RTF, stream);
    }
    box->ModifyStyle(0, kScrollStyles);
    box->SetReadOnly(TRUE);
    return box.release();
}

bool IsStringIdValue(const wchar_t* value, const wchar_t*& end, int& number)
{
    end = value;
    number = 0;
    if (!value)
        return false;
    number = static_cast<int>(std::wcstol(value, nullptr, 10));
    if (number == 0)
        return false;
    // The number written back must be all there is before ';' or the end: " 120" and "0120"
    // name files.
    const size_t length = std::to_wstring(number).size();
    if (std::wcslen(value) < length)
        return false;
    end = value + length;
    const wchar_t* next = end;
    while (*next && std::iswspace(*next))
        ++next;
    return *next == L';' || *next == L'\0';
}

void LoadFileToString(CtrlInfo& record, const wchar_t* path)
{
    CString copy;
    AppServices().MakeTempCopy(path, copy);
    record.SetFileCopy(copy);

    OrbelToolbox::UniqueKernelHandle file(
        ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF)
        return;
    std::vector<BYTE> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && !::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return;
    // UTF-16LE code units, low byte first, up to the first NUL; an odd last byte is no unit.
    CString text;
    const size_t units = read / 2;
    wchar_t* buffer = text.GetBuffer(static_cast<int>(units));
    size_t length = 0;
    for (; length < units; ++length) {
        wchar_t unit = static_cast<wchar_t>(bytes[2 * length] | (bytes[2 * length + 1] << 8));
        if (unit == L'\0')
            break;
        buffer[length] = unit;
    }
    text.ReleaseBuffer(static_cast<int>(length));
    record.SetText(text);
}
