// Wizard page CConfirmStartDialog: registered, but its window is not built yet; it is skipped wherever it
// would come.
#pragma once

#include "PageStandIn.h"

class CConfirmStartDialog : public CPageStandIn {
public:
    CConfirmStartDialog(eDialogState state, CTopDialog* frame) : CPageStandIn(state, frame) { }
};
