#include "PathEdit.h"

#include "Distribution.h"
#include "InstallPathValidation.h"
#include "LanguageHelpers.h"
#include "MessageBox.h"
#include "ScopedMultibyteCodePage.h"
#include "WindowsError.h"
#include "resource.h"

bool CPathEdit::Validate(CDistribution& distribution, const wchar_t* directory, const wchar_t* previousPath,
    const wchar_t* caption, bool askToReset, bool setTargetPath)
{
    CString text;
    GetWindowText(text);
    CString message;
    DWORD code = ERROR_SUCCESS;
    {
        CScopedMultibyteCodePage codePage(OrbelToolbox::GetAnsiCodePage(::GetUserDefaultLCID()));
        try {
            ValidateInstallPath(text);
        } catch (const WindowsError& error) {
            message = error.GetContext();
            code = error.GetCode();
        }
    }
    // Only the directory restrictions decide about a folder that does not exist yet.
    bool accepted = false;
    if (code == ERROR_SUCCESS || code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
        accepted = distribution.ValidateDirectory(directory, text, message, setTargetPath);
    if (accepted || !askToReset)
        return accepted;

    CString question = message;
    question += L"\n";
    question += LoadResourceString(IDS_RESET_PATH_QUESTION);
    if (g_pfnMessageBoxW(m_hWnd, question, caption, MB_YESNO | MB_ICONWARNING) == IDYES) {
        SetPath(previousPath);
        return true;
    }
    SetSel(0, -1);
    SetFocus();
    return false;
}
