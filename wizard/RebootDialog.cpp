// The restart dialog's runner until the dialog itself is built: it fails with a clear error.
#include "TopDialog.h"

#include "InstallerErrors.h"

namespace {

INT_PTR RunRebootDialogStandIn(const wchar_t*)
{
    throw OperationAborted("RebootDialog", __LINE__, L"CRebootDialog", L"%1 is not available yet.");
}

}  // namespace

INT_PTR (*g_pfnRunRebootDialog)(const wchar_t* caption) = &RunRebootDialogStandIn;
