// Runs setup.exe with its wizard and drives it from the welcome page to Finish by messages, as a
// user clicking Next and Finish would: each page it passes is saved as a PNG screenshot (in the
// folder named by VELMO_SCREENSHOTS). Then it reports setup's exit code and the state of the
// products named, and removes those that are installed.
//   wizarddriver <setup.exe> <first volume> [/watch] [product code...]
// /watch leaves the clicking to the user and only waits for the wizard to end.
#include <windows.h>
#include <msi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Screenshot.h"
#include "SetupWindows.h"
#include "resource.h"

using namespace testsupport;

namespace {

const DWORD kFrameTimeoutMs = 60000;      // until the wizard's frame is up
const DWORD kDriveTimeoutMs = 240000;     // from the frame to Finish
const DWORD kWatchTimeoutMs = 30 * 60000;  // a user clicking through
const DWORD kExitTimeoutMs = 60000;       // from Finish to the end of the process
const DWORD kPollMs = 50;
const DWORD kPaintMs = 300;  // lets a page that just came up finish drawing

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &narrow[0], size, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(size) - 1);
    return narrow;
}

// The wizard's frame: the process's dialog with a Next button.
HWND WaitForFrame(DWORD process)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < kFrameTimeoutMs) {
        HWND dialog = WaitForDialog(process, nullptr, nullptr, kPollMs);
        if (dialog && ::GetDlgItem(dialog, IDC_FRAME_NEXT))
            return dialog;
        ::Sleep(kPollMs);
    }
    return nullptr;
}

// The page the frame shows: its visible child dialog.
HWND CurrentPage(HWND frame)
{
    for (HWND child = ::FindWindowExW(frame, nullptr, L"#32770", nullptr); child;
         child = ::FindWindowExW(frame, child, L"#32770", nullptr)) {
        if (::IsWindowVisible(child))
            return child;
    }
    return nullptr;
}

struct OtherDialog {
    DWORD process;
    HWND frame;
    HWND found;
};

BOOL CALLBACK FindOtherDialog(HWND window, LPARAM param)
{
    auto* find = reinterpret_cast<OtherDialog*>(param);
    if (window == find->frame || !IsVisibleDialogOf(window, find->process))
        return TRUE;
    find->found = window;
    return FALSE;
}

// A message box or prompt of the process in front of the frame; null when none.
HWND OtherDialogOf(DWORD process, HWND frame)
{
    OtherDialog find = {process, frame, nullptr};
    ::EnumWindows(&FindOtherDialog, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

BOOL CALLBACK PrintStatic(HWND child, LPARAM)
{
    wchar_t className[64] = {};
    ::GetClassNameW(child, className, 64);
    const std::wstring text = WindowText(child);
    if (_wcsicmp(className, L"Static") == 0 && !text.empty())
        std::printf("   \"%s\"\n", Narrow(text).c_str());
    return TRUE;
}

// What a user would call the page, from the controls it holds.
std::string PageName(HWND page, int number)
{
    if (::GetDlgItem(page, IDC_PROGRESS_OVERALL))
        return "progress";
    if (::GetDlgItem(page, IDC_END_EXECUTE_BAR))
        return "end-execute";
    if (::GetDlgItem(page, IDC_END_CHECKBOX))
        return "end";
    if (::GetDlgItem(page, IDC_USER_NAME))
        return "user-information";
    if (::GetDlgItem(page, IDC_LICENSE_ACCEPT))
        return "licence";
    return number == 1 ? "welcome" : "page";
}

void Shoot(HWND window, int number, const std::string& name)
{
    char file[64];
    std::snprintf(file, sizeof(file), "%02d-%s", number, name.c_str());
    const std::wstring path = SaveScreenshot(window, std::wstring(file, file + strlen(file)));
    if (path.empty())
        std::printf("page %d (%s): no screenshot (the screen could not be read)\n", number, name.c_str());
    else
        std::printf("page %d (%s): %s\n", number, name.c_str(), Narrow(path).c_str());
    std::fflush(stdout);
}

// Clicks through the wizard: each new page is shot once it has settled (Next usable or the
// Finish button up; a page that moves on by itself at once), then Next or Finish is clicked.
// True once Finish (or Next on the end page) was clicked.
bool Drive(SetupProcess& setup, HWND frame)
{
    HWND next = ::GetDlgItem(frame, IDC_FRAME_NEXT);
    HWND cancel = ::GetDlgItem(frame, IDCANCEL);
    HWND page = nullptr;
    std::string name;
    int number = 0;
    int dialogs = 0;
    bool shot = false;
    bool clicked = false;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < kDriveTimeoutMs) {
        if (setup.Wait(0) != STILL_ACTIVE)
            return false;
        if (HWND other = OtherDialogOf(setup.Id(), frame)) {
            ::Sleep(kPaintMs);
            Shoot(other, number, "dialog" + std::to_string(++dialogs));
            std::printf("   a dialog came up: \"%s\"\n", Narrow(WindowText(other)).c_str());
            ::EnumChildWindows(other, &PrintStatic, 0);
            // Its default answer, as Enter would give.
            HWND ok = ::GetDlgItem(other, IDOK);
            ::PostMessageW(ok ? ok : ::GetDlgItem(other, IDCANCEL), BM_CLICK, 0, 0);
            ::Sleep(500);
            continue;
        }
        HWND current = CurrentPage(frame);
        if (current && current != page) {
            page = current;
            name = PageName(page, ++number);
            shot = false;
            clicked = false;
        }
        if (!page || clicked) {
            ::Sleep(kPollMs);
            continue;
        }
        // A licence opens declined: accepted, as the user would, before Next can be used.
        HWND accept = ::GetDlgItem(page, IDC_LICENSE_ACCEPT);
        if (accept && ::SendMessageW(accept, BM_GETCHECK, 0, 0) != BST_CHECKED) {
            ::Sleep(kPaintMs);
            ::PostMessageW(accept, BM_CLICK, 0, 0);
            ::Sleep(kPollMs);
            continue;
        }
        const bool finish = ::IsWindowEnabled(cancel) && WindowText(cancel) == L"&Finish";
        const bool nextUsable = ::IsWindowEnabled(next) != FALSE;
        const bool movesOn = name == "progress" || name == "end-execute";
        if (!shot && (finish || nextUsable || movesOn)) {
            // A page that moves on by itself may be gone soon: shot at once.
            if (!movesOn)
                ::Sleep(kPaintMs);
            if (CurrentPage(frame) == page)
                Shoot(frame, number, name);
            shot = true;
        }
        if (shot && (finish || nextUsable)) {
            ::PostMessageW(finish ? cancel : next, BM_CLICK, 0, 0);
            clicked = true;
            if (name == "end")
                return true;
        }
        ::Sleep(kPollMs);
    }
    std::printf("the wizard did not reach Finish within %lu s\n", static_cast<unsigned long>(kDriveTimeoutMs / 1000));
    if (page)
        Shoot(frame, number + 1, "timed-out");
    return false;
}

const char* StateText(INSTALLSTATE state)
{
    return state == INSTALLSTATE_DEFAULT ? "installed" : "not installed";
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        std::printf("usage: wizarddriver <setup.exe> <first volume> [/watch] [product code...]\n");
        return 2;
    }
    bool watch = false;
    std::vector<std::wstring> products;
    for (int i = 3; i < argc; ++i) {
        if (_wcsicmp(argv[i], L"/watch") == 0)
            watch = true;
        else
            products.push_back(argv[i]);
    }
    SetupProcess setup(argv[1], argv[2]);
    if (!setup.Started()) {
        std::printf("setup.exe could not be started (error %lu)\n", ::GetLastError());
        return 2;
    }
    HWND frame = WaitForFrame(setup.Id());
    bool finished = false;
    if (!frame) {
        std::printf("the wizard did not come up within %lu s\n", static_cast<unsigned long>(kFrameTimeoutMs / 1000));
    } else if (watch) {
        std::printf("the wizard is up: click through it (it is ended after %lu minutes)\n",
            static_cast<unsigned long>(kWatchTimeoutMs / 60000));
        std::fflush(stdout);
        finished = setup.Wait(kWatchTimeoutMs) != STILL_ACTIVE;
    } else {
        finished = Drive(setup, frame);
    }
    const DWORD code = setup.Wait(finished ? kExitTimeoutMs : 0);
    if (code == STILL_ACTIVE)
        std::printf("setup exit code: none (still running, ended)\n");
    else
        std::printf("setup exit code: %ld\n", static_cast<long>(code));

    // The products as the run left them; then removed again.
    ::MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    for (const std::wstring& product : products) {
        const INSTALLSTATE state = ::MsiQueryProductStateW(product.c_str());
        std::printf("   %s %s\n", Narrow(product).c_str(), StateText(state));
    }
    for (const std::wstring& product : products) {
        if (::MsiQueryProductStateW(product.c_str()) != INSTALLSTATE_DEFAULT)
            continue;
        const UINT removed = ::MsiConfigureProductW(product.c_str(), INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT);
        std::printf("   %s removed again: %s\n", Narrow(product).c_str(),
            removed == ERROR_SUCCESS ? "yes" : ("error " + std::to_string(removed)).c_str());
    }
    std::fflush(stdout);
    return finished && code == 0 ? 0 : 1;
}
