// The folder picker: its path logic (roots, joined paths, the start folder made and removed
// again) in-process, and the picker itself, a real common Open dialog driven by messages from a
// watcher thread, with message boxes answered through the seam.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "BrowseForFolderDlg.h"
#include "MessageBox.h"
#include "ScopedOverride.h"
#include "SystemMessage.h"
#include "TestSupport.h"

using testsupport::TempDir;

namespace {

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Message boxes recorded ("<caption>|<text>") and answered with `answer`; the picker's thread
// shows them, the test reads them after the picker closed.
struct Boxes {
    static std::vector<std::wstring> shown;
    static int answer;
    static int WINAPI Show(HWND, LPCWSTR text, LPCWSTR caption, UINT)
    {
        shown.push_back(std::wstring(caption) + L"|" + text);
        return answer;
    }
};
std::vector<std::wstring> Boxes::shown;
int Boxes::answer = IDOK;

class BoxesScope {
public:
    explicit BoxesScope(int answer)
    {
        Boxes::shown.clear();
        Boxes::answer = answer;
    }

private:
    ScopedOverride<int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT)> m_override{g_pfnMessageBoxW, &Boxes::Show};
};

// Runs `drive` on a thread of its own with the picker's window once it shows ("Select a folder").
class Watcher {
public:
    explicit Watcher(std::function<void(HWND)> drive) : m_drive(std::move(drive))
    {
        m_thread = CreateThread(nullptr, 0, &Run, this, 0, nullptr);
    }
    ~Watcher()
    {
        WaitForSingleObject(m_thread, 20000);
        CloseHandle(m_thread);
    }
    bool found = false;

private:
    static DWORD WINAPI Run(void* parameter)
    {
        Watcher* self = static_cast<Watcher*>(parameter);
        for (int tries = 0; tries < 200; ++tries) {
            HWND dialog = FindWindowW(nullptr, L"Select a folder");
            if (dialog && IsWindowVisible(dialog)) {
                self->found = true;
                self->m_drive(dialog);
                return 0;
            }
            Sleep(50);
        }
        return 0;
    }
    std::function<void(HWND)> m_drive;
    HANDLE m_thread;
};

std::wstring ControlText(HWND dialog, int id)
{
    wchar_t text[1024] = L"";
    GetDlgItemTextW(dialog, id, text, 1024);
    return text;
}

// Waits until the folder box shows `text` (the picker fills it as its view settles).
bool WaitForBoxText(HWND dialog, const std::wstring& text)
{
    for (int tries = 0; tries < 100; ++tries) {
        if (ControlText(dialog, 1152) == text)
            return true;
        Sleep(50);
    }
    return false;
}

}  // namespace

TEST(FolderBrowserPaths, RootsAndJoinedPaths)
{
    struct RootCase {
        const wchar_t* path;
        const wchar_t* root;
    } roots[] = {
        {L"C:\\a\\b\\", L"C:\\"},
        {L"\\\\server\\share\\dir\\", L"\\\\server\\share\\"},
        {L"\\\\server\\share\\", L"\\\\server\\share\\"},
        {L"\\\\server\\", L""},
        {L"", L""},
    };
    for (const RootCase& c : roots)
        EXPECT_EQ(std::wstring(c.root), CBrowseForFolderDlg::GetRootOf(c.path).GetString()) << Narrow(c.path);

    struct JoinCase {
        const wchar_t* folder;
        const wchar_t* item;
        const wchar_t* path;
    } joins[] = {
        {L"C:\\a", L"b", L"C:\\a\\b"},
        {L"C:\\a\\", L"b", L"C:\\a\\b"},
        {L"C:\\a\\b", L"..", L"C:\\a"},
        {L"C:\\a", L"D:\\x", L"D:\\x"},
        {L"C:\\a", L"", L"C:\\a"},
        {L"", L"b", L""},  // a folder that is no path (the desktop) gives none
    };
    for (const JoinCase& c : joins)
        EXPECT_EQ(std::wstring(c.path), CBrowseForFolderDlg::CombineFolderPath(c.folder, c.item).GetString())
            << Narrow(c.folder) << " + " << Narrow(c.item);
}

// A start folder two levels below an existing folder is made for the picker and both levels go
// again; a file in the way and a volume that does not exist are reported (51802) and give no
// start folder.
TEST(FolderBrowserPaths, StartFolderMadeAndRemoved)
{
    BoxesScope boxes(IDOK);
    TempDir dir;
    const std::wstring start = dir.File(L"one\\two");
    CBrowseForFolderDlg picker(nullptr);
    CString prepared;
    ASSERT_TRUE(picker.PrepareStartFolder(start.c_str(), prepared));
    EXPECT_EQ(start, prepared.GetString());
    EXPECT_TRUE(IsFolder(start));
    ASSERT_EQ(2u, picker.GetCreatedFolders().size());
    EXPECT_EQ(dir.File(L"one"), picker.GetCreatedFolders()[0].GetString());
    picker.RemoveCreatedFolders();
    EXPECT_FALSE(IsFolder(dir.File(L"one")));

    testsupport::WriteFileBytes(dir.File(L"file"), "x");
    EXPECT_FALSE(picker.PrepareStartFolder(dir.File(L"file\\below").c_str(), prepared));
    EXPECT_FALSE(picker.PrepareStartFolder(L"Q:\\nowhere", prepared));
    ASSERT_EQ(2u, Boxes::shown.size());
    EXPECT_EQ(L"Error|Invalid initial folder " + dir.File(L"file\\below") + L"\n"
            + SystemMessageText(ERROR_DIRECTORY, 0, 256).GetString(),
        Boxes::shown[0]);
    EXPECT_EQ(0u, Boxes::shown[1].find(L"Error|Invalid initial folder Q:\\\n"));
    EXPECT_TRUE(picker.GetCreatedFolders().empty());
}

// The picker opens in the start folder it made, with its own texts and the file controls
// hidden; a path longer than the file buffer is refused (the picker stays), and OK takes the
// folder box's text. The start folder is gone afterwards.
TEST(FolderBrowserDialog, ChoosesTheBoxTextAndRefusesOverlongPaths)
{
    BoxesScope boxes(IDOK);
    TempDir dir;
    const std::wstring start = dir.File(L"one\\two");
    const std::wstring chosen = dir.File(L"chosen");
    bool startShown = false;
    bool stayedOpen = false;
    std::vector<std::wstring> texts;
    std::vector<bool> hidden;
    Watcher watcher([&](HWND dialog) {
        startShown = WaitForBoxText(dialog, start);
        for (int id : {1090, 1, 1091, 2})
            texts.push_back(ControlText(dialog, id));
        for (int id : {1089, 1136, 1040})
            hidden.push_back(!IsWindowVisible(GetDlgItem(dialog, id)));
        const std::wstring overlong = L"C:\\" + std::wstring(300, L'x');
        SendDlgItemMessageW(dialog, 1152, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(overlong.c_str()));
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
        SendDlgItemMessageW(dialog, 1152, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()));
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });

    CBrowseForFolderDlg picker(nullptr);
    CString result;
    EXPECT_EQ(1, picker.DoModal(start.c_str(), result)) << picker.GetExtendedError();
    EXPECT_TRUE(watcher.found);
    EXPECT_EQ(chosen, result.GetString());
    EXPECT_TRUE(startShown);
    EXPECT_EQ((std::vector<std::wstring>{L"Folder:", L"Select", L"Look in:", L"&Cancel"}), texts);
    EXPECT_EQ((std::vector<bool>{true, true, true}), hidden);
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(1u, Boxes::shown.size());
    EXPECT_EQ(L"Select a folder|" + std::wstring(SystemMessageText(ERROR_FILENAME_EXCED_RANGE, 0, 256).GetString()),
        Boxes::shown[0]);
    EXPECT_FALSE(IsFolder(dir.File(L"one")));
}

// A folder typed into the box that does not exist is created on request (question 126) and
// opened; after a cancel the picker removes it again, as it was empty.
TEST(FolderBrowserDialog, TypedFolderIsCreatedOnRequestAndRemovedAfterwards)
{
    BoxesScope boxes(IDYES);
    TempDir dir;
    const std::wstring typed = dir.File(L"new\\deeper");
    bool existedWhileOpen = false;
    bool opened = false;
    Watcher watcher([&](HWND dialog) {
        WaitForBoxText(dialog, dir.Path());
        const std::wstring head = typed.substr(0, typed.size() - 1);
        SendDlgItemMessageW(dialog, 1152, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(head.c_str()));
        SendDlgItemMessageW(dialog, 1152, EM_SETSEL, head.size(), head.size());
        SendDlgItemMessageW(dialog, 1152, WM_CHAR, typed.back(), 0);
        SendDlgItemMessageW(dialog, 1152, WM_KEYUP, VK_RETURN, 0);
        existedWhileOpen = IsFolder(typed);
        opened = WaitForBoxText(dialog, typed);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });

    CBrowseForFolderDlg picker(nullptr);
    CString result;
    EXPECT_EQ(0, picker.DoModal(dir.Path().c_str(), result));
    EXPECT_EQ(0u, picker.GetExtendedError());
    EXPECT_TRUE(watcher.found);
    ASSERT_EQ(1u, Boxes::shown.size());
    EXPECT_EQ(L"Select a folder|The folder " + typed + L" does not exist.\nWould you like it to be created?",
        Boxes::shown[0]);
    EXPECT_TRUE(existedWhileOpen);
    EXPECT_TRUE(opened);
    EXPECT_FALSE(IsFolder(dir.File(L"new")));
}

// The folder box's text is taken whole into the file buffer of 260 characters: a folder of 259
// characters (the buffer's length with its terminator) is chosen as typed; one character more
// is refused with the system's text for a name too long, and the picker stays open.
TEST(FolderBrowserDialog, AFolderThatFillsTheFileBufferIsChosenOneCharacterMoreIsRefused)
{
    BoxesScope boxes(IDOK);
    TempDir dir;
    std::wstring longest = dir.Path();
    while (259 - longest.size() > 101)
        longest += L"\\" + std::wstring(99, L'a');
    longest += L"\\" + std::wstring(259 - longest.size() - 1, L'b');
    ASSERT_EQ(259u, longest.size());
    const std::wstring overlong = longest + L"c";
    bool stayedOpen = false;
    Watcher watcher([&](HWND dialog) {
        WaitForBoxText(dialog, dir.Path());
        SendDlgItemMessageW(dialog, 1152, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(overlong.c_str()));
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
        SendDlgItemMessageW(dialog, 1152, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(longest.c_str()));
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });

    CBrowseForFolderDlg picker(nullptr);
    CString result;
    EXPECT_EQ(1, picker.DoModal(dir.Path().c_str(), result)) << picker.GetExtendedError();
    EXPECT_TRUE(watcher.found);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(longest, result.GetString());
    ASSERT_EQ(1u, Boxes::shown.size());
    EXPECT_EQ(L"Select a folder|" + std::wstring(SystemMessageText(ERROR_FILENAME_EXCED_RANGE, 0, 256).GetString()),
        Boxes::shown[0]);
}

// The common dialog's own file check (CDN_FILEOK) is always refused by the picker's hook, so
// that the picker closes only through its own OK handling.
TEST(FolderBrowserDialog, TheStandardFileCheckIsRefused)
{
    BoxesScope boxes(IDOK);
    TempDir dir;
    LRESULT answer = 0;
    LONG_PTR messageResult = 0;
    bool stayedOpen = false;
    Watcher watcher([&](HWND dialog) {
        WaitForBoxText(dialog, dir.Path());
        // The hook's window: the child dialog that carries the picker's object.
        HWND hook = nullptr;
        for (HWND child = FindWindowExW(dialog, nullptr, L"#32770", nullptr); child && !hook;
             child = FindWindowExW(dialog, child, L"#32770", nullptr)) {
            if (GetPropW(child, L"VelmoBrowseForFolder"))
                hook = child;
        }
        if (hook) {
            OFNOTIFYW notify = {};
            notify.hdr.hwndFrom = dialog;
            notify.hdr.code = CDN_FILEOK;
            answer = SendMessageW(hook, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
            messageResult = GetWindowLongPtrW(hook, DWLP_MSGRESULT);
        }
        stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });

    CBrowseForFolderDlg picker(nullptr);
    CString result;
    EXPECT_EQ(0, picker.DoModal(dir.Path().c_str(), result));
    EXPECT_TRUE(watcher.found);
    EXPECT_EQ(1, answer);
    EXPECT_EQ(1, messageResult);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(Boxes::shown.empty());
}
