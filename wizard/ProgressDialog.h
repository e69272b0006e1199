// The progress page (state 11): when shown it starts the install thread, which runs the
// installation of the whole distribution with this page's Windows Installer external
// user-interface handler. The handler turns the installer's messages into two bars (the
// overall bar by part and phase, the action bar by the installer's ticks), an action line and
// message boxes; the page answers the install run's questions on the user-interface thread
// (a part failed, cancel all, insert a medium), runs the user's Cancel cooperatively with a
// time-out, and in a master installer shows the linked distributions that child installers
// install. The install thread's result becomes the frame's result code and the page moves on.
#pragma once

#include <windows.h>
#include <msi.h>

#include <cstdint>
#include <memory>

#include "Edit.h"
#include "InstallProgressModel.h"
#include "InstallProgressPage.h"
#include "NestedInstallerDialog.h"
#include "PageWorker.h"
#include "ProgressCtrl.h"
#include "Static.h"
#include "UniqueHandle.h"
#include "WindowPlacementState.h"

class CProgressDialog : public CNestedInstallerDialog, public IInstallProgressPage {
public:
    // Reasons sent with the result.
    enum { kReasonNormal = 1031, kReasonFailed = 1027, kReasonCancelled = 1032 };
    // The Windows Installer messages the handler takes: all but files in use.
    static const DWORD kMessageFilter = 0x7FDF;
    // The cancel time-out's timer.
    static const UINT_PTR kCancelTimer = 1;
    // The code of the time-out's message through the part-failure handling.
    static const DWORD kCancelTimeoutCode = 0x800403E3;

    CProgressDialog(eDialogState state, CTopDialog* frame);
    // Stops a worker that still runs first (see StopInstallThread).
    ~CProgressDialog() override;

    UINT GetTitleId() override { return 0; }
    UINT GetSubtitleId() override { return 0; }
    // Starts the install thread.
    void OnPageShown() override;
    // The cooperative cancel: asks, and on Yes makes every later handler answer cancel and
    // starts the time-out; never ends the wizard itself.
    bool ConfirmCancel() override;
    // AutoPlay is suppressed while installing.
    LRESULT CancelAutoPlay() override { return 1; }
    // Next (focus requested) and Back disabled, Cancel enabled.
    void SetupButtons() override;

    // Starts InstallThreadProc with this page: 0, or the system's error.
    DWORD StartInstallThread();
    // The install thread's body: the run, then its result posted to the page.
    static UINT InstallThreadProc(LPVOID page);
    // Windows Installer's external user-interface handler (context: the page).
    static int WINAPI ExternalUIHandler(LPVOID context, UINT messageType, LPCWSTR message);

    // The status text (and the action line cleared), from any thread.
    void SetStatusText(const wchar_t* text);
    void SetActionText(const wchar_t* text);
    void ShowInstallStatus(const CString& status) override;

    // Before the page goes while its install thread still runs: cancel, release the handler,
    // wait (dispatching messages) up to kStopWaitMs, then terminate the thread.
    void StopInstallThread();

    bool IsCancelRequested() const { return m_bCancelRequested; }
    int GetResultReason() const { return m_nResultReason; }
    const InstallProgress::State& GetProgressState() const { return m_progress; }
    CProgressCtrl& GetOverallBar() { return m_overallBar; }
    CProgressCtrl& GetActionBar() { return m_actionBar; }

    // What a part start reads of the run.
    struct RunPosition {
        int partCount = 1;
        bool hasCurrentPart = false;
        int partNumber = 0;
        CString partName;
        bool installing = true;
    };

    // Seams: the run on the install thread (the distribution's install with this page's
    // handler), what a part start reads of the run, the cancel time-out and the pause between
    // silent retries of 1618.
    static UINT (*s_pfnRunInstall)(CProgressDialog& page);
    static void (*s_pfnReadRunPosition)(RunPosition& position);
    static UINT s_nCancelTimeoutMs;
    static DWORD s_dwBusyRetryDelayMs;
    static const DWORD kStopWaitMs = 15000;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;

    int HandleInstallerMessage(UINT messageType, LPCWSTR message);
    void StartPart();
    void ApplyBarUpdate(const InstallProgress::BarUpdate& update);
    int ShowQuestion(const wchar_t* text, UINT type, bool ownedByFrame = false);
    LRESULT AnswerPartError(DWORD code, const wchar_t* partName);
    void FinishInstall(UINT result, int reason);

    void OnTimer(UINT_PTR id);
    void OnDestroy();
    LRESULT OnInstallResult(WPARAM result, LPARAM reason);
    LRESULT OnQueryCancelAll(WPARAM wParam, LPARAM lParam);
    LRESULT OnPartError(WPARAM code, LPARAM partName);
    LRESULT OnRunMediaPrompt(WPARAM prompt, LPARAM lParam);
    LRESULT OnLinkedInstallStart(WPARAM index, LPARAM title);
    LRESULT OnLinkedInstallEnd(WPARAM index, LPARAM lParam);
    LRESULT OnChildWindowReady(WPARAM wParam, LPARAM childFrame);
    LRESULT OnChildWizardClosing(WPARAM wParam, LPARAM childFrame);
    LRESULT OnLoadProgressRange(WPARAM low, LPARAM high);
    LRESULT OnLoadProgressStep(WPARAM wParam, LPARAM lParam);
    LRESULT OnLoadProgressSetStep(WPARAM size, LPARAM lParam);
    LRESULT OnLoadDone(WPARAM wParam, LPARAM childFrame);
    LRESULT OnGetRespawnedIds(WPARAM threadId, LPARAM processId);
    DECLARE_MESSAGE_MAP()

    CStatic m_label;
    CEdit m_status;
    CStatic m_action;
    CProgressCtrl m_overallBar;
    CProgressCtrl m_actionBar;
    CPageWorker m_installThread;
    InstallProgress::State m_progress;
    int m_nPartCount;
    bool m_bCancelRequested;
    int m_nResultReason;
    OrbelToolbox::UniqueKernelHandle m_pauseEvent;  // manual reset; reset while a cancel question is open
    CString m_caption;
    bool m_bMasterWasForeground;
    CString m_lastErrorText;
    std::unique_ptr<WindowPlacementState> m_childPlacement;
    int m_nConsecutiveBusy;
    bool m_bResultTaken;  // the result reached the frame: a later one is ignored

    // The version of comctl32.dll, read by the first progress page made.
    static uint64_t s_comctlVersion;
};
