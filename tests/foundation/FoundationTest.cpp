// The ground the other tests stand on: full exit codes of started programs, and packages
// built from text sources.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <gtest/gtest.h>

#include "TestSupport.h"

using testsupport::ModuleDir;
using testsupport::RunProcess;
using testsupport::TestDataPath;

TEST(ProcessRunner, ReturnsAllBitsOfTheExitCode)
{
    const struct {
        const wchar_t* arg;
        DWORD expected;
    } cases[] = {
        {L"0", 0},
        {L"1639", 1639},
        {L"-10004", static_cast<DWORD>(-10004)},
        {L"263211", 263211},
        {L"0xC0000005", 0xC0000005u},
    };
    for (const auto& c : cases) {
        auto result = RunProcess(L"\"" + ModuleDir() + L"\\exitwith.exe\" " + c.arg);
        EXPECT_FALSE(result.timedOut) << c.arg;
        EXPECT_EQ(c.expected, result.exitCode) << c.arg;
    }
}

TEST(ProcessRunner, MissingProgramIsReported)
{
    auto result = RunProcess(L"\"" + ModuleDir() + L"\\no-such-program.exe\"");
    EXPECT_EQ(static_cast<DWORD>(-1), result.exitCode);
}

TEST(TestPackages, WixlPackageWithImportedTableOpens)
{
    MSIHANDLE db = 0;
    ASSERT_EQ(0u, MsiOpenDatabaseW(TestDataPath(L"minimal.msi").c_str(), MSIDBOPEN_READONLY, &db));
    MSIHANDLE view = 0;
    ASSERT_EQ(0u, MsiDatabaseOpenViewW(db, L"SELECT `Value` FROM `ZKSample` ORDER BY `Name`", &view));
    ASSERT_EQ(0u, MsiViewExecute(view, 0));
    std::wstring values;
    MSIHANDLE rec = 0;
    while (MsiViewFetch(view, &rec) == 0) {
        wchar_t buf[64];
        DWORD n = 64;
        MsiRecordGetStringW(rec, 1, buf, &n);
        values += buf;
        values += L";";
        MsiCloseHandle(rec);
    }
    EXPECT_EQ(L"first;second;", values);
    MsiCloseHandle(view);

    // The package is a real package: it opens as an install session.
    MSIHANDLE session = 0;
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    ASSERT_EQ(0u, MsiOpenPackageW(TestDataPath(L"minimal.msi").c_str(), &session));
    wchar_t value[64];
    DWORD n = 64;
    ASSERT_EQ(0u, MsiGetPropertyW(session, L"VELMOSAMPLE", value, &n));
    EXPECT_STREQ(L"sample value", value);
    MsiCloseHandle(session);
    MsiCloseHandle(db);
}
