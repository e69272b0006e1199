// The installation-type and destination-directory pages' work on a real distribution model (the
// sample of the distribution tests): the target path read and refused for a directory the
// package lacks, a row's folder checked and set as the target path, the install level set and
// applied again.
#include <gtest/gtest.h>

#include <windows.h>

#include "InstallationTypeDialog.h"
#include "MsiInstallerError.h"
#include "SampleModelFixture.h"
#include "SingleDirectoryDialog.h"
#include "WizardDistribution.h"

using namespace modeltest;

namespace {

// The pages' work on the distribution, reached without their windows.
class CDirectoryPageWork : public CSingleDirectoryDialog {
public:
    CDirectoryPageWork() : CSingleDirectoryDialog(kSingleDirectoryDialog, nullptr) { }
    using CSingleDirectoryDialog::GetTargetPath;
    using CSingleDirectoryDialog::ReapplyInstallLevel;
    using CSingleDirectoryDialog::ValidateRow;
};

class CTypePageWork : public CInstallationTypeDialog {
public:
    CTypePageWork() : CInstallationTypeDialog(kInstallationTypeDialog, nullptr) { }
    using CInstallationTypeDialog::ComputeDiskCost;
    using CInstallationTypeDialog::SetInstallLevel;
};

class InstallPagesModelTest : public wizardtest::SampleModelTest {
protected:
    InstallPagesModelTest()
    {
        MessageBoxRecorder::texts.clear();
        LoadConfig();
        m_app.configInfo = &m_config;
        m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        RunCosting(*m_model.GetSession());
        m_savedModel = SetWizardDistribution(&m_model);
    }
    ~InstallPagesModelTest() override
    {
        SetWizardDistribution(m_savedModel);
    }

    MessageBoxRecorder m_boxes;
    CDistribution* m_savedModel = nullptr;
};

}  // namespace

TEST_F(InstallPagesModelTest, DirectoryRowsReadCheckAndSetTheTargetPaths)
{
    CDirectoryPageWork page;
    CString expected;
    m_model.GetTargetPath(L"INSTALLDIR", expected);
    EXPECT_STREQ(page.GetTargetPath(L"INSTALLDIR"), expected);
    EXPECT_THROW(page.GetTargetPath(L"NOSUCHDIR"), MsiInstallerError);

    CString programFiles;
    m_model.GetProperty(L"ProgramFilesFolder", programFiles);
    const CString allowed = programFiles + L"Velmo\\Chosen\\";
    CSingleDirectoryDialog::DirectoryRow row;
    row.property = L"INSTALLDIR";
    row.edit.CreateEx(0, L"EDIT", L"", WS_POPUP | ES_AUTOHSCROLL, RECT{0, 0, 300, 24}, nullptr, 0);
    // Refused by the package's restriction (the reset question answered No): nothing is set.
    row.edit.SetPath(L"C:\\Elsewhere\\");
    EXPECT_FALSE(page.ValidateRow(row, expected, L"Setup"));
    EXPECT_EQ(MessageBoxRecorder::texts.size(), 1u);
    CString now;
    m_model.GetTargetPath(L"INSTALLDIR", now);
    EXPECT_STREQ(now, expected);
    // Accepted: the folder becomes the target path.
    row.edit.SetPath(allowed);
    EXPECT_TRUE(page.ValidateRow(row, expected, L"Setup"));
    m_model.GetTargetPath(L"INSTALLDIR", now);
    EXPECT_STREQ(now, allowed);
    EXPECT_EQ(MessageBoxRecorder::texts.size(), 1u);
}

TEST_F(InstallPagesModelTest, TheTypeSetsTheLevelWhichTheDirectoryPageAppliesAgain)
{
    CTypePageWork types;
    types.SetInstallLevel(5);
    EXPECT_EQ(m_model.GetInstallLevel(), 5);
    CString level;
    m_model.GetProperty(L"INSTALLLEVEL", level);
    EXPECT_STREQ(level, L"5");
    VolumeCostSet volumes;
    EXPECT_EQ(types.ComputeDiskCost(), m_model.ComputeDiskCost(volumes));

    CDirectoryPageWork directories;
    directories.ReapplyInstallLevel();
    EXPECT_EQ(m_model.GetInstallLevel(), 5);
}
