// The feature dependencies of the distribution: read from the merged package and resolved
// against the parts, the features and the feature subsets.
//
// Not built yet: both steps stop the initialisation with an error that names them, which the
// run reports like any other fatal error.
#include "Distribution.h"

#include "InstallerErrors.h"

namespace {

const char kSource[] = "DependencyResolution";

}  // namespace

void CDistribution::PopulateZkDependencyInfo()
{
    throw PriorOperationRequired(kSource, __LINE__, L"CDistribution::PopulateZkDependencyInfo",
        L"CDistribution::Initialize", L"%1 is not available yet, so %2 cannot go on.");
}

void CDistribution::ResolveDependencies()
{
    throw PriorOperationRequired(kSource, __LINE__, L"CDistribution::ResolveDependencies", L"CDistribution::Initialize",
        L"%1 is not available yet, so %2 cannot go on.");
}
