// Finds the message boxes that another process shows, records their caption and texts and
// closes them, from a thread of its own, while the test waits for that process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct SeenMessageBox {
    std::wstring caption;
    // The texts of the box's static and edit controls, one after another (the fatal-error
    // dialog paints its message: its details box holds the error's full text).
    std::wstring text;
};

class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // Stops watching and returns every box seen.
    std::vector<SeenMessageBox> Stop();

private:
    static DWORD WINAPI ThreadProc(LPVOID self);
    static BOOL CALLBACK FindBox(HWND window, LPARAM self);
    static BOOL CALLBACK CollectText(HWND window, LPARAM text);
    void Poll();

    HANDLE m_hStop;
    HANDLE m_hThread;
    CRITICAL_SECTION m_lock;
    std::vector<SeenMessageBox> m_seen;
    std::vector<HWND> m_closed;
};
