#include "DistributionServices.h"

#include "ServiceSlot.h"

namespace {
const char kSource[] = "DistributionServices";
ServiceSlot<IDistributionServices> s_services;
}  // namespace

IDistributionServices* InstallDistributionServices(IDistributionServices* services)
{
    return s_services.Install(services);
}

IDistributionServices& DistributionServices()
{
    return s_services.Get(kSource, __LINE__, L"DistributionServices");
}
