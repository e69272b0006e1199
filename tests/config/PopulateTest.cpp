// The third configuration step on a sample distribution of two languages, two parts and the
// merged package: the records, the sessions with the transformed Property rows, and the one
// list of bad entries.
//
// Transforms cannot be generated here, so the engine's transform call is replaced: the
// replacement records its arguments and changes the Property table the way the sample's
// transforms would.
#include <gtest/gtest.h>

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CStringText.h"
#include "ConfigInfo.h"
#include "DistributionInfo.h"
#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "MsiApi.h"
#include "PartInfo.h"
#include "PartsTestSupport.h"

using partstest::SessionProperty;
using testsupport::Text;

namespace {

std::string SampleIni()
{
    return partstest::BaseIni()
        + "[Merged]\r\n"
          "Path=merged.msi\r\n"
          "LangXfm1033=\\xfm\\merged1033.mst\r\n"
          "[Parts]\r\n"
          "PartB=\r\n"
          "PartA=\r\n"
          "[PartA]\r\n"
          "Path=parta.msi\r\n"
          "LangXfm1033=xfm\\parta1033.mst\r\n"
          "LangDb1031=disk2\\partb.msi\r\n"
          "ProductCode={4C0E9A51-2B7D-4F3A-9E61-0A5B7C3D2E11}\r\n"
          "ProductCode1033={4C0E9A51-2B7D-4F3A-9E61-0A5B7C3D2E13}\r\n"
          "Properties=PartAProperties\r\n"
          "[PartAProperties]\r\n"
          "VELMOEXTRA=extra\r\n"
          "[PartB]\r\n"
          "Path=partb.msi\r\n"
          "Volume=2\r\n"
          "ProductCode={4C0E9A51-2B7D-4F3A-9E61-0A5B7C3D2E21}\r\n";
}

// The replacement of the transform call.
struct TransformCall {
    std::wstring path;
    int errorConditions;
};
std::vector<TransformCall> g_transformCalls;

UINT RunSql(MSIHANDLE database, const wchar_t* sql)
{
    MSIHANDLE view = 0;
    UINT result = MsiDatabaseOpenViewW(database, sql, &view);
    if (result == ERROR_SUCCESS)
        result = MsiViewExecute(view, 0);
    if (view)
        MsiCloseHandle(view);
    return result;
}

UINT WINAPI FakeApplyTransform(MSIHANDLE database, LPCWSTR path, int errorConditions)
{
    g_transformCalls.push_back({path, errorConditions});
    std::wstring name(path);
    if (name.find(L"merged1033.mst") != std::wstring::npos) {
        UINT result = RunSql(database, L"UPDATE `Property` SET `Value`='Hallo' WHERE `Property`='VELMOGREETING'");
        if (result == ERROR_SUCCESS)
            result = RunSql(database, L"INSERT INTO `Property` (`Property`, `Value`) VALUES ('VELMOADDED', 'added')");
        return result;
    }
    if (name.find(L"parta1033.mst") != std::wstring::npos)
        return RunSql(database, L"UPDATE `Property` SET `Value`='part a transformed' WHERE `Property`='VELMOPART'");
    return ERROR_OPEN_FAILED;
}

// Every row of the session's Property table, read through the session's own database.
std::map<std::wstring, std::wstring> PropertyRows(MSIHANDLE session)
{
    std::map<std::wstring, std::wstring> rows;
    MSIHANDLE database = MsiGetActiveDatabase(session);
    MSIHANDLE view = 0;
    if (MsiDatabaseOpenViewW(database, L"SELECT `Property`, `Value` FROM `Property`", &view) == ERROR_SUCCESS
        && MsiViewExecute(view, 0) == ERROR_SUCCESS) {
        MSIHANDLE record = 0;
        while (MsiViewFetch(view, &record) == ERROR_SUCCESS) {
            wchar_t name[256] = {};
            wchar_t value[1024] = {};
            DWORD count = 256;
            MsiRecordGetStringW(record, 1, name, &count);
            count = 1024;
            MsiRecordGetStringW(record, 2, value, &count);
            rows[name] = value;
            MsiCloseHandle(record);
        }
    }
    if (view)
        MsiCloseHandle(view);
    MsiCloseHandle(database);
    return rows;
}

// A sample distribution with the first two configuration steps done.
class PopulateTest : public ::testing::Test {
protected:
    PopulateTest() : m_transforms(MsiApi().MsiDatabaseApplyTransformW, &FakeApplyTransform)
    {
        g_transformCalls.clear();
        CreateDirectoryW(m_sample.File(L"xfm").c_str(), nullptr);
        testsupport::WriteFileBytes(m_sample.File(L"xfm\\merged1033.mst"), "transform");
        testsupport::WriteFileBytes(m_sample.File(L"xfm\\parta1033.mst"), "transform");
    }
    ~PopulateTest() override { m_config.FreeResourceModules(); }

    void Prepare(const std::string& ini)
    {
        m_sample.WriteIni(ini);
        m_config.SetIniFile(m_sample.Path().c_str(), L"setup.ini");
        m_config.PopulateMsiInfo();
        m_config.LoadLanguageResource();
    }

    testsupport::StandInServices m_services;
    testsupport::CurrentFolderGuard m_keeper;
    partstest::SampleFolder m_sample;
    MsiApiOverride<decltype(MsiApiTable::MsiDatabaseApplyTransformW)> m_transforms;
    CConfigInfo m_config;
};

std::wstring ListText(const IniErrorList& errors)
{
    std::wostringstream out;
    out << errors;
    return out.str();
}

}  // namespace

TEST_F(PopulateTest, RequiresTheEarlierStepsInOrder)
{
    m_sample.WriteIni(SampleIni());
    m_config.SetIniFile(m_sample.Path().c_str(), L"setup.ini");
    const wchar_t* expected[] = {L"CConfigInfo::PopulateMsiInfo", L"CConfigInfo::LoadLanguageResource"};
    for (const wchar_t* required : expected) {
        try {
            m_config.Populate();
            FAIL() << "no error";
        } catch (const PriorOperationRequired& e) {
            EXPECT_EQ(required, Text(e.Argument<1>()));
            EXPECT_EQ(L"CConfigInfo::Populate", Text(e.Argument<2>()));
        }
        m_config.PopulateMsiInfo();
    }
    EXPECT_FALSE(m_config.IsPopulated());
}

TEST_F(PopulateTest, GivesTheMergedPartThePartsAndNoProviders)
{
    Prepare(SampleIni());
    ASSERT_EQ(1033, m_config.GetDistributionInfo()->GetUiLanguage());
    m_config.Populate();
    EXPECT_TRUE(m_config.IsPopulated());

    CConfigInfo::PartInfo* merged = m_config.GetMergedPartInfo();
    ASSERT_NE(nullptr, merged);
    EXPECT_EQ(L"Merged", Text(merged->GetName()));
    EXPECT_EQ(L"merged.msi", Text(merged->GetPath()));
    EXPECT_EQ(nullptr, m_config.FindPartInfo(L"Merged"));

    ASSERT_EQ(2u, m_config.GetPartInfoCount());
    CConfigInfo::PartInfo* partA = m_config.GetPartInfo(0);
    CConfigInfo::PartInfo* partB = m_config.GetPartInfo(1);
    EXPECT_EQ(L"PartA", Text(partA->GetName()));
    EXPECT_EQ(L"PartB", Text(partB->GetName()));
    // The user-interface language's entries win; a language without entries uses the plain ones.
    EXPECT_EQ(L"{4C0E9A51-2B7D-4F3A-9E61-0A5B7C3D2E13}", Text(partA->GetProductCode()));
    EXPECT_EQ(L"parta.msi", Text(partA->GetLangDbPath()));
    EXPECT_EQ(L"extra", Text(partA->GetProperties().at(CString(L"VELMOEXTRA"))));
    EXPECT_EQ(2, partB->GetVolume());
    EXPECT_EQ(L"{4C0E9A51-2B7D-4F3A-9E61-0A5B7C3D2E21}", Text(partB->GetProductCode()));

    EXPECT_EQ(0u, m_config.GetKolBaselinePartInfoCount());
    EXPECT_EQ(nullptr, m_config.GetBaselinePartInfo(0));
    EXPECT_TRUE(m_config.GetKolCoreUpgradeCode().IsEmpty());
}

TEST_F(PopulateTest, MergedSessionHoldsTheTransformedPropertyRows)
{
    Prepare(SampleIni());
    m_config.Populate();
    partstest::RootPathSetter root(m_services, m_sample.Path());
    CConfigInfo::PartInfo* merged = m_config.GetMergedPartInfo();

    MsiSmartPtr<MsiSession> session = merged->GetSession();
    ASSERT_FALSE(session.IsNull());
    ASSERT_EQ(1u, g_transformCalls.size());
    EXPECT_EQ(m_sample.File(L"xfm\\merged1033.mst"), g_transformCalls[0].path);
    EXPECT_EQ(0x3A, g_transformCalls[0].errorConditions);

    std::map<std::wstring, std::wstring> rows = PropertyRows(session.GetHandle());
    ASSERT_EQ(L"Hallo", rows[L"VELMOGREETING"]);
    ASSERT_EQ(L"added", rows[L"VELMOADDED"]);
    EXPECT_EQ(L"merged value", rows[L"VELMOMERGED"]);
    for (const auto& row : rows)
        EXPECT_EQ(row.second, SessionProperty(session.GetHandle(), row.first.c_str())) << row.first;

    // Later calls return the same session; the database is the session's.
    EXPECT_EQ(session.Get(), merged->GetSession().Get());
    MsiHeapString value;
    merged->GetDatabase()->GetProperty(value, L"VELMOGREETING");
    EXPECT_EQ(L"Hallo", std::wstring(MsiText::Get(value)));
    EXPECT_EQ(1u, g_transformCalls.size());

    // Released with its database, so that nothing holds Windows Installer's copy of the package
    // open: the copy is gone once the last reference goes. The next call opens a new session and
    // sets the rows again.
    const std::wstring copy = SessionProperty(session.GetHandle(), L"DATABASE");
    ASSERT_TRUE(testsupport::FileExists(copy)) << std::string(copy.begin(), copy.end());
    merged->ReleaseSession();
    EXPECT_TRUE(merged->PeekSession().IsNull());
    EXPECT_TRUE(merged->PeekDatabase().IsNull());
    session.Reset();
    if (_wcsicmp(copy.c_str(), m_sample.File(L"merged.msi").c_str()) != 0) {
        EXPECT_FALSE(testsupport::FileExists(copy)) << std::string(copy.begin(), copy.end());
    }
    MsiSmartPtr<MsiSession> reopened = merged->GetSession();
    EXPECT_EQ(2u, g_transformCalls.size());
    EXPECT_EQ(L"Hallo", SessionProperty(reopened.GetHandle(), L"VELMOGREETING"));
    EXPECT_EQ(L"added", SessionProperty(reopened.GetHandle(), L"VELMOADDED"));
}

TEST_F(PopulateTest, EachPartSessionReceivesItsOwnRows)
{
    Prepare(SampleIni());
    m_config.Populate();
    partstest::RootPathSetter root(m_services, m_sample.Path());

    MsiSmartPtr<MsiSession> merged = m_config.GetMergedPartInfo()->GetSession();
    MsiSmartPtr<MsiSession> partA = m_config.FindPartInfo(L"PartA")->GetSession();
    ASSERT_EQ(2u, g_transformCalls.size());
    EXPECT_EQ(m_sample.File(L"xfm\\parta1033.mst"), g_transformCalls[1].path);

    EXPECT_EQ(L"part a transformed", SessionProperty(partA.GetHandle(), L"VELMOPART"));
    EXPECT_EQ(L"", SessionProperty(partA.GetHandle(), L"VELMOGREETING"));
    EXPECT_EQ(L"", SessionProperty(merged.GetHandle(), L"VELMOPART"));
    EXPECT_EQ(L"Hallo", SessionProperty(merged.GetHandle(), L"VELMOGREETING"));

    // A part without a transform for the language keeps the package's values.
    MsiSmartPtr<MsiSession> partB;
    {
        partstest::RootPathSetter disk2(m_services, m_sample.File(L"disk2"));
        partB = m_config.FindPartInfo(L"PartB")->GetSession();
    }
    EXPECT_EQ(2u, g_transformCalls.size());
    EXPECT_EQ(L"part b", SessionProperty(partB.GetHandle(), L"VELMOPART"));
}

TEST_F(PopulateTest, BadEntriesEndTheStepWithOneList)
{
    Prepare(partstest::BaseIni()
        + "[Merged]\r\nVolume=1\r\n"
          "[Parts]\r\nmerged=\r\nPartA=\r\n"
          "[PartA]\r\nPath=missing.msi\r\n"
          "[KolBaseProviders]\r\nCore=\r\n");
    try {
        m_config.Populate();
        FAIL() << "no error";
    } catch (const IniFileErrors& e) {
        EXPECT_EQ(L"1. Missing Key: [Merged] Path\r\n"
                  L"2. Specified file not found: [PartA] Path = missing.msi\r\n"
                  L"3. Bad Key: [Parts] merged = Merged\r\n"
                  L"4. Missing Section: [Core]\r\n"
                  L"5. Missing Key: [Core] Path\r\n"
                  L"6. Missing Key: [UpgradeCode] Core\r\n"
                  L"7. Missing Key: [ProductVersion] Core\r\n",
            ListText(e.Argument<1>()));
    }
    EXPECT_FALSE(m_config.IsPopulated());
    // The records stay as far as they were read.
    ASSERT_NE(nullptr, m_config.GetMergedPartInfo());
    EXPECT_EQ(1u, m_config.GetPartInfoCount());
    EXPECT_EQ(1u, m_config.GetKolBaselinePartInfoCount());
}
