// The linked distributions, the installation types and the licence texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "CStringText.h"
#include "InstallTypeDialogInfo.h"
#include "InstallerErrors.h"
#include "LanguageHelpers.h"
#include "LicenseDialogInfo.h"
#include "LinkedDistributionInfo.h"
#include "PagesTestSupport.h"
#include "PlatformApi.h"
#include "ScopedOverride.h"

using pagestest::PagesFixture;
using testsupport::Text;

namespace {

using LinkedDistributionInfo = CConfigInfo::LinkedDistributionInfo;

const char kNoLicences[] = "[Dialogs]\r\nLicense=0\r\nLicense2=0\r\n";

// Two linked distributions, listed Beta then alpha; the first sorts first (uppercase before
// lowercase).
const char kLinked[] = "[Linked Distributions]\r\nalpha=\r\nBeta=\r\nGamma=\r\n"
                       "[Beta]\r\nTitle=260\r\nGUID={B}\r\nCDPrompt=12\r\nVolumeLabel=\\Disk2\\\r\n"
                       "VersionMin=1.2.3.4\r\nVersionMax=2.0\r\nProperties=A=1\r\nSpecFile=beta.spec\r\n"
                       "[alpha]\r\nTitle=12\r\nGUID={A}\r\nIDFile=alpha.id\r\nProperties=B=2, C=3\r\n"
                       "[Gamma]\r\nTitle=12\r\n";

TEST(LinkedDistributions, ReadInNameOrderWithTheirSettings)
{
    PagesFixture pages;
    ASSERT_TRUE(testsupport::WriteFileBytes(pages.Dir().File(L"beta.spec"), "[Features]\r\n"));
    EXPECT_EQ(L"1. Missing Key: [Gamma] GUID\r\n", pages.Populate(std::string(kNoLicences) + kLinked));
    LinkedDistributionInfo* linked = pages.Config().GetLinkedDistributionInfo();
    ASSERT_NE(nullptr, linked);
    ASSERT_EQ(2, linked->GetCount());

    const CLinkedDistribution& beta = linked->GetLinkedDistribution(0);
    EXPECT_EQ(L"Disk two", Text(beta.m_strTitle));
    EXPECT_EQ(L"{B}", Text(beta.m_strGuid));
    EXPECT_EQ(L"Twelve", Text(beta.m_strCdPrompt));
    EXPECT_EQ(L"zkdist.id", Text(beta.m_strIdFile));
    EXPECT_EQ(L"..\\Disk2", Text(beta.m_strVolumeFolder));
    EXPECT_EQ(0x0001000200030004ull, beta.m_minVersion);
    EXPECT_EQ(0x0002000000000000ull, beta.m_maxVersion);
    EXPECT_EQ(CLinkedDistribution::kDefaultLevel, beta.m_nLevel);
    EXPECT_TRUE(beta.m_bEnabled);
    ASSERT_EQ(1u, pages.services.app.Copies().size());
    EXPECT_EQ(pages.services.app.Copies()[0], Text(beta.m_strSpecFileCopy));
    EXPECT_EQ(pages.Dir().File(L"beta.spec"), pages.services.app.CopiedSources()[0]);

    const CLinkedDistribution& alpha = linked->GetLinkedDistribution(1);
    EXPECT_EQ(L"alpha.id", Text(alpha.m_strIdFile));
    EXPECT_EQ(L"", Text(alpha.m_strVolumeFolder));
    EXPECT_EQ(0u, alpha.m_minVersion);
    EXPECT_EQ(L"", Text(alpha.m_strSpecFileCopy));
    EXPECT_EQ(&alpha, &linked->FindLinkedDistribution(L"alpha"));

    ASSERT_EQ(3u, linked->GetProperties().size());
    EXPECT_EQ(L"A=1", Text(linked->GetProperties()[0]));
    EXPECT_EQ(L"B=2", Text(linked->GetProperties()[1]));
    EXPECT_EQ(L"C=3", Text(linked->GetProperties()[2]));

    for (const wchar_t* name : {L"ALPHA", L"Gamma"}) {
        try {
            linked->FindLinkedDistribution(name);
            ADD_FAILURE() << "found";
        } catch (const ObjectNotFound& error) {
            EXPECT_EQ(name, Text(error.Argument<3>()));
            EXPECT_NE(nullptr, wcsstr(error.GetDebugMessage(), L"No .ini key matching"));
        }
    }
    try {
        linked->GetLinkedDistribution(2);
        FAIL() << "found";
    } catch (const ObjectNotFound& error) {
        EXPECT_EQ(L"index", Text(error.Argument<2>()));
        EXPECT_EQ(L"2", Text(error.Argument<3>()));
    }
}

TEST(LinkedDistributions, MissingSpecFileIsReported)
{
    PagesFixture pages;
    EXPECT_EQ(L"1. Specified file not found: [Disk2] SpecFile = absent.spec\r\n",
        pages.Populate(std::string(kNoLicences)
            + "[Linked Distributions]\r\nDisk2=\r\n"
              "[Disk2]\r\nTitle=12\r\nGUID={D}\r\nSpecFile=absent.spec\r\n"));
    EXPECT_EQ(1, pages.Config().GetLinkedDistributionInfo()->GetCount());
}

BOOL WINAPI DeniedTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD)
{
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

TEST(LinkedDistributions, NeedAnAdministrator)
{
    ScopedOverride<decltype(g_platformApi.GetTokenInformation)> notAdmin(
        g_platformApi.GetTokenInformation, &DeniedTokenInformation);
    PagesFixture pages;
    pages.Configure(std::string(kNoLicences) + kLinked);
    try {
        pages.Config().PopulateDialogInfo();
        FAIL() << "no error";
    } catch (const NoAdminPriv& error) {
        EXPECT_EQ(12004, error.GetCode());
    }
    // Without linked distributions nothing is asked.
    EXPECT_EQ(L"", pages.Populate(std::string(kNoLicences) + "[Linked Distributions]\r\n"));
    EXPECT_EQ(0, pages.Config().GetLinkedDistributionInfo()->GetCount());
}

// --- Installation types ---------------------------------------------------------------------

TEST(InstallationTypes, TypesInListOrderWithIconsLevelsAndLinkedLevels)
{
    PagesFixture pages;
    ASSERT_TRUE(testsupport::WriteFileBytes(pages.Dir().File(L"beta.spec"), ""));
    const std::wstring errors = pages.Populate(std::string(kNoLicences) + kLinked
        + "[Installation Types]\r\nTypical\r\nFull\r\nNoSuchType\r\n"
          "[Typical]\r\nLabel=210\r\nText=211\r\nIcon=typical\r\nLevel=3\r\nBeta=4\r\nalpha=7\r\nDelta=1\r\n"
          "[Full]\r\nLabel=220\r\nText=221\r\nIcon=Small\r\nLevel=1000\r\nCustom=1\r\n");
    EXPECT_EQ(L"1. Missing Key: [Gamma] GUID\r\n"
              L"2. Bad Key: [Typical] Delta\r\n"
              L"3. Bad Value: [Installation Types] Icon = Small\r\n"
              L"4. Missing Section: [NoSuchType]\r\n",
        errors);
    auto* page = pages.Page<CConfigInfo::InstallTypeDialogInfo>(5);
    ASSERT_NE(nullptr, page);
    ASSERT_EQ(2, page->GetInstallTypeCount());
    const InstallationType& typical = page->GetInstallationType(0);
    EXPECT_EQ(L"Typical", Text(typical.name));
    EXPECT_EQ(L"Typical", Text(typical.label));
    EXPECT_EQ(L"The most common parts.", Text(typical.text));
    EXPECT_EQ(237u, typical.icon.GetId());
    EXPECT_EQ(3, typical.level);
    EXPECT_FALSE(typical.custom);
    LinkedDistributionInfo* linked = pages.Config().GetLinkedDistributionInfo();
    ASSERT_EQ(2u, typical.linkedLevels.size());
    EXPECT_EQ(4, typical.linkedLevels.at(&linked->FindLinkedDistribution(L"Beta")));
    EXPECT_EQ(7, typical.linkedLevels.at(&linked->FindLinkedDistribution(L"alpha")));

    const InstallationType& full = page->GetInstallationType(1);
    EXPECT_EQ(L"Everything", Text(full.label));
    EXPECT_EQ(nullptr, full.icon.Get());
    EXPECT_EQ(1000, full.level);
    EXPECT_TRUE(full.custom);
    EXPECT_THROW(page->GetInstallationType(2), ObjectNotFound);
}

TEST(InstallationTypes, IconNamesAndAMissingLabel)
{
    struct Case {
        const char* icon;
        UINT id;
    };
    for (const Case& c : {Case{"Custom", 503}, Case{"TYPICAL", 237}, Case{"complete", 236}}) {
        PagesFixture pages;
        EXPECT_EQ(L"",
            pages.Populate(std::string(kNoLicences) + "[Installation Types]\r\nT\r\n[T]\r\nIcon=" + c.icon + "\r\n"));
        EXPECT_EQ(c.id, pages.Page<CConfigInfo::InstallTypeDialogInfo>(5)->GetInstallationType(0).icon.GetId());
        EXPECT_EQ(0, pages.Page<CConfigInfo::InstallTypeDialogInfo>(5)->GetInstallationType(0).level);
    }
    PagesFixture pages;
    pages.Configure(std::string(kNoLicences) + "[Installation Types]\r\nT\r\n[T]\r\nLabel=991\r\n");
    EXPECT_THROW(pages.Config().PopulateDialogInfo(), ResourceNotFound);
}

TEST(InstallationTypes, ALongListIsReadWhole)
{
    std::string list;
    std::string sections;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "InstallationType" + std::to_string(i);
        list += name + "\r\n";
        sections += "[" + name + "]\r\nLevel=" + std::to_string(i) + "\r\n";
    }
    PagesFixture pages;
    EXPECT_EQ(L"", pages.Populate(std::string(kNoLicences) + "[Installation Types]\r\n" + list + sections));
    auto* page = pages.Page<CConfigInfo::InstallTypeDialogInfo>(5);
    ASSERT_EQ(40, page->GetInstallTypeCount());
    EXPECT_EQ(39, page->GetInstallationType(39).level);
}

// --- Licence texts --------------------------------------------------------------------------

LANGID g_userLanguage = 1033;
LANGID WINAPI FakeUserLanguage()
{
    return g_userLanguage;
}

TEST(LicenceTexts, FirstPageFilesAndCaptionsPerLanguage)
{
    ScopedOverride<LANGID(WINAPI*)()> user(OrbelToolbox::g_getUserDefaultLangId, &FakeUserLanguage);
    PagesFixture pages;
    ASSERT_TRUE(testsupport::WriteFileBytes(pages.Dir().File(L"eula.rtf"), "{\\rtf1}"));
    const std::wstring errors = pages.Populate("[Dialogs]\r\nLicense2=0\r\n"
                                               "[Files]\r\nLicenseTextFile1033=Terms; eula.rtf\r\n"
                                               "licensetextfile1031=gone.rtf\r\n");
    EXPECT_EQ(L"1. Specified file not found: [Files] licensetextfile1031 = " + pages.Dir().File(L"gone.rtf") + L"\r\n",
        errors);
    auto* page = pages.Page<CConfigInfo::LicenseDialogInfo>(8);
    ASSERT_NE(nullptr, page);
    EXPECT_TRUE(page->IsFirstPage());
    ASSERT_EQ(1, page->GetTextFileCount());
    g_userLanguage = 1033;
    EXPECT_EQ(pages.Dir().File(L"eula.rtf"), Text(page->GetTextFile(0)));
    EXPECT_EQ(L"Terms", Text(page->GetTextFileLabel(0)));
    // The missing file's entry is kept.
    g_userLanguage = 3079;
    EXPECT_EQ(pages.Dir().File(L"gone.rtf"), Text(page->GetTextFile(0)));
    EXPECT_EQ(L"", Text(page->GetTextFileLabel(0)));
    EXPECT_THROW(page->GetTextFile(1), ObjectNotFound);
}

TEST(LicenceTexts, SecondPageCountsOnFromTwo)
{
    struct Case {
        const char* files;
        int texts;
        const wchar_t* errors;
    };
    const Case cases[] = {
        {"License2TextFile1033=a.rtf\r\nLicense3TextFile1033=b.rtf\r\nLicense5TextFile1033=c.rtf\r\n", 2, L""},
        {"License3TextFile1033=b.rtf\r\n", 0, L"1. Missing Key: [Files] License2TextFile\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.files);
        PagesFixture pages;
        for (const wchar_t* name : {L"a.rtf", L"b.rtf", L"c.rtf"})
            ASSERT_TRUE(testsupport::WriteFileBytes(pages.Dir().File(name), "{\\rtf1}"));
        EXPECT_EQ(c.errors, pages.Populate(std::string("[Dialogs]\r\nLicense=0\r\n[Files]\r\n") + c.files));
        auto* page = pages.Page<CConfigInfo::LicenseDialogInfo>(9);
        ASSERT_NE(nullptr, page);
        EXPECT_FALSE(page->IsFirstPage());
        EXPECT_EQ(c.texts, page->GetTextFileCount());
    }
}

}  // namespace
