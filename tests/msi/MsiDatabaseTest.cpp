// MsiDatabase, MsiView and MsiRecord against the fixture package.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>
#include <vector>

#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiRecord.h"
#include "MsiTestSupport.h"
#include "MsiView.h"
#include "TestSupport.h"

using msitest::FixturePath;
using msitest::MsiErrorCode;
using msitest::Str;

namespace {

MsiSmartPtr<MsiDatabase> OpenFixture()
{
    return MsiDatabase::Open(FixturePath().c_str(), MSIDBOPEN_READONLY);
}

// Records the order in which the layer closes handles.
std::vector<std::wstring> g_closed;
MSIHANDLE g_view = 0, g_db = 0, g_record = 0;

UINT WINAPI RecordingViewClose(MSIHANDLE h)
{
    g_closed.push_back(h == g_view ? L"viewclose" : L"?");
    return MsiViewClose(h);
}

UINT WINAPI RecordingCloseHandle(MSIHANDLE h)
{
    g_closed.push_back(h == g_record ? L"record" : h == g_view ? L"view" : h == g_db ? L"db" : L"?");
    return MsiCloseHandle(h);
}

MSIHANDLE g_errorRecordField1 = 0;
MSIHANDLE WINAPI FakeLastErrorRecord()
{
    if (!g_errorRecordField1)
        return 0;
    MSIHANDLE r = MsiCreateRecord(2);
    MsiRecordSetInteger(r, 1, static_cast<int>(g_errorRecordField1));
    return r;
}

UINT WINAPI FetchPastEnd(MSIHANDLE, MSIHANDLE* record)
{
    *record = 0;
    return ERROR_NO_MORE_ITEMS;
}

std::wstring g_lastSql;
UINT WINAPI CapturingOpenView(MSIHANDLE db, LPCWSTR sql, MSIHANDLE* view)
{
    g_lastSql = sql;
    return MsiDatabaseOpenViewW(db, sql, view);
}

}  // namespace

TEST(MsiDatabase, OpeningAMissingFileThrowsTheEngineResult)
{
    testsupport::TempDir dir;
    std::wstring path = dir.File(L"missing.msi");
    MSIHANDLE h = 0;
    UINT expected = MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_READONLY, &h);
    ASSERT_NE(0u, expected);
    MsiSmartPtr<MsiDatabase> db;
    EXPECT_EQ(expected, MsiErrorCode([&] { db = MsiDatabase::Open(path.c_str(), MSIDBOPEN_READONLY); }));
    EXPECT_FALSE(db);
}

TEST(MsiDatabase, DescribesHandleAndPath)
{
    MsiSmartPtr<MsiDatabase> db = OpenFixture();
    MsiHeapString text;
    db->Describe(text);
    std::wstring expected = L"MSI Database Handle: " + std::to_wstring(db->GetHandle()) + L" (" + FixturePath() + L")";
    EXPECT_EQ(expected, Str(text));
    MsiDatabase empty;
    EXPECT_EQ(L"<Null MSI Database Handle>", Str(empty.Describe(text)));
}

TEST(MsiView, ReadsRowsInOrderAndReturnsNullPastTheEnd)
{
    MsiSmartPtr<MsiDatabase> db = OpenFixture();
    MsiSmartPtr<MsiView> view = db->OpenView(L"SELECT `Name`, `Value` FROM `%s` ORDER BY `Name`", L"ZKUniqueA");
    view->Execute();
    std::vector<std::wstring> names;
    while (MsiSmartPtr<MsiRecord> row = view->Fetch()) {
        names.push_back(Str(row->GetMfcString(1)));
        EXPECT_EQ(MsiRecord::Fetched, row->GetKind());
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Name1", L"Name12"}), names);
    // The engine keeps answering ERROR_NO_MORE_ITEMS after the end (Wine starts over instead:
    // the Windows answer comes through the seam).
    MsiApiOverride<decltype(MsiApiTable::MsiViewFetch)> o(MsiApi().MsiViewFetch, &FetchPastEnd);
    EXPECT_FALSE(view->Fetch());
    EXPECT_FALSE(view->Fetch());
}

TEST(MsiView, ABadQueryThrowsWithTheEngineResult)
{
    MsiSmartPtr<MsiDatabase> db = OpenFixture();
    EXPECT_EQ(
        static_cast<UINT>(ERROR_BAD_QUERY_SYNTAX), MsiErrorCode([&] { db->OpenView(L"SELECT * FROM `NoSuchTable`"); }));
}

TEST(MsiView, ParametersAndColumnInformation)
{
    MsiSmartPtr<MsiDatabase> db = OpenFixture();
    MsiSmartPtr<MsiView> view = db->OpenView(L"SELECT `Name`, `Value` FROM `ZKUniqueA` WHERE `Name`=?");
    MsiSmartPtr<MsiRecord> params = MsiRecord::Create(1);
    params->SetString(1, L"Name12");
    view->Execute(params.Get());
    MsiSmartPtr<MsiRecord> row = view->Fetch();
    ASSERT_TRUE(row);
    EXPECT_EQ(2, row->GetInteger(2));
    MsiSmartPtr<MsiRecord> names = view->GetColumnNames();
    MsiSmartPtr<MsiRecord> types = view->GetColumnTypes();
    EXPECT_EQ(MsiRecord::ColumnInfo, names->GetKind());
    EXPECT_EQ(2u, names->GetFieldCount());
    EXPECT_EQ(L"Value", Str(names->GetMfcString(2)));
    EXPECT_EQ(L"s72", Str(types->GetMfcString(1)));
    EXPECT_EQ(L"I2", Str(types->GetMfcString(2)));
}

TEST(MsiView, ARecordKeepsViewAndDatabaseOpenAndClosesInOrder)
{
    g_closed.clear();
    MsiApiOverride<decltype(MsiApiTable::MsiCloseHandle)> c(MsiApi().MsiCloseHandle, &RecordingCloseHandle);
    MsiApiOverride<decltype(MsiApiTable::MsiViewClose)> v(MsiApi().MsiViewClose, &RecordingViewClose);
    MsiSmartPtr<MsiRecord> row;
    {
        MsiSmartPtr<MsiDatabase> db = OpenFixture();
        MsiSmartPtr<MsiView> view = db->OpenView(L"SELECT `Value` FROM `Property` WHERE `Property`='VELMOSAMPLE'");
        view->Execute();
        row = view->Fetch();
        g_db = db->GetHandle();
        g_view = view->GetHandle();
    }
    ASSERT_TRUE(row);
    g_record = row->GetHandle();
    EXPECT_TRUE(g_closed.empty());
    EXPECT_EQ(L"sample value", Str(row->GetMfcString(1)));
    row = MsiSmartPtr<MsiRecord>();
    EXPECT_EQ((std::vector<std::wstring>{L"record", L"viewclose", L"view", L"db"}), g_closed);
}

TEST(MsiRecord, IntegerGettersOnANullField)
{
    MsiSmartPtr<MsiDatabase> db = OpenFixture();
    MsiSmartPtr<MsiView> view = db->OpenView(L"SELECT `Value` FROM `ZKUniqueB` WHERE `Name`='Name2'");
    view->Execute();
    MsiSmartPtr<MsiRecord> row = view->Fetch();
    ASSERT_TRUE(row);
    EXPECT_EQ(static_cast<int>(MSI_NULL_INTEGER), row->GetRawInteger(1));
    EXPECT_EQ(-5, row->GetIntegerOrDefault(1, -5));
    EXPECT_EQ(static_cast<UINT>(ERROR_INVALID_PARAMETER), MsiErrorCode([&] { row->GetInteger(1); }));
}

TEST(MsiRecord, TextFields)
{
    MsiSmartPtr<MsiRecord> record = MsiRecord::Create(3);
    EXPECT_EQ(MsiRecord::Created, record->GetKind());
    record->SetString(1, nullptr);
    EXPECT_EQ(L"", Str(record->GetMfcString(1)));
    std::wstring longText(600, L'x');
    record->SetString(2, longText.c_str());
    EXPECT_EQ(longText, Str(record->GetMfcString(2)));
    record->SetInteger(3, 17);
    EXPECT_EQ(L"17", Str(record->GetMfcString(3)));
    // A field past the end is refused by the engine.
    EXPECT_NE(~0u, MsiErrorCode([&] { record->SetString(9, L"x"); }));
}

TEST(MsiRecord, DescriptionsOfFetchedAndBrokenRecords)
{
    MsiSmartPtr<MsiDatabase> db = OpenFixture();
    MsiSmartPtr<MsiView> view = db->OpenView(L"SELECT `Name`, `Value` FROM `ZKUniqueA` WHERE `Name`='Name1'");
    view->Execute();
    MsiSmartPtr<MsiRecord> row = view->Fetch();
    ASSERT_TRUE(row);
    MsiHeapString text(L"> ");
    row->Describe(text);
    MsiHeapString viewText;
    view->Describe(viewText);
    std::wstring expected
        = L"> MSI View Record Handle: " + std::to_wstring(row->GetHandle()) + L" ('Name1' '1' ) from " + Str(viewText);
    EXPECT_EQ(expected, Str(text));
    EXPECT_EQ(L"'[1]' '[2]' ", Str(row->GetMfcString(0)));
    EXPECT_NE(std::wstring::npos, Str(viewText).find(L"(Queried \"SELECT `Name`"));

    MsiRecord none;
    MsiHeapString noneText(L"old");
    EXPECT_EQ(L"<Null Msi Record Handle>", Str(none.Describe(noneText)));
}

// Each kind of record names itself in its description; only fetched and column-information
// records name their view.
TEST(MsiRecord, EveryKindDescribesItself)
{
    MsiSmartPtr<MsiDatabase> db = OpenFixture();
    MsiSmartPtr<MsiView> view = db->OpenView(L"SELECT `Name`, `Value` FROM `ZKUniqueA`");
    MsiApiOverride<decltype(MsiApiTable::MsiGetLastErrorRecord)> o(
        MsiApi().MsiGetLastErrorRecord, &FakeLastErrorRecord);
    g_errorRecordField1 = 2205;
    const struct {
        MsiSmartPtr<MsiRecord> record;
        int kind;
        const wchar_t* prefix;
        bool namesView;
    } rows[] = {
        {MsiRecord::Create(1), MsiRecord::Created, L"MSI Record Handle: ", false},
        {view->GetColumnNames(), MsiRecord::ColumnInfo, L"MSI ViewInfo Record Handle: ", true},
        {MsiRecord::GetLastErrorRecord(), MsiRecord::LastError, L"MSI Error Record Handle: ", false},
    };
    g_errorRecordField1 = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.prefix);
        EXPECT_EQ(row.kind, row.record->GetKind());
        MsiHeapString text;
        const std::wstring described = Str(row.record->Describe(text));
        EXPECT_EQ(std::wstring(row.prefix) + std::to_wstring(row.record->GetHandle()) + L" (",
            described.substr(0, described.find(L'(') + 1));
        EXPECT_EQ(row.namesView, described.find(L") from MSI View Handle") != std::wstring::npos) << described;
    }
    // The engine's record is the one the error code came with; without one the record is empty.
    EXPECT_EQ(2205, rows[2].record->GetInteger(1));
    MsiSmartPtr<MsiRecord> none = MsiRecord::GetLastErrorRecord();
    EXPECT_EQ(MsiRecord::LastError, none->GetKind());
    EXPECT_EQ(0u, none->GetHandle());
}

TEST(MsiRecord, StreamsOfTheBinaryTable)
{
    const std::string expected = "STREAMDATA-0123456789";
    MsiSmartPtr<MsiDatabase> db = OpenFixture();
    MsiSmartPtr<MsiView> view = db->OpenView(L"SELECT `Data` FROM `Binary` WHERE `Name`='StreamData'");
    view->Execute();
    MsiSmartPtr<MsiRecord> row = view->Fetch();
    ASSERT_TRUE(row);
    EXPECT_EQ(expected.size(), row->GetStreamSize());

    char buffer[8];
    DWORD count = sizeof(buffer);
    EXPECT_FALSE(row->ReadStream(1, buffer, count));
    EXPECT_EQ(8u, count);
    EXPECT_EQ("STREAMDA", std::string(buffer, count));

    testsupport::TempDir dir;
    std::wstring out = dir.File(L"stream.bin");
    EXPECT_TRUE(db->SaveStreamToFile(L"Binary.StreamData", out.c_str()));
    EXPECT_EQ(expected, testsupport::ReadFileBytes(out));
    EXPECT_FALSE(db->SaveStreamToFile(L"NoSuchStream", out.c_str()));
}

TEST(MsiDatabase, TablesAndProperties)
{
    MsiSmartPtr<MsiDatabase> db = OpenFixture();
    EXPECT_TRUE(db->TableExists(L"ZKUniqueA"));
    EXPECT_FALSE(db->TableExists(L"ZKNothing"));
    EXPECT_NE(~0u, MsiErrorCode([&] { db->TableExists(L"Bad'Name"); }));
    EXPECT_TRUE(db->IsTableEmpty(L"ZKEmpty"));
    EXPECT_FALSE(db->IsTableEmpty(L"ZKUniqueA"));
    EXPECT_NE(~0u, MsiErrorCode([&] { db->IsTableEmpty(L"ZKNothing"); }));

    EXPECT_EQ(L"sample value", Str(db->GetMfcProperty(L"VELMOSAMPLE")));
    EXPECT_EQ(L"", Str(db->GetMfcProperty(L"NOSUCHPROPERTY")));
    MsiHeapString kept(L"unchanged");
    db->GetProperty(kept, L"NOSUCHPROPERTY");
    EXPECT_EQ(L"unchanged", Str(kept));
}

TEST(MsiDatabase, FormatsErrorRecordsWithAndWithoutATemplate)
{
    MsiSmartPtr<MsiDatabase> db = OpenFixture();
    MsiSmartPtr<MsiRecord> record = MsiRecord::Create(3);
    record->SetInteger(1, 25000);
    record->SetString(2, L"X");
    record->SetString(3, L"Y");
    EXPECT_EQ(L"Layer error X in Y", Str(db->FormatMfcErrorRecord(record)));

    // No Error row: the engine's default form of the fields.
    MsiSmartPtr<MsiRecord> other = MsiRecord::Create(2);
    other->SetInteger(1, 25001);
    other->SetString(2, L"Z");
    std::wstring text = Str(db->FormatMfcErrorRecord(other));
    EXPECT_NE(std::wstring::npos, text.find(L"25001")) << text;
    EXPECT_NE(std::wstring::npos, text.find(L"Z")) << text;

    MsiSmartPtr<MsiRecord> noNumber = MsiRecord::Create(1);
    EXPECT_EQ(static_cast<UINT>(ERROR_INVALID_PARAMETER), MsiErrorCode([&] { db->FormatMfcErrorRecord(noNumber); }));
}

TEST(MsiDatabase, ColumnTypesToSql)
{
    struct Case {
        const wchar_t* type;
        const wchar_t* sql;
        bool known;
    } cases[] = {
        {L"s72", L"CHAR(72) NOT NULL", true},
        {L"L0", L"LONGCHAR LOCALIZABLE", true},
        {L"g255", L"CHAR(255) NOT NULL TEMPORARY", true},
        {L"i2", L"SHORT NOT NULL", true},
        {L"J4", L"LONG TEMPORARY", true},
        {L"V0", L"OBJECT", true},
        {L"I4", L"LONG", true},
        {L"l64", L"CHAR(64) NOT NULL LOCALIZABLE", true},
        {L"x1", L"", false},
    };
    for (const Case& c : cases) {
        MsiHeapString sql;
        EXPECT_EQ(c.known, MsiColumnTypeToSql(c.type, sql)) << c.type;
        EXPECT_EQ(c.sql, Str(sql)) << c.type;
    }
}

TEST(MsiDatabase, CreateTableBuildsTheStatementAsText)
{
    testsupport::TempDir dir;
    std::wstring path = dir.File(L"created.msi");
    MsiSmartPtr<MsiDatabase> db = MsiDatabase::Open(path.c_str(), MSIDBOPEN_CREATE);
    MsiApiOverride<decltype(MsiApiTable::MsiDatabaseOpenViewW)> o(MsiApi().MsiDatabaseOpenViewW, &CapturingOpenView);
    MsiColumnDefinition columns[]
        = {{L"Id", L"s72", true}, {L"Value", L"I2", false}, {L"Other", L"S10", true}, {nullptr, nullptr, false}};
    db->CreateTable(L"T", columns, false);
    EXPECT_EQ(
        L"CREATE TABLE T (Id CHAR(72) NOT NULL, Value SHORT, Other CHAR(10) PRIMARY KEY `Id`, `Other`)", g_lastSql);
    EXPECT_TRUE(db->TableExists(L"T"));

    db->CreateTable(L"H", columns, 2, true);
    EXPECT_EQ(L"CREATE TABLE H (Id CHAR(72) NOT NULL, Value SHORT PRIMARY KEY `Id`) HOLD", g_lastSql);

    // A '%' in a name reaches the engine unchanged (it is no format character).
    MsiColumnDefinition odd[] = {{L"A%sB", L"s72", true}, {nullptr, nullptr, false}};
    EXPECT_NE(~0u, MsiErrorCode([&] { db->CreateTable(L"P%d%s", odd); }));
    EXPECT_EQ(L"CREATE TABLE P%d%s (A%sB CHAR(72) NOT NULL PRIMARY KEY `A%sB`)", g_lastSql);
}

TEST(MsiDatabase, PropertiesStreamsAndCodepageOfAWritableDatabase)
{
    testsupport::TempDir dir;
    std::wstring path = dir.File(L"rw.msi");
    ASSERT_TRUE(CopyFileW(FixturePath().c_str(), path.c_str(), FALSE));
    MsiSmartPtr<MsiDatabase> db = MsiDatabase::Open(path.c_str(), MSIDBOPEN_TRANSACT);
    db->SetProperty(L"VELMONEW", L"new");
    db->SetProperty(L"VELMOSAMPLE", 7);
    EXPECT_EQ(L"new", Str(db->GetMfcProperty(L"VELMONEW")));
    EXPECT_EQ(L"7", Str(db->GetMfcProperty(L"VELMOSAMPLE")));

    std::wstring source = dir.File(L"in.bin");
    ASSERT_TRUE(testsupport::WriteFileBytes(source, "abc"));
    db->SetStreamFromFile(L"VelmoStream", source.c_str());

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    auto countTempFiles = [&] {
        WIN32_FIND_DATAW data;
        int n = 0;
        HANDLE f = FindFirstFileW((std::wstring(temp) + L"msi*.tmp").c_str(), &data);
        if (f != INVALID_HANDLE_VALUE) {
            do
                ++n;
            while (FindNextFileW(f, &data));
            FindClose(f);
        }
        return n;
    };
    int before = countTempFiles();
    db->SetCodepage(1252);
    EXPECT_EQ(1252, db->GetCodepage());
    EXPECT_EQ(before, countTempFiles());
    db->Commit();

    std::wstring out = dir.File(L"out.bin");
    EXPECT_TRUE(db->SaveStreamToFile(L"VelmoStream", out.c_str()));
    EXPECT_EQ("abc", testsupport::ReadFileBytes(out));
}

TEST(MsiDatabase, TolerantModifyIgnoresOnlyError2259)
{
    testsupport::TempDir dir;
    std::wstring path = dir.File(L"modify.msi");
    ASSERT_TRUE(CopyFileW(FixturePath().c_str(), path.c_str(), FALSE));
    MsiSmartPtr<MsiDatabase> db = MsiDatabase::Open(path.c_str(), MSIDBOPEN_TRANSACT);
    MsiSmartPtr<MsiView> view = db->OpenView(L"SELECT `Name`, `Value` FROM `ZKUniqueA`");
    view->Execute();
    MsiSmartPtr<MsiRecord> duplicate = MsiRecord::Create(2);
    duplicate->SetString(1, L"Name1");
    duplicate->SetInteger(2, 5);

    MsiApiOverride<decltype(MsiApiTable::MsiGetLastErrorRecord)> o(
        MsiApi().MsiGetLastErrorRecord, &FakeLastErrorRecord);
    g_errorRecordField1 = 2259;
    UINT code = MsiErrorCode([&] { view->Modify(MSIMODIFY_INSERT, *duplicate); });
    EXPECT_NE(~0u, code);
    EXPECT_EQ(~0u, MsiErrorCode([&] { view->Modify(MSIMODIFY_INSERT, *duplicate, true); }));
    g_errorRecordField1 = 2205;
    EXPECT_EQ(code, MsiErrorCode([&] { view->Modify(MSIMODIFY_INSERT, *duplicate, true); }));
    try {
        view->Modify(MSIMODIFY_INSERT, *duplicate);
    } catch (const MsiInstallerError& e) {
        EXPECT_EQ(2205, e.GetErrorRecord()->GetInteger(1));
    }
    g_errorRecordField1 = 0;
}

TEST(MsiDatabase, DestructorNeverThrowsWhenTheFileCannotBeDeleted)
{
    testsupport::TempDir dir;
    std::wstring path = dir.File(L"gone.msi");
    MSIHANDLE h = 0;
    ASSERT_EQ(0u, MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_CREATE, &h));
    ASSERT_EQ(0u, MsiDatabaseCommit(h));
    {
        MsiSmartPtr<MsiDatabase> db = MsiDatabase::FromHandle(h, false);
        db->SetDeleteOnClose(true);
        // The path is empty (a wrapped handle): the deletion fails, the destructor stays quiet.
    }
    MsiCloseHandle(h);
    {
        MsiSmartPtr<MsiDatabase> db = MsiDatabase::Open(path.c_str(), MSIDBOPEN_READONLY);
        db->SetDeleteOnClose(true);
    }
    EXPECT_FALSE(testsupport::FileExists(path));
}
