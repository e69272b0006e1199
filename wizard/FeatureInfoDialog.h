// Wizard page CFeatureInfoDialog: registered, but its window is not built yet; it is skipped wherever it
// would come.
#pragma once

#include "PageStandIn.h"

class CFeatureInfoDialog : public CPageStandIn {
public:
    CFeatureInfoDialog(eDialogState state, CTopDialog* frame) : CPageStandIn(state, frame) { }
};
