#include "MessageBoxWatcher.h"

#include <tlhelp32.h>

#include <algorithm>

namespace {

// Whether `process` was started by this process or by one it started (other test programs
// share the desktop and show boxes of their own).
bool IsStartedFromHere(DWORD process)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    std::vector<std::pair<DWORD, DWORD>> parents;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        parents.emplace_back(entry.th32ProcessID, entry.th32ParentProcessID);
    CloseHandle(snapshot);
    const DWORD self = GetCurrentProcessId();
    for (int depth = 0; depth < 8 && process != 0; ++depth) {
        const auto found = std::find_if(parents.begin(), parents.end(),
            [process](const std::pair<DWORD, DWORD>& row) { return row.first == process; });
        if (found == parents.end())
            return false;
        if (found->second == self)
            return true;
        process = found->second;
    }
    return false;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher()
{
    InitializeCriticalSection(&m_lock);
    m_hStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_hThread = CreateThread(nullptr, 0, &ThreadProc, this, 0, nullptr);
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    Stop();
    CloseHandle(m_hStop);
    DeleteCriticalSection(&m_lock);
}

std::vector<SeenMessageBox> MessageBoxWatcher::Stop()
{
    if (m_hThread) {
        SetEvent(m_hStop);
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
    EnterCriticalSection(&m_lock);
    std::vector<SeenMessageBox> seen = m_seen;
    LeaveCriticalSection(&m_lock);
    return seen;
}

DWORD WINAPI MessageBoxWatcher::ThreadProc(LPVOID self)
{
    MessageBoxWatcher* watcher = static_cast<MessageBoxWatcher*>(self);
    while (WaitForSingleObject(watcher->m_hStop, 50) == WAIT_TIMEOUT) {
        try {
            watcher->Poll();
        } catch (...) {
        }
    }
    return 0;
}

void MessageBoxWatcher::Poll()
{
    EnumWindows(&FindBox, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK MessageBoxWatcher::CollectText(HWND window, LPARAM param)
{
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    // Statics, and the details box of the fatal-error dialog (its message is painted).
    if (_wcsicmp(className, L"Static") == 0 || _wcsicmp(className, L"Edit") == 0) {
        wchar_t text[4096] = {};
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied);
        if (text[0]) {
            std::wstring* all = reinterpret_cast<std::wstring*>(param);
            *all += text;
        }
    }
    return TRUE;
}

BOOL CALLBACK MessageBoxWatcher::FindBox(HWND window, LPARAM param)
{
    MessageBoxWatcher* self = reinterpret_cast<MessageBoxWatcher*>(param);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (wcscmp(className, L"#32770") != 0 || process == GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    if (std::find(self->m_closed.begin(), self->m_closed.end(), window) != self->m_closed.end())
        return TRUE;
    if (!IsStartedFromHere(process))
        return TRUE;
    SeenMessageBox box;
    wchar_t caption[512] = {};
    GetWindowTextW(window, caption, 512);
    box.caption = caption;
    EnumChildWindows(window, &CollectText, reinterpret_cast<LPARAM>(&box.text));
    EnterCriticalSection(&self->m_lock);
    self->m_seen.push_back(box);
    LeaveCriticalSection(&self->m_lock);
    self->m_closed.push_back(window);
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}
