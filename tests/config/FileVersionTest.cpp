// Version resources of files, and version texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "FileVersion.h"
#include "TestSupport.h"

namespace {

uint64_t V(uint64_t major, uint64_t minor, uint64_t build, uint64_t revision)
{
    return (major << 48) | (minor << 32) | (build << 16) | revision;
}

std::wstring ModulePath()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

}  // namespace

TEST(FileVersion, ReadsTheFixedVersionOfAModule)
{
    DWORD ms = 0, ls = 0;
    EXPECT_TRUE(QueryFileVersion(ModulePath().c_str(), ms, ls));
    EXPECT_EQ(0u, GetLastError());
    EXPECT_EQ(0x00050006u, ms);
    EXPECT_EQ(0x00070008u, ls);

    uint64_t version = 0;
    EXPECT_TRUE(GetFileVersion(ModulePath().c_str(), version));
    EXPECT_EQ(V(5, 6, 7, 8), version);

    CString text;
    EXPECT_TRUE(GetFileVersionString(ModulePath().c_str(), text));
    EXPECT_STREQ(L"5.6.7.8", text.GetString());
}

TEST(FileVersion, FilesWithoutAVersion)
{
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File(L"plain.txt"), "no version here"));
    DWORD ms = 1, ls = 1;
    EXPECT_FALSE(QueryFileVersion(dir.File(L"plain.txt").c_str(), ms, ls));
    EXPECT_NE(0u, GetLastError());
    EXPECT_EQ(0u, ms);
    EXPECT_EQ(0u, ls);

    ms = ls = 1;
    EXPECT_FALSE(QueryFileVersion(dir.File(L"missing.dll").c_str(), ms, ls));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(0u, ms);

    CString text = L"old";
    EXPECT_FALSE(GetFileVersionString(dir.File(L"missing.dll").c_str(), text));
    EXPECT_STREQ(L"0.0.0.0", text.GetString());
}

TEST(VersionText, Parse)
{
    const struct {
        const wchar_t* text;
        uint64_t expected;
    } cases[] = {
        {L"1.2", V(1, 2, 0, 0)},
        {L"1.2.3.4", V(1, 2, 3, 4)},
        {L"65535.65535.65535.65535", V(65535, 65535, 65535, 65535)},
        {L"4.5.6001", V(4, 5, 6001, 0)},
        {L"", 0},
        {L"x", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, ParseVersionString(c.text)) << c.text;
    }
    DWORD ms = 0, ls = 0;
    ParseVersionStringHalves(L"1.2.3.4", ms, ls);
    EXPECT_EQ(0x00010002u, ms);
    EXPECT_EQ(0x00030004u, ls);
}

TEST(VersionText, FormatWritesTheRequestedParts)
{
    const DWORD ms = 0x00050006, ls = 0x00070008;
    const struct {
        int parts;
        const wchar_t* expected;
    } cases[] = {
        {0, L"5"},
        {-3, L"5"},
        {1, L"5"},
        {2, L"5.6"},
        {3, L"5.6.7"},
        {4, L"5.6.7.8"},
        {9, L"5.6.7.8"},
    };
    for (const auto& c : cases) {
        wchar_t out[kVersionTextSize];
        EXPECT_EQ(static_cast<int>(wcslen(c.expected)), FormatVersion(&ms, &ls, out, c.parts)) << c.parts;
        EXPECT_STREQ(c.expected, out) << c.parts;
    }
    wchar_t out[kVersionTextSize];
    const uint64_t widest = V(65535, 65535, 65535, 65535);
    EXPECT_EQ(23, FormatVersion64(&widest, out, 4));
    EXPECT_STREQ(L"65535.65535.65535.65535", out);
    const uint64_t v = V(1, 2, 3, 4);
    FormatVersion64(&v, out, 3);
    EXPECT_STREQ(L"1.2.3", out);
}
