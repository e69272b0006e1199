// The destination-directory page (state 4): one row per configured destination directory, a
// group box captioned with the row's label around a folder edit and a Browse button. Next checks
// every row in order and applies the folders; a changed folder makes the install level apply
// again once.
#pragma once

#include <memory>
#include <vector>

#include "Button.h"
#include "NestedInstallerDialog.h"
#include "PathEdit.h"

class CSingleDirectoryDialog : public CNestedInstallerDialog {
public:
    // The Browse buttons' command ids: this one plus the row's index.
    static constexpr UINT kFirstBrowseId = 5000;
    static constexpr int kMaxRows = 7;

    // One directory row.
    struct DirectoryRow {
        CString property;
        // False when the directory is not in the merged package's Directory table.
        bool defined = true;
        CButton group;
        CPathEdit edit;
        CButton browse;
    };

    CSingleDirectoryDialog(eDialogState state, CTopDialog* frame);
    ~CSingleDirectoryDialog() override;

    UINT GetTitleId() override;
    UINT GetSubtitleId() override;
    BOOL OnNext() override;

    size_t GetRowCount() const { return m_rows.size(); }
    DirectoryRow& GetRow(size_t index) { return *m_rows[index]; }

    // Seam: the "Developer Error" box of a directory the Directory table lacks.
    static int(WINAPI* s_pfnMessageBoxW)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

protected:
    BOOL OnInitDialog() override;
    void OnBrowse(UINT id);
    DECLARE_MESSAGE_MAP()

protected:
    // Creates the three windows of one row at top `y` (pixels).
    void AddDirectoryRow(const CString& property, const CString& path, const CString& label, int y, int row);
    void CreateDirectoryRows();

    // The distribution's work, replaceable for tests: the directory's current target path
    // (MsiInstallerError when the directory is unknown), the full check of a row's folder that
    // also sets it as the target path, and the current install level applied again.
    virtual CString GetTargetPath(const CString& property);
    virtual bool ValidateRow(DirectoryRow& row, const CString& previousPath, const CString& caption);
    virtual void ReapplyInstallLevel();
    // The folder browser over the page, starting at `start`; true with `chosen` on OK.
    virtual bool BrowseForFolder(const CString& start, CString& chosen);

private:
    std::vector<std::unique_ptr<DirectoryRow>> m_rows;
};
