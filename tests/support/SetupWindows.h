// setup.exe started as a process of its own and its windows found and driven from outside, by
// messages: shared by the process tests of the wizard and the sample's wizard driver.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

// A visible dialog of the process (with that caption when not null, holding a child whose text
// contains `text` when not null), waited for up to `timeoutMs`; null when none came.
HWND WaitForDialog(DWORD process, const wchar_t* caption, const wchar_t* text, DWORD timeoutMs = 20000);

// Whether `window` is a visible dialog (of the dialog class) of the process.
bool IsVisibleDialogOf(HWND window, DWORD process);

// Waits until the window is enabled; false after the time-out.
bool WaitUntilEnabled(HWND window, DWORD timeoutMs = 30000);

// Presses `key` with the modifiers held, as the keyboard does (into the foreground window).
void Press(WORD key, const std::vector<WORD>& modifiers = {});

// The wizard frame's current page: its visible child dialog; null when it shows none.
HWND CurrentPage(HWND frame);

// The window's text (a button's caption).
std::wstring WindowText(HWND window);

// A control's text asked of it (GetWindowTextW does not ask another process's controls).
std::wstring TextOf(HWND control);

// The child of `parent` of class `className` (with the text when not null); null when none.
HWND ChildOf(HWND parent, const wchar_t* className, const wchar_t* text = nullptr);

// Posts a click to the button and gives its process time to act on it.
void Click(HWND button);

// The visible popup menu (of any process); null when none is open.
HWND OpenMenu();
// Waits until a popup menu is open (or none is); false after the time-out.
bool WaitForMenu(bool open, DWORD timeoutMs = 5000);

// The frame's current page once it is another than `previous`; null after the time-out.
HWND WaitForNextPage(HWND frame, HWND previous, DWORD timeoutMs = 90000);

// setup.exe started with "/root <root>" and then `switches` (when not empty); ended by force
// when still running at destruction.
class SetupProcess {
public:
    SetupProcess(const std::wstring& setupExe, const std::wstring& root, const std::wstring& switches = std::wstring());
    ~SetupProcess();
    SetupProcess(const SetupProcess&) = delete;
    SetupProcess& operator=(const SetupProcess&) = delete;

    bool Started() const { return m_ok; }
    DWORD Id() const { return m_info.dwProcessId; }
    // The exit code, or STILL_ACTIVE after the time-out.
    DWORD Wait(DWORD timeoutMs = 30000);

private:
    bool m_ok = false;
    PROCESS_INFORMATION m_info = {};
};

}  // namespace testsupport
