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

CNestedInstallerDialogFactory<kConfirmStartDialog, CConfirmStartDialog> g_confirmStartDialogFactory(
    UiFull | UiLinkedCustom, L"ConfirmStart", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<kEndDialog, CEndDialog> g_endDialogFactory(
    UiBasic | UiFull, L"End", new CConfigInfo::EndDialogInfoFactory);
CNestedInstallerDialogFactory<kEndExecuteDialog, CEndExecuteDialog> g_endExecuteDialogFactory(
    UiBasic | UiFull, L"EndExecute", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<kFeatureInfo1Dialog, CFeatureInfoDialog> g_featureInfo1DialogFactory(
    UiFull, L"FeatureInfo1", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<kFeatureInfoDialog, CFeatureInfoDialog> g_featureInfoDialogFactory(
    UiFull | UiLinkedCustom, L"FeatureInfo", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<kInstallationTypeDialog, CInstallationTypeDialog> g_installationTypeDialogFactory(
    UiFull, L"InstallationType", new CConfigInfo::InstallTypeDialogInfoFactory);
CNestedInstallerDialogFactory<kLicenseDialog, CLicenseDialog> g_licenseDialogFactory(
    UiFull, L"License", new CConfigInfo::LicenseDialogInfoFactory);
CNestedInstallerDialogFactory<kLicense2Dialog, CLicenseDialog> g_license2DialogFactory(
    UiFull | UiLinkedCustom, L"License2", new CConfigInfo::LicenseDialogInfoFactory);
CNestedInstallerDialogFactory<kProgressDialog, CProgressDialog> g_progressDialogFactory(
    kEveryUiMode, L"Progress", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<kSingleDirectoryDialog, CSingleDirectoryDialog> g_singleDirectoryDialogFactory(
    UiFull, L"SingleDirectory", new CConfigInfo::SingleDirectoryDialogInfoFactory);
CNestedInstallerDialogFactory<kFeatureTreeDialog, CVelmoInstallerDlg> g_featureTreeDialogFactory(
    UiFull | UiLinkedCustom, L"FeatureTree", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<kUserInfoDialog, CUserInfoDialog> g_userInfoDialogFactory(
    UiFull, L"UserInfo", new CConfigInfo::UserInfoDialogInfoFactory);
CNestedInstallerDialogFactory<kWelcomeDialog, CWelcomeDialog> g_welcomeDialogFactory(
    UiBasic | UiBasicNoCancel | UiFull, L"Welcome", new CConfigInfo::WelcomeDialogInfoFactory);
