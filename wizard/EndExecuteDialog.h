// Wizard page CEndExecuteDialog: registered, but its window is not built yet; it is skipped wherever it
// would come.
#pragma once

#include "PageStandIn.h"

class CEndExecuteDialog : public CPageStandIn {
public:
    CEndExecuteDialog(eDialogState state, CTopDialog* frame) : CPageStandIn(state, frame) { }
};
