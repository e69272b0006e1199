// The prompt for a medium of the distribution: a small modal dialog that states what to insert,
// takes a folder typed or browsed by the user, and closes by itself as soon as the expected
// medium is found there (at the start, on Rescan, on every change of the folder, on the arrival
// of a volume). A derived prompt decides whether a folder holds the medium it expects.
//
// The install run builds the prompt on its own thread and first asks IsMediaPresent (no
// window); the dialog itself runs on the user-interface thread.
#pragma once

#include <cstdint>
#include <vector>

#include "CString.h"
#include "Dialog.h"
#include "Static.h"
#include "WizardServices.h"

class CIdFile;

class CMediaPromptDlg : public CDialog, public IMediaPrompt {
public:
    // The folder starts as the process's current folder.
    CMediaPromptDlg();
    ~CMediaPromptDlg() override;

    // True when the current folder holds the expected medium; no window is involved.
    bool IsMediaPresent() override;
    const CString& GetPath() const override { return m_strPath; }
    void SetPath(const CString& path) override { m_strPath = path; }

    // The window caption (empty keeps the template's), the text that states what to insert and
    // the text shown when the folder does not hold the medium.
    const CString& GetCaption() const { return m_strCaption; }
    const CString& GetPrompt() const { return m_strPrompt; }
    const CString& GetError() const { return m_strError; }

    // True when `folder` holds the expected medium; otherwise sets the error text and gives false.
    virtual bool ValidatePath(const CString& folder) = 0;

    // The owner of the prompt's window: changed at once when the window exists (null: no
    // owner), else used when DoModal creates it (null: the application's main window).
    void SetOwnerWindow(HWND owner);
    // IDOK when the medium was found (GetPath names the folder), IDCANCEL when the user gave up.
    INT_PTR DoModal() override;

    // False for a text that cannot name a folder worth checking: shorter than three characters,
    // or a server name without a share ("\\server").
    static bool IsUsableFolder(const CString& folder);
    // Where the folder browser starts for `folder`: the folder itself when it can be entered,
    // else its nearest parent that can, not above its volume's root; the Windows directory
    // when there is none.
    static CString GetBrowseStartFolder(const CString& folder);

    // The version of shell32.dll in the system directory (major and minor in the upper 32
    // bits), read on first use; tests set it.
    static uint64_t s_shellVersion;

protected:
    // Reads the volume ID file `fileName` in `folder` into `idFile`; false when the file is
    // missing or has errors.
    static bool ReadIdFile(const CString& folder, const CString& fileName, CIdFile& idFile);

    void DoDataExchange(CDataExchange* dx) override;
    // Caption, texts and AutoRun suppression, then the first check.
    BOOL OnInitDialog() override;
    // "&Rescan Drive" (and Enter): checks again.
    void OnOK() override;
    void OnFolderChange();
    void OnBrowse();
    BOOL OnDeviceChange(UINT event, DWORD_PTR data);
    HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT controlType);
    LRESULT OnQueryCancelAutoPlay(WPARAM, LPARAM);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

protected:
    CString m_strCaption;
    CString m_strError;
    CString m_strPrompt;
    CString m_strPath;

private:
    // Takes the dialog's values; ends the dialog with IDOK when the folder holds the medium,
    // else shows the error line.
    void Check();
    // Members into controls without reacting to the folder's change notifications.
    void LoadControls();
    // The AutoRun policy of old shells: 255 while the prompt is open, the previous state after.
    void SuppressAutoRun();
    void RestoreAutoRun();

    CStatic m_errorLine;
    HWND m_hOwner;
    bool m_bLoadingControls;
    // The saved policy value: whether it existed, its type and its data.
    bool m_bAutoRunSaved;
    bool m_bAutoRunExisted;
    DWORD m_dwAutoRunType;
    std::vector<BYTE> m_autoRunData;
};
