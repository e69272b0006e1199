// The installation folder check: each refusal with its code and message, in the order of the
// checks, against real folders.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "InstallPathValidation.h"
#include "ScopedOverride.h"
#include "TestSupport.h"
#include "WindowsError.h"

namespace {

struct Outcome {
    bool refused = false;
    DWORD code = 0;
    std::wstring message;
};

Outcome Validate(const std::wstring& path)
{
    Outcome outcome;
    try {
        ValidateInstallPath(path.c_str());
    } catch (const WindowsError& error) {
        outcome.refused = true;
        outcome.code = error.GetCode();
        outcome.message = error.GetContext();
    }
    return outcome;
}

DWORD g_volumeError = 0;

BOOL WINAPI FailingVolumeQuery(LPCWSTR, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD)
{
    SetLastError(g_volumeError);
    return FALSE;
}

}  // namespace

TEST(InstallPathValidation, AcceptsAnExistingFolderAndNoPath)
{
    testsupport::TempDir dir;
    EXPECT_FALSE(Validate(dir.Path()).refused);
    EXPECT_FALSE(Validate(dir.Path() + L"\\").refused);
    EXPECT_FALSE(Validate(L"C:\\").refused);
    EXPECT_FALSE(Validate(L"").refused);
    ValidateInstallPath(nullptr);
}

TEST(InstallPathValidation, RefusesWithTheMessageOfTheFirstFailedCheck)
{
    testsupport::TempDir dir;
    testsupport::WriteFileBytes(dir.File(L"afile"), "x");
    const std::wstring tooLong = L"C:\\" + std::wstring(258, L'a');
    const struct {
        std::wstring path;
        DWORD code;
        std::wstring message;
    } cases[] = {
        {tooLong + L"?", ERROR_DIRECTORY, L"The specified path is too long: '" + tooLong + L"?' "},
        {L"relative\\path", ERROR_INVALID_NAME, L"The path relative\\path is not valid.  Please specify a valid path."},
        {L"\\single", ERROR_INVALID_NAME, L"The path \\single is not valid.  Please specify a valid path."},
        {L"Q:\\x", ERROR_INVALID_DRIVE, L"The path Q:\\ is not valid.  Please specify a valid path."},
        {dir.File(L"con.txt\\x"), ERROR_DIRECTORY,
            L"The folder path 'con.txt' contains words that are not valid in folder paths. "},
        {dir.File(L"Lpt9"), ERROR_DIRECTORY,
            L"The folder path 'Lpt9' contains words that are not valid in folder paths. "},
        {dir.File(L"afile\\x"), ERROR_DIRECTORY,
            L"The path " + dir.File(L"afile") + L" is not valid.  Please specify a valid path."},
        {dir.File(L"a?b"), ERROR_DIRECTORY, L"The folder path 'a?b' contains an invalid character. "},
        {dir.File(L"a\tb\\c"), ERROR_DIRECTORY, L"The folder path 'a\tb' contains an invalid character. "},
        {dir.File(L"\x65E5\x672C"), ERROR_DIRECTORY,
            L"The folder path '" + dir.File(L"\x65E5\x672C")
                + L"' contains an invalid character(s) for the system language (English)."},
        {dir.File(L"not\\yet"), ERROR_PATH_NOT_FOUND,
            L"The path " + dir.File(L"not\\yet") + L" is not valid.  Please specify a valid path."},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Validate(c.path);
        EXPECT_TRUE(outcome.refused) << c.path;
        EXPECT_EQ(c.code, outcome.code) << c.path;
        EXPECT_EQ(c.message, outcome.message) << c.path;
    }
}

// A volume that cannot be read: a path or data error is reported as a drive that is not valid,
// any other error as it is.
TEST(InstallPathValidation, UnreadableVolumeNamesItsRoot)
{
    ScopedOverride<decltype(g_pfnGetVolumeInformationW)> query(g_pfnGetVolumeInformationW, &FailingVolumeQuery);
    const struct {
        DWORD error;
        DWORD code;
    } cases[] = {
        {ERROR_PATH_NOT_FOUND, ERROR_INVALID_DRIVE},
        {ERROR_INVALID_DATA, ERROR_INVALID_DRIVE},
        {ERROR_NOT_READY, ERROR_NOT_READY},
    };
    for (const auto& c : cases) {
        g_volumeError = c.error;
        const Outcome outcome = Validate(L"C:\\Program Files\\App");
        EXPECT_TRUE(outcome.refused) << c.error;
        EXPECT_EQ(c.code, outcome.code) << c.error;
        EXPECT_EQ(L"The path C:\\ is not valid.  Please specify a valid path.", outcome.message) << c.error;
    }
}

// A folder of exactly 260 characters passes the length check (a folder that does not exist
// yet then fails only the last check); one character more is refused as too long at once.
TEST(InstallPathValidation, TheLengthLimitIs260Characters)
{
    testsupport::TempDir dir;
    std::wstring limit = dir.Path();
    while (260 - limit.size() > 101)
        limit += L"\\" + std::wstring(99, L'a');
    limit += L"\\" + std::wstring(260 - limit.size() - 1, L'b');
    ASSERT_EQ(260u, limit.size());
    const struct {
        std::wstring path;
        DWORD code;
        std::wstring message;
    } cases[] = {
        {limit, ERROR_PATH_NOT_FOUND, L"The path " + limit + L" is not valid.  Please specify a valid path."},
        {limit + L"c", ERROR_DIRECTORY, L"The specified path is too long: '" + limit + L"c' "},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Validate(c.path);
        EXPECT_TRUE(outcome.refused) << c.path.size();
        EXPECT_EQ(c.code, outcome.code) << c.path.size();
        EXPECT_EQ(c.message, outcome.message) << c.path.size();
    }
}
