// The common Open and Save As dialogs.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "CString.h"
#include "Wnd.h"

class CFileDialog {
public:
    // `filter`: pairs of description and pattern separated by '|' ("Rich Text (*.rtf)|*.rtf|");
    // `defaultExt` without a dot ("rtf"); `fileName`: the initial name.
    CFileDialog(BOOL openFileDialog, const wchar_t* defaultExt = nullptr, const wchar_t* fileName = nullptr,
        DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const wchar_t* filter = nullptr, CWnd* parent = nullptr);
    virtual ~CFileDialog() { }
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK when a file was chosen, else IDCANCEL.
    virtual INT_PTR DoModal();
    CString GetPathName() const { return CString(m_fileName.data()); }

    OPENFILENAMEW m_ofn;

private:
    BOOL m_bOpenFileDialog;
    CString m_defaultExt;
    std::vector<wchar_t> m_filter;    // the filter with NULs for the bars, doubly terminated
    std::vector<wchar_t> m_fileName;  // the chosen path
};
