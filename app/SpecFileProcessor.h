// The unattended-install spec file. For now only its shape; reading it stops the run with
// OperationAborted until it is built.
#pragma once

#include "CString.h"

class CSpecFileProcessor {
public:
    CSpecFileProcessor();
    virtual ~CSpecFileProcessor();
    void SetSpecFile(const wchar_t* fullPath);
    // True when [DisableDialogs] names the page.
    bool IsDialogDisabled(int state) const;

private:
    CString m_strSpecFile;
};
