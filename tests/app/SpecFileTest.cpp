// The unattended-install spec file: the sections read at start-up, the checks against the
// distribution model when it is applied, and the one list of every bad entry.
#include <gtest/gtest.h>

#include <string>

#include "InstallerErrors.h"
#include "SpecFileProcessor.h"
#include "TestSupport.h"
#include "VelmoInstaller.h"

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
