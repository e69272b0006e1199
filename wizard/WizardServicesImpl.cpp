#include "WizardServicesImpl.h"

#include "FatalErrorDialog.h"

namespace {

class CWizardServices : public IWizardServices {
public:
    void ReportFatalError(const wchar_t* message, const wchar_t* details, BOOL showDetailsButton,
                          BOOL logDetails, const CCrashReport* crashReport) override
    {
        ::ReportFatalError(message, details, showDetailsButton, logDetails, crashReport);
    }
};

}  // namespace

IWizardServices& GetWizardServicesImpl()
{
    static CWizardServices services;
    return services;
}
