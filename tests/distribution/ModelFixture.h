// The model of a sample distribution built in-process: two parts of a merged package, an older
// product of the first part's family and the second part itself installed in the test prefix,
// and an in-memory system-information component that knows the installed products and their
// dependencies.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <msiquery.h>

#include <string>
#include <vector>

#include "ConfigInfo.h"
#include "Distribution.h"
#include "DistributionInfo.h"
#include "Feature.h"
#include "FeatureSubsets.h"
#include "ModelTestSupport.h"
#include "MsiDatabase.h"
#include "MsiSession.h"
#include "TestSupport.h"

namespace modeltest {
namespace fixture {

const wchar_t kCoreCode[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}";
const wchar_t kCoreUpgrade[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A12}";
const wchar_t kExtrasCode[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21}";
const wchar_t kExtrasUpgrade[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A22}";
const wchar_t kOldCoreCode[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A31}";
const wchar_t kUnknownCode[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AFF}";

// The configuration of the model: `core` and `extras` are added to the parts' sections, `tail`
// after them.
inline std::string ModelIni(const std::string& core = "", const std::string& extras = "", const std::string& tail = "")
{
    return "[MsiEngine]\r\nWinNTPath=engine.exe\r\nCommandLine=/q\r\n"
           "[Localization]\r\nLanguages=1033\r\nCustomRes1033=custom.dll\r\n"
           "[Distribution]\r\nTitle=100\r\nGUID={6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AEE}\r\nVersion=1.0.0.0\r\n"
           "[Utilities]\r\nUpgradeManagerPostProcessor=post.exe\r\nZKSysInfo=sysinfo.dll\r\n"
           "[Merged]\r\nPath=merged.msi\r\n"
           "[Parts]\r\nCore=\r\nExtras=\r\n"
           "[Core]\r\nPath=core.msi\r\nProductCode={6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}\r\n"
        + core + "[Extras]\r\nPath=extras.msi\r\nProductCode={6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21}\r\n" + extras
        + tail;
}

// The same with the core part's configured ProductCode.
inline std::string Ini(const char* coreProductCode)
{
    std::string ini = ModelIni();
    const std::string configured = "{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}";
    ini.replace(ini.find(configured), configured.size(), coreProductCode);
    return ini;
}

// The model's files in `dir`: the merged package and the parts' packages, the custom language
// module and empty stand-ins for the engine, the post-processing program and the component.
inline void CopyModelFiles(const testsupport::TempDir& dir)
{
    for (const wchar_t* name : {L"merged", L"core", L"extras"})
        CopyFileW(testsupport::TestDataPath(std::wstring(L"model_") + name + L".msi").c_str(),
            dir.File(std::wstring(name) + L".msi").c_str(), FALSE);
    CopyFileW((testsupport::ModuleDir() + L"\\model_custom.dll").c_str(), dir.File(L"custom.dll").c_str(), FALSE);
    for (const wchar_t* name : {L"engine.exe", L"post.exe", L"sysinfo.dll"})
        testsupport::WriteFileBytes(dir.File(name), "");
}

// The costing actions that give the merged session its target paths and costs.
inline void RunCosting(MsiSession& session)
{
    for (const wchar_t* action : {L"CostInitialize", L"FileCost", L"CostFinalize"})
        session.DoAction(action);
}

inline std::wstring W(const CString& s)
{
    return s.GetString();
}

}  // namespace fixture

using namespace fixture;

inline void InstallTestPackage(const wchar_t* package)
{
    const UINT result = MsiInstallProductW(testsupport::TestDataPath(package).c_str(), L"");
    ASSERT_EQ(ERROR_SUCCESS, result) << "installing " << std::string(package, package + wcslen(package));
}

// The configuration and the model of the sample distribution loaded from one INI text.
struct LoadedModel {
    LoadedModel(const testsupport::TempDir& dir, const std::string& ini)
    {
        testsupport::WriteFileBytes(dir.File(L"setup.ini"), ini);
        config.SetIniFile(dir.Path().c_str(), L"setup.ini");
        config.PopulateMsiInfo();
        config.LoadLanguageResource();
        config.Populate();
        model.PopulateFromIniInfo(config, nullptr, nullptr);
        model.BuildFeatureTree();
    }
    ~LoadedModel() { config.FreeResourceModules(); }

    CPart& Core() { return *model.GetPart(0); }
    CPart& Extras() { return *model.GetPart(1); }
    CFeature& Feature(const wchar_t* name) { return *model.FindFeature(name); }
    void SetStates(const wchar_t* name, int installed, int action)
    {
        Feature(name).m_installedState = installed;
        Feature(name).m_actionState = action;
    }
    std::wstring Title() const { return config.GetDistributionInfo()->GetTitle().GetString(); }

    CConfigInfo config;
    CDistribution model;
    testsupport::ScopedDistributionServices services{&model};
};

class ModelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        InstallTestPackage(L"model_coreold.msi");
        InstallTestPackage(L"model_extras.msi");
    }
    static void TearDownTestSuite()
    {
        MsiConfigureProductW(kOldCoreCode, 0, INSTALLSTATE_ABSENT);
        MsiConfigureProductW(kExtrasCode, 0, INSTALLSTATE_ABSENT);
    }

    ModelTest()
    {
        CopyModelFiles(m_dir);
        m_app.systemInfo.products = {{kCoreCode, 1, {}}, {kOldCoreCode, 0, {L"A", L"B"}}};
        m_app.systemInfo.installed = {
            {kOldCoreCode,
                {{kExtrasUpgrade, L"Tools", L"1.0", L"", L"1033", L"OldFeature", L"VersionNT", 0x100},
                    {kExtrasUpgrade, L"", L"", L"", L"", L"Missing", L"", 0}}},
            {kExtrasCode, {{kCoreUpgrade, L"", L"", L"", L"", L"Extras", L"", 0}}},
            {kUnknownCode, {{kExtrasUpgrade, L"", L"", L"", L"", L"Any", L"", 0}}},
            {kOldCoreCode, {{kCoreUpgrade, L"", L"", L"", L"", L"OldFeature", L"", 0}}},
        };
        m_app.RequestFeature(L"CoreDocs", INSTALLSTATE_SOURCE);
        m_app.DisallowAbsent(L"CoreHelp");
    }
    ~ModelTest() override { m_config.FreeResourceModules(); }

    // Runs each statement on the test's copy of the merged package, with `parameter` as the
    // value of its `?` when it has one, and commits.
    void EditMerged(const std::vector<std::wstring>& statements, const wchar_t* parameter = L"")
    {
        MSIHANDLE database = 0;
        ASSERT_EQ(ERROR_SUCCESS, MsiOpenDatabaseW(m_dir.File(L"merged.msi").c_str(), MSIDBOPEN_TRANSACT, &database));
        const MSIHANDLE record = MsiCreateRecord(1);
        MsiRecordSetStringW(record, 1, parameter);
        for (const std::wstring& statement : statements) {
            MSIHANDLE view = 0;
            EXPECT_EQ(ERROR_SUCCESS, MsiDatabaseOpenViewW(database, statement.c_str(), &view))
                << std::string(statement.begin(), statement.end());
            EXPECT_EQ(ERROR_SUCCESS, MsiViewExecute(view, statement.find(L'?') == std::wstring::npos ? 0 : record))
                << std::string(statement.begin(), statement.end());
            MsiCloseHandle(view);
        }
        MsiCloseHandle(record);
        EXPECT_EQ(ERROR_SUCCESS, MsiDatabaseCommit(database));
        MsiCloseHandle(database);
    }

    void Configure(const std::string& ini)
    {
        testsupport::WriteFileBytes(m_dir.File(L"setup.ini"), ini);
        m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        m_config.PopulateMsiInfo();
        m_config.LoadLanguageResource();
        m_config.Populate();
    }

    // The model of the fixture's configuration (the core part named by its own product code)
    // loaded, its subsets resolved and its broken dependencies found.
    void LoadWithBrokenDependencies()
    {
        Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
        m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        m_model.BuildFeatureTree();
        CFeatureSubsetTable subsets;
        subsets.Load(*m_model.GetSession()->GetActiveDatabase(), m_model);
        std::vector<SubsetResolveError> errors;
        ASSERT_TRUE(subsets.Resolve(m_model, errors));
        m_model.FindBrokenDependencies();
    }

    testsupport::CurrentFolderGuard m_currentFolder;
    testsupport::TempDir m_dir;
    TestAppServices m_app;
    CConfigInfo m_config;
    CDistribution m_model;
    testsupport::ScopedDistributionServices m_modelServices{&m_model};
};

}  // namespace modeltest
