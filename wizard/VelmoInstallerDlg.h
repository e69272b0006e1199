// Wizard page CVelmoInstallerDlg: registered, but its window is not built yet; it is skipped wherever it
// would come.
#pragma once

#include "PageStandIn.h"

class CVelmoInstallerDlg : public CPageStandIn {
public:
    CVelmoInstallerDlg(eDialogState state, CTopDialog* frame) : CPageStandIn(state, frame) { }
};
