// The wizard's pages by state: the page numbers in wizard order.
#pragma once

typedef int eDialogState;

enum : eDialogState {
    kNoDialog = 0,
    kWelcomeDialog = 1,
    kUserInfoDialog = 2,
    kFeatureInfo1Dialog = 3,
    kSingleDirectoryDialog = 4,
    kInstallationTypeDialog = 5,
    kFeatureTreeDialog = 6,
    kFeatureInfoDialog = 7,
    kLicenseDialog = 8,
    kLicense2Dialog = 9,
    kConfirmStartDialog = 10,
    kProgressDialog = 11,
    kEndExecuteDialog = 12,
    kEndDialog = 13,
};

// The number of page states, and so of page-record slots.
const int kDialogStateCount = kEndDialog;
