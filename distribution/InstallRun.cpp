#include "Distribution.h"
#include "InstallerErrors.h"

static const char kSource[] = "InstallRun";

UINT CDistribution::InstallSilently()
{
    throw OperationAborted(kSource, __LINE__, L"CDistribution::InstallSilently", L"%1 is not available yet.");
}
