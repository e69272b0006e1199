// Wizard page CEndDialog: registered, but its window is not built yet; it is skipped wherever it
// would come.
#pragma once

#include "PageStandIn.h"

class CEndDialog : public CPageStandIn {
public:
    CEndDialog(eDialogState state, CTopDialog* frame) : CPageStandIn(state, frame) { }
};
