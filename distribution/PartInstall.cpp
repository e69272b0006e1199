#include "InstallerErrors.h"
#include "Part.h"

static const char kSource[] = "PartInstall";

UINT CPart::InstallWithExternalUI(CDistribution&, INSTALLUI_HANDLERW, DWORD, void*)
{
    throw OperationAborted(kSource, __LINE__, L"CPart::InstallWithExternalUI", L"%1 is not available yet.");
}

UINT CPart::InstallWithBasicUI(CDistribution&, HWND)
{
    throw OperationAborted(kSource, __LINE__, L"CPart::InstallWithBasicUI", L"%1 is not available yet.");
}

UINT CPart::InstallSilently(CDistribution&)
{
    throw OperationAborted(kSource, __LINE__, L"CPart::InstallSilently", L"%1 is not available yet.");
}
