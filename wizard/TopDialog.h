// The wizard frame: one window that hosts one page at a time above a separator line and the
// Back, Next and Cancel buttons. It creates pages on demand through the page registry, decides
// which page comes next (registry order, the application's page switches, the pages' own
// opinions), keeps the history of visited pages for Back, routes every command to the current
// page first, shows a busy state, hosts up to six extra buttons of a page, and ends its modal
// loop with the result code that becomes the installation's exit code.
//
// The application creates it as its main window (so that pages become its children), sets the
// start state, calls StartWizard and runs the modal loop.
#pragma once

#include <windows.h>

#include <list>
#include <memory>
#include <vector>

#include "BaseDialog.h"
#include "Button.h"
#include "DialogState.h"
#include "NestedInstallerDialog.h"
#include "SpawnAnnouncement.h"

class CWelcomeDialog;

class CTopDialog : public CBaseDialog {
public:
    explicit CTopDialog(CWnd* parent = nullptr);
    // Destroys the extra buttons, every page (window, then object) and the frame's window;
    // restores the foreground-lock time-out.
    ~CTopDialog() override;

    // Moves from the current page to the start state or, when that page may not be shown, to
    // the next state that may. With none, a child installer tells its master (WM_PART_ERROR).
    void StartWizard();
    // Shows the page of `state` (created on first use); false when it may not be shown or the
    // wizard has ended.
    bool ShowPage(eDialogState state);
    // Whether the page may be shown: enabled by the application, not hidden by a page of the
    // history, needed by the page itself.
    bool CanShowPage(eDialogState state, CNestedInstallerDialog* page);
    // Forward: the next page that can be shown, else the end of the wizard. Back: the newest
    // page of the history.
    void Navigate(bool forward);
    // Ends the wizard with the stored result code; nothing more is shown afterwards.
    void EndWizard();
    // Ends the wizard as a confirmed Cancel does: 1602 until the install has posted its result.
    void EndWizardCancelled();
    // Runs the modal loop; returns at once with the result code when the wizard has already
    // ended.
    int RunModalLoop(DWORD flags = 0);

    // The frame's buttons. EnableNext also makes Next the default button; Back is never
    // enabled while the history is empty.
    void EnableNext(bool enable, bool focus = true);
    void EnableBack(bool enable);
    void EnableCancel(bool enable);
    void ShowNextBack(bool show);
    // Captions from the string table (empty when the string is missing).
    void SetNextText(UINT stringId);
    void SetBackText(UINT stringId);
    void SetCancelText(UINT stringId);
    // Any button of the frame; enabling makes it the default button and focuses it.
    void EnableButton(UINT id, bool enable);
    // A button left of the newest extra button (or of Back); its id (5000 upward), 0 when six
    // exist. Showing another page removes them all.
    UINT AddButton(const wchar_t* text);
    // Focus on the first visible and enabled of Next, Back and Cancel.
    void FocusFirstButton();

    // Busy: the wait cursor everywhere but on Cancel, and input dropped.
    void BeginBusy();
    void EndBusy();
    bool IsBusy() const { return m_hBusyCursor != nullptr; }
    // Whether input `msg` is dropped: while busy, or stamped before the last EndBusy; input to
    // Cancel never is.
    bool IsInputDropped(const MSG& msg) const;

    // The restart prompt at the end of the wizard: when a restart is wanted, Restart or Shut
    // Down end the wizard with 1641; when the system refuses them the result becomes 3010.
    void AskReboot();
    // Flashes the frame 5 times unless it is the foreground window's top-level window.
    void FlashIfInBackground();

    // The current page as the welcome page while the frame is on state 1, else null.
    CWelcomeDialog* GetWelcomeDialog();
    // The last announced respawn (lParam first, then wParam of "ZKInstallerSpawn"); the ids are
    // forgotten once taken. The result is the lParam value (0: none announced): the answer to
    // WM_GET_RESPAWNED_IDS is GetSpawnIds(reinterpret_cast<DWORD*>(lParam),
    // reinterpret_cast<DWORD*>(wParam)).
    LRESULT GetSpawnIds(DWORD* first, DWORD* second);

    CNestedInstallerDialog* GetCurrentPage() const { return m_pCurrentPage; }
    const std::list<eDialogState>& GetHistory() const { return m_history; }
    int GetResultCode() const { return m_nResultCode; }
    bool IsWizardEnded() const { return m_bEnded; }

    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT DoWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    eDialogState m_eStartState;    // set by the application before StartWizard
    eDialogState m_eCurrentState;  // the state of the current page (1 until one is shown)

    // Seam: the system parameter call (the foreground-lock time-out).
    static BOOL(WINAPI* s_pfnSystemParametersInfoW)(UINT action, UINT param, PVOID value, UINT winIni);
    // Seam: the tick count recorded at EndBusy.
    static DWORD(WINAPI* s_pfnGetTickCount)();

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override { }
    // Cancel (the button, Escape on the frame, the close box): asks the current page.
    void OnCancel() override;

    void OnBackCommand();
    void OnNextCommand();
    void OnPaint();
    void OnSize(UINT type, int cx, int cy);
    HCURSOR OnQueryDragIcon();
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    void OnExtraButton(UINT id);
    void OnActivate(UINT state, CWnd* other, BOOL minimized);
    LRESULT OnInstallResult(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetFrameEvent(WPARAM wParam, LPARAM lParam);
    LRESULT OnInstallerSpawn(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryCancelAutoPlay(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

public:
    // The registered message ids (0 until registered).
    static UINT s_nSpawnMessage;
    static UINT s_nQueryCancelAutoPlayMessage;

private:
    void Step(bool forward);
    void EndLoop(int result);
    void NotifyMasterClosing();
    void RemoveExtraButtons();
    void EnsureUsableFocus();
    void SendCursorUpdate();
    void SaveForegroundLockTimeout();
    void RestoreForegroundLockTimeout();
    HWND Button(UINT id) const { return ::GetDlgItem(m_hWnd, static_cast<int>(id)); }

    CNestedInstallerDialog* m_pages[kDialogStateCount];
    CNestedInstallerDialog* m_pCurrentPage;
    HICON m_hIcon;
    std::list<eDialogState> m_history;
    HANDLE m_hEvent;
    HCURSOR m_hBusyCursor;
    HACCEL m_hAccelerators;
    bool m_bNextEnabled;
    bool m_bBackEnabled;
    DWORD m_dwBusyEndTick;
    bool m_bBusyEnded;  // an EndBusy happened: the tick above is meaningful
    std::vector<std::unique_ptr<CButton>> m_extraButtons;
    int m_nResultCode;
    bool m_bResultStored;  // the install posted its result
    CSpawnAnnouncement m_spawn;
    int m_nSavedForegroundLockTimeout;  // -1 while not saved
    bool m_bActivatedOnce;
    HWND m_hSavedFocus;
    UINT m_nSavedDefId;
    bool m_bEnded;
};

// The restart dialog of the end of the wizard, modal without parent and with that caption: 3
// (Restart), 1083 (Shut Down), kRebootRefused when one of them was chosen but the system
// refused to go down, or another answer. Replaceable for tests.
extern INT_PTR (*g_pfnRunRebootDialog)(const wchar_t* caption);
const INT_PTR kRebootRefused = -2;
