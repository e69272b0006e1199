#include "ApplicationServices.h"

#include "ServiceSlot.h"

namespace {
const char kSource[] = "ApplicationServices";
ServiceSlot<IApplicationServices> s_services;
}  // namespace

IApplicationServices* InstallApplicationServices(IApplicationServices* services)
{
    return s_services.Install(services);
}

IApplicationServices& AppServices()
{
    return s_services.Get(kSource, __LINE__, L"ApplicationServices");
}
