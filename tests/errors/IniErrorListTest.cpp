// The INI error list's printed form and the resource name holder.
#include "IniErrorList.h"
#include "ResourceIdOrName.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::wstring Print(const IniErrorList& list)
{
    std::wostringstream out;
    out << list;
    return out.str();
}

}  // namespace

TEST(IniErrorListTest, WritesOneNumberedLinePerRecord)
{
    IniErrorList list;
    list.Add(kIniMissingKey, L"Localization", L"Languages");
    list.Add(kIniFileNotFound, L"Utilities", L"UpgradeManagerPostProcessor", L"C:\\dist\\post.exe");
    EXPECT_EQ(L"1. Missing Key: [Localization] Languages\r\n"
              L"2. Specified file not found: [Utilities] UpgradeManagerPostProcessor = "
              L"C:\\dist\\post.exe\r\n",
        Print(list));
}

TEST(IniErrorListTest, RecordTextsByCode)
{
    const struct {
        int code;
        const wchar_t* text;
    } cases[] = {{0, L"No Error"}, {1, L"Bad Key"}, {2, L"Missing Key"}, {3, L"Missing Section"},
        {4, L"Specified file not found"}, {5, L"Specified resource not found"}, {6, L"Bad Value"},
        {7, L"Duplicate Key"}, {9, L"<Unrecognized Error>"}, {-1, L"<Unrecognized Error>"}};
    for (const auto& c : cases) {
        IniErrorList list;
        list.Add(c.code, L"S");
        EXPECT_EQ(std::wstring(L"1. ") + c.text + L": [S]\r\n", Print(list)) << c.code;
    }
}

TEST(IniErrorListTest, ValueWithoutKeyAndEmptyList)
{
    IniErrorList list;
    EXPECT_EQ(L"", Print(list));
    EXPECT_TRUE(list.IsEmpty());
    list.Add(kIniBadValue, L"Settings", nullptr, L"sometimes");
    EXPECT_EQ(L"1. Bad Value: [Settings] = sometimes\r\n", Print(list));
    IniErrorList copy(list);
    list.Add(kIniMissingSection, L"Parts");
    EXPECT_EQ(1u, copy.GetCount());
    EXPECT_EQ(2u, list.GetCount());
}

TEST(ResourceIdOrNameTest, HoldsIdsAndOwnedNames)
{
    std::wostringstream out;
    ResourceIdOrName none;
    EXPECT_EQ(nullptr, none.Get());

    ResourceIdOrName id(2000u);
    EXPECT_TRUE(id.IsId());
    EXPECT_EQ(MAKEINTRESOURCEW(2000), id.Get());

    wchar_t name[] = L"BANNER";
    ResourceIdOrName named(name);
    name[0] = L'X';  // the holder owns a copy
    EXPECT_FALSE(named.IsId());
    EXPECT_STREQ(L"BANNER", named.Get());

    ResourceIdOrName copy(named);
    EXPECT_NE(named.Get(), copy.Get());
    copy = id;  // frees the owned name
    EXPECT_EQ(MAKEINTRESOURCEW(2000), copy.Get());
    copy = named;
    copy = copy;
    EXPECT_STREQ(L"BANNER", copy.Get());

    out << id << L"|" << named << L"|" << ResourceIdOrName(MAKEINTRESOURCEW(7));
    EXPECT_EQ(L"2000|BANNER|7", out.str());
}
