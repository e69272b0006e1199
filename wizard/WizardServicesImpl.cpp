#include "WizardServicesImpl.h"

#include <memory>

#include "ApplicationServices.h"
#include "BaseDialog.h"
#include "FatalErrorDialog.h"
#include "LinkedCDPromptDlg.h"
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

    void ShowFatalErrorDialog(HWND owner, const wchar_t* message, const wchar_t* details) override
    {
        CFatalErrorDialog dialog(CWnd::FromHandle(owner), MB_ICONEXCLAMATION);
        dialog.SetCaption(AppServices().GetTitle());
        dialog.SetMessage(message);
        dialog.SetDetails(details);
        g_pfnRunFatalErrorDialog(dialog);
    }

    eDialogState GetNextDialogState(eDialogState state) override
    {
        return CNestedInstallerDialog::GetNextDialogState(state);
    }

    CConfigInfo::DialogInfo* CreateDialogConfig(eDialogState state, CConfigInfo& config) override
    {
        return CNestedInstallerDialog::CreateDialogConfig(state, config);
    }

    // The page's own scaling when it is a dialog of the wizard, else the system's conversion.
    void MapScaledDialogRect(HWND page, RECT& rect) override
    {
        if (auto* dialog = dynamic_cast<CBaseDialog*>(CWnd::FromHandlePermanent(page)))
            dialog->MapScaledDialogRect(rect);
        else
            ::MapDialogRect(page, &rect);
    }

    IMediaPrompt* CreateSpannedPrompt(
        const CConfigInfo::DistributionInfo& settings, int volume, const CString& path) override
    {
        std::unique_ptr<CSpannedCDPromptDlg> prompt(new CSpannedCDPromptDlg);
        prompt->SetVolume(settings, volume, path);
        return prompt.release();
    }

    IMediaPrompt* CreateLinkedPrompt(const CLinkedDistribution& linked, const CString& rootPath) override
    {
        std::unique_ptr<CLinkedCDPromptDlg> prompt(new CLinkedCDPromptDlg);
        prompt->SetLinkedDistribution(linked, rootPath);
        return prompt.release();
    }

    INT_PTR RunMediaPrompt(IMediaPrompt& prompt) override
    {
        // Every prompt this interface makes is a media prompt dialog.
        CMediaPromptDlg& dialog = dynamic_cast<CMediaPromptDlg&>(prompt);
        dialog.SetOwnerWindow(nullptr);
        return dialog.DoModal();
    }
};

}  // namespace

IWizardServices& GetWizardServicesImpl()
{
    static CWizardServices services;
    return services;
}
