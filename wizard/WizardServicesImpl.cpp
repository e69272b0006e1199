#include "WizardServicesImpl.h"

#include <memory>

#include "ApplicationServices.h"
#include "BaseDialog.h"
#include "FatalErrorDialog.h"
#include "InstallerErrors.h"
#include "NestedInstallerDialog.h"
#include "SpannedCDPromptDlg.h"

namespace {

const char kSource[] = "WizardServicesImpl";

class CWizardServices : public IWizardServices {
public:
    void ReportFatalError(const wchar_t* message, const wchar_t* details, BOOL showDetailsButton, BOOL logDetails,
        const CCrashReport* crashReport) override
    {
        ::ReportFatalError(message, details, showDetailsButton, logDetails, crashReport);
    }

    void ShowFatalErrorDialog(HWND owner, const wchar_t* message, const wchar_t* details) override
    {
        ShowErrorDialog(owner, MB_ICONEXCLAMATION, AppServices().GetTitle(), message, details);
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

    // The prompt for a linked distribution's medium comes with the media prompt dialogs.
    IMediaPrompt* CreateLinkedPrompt(const CLinkedDistribution&, const CString&) override
    {
        throw OperationAborted(kSource, __LINE__, L"CLinkedCDPromptDlg", L"%1 is not available yet.");
    }

    INT_PTR RunMediaPrompt(IMediaPrompt&) override
    {
        throw OperationAborted(kSource, __LINE__, L"CMediaPromptDlg::DoModal", L"%1 is not available yet.");
    }

    void ShowErrorDialog(
        HWND owner, UINT iconType, const wchar_t* caption, const wchar_t* message, const wchar_t* details) override
    {
        CFatalErrorDialog dialog(CWnd::FromHandle(owner), iconType);
        dialog.SetCaption(caption);
        dialog.SetMessage(message);
        dialog.SetDetails(details);
        g_pfnRunFatalErrorDialog(dialog);
    }
};

}  // namespace

IWizardServices& GetWizardServicesImpl()
{
    static CWizardServices services;
    return services;
}
