// The distribution settings: the choice of the user-interface language, the language resource
// modules and the sections read with them, against small INI folders and resource-only modules.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CStringText.h"
#include "ConfigInfo.h"
#include "DistributionInfo.h"
#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "LanguageHelpers.h"
#include "Resources.h"
#include "ScopedOverride.h"
#include "ServiceStandIns.h"
#include "SystemErrorClasses.h"
#include "TestSupport.h"

using testsupport::DistributionIni;
using testsupport::ModuleDir;
using testsupport::TempDir;
using testsupport::Text;
using testsupport::WriteFileBytes;
using DistributionInfo = CConfigInfo::DistributionInfo;

namespace {

LANGID g_userLanguage = 1033;
LANGID WINAPI FakeUserLanguage()
{
    return g_userLanguage;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::wstring ModulePath(const wchar_t* name)
{
    return ModuleDir() + L"\\" + name + L".dll";
}
const std::string kEnu = Narrow(ModulePath(L"config_test_custom_enu"));
const std::string kDeu = Narrow(ModulePath(L"config_test_custom_deu"));
const std::string kStandardDeu = Narrow(ModulePath(L"config_test_standard_deu"));

// English and German, each with its custom module, and German's standard module.
const std::string kTwoLanguages = "Languages=1033,1031\r\nCustomRes1033=" + kEnu + "\r\nCustomRes1031=" + kDeu
    + "\r\nStandardRes1031=" + kStandardDeu + "\r\n";

std::wstring ProgramString(UINT id)
{
    return LoadResourceString(id).GetString();
}

class DistributionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_userLanguage = 1033;
        m_dir.reset(new TempDir);
        WriteFileBytes(m_dir->File(L"post.exe"), "post");
        WriteFileBytes(m_dir->File(L"sysinfo.dll"), "sysinfo");
        m_folder = m_dir->Path() + L"\\";
    }

    void TearDown() override { ResetConfig(); }

    void ResetConfig()
    {
        if (m_config) {
            m_config->FreeResourceModules();
            m_config.reset();
        }
    }

    // Runs the language step on `ini` with a fresh configuration; returns the numbered list of
    // IniFileErrors, empty when the step succeeded.
    std::wstring Load(const std::string& ini)
    {
        ResetConfig();
        m_config.reset(new CConfigInfo);
        EXPECT_TRUE(WriteFileBytes(m_dir->File(L"setup.ini"), ini));
        m_config->SetIniFile(m_dir->Path().c_str(), L"setup.ini");
        try {
            m_config->LoadLanguageResource();
        } catch (const IniFileErrors& e) {
            std::wostringstream out;
            out << e.Argument<1>();
            return out.str();
        }
        return L"";
    }

    DistributionInfo& Info() { return *m_config->GetDistributionInfo(); }

    testsupport::StandInServices m_services;
    std::unique_ptr<TempDir> m_dir;
    std::wstring m_folder;  // the configuration folder, ending in '\'
    std::unique_ptr<CConfigInfo> m_config;

private:
    testsupport::CurrentFolderGuard m_currentFolder;
    ScopedOverride<decltype(OrbelToolbox::g_getUserDefaultLangId)> m_userLanguage{
        OrbelToolbox::g_getUserDefaultLangId, &FakeUserLanguage};
};

// --- The user-interface language ------------------------------------------------------------

struct LanguageCase {
    std::vector<LANGID> languages;
    LANGID wanted;
    LANGID chosen;
    bool exact;
};

TEST(ChooseUiLanguage, PrefersTheLanguageThenItsFamilyWithItsCodePageThenTheFirstListed)
{
    // One primary language, two code pages: Azerbaijani in Latin (1254) and Cyrillic (1251)
    // script; Chinese of Taiwan and Hong Kong (950) and of the mainland (936).
    ASSERT_EQ(1254u, OrbelToolbox::GetAnsiCodePage(static_cast<LANGID>(0x042C)));
    ASSERT_EQ(1251u, OrbelToolbox::GetAnsiCodePage(static_cast<LANGID>(0x082C)));
    ASSERT_EQ(950u, OrbelToolbox::GetAnsiCodePage(static_cast<LANGID>(0x0C04)));
    ASSERT_EQ(950u, OrbelToolbox::GetAnsiCodePage(static_cast<LANGID>(0x0404)));
    ASSERT_EQ(936u, OrbelToolbox::GetAnsiCodePage(static_cast<LANGID>(0x0804)));
    const LanguageCase cases[] = {
        {{1033, 1031}, 1031, 1031, true},
        {{1033, 1031}, 3079, 1031, false},          // German (Austria): same family and code page
        {{1033, 1031}, 1041, 1033, false},          // Japanese: the first listed
        {{1031, 7}, 2055, 7, false},                // the primary-only entry beats 1031
        {{7, 1031}, 1031, 1031, true},              // the exact language beats the primary-only one
        {{1031, 3079}, 2055, 1031, false},          // the first entry of the family
        {{0x0804, 0x0404}, 0x0C04, 0x0404, false},  // the family's entry with another code page loses
        {{1033, 0x042C}, 0x082C, 1033, false},      // ... even to the first listed
        {{0x042C, 1033}, 0x082C, 0x042C, false},    // ... unless it is the first listed
        {{1041, 1036}, 1033, 1041, false},
        {{}, 1033, 0, false},
    };
    for (const LanguageCase& c : cases) {
        bool exact = !c.exact;
        EXPECT_EQ(c.chosen, DistributionInfo::ChooseUiLanguage(c.languages, c.wanted, &exact))
            << "wanted " << c.wanted << ", first listed " << (c.languages.empty() ? 0 : c.languages[0]);
        EXPECT_EQ(c.exact, exact) << "wanted " << c.wanted;
    }
}

TEST_F(DistributionTest, TheUsersLanguageChoosesTheModulesAndTheStandardModuleServesTheProgramsTexts)
{
    const std::wstring programError = ProgramString(5002);
    ASSERT_EQ(L"Error", programError);
    g_userLanguage = 1031;
    ASSERT_EQ(L"", Load(DistributionIni(kTwoLanguages)));

    EXPECT_TRUE(m_config->IsLanguageResourceLoaded());
    EXPECT_EQ(1031, Info().GetUiLanguage());
    EXPECT_FALSE(Info().IsLanguageForced());
    ASSERT_EQ(2u, Info().GetLanguageCount());
    EXPECT_EQ(1033, Info().GetLanguageId(0));
    EXPECT_EQ(1031, Info().GetLanguageId(1));
    // The custom module of the language names the title.
    EXPECT_EQ(GetModuleHandleW(ModulePath(L"config_test_custom_deu").c_str()), Info().GetCustomResourceModule());
    EXPECT_EQ(L"Beispielprodukt", Text(Info().GetTitle()));
    // The standard module is the program's resource module: its texts win.
    HMODULE standard = GetModuleHandleW(ModulePath(L"config_test_standard_deu").c_str());
    ASSERT_NE(nullptr, standard);
    EXPECT_EQ(standard, Info().GetStandardResourceModule());
    EXPECT_EQ(standard, AfxGetResourceHandle());
    EXPECT_EQ(L"Fehler", ProgramString(5002));
    EXPECT_EQ(L"Bitte [DiskLabel] einlegen.", Text(Info().GetDiskPrompt()));
    CString prompt;
    Info().FormatDiskPrompt(prompt, 2);
    EXPECT_EQ(L"Bitte Beispielprodukt Diskette 2 einlegen.", Text(prompt));

    // The other settings and their defaults.
    EXPECT_EQ(0x0001000200030004ull, Info().GetVersion());
    EXPECT_EQ(L"zkdist.id", Text(Info().GetIdFilePath()));
    EXPECT_EQ(L"", Text(Info().GetPackageGuid()));
    EXPECT_EQ(DistributionInfo::RebootNormal, Info().GetRebootMode());
    EXPECT_FALSE(Info().IsBeta());
    EXPECT_FALSE(Info().HasX64Part());
    EXPECT_EQ(10, Info().GetDefaultInstallLevel());
    EXPECT_EQ(m_folder + L"post.exe", Text(Info().GetPostProcessorPath()));
    EXPECT_EQ(m_folder + L"sysinfo.dll", Text(Info().GetSysInfoPath()));

    // At exit the program's own resources serve again and both modules are gone.
    m_config->FreeResourceModules();
    EXPECT_EQ(AfxGetInstanceHandle(), AfxGetResourceHandle());
    EXPECT_EQ(programError, ProgramString(5002));
    EXPECT_EQ(nullptr, GetModuleHandleW(ModulePath(L"config_test_standard_deu").c_str()));
    EXPECT_EQ(nullptr, GetModuleHandleW(ModulePath(L"config_test_custom_deu").c_str()));
}

TEST_F(DistributionTest, AForcedLanguageMustBeListed)
{
    struct Case {
        std::string forceLine;
        LANGID commandLineLanguage;
        std::string languages;
        LANGID chosen;
        const wchar_t* errors;
    };
    const Case cases[] = {
        {"ForceLanguage=1036\r\n", 0, "1033,1031", 1033, L"1. Bad Value: [Localization] ForceLanguage\r\n"},
        {"ForceLanguage=1031\r\n", 0, "1033,1031", 1031, L""},
        // /lang without any ForceLanguage key.
        {"", 7, "1031", 1031, L"1. Bad Value: [Localization] ForceLanguage\r\n"},
        {"", 1031, "1033,1031", 1031, L""},
        // ForceLanguage wins over /lang.
        {"ForceLanguage=1033\r\n", 1031, "1033,1031", 1033, L""},
    };
    // The application's locale follows the user's language, the dialog font the chosen one.
    g_userLanguage = 1036;
    for (const Case& c : cases) {
        m_services.app.SetRequestedLanguage(c.commandLineLanguage);
        const std::string localization = "Languages=" + c.languages + "\r\n" + c.forceLine + "CustomRes1033=" + kEnu
            + "\r\nCustomRes1031=" + kDeu + "\r\nStandardRes1031=" + kStandardDeu + "\r\n";
        EXPECT_EQ(c.errors, Load(DistributionIni(localization))) << c.forceLine << " /lang " << c.commandLineLanguage;
        EXPECT_EQ(c.chosen, Info().GetUiLanguage()) << c.forceLine << " /lang " << c.commandLineLanguage;
        EXPECT_TRUE(Info().IsLanguageForced());
        ASSERT_FALSE(m_services.app.UiLanguages().empty());
        EXPECT_EQ(1036, m_services.app.UiLanguages().back());
        ASSERT_FALSE(m_services.app.DialogFonts().empty());
        EXPECT_EQ(c.chosen, m_services.app.DialogFonts().back());
    }
}

TEST_F(DistributionTest, BadEntriesOfEverySectionAreReportedTogether)
{
    const std::string ini
        = "[Localization]\r\nLanguages=1033, 1031 ,2057\r\nForceLanguage=1036\r\nCustomRes1033=" + kEnu
        + "\r\n"
          "[Settings]\r\nReboot=Later\r\n"
          "[Distribution]\r\nTitle=100\r\n"
          "[Disk Labels]\r\nTwo=x\r\n0=y\r\n1=ok\r\n"
          "[Volume Labels]\r\nData=z\r\n"
          "[Utilities]\r\nUpgradeManagerPostProcessor=tools\\missing.exe\r\nZKSysInfo=missing.dll\r\n";
    const std::wstring expected
        = L"1. Bad Value: [Localization] ForceLanguage\r\n"
          L"2. Missing Key: [Localization] CustomRes1031\r\n"
          L"3. Missing Key: [Localization] CustomRes2057\r\n"
          L"4. Missing Key: [Localization] StandardRes1031\r\n"
          L"5. Bad Key: [Settings] Reboot = Later\r\n"
          L"6. Missing Key: [Distribution] GUID\r\n"
          L"7. Missing Key: [Distribution] Version\r\n"
          L"8. Bad Key: [Disk Labels] 0\r\n"
          L"9. Bad Key: [Disk Labels] Two\r\n"
          L"10. Bad Key: [Volume Labels] Data\r\n"
          L"11. Specified file not found: [Utilities] UpgradeManagerPostProcessor = tools\\missing.exe\r\n"
          L"12. Specified file not found: [Utilities] ZKSysInfo = "
        + m_folder + L"missing.dll\r\n";
    EXPECT_EQ(expected, Load(ini));
    // The step counts as done and its record holds what could be read.
    EXPECT_TRUE(m_config->IsLanguageResourceLoaded());
    EXPECT_EQ(1033, Info().GetUiLanguage());
    EXPECT_EQ(L"Sample Product", Text(Info().GetTitle()));
    EXPECT_EQ(DistributionInfo::RebootNormal, Info().GetRebootMode());
    EXPECT_EQ(1u, Info().GetDiskLabels().size());
}

TEST_F(DistributionTest, WithoutCustomResKeysNothingIsLoadedAndTheMissingKeysAreReported)
{
    const std::string localization = "Languages=1033,1031\r\nStandardRes1031=" + kStandardDeu + "\r\n";
    EXPECT_EQ(L"1. Missing Key: [Localization] CustomRes1033\r\n"
              L"2. Missing Key: [Localization] CustomRes1031\r\n",
        Load(DistributionIni(localization, "[Disk Labels]\r\nPrompt=5\r\n")));
    EXPECT_EQ(nullptr, Info().GetCustomResourceModule());
    EXPECT_EQ(L"", Text(Info().GetCustomResourcePath()));
    // Texts that would name strings of the module stay as written.
    EXPECT_EQ(L"100", Text(Info().GetTitle()));
    EXPECT_EQ(L"5", Text(Info().GetDiskPrompt()));
}

TEST_F(DistributionTest, NoLanguagesListed)
{
    const std::string localization = "CustomRes1033=" + kEnu + "\r\n";
    EXPECT_EQ(L"1. Missing Key: [Localization] Languages\r\n", Load(DistributionIni(localization)));
    EXPECT_EQ(0, Info().GetUiLanguage());
    EXPECT_EQ(0u, Info().GetLanguageCount());
}

TEST_F(DistributionTest, RelativeModulePathsLieBelowTheConfigurationFolder)
{
    ASSERT_TRUE(CreateDirectoryW(m_dir->File(L"res").c_str(), nullptr));
    ASSERT_TRUE(
        CopyFileW(ModulePath(L"config_test_custom_deu").c_str(), m_dir->File(L"res\\custom.dll").c_str(), FALSE));
    const std::wstring expectedPath = m_folder + L"res\\custom.dll";
    const std::string values[] = {"res\\custom.dll", "\\res\\custom.dll", Narrow(expectedPath)};
    for (const std::string& value : values) {
        EXPECT_EQ(L"", Load(DistributionIni("Languages=1033\r\nCustomRes1033=" + value + "\r\n"))) << value;
        EXPECT_EQ(expectedPath, Text(Info().GetCustomResourcePath())) << value;
        EXPECT_EQ(L"Beispielprodukt", Text(Info().GetTitle())) << value;
    }
}

TEST_F(DistributionTest, OfTwoKeysForOneLanguageTheFirstInKeyOrderWins)
{
    g_userLanguage = 1031;
    // CustomRes01031 sorts before CustomRes1031; StandardRes1033 never replaces the built-in
    // entry, so English keeps the program's own resources.
    const std::string localization = "Languages=1033,1031,2057\r\nCustomRes1031=" + kEnu + "\r\nCustomRes01031=" + kDeu
        + "\r\nCustomRes1033=" + kEnu + "\r\nCustomRes2057=" + kEnu + "\r\nStandardRes1031=" + kStandardDeu
        + "\r\nStandardRes1033=" + kStandardDeu + "\r\n";
    EXPECT_EQ(L"", Load(DistributionIni(localization)));
    EXPECT_EQ(L"Beispielprodukt", Text(Info().GetTitle()));

    g_userLanguage = 1033;
    EXPECT_EQ(L"", Load(DistributionIni(localization)));
    EXPECT_EQ(1033, Info().GetUiLanguage());
    EXPECT_EQ(L"Sample Product", Text(Info().GetTitle()));
    EXPECT_EQ(GetModuleHandleW(nullptr), Info().GetStandardResourceModule());
    EXPECT_EQ(AfxGetInstanceHandle(), AfxGetResourceHandle());
    EXPECT_EQ(L"", Text(Info().GetStandardResourcePath()));
}

TEST_F(DistributionTest, AModuleThatCannotBeLoadedEndsTheStep)
{
    try {
        Load(DistributionIni("Languages=1033\r\nCustomRes1033=nothere.dll\r\n"));
        FAIL() << "no error";
    } catch (const InvalidResourceModule& e) {
        EXPECT_EQ(m_folder + L"nothere.dll", Text(e.Argument<1>()));
        EXPECT_EQ(0u, std::wstring(e.GetDebugMessage()).find(L"Unable to load " + m_folder + L"nothere.dll because "))
            << e.GetDebugMessage();
    }
    EXPECT_FALSE(m_config->IsLanguageResourceLoaded());
}

TEST_F(DistributionTest, ModulesAndThePostProcessorOnACdRomAreUsedFromTemporaryCopies)
{
    m_services.app.SetOnRemovableMedia(true);
    const size_t copiesBefore = m_services.app.Copies().size();
    const std::wstring errors = Load(DistributionIni("Languages=1033\r\nCustomRes1033=" + kEnu + "\r\n"));
    m_services.app.SetOnRemovableMedia(false);

    EXPECT_EQ(L"", errors);
    const std::wstring temp = m_services.app.CopyFolder();
    const std::wstring custom = Text(Info().GetCustomResourcePath());
    EXPECT_EQ(0u, custom.find(temp)) << custom;
    EXPECT_NE(nullptr, GetModuleHandleW(custom.c_str()));
    EXPECT_EQ(L"Sample Product", Text(Info().GetTitle()));
    const std::wstring postProcessor = Text(Info().GetPostProcessorPath());
    EXPECT_EQ(0u, postProcessor.find(temp)) << postProcessor;
    EXPECT_EQ("post", testsupport::ReadFileBytes(postProcessor));
    // The system-information component is loaded from where it lies.
    EXPECT_EQ(m_folder + L"sysinfo.dll", Text(Info().GetSysInfoPath()));
    EXPECT_EQ(copiesBefore + 2, m_services.app.Copies().size());
}

// --- The other sections ---------------------------------------------------------------------

TEST_F(DistributionTest, RebootModes)
{
    struct Case {
        std::string settings;
        int mode;
        const wchar_t* errors;
    };
    const Case cases[] = {
        {"", 0, L""},
        {"[Settings]\r\nReboot=suppress\r\n", 1, L""},
        {"[Settings]\r\nReboot=FORCE\r\n", 2, L""},
        {"[Settings]\r\nReboot=Normal\r\n", 0, L""},
        {"[Settings]\r\nReboot=Later\r\n", 0, L"1. Bad Key: [Settings] Reboot = Later\r\n"},
        {"[Settings]\r\nReboot=\r\n", 0, L"1. Bad Key: [Settings] Reboot\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.errors, Load(DistributionIni("Languages=1033\r\nCustomRes1033=" + kEnu + "\r\n", c.settings)))
            << c.settings;
        EXPECT_EQ(c.mode, Info().GetRebootMode()) << c.settings;
    }
}

TEST_F(DistributionTest, DistributionValuesAndTheRootOfTheIdFile)
{
    const std::string more = "[Settings]\r\nIsBeta=1\r\n"
                             "[InstallLevels]\r\nDefault=5\r\n";
    const std::string ini = "[Localization]\r\nLanguages=1033\r\nCustomRes1033=" + kEnu
        + "\r\n[Distribution]\r\nTitle=100\r\nGUID={G}\r\nPackageGUID={P}\r\nVersion=2.5\r\n"
          "IDPath=sub\\my.id\r\nHas64bitPart=1\r\n"
          "[Utilities]\r\nUpgradeManagerPostProcessor="
        + Narrow(m_folder) + "post.exe\r\nZKSysInfo=sysinfo.dll\r\n" + more;
    ASSERT_EQ(L"", Load(ini));
    EXPECT_EQ(L"{G}", Text(Info().GetDistributionGuid()));
    EXPECT_EQ(L"{P}", Text(Info().GetPackageGuid()));
    EXPECT_EQ(0x0002000500000000ull, Info().GetVersion());
    EXPECT_TRUE(Info().IsBeta());
    EXPECT_TRUE(Info().HasX64Part());
    EXPECT_EQ(5, Info().GetDefaultInstallLevel());
    EXPECT_EQ(m_folder + L"post.exe", Text(Info().GetPostProcessorPath()));
    CString root;
    Info().GetDistributionRoot(root, nullptr);
    EXPECT_EQ(m_folder + L"sub\\", Text(root));
    const std::wstring media = m_dir->File(L"media");
    ASSERT_TRUE(CreateDirectoryW(media.c_str(), nullptr));
    Info().GetDistributionRoot(root, media.c_str());
    EXPECT_EQ(media + L"\\sub\\", Text(root));
}

TEST_F(DistributionTest, ATitleWithoutDigitsNamesStringZeroOfTheCustomModule)
{
    const std::string ini
        = "[Localization]\r\nLanguages=1033\r\nCustomRes1033=" + kEnu + "\r\n[Distribution]\r\nTitle=Product\r\n";
    try {
        Load(ini);
        FAIL() << "no error";
    } catch (const ResourceNotFound& e) {
        EXPECT_EQ(0u, reinterpret_cast<UINT_PTR>(e.Argument<3>().Get()));
        EXPECT_NE(std::wstring::npos, std::wstring(e.GetDebugMessage()).find(L"From [Distribution] Title"))
            << e.GetDebugMessage();
    }
}

TEST_F(DistributionTest, DiskAndVolumeLabels)
{
    const std::string more
        = "[Disk Labels]\r\nPrompt=5\r\nDefault=Disk [DiskNumber] of [Title]\r\n01=101\r\n1=ignored\r\n3=Third\r\n"
          "[Volume Labels]\r\n02=102\r\n2=ignored\r\n7=Seven\r\n";
    ASSERT_EQ(L"", Load(DistributionIni("Languages=1033\r\nCustomRes1033=" + kEnu + "\r\n", more)));
    struct Case {
        int disk;
        const wchar_t* prompt;
    };
    const Case cases[] = {
        {1, L"Insert Sample Product installation disk 1 for Sample Product."},
        {3, L"Insert Third for Sample Product."},
        {4, L"Insert Disk 4 of Sample Product for Sample Product."},
    };
    for (const Case& c : cases) {
        CString prompt;
        Info().FormatDiskPrompt(prompt, c.disk);
        EXPECT_EQ(c.prompt, Text(prompt));
    }
    CString label;
    ASSERT_TRUE(Info().GetVolumeLabel(2, label));
    EXPECT_EQ(L"Data volume", Text(label));
    ASSERT_TRUE(Info().GetVolumeLabel(7, label));
    EXPECT_EQ(L"Seven", Text(label));
    EXPECT_FALSE(Info().GetVolumeLabel(1, label));
}

TEST_F(DistributionTest, OperatingSystemBoundsAndMessage)
{
    const std::string localization = "Languages=1033\r\nCustomRes1033=" + kEnu + "\r\n";
    CString minimum, maximum, message;

    ASSERT_EQ(L"", Load(DistributionIni(localization)));
    Info().GetOSVersionBounds(false, minimum, maximum);
    EXPECT_EQ(L"0,0,0", Text(minimum));
    EXPECT_EQ(L"", Text(maximum));
    Info().GetOSVersionBounds(true, minimum, maximum);
    EXPECT_EQ(L"0,0,0,0,0", Text(minimum));
    EXPECT_EQ(L"", Text(maximum));

    ASSERT_EQ(L"", Load(DistributionIni(localization, "[OS]\r\nOSErrorMessage=7\r\n")));
    Info().GetOSVersionBounds(true, minimum, maximum);
    EXPECT_EQ(L"", Text(minimum));
    Info().GetOSVersionBounds(false, minimum, maximum);
    EXPECT_EQ(L"", Text(minimum));
    Info().GetOSErrorMessage(message);
    EXPECT_EQ(L"This product needs a newer system.", Text(message));

    ASSERT_EQ(L"",
        Load(DistributionIni(localization, "[OS]\r\nVersion9XMin=4,10\r\nVersionNTMin=5,1\r\nVersionNTMax=6,1\r\n")));
    Info().GetOSVersionBounds(true, minimum, maximum);
    EXPECT_EQ(L"5,1", Text(minimum));
    EXPECT_EQ(L"6,1", Text(maximum));
    Info().GetOSVersionBounds(false, minimum, maximum);
    EXPECT_EQ(L"4,10", Text(minimum));
    EXPECT_EQ(L"", Text(maximum));
}

TEST_F(DistributionTest, FreeingBeforeTheLanguageStepDoesNothing)
{
    CConfigInfo config;
    config.FreeResourceModules();
    EXPECT_EQ(nullptr, config.GetDistributionInfo());
}

}  // namespace
