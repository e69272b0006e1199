// The base of the prompts that ask for a medium of the distribution: the texts the prompt shows
// and the folder the medium is looked for in. A derived prompt decides whether a folder holds
// the medium it expects.
#pragma once

#include "CString.h"
#include "WizardServices.h"

class CMediaPromptDlg : public IMediaPrompt {
public:
    // The folder starts as the process's current folder.
    CMediaPromptDlg();
    ~CMediaPromptDlg() override;
    CMediaPromptDlg(const CMediaPromptDlg&) = delete;
    CMediaPromptDlg& operator=(const CMediaPromptDlg&) = delete;

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

protected:
    CString m_strCaption;
    CString m_strError;
    CString m_strPrompt;
    CString m_strPath;
};
