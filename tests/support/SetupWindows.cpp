#include "SetupWindows.h"

#include <cwchar>

namespace testsupport {

namespace {

struct FindWindowOf {
    DWORD process;
    const wchar_t* caption;  // null: any
    const wchar_t* text;     // a child's text the window must hold; null: any
    HWND found;
};

BOOL CALLBACK HasText(HWND child, LPARAM param)
{
    auto* find = reinterpret_cast<FindWindowOf*>(param);
    wchar_t text[512] = {};
    ::GetWindowTextW(child, text, 512);
    if (wcsstr(text, find->text)) {
        find->text = nullptr;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param)
{
    auto* find = reinterpret_cast<FindWindowOf*>(param);
    if (!IsVisibleDialogOf(window, find->process))
        return TRUE;
    wchar_t caption[256] = {};
    ::GetWindowTextW(window, caption, 256);
    if (find->caption && wcscmp(caption, find->caption) != 0)
        return TRUE;
    if (find->text) {
        FindWindowOf inner = *find;
        ::EnumChildWindows(window, &HasText, reinterpret_cast<LPARAM>(&inner));
        if (inner.text)
            return TRUE;
    }
    find->found = window;
    return FALSE;
}

}  // namespace

bool IsVisibleDialogOf(HWND window, DWORD process)
{
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    return owner == process && ::IsWindowVisible(window) && wcscmp(className, L"#32770") == 0;
}

HWND WaitForDialog(DWORD process, const wchar_t* caption, const wchar_t* text, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        FindWindowOf find = {process, caption, text, nullptr};
        ::EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&find));
        if (find.found)
            return find.found;
        ::Sleep(50);
    }
    return nullptr;
}

bool WaitUntilEnabled(HWND window, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        if (::IsWindowEnabled(window))
            return true;
        ::Sleep(50);
    }
    return false;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    return text;
}

std::wstring TextOf(HWND control)
{
    std::wstring text(static_cast<size_t>(::SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        ::SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
}

HWND ChildOf(HWND parent, const wchar_t* className, const wchar_t* text)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = {};
        ::GetClassNameW(child, name, 32);
        if (_wcsicmp(name, className) == 0 && (!text || WindowText(child) == text))
            return child;
    }
    return nullptr;
}

void Click(HWND button)
{
    ::PostMessageW(button, BM_CLICK, 0, 0);
    ::Sleep(200);
}

HWND OpenMenu()
{
    HWND menu = ::FindWindowW(L"#32768", nullptr);
    return menu && ::IsWindowVisible(menu) ? menu : nullptr;
}

bool WaitForMenu(bool open, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while ((OpenMenu() != nullptr) != open) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(50);
    }
    return true;
}

HWND WaitForNextPage(HWND frame, HWND previous, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        HWND page = CurrentPage(frame);
        if (page && page != previous)
            return page;
        ::Sleep(100);
    }
    return nullptr;
}

SetupProcess::SetupProcess(const std::wstring& setupExe, const std::wstring& root, const std::wstring& switches)
{
    std::wstring command = L"\"" + setupExe + L"\" /root \"" + root + L"\"";
    if (!switches.empty())
        command += L" " + switches;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    m_ok = ::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_info)
        != FALSE;
}

SetupProcess::~SetupProcess()
{
    if (!m_ok)
        return;
    if (::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT)
        ::TerminateProcess(m_info.hProcess, 99);
    ::CloseHandle(m_info.hThread);
    ::CloseHandle(m_info.hProcess);
}

DWORD SetupProcess::Wait(DWORD timeoutMs)
{
    ::WaitForSingleObject(m_info.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

void Press(WORD key, const std::vector<WORD>& modifiers)
{
    std::vector<INPUT> inputs;
    auto add = [&inputs](WORD vk, bool up) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    for (WORD modifier : modifiers)
        add(modifier, false);
    add(key, false);
    add(key, true);
    for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier)
        add(*modifier, true);
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

HWND CurrentPage(HWND frame)
{
    for (HWND child = ::GetWindow(frame, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[16] = {};
        ::GetClassNameW(child, className, 16);
        if (::IsWindowVisible(child) && wcscmp(className, L"#32770") == 0)
            return child;
    }
    return nullptr;
}

}  // namespace testsupport
