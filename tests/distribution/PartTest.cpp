// The part's pure rules: languages of a template, the language chosen for the user, and the
// version and language tests of an upgrade row.
#include <gtest/gtest.h>

#include <windows.h>

#include "Part.h"

TEST(Part, ChoosesTheLanguageThatFitsTheUser)
{
    struct Case {
        const wchar_t* templateText;
        LANGID user;
        LANGID expected;
    };
    const Case cases[] = {
        {L"Intel;1031,1033", 1033, 1033},
        {L"Intel;1031,1033", 1036, 1031},  // none fits: the first
        {L"Intel;1033,9", 2057, 9},        // neutral sublanguage of the user's primary language
        {L"Intel;1031,0", 1033, 0},        // a neutral package
        {L"Intel", 1033, 0},               // no list
        {L"Intel;", 1033, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, CPart::ChooseLanguage(c.templateText, c.user)) << c.templateText << " " << c.user;
}

TEST(Part, CountsAndReadsTemplateLanguages)
{
    EXPECT_EQ(0, CPart::CountTemplateLanguages(L"Intel"));
    EXPECT_EQ(0, CPart::CountTemplateLanguages(L"Intel;"));
    EXPECT_EQ(3, CPart::CountTemplateLanguages(L"x64;1033,1031,1036"));
    EXPECT_EQ(0xFFFF, CPart::GetTemplateLanguage(0, L"Intel"));
    EXPECT_EQ(1031, CPart::GetTemplateLanguage(1, L"x64;1033,1031,1036"));
    EXPECT_EQ(1036, CPart::GetTemplateLanguage(7, L"x64;1033,1031,1036"));  // past the end: the last
}

TEST(Part, UpgradeRowVersionRangeAndLanguages)
{
    struct Case {
        const wchar_t* versionMin;
        const wchar_t* versionMax;
        DWORD attributes;
        const wchar_t* version;
        bool expected;
    };
    const DWORD minIn = CPart::UpgradeRow::kAttrMinInclusive;
    const DWORD maxIn = CPart::UpgradeRow::kAttrMaxInclusive;
    const Case cases[] = {
        {L"1.0", L"", 0, L"1.0", false},
        {L"1.0", L"", 0, L"1.0.0.1", true},
        {L"1.0", L"", minIn, L"1.0", true},
        {L"1.0", L"2.0", 0, L"2.0", false},
        {L"1.0", L"2.0", maxIn, L"2.0", true},
        {L"1.0", L"", 0, L"99.0", true},
    };
    for (const Case& c : cases) {
        CPart::UpgradeRow row(c.versionMin, c.versionMax, L"", c.attributes);
        EXPECT_EQ(c.expected, row.IsVersionInRange(c.version))
            << c.versionMin << "-" << c.versionMax << " " << c.version;
    }

    CPart::UpgradeRow listed(L"", L"", L"1033;1031\t1036", 0);
    EXPECT_EQ((std::set<LANGID>{1031, 1033, 1036}), listed.m_languages);
    EXPECT_TRUE(listed.MatchesLanguage(1031));
    EXPECT_FALSE(listed.MatchesLanguage(2057));
    CPart::UpgradeRow exclusive(L"", L"", L"1033", CPart::UpgradeRow::kAttrLanguagesExclusive);
    EXPECT_FALSE(exclusive.MatchesLanguage(1033));
    EXPECT_TRUE(exclusive.MatchesLanguage(1031));
    EXPECT_TRUE(CPart::UpgradeRow(L"", L"", L"", 0).MatchesLanguage(1049));
}
