// Wizard page CUserInfoDialog: registered, but its window is not built yet; it is skipped wherever it
// would come.
#pragma once

#include "PageStandIn.h"

class CUserInfoDialog : public CPageStandIn {
public:
    CUserInfoDialog(eDialogState state, CTopDialog* frame) : CPageStandIn(state, frame) { }
};
