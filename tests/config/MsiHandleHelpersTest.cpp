// Helpers on raw Windows Installer handles, against a session on a copy of a part package.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CStringText.h"
#include "MsiApi.h"
#include "MsiHandle.h"
#include "MsiHandleHelpers.h"
#include "ScopedOverride.h"
#include "TestSupport.h"

using testsupport::Text;

namespace {

// What the installer was given to log: the template of each message, or its fields joined
// with "|" when the template is empty (the record's default form).
std::vector<std::wstring> g_logged;

std::wstring FieldText(MSIHANDLE record, UINT field)
{
    wchar_t buffer[512] = {};
    DWORD count = 512;
    MsiRecordGetStringW(record, field, buffer, &count);
    return buffer;
}

int WINAPI CaptureMessage(MSIHANDLE, INSTALLMESSAGE type, MSIHANDLE record)
{
    EXPECT_EQ(INSTALLMESSAGE_INFO, type);
    std::wstring text = FieldText(record, 0);
    if (text.empty()) {
        for (UINT field = 1; field <= MsiRecordGetFieldCount(record); ++field) {
            text += (field > 1 ? L"|" : L"") + FieldText(record, field);
        }
    }
    g_logged.push_back(text);
    return 0;
}

class MsiHandleHelpers : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_package = m_dir.File(L"parta.msi");
        ASSERT_TRUE(CopyFileW(testsupport::TestDataPath(L"parts_a.msi").c_str(), m_package.c_str(), FALSE));
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    }

    // A session with the costing done, so that features have action states.
    void OpenSession()
    {
        ASSERT_EQ(ERROR_SUCCESS, MsiOpenPackageW(m_package.c_str(), m_session.AddressOf()));
        for (const wchar_t* action : {L"CostInitialize", L"FileCost", L"CostFinalize"}) {
            ASSERT_EQ(ERROR_SUCCESS, MsiDoActionW(m_session.Get(), action)) << action;
        }
        m_database.Reset(MsiGetActiveDatabase(m_session.Get()));
    }

    testsupport::TempDir m_dir;
    std::wstring m_package;
    UniqueMsiHandle m_session;
    UniqueMsiHandle m_database;
};

}  // namespace

TEST_F(MsiHandleHelpers, GettersFollowTheBufferProtocol)
{
    OpenSession();
    CString value;
    EXPECT_EQ(0u, GetSessionProperty(m_session.Get(), L"VELMOPART", value));
    EXPECT_EQ(L"part a", Text(value));
    EXPECT_EQ(0u, GetSessionProperty(m_session.Get(), L"NOTSET", value));
    EXPECT_EQ(L"", Text(value));

    const std::wstring longValue(3000, L'v');
    MsiSetPropertyW(m_session.Get(), L"LONGVALUE", longValue.c_str());
    EXPECT_EQ(0u, GetSessionProperty(m_session.Get(), L"LONGVALUE", value));
    EXPECT_EQ(longValue, Text(value));

    EXPECT_EQ(0u, GetSessionTargetPath(m_session.Get(), L"INSTALLDIR", value));
    EXPECT_EQ(L"VelmoPartA\\", Text(value).substr(Text(value).size() - 11));

    value = L"stale";
    EXPECT_EQ(static_cast<UINT>(ERROR_INVALID_HANDLE), GetSessionProperty(0, L"VELMOPART", value));
    EXPECT_EQ(L"", Text(value));

    UniqueMsiHandle record(MsiCreateRecord(2));
    MsiRecordSetStringW(record.Get(), 2, L"second field");
    EXPECT_EQ(0u, GetRecordString(record.Get(), 2, value));
    EXPECT_EQ(L"second field", Text(value));
}

TEST_F(MsiHandleHelpers, DatabaseQueries)
{
    OpenSession();
    EXPECT_TRUE(TableExists(m_database.Get(), L"Component"));
    EXPECT_FALSE(TableExists(m_database.Get(), L"NoSuchTable"));
    EXPECT_FALSE(TableExists(m_database.Get(), L"Component' OR Name<>'"));

    int state = 0;
    EXPECT_EQ(0u, GetComponentActionState(m_session.Get(), m_database.Get(), L"PartAComponent", &state));
    EXPECT_EQ(INSTALLSTATE_LOCAL, state);
    EXPECT_EQ(0u, GetComponentActionState(m_session.Get(), m_database.Get(), L"x' OR Component_<>'", &state));
    EXPECT_EQ(-1, state);
}

TEST_F(MsiHandleHelpers, AComponentWhoseConditionIsFalseIsAbsent)
{
    {
        UniqueMsiHandle database;
        ASSERT_EQ(0u, MsiOpenDatabaseW(m_package.c_str(), MSIDBOPEN_TRANSACT, database.AddressOf()));
        UniqueMsiHandle view;
        ASSERT_EQ(0u,
            MsiDatabaseOpenViewW(database.Get(),
                L"UPDATE Component SET Condition='VELMOPART=\"other\"' "
                L"WHERE Component='PartAComponent'",
                view.AddressOf()));
        ASSERT_EQ(0u, MsiViewExecute(view.Get(), 0));
        view.Reset();
        ASSERT_EQ(0u, MsiDatabaseCommit(database.Get()));
    }
    OpenSession();
    int state = 0;
    EXPECT_EQ(0u, GetComponentActionState(m_session.Get(), m_database.Get(), L"PartAComponent", &state));
    EXPECT_EQ(INSTALLSTATE_ABSENT, state);
}

TEST_F(MsiHandleHelpers, LogsIntoTheInstallersLog)
{
    OpenSession();
    ScopedOverride<decltype(MsiApi().MsiProcessMessage)> capture(MsiApi().MsiProcessMessage, &CaptureMessage);
    g_logged.clear();
    EXPECT_EQ(0, LogToInstaller(m_session.Get(), L"%s=%d", L"count", 5));
    EXPECT_EQ(0, LogToInstallerPrefixed(m_session.Get(), L"%s", L"100%"));
    const std::wstring text = std::wstring(70, L'a') + std::wstring(70, L'b') + L"c";
    EXPECT_EQ(0, LogToInstallerChunked(m_session.Get(), L"%s", text.c_str()));
    EXPECT_EQ((std::vector<std::wstring>{L"count=5", L"OrbelInstaller: 100%", L"OrbelInstaller: " + text.substr(0, 70),
                  L"OrbelInstaller: " + text.substr(70, 70), L"OrbelInstaller: c"}),
        g_logged);

    g_logged.clear();
    EXPECT_EQ(0u, DumpTable(m_session.Get(), L"Feature"));
    ASSERT_EQ(5u, g_logged.size());
    EXPECT_EQ(L"Dump of Table Feature", g_logged[0]);
    EXPECT_EQ(0u, g_logged[1].find(L"Feature|Feature_Parent|Title"));
    EXPECT_EQ(L"End Dump", g_logged[3]);
    EXPECT_EQ(0u, g_logged[4].find(L"FeatureA||Feature A"));
    EXPECT_EQ(static_cast<UINT>(ERROR_INVALID_HANDLE), DumpTable(0, L"Feature"));
    EXPECT_EQ(static_cast<UINT>(ERROR_INVALID_PARAMETER), DumpTable(m_session.Get(), L"Feature` WHERE `1"));
}

TEST(MsiRecordList, ItemsOfTheSecondField)
{
    UniqueMsiHandle record(MsiCreateRecord(2));
    MsiRecordSetStringW(record.Get(), 2, L" alpha, b,,gamma  d");
    DWORD item = 1;
    std::vector<std::wstring> items;
    CString value;
    while (GetRecordListItem(record.Get(), &item, value) == ERROR_SUCCESS) {
        items.push_back(Text(value));
    }
    EXPECT_EQ((std::vector<std::wstring>{L"alpha", L"b", L"gamma", L"d"}), items);
    EXPECT_EQ(0u, item);

    wchar_t small[5] = {};
    DWORD size = 5;
    item = 1;
    EXPECT_EQ(static_cast<UINT>(ERROR_MORE_DATA), GetRecordListItem(record.Get(), &item, small, &size));
    EXPECT_EQ(6u, size);
    EXPECT_EQ(1u, item);
    item = 2;
    size = 5;
    EXPECT_EQ(0u, GetRecordListItem(record.Get(), &item, small, &size));
    EXPECT_STREQ(L"b", small);
    EXPECT_EQ(1u, size);
    EXPECT_EQ(3u, item);
}
