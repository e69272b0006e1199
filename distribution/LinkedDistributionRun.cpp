// The linked distributions after the parts: each enabled one has its medium found or prompted
// for, its child installer started and waited for (respawned children followed), and the
// children's exit codes merged into one result.
#include <windows.h>

#include <memory>
#include <typeinfo>

#include "ApplicationServices.h"
#include "Distribution.h"
#include "InstallerErrors.h"
#include "LinkedDistributionInfo.h"
#include "LinkedDistributionLaunch.h"
#include "PlatformChecks.h"
#include "PrivateMessages.h"
#include "WizardServices.h"

static const char kSource[] = "LinkedDistributionRun";

namespace {

// The exit code of a child that restarted itself: a new process it announced goes on.
const DWORD kRespawnedExitCode = 263211;
// The progress page's action text is kept alive at this interval while a child loads.
const DWORD kChildPollMilliseconds = 50;
const wchar_t kChildLoadingText[] = L"Please wait while the installer initializes...";

// Waits until the child ends and returns its exit code. With progress the external handler is
// told at every poll that the child is loading; when it answers cancel, the progress page is
// told and the child's main thread asked to cancel its load.
DWORD WaitForChild(HANDLE process, DWORD threadId, HWND window, int mode, const CDistribution::InstallContext& context)
{
    if (mode == CDistribution::kInstallWithProgress) {
        while (WaitForSingleObject(process, kChildPollMilliseconds) == WAIT_TIMEOUT) {
            if (context.handler
                && context.handler(context.handlerContext, INSTALLMESSAGE_ACTIONDATA, kChildLoadingText) == IDCANCEL) {
                if (window)
                    SendMessageW(window, WM_QUERY_CANCEL_ALL, 0, 0);
                PostThreadMessageW(threadId, WM_CANCEL_LOAD, 0, 0);
            }
        }
    } else {
        WaitForSingleObject(process, INFINITE);
    }
    DWORD code = ERROR_INSTALL_FAILURE;
    GetExitCodeProcess(process, &code);
    return code;
}

// Starts one linked distribution from `folder` and follows it, and any process it respawned
// into, to its end; the last exit code.
DWORD RunChild(const CLinkedDistribution& linked, const CString& folder, HWND window, int mode,
    const CDistribution::InstallContext& context, const std::map<CString, CString>& properties)
{
    DWORD code = 0;
    {
        LinkedChildProcess child;
        LaunchLinkedDistribution(linked, folder, window, properties, child);
        code = WaitForChild(child.process.Get(), child.threadId, window, mode, context);
    }
    while (code == kRespawnedExitCode) {
        DWORD threadId = 0;
        DWORD processId = 0;
        const LRESULT announced = window ? SendMessageW(window, WM_GET_RESPAWNED_IDS,
                                      reinterpret_cast<WPARAM>(&threadId), reinterpret_cast<LPARAM>(&processId))
                                         : 0;
        if (announced == 0)
            throw UninitializedObject(kSource, __LINE__, typeid(unsigned long), L"dwProcessId",
                L"Process ID of respawned process not received.");
        const DWORD access = IsWindowsNT() ? SYNCHRONIZE | PROCESS_QUERY_INFORMATION : PROCESS_ALL_ACCESS;
        OrbelToolbox::UniqueKernelHandle process(OpenProcess(access, FALSE, processId));
        if (!process) {
            CString id;
            id.Format(L"0x%x", processId);
            throw ObjectNotFound(kSource, __LINE__, typeid(unsigned long), L"Process Id", id,
                L"Failed to get process handle for %2=%3");
        }
        code = WaitForChild(process.Get(), threadId, window, mode, context);
    }
    return code;
}

}  // namespace

UINT CDistribution::RunLinkedDistributions(int mode, const InstallContext& context)
{
    UINT overall = ERROR_SUCCESS;
    UINT last = ERROR_SUCCESS;
    StopMSIService();

    const HWND window = (mode == kInstallWithWindow || mode == kInstallWithProgress) && context.page
        ? context.page->GetSafeHwnd()
        : nullptr;
    CConfigInfo::LinkedDistributionInfo* linkedInfo = m_pConfig ? m_pConfig->GetLinkedDistributionInfo() : nullptr;
    const int count = linkedInfo ? linkedInfo->GetCount() : 0;
    IWizardServices& wizard = WizardServices();
    for (int index = 0; index < count && last != ERROR_INSTALL_USEREXIT; ++index) {
        const CLinkedDistribution& linked = linkedInfo->GetLinkedDistribution(index);
        if (!linked.m_bEnabled)
            continue;

        std::unique_ptr<IMediaPrompt> prompt(wizard.CreateLinkedPrompt(linked, GetCurrentRootPath()));
        const bool found = window
            ? SendMessageW(window, WM_RUN_MEDIA_PROMPT, reinterpret_cast<WPARAM>(prompt.get()), 0) == 1
            : prompt->IsMediaPresent() || wizard.RunMediaPrompt(*prompt) == IDOK;
        if (!found)
            continue;

        try {
            if (window)
                SendMessageW(window, WM_LINKED_INSTALL_START, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(linked.m_strTitle.GetString()));
            last = RunChild(linked, prompt->GetPath(), window, mode, context, m_linkedProperties);
        } catch (const VelmoInstallerError& error) {
            if (window)
                wizard.ShowErrorDialog(
                    window, MB_ICONEXCLAMATION, AppServices().GetTitle(), error.GetUserMessage(), error.GetFullText());
            last = static_cast<UINT>(error.GetCode());
        }
        MergeInstallResult(overall, last);
        if (window)
            SendMessageW(window, WM_LINKED_INSTALL_END, static_cast<WPARAM>(index), 0);
    }
    return overall;
}
