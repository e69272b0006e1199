// Whether a dependency row accepts a product: the code, the version bounds with their
// inclusive bits, and the language list, plain and exclusive.
#include <gtest/gtest.h>

#include <windows.h>

#include "DependencyRow.h"

namespace {

const wchar_t kCode[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A22}";

struct MatchCase {
    const wchar_t* versionMin;
    const wchar_t* versionMax;
    const wchar_t* languages;
    DWORD attributes;
    const wchar_t* code;
    const wchar_t* version;
    LANGID language;
    bool expected;
};

}  // namespace

TEST(DependencyRow, MatchesCodeVersionAndLanguage)
{
    const DWORD minIn = CZkDependencyRow::kAttrMinInclusive;
    const DWORD maxIn = CZkDependencyRow::kAttrMaxInclusive;
    const DWORD langEx = CZkDependencyRow::kAttrLanguagesExclusive;
    const MatchCase cases[] = {
        {L"", L"", L"", 0, kCode, L"0.0.0.0", 1033, false},  // 0 is not above an empty minimum
        {L"", L"", L"", 0, kCode, L"0.0.0.1", 1033, true},
        {L"", L"", L"", 0, kCode, L"65535.65535.65535.65535", 1033, false},  // all bits: not below
        {L"1.2", L"", L"", minIn, kCode, L"1.2", 1033, true},
        {L"1.2", L"", L"", 0, kCode, L"1.2", 1033, false},
        {L"1.0", L"2.0", L"", 0, kCode, L"2.0", 1033, false},
        {L"1.0", L"2.0", L"", maxIn, kCode, L"2.0", 1033, true},
        {L"", L"", L"1033, 1031", 0, kCode, L"1.0", 1031, true},
        {L"", L"", L"1033,1031", langEx, kCode, L"1.0", 1031, false},
        {L"", L"", L"1033\t1031", langEx, kCode, L"1.0", 1036, true},
        {L"", L"", L"", langEx, kCode, L"1.0", 1036, false},  // an empty list, exclusive, refuses all
        {L"", L"", L"1033x", 0, kCode, L"1.0", 1033, true},
        {L"", L"", L"abc", 0, kCode, L"1.0", 0, true},
        {L"", L"", L"", 0, L"{6d1f3b20-7a4c-4e5d-8b9a-0c1d2e3f4a22}", L"1.0", 1033, false},
    };
    for (const MatchCase& c : cases) {
        CZkDependencyRow row(
            kCode, L"", c.versionMin, c.versionMax, c.languages, c.attributes, L"Feature", nullptr, L"", nullptr);
        EXPECT_EQ(c.expected, row.Matches(c.code, c.version, c.language))
            << "min " << c.versionMin << " max " << c.versionMax << " languages " << c.languages << " attributes "
            << c.attributes << " version " << c.version << " language " << c.language;
    }
}

TEST(DependencyRow, TextToNumberReadsTheLeadingDigits)
{
    EXPECT_EQ(1033, DependencyTextToInt(L"1033x"));
    EXPECT_EQ(-12, DependencyTextToInt(L"-12"));
    EXPECT_EQ(0, DependencyTextToInt(L"x1"));
    EXPECT_EQ(0, DependencyTextToInt(L""));
}
