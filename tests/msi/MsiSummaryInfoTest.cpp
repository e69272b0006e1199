// Summary information: the template texts, the source flags and a round trip through a file.
#include <gtest/gtest.h>

#include <windows.h>

#include <msiquery.h>

#include <new>
#include <string>
#include <vector>

#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiSummaryInfo.h"
#include "GuidText.h"
#include "MsiTestSupport.h"
#include "ScopedOverride.h"
#include "TestSupport.h"

using msitest::FixturePath;
using msitest::MsiErrorCode;
using msitest::Str;

namespace {

UINT WINAPI RefusingSet(MSIHANDLE, UINT, UINT, INT, FILETIME*, LPCWSTR)
{
    return ERROR_FUNCTION_FAILED;
}

// Records the order in which the layer closes handles.
std::vector<std::wstring> g_closed;
MSIHANDLE g_db = 0, g_info = 0;

UINT WINAPI RecordingCloseHandle(MSIHANDLE h)
{
    g_closed.push_back(h == g_info ? L"info" : h == g_db ? L"db" : L"?");
    return MsiCloseHandle(h);
}

RPC_STATUS RPC_ENTRY OutOfMemoryUuidToStringW(UUID*, RPC_WSTR*)
{
    return RPC_S_OUT_OF_MEMORY;
}

class MsiSummaryInfoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.File(L"summary.msi");
        ASSERT_TRUE(CopyFileW(FixturePath().c_str(), path.c_str(), FALSE));
        db = MsiDatabase::Open(path.c_str(), MSIDBOPEN_TRANSACT);
        info = db->GetSummaryInfo(20);
    }
    std::wstring Template()
    {
        MsiHeapString t;
        info->GetStringProperty(t, 7);
        return Str(t);
    }
    testsupport::TempDir dir;
    std::wstring path;
    MsiSmartPtr<MsiDatabase> db;
    MsiSmartPtr<MsiDatabaseSummaryInfo> info;
};

}  // namespace

TEST_F(MsiSummaryInfoTest, TemplateLanguages)
{
    info->SetStringProperty(7, L"Intel;1033,1031");
    EXPECT_EQ(MsiSummaryInfo::Intel, info->GetPlatforms());
    EXPECT_EQ(2, info->GetLanguageCount());
    EXPECT_EQ(1033, info->GetFirstLanguage());
    EXPECT_EQ(1031, info->GetLanguage(1));
    EXPECT_EQ(1031, info->GetLanguage(5));
    EXPECT_TRUE(info->HasLanguage(1031));
    EXPECT_FALSE(info->HasLanguage(1036));
    EXPECT_EQ(static_cast<UINT>(ERROR_INVALID_PARAMETER), MsiErrorCode([&] { info->GetLanguage(-1); }));

    EXPECT_TRUE(info->RemoveLanguage(1033));
    EXPECT_EQ(L"Intel;1031", Template());
    info->RemoveAllLanguages();
    EXPECT_EQ(L"Intel;", Template());
    info->AddLanguage(1031);
    EXPECT_EQ(L"Intel;1031", Template());
    EXPECT_EQ(2, info->AddLanguage(1033));
    EXPECT_EQ(L"Intel;1031,1033", Template());

    info->SetPlatformsKeepLanguages(MsiSummaryInfo::Intel | MsiSummaryInfo::Alpha);
    EXPECT_EQ(L"Intel,Alpha;1031,1033", Template());
    EXPECT_EQ(3, info->GetPlatforms());
    info->SetPlatforms(MsiSummaryInfo::Alpha);
    EXPECT_EQ(L"Alpha;1031", Template());
    info->SetLanguage(1036);
    EXPECT_EQ(L"Alpha;1036", Template());

    info->SetStringProperty(7, L"Intel");
    EXPECT_EQ(0, info->GetLanguageCount());
    EXPECT_EQ(-1, info->GetFirstLanguage());
    EXPECT_EQ(-1, info->GetLanguage(0));
    info->SetPlatforms(MsiSummaryInfo::Intel);
    EXPECT_EQ(L"Intel;65535", Template());
}

TEST_F(MsiSummaryInfoTest, SourceFlagsAndConditions)
{
    info->SetIntegerProperty(15, 2);
    info->SetShortFileNames();
    EXPECT_EQ(3, info->GetIntegerProperty(15));
    EXPECT_TRUE(info->IsShortFileNames());
    info->SetUncompressed();
    EXPECT_EQ(1, info->GetIntegerProperty(15));
    EXPECT_TRUE(info->IsUncompressed());

    info->SetIntegerProperty(16, 0);
    info->AddValidationConditions(0x0005);
    info->AddErrorConditions(0x0003);
    EXPECT_EQ(0x00050003, info->GetIntegerProperty(16));
    EXPECT_TRUE(info->HasValidationCondition(4));
    info->RemoveErrorConditions(1);
    EXPECT_EQ(2, info->GetErrorConditions());
    EXPECT_EQ(5, info->GetValidationConditions());
}

TEST_F(MsiSummaryInfoTest, TransformRevisionParts)
{
    info->SetStringProperty(9, L"{AAAA}1.0;{BBBB} 2.0;{CCCC}");
    MsiHeapString part;
    info->GetOldProductCode(part);
    EXPECT_EQ(L"{AAAA}", Str(part));
    info->GetNewVersion(part);
    EXPECT_EQ(L"2.0", Str(part));
    info->GetUpgradeCode(part);
    EXPECT_EQ(L"{CCCC}", Str(part));
    info->SetOldVersion(L"1.5");
    MsiHeapString all;
    info->GetRevisionNumber(all);
    EXPECT_EQ(L"{AAAA} 1.5;{BBBB} 2.0;{CCCC}", Str(all));
    // An overlong or malformed text is read within bounds.
    info->SetStringProperty(9, (std::wstring(L"{") + std::wstring(200, L'X') + L"}" + std::wstring(200, L'9')).c_str());
    info->GetOldProductCode(part);
    EXPECT_EQ(40, part.GetLength());
    info->GetOldVersion(part);
    EXPECT_EQ(30, part.GetLength());
    info->GetNewProductCode(part);
    EXPECT_EQ(0, part.GetLength());
}

TEST_F(MsiSummaryInfoTest, RoundTripThroughTheFile)
{
    info->SetTitle(L"Velmo title");
    info->SetAuthor(L"Velmo author");
    info->SetStringProperty(7, L"Intel;1031");
    info->SetPackageCodeText(L"{01234567-89AB-CDEF-0123-456789ABCDEF}");
    info->Persist();
    info = MsiSmartPtr<MsiDatabaseSummaryInfo>();
    db->Commit();
    db = MsiSmartPtr<MsiDatabase>();

    MsiSmartPtr<MsiDatabaseSummaryInfo> read = MsiDatabaseSummaryInfo::Open(path.c_str());
    MsiHeapString text;
    read->GetTitle(text);
    EXPECT_EQ(L"Velmo title", Str(text));
    read->GetAuthor(text);
    EXPECT_EQ(L"Velmo author", Str(text));
    EXPECT_EQ(1031, read->GetFirstLanguage());
    GUID code;
    EXPECT_TRUE(read->GetPackageCode(code));
    EXPECT_EQ(0x01234567u, code.Data1);
    read->GetRevisionNumber(text);
    EXPECT_EQ(L"{01234567-89AB-CDEF-0123-456789ABCDEF}", Str(text));
    EXPECT_FALSE(read->SetPackageCodeText(L"{not a guid}"));
    // Opened with update count 0 the engine refuses every setter (Wine accepts them: its refusal
    // is reached through the seam).
    MsiApiOverride<decltype(MsiApiTable::MsiSummaryInfoSetPropertyW)> o(
        MsiApi().MsiSummaryInfoSetPropertyW, &RefusingSet);
    EXPECT_EQ(static_cast<UINT>(ERROR_FUNCTION_FAILED), MsiErrorCode([&] { read->SetTitle(L"x"); }));
    MsiHeapString describe;
    read->Describe(describe);
    EXPECT_EQ(0u, Str(describe).find(L"MSI Database Summary Information Handle "));
}

// Each property written with its type, persisted, and read back from the file by its type and
// by its named member.
TEST_F(MsiSummaryInfoTest, TypedPropertiesThroughTheFile)
{
    const FILETIME created = {0x12345678u, 0x01D9ABCDu};
    const struct {
        UINT pid;
        VARTYPE type;
        int number;
        const wchar_t* text;
    } rows[] = {
        {1, VT_I2, 1252, nullptr},
        {3, VT_LPSTR, 0, L"Velmo subject"},
        {5, VT_LPSTR, 0, L"Installer;Velmo"},
        {6, VT_LPSTR, 0, L"Velmo comments"},
        {12, VT_FILETIME, 0, nullptr},
        {14, VT_I4, 200, nullptr},
        {15, VT_I4, 3, nullptr},
        {18, VT_LPSTR, 0, L"Velmo application"},
        {19, VT_I4, 2, nullptr},
    };
    for (const auto& row : rows) {
        if (row.type == VT_LPSTR)
            info->SetStringProperty(row.pid, row.text);
        else if (row.type == VT_I2)
            info->SetShortProperty(row.pid, static_cast<short>(row.number));
        else if (row.type == VT_I4)
            info->SetIntegerProperty(row.pid, row.number);
        else
            info->SetFileTimeProperty(row.pid, created);
    }
    info->Persist();
    info = MsiSmartPtr<MsiDatabaseSummaryInfo>();
    db->Commit();
    db = MsiSmartPtr<MsiDatabase>();

    MsiSmartPtr<MsiDatabaseSummaryInfo> read = MsiDatabaseSummaryInfo::Open(path.c_str());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pid);
        if (row.type == VT_LPSTR) {
            MsiHeapString text;
            read->GetStringProperty(text, row.pid);
            EXPECT_EQ(row.text, Str(text));
        } else if (row.type == VT_FILETIME) {
            const FILETIME back = read->GetFileTimeProperty(row.pid);
            EXPECT_EQ(created.dwLowDateTime, back.dwLowDateTime);
            EXPECT_EQ(created.dwHighDateTime, back.dwHighDateTime);
        } else {
            EXPECT_EQ(row.number, read->GetIntegerProperty(row.pid));
        }
    }
    EXPECT_EQ(1252, read->GetCodepage());
    EXPECT_EQ(200, read->GetSchema());
    EXPECT_EQ(2, read->GetSecurity());
    EXPECT_TRUE(read->IsShortFileNames());
    EXPECT_TRUE(read->IsCompressed());
    MsiHeapString text;
    read->GetAppName(text);
    EXPECT_EQ(L"Velmo application", Str(text));
}

TEST_F(MsiSummaryInfoTest, CopyFromAnotherPackage)
{
    info->SetTitle(L"changed");
    info->CopyFrom(FixturePath().c_str());
    MsiHeapString title, original;
    info->GetTitle(title);
    MsiDatabaseSummaryInfo::Open(FixturePath().c_str())->GetTitle(original);
    EXPECT_EQ(Str(original), Str(title));
    info->NewPackageCode();
    GUID code;
    EXPECT_TRUE(info->GetPackageCode(code));
}

TEST(MsiDatabaseSummaryInfo, KeepsItsDatabaseOpenAndClosesItsHandleFirst)
{
    g_closed.clear();
    MsiApiOverride<decltype(MsiApiTable::MsiCloseHandle)> c(MsiApi().MsiCloseHandle, &RecordingCloseHandle);
    MsiSmartPtr<MsiDatabaseSummaryInfo> info;
    {
        MsiSmartPtr<MsiDatabase> db = MsiDatabase::Open(FixturePath().c_str(), MSIDBOPEN_READONLY);
        info = db->GetSummaryInfo(0);
        g_db = db->GetHandle();
    }
    g_info = info->GetHandle();
    EXPECT_TRUE(g_closed.empty());
    MsiHeapString title;
    info->GetTitle(title);
    info = MsiSmartPtr<MsiDatabaseSummaryInfo>();
    EXPECT_EQ((std::vector<std::wstring>{L"info", L"db"}), g_closed);
}

TEST_F(MsiSummaryInfoTest, APackageCodeThatCannotBeWrittenAsTextKeepsTheOldOne)
{
    info->SetPackageCodeText(L"{01234567-89AB-CDEF-0123-456789ABCDEF}");
    ScopedOverride<decltype(g_pfnUuidToStringW)> o(g_pfnUuidToStringW, &OutOfMemoryUuidToStringW);
    try {
        info->NewPackageCode();
        ADD_FAILURE() << "no throw";
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ("bad allocation", e.what());
    }
    MsiHeapString code;
    info->GetRevisionNumber(code);
    EXPECT_EQ(L"{01234567-89AB-CDEF-0123-456789ABCDEF}", Str(code));
}
