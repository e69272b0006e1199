// A page of the registry whose window is not built: it never becomes a window. The frame asks
// it first whether it is needed; it answers no and logs that the page is skipped, so the wizard
// goes on to the next page (or ends) as if the page were switched off.
#pragma once

#include "NestedInstallerDialog.h"

class CPageStandIn : public CNestedInstallerDialog {
public:
    CPageStandIn(eDialogState state, CTopDialog* frame) : CNestedInstallerDialog(0, state, frame) { }

    // False, with a log line naming the page.
    bool IsPageNeeded() override;
    UINT GetTitleId() override { return 0; }
    UINT GetSubtitleId() override { return 0; }
};
