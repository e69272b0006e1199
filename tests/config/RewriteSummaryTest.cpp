// The 64-bit rewrite of a package's summary information, read back from the file, with the log
// lines it writes.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CStringText.h"
#include "ConfigInfo.h"
#include "IniErrorList.h"
#include "PartInfo.h"
#include "PartsTestSupport.h"

using testsupport::Text;

namespace {

struct Summary {
    std::wstring templateText;
    int schema = 0;
};

Summary ReadSummary(const std::wstring& path)
{
    Summary summary;
    MSIHANDLE info = 0;
    if (MsiGetSummaryInformationW(0, path.c_str(), 0, &info) != ERROR_SUCCESS)
        return summary;
    UINT type = 0;
    INT number = 0;
    FILETIME time = {};
    wchar_t text[256] = {};
    DWORD count = 256;
    if (MsiSummaryInfoGetPropertyW(info, 7, &type, &number, &time, text, &count) == ERROR_SUCCESS)
        summary.templateText = text;
    MsiSummaryInfoGetPropertyW(info, 14, &type, &summary.schema, &time, nullptr, nullptr);
    MsiCloseHandle(info);
    return summary;
}

// Sets the fixture's Template and Schema (through a transacted database and a commit).
bool WriteSummary(const std::wstring& path, const wchar_t* templateText, int schema)
{
    MSIHANDLE database = 0;
    MSIHANDLE info = 0;
    bool ok = MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_TRANSACT, &database) == ERROR_SUCCESS
        && MsiGetSummaryInformationW(database, nullptr, 2, &info) == ERROR_SUCCESS
        && MsiSummaryInfoSetPropertyW(info, 7, VT_LPSTR, 0, nullptr, templateText) == ERROR_SUCCESS
        && MsiSummaryInfoSetPropertyW(info, 14, VT_I4, schema, nullptr, nullptr) == ERROR_SUCCESS
        && MsiSummaryInfoPersist(info) == ERROR_SUCCESS;
    if (info)
        MsiCloseHandle(info);
    ok = ok && MsiDatabaseCommit(database) == ERROR_SUCCESS;
    if (database)
        MsiCloseHandle(database);
    return ok;
}

// The log lines without their prefix.
std::vector<std::wstring> LogLines(const std::wstring& path)
{
    std::vector<std::wstring> lines = testsupport::ReadLogFile(path).lines;
    const std::wstring prefix = L"OrbelInstaller: ";
    for (std::wstring& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            line.erase(0, prefix.size());
    }
    return lines;
}

class RewriteSummaryTest : public ::testing::Test {
protected:
    RewriteSummaryTest()
    {
        m_sample.WriteIni("[Parts]\r\nPkg=\r\n[Pkg]\r\nPath=merged.msi\r\n");
        m_config.SetIniFile(m_sample.Path().c_str(), L"setup.ini");
        IniErrorList errors;
        m_config.ReadParts(errors);
        m_part = m_config.FindPartInfo(L"Pkg");
        m_logPath = m_sample.File(L"setup.log");
        m_services.app.Log().Open(m_logPath.c_str(), false);
    }
    ~RewriteSummaryTest() override { m_services.app.Log().Close(); }

    std::vector<std::wstring> TakeLog()
    {
        m_services.app.Log().Close();
        return LogLines(m_logPath);
    }

    testsupport::StandInServices m_services;
    testsupport::CurrentFolderGuard m_keeper;
    partstest::SampleFolder m_sample;
    CConfigInfo m_config;
    CConfigInfo::PartInfo* m_part = nullptr;
    std::wstring m_logPath;
};

}  // namespace

TEST_F(RewriteSummaryTest, TheTemporaryCopyOfTheBuiltPackageBecomesX64)
{
    std::wstring original = m_sample.File(L"merged.msi");
    Summary before = ReadSummary(original);
    ASSERT_EQ(L"Intel;1033", before.templateText);
    ASSERT_LT(before.schema, 200);

    {
        partstest::RootPathSetter root(m_services, m_sample.Path());
        m_part->MakeTempPackageCopy();
    }
    std::wstring copy = Text(m_part->GetTempCopyPath());
    SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(m_part->RewriteSummaryForX64());

    Summary after = ReadSummary(copy);
    EXPECT_EQ(L"x64;1033", after.templateText);
    EXPECT_EQ(200, after.schema);
    EXPECT_EQ(0u, GetFileAttributesW(copy.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(L"Intel;1033", ReadSummary(original).templateText);
    EXPECT_EQ(
        (std::vector<std::wstring>{L"Resetted summary info stream of \"Platform\" value of " + copy + L"\" to x64;1033",
            L"Resetted summary info stream of \"Schema\" value of " + copy + L"\" to 200"}),
        TakeLog());

    // The rewritten copy still opens as a package.
    MSIHANDLE session = 0;
    ASSERT_EQ(static_cast<UINT>(ERROR_SUCCESS), MsiOpenPackageW(copy.c_str(), &session));
    EXPECT_EQ(L"merged value", partstest::SessionProperty(session, L"VELMOMERGED"));
    MsiCloseHandle(session);
}

TEST_F(RewriteSummaryTest, TemplatesAndSchemas)
{
    struct Case {
        const wchar_t* templateText;
        int schema;
        const wchar_t* expectedTemplate;
        int expectedSchema;
    } cases[] = {
        {L"Intel;1033", 100, L"x64;1033", 200},
        {L";1033", 100, L"x64;1033", 200},
        {L"Alpha;1033", 100, L"x64;Alpha;1033", 200},
        {L"Intel,Intel64;1033,1031", 199, L"x64,x6464;1033,1031", 200},
        {L"", 200, L"x64;", 200},
        {L"Intel;1031", 300, L"x64;1031", 300},
    };
    partstest::RootPathSetter root(m_services, m_sample.Path());
    std::wstring path = m_sample.File(L"merged.msi");
    for (const Case& c : cases) {
        ASSERT_TRUE(CopyFileW(testsupport::TestDataPath(L"parts_merged.msi").c_str(), path.c_str(), FALSE));
        ASSERT_TRUE(WriteSummary(path, c.templateText, c.schema)) << c.templateText;
        ASSERT_TRUE(m_part->RewriteSummaryForX64()) << c.templateText;
        Summary after = ReadSummary(path);
        EXPECT_EQ(c.expectedTemplate, after.templateText) << c.templateText;
        EXPECT_EQ(c.expectedSchema, after.schema) << c.templateText;
    }
    // A schema of 200 or more is left alone and not logged.
    std::vector<std::wstring> log = TakeLog();
    ASSERT_EQ(6u + 4u, log.size());  // six Platform lines, four Schema lines
    EXPECT_EQ(L"Resetted summary info stream of \"Platform\" value of " + path + L"\" to x64;1031", log.back());
}

TEST_F(RewriteSummaryTest, FailuresAreLoggedAndReturnFalse)
{
    partstest::RootPathSetter root(m_services, m_sample.Path());
    std::wstring path = m_sample.File(L"merged.msi");

    DeleteFileW(path.c_str());
    EXPECT_FALSE(m_part->RewriteSummaryForX64());
    testsupport::WriteFileBytes(path, "not a package");
    EXPECT_FALSE(m_part->RewriteSummaryForX64());

    EXPECT_EQ((std::vector<std::wstring>{L"Error : Cannot remove read-only attribute from " + path,
                  L"Error : Cannot open database handle to " + path}),
        TakeLog());
}

TEST_F(RewriteSummaryTest, WithoutRootFolderNothingIsThrown)
{
    EXPECT_FALSE(m_part->RewriteSummaryForX64());
    EXPECT_EQ((std::vector<std::wstring>{L"Error : Cannot open database handle to merged.msi"}), TakeLog());
}
