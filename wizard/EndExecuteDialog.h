// The end-execute page (state 12): shown only when the distribution has end executes. It runs
// them on a worker while its bar moves and its line names the execute that runs, and moves on
// by itself when the pass is over, or when the worker ends without saying so (it could not
// start, or an error escaped it).
#pragma once

#include "NestedInstallerDialog.h"
#include "PageWorker.h"
#include "ProgressCtrl.h"
#include "Static.h"

class CEndExecuteDialog : public CNestedInstallerDialog {
public:
    static const UINT_PTR kStepTimer = 1;
    static const UINT kStepIntervalMs = 300;
    // How long a page that goes waits for its worker before terminating it.
    static const DWORD kStopWaitMs = 15000;

    CEndExecuteDialog(eDialogState state, CTopDialog* frame);
    ~CEndExecuteDialog() override;

    UINT GetTitleId() override { return 0; }
    UINT GetSubtitleId() override { return 0; }
    // Only with end executes.
    bool IsPageNeeded() override;
    // Next (focus requested) and Back disabled; Cancel stays.
    void SetupButtons() override;

    // The worker's body: the end executes with this page.
    static UINT ExecuteThreadProc(LPVOID page);

    bool IsFinished() const { return m_bFinished; }
    CProgressCtrl& GetBar() { return m_bar; }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnShowWindow(BOOL show, UINT status);
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    LRESULT OnExecuteStatus(WPARAM wParam, LPARAM name);
    LRESULT OnExecutesDone(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    // Stops the timer and moves forward, once.
    void MoveOn();
    // Before the page goes while its worker runs: wait (dispatching messages), then terminate.
    void StopWorker();

    CProgressCtrl m_bar;
    CStatic m_text;
    UINT_PTR m_nTimer;
    CPageWorker m_worker;
    bool m_bFinished;
};
