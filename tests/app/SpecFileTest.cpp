// The unattended-install spec file: the sections read at start-up, the checks against the
// distribution model when it is applied, and the one list of every bad entry.
#include <gtest/gtest.h>

#include <string>

#include "ConfigInfo.h"
#include "Distribution.h"
#include "DistributionServices.h"
#include "IInstallerError.h"
#include "InstallerErrors.h"
#include "MsiSession.h"
#include "ScopedOverride.h"
#include "SpecFileProcessor.h"
#include "TestSupport.h"
#include "VelmoInstaller.h"
#include "WelcomeDialogInfo.h"

using namespace testsupport;

namespace {

std::string Describe(const IniErrorList& errors)
{
    std::string text;
    for (size_t i = 0; i < errors.GetCount(); ++i) {
        const IniErrorRecord& r = errors[i];
        std::wstring line = std::to_wstring(r.GetCode()) + L" [" + r.GetSection().GetString() + L"] "
            + r.GetKey().GetString() + L" = " + r.GetValue().GetString() + L"\n";
        text += std::string(line.begin(), line.end());
    }
    return text;
}

class SpecFile : public ::testing::Test {
protected:
    void Write(const std::string& content)
    {
        m_path = m_dir.File(L"spec.ini");
        ASSERT_TRUE(WriteFileBytes(m_path, content));
    }
    TempDir m_dir;
    std::wstring m_path;
    CSpecFileProcessor m_spec;
};

TEST_F(SpecFile, StartUpSectionsAndTheirErrors)
{
    Write("[Features]\r\nFoo=local\r\nBar=Install\r\nCab=NoChange\r\nDeep=aDvErTiSeD\r\nNoValue\r\n"
          "Foo=Absent\r\n"
          "[DisableDialogs]\r\nLicense=\r\nlicense=\r\nEnd=1\r\nWelcome=\r\n"
          "[FeatureDisallowAbsent]\r\nKeep=\r\n"
          "[Settings]\r\nAutoAdvance=1\r\nWelcomeAutoAdvance=2\r\n");
    m_spec.SetSpecFile(m_path.c_str());

    int state = 0;
    bool disallow = true;
    m_spec.GetFeatureRequest(L"Foo", state, disallow);
    EXPECT_EQ(3, state);  // the first of two equal keys
    EXPECT_FALSE(disallow);
    m_spec.GetFeatureRequest(L"foo", state, disallow);
    EXPECT_EQ(-1, state);  // feature names are case-sensitive
    m_spec.GetFeatureRequest(L"Bar", state, disallow);
    EXPECT_EQ(-1, state);
    m_spec.GetFeatureRequest(L"Cab", state, disallow);
    EXPECT_EQ(-7, state);
    m_spec.GetFeatureRequest(L"Deep", state, disallow);
    EXPECT_EQ(1, state);
    m_spec.GetFeatureRequest(L"Keep", state, disallow);
    EXPECT_EQ(3, state);
    EXPECT_TRUE(disallow);

    EXPECT_TRUE(m_spec.IsDialogDisabled(8));
    EXPECT_TRUE(m_spec.IsDialogDisabled(13));
    EXPECT_FALSE(m_spec.IsDialogDisabled(1));
    EXPECT_FALSE(m_spec.IsDialogDisabled(9));

    // A duplicate is found while the section is read, before its entries are handled in
    // ordinal key order; sections in reading order.
    EXPECT_EQ("7 [Features] Foo = \n"
              "6 [Features] Bar = Install\n"
              "6 [Features] NoValue = \n"
              "6 [DisableDialogs] Welcome = \n"
              "6 [DisableDialogs] license = \n"
              "1 [Settings] AutoAdvance = \n",
        Describe(m_spec.GetErrors()));
}

TEST_F(SpecFile, LongSectionsAreReadWhole)
{
    std::string features = "[Features]\r\n";
    for (int i = 0; i < 40; ++i)
        features += "Feature" + std::to_string(100 + i) + "=Source\r\n";
    Write(features);
    m_spec.SetSpecFile(m_path.c_str());
    int state = 0;
    bool disallow = false;
    m_spec.GetFeatureRequest(L"Feature139", state, disallow);
    EXPECT_EQ(4, state);
    EXPECT_TRUE(m_spec.GetErrors().IsEmpty());
}

TEST_F(SpecFile, ApplyChecksTheModelAndThrowsEveryErrorOnce)
{
    Write("[Features]\r\nUnknown=Local\r\nBad=Install\r\n"
          "[FeatureDisallowAbsent]\r\nAlsoUnknown=\r\n"
          "[Directories]\r\n<RootDirectory0>=C:\\x\r\n<RootDirectory2x>=C:\\y\r\n<RootDirectory9>=C:\\z\r\n"
          "NoSuchFeature=C:\\w\r\n"
          "[UserInfo]\r\nname=Ann\r\nCOMPANY=Acme\r\nPhone=1\r\n");
    m_spec.SetSpecFile(m_path.c_str());
    try {
        m_spec.Apply(&theApp);
        FAIL() << "no SpecFileErrors";
    } catch (const SpecFileErrors& error) {
        EXPECT_EQ(12002, error.GetCode());
    }
    EXPECT_EQ("6 [Features] Bad = Install\n"
              "1 [Features] Unknown = \n"
              "1 [FeatureDisallowAbsent] AlsoUnknown = \n"
              "1 [Directories] <RootDirectory0> = \n"
              "1 [Directories] <RootDirectory2x> = \n"
              "1 [Directories] <RootDirectory9> = \n"
              "1 [Directories] NoSuchFeature = \n"
              "1 [UserInfo] Phone = \n",
        Describe(m_spec.GetErrors()));
    EXPECT_EQ(L"Ann", std::wstring(m_spec.m_strUserName));
    EXPECT_EQ(L"Acme", std::wstring(m_spec.m_strCompany));
}

TEST_F(SpecFile, WithoutSpecFileNothingIsReadOrThrown)
{
    m_spec.SetSpecFile(L"");
    EXPECT_NO_THROW(m_spec.Apply(&theApp));
    int state = 0;
    bool disallow = true;
    m_spec.GetFeatureRequest(L"Any", state, disallow);
    EXPECT_EQ(-1, state);
    EXPECT_FALSE(disallow);
    EXPECT_FALSE(m_spec.IsDialogDisabled(2));
}

// The sample distribution (a copy of its first volume's configuration) as the application's
// configuration and, once loaded, its model: the destination-folder page shown with three rows
// (Dir1 INSTALLDIR, Dir2 ProgramFilesFolder, Dir3 TARGETDIR) and [Settings] WelcomeAutoAdvance
// of setup.ini as given.
class SampleSpecFile : public SpecFile {
protected:
    void Configure(const std::string& welcomeAutoAdvance)
    {
        const std::wstring volume = WriteSampleVolume1(m_dir, ModuleDir() + L"\\sample\\parts\\core.msi");
        ASSERT_FALSE(volume.empty());
        std::string ini = ReadFileBytes(volume + L"\\setup.ini");
        for (const auto& replacement :
            {std::make_pair(std::string("SingleDirectory=0"), std::string("SingleDirectory=1")),
                std::make_pair(std::string("[Settings]"), "[Settings]\r\nWelcomeAutoAdvance=" + welcomeAutoAdvance)}) {
            const size_t at = ini.find(replacement.first);
            ASSERT_NE(std::string::npos, at) << replacement.first;
            ini.replace(at, replacement.first.size(), replacement.second);
        }
        ini += "[SingleDirectoryDialog]\r\nDir1=INSTALLDIR\r\nDir2=ProgramFilesFolder\r\nDir3=TARGETDIR\r\n";
        ASSERT_TRUE(WriteFileBytes(volume + L"\\setup.ini", ini));
        try {
            m_config.SetIniFile(volume.c_str(), L"setup.ini");
            m_config.PopulateMsiInfo();
            m_config.LoadLanguageResource();
            m_config.PopulateDialogInfo();
        } catch (const ZKInstallerError::IInstallerError& error) {
            FAIL() << std::wstring(error.GetFullText()).c_str();
        }
    }

    // The parts and the model, initialised as the loader does before it applies the spec file.
    void LoadModel()
    {
        try {
            m_config.Populate();
            m_distribution.PopulateFromIniInfo(m_config, nullptr, nullptr);
            m_distribution.Initialize(nullptr, nullptr);
        } catch (const ZKInstallerError::IInstallerError& error) {
            FAIL() << std::wstring(error.GetFullText()).c_str();
        }
    }

    std::wstring TargetPath(const wchar_t* directory)
    {
        return CString(m_distribution.GetSession()->GetMfcTargetPath(directory)).GetString();
    }

    ~SampleSpecFile() override
    {
        if (theApp.m_pSystemInfo)
            theApp.m_pSystemInfo->Release();
        theApp.m_pSystemInfo = nullptr;
        theApp.m_hSysInfoModule = CVelmoInstallerApp::SysInfoNotLoaded();
        if (m_config.GetDistributionInfo())
            m_config.FreeResourceModules();
        InstallDistributionServices(m_savedServices);
        CoUninitialize();
    }

    HRESULT m_com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CurrentFolderGuard m_folder{CurrentFolder()};
    CConfigInfo m_config;
    CDistribution m_distribution;
    ScopedOverride<CConfigInfo*> m_configSlot{theApp.m_pConfigInfo, &m_config};
    ScopedOverride<CDistribution*> m_distributionSlot{theApp.m_pDistribution, &m_distribution};
    ScopedOverride<IUnknown*> m_objectSlot{theApp.m_pSystemInfo, nullptr};
    ScopedOverride<HMODULE> m_moduleSlot{theApp.m_hSysInfoModule, CVelmoInstallerApp::SysInfoNotLoaded()};
    IDistributionServices* m_savedServices = InstallDistributionServices(&m_distribution);
};

// A row key names the destination page's row from 1: <RootDirectory> and <RootDirectory1> the
// first row, <RootDirectory2> the second; keys are handled in key order.
TEST_F(SampleSpecFile, RootDirectoryKeysNameThePagesRowsFromOne)
{
    struct Case {
        const char* directories;
        const wchar_t* installDir;
        const wchar_t* programFiles;  // null: unchanged
    };
    const Case cases[] = {
        {"<RootDirectory>=C:\\One\r\n<RootDirectory2>=C:\\Two\r\n", L"C:\\One\\", L"C:\\Two\\"},
        {"<RootDirectory1>=C:\\Uno\r\n", L"C:\\Uno\\", nullptr},
    };
    ASSERT_NO_FATAL_FAILURE(Configure("0"));
    ASSERT_NO_FATAL_FAILURE(LoadModel());
    const std::wstring programFiles = TargetPath(L"ProgramFilesFolder");
    ASSERT_NE(L"C:\\Two\\", programFiles);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.directories);
        CSpecFileProcessor spec;
        Write(std::string("[Directories]\r\n") + c.directories);
        spec.SetSpecFile(m_path.c_str());
        try {
            spec.Apply(&theApp);
        } catch (const SpecFileErrors&) {
            ADD_FAILURE() << Describe(spec.GetErrors());
        }
        EXPECT_EQ(c.installDir, TargetPath(L"INSTALLDIR"));
        EXPECT_EQ(c.programFiles ? c.programFiles : programFiles, TargetPath(L"ProgramFilesFolder"));
        m_distribution.SetTargetPath(L"ProgramFilesFolder", programFiles.c_str());
    }
}

// setup.ini's WelcomeAutoAdvance turns the welcome page's advance on for any number but 0; the
// spec file's [Settings] only for a number above 0, and so turns it off again with -1.
TEST_F(SampleSpecFile, NegativeWelcomeAutoAdvance)
{
    ASSERT_NO_FATAL_FAILURE(Configure("-1"));
    CConfigInfo::DialogInfo* record = nullptr;
    ASSERT_TRUE(m_config.GetDialogInfo(kWelcomeDialog, record));
    auto* welcome = dynamic_cast<CConfigInfo::WelcomeDialogInfo*>(record);
    ASSERT_NE(nullptr, welcome);
    EXPECT_TRUE(welcome->IsAutoAdvance());

    Write("[Settings]\r\nWelcomeAutoAdvance=-1\r\n");
    m_spec.SetSpecFile(m_path.c_str());
    EXPECT_FALSE(welcome->IsAutoAdvance());
    EXPECT_TRUE(m_spec.GetErrors().IsEmpty());
}

TEST(SpecFileKeywords, StatesAndPages)
{
    EXPECT_EQ(2, CSpecFileProcessor::ParseFeatureState(L"ABSENT"));
    EXPECT_EQ(-1, CSpecFileProcessor::ParseFeatureState(L"default"));
    EXPECT_EQ(-2, CSpecFileProcessor::ParseFeatureState(L""));
    EXPECT_EQ(5, CSpecFileProcessor::ParseDialogName(L"InstallationType"));
    EXPECT_EQ(0, CSpecFileProcessor::ParseDialogName(L"Progress"));
    EXPECT_EQ(0, CSpecFileProcessor::ParseDialogName(L"EndExecute"));
}

}  // namespace
