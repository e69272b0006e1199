#include "WizardDistribution.h"

#include <typeinfo>

#include "Distribution.h"
#include "DistributionServices.h"
#include "InstallerErrors.h"

CDistribution& WizardDistribution()
{
    auto* distribution = dynamic_cast<CDistribution*>(&DistributionServices());
    if (!distribution)
        throw UninitializedObject("WizardDistribution", __LINE__, typeid(CDistribution), L"distribution model");
    return *distribution;
}
