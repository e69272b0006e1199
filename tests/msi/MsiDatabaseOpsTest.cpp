// The further database operations: merge, import and export, table copying, transforms, and the
// whole-stream readers.
#include <gtest/gtest.h>

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <functional>
#include <new>
#include <sstream>
#include <string>

#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiInstaller.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiSummaryInfo.h"
#include "MsiTestSupport.h"
#include "MsiView.h"
#include "TestSupport.h"

using msitest::FixturePath;
using msitest::MsiErrorCode;
using msitest::Str;

namespace {

MsiSmartPtr<MsiDatabase> NewDatabase(const testsupport::TempDir& dir, const wchar_t* name)
{
    return MsiDatabase::Open(dir.File(name).c_str(), MSIDBOPEN_CREATE);
}

std::wstring g_transformPath;
int g_transformFlags = 0;
UINT WINAPI FakeApplyTransform(MSIHANDLE, LPCWSTR path, int flags)
{
    g_transformPath = path;
    g_transformFlags = flags;
    return 0;
}

MSIHANDLE WINAPI Error2259Record()
{
    MSIHANDLE r = MsiCreateRecord(1);
    MsiRecordSetInteger(r, 1, 2259);
    return r;
}

UINT g_configureResult = 0;
UINT WINAPI FakeConfigure(LPCWSTR, int, INSTALLSTATE)
{
    return g_configureResult;
}

}  // namespace

TEST(MsiDatabaseOps, ExportImportAndCopyTables)
{
    testsupport::TempDir dir;
    MsiSmartPtr<MsiDatabase> fixture = MsiDatabase::Open(FixturePath().c_str(), MSIDBOPEN_READONLY);
    std::wstring idt = dir.File(L"ZKUniqueA.idt");
    fixture->Export(L"ZKUniqueA", idt.c_str());
    EXPECT_NE(std::string::npos, testsupport::ReadFileBytes(idt).find("Name12"));

    MsiSmartPtr<MsiDatabase> target = NewDatabase(dir, L"target.msi");
    target->Import(idt.c_str());
    EXPECT_FALSE(target->IsTableEmpty(L"ZKUniqueA"));
    EXPECT_NE(~0u, MsiErrorCode([&] { target->Import(dir.File(L"missing.idt").c_str()); }));

    target->CopyTable(*fixture, L"ZKUniqueB", L"ZKCopy");
    MsiSmartPtr<MsiView> view = target->OpenView(L"SELECT `Name` FROM `ZKCopy` ORDER BY `Name`");
    view->Execute();
    EXPECT_EQ(L"Name", Str(view->Fetch()->GetMfcString(1)));
    EXPECT_EQ(L"Name2", Str(view->Fetch()->GetMfcString(1)));
    // Copying again skips the rows that are there already: the engine rejects them with error
    // 2259 in its last-error record (which Wine never supplies: it comes through the seam).
    {
        MsiApiOverride<decltype(MsiApiTable::MsiGetLastErrorRecord)> o(
            MsiApi().MsiGetLastErrorRecord, &Error2259Record);
        target->CopyTable(*fixture, L"ZKUniqueB", L"ZKCopy");
    }
    target->CopyTableSchema(L"ZKCopy", L"ZKCopySchema");
    EXPECT_TRUE(target->IsTableEmpty(L"ZKCopySchema"));
    MsiSmartPtr<MsiView> types = target->OpenView(L"SELECT * FROM `ZKCopySchema`");
    types->Execute();
    EXPECT_EQ(L"I2", Str(types->GetColumnTypes()->GetMfcString(2)));
}

TEST(MsiDatabaseOps, MergeReportsConflictsAsFalse)
{
    testsupport::TempDir dir;
    MsiSmartPtr<MsiDatabase> a = NewDatabase(dir, L"a.msi");
    MsiSmartPtr<MsiDatabase> b = NewDatabase(dir, L"b.msi");
    MsiColumnDefinition columns[] = {{L"Id", L"s72", true}, {L"Value", L"S72", false}, {nullptr, nullptr, false}};
    a->CreateTable(L"T", columns);
    b->CreateTable(L"T", columns);
    a->OpenView(L"INSERT INTO `T` (`Id`, `Value`) VALUES ('k', 'one')")->Execute();
    b->OpenView(L"INSERT INTO `T` (`Id`, `Value`) VALUES ('j', 'two')")->Execute();
    EXPECT_TRUE(a->Merge(b, L"MergeErrors"));
    b->OpenView(L"INSERT INTO `T` (`Id`, `Value`) VALUES ('k', 'other')")->Execute();
    EXPECT_FALSE(a->Merge(b, L"MergeErrors"));
    EXPECT_TRUE(a->TableExists(L"MergeErrors"));
}

TEST(MsiDatabaseOps, Transforms)
{
    testsupport::TempDir dir;
    MsiSmartPtr<MsiDatabase> db = MsiDatabase::Open(FixturePath().c_str(), MSIDBOPEN_READONLY);
    EXPECT_NE(~0u, MsiErrorCode([&] { db->ApplyTransform(dir.File(L"missing.mst").c_str(), 0); }));
    {
        MsiApiOverride<decltype(MsiApiTable::MsiDatabaseApplyTransformW)> o(
            MsiApi().MsiDatabaseApplyTransformW, &FakeApplyTransform);
        db->ApplyTransform(L"C:\\t.mst", MSITRANSFORM_ERROR_ADDEXISTINGROW);
        EXPECT_EQ(L"C:\\t.mst", g_transformPath);
        EXPECT_EQ(MSITRANSFORM_ERROR_ADDEXISTINGROW, g_transformFlags);
    }
    // Wine cannot generate transforms: the engine's refusal arrives as an error.
    MsiSmartPtr<MsiDatabase> other = NewDatabase(dir, L"ref.msi");
    EXPECT_NE(~0u, MsiErrorCode([&] { db->GenerateTransform(*other, dir.File(L"t.mst").c_str()); }));
    EXPECT_NE(~0u, MsiErrorCode([&] { db->CreateTransformSummaryInfo(other, dir.File(L"t.mst").c_str(), 0, 0); }));
    EXPECT_NE(~0u, MsiErrorCode([&] { MsiTransformSummaryInfo::Open(dir.File(L"none.mst").c_str()); }));
}

void* NoMemory(void*, size_t)
{
    return nullptr;
}

void ReleaseNothing(void*) { }

TEST(MsiDatabaseOps, WholeStreamReaders)
{
    MsiSmartPtr<MsiDatabase> db = MsiDatabase::Open(FixturePath().c_str(), MSIDBOPEN_READONLY);
    MsiSmartPtr<MsiView> view = db->OpenView(L"SELECT `Data` FROM `Binary` WHERE `Name`='StreamData'");
    view->Execute();
    MsiSmartPtr<MsiRecord> row = view->Fetch();
    ASSERT_TRUE(row);
    std::ostringstream out;
    EXPECT_EQ(21u, row->WriteStreamTo(1, out));
    EXPECT_EQ("STREAMDATA-0123456789", out.str());

    void* buffer = nullptr;
    try {
        row->ReadStreamAll(1, &buffer, &NoMemory, &ReleaseNothing);
        ADD_FAILURE() << "no throw";
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ("bad allocation", e.what());
    }
    EXPECT_EQ(nullptr, buffer);
}

TEST(MsiDatabaseOps, SessionOnAnOpenDatabase)
{
    MSIHANDLE h = 0;
    ASSERT_EQ(0u, MsiOpenDatabaseW(FixturePath().c_str(), MSIDBOPEN_READONLY, &h));
    MsiSmartPtr<MsiDatabase> db = MsiDatabase::FromHandle(h, true);
    MsiSmartPtr<MsiSession> session = db->OpenSession();
    EXPECT_EQ(L"sample value", Str(session->GetMfcProperty(L"VELMOSAMPLE")));
    EXPECT_NE(~0u, MsiErrorCode([] { MsiSession::OpenProduct(L"{11111111-2222-3333-4444-555555555555}"); }));
}

TEST(MsiDatabaseOps, ConfigureProductThrowsOnlyNegativeResults)
{
    SmartPtr<MsiInstaller> installer = MsiInstaller::GetInstance();
    MsiApiOverride<decltype(MsiApiTable::MsiConfigureProductW)> o(MsiApi().MsiConfigureProductW, &FakeConfigure);
    g_configureResult = ERROR_INSTALL_FAILURE;
    EXPECT_EQ(static_cast<UINT>(ERROR_INSTALL_FAILURE),
        installer->ConfigureProduct(L"{X}", 0, INSTALLSTATE_DEFAULT, nullptr));
    g_configureResult = static_cast<UINT>(-3);
    EXPECT_EQ(static_cast<UINT>(-3),
        MsiErrorCode([&] { installer->ConfigureProduct(L"{X}", 0, INSTALLSTATE_DEFAULT, nullptr); }));
}

TEST(MsiDatabaseOps, ADatabaseThatDoesNotOwnItsHandleLeavesItOpen)
{
    MSIHANDLE h = 0;
    ASSERT_EQ(0u, MsiOpenDatabaseW(FixturePath().c_str(), MSIDBOPEN_READONLY, &h));
    MsiDatabase::FromHandle(h, false)->OpenView(L"SELECT `Value` FROM `Property`");
    EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS), MsiCloseHandle(h));  // still open until here
}

TEST(MsiDatabaseOps, FailuresThrowTheEnginesCode)
{
    MsiSmartPtr<MsiDatabase> db = MsiDatabase::Open(FixturePath().c_str(), MSIDBOPEN_READONLY);
    const struct {
        const char* name;
        std::function<void()> action;
        UINT code;
    } rows[] = {
        {"a query that does not parse", [&] { db->OpenView(L"SELECT FROM WHERE"); },
            static_cast<UINT>(ERROR_BAD_QUERY_SYNTAX)},
        {"a missing table", [&] { db->OpenView(L"SELECT * FROM `NoSuchTable`"); },
            static_cast<UINT>(ERROR_BAD_QUERY_SYNTAX)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.code, MsiErrorCode(row.action));
    }
}
