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

// Mode masks: 1 /qs, 2 /qs-, 4 full wizard, 8 /linked, 16 /linkedcustom.
CNestedInstallerDialogFactory<10, CConfirmStartDialog> g_confirmStartDialogFactory(
    20, L"ConfirmStart", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<13, CEndDialog> g_endDialogFactory(
    5, L"End", new CConfigInfo::EndDialogInfoFactory);
CNestedInstallerDialogFactory<12, CEndExecuteDialog> g_endExecuteDialogFactory(
    5, L"EndExecute", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<3, CFeatureInfoDialog> g_featureInfo1DialogFactory(
    4, L"FeatureInfo1", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<7, CFeatureInfoDialog> g_featureInfoDialogFactory(
    20, L"FeatureInfo", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<5, CInstallationTypeDialog> g_installationTypeDialogFactory(
    4, L"InstallationType", new CConfigInfo::InstallTypeDialogInfoFactory);
CNestedInstallerDialogFactory<8, CLicenseDialog> g_licenseDialogFactory(
    4, L"License", new CConfigInfo::LicenseDialogInfoFactory);
CNestedInstallerDialogFactory<9, CLicenseDialog> g_license2DialogFactory(
    20, L"License2", new CConfigInfo::LicenseDialogInfoFactory);
CNestedInstallerDialogFactory<11, CProgressDialog> g_progressDialogFactory(
    31, L"Progress", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<4, CSingleDirectoryDialog> g_singleDirectoryDialogFactory(
    4, L"SingleDirectory", new CConfigInfo::SingleDirectoryDialogInfoFactory);
CNestedInstallerDialogFactory<6, CVelmoInstallerDlg> g_featureTreeDialogFactory(
    20, L"FeatureTree", new CConfigInfo::DialogInfoFactory);
CNestedInstallerDialogFactory<2, CUserInfoDialog> g_userInfoDialogFactory(
    4, L"UserInfo", new CConfigInfo::UserInfoDialogInfoFactory);
CNestedInstallerDialogFactory<1, CWelcomeDialog> g_welcomeDialogFactory(
    7, L"Welcome", new CConfigInfo::WelcomeDialogInfoFactory);
