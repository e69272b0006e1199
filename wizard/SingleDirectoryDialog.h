// Wizard page CSingleDirectoryDialog: registered, but its window is not built yet; it is skipped wherever it
// would come.
#pragma once

#include "PageStandIn.h"

class CSingleDirectoryDialog : public CPageStandIn {
public:
    CSingleDirectoryDialog(eDialogState state, CTopDialog* frame) : CPageStandIn(state, frame) { }
};
