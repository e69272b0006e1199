// Byte counts as short texts: three significant digits, units of powers of 1024, the decimal
// exponent deciding the unit (so 1000 bytes are already KB), the last unit beyond its range.
#include <gtest/gtest.h>

#include <string>

#include "ByteSizeFormatter.h"

namespace {

std::wstring W(const CString& text)
{
    return text.GetString();
}

// The formatter with the program's unit names.
class ByteSizeFormatterTest : public ::testing::Test {
protected:
    ByteSizeFormatterTest()
    {
        m_units.SetAt(0, L"Bytes");
    }
    CByteSizeFormatter m_units;
};

}  // namespace

TEST_F(ByteSizeFormatterTest, ThreeSignificantDigitsInTheUnitOfTheDecimalExponent)
{
    const struct {
        double bytes;
        const wchar_t* text;
    } cases[] = {
        {0, L"0.00 Bytes"},
        {1, L"1.00 Bytes"},
        {512, L"512 Bytes"},
        {999, L"999 Bytes"},
        {1000, L"0.98 KB"},  // four decimal digits: KB, although less than 1024
        {1023, L"1.00 KB"},
        {1100, L"1.07 KB"},
        {1535, L"1.50 KB"},  // 1.499 rounded
        {1536, L"1.50 KB"},
        {9999, L"9.76 KB"},
        {10240, L"10.0 KB"},
        {99999, L"97.7 KB"},
        {1048575, L"1.00 MB"},
        {1048576, L"1.00 MB"},
        {1000000000, L"0.93 GB"},
        {1099511627776.0, L"1024 GB"},     // a terabyte: the last unit, no decimals
        {2000000000000.0, L"1863 GB"},
        {1e15, L"931323 GB"},
        {-512, L"-512 Bytes"},
        {-1536, L"-1.50 KB"},
        {-2000000000000.0, L"-1863 GB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, W(m_units.Format(c.bytes))) << c.bytes;
}

TEST_F(ByteSizeFormatterTest, EveryCountTypeGivesTheSameText)
{
    EXPECT_EQ(L"4.00 GB", W(m_units.Format(DWORD(0), DWORD(1))));            // 2^32, halves
    EXPECT_EQ(L"8.00 GB", W(m_units.Format(DWORD(0xFFFFFFFF), DWORD(1))));  // 2^33 - 1
    EXPECT_EQ(L"1.50 KB", W(m_units.Format(DWORD(1536), DWORD(0))));
    EXPECT_EQ(L"-4.00 GB", W(m_units.Format(int64_t(-4294967296LL))));
    EXPECT_EQ(L"4.00 GB", W(m_units.Format(UINT(4294967295u))));
    EXPECT_EQ(L"-1.50 KB", W(m_units.Format(int(-1536))));
}

TEST_F(ByteSizeFormatterTest, DigitsAndUnitNamesAreTheFormattersOwn)
{
    m_units.SetSignificantDigits(2);
    EXPECT_EQ(L"1.5 KB", W(m_units.Format(1536.0)));
    EXPECT_EQ(L"98 KB", W(m_units.Format(99999.0)));
    // A unit name is text, never part of a format: percent signs stay as they are.
    m_units.SetSignificantDigits(3);
    m_units.SetAt(1, L"K%s%dB");
    EXPECT_EQ(L"1.50 K%s%dB", W(m_units.Format(1536.0)));
    // The built-in names.
    CByteSizeFormatter builtIn;
    EXPECT_EQ(L"512 bytes", W(builtIn.Format(512.0)));
}
