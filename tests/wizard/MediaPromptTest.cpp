// The prompts for a further volume of the distribution and for a linked distribution's medium:
// their texts and proposed folders, and which folders hold the medium they expect, judged by the
// volume ID files written there.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "CStringText.h"
#include "ConfigInfo.h"
#include "DistributionInfo.h"
#include "LinkedCDPromptDlg.h"
#include "ServiceStandIns.h"
#include "SpannedCDPromptDlg.h"
#include "TestSupport.h"
#include "WizardServicesImpl.h"

using testsupport::Text;
using testsupport::WriteFileBytes;

namespace {

const char kGuid[] = "{6F1C1A52-1B47-4C8E-9D1E-2B0B5C7A4E10}";

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// A volume ID file's [Volume Id] section with those values.
std::string IdFile(const std::string& guid, const std::string& version, const std::string& volume)
{
    return "[Volume Id]\r\nExePath=\\setup.exe\r\nDistributionGUID=" + guid + "\r\nDistributionVersion=" + version
        + "\r\nVolume=" + volume + "\r\n";
}

class SpannedPromptTest : public ::testing::Test {
protected:
    SpannedPromptTest()
    {
        const std::string custom = Narrow(testsupport::ModuleDir() + L"\\wizard_custom.dll");
        WriteFileBytes(m_dir.File(L"post.exe"), "post");
        WriteFileBytes(m_dir.File(L"sysinfo.dll"), "sysinfo");
        // The volume ID file's name is the last part of IDPath.
        WriteFileBytes(m_dir.File(L"setup.ini"),
            "[Localization]\r\nLanguages=1033\r\nCustomRes1033=" + custom
                + "\r\n[Distribution]\r\nTitle=100\r\nGUID=" + kGuid
                + "\r\nVersion=1.2.3.4\r\nIDPath=ids\\disk.id\r\n"
                  "[Utilities]\r\nUpgradeManagerPostProcessor=post.exe\r\nZKSysInfo=sysinfo.dll\r\n");
        m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        m_config.LoadLanguageResource();
        CreateDirectoryW(m_dir.File(L"disk2").c_str(), nullptr);
    }
    ~SpannedPromptTest() override { m_config.FreeResourceModules(); }

    const CConfigInfo::DistributionInfo& Settings() { return *m_config.GetDistributionInfo(); }

    testsupport::CurrentFolderGuard m_currentFolder;
    testsupport::StandInServices m_services;
    testsupport::TempDir m_dir;
    CConfigInfo m_config;
};

}  // namespace

TEST_F(SpannedPromptTest, TextsOfTheVolumeAndTheProposedFolder)
{
    CSpannedCDPromptDlg unbound;
    EXPECT_EQ(testsupport::CurrentFolder(), Text(unbound.GetPath()));

    std::unique_ptr<IMediaPrompt> prompt(
        GetWizardServicesImpl().CreateSpannedPrompt(Settings(), 2, CString(m_dir.File(L"disk2").c_str())));
    auto& spanned = dynamic_cast<CSpannedCDPromptDlg&>(*prompt);
    EXPECT_EQ(L"Please insert the disk labeled Prompt Sample Disk 2.", Text(spanned.GetPrompt()));
    EXPECT_EQ(L"Insert Source", Text(spanned.GetCaption()));
    EXPECT_EQ(m_dir.File(L"disk2"), Text(prompt->GetPath()));
    EXPECT_EQ(2, spanned.GetVolume());
}

TEST_F(SpannedPromptTest, OnlyTheVolumeIdFileOfTheExpectedVolumeMatches)
{
    const struct {
        const char* name;
        std::string content;  // empty: no file
        bool matches;
    } cases[] = {
        {"the expected volume", IdFile(kGuid, "1.2.3.4", "2"), true},
        {"the GUID in another case", IdFile("{6f1c1a52-1b47-4c8e-9d1e-2b0b5c7a4e10}", "1.2.3.4", "2"), true},
        {"another volume", IdFile(kGuid, "1.2.3.4", "3"), false},
        {"another distribution", IdFile("{6F1C1A52-1B47-4C8E-9D1E-2B0B5C7A4E11}", "1.2.3.4", "2"), false},
        {"another version", IdFile(kGuid, "1.2.3.5", "2"), false},
        {"a file without the GUID", "[Volume Id]\r\nDistributionVersion=1.2.3.4\r\nVolume=2\r\n", false},
        {"no file", "", false},
    };
    for (const auto& c : cases) {
        const std::wstring file = m_dir.File(L"disk2\\disk.id");
        DeleteFileW(file.c_str());
        if (!c.content.empty())
            WriteFileBytes(file, c.content);
        CSpannedCDPromptDlg prompt;
        prompt.SetVolume(Settings(), 2, CString(m_dir.File(L"disk2").c_str()));
        EXPECT_EQ(c.matches, prompt.IsMediaPresent()) << c.name;
        EXPECT_EQ(
            c.matches ? L"" : L"The specified folder does not contain the correct volume.", Text(prompt.GetError()))
            << c.name;
        // A folder given with its trailing backslash is the same folder.
        EXPECT_EQ(c.matches, prompt.ValidatePath(CString((m_dir.File(L"disk2") + L"\\").c_str()))) << c.name;
    }
}

namespace {

class LinkedPromptTest : public ::testing::Test {
protected:
    LinkedPromptTest()
    {
        CreateDirectoryW(m_dir.File(L"disk1").c_str(), nullptr);
        CreateDirectoryW(m_dir.File(L"Extras").c_str(), nullptr);
        CreateDirectoryW(m_dir.File(L"Extras\\ids").c_str(), nullptr);
        m_linked.m_strTitle = L"Extras";
        m_linked.m_strGuid = L"{6F1C1A52-1B47-4C8E-9D1E-2B0B5C7A4E10}";
        m_linked.m_strCdPrompt = L"Please insert the Extras disc.";
        m_linked.m_strIdFile = L"ids\\extras.id";
        m_linked.m_strVolumeFolder = L"..\\Extras";
    }

    testsupport::CurrentFolderGuard m_currentFolder;
    testsupport::TempDir m_dir;
    CLinkedDistribution m_linked;
};

}  // namespace

TEST_F(LinkedPromptTest, ProposesTheVolumeFolderBesideTheRootWithoutChangingTheCurrentFolder)
{
    const std::wstring current = testsupport::CurrentFolder();
    CLinkedCDPromptDlg prompt;
    prompt.SetLinkedDistribution(m_linked, CString((m_dir.File(L"disk1") + L"\\").c_str()));
    EXPECT_EQ(L"Please insert the Extras disc.", Text(prompt.GetPrompt()));
    EXPECT_EQ(L"Insert Source", Text(prompt.GetCaption()));
    EXPECT_EQ(m_dir.File(L"Extras"), Text(prompt.GetPath()));
    EXPECT_EQ(current, testsupport::CurrentFolder());

    // Without a volume folder the linked distribution is looked for in the root itself.
    m_linked.m_strVolumeFolder.Empty();
    prompt.SetLinkedDistribution(m_linked, CString(m_dir.File(L"disk1").c_str()));
    EXPECT_EQ(m_dir.File(L"disk1"), Text(prompt.GetPath()));
}

TEST_F(LinkedPromptTest, OnlyAnIdFileWithItsProgramAndTheLinkedGuidMatches)
{
    const std::string withExe = "[Volume Id]\r\nExePath=\\setup.exe\r\nDistributionVersion=9.9\r\nVolume=7\r\n";
    const struct {
        const char* name;
        std::string content;  // empty: no file
        const wchar_t* folder;  // null: the linked distribution's folder
        bool bound;
        bool matches;
    } cases[] = {
        {"the linked GUID, any version and volume", withExe + "DistributionGUID=" + kGuid + "\r\n", nullptr, true,
            true},
        {"the GUID in another case",
            withExe + "DistributionGUID={6f1c1a52-1b47-4c8e-9d1e-2b0b5c7a4e10}\r\n", nullptr, true, true},
        {"another GUID", withExe + "DistributionGUID={6F1C1A52-1B47-4C8E-9D1E-2B0B5C7A4E11}\r\n", nullptr, true,
            false},
        {"no ExePath", std::string("[Volume Id]\r\nDistributionGUID=") + kGuid + "\r\n", nullptr, true, false},
        {"no file", "", nullptr, true, false},
        {"an empty folder text", withExe + "DistributionGUID=" + kGuid + "\r\n", L"", true, false},
        {"no linked distribution bound", withExe + "DistributionGUID=" + kGuid + "\r\n", nullptr, false, false},
    };
    for (const auto& c : cases) {
        const std::wstring file = m_dir.File(L"Extras\\ids\\extras.id");
        DeleteFileW(file.c_str());
        if (!c.content.empty())
            WriteFileBytes(file, c.content);
        CLinkedCDPromptDlg prompt;
        if (c.bound)
            prompt.SetLinkedDistribution(m_linked, CString(m_dir.File(L"disk1").c_str()));
        const CString folder = c.folder ? CString(c.folder) : CString(m_dir.File(L"Extras").c_str());
        EXPECT_EQ(c.matches, prompt.ValidatePath(folder)) << c.name;
        EXPECT_EQ(
            c.matches ? L"" : L"The specified folder does not contain the correct volume.", Text(prompt.GetError()))
            << c.name;
        if (c.bound && !c.folder) {
            EXPECT_EQ(c.matches, prompt.IsMediaPresent()) << c.name;
        }
    }
}
