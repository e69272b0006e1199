#include "FatalErrorDialog.h"

#include <ostream>

#include "MessageBox.h"
#include "ApplicationServices.h"
#include "UiMode.h"

void ReportFatalError(const wchar_t* message, const wchar_t* details, BOOL showDetailsButton, BOOL logDetails,
    const CCrashReport* crashReport)
{
    try {
        CString shown = details;
        shown += L"\n";
        if (crashReport)
            shown += crashReport->GetText();

        if (AppServices().GetUiMode() != UiQuiet) {
            // Parent: the main window, once the wizard frame is a window of the class library.
            CFatalErrorDialog dialog(nullptr, MB_ICONWARNING);
            dialog.ShowDetailsButton(showDetailsButton);
            dialog.SetCaption(AppServices().GetTitle());
            dialog.SetMessage(message);
            dialog.SetDetails(shown);
            dialog.DoModal();
        }
        AppServices().GetLogStream(kLogError, 0) << L"ERROR! " << message << std::endl;
        if (logDetails)
            AppServices().GetLogStream(kLogError | kLogDetail, 0) << shown.GetString() << std::endl;
    } catch (...) {
        try {
            g_pfnMessageBoxW(
                nullptr, message ? message : L"Unknown fatal error.", L"setup.exe", MB_SETFOREGROUND | MB_ICONWARNING);
        } catch (...) {
        }
    }
}

CFatalErrorDialog::CFatalErrorDialog(HWND parent, UINT iconType)
    : m_hParent(parent), m_iconType(iconType), m_bShowDetailsButton(TRUE)
{
    if (m_iconType != 16 && m_iconType != 32 && m_iconType != 48 && m_iconType != 64)
        m_iconType = 0;
}

void CFatalErrorDialog::SetCaption(const wchar_t* caption)
{
    m_strCaption = caption;
}

void CFatalErrorDialog::SetMessage(const wchar_t* message)
{
    m_strMessage = NormaliseLineBreaks(message);
}

void CFatalErrorDialog::SetDetails(const wchar_t* details)
{
    m_strDetails = NormaliseLineBreaks(details);
}

void CFatalErrorDialog::ShowDetailsButton(BOOL show)
{
    m_bShowDetailsButton = show;
}

INT_PTR CFatalErrorDialog::DoModal()
{
    CString text = m_strMessage;
    if (m_bShowDetailsButton) {
        text += L"\r\n\r\n";
        text += m_strDetails;
    }
    return g_pfnMessageBoxW(m_hParent, text, m_strCaption, MB_OK | m_iconType);
}

CString CFatalErrorDialog::NormaliseLineBreaks(const wchar_t* text)
{
    CString result;
    if (!text)
        return result;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p == L'\n' && (p == text || p[-1] != L'\r'))
            result += L'\r';
        result += *p;
    }
    return result;
}
