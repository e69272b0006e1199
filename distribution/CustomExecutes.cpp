#include "Distribution.h"
#include "InstallerErrors.h"

static const char kSource[] = "CustomExecutes";

int CDistribution::LaunchExecutes(int, CWnd*)
{
    throw OperationAborted(kSource, __LINE__, L"CDistribution::LaunchExecutes", L"%1 is not available yet.");
}
