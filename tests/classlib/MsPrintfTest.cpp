#include "MsPrintf.h"

#include "InvalidArgException.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FormatCase {
    const wchar_t* expected;
    std::wstring actual;
};

TEST(MsPrintf, FollowsMicrosoftRules)
{
    const FormatCase cases[] = {
        {L"[wide]", MsFormat(L"[%s]", L"wide")},
        {L"[narrow]", MsFormat(L"[%S]", "narrow")},
        {L"[narrow]", MsFormat(L"[%hs]", "narrow")},
        {L"[wide]", MsFormat(L"[%ws]", L"wide")},
        {L"18446744073709551615", MsFormat(L"%I64u", 0xFFFFFFFFFFFFFFFFull)},
        {L"-9000000000", MsFormat(L"%I64d", -9000000000ll)},
        {L"-42 2a 0000BEEF", MsFormat(L"%d %x %08X", -42, 42, 0xBEEFu)},
        {L"x 100%", MsFormat(L"%c %d%%", L'x', 100)},
        {L"[  ab]", MsFormat(L"[%4s]", L"ab")},
        {L"", MsFormat(L"")},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(c.expected, c.actual);
    }
}

TEST(MsPrintf, LongResultsGrow)
{
    const std::wstring chunk(1000, L'z');
    std::wstring result = MsFormat(L"<%s|%s|%s>", chunk.c_str(), chunk.c_str(), chunk.c_str());
    EXPECT_EQ(L"<" + chunk + L"|" + chunk + L"|" + chunk + L">", result);

    // Around the first buffer's size.
    for (size_t n : {254u, 255u, 256u}) {
        std::wstring text(n, L'a');
        EXPECT_EQ(text, MsFormat(L"%s", text.c_str())) << n;
    }
}

TEST(MsPrintf, NullFormatIsAnInvalidArgument)
{
    EXPECT_THROW(MsFormat(nullptr), CInvalidArgException);
}

}  // namespace
