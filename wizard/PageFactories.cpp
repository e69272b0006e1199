// The global page factories: each registers its page in the page registry before the
// program's main function runs (the registry is created by the first of them).
#include "ConfirmStartDialog.h"
#include "EndDialog.h"
#include "EndExecuteDialog.h"
#include "FeatureInfoDialog.h"
#include "InstallationTypeDialog.h"
#include "LicenseDialog.h"
#include "ProgressDialog.h"
#include "SingleDirectoryDialog.h"
#include "UserInfoDialog.h"
#include "VelmoInstallerDlg.h"
#include "WelcomeDialog.h"

// The registry lives beside the factories that fill it, so that every program that uses the
// registry also gets every page.
CNestedInstallerDialog::DialogInfoMap* CNestedInstallerDialog::M_DialogInfoMap = nullptr;

CNestedInstallerDialogFactory<DialogState::ConfirmStart, CConfirmStartDialog> g_confirmStartDialogFactory(
    DialogMode::FullOrLinkedCustomPage, L"ConfirmStart", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<DialogState::End, CEndDialog> g_endDialogFactory(
    DialogMode::EndPage, L"End", new CConfigInfo::EndDialogInfoFactory);
CNestedInstallerDialogFactory<DialogState::EndExecute, CEndExecuteDialog> g_endExecuteDialogFactory(
    DialogMode::EndPage, L"EndExecute", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<DialogState::FeatureInfo1, CFeatureInfoDialog> g_featureInfo1DialogFactory(
    DialogMode::FullWizardPage, L"FeatureInfo1", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<DialogState::FeatureInfo, CFeatureInfoDialog> g_featureInfoDialogFactory(
    DialogMode::FullOrLinkedCustomPage, L"FeatureInfo", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<DialogState::InstallationType, CInstallationTypeDialog> g_installationTypeDialogFactory(
    DialogMode::FullWizardPage, L"InstallationType", new CConfigInfo::InstallTypeDialogInfoFactory);
CNestedInstallerDialogFactory<DialogState::License, CLicenseDialog> g_licenseDialogFactory(
    DialogMode::FullWizardPage, L"License", new CConfigInfo::LicenseDialogInfoFactory);
CNestedInstallerDialogFactory<DialogState::License2, CLicenseDialog> g_license2DialogFactory(
    DialogMode::FullOrLinkedCustomPage, L"License2", new CConfigInfo::LicenseDialogInfoFactory);
CNestedInstallerDialogFactory<DialogState::Progress, CProgressDialog> g_progressDialogFactory(
    DialogMode::ProgressPage, L"Progress", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<DialogState::SingleDirectory, CSingleDirectoryDialog> g_singleDirectoryDialogFactory(
    DialogMode::FullWizardPage, L"SingleDirectory", new CConfigInfo::SingleDirectoryDialogInfoFactory);
CNestedInstallerDialogFactory<DialogState::FeatureTree, CVelmoInstallerDlg> g_featureTreeDialogFactory(
    DialogMode::FullOrLinkedCustomPage, L"FeatureTree", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<DialogState::UserInfo, CUserInfoDialog> g_userInfoDialogFactory(
    DialogMode::FullWizardPage, L"UserInfo", new CConfigInfo::UserInfoDialogInfoFactory);
CNestedInstallerDialogFactory<DialogState::Welcome, CWelcomeDialog> g_welcomeDialogFactory(
    DialogMode::WelcomePage, L"Welcome", new CConfigInfo::WelcomeDialogInfoFactory);
