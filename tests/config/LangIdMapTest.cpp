// The language-keyed lookup: which entry serves a wanted language.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InstallerErrors.h"
#include "LangIdMap.h"
#include "LanguageHelpers.h"

using OrbelToolbox::GetAnsiCodePage;

namespace {

struct LookupCase {
    const char* name;
    std::vector<LANGID> entries;
    LANGID wanted;
    LANGID preferred;
    LANGID expected;
};

LANGID Select(const LookupCase& c)
{
    LangIdMap<LANGID> map;
    for (LANGID id : c.entries) {
        map.Insert(id, id);
    }
    return LangIdMap<LANGID>::Lookup(c.wanted, map, c.preferred);
}

}  // namespace

TEST(LangIdMap, RanksExactThenNeutralThenSublanguageThenPreferred)
{
    // The code pages the ranking relies on.
    ASSERT_EQ(GetAnsiCodePage(LANGID(1031)), GetAnsiCodePage(LANGID(3079)));
    ASSERT_EQ(GetAnsiCodePage(LANGID(7)), GetAnsiCodePage(LANGID(3079)));
    ASSERT_EQ(936u, GetAnsiCodePage(LANGID(0x1004)));
    ASSERT_EQ(950u, GetAnsiCodePage(LANGID(0x0C04)));
    ASSERT_EQ(950u, GetAnsiCodePage(LANGID(0x1404)));

    const LookupCase cases[] = {
        {"exact", {1031, 1033}, 1031, 1033, 1031},
        {"exact beats neutral", {7, 1031}, 1031, 1033, 1031},
        {"neutral beats another sublanguage", {7, 1031}, 3079, 1033, 7},
        {"first sublanguage in id order", {1031, 2055}, 3079, 1033, 1031},
        {"sublanguage beats preferred", {1031, 1036}, 3079, 1036, 1031},
        {"preferred", {1031, 1036}, 1041, 1036, 1036},
        {"no candidate: lowest", {1031, 1036}, 1041, 1033, 1031},
        {"no candidate: English", {9, 1036}, 1041, 1033, 9},
        {"English only when no candidate", {9, 1036}, 1041, 1036, 1036},
        {"no candidate: English before a lower id", {7, 9, 1036}, 1041, 1033, 9},
        {"sublanguage of the same code page", {0x0404, 0x0804}, 0x1004, 0x0409, 0x0804},
        {"other sublanguage code page", {0x0404, 0x0804}, 0x0C04, 0x0409, 0x0404},
        {"other code page is no candidate", {0x0804, 0x0C04}, 0x1404, 0x0409, 0x0C04},
        {"single entry", {1036}, 1041, 1033, 1036},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, Select(c)) << c.name;
    }
}

TEST(LangIdMap, InsertKeepsTheFirstValue)
{
    LangIdMap<std::wstring> map;
    EXPECT_TRUE(map.Insert(1033, L"first"));
    EXPECT_FALSE(map.Insert(1033, L"second"));
    EXPECT_EQ(1u, map.GetCount());
    EXPECT_EQ(L"first", LangIdMap<std::wstring>::Lookup(1033, map, 1033));
}

TEST(LangIdMap, LookupGivesTheStoredValueItself)
{
    LangIdMap<std::wstring> map;
    map.Insert(1031, L"de");
    LangIdMap<std::wstring>::Lookup(1031, map, 1031) += L"!";
    const LangIdMap<std::wstring>& constMap = map;
    EXPECT_EQ(L"de!", LangIdMap<std::wstring>::Lookup(1031, constMap, 1031));
}

TEST(LangIdMap, EmptyMapIsObjectNotFound)
{
    LangIdMap<const wchar_t*> map;
    try {
        LangIdMap<const wchar_t*>::Lookup(1041, map, 1033);
        FAIL() << "no error";
    } catch (const ObjectNotFound& error) {
        std::wstring debug = error.GetDebugMessage();
        EXPECT_NE(std::wstring::npos, debug.find(L"No items added to LANGID<->")) << debug;
        EXPECT_NE(std::wstring::npos, debug.find(L"map class while looking for LangId=1041")) << debug;
    }
}
