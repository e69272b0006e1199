// Wizard page CLicenseDialog: registered, but its window is not built yet; it is skipped wherever it
// would come.
#pragma once

#include "PageStandIn.h"

class CLicenseDialog : public CPageStandIn {
public:
    CLicenseDialog(eDialogState state, CTopDialog* frame) : CPageStandIn(state, frame) { }
};
