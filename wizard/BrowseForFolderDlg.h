// The folder picker: the Explorer-style common Open dialog showing folders only, with a
// "Folder:" box that always holds the full path of the selected or current folder. A typed
// folder that does not exist can be created on request; every folder created while the picker
// ran (for the start folder, by the dialog's new-folder button or on request) is removed again
// when it closes, so that only folders still holding something stay.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <vector>

#include "CString.h"

class CBrowseForFolderDlg {
public:
    explicit CBrowseForFolderDlg(HWND owner);
    virtual ~CBrowseForFolderDlg();
    CBrowseForFolderDlg(const CBrowseForFolderDlg&) = delete;
    CBrowseForFolderDlg& operator=(const CBrowseForFolderDlg&) = delete;

    // Message box "Unable to create %s\n%s" with the folder and the system's text of the error.
    virtual void ReportCreateError(const wchar_t* folder, DWORD error);
    // Message box "Invalid initial folder %s\n%s" with the folder and the system's text of the error.
    virtual void ReportInitialFolderError(const wchar_t* folder, DWORD error);

    // Runs the picker starting in `startFolder` (created when missing); 1 with the chosen folder,
    // 0 for cancel or failure (GetExtendedError tells which).
    INT_PTR DoModal(const CString& startFolder, CString& chosenFolder);
    DWORD GetExtendedError() const { return m_extendedError; }

    // The replaceable texts; set before DoModal.
    void SetTitle(const CString& text) { m_strTitle = text; }
    void SetNameLabel(const CString& text) { m_strNameLabel = text; }
    void SetOkCaption(const CString& text) { m_strOkCaption = text; }
    void SetLookInLabel(const CString& text) { m_strLookInLabel = text; }

    // ---- Path logic (no window involved) ----
    // The volume root of a path: up to and including the first backslash, or for a path that
    // begins with two backslashes the part before the fourth one (server and share).
    static CString GetRootOf(const CString& path);
    // The full path of `item` shown in `folder`: an absolute item as it is, else joined to the
    // folder; "." and ".." resolved by the text alone.
    static CString CombineFolderPath(const CString& folder, const CString& item);
    // The start folder from `path`: its missing folders are created (and listed as created);
    // false after reporting what prevents it.
    bool PrepareStartFolder(const CString& path, CString& startFolder);
    // Creates every missing folder of `path` from the outermost inward, listing each one; an
    // existing folder is kept. False with the system error of the first failure.
    bool CreateFolders(const CString& path, DWORD& error);
    // Removes the created folders, newest first (folders that are not empty stay), and empties
    // the list.
    void RemoveCreatedFolders();
    const std::vector<CString>& GetCreatedFolders() const { return m_createdFolders; }

private:
    static UINT_PTR CALLBACK HookProc(HWND hook, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FolderBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ShellViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static CBrowseForFolderDlg* FromWindow(HWND window);

    void OnInitDone(HWND dialog);
    LRESULT OnDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnFolderBoxMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnShellViewMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Subclasses the dialog's current shell view when it is a new one and gives its list the
    // program's icon.
    void AttachShellView();
    void DetachAll();
    // The box shows the selected item's (else the current folder's) full path; OK is enabled
    // only with a text.
    void RefreshFolderBox();
    // OK of the dialog: true when it was handled here (the default handling is skipped).
    bool OnOk();
    // Checks the text typed into the box; true when the dialog may open it.
    bool ValidateTypedFolder();
    // A list item's label edit ended (`newName` null when the edit gave none).
    void OnLabelEdited(HWND list, int item, const CString& oldName, const CString* newName);
    // CreateFolders, naming the folder that failed (or the file in the way).
    bool CreateMissingFolders(const CString& path, DWORD& error, CString& failed);
    void MarkItem(HWND list, int item);
    bool IsCreatedFolder(const CString& path) const;
    CString GetFolderBoxText() const;
    CString GetCurrentFolder() const;
    CString GetItemText(HWND list, int item) const;
    int ShowMessage(const CString& text, UINT type);
    CString FormatWithSystemText(UINT formatId, const wchar_t* folder, DWORD error) const;

    std::vector<CString> m_createdFolders;
    OPENFILENAMEW m_ofn;
    std::vector<wchar_t> m_fileBuffer;
    CString m_strFilter;
    CString m_strTitle;
    CString m_strNameLabel;
    CString m_strOkCaption;
    CString m_strLookInLabel;
    CString m_strCancelCaption;
    CString m_strStartFolder;
    CString m_strSavedDirectory;
    CString m_strChosenFolder;
    bool m_bChosen;
    DWORD m_extendedError;

    HWND m_hDialog;
    WNDPROC m_pfnDialogProc;
    HWND m_hFolderBox;
    WNDPROC m_pfnFolderBoxProc;
    HWND m_hShellView;
    WNDPROC m_pfnShellViewProc;
    HWND m_hListView;
    int m_largeIconIndex;
    int m_smallIconIndex;
    bool m_bNewFolderPending;
    bool m_bTyped;
    bool m_bValidatedFromBox;
    bool m_bImeEnded;
};
