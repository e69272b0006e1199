#include "WizardServicesImpl.h"

#include <memory>

#include "FatalErrorDialog.h"
#include "NestedInstallerDialog.h"
#include "SpannedCDPromptDlg.h"

namespace {

class CWizardServices : public IWizardServices {
public:
    void ReportFatalError(const wchar_t* message, const wchar_t* details, BOOL showDetailsButton, BOOL logDetails,
        const CCrashReport* crashReport) override
    {
        ::ReportFatalError(message, details, showDetailsButton, logDetails, crashReport);
    }

    eDialogState GetNextDialogState(eDialogState state) override
    {
        return CNestedInstallerDialog::GetNextDialogState(state);
    }

    CConfigInfo::DialogInfo* CreateDialogConfig(eDialogState state, CConfigInfo& config) override
    {
        return CNestedInstallerDialog::CreateDialogConfig(state, config);
    }

    // The pages' own scaling by their locale font comes with the page windows; until then a
    // page's dialog units convert as the system converts them.
    void MapScaledDialogRect(HWND page, RECT& rect) override { ::MapDialogRect(page, &rect); }

    IMediaPrompt* CreateSpannedPrompt(
        const CConfigInfo::DistributionInfo& settings, int volume, const CString& path) override
    {
        std::unique_ptr<CSpannedCDPromptDlg> prompt(new CSpannedCDPromptDlg);
        prompt->SetVolume(settings, volume, path);
        return prompt.release();
    }
};

}  // namespace

IWizardServices& GetWizardServicesImpl()
{
    static CWizardServices services;
    return services;
}
