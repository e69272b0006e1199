#include "WizardServices.h"

#include "MessageBox.h"
#include "ServiceSlot.h"

namespace {
const char kSource[] = "WizardServices";
ServiceSlot<IWizardServices> s_services;
}  // namespace

IWizardServices* InstallWizardServices(IWizardServices* services)
{
    return s_services.Install(services);
}

IWizardServices& WizardServices()
{
    return s_services.Get(kSource, __LINE__, L"IWizardServices");
}

void ReportFatalErrorThroughWizard(const wchar_t* message, const wchar_t* details, BOOL showDetailsButton,
    BOOL logDetails, const CCrashReport* crashReport)
{
    if (IWizardServices* services = s_services.Find()) {
        services->ReportFatalError(message, details, showDetailsButton, logDetails, crashReport);
        return;
    }
    try {
        g_pfnMessageBoxW(
            nullptr, message ? message : L"Unknown fatal error.", L"setup.exe", MB_SETFOREGROUND | MB_ICONWARNING);
    } catch (...) {
    }
}
