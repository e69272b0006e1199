// Wizard page CEndExecuteDialog: for now only its place in the page registry; the page's window and
// behaviour come with the wizard.
#pragma once

#include "NestedInstallerDialog.h"

class CEndExecuteDialog : public CNestedInstallerDialog {
public:
    CEndExecuteDialog(eDialogState state, CTopDialog* frame) : CNestedInstallerDialog(0, state, frame) { }
};
