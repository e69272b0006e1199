#include "Distribution.h"
#include "InstallerErrors.h"

static const char kSource[] = "CustomExecutes";

int CDistribution::LaunchExecutes(int, CWnd*)
{
    throw OperationAborted(kSource, __LINE__, L"CDistribution::LaunchExecutes", L"%1 is not available yet.");
}

void CDistribution::CollectCustomExecutes()
{
    throw OperationAborted(kSource, __LINE__, L"CDistribution::CollectCustomExecutes", L"%1 is not available yet.");
}

void CDistribution::DropExecutesOfPart(const wchar_t*)
{
    throw OperationAborted(kSource, __LINE__, L"CDistribution::DropExecutesOfPart", L"%1 is not available yet.");
}
