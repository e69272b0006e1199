// The media prompt's window, driven in-process: it checks its folder at the start, on Rescan,
// on every change of the folder box and when a volume arrives, closes by itself once the medium
// is found, shows its error line in red otherwise, cancels AutoPlay, and on old shells switches
// AutoRun off through the user's policy only while it is open.
#include <gtest/gtest.h>

#include <windows.h>

#include <dbt.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "CStringText.h"
#include "MediaPromptDlg.h"
#include "PlatformApi.h"
#include "ScopedOverride.h"
#include "TestSupport.h"
#include "resource.h"

using testsupport::Text;

namespace {

const UINT WM_TEST_STEP = WM_APP + 40;

// A prompt whose medium is "present" in the folders the test names; the test's steps run one
// by one inside the prompt's modal loop.
class CTestPrompt : public CMediaPromptDlg {
public:
    CTestPrompt()
    {
        m_strCaption = L"Insert Test Medium";
        m_strPrompt = L"Please insert the test disk.";
    }

    bool ValidatePath(const CString& folder) override
    {
        checked.push_back(Text(folder));
        if (media.count(Text(folder)))
            return true;
        m_strError = L"Not the test disk.";
        return false;
    }

    // What a step sees of the window (which shows itself only once its queue is idle).
    bool ErrorLineVisible() const
    {
        return (::GetWindowLongPtrW(::GetDlgItem(m_hWnd, IDC_MEDIA_ERROR), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    std::wstring ItemText(int id) const
    {
        wchar_t text[512] = L"";
        ::GetDlgItemTextW(m_hWnd, id, text, 512);
        return text;
    }
    void Click(int id) { ::SendMessageW(::GetDlgItem(m_hWnd, id), BM_CLICK, 0, 0); }
    void Type(const std::wstring& folder) { ::SetDlgItemTextW(m_hWnd, IDC_MEDIA_FOLDER, folder.c_str()); }

    std::set<std::wstring> media;
    std::vector<std::wstring> checked;
    std::vector<std::function<void(CTestPrompt&)>> steps;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CMediaPromptDlg::OnInitDialog();
        PostMessage(WM_TEST_STEP);
        return result;
    }
    LRESULT OnStep(WPARAM, LPARAM)
    {
        if (m_nextStep < steps.size()) {
            steps[m_nextStep++](*this);
            PostMessage(WM_TEST_STEP);
        } else {
            EndDialog(-2);  // the script ran out: never hang
        }
        return 0;
    }
    DECLARE_MESSAGE_MAP()

private:
    size_t m_nextStep = 0;
};

BEGIN_MESSAGE_MAP(CTestPrompt, CMediaPromptDlg)
    ON_MESSAGE(WM_TEST_STEP, OnStep)
END_MESSAGE_MAP()

LRESULT SendVolumeArrival(HWND window, DWORD deviceType)
{
    DEV_BROADCAST_VOLUME volume = {};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = deviceType;
    volume.dbcv_unitmask = 1u << ('E' - 'A');
    return ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
}

}  // namespace

TEST(MediaPromptDialogTest, OnlyFoldersWithAShareOrADriveAreChecked)
{
    const struct {
        const wchar_t* folder;
        bool usable;
    } cases[] = {
        {L"", false},
        {L"C:", false},
        {L"\\\\", false},
        {L"C:\\", true},
        {L"\\\\server", false},
        {L"\\\\server\\", true},
        {L"\\\\server\\share", true},
        {L"abc", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.usable, CMediaPromptDlg::IsUsableFolder(c.folder)) << Text(CString(c.folder));
}

TEST(MediaPromptDialogTest, AMediumAlreadyThereClosesThePromptAtOnce)
{
    testsupport::TempDir dir;
    CTestPrompt prompt;
    prompt.SetPath(dir.Path().c_str());
    prompt.media.insert(dir.Path());
    EXPECT_EQ(IDOK, prompt.DoModal());
    EXPECT_EQ(std::vector<std::wstring>{dir.Path()}, prompt.checked);
    EXPECT_EQ(dir.Path(), Text(prompt.GetPath()));
    // Each showing starts with its own check.
    EXPECT_EQ(IDOK, prompt.DoModal());
    EXPECT_EQ(2u, prompt.checked.size());
}

TEST(MediaPromptDialogTest, TypingTheRightFolderClosesThePromptByItself)
{
    testsupport::TempDir dir;
    const std::wstring medium = dir.Path() + L"\\disk2";
    CTestPrompt prompt;
    prompt.SetPath(L"\\\\server");  // a bare server name is never checked
    prompt.media.insert(medium);
    bool errorShownAtStart = false;
    std::wstring errorText;
    prompt.steps = {
        [&](CTestPrompt& p) {
            errorShownAtStart = p.ErrorLineVisible();
            errorText = p.ItemText(IDC_MEDIA_ERROR);
            CString caption;
            p.GetWindowText(caption);
            EXPECT_EQ(L"Insert Test Medium", Text(caption));
            EXPECT_EQ(L"Please insert the test disk.", p.ItemText(IDC_MEDIA_PROMPT_TEXT));
            EXPECT_EQ(L"\\\\server", p.ItemText(IDC_MEDIA_FOLDER));
            p.Type(dir.Path());
        },
        [&](CTestPrompt& p) {
            EXPECT_TRUE(p.ErrorLineVisible());
            EXPECT_EQ(L"Not the test disk.", p.ItemText(IDC_MEDIA_ERROR));
            p.Type(medium);
        },
    };
    EXPECT_EQ(IDOK, prompt.DoModal());
    EXPECT_TRUE(errorShownAtStart);
    // The unusable folder shows the volume text, as the derived prompt has set none yet.
    EXPECT_EQ(L"The specified folder does not contain the correct volume.", errorText);
    EXPECT_EQ((std::vector<std::wstring>{dir.Path(), medium}), prompt.checked);
    EXPECT_EQ(medium, Text(prompt.GetPath()));
}

TEST(MediaPromptDialogTest, RescanAndAVolumeArrivalCheckTheFolderAgain)
{
    testsupport::TempDir dir;
    const struct {
        const char* name;
        std::function<void(CTestPrompt&)> insertAndTell;
    } cases[] = {
        {"Rescan", [](CTestPrompt& p) { p.Click(IDOK); }},
        {"Enter", [](CTestPrompt& p) { ::SendMessageW(p.m_hWnd, WM_COMMAND, IDOK, 0); }},
        {"volume arrival", [](CTestPrompt& p) { EXPECT_TRUE(SendVolumeArrival(p.m_hWnd, DBT_DEVTYP_VOLUME)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTestPrompt prompt;
        prompt.SetPath(dir.Path().c_str());
        size_t checksBefore = 0;
        prompt.steps = {
            [&](CTestPrompt& p) {
                // Nothing inserted yet, and other devices arriving change nothing.
                p.Click(IDOK);
                SendVolumeArrival(p.m_hWnd, DBT_DEVTYP_PORT);
                EXPECT_TRUE(p.ErrorLineVisible());
                checksBefore = p.checked.size();
                p.media.insert(dir.Path());
                c.insertAndTell(p);
            },
        };
        EXPECT_EQ(IDOK, prompt.DoModal());
        EXPECT_EQ(2u, checksBefore);  // the start and the first Rescan
        EXPECT_EQ(3u, prompt.checked.size());
    }
}

TEST(MediaPromptDialogTest, CancelEndsThePromptAndTheOwnerIsEnabledAgain)
{
    HWND owner = ::CreateWindowW(L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    CTestPrompt prompt;
    prompt.SetPath(L"C:\\no medium here");
    prompt.SetOwnerWindow(owner);
    HWND ownerSeen = nullptr;
    bool ownerEnabled = true;
    prompt.steps = {[&](CTestPrompt& p) {
        ownerSeen = ::GetWindow(p.m_hWnd, GW_OWNER);
        ownerEnabled = ::IsWindowEnabled(owner) != FALSE;
        p.Click(IDCANCEL);
    }};
    EXPECT_EQ(IDCANCEL, prompt.DoModal());
    EXPECT_EQ(owner, ownerSeen);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    ::DestroyWindow(owner);
}

TEST(MediaPromptDialogTest, TheErrorLineIsRedAndAutoPlayIsCancelled)
{
    CTestPrompt prompt;
    prompt.SetPath(L"C:\\no medium here");
    COLORREF errorColour = 0;
    COLORREF otherColour = 0;
    LRESULT autoPlayAnswer = 0;
    prompt.steps = {[&](CTestPrompt& p) {
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        ::SetTextColor(dc, RGB(1, 2, 3));
        ::SendMessageW(p.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
            reinterpret_cast<LPARAM>(::GetDlgItem(p.m_hWnd, IDC_MEDIA_ERROR)));
        errorColour = ::GetTextColor(dc);
        ::SetTextColor(dc, RGB(1, 2, 3));
        ::SendMessageW(p.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
            reinterpret_cast<LPARAM>(::GetDlgItem(p.m_hWnd, IDC_MEDIA_PROMPT_TEXT)));
        otherColour = ::GetTextColor(dc);
        ::DeleteDC(dc);
        ::ReleaseDC(nullptr, screen);
        autoPlayAnswer = ::SendMessageW(p.m_hWnd, ::RegisterWindowMessageW(L"QueryCancelAutoPlay"), 0, 0);
        p.Click(IDCANCEL);
    }};
    EXPECT_EQ(IDCANCEL, prompt.DoModal());
    EXPECT_EQ(RGB(255, 0, 0), errorColour);
    EXPECT_NE(RGB(255, 0, 0), otherColour);
    EXPECT_EQ(1, autoPlayAnswer);
}

namespace {

const wchar_t kPolicyKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const wchar_t kPolicyValue[] = L"NoDriveTypeAutoRun";

BOOL WINAPI ReportWindows98(LPOSVERSIONINFOW info)
{
    info->dwMajorVersion = 4;
    info->dwMinorVersion = 10;
    info->dwBuildNumber = 2222;
    info->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    info->szCSDVersion[0] = L'\0';
    return TRUE;
}

// The policy value as "<type>:<dword>", or "none".
std::wstring PolicyValue()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kPolicyKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return L"none";
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LSTATUS status = ::RegQueryValueExW(key, kPolicyValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::to_wstring(type) + L":" + std::to_wstring(value) : L"none";
}

void SetPolicyValue(DWORD type, DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, kPolicyKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                 &key, nullptr));
    ::RegSetValueExW(key, kPolicyValue, 0, type, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    ::RegCloseKey(key);
}

void DeletePolicyValue()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kPolicyKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueW(key, kPolicyValue);
        ::RegCloseKey(key);
    }
}

}  // namespace

TEST(MediaPromptDialogTest, OnOldShellsAutoRunIsOffOnlyWhileThePromptIsOpen)
{
    ScopedOverride<decltype(g_platformApi.GetVersionExW)> windows98(g_platformApi.GetVersionExW, &ReportWindows98);
    ScopedOverride<uint64_t> oldShell(CMediaPromptDlg::s_shellVersion, (uint64_t(4) << 48) | (uint64_t(0) << 32));
    const struct {
        const char* name;
        DWORD type;  // REG_NONE: no value before the prompt
        DWORD value;
        const wchar_t* after;
    } cases[] = {
        {"no value before: none after", REG_NONE, 0, L"none"},
        {"a value of 0 stays 0", REG_DWORD, 0, L"4:0"},
        {"another value comes back", REG_DWORD, 0x91, L"4:145"},
        {"with its own type", REG_BINARY, 0x95, L"3:149"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeletePolicyValue();
        if (c.type != REG_NONE)
            SetPolicyValue(c.type, c.value);
        CTestPrompt prompt;
        std::wstring whileOpen;
        prompt.steps = {[&](CTestPrompt& p) {
            whileOpen = PolicyValue();
            p.Click(IDCANCEL);
        }};
        EXPECT_EQ(IDCANCEL, prompt.DoModal());
        EXPECT_EQ(L"4:255", whileOpen);
        EXPECT_EQ(c.after, PolicyValue());
    }
    DeletePolicyValue();

    // A shell that knows the AutoPlay question leaves the policy alone.
    ScopedOverride<uint64_t> newShell(CMediaPromptDlg::s_shellVersion, (uint64_t(4) << 48) | (uint64_t(71) << 32));
    CTestPrompt prompt;
    std::wstring whileOpen;
    prompt.steps = {[&](CTestPrompt& p) {
        whileOpen = PolicyValue();
        p.Click(IDCANCEL);
    }};
    EXPECT_EQ(IDCANCEL, prompt.DoModal());
    EXPECT_EQ(L"none", whileOpen);
}

TEST(MediaPromptDialogTest, BrowsingStartsAtTheNearestFolderThatCanBeEntered)
{
    testsupport::TempDir dir;
    wchar_t windows[MAX_PATH];
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    const struct {
        std::wstring folder;
        std::wstring start;
    } cases[] = {
        {dir.Path(), dir.Path()},
        {dir.Path() + L"\\missing\\deeper", dir.Path()},
        {dir.Path() + L"\\missing\\", dir.Path()},
        {L"C:\\velmo-missing", L"C:\\"},
        {L"", windows},
        {L"relative-missing", windows},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.start, Text(CMediaPromptDlg::GetBrowseStartFolder(c.folder.c_str()))) << c.folder;
}
