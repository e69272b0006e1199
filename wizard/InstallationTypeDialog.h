// Wizard page CInstallationTypeDialog: registered, but its window is not built yet; it is skipped wherever it
// would come.
#pragma once

#include "PageStandIn.h"

class CInstallationTypeDialog : public CPageStandIn {
public:
    CInstallationTypeDialog(eDialogState state, CTopDialog* frame) : CPageStandIn(state, frame) { }
};
