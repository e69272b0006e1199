// Wizard page CProgressDialog: registered, but its window is not built yet; it is skipped wherever it
// would come.
#pragma once

#include "PageStandIn.h"

class CProgressDialog : public CPageStandIn {
public:
    CProgressDialog(eDialogState state, CTopDialog* frame) : CPageStandIn(state, frame) { }
};
