// Table schemas and unique values.
#include <gtest/gtest.h>

#include <windows.h>

#include <msiquery.h>

#include <string>

#include "MsiDatabase.h"
#include "MsiRecord.h"
#include "MsiTableInformation.h"
#include "MsiTestSupport.h"

using msitest::FixturePath;
using msitest::MsiErrorCode;
using msitest::Str;

namespace {

MsiSmartPtr<MsiDatabase> OpenFixture()
{
    return MsiDatabase::Open(FixturePath().c_str(), MSIDBOPEN_READONLY);
}

}  // namespace

TEST(MsiTableInformation, SchemaOfATable)
{
    MsiSmartPtr<MsiDatabase> db = OpenFixture();
    MsiTableInformation info(db, L"ZKEmpty");
    ASSERT_EQ(2u, info.GetColumnCount());
    EXPECT_STREQ(L"Name", info.GetColumnName(1));
    EXPECT_STREQ(L"s72", info.GetColumnType(1));
    EXPECT_STREQ(L"Value", info.GetColumnName(2));
    EXPECT_STREQ(L"S255", info.GetColumnType(2));
    EXPECT_EQ(2u, info.GetColumnNumber(L"Value"));
    const UINT invalid = ERROR_INVALID_PARAMETER;
    EXPECT_EQ(invalid, MsiErrorCode([&] { info.GetColumnName(0); }));
    EXPECT_EQ(invalid, MsiErrorCode([&] { info.GetColumnName(3); }));
    EXPECT_EQ(invalid, MsiErrorCode([&] { info.GetColumnType(3); }));
    EXPECT_EQ(invalid, MsiErrorCode([&] { info.GetColumnNumber(L"value"); }));
    MsiHeapString text;
    EXPECT_EQ(L"MsiTableInformation Object for table ZKEmpty", Str(info.Describe(text)));

    EXPECT_EQ(
        static_cast<UINT>(ERROR_INVALID_TABLE), MsiErrorCode([&] { MsiTableInformation missing(db, L"ZKNothing"); }));
}

TEST(MsiTableInformation, UniqueValuesCountOnlyExactMatches)
{
    MsiSmartPtr<MsiDatabase> db = OpenFixture();
    MsiTableInformation a(db, L"ZKUniqueA");  // rows Name1, Name12
    EXPECT_STREQ(L"Name", a.MakeUniqueValue(db, L"Name", L"Name"));
    MsiTableInformation b(db, L"ZKUniqueB");  // rows Name, Name2
    EXPECT_STREQ(L"Name3", b.MakeUniqueValue(L"Name", L"Name"));
    // The running number goes on across calls and bases.
    EXPECT_STREQ(L"Name24", b.MakeUniqueValue(db, L"Name", L"Name2"));
    MsiTableInformation empty(db, L"ZKEmpty");
    EXPECT_STREQ(L"Base", empty.MakeUniqueValue(db, L"Name", L"Base"));
    std::wstring id = empty.MakeUniqueValue(db, L"Name", L"");
    EXPECT_EQ(36u, id.size());
    EXPECT_EQ(L'_', id[8]);
    EXPECT_NE(~0u, MsiErrorCode([&] { empty.MakeUniqueValue(db, L"Name", L"it's"); }));
}

TEST(MsiTableInformation, ProductUniqueValue)
{
    MsiSmartPtr<MsiDatabase> db = OpenFixture();
    MsiTableInformation info(db, L"ZKEmpty");
    EXPECT_STREQ(L"_9AB.7D2F5B1A_4E8B_4D66_8C42_1C6D3F6F8B01", info.MakeProductUniqueValue(db, L"Name", L"9ab"));
    EXPECT_STREQ(L"_7D2F5B1A_4E8B_4D66_8C42_1C6D3F6F8B01", info.MakeProductUniqueValue(db, L"Name", L""));
}

TEST(MsiTableInformation, RecordFromText)
{
    MsiHeapString text(L"a\x0001"
                       L"bc\x0001"
                       L"rest");
    MsiSmartPtr<MsiRecord> record = MsiTableInformation::RecordFromText(text);
    ASSERT_EQ(2u, record->GetFieldCount());
    EXPECT_EQ(L"a", Str(record->GetMfcString(1)));
    EXPECT_EQ(L"bc", Str(record->GetMfcString(2)));
    EXPECT_EQ(L"rest", Str(text));
}
