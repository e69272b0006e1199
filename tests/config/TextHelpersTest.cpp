// Case tests, GUID suffixes, code-page fit, environment references, time text and profile
// strings.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "CStringText.h"
#include "TestSupport.h"
#include "TextHelpers.h"

using testsupport::Text;

TEST(TextCase, LowercaseAndUppercaseTests)
{
    const struct {
        const wchar_t* text;
        bool noLowercase;
        bool allUppercase;
    } cases[] = {
        {L"", true, true},
        {L"ABC", true, true},
        {L"AbC", false, false},
        {L"A1_B-2", true, true},
        {L"123", true, true},
        {L"\x00C4\x00D6", true, true},
        {L"\x00E4", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.noLowercase, ContainsNoLowercase(c.text)) << c.text;
        EXPECT_EQ(c.allUppercase, IsAllUppercase(c.text)) << c.text;
    }
}

TEST(GuidSuffix, FindsAGuidWrittenWithUnderscores)
{
    const struct {
        const wchar_t* name;
        int expected;
    } cases[] = {
        {L"Feature.12345678_1234_1234_1234_123456789ABC", 8},
        {L"Feature.12345678_1234_1234_1234_123456789abc", 8},
        {L"12345678_1234_1234_1234_123456789ABC", 0},
        {L"A.B.12345678_ABCD_1234_1234_123456789ABC", 4},
        {L"Feature", -1},
        {L"Feature.1_2_3_4_5", -1},
        {L"Feature.12345678-1234-1234-1234-123456789ABC", -1},
        {L"Feature.", -1},
        {L"", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, FindGuidSuffix(c.name)) << c.name;
    }
}

TEST(CodePageFit, TellsWhetherTheTextCanBeShown)
{
    const struct {
        const wchar_t* text;
        UINT codePage;
        bool expected;
    } cases[] = {
        {L"C:\\Program Files\\abc", 1252, false},
        {L"C:\\\x65E5\x672C", 1252, true},
        {L"C:\\\x65E5\x672C", 932, false},
        {L"caf\x00E9", 1252, false},
        {L"\x0416", 1252, true},
        {L"\x0416", 1251, false},
        {L"what?", 1252, false},  // a question mark of the text itself is no replacement
        {L"\x65E5?", 65001, false},
        {L"", 1252, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, HasUnmappableCharacters(c.text, c.codePage)) << c.text << " " << c.codePage;
    }
}

TEST(EnvironmentReferences, ExpandsSetVariablesOnce)
{
    SetEnvironmentVariableW(L"CFGTEST_A", L"alpha");
    SetEnvironmentVariableW(L"CFGTEST_SELF", L"%CFGTEST_SELF%x");
    SetEnvironmentVariableW(L"CFGTEST_NONE", nullptr);
    const std::wstring longValue(300, L'v');
    SetEnvironmentVariableW(L"CFGTEST_LONG", longValue.c_str());
    wchar_t temp[MAX_PATH];
    DWORD tempLength = GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
    ASSERT_GT(tempLength, 0u);

    const struct {
        std::wstring text;
        std::wstring expected;
    } cases[] = {
        {L"%TEMP%\\x.log", std::wstring(temp, tempLength) + L"\\x.log"},
        {L"%CFGTEST_A%\\x.log", L"alpha\\x.log"},
        {L"a%CFGTEST_A%b%CFGTEST_A%c", L"aalphabalphac"},
        {L"%CFGTEST_NONE%", L"%CFGTEST_NONE%"},
        {L"%CFGTEST_NONE%CFGTEST_A%", L"%CFGTEST_NONEalpha"},  // the closing % opens the next one
        {L"%CFGTEST_SELF%", L"%CFGTEST_SELF%x"},
        {L"%CFGTEST_LONG%!", longValue + L"!"},
        {L"100%", L"100%"},
        {L"%%", L"%%"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        CString text(c.text.c_str());
        ExpandEnvironmentReferences(text);
        EXPECT_EQ(c.expected, Text(text)) << c.text;
    }
    SetEnvironmentVariableW(L"CFGTEST_A", nullptr);
    SetEnvironmentVariableW(L"CFGTEST_SELF", nullptr);
    SetEnvironmentVariableW(L"CFGTEST_LONG", nullptr);
}

TEST(TimeText, IsTheAsctimeTextWithoutItsLineFeed)
{
    CString text = GetCurrentTimeText();
    EXPECT_EQ(24, text.GetLength()) << Text(text);
    EXPECT_EQ(-1, text.Find(L'\n'));
    EXPECT_EQ(L':', text[13]);
    EXPECT_EQ(L':', text[16]);
}

TEST(ProfileString, ReadsValuesOfAnyLength)
{
    testsupport::TempDir dir;
    const std::string v255(255, 'b');
    const std::string v300(300, 'c');
    const std::wstring ini = dir.File(L"t.ini");
    ASSERT_TRUE(
        testsupport::WriteFileBytes(ini, "[S]\r\nshort=value\r\nv255=" + v255 + "\r\nv300=" + v300 + "\r\nempty=\r\n"));

    const struct {
        const wchar_t* key;
        const wchar_t* defaultText;
        std::wstring expected;
        bool ok;
    } cases[] = {
        {L"short", L"", L"value", true},
        {L"v255", L"", std::wstring(255, L'b'), true},
        {L"v300", L"", std::wstring(300, L'c'), true},
        {L"empty", L"", L"", false},
        {L"missing", L"fallback", L"fallback", true},
        {L"missing", L"", L"", false},
    };
    for (const auto& c : cases) {
        CString value = L"previous";
        EXPECT_EQ(c.ok, ReadProfileString(ini.c_str(), L"S", c.key, value, c.defaultText)) << c.key;
        EXPECT_EQ(c.expected, Text(value)) << c.key;
    }
}
