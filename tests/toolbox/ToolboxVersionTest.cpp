// The four-part version value and the operating-system version keys.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "OsVersionKey.h"
#include "Version.h"

using OrbelToolbox::Version;

namespace {

uint64_t V(uint64_t major, uint64_t minor, uint64_t build, uint64_t revision)
{
    return (major << 48) | (minor << 32) | (build << 16) | revision;
}

}  // namespace

TEST(Version, ParseFillsMissingPartsWithZero)
{
    const struct {
        const wchar_t* text;
        uint64_t expected;
    } cases[] = {
        {L"1.2", V(1, 2, 0, 0)}, {L"1.2.3.4", V(1, 2, 3, 4)}, {L"7", V(7, 0, 0, 0)}, {L"", 0}, {nullptr, 0},
        {L"abc", 0}, {L"1.65537", V(1, 1, 0, 0)},  // parts are not masked: the excess is or-ed into the part above
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, Version::Parse(c.text)) << (c.text ? c.text : L"(null)");
    }
}

TEST(Version, KeepsTheTextAndTruncatesItTo49Characters)
{
    Version v(L"1.2");
    EXPECT_EQ(V(1, 2, 0, 0), v.GetValue());
    EXPECT_EQ(std::wstring(L"1.2"), v.GetText());
    EXPECT_FALSE(v.IsNull());

    std::wstring longText = L"1.2.3.4" + std::wstring(60, L'x');
    v.Set(longText.c_str());
    EXPECT_EQ(longText.substr(0, 49), v.GetText());
    EXPECT_EQ(V(1, 2, 3, 4), v.GetValue());

    v.Set(L"");
    EXPECT_TRUE(v.IsNull());
    EXPECT_EQ(std::wstring(), v.GetText());
}

TEST(Version, NullVersionComparesSpecially)
{
    Version null1, null2(L""), one(L"1.0");
    EXPECT_TRUE(null1 == null2);
    EXPECT_FALSE(null1 != null2);
    EXPECT_TRUE(null1 != one);
    EXPECT_TRUE(null1 < one);
    EXPECT_TRUE(null1 > one);
    EXPECT_TRUE(one <= null1);
    EXPECT_TRUE(one >= null1);
    EXPECT_EQ(0, null1.Compare(one));
    EXPECT_EQ(0, one.Compare(null1));
    EXPECT_EQ(0, one.CompareToText(L""));
}

TEST(Version, OrdersNonNullVersionsByValue)
{
    Version low(L"1.2.3"), high(L"1.10");
    EXPECT_EQ(-1, low.Compare(high));
    EXPECT_EQ(1, high.Compare(low));
    EXPECT_EQ(0, low.Compare(Version(L"1.2.3.0")));
    EXPECT_TRUE(low < high);
    EXPECT_FALSE(low > high);
    EXPECT_TRUE(low <= Version(L"1.2.3"));
    EXPECT_EQ(1, high.CompareToText(L"1.9.65535"));
}

TEST(Version, IsInRange)
{
    const struct {
        const wchar_t* version;
        const wchar_t* minimum;
        const wchar_t* maximum;
        bool expected;
    } cases[] = {
        {L"1.5", L"1.0", L"2.0", true},
        {L"0.9", L"1.0", L"2.0", false},
        {L"2.0.1", L"1.0", L"2.0", false},
        {L"2.0", L"1.0", L"2.0", true},
        {L"1.0", L"1.0", L"2.0", true},
        {L"", L"1.0", L"2.0", true},
        {L"0.1", L"", L"2.0", true},
        {L"9.0", L"1.0", L"", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, Version(c.version).IsInRange(c.minimum, c.maximum)) << c.version;
    }
}

TEST(Version, IncrementCarriesAndRefusesOverflow)
{
    const struct {
        const wchar_t* start;
        bool productStyle;
        bool expectedResult;
        const wchar_t* expectedText;
        bool expectedCarried;
    } cases[] = {
        {L"1.2.65535", true, true, L"1.3.0", true},
        {L"1.255.65535", true, true, L"2.0.0", true},
        {L"255.255.65535", true, false, L"255.255.65535", true},
        {L"1.0.0.5", true, true, L"1.0.1.5", false},
        {L"1.2.3", true, true, L"1.2.4", false},
        {L"1.2.3.65535", false, true, L"1.2.4.0", true},
        {L"1.2.3.4", false, true, L"1.2.3.5", false},
        {L"1.65535.65535.65535", false, true, L"2.0.0.0", true},
        {L"65535.65535.65535.65535", false, false, L"65535.65535.65535.65535", true},
    };
    for (const auto& c : cases) {
        Version v(c.start);
        uint64_t before = v.GetValue();
        bool carried = !c.expectedCarried;
        EXPECT_EQ(c.expectedResult, v.Increment(c.productStyle, &carried)) << c.start;
        EXPECT_EQ(std::wstring(c.expectedText), v.GetText()) << c.start;
        EXPECT_EQ(c.expectedCarried, carried) << c.start;
        if (c.expectedResult) {
            EXPECT_EQ(Version::Parse(c.expectedText), v.GetValue()) << c.start;
        } else {
            EXPECT_EQ(before, v.GetValue()) << c.start;
        }
    }
}

TEST(Version, IncrementOfANullVersionChangesNothing)
{
    Version v;
    bool carried = true;
    EXPECT_FALSE(v.Increment(false, &carried));
    EXPECT_TRUE(carried);  // not written
    EXPECT_TRUE(v.IsNull());
    EXPECT_TRUE(Version(L"1.2").Increment(false, nullptr));
}

TEST(OsVersionKey, PacksVersionAndServicePack)
{
    uint64_t key1 = 0, key2 = 0;
    OrbelToolbox::MakeOsVersionKey(5, 1, 2600, 2, 0, key1, key2);
    EXPECT_EQ((5ull << 32) + 1, key1);
    EXPECT_EQ((2600ull << 32) + 131072, key2);

    // XP SP2 passes the minimum 5.0 build 2195; NT 4 does not.
    uint64_t min1 = 0, min2 = 0, nt1 = 0, nt2 = 0;
    OrbelToolbox::MakeOsVersionKey(5, 0, 2195, 0, 0, min1, min2);
    OrbelToolbox::MakeOsVersionKey(4, 0, 1381, 6, 0, nt1, nt2);
    EXPECT_TRUE(key1 > min1 || (key1 == min1 && key2 >= min2));
    EXPECT_TRUE(nt1 < min1);
}
