// Files, folders, volume roots and backslashes; none of it may move the current directory.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CStringText.h"
#include "PathHelpers.h"
#include "PlatformChecks.h"
#include "ScopedOverride.h"
#include "TestSupport.h"

using testsupport::CurrentFolder;
using testsupport::TempDir;
using testsupport::Text;
using testsupport::WriteFileBytes;

namespace {

OSVERSIONINFOW g_version;

BOOL WINAPI FakeGetVersionEx(LPOSVERSIONINFOW info)
{
    DWORD size = info->dwOSVersionInfoSize;
    *info = g_version;
    info->dwOSVersionInfoSize = size;
    return TRUE;
}

FARPROC WINAPI WithoutGetVolumePathName(HMODULE module, LPCSTR name)
{
    return strcmp(name, "GetVolumePathNameW") == 0 ? nullptr : ::GetProcAddress(module, name);
}

class PathHelpers : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_cwd = CurrentFolder();
        ASSERT_TRUE(WriteFileBytes(m_dir.File(L"file.txt"), "x"));
        ASSERT_TRUE(CreateDirectoryW(m_dir.File(L"sub").c_str(), nullptr));
    }
    void TearDown() override { EXPECT_EQ(m_cwd, CurrentFolder()); }

    ScopedOverride<PlatformApi> m_platform{g_platformApi};
    std::wstring m_cwd;
    TempDir m_dir;
};

}  // namespace

TEST_F(PathHelpers, FileExistsForFilesFoldersAndWildcards)
{
    EXPECT_TRUE(FileExists(m_dir.File(L"file.txt").c_str()));
    EXPECT_TRUE(FileExists(m_dir.File(L"sub").c_str()));
    EXPECT_TRUE(FileExists(m_dir.File(L"*.txt").c_str()));
    EXPECT_FALSE(FileExists(m_dir.File(L"*.log").c_str()));
    EXPECT_FALSE(FileExists(m_dir.File(L"missing").c_str()));
}

TEST_F(PathHelpers, CanEnterDirectoryOnlyForExistingFolders)
{
    EXPECT_TRUE(CanEnterDirectory(m_dir.Path().c_str()));
    EXPECT_TRUE(CanEnterDirectory(m_dir.File(L"sub").c_str()));
    EXPECT_FALSE(CanEnterDirectory(m_dir.File(L"file.txt").c_str()));
    EXPECT_FALSE(CanEnterDirectory(m_dir.File(L"missing").c_str()));
    EXPECT_FALSE(CanEnterDirectory(L""));
}

TEST_F(PathHelpers, MakeAbsolutePathResolvesAgainstTheBase)
{
    const std::wstring base = m_dir.Path();
    const std::wstring drive = base.substr(0, 2);
    const struct {
        std::wstring base;
        std::wstring path;
        std::wstring expected;
    } cases[] = {
        {base, L"file.txt", base + L"\\file.txt"},
        {base, L"sub\\..\\x.ini", base + L"\\x.ini"},
        {base, L"sub/y", base + L"\\sub\\y"},
        {base, L".", base},
        {base, L"", base},
        {base + L"\\sub", L"..\\z", base + L"\\z"},
        {base, L"C:\\abs\\p", L"C:\\abs\\p"},
        {base, L"\\rooted\\r", drive + L"\\rooted\\r"},
        {base, drive + L"rel", base + L"\\rel"},
        {base, L"\\\\server\\share\\f", L"\\\\server\\share\\f"},
        // A base that is not a folder: against the current directory.
        {base + L"\\missing", L"rel", m_cwd + (m_cwd.back() == L'\\' ? L"" : L"\\") + L"rel"},
        {base + L"\\file.txt", L"rel", m_cwd + (m_cwd.back() == L'\\' ? L"" : L"\\") + L"rel"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, Text(MakeAbsolutePath(c.base.c_str(), c.path.c_str()))) << c.base << " + " << c.path;
    }
    std::wstring tooLong(300, L'a');
    EXPECT_EQ(L"", Text(MakeAbsolutePath(base.c_str(), tooLong.c_str())));
}

namespace {

struct ResolveJob {
    std::wstring base;
    std::wstring expected;
    bool allMatched;
};

DWORD WINAPI ResolveManyTimes(LPVOID parameter)
{
    ResolveJob* job = static_cast<ResolveJob*>(parameter);
    for (int i = 0; i < 200; ++i) {
        if (Text(MakeAbsolutePath(job->base.c_str(), L"f")) != job->expected) {
            job->allMatched = false;
        }
    }
    return 0;
}

}  // namespace

TEST_F(PathHelpers, MakeAbsolutePathOnSeveralThreadsAtOnce)
{
    ResolveJob jobs[2]
        = {{m_dir.Path(), m_dir.Path() + L"\\f", true}, {m_dir.File(L"sub"), m_dir.File(L"sub") + L"\\f", true}};
    HANDLE threads[2];
    for (int i = 0; i < 2; ++i) {
        threads[i] = CreateThread(nullptr, 0, &ResolveManyTimes, &jobs[i], 0, nullptr);
    }
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    for (int i = 0; i < 2; ++i) {
        CloseHandle(threads[i]);
        EXPECT_TRUE(jobs[i].allMatched) << i;
    }
}

TEST_F(PathHelpers, VolumeRootFromTheSystem)
{
    CString root;
    EXPECT_TRUE(GetVolumeRoot(L"C:\\windows\\system32", root));
    EXPECT_EQ(L"C:\\", Text(root));
}

TEST_F(PathHelpers, VolumeRootFromTheTextWithoutGetVolumePathName)
{
    const struct {
        const wchar_t* path;
        bool ok;
        const wchar_t* root;
    } cases[] = {
        {L"C:\\dir\\file", true, L"C:\\"},
        {L"d:", true, L"d:\\"},
        {L"\\\\server\\share\\dir\\file", true, L"\\\\server\\share\\"},
        {L"\\\\server\\share", true, L"\\\\server\\share\\"},
        {L"\\\\server", false, L""},
        {L"\\\\", false, L""},
        {L"ab\\c", false, L""},
    };
    ZeroMemory(&g_version, sizeof(g_version));
    g_version.dwPlatformId = VER_PLATFORM_WIN32_NT;
    g_version.dwMajorVersion = 4;
    g_platformApi.GetVersionExW = &FakeGetVersionEx;  // NT 4: no volume path names
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            g_platformApi = m_platform.Previous();  // a newer system whose kernel32 lacks the function
            g_platformApi.GetProcAddress = &WithoutGetVolumePathName;
        }
        for (const auto& c : cases) {
            CString root;
            EXPECT_EQ(c.ok, GetVolumeRoot(c.path, root)) << c.path << " pass " << pass;
            EXPECT_EQ(c.root, Text(root)) << c.path << " pass " << pass;
        }
    }
}

TEST_F(PathHelpers, VolumeRootOfTooShortPathIsAnInvalidParameter)
{
    for (const wchar_t* path : {L"", L"C"}) {
        CString root;
        SetLastError(0);
        EXPECT_FALSE(GetVolumeRoot(path, root));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    }
}

TEST(PathStrings, Backslashes)
{
    const struct {
        CString& (*function)(CString&);
        const wchar_t* input;
        const wchar_t* expected;
    } cases[] = {
        {&AddTrailingBackslash, L"", L""},
        {&AddTrailingBackslash, L"C:", L"C:\\"},
        {&AddTrailingBackslash, L"C:\\", L"C:\\"},
        {&RemoveTrailingBackslash, L"C:\\dir\\\\", L"C:\\dir\\"},
        {&RemoveTrailingBackslash, L"\\", L""},
        {&RemoveTrailingBackslash, L"dir", L"dir"},
        {&RemoveTrailingBackslash, L"", L""},
        {&RemoveLeadingBackslash, L"\\\\dir", L"\\dir"},
        {&RemoveLeadingBackslash, L"dir", L"dir"},
        {&AddLeadingBackslash, L"dir", L"\\dir"},
        {&AddLeadingBackslash, L"\\dir", L"\\dir"},
        {&AddLeadingBackslash, L"", L"\\"},
    };
    for (const auto& c : cases) {
        CString text(c.input);
        CString& result = c.function(text);
        EXPECT_EQ(&text, &result);
        EXPECT_EQ(std::wstring(c.expected), Text(text)) << c.input;
    }
}
