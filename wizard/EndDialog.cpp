#include "EndDialog.h"

#include <shellapi.h>

#include "ApplicationServices.h"
#include "CustomExecute.h"
#include "DC.h"
#include "Edit.h"
#include "EndDialogInfo.h"
#include "EndPageRun.h"
#include "PrivateMessages.h"
#include "RebootDialog.h"
#include "Resources.h"
#include "TopDialog.h"
#include "UniqueHandle.h"
#include "resource.h"

const RECT CEndDialog::kDefaultButtonRect = {30, 200, 80, 215};
HINSTANCE(WINAPI* CEndDialog::s_pfnShellExecuteW)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = &::ShellExecuteW;

namespace {

// The configured buttons' command ids.
const UINT kFirstButtonId = 1200;
// A button is at least this much wider and higher than its text.
const int kButtonTextMarginX = 15;
const int kButtonTextMarginY = 10;
// The default value of this key names the class of .html files; its first 50 bytes are read.
const wchar_t kHtmlClassKey[] = L"SOFTWARE\\Classes\\.html";
const DWORD kHtmlClassBytes = 50;
const wchar_t kNoBrowserText[] = L"A Web Broswer could not be located.";
const wchar_t kNoBrowserCaption[] = L".html not defined";
// A readme or exit text box.
const DWORD kResultBoxStyles = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY;

bool IsSuccess(int result)
{
    return result == ERROR_SUCCESS || result == ERROR_SUCCESS_REBOOT_INITIATED
        || result == ERROR_SUCCESS_REBOOT_REQUIRED;
}

}  // namespace

BEGIN_MESSAGE_MAP(CEndDialog, CNestedInstallerDialog)
    ON_BN_CLICKED(IDC_END_CHECKBOX, OnCheckbox)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CEndDialog::CEndDialog(eDialogState state, CTopDialog* frame)
    : CNestedInstallerDialog(IDD_END_PAGE, state, frame), m_pCheckbox(nullptr), m_bNextMode(false)
{
}

CEndDialog::~CEndDialog() { }

UINT CEndDialog::GetTitleId()
{
    return IDS_INSTALLATION_COMPLETE;
}

UINT CEndDialog::GetSubtitleId()
{
    return IDS_EMPTY_SUBTITLE;
}

void CEndDialog::DoDataExchange(CDataExchange* dx)
{
    CNestedInstallerDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_END_CHECKBOX, m_checkbox);
}

int CEndDialog::GetResultCode() const
{
    return m_pFrame ? m_pFrame->GetResultCode() : 0;
}

bool CEndDialog::IsSuccessResult() const
{
    return IsSuccess(GetResultCode());
}

BOOL CEndDialog::OnInitDialog()
{
    CNestedInstallerDialog::OnInitDialog();
    CreateResultControl();
    CreateButtons();
    ShowCheckbox();
    const int result = GetResultCode();
    if (result == ERROR_INSTALL_USEREXIT)
        m_strResultText = LoadResourceString(IDS_INSTALLATION_CANCELLED);
    else if (!IsSuccess(result))
        m_strResultText = LoadResourceString(IDS_INSTALLATION_FAILED);
    return FALSE;
}

void CEndDialog::CreateResultControl()
{
    auto* info = dynamic_cast<CConfigInfo::EndDialogInfo*>(m_pDialogInfo);
    TextCtrlInfo* readme = info ? info->GetReadme() : nullptr;
    RECT place = readme ? readme->GetRect() : CConfigInfo::EndDialogInfo::kDefaultReadmeRect;
    MapScaledDialogRect(place);

    if (IsSuccessResult()) {
        if (!readme || !readme->IsValid())
            return;
        DWORD set = 0;
        DWORD clear = 0;
        readme->GetStyles(set, clear);
        DWORD exSet = 0;
        DWORD exClear = 0;
        readme->GetExStyles(exSet, exClear);
        const DWORD style = ((WS_CHILD | WS_VISIBLE | set) & ~clear) | ES_MULTILINE | ES_READONLY;
        m_resultControl.reset(readme->CreateControl(place, this, style));
        if (m_resultControl) {
            const LONG_PTR exStyle = ::GetWindowLongPtrW(m_resultControl->m_hWnd, GWL_EXSTYLE);
            ::SetWindowLongPtrW(m_resultControl->m_hWnd, GWL_EXSTYLE, (exStyle | exSet) & ~static_cast<LONG_PTR>(exClear));
            ::SetWindowPos(m_resultControl->m_hWnd, nullptr, 0, 0, 0, 0,
                SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
            m_resultControl->ShowWindow(SW_SHOW);
        }
        return;
    }

    std::unique_ptr<CEdit> box(new CEdit);
    if (!box->Create(kResultBoxStyles, place, this, 0))
        return;
    box->SendMessage(WM_SETFONT, static_cast<WPARAM>(SendMessage(WM_GETFONT)), TRUE);
    if (info)
        box->SetWindowText(GetResultCode() == ERROR_INSTALL_USEREXIT ? info->GetUserExitText() : info->GetErrorExitText());
    box->ShowWindow(SW_SHOW);
    m_resultControl.reset(box.release());
}

void CEndDialog::CreateButtons()
{
    auto* info = dynamic_cast<CConfigInfo::EndDialogInfo*>(m_pDialogInfo);
    if (!info)
        return;
    HWND cancel = m_pFrame ? ::GetDlgItem(m_pFrame->m_hWnd, IDCANCEL) : nullptr;
    HFONT font = cancel ? reinterpret_cast<HFONT>(::SendMessageW(cancel, WM_GETFONT, 0, 0)) : nullptr;
    CRect previous;
    for (int index = 0; index < info->GetButtonCount(); ++index) {
        ButtonInfo* record = nullptr;
        if (!info->GetButton(index, record) || !record)
            continue;
        RECT place = record->IsDefaultRect() ? kDefaultButtonRect : record->GetRect();
        MapScaledDialogRect(place);
        if (record->IsDefaultRect() && !m_buttonWindows.empty()) {
            const int width = place.right - place.left;
            const int height = place.bottom - place.top;
            place.left = previous.right + kButtonGap;
            place.top = previous.top;
            place.right = place.left + width;
            place.bottom = place.top + height;
        }
        std::unique_ptr<CButton> button(new CButton);
        if (!button->Create(record->GetText(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, place, this,
                kFirstButtonId + static_cast<UINT>(index)))
            continue;
        if (font)
            button->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

        // Room for the text.
        SIZE extent = {0, 0};
        {
            CClientDC dc(button.get());
            HGDIOBJ old = font ? ::SelectObject(dc.m_hDC, font) : nullptr;
            ::GetTextExtentPoint32W(dc.m_hDC, record->GetText(), record->GetText().GetLength(), &extent);
            if (old)
                ::SelectObject(dc.m_hDC, old);
        }
        if (place.right - place.left < extent.cx + kButtonTextMarginX)
            place.right = place.left + extent.cx + kButtonTextMarginX;
        if (place.bottom - place.top < extent.cy + kButtonTextMarginY)
            place.bottom = place.top + extent.cy + kButtonTextMarginY;
        button->MoveWindow(&place, TRUE);
        previous = place;
        m_buttons[button->m_hWnd] = record;
        m_buttonWindows.push_back(std::move(button));
    }
}

void CEndDialog::ShowCheckbox()
{
    auto* info = dynamic_cast<CConfigInfo::EndDialogInfo*>(m_pDialogInfo);
    CheckboxInfo* checkbox = nullptr;
    if (!info || !info->GetCheckbox(checkbox) || !checkbox)
        return;
    const bool shown = checkbox->GetCommandKind() == ButtonInfo::kCommandUrl
        || (checkbox->GetCommandKind() == ButtonInfo::kCommandExe && EndPageRun().HasCheckedExecute());
    if (!shown)
        return;
    m_pCheckbox = checkbox;
    m_checkbox.SetWindowText(checkbox->GetText());
    m_checkbox.SetCheck(checkbox->GetDefaultState() ? BST_CHECKED : BST_UNCHECKED);
    if (!checkbox->IsDefaultRect()) {
        RECT place = checkbox->GetRect();
        MapScaledDialogRect(place);
        m_checkbox.MoveWindow(&place, TRUE);
        MarkWindowRescaled(m_checkbox.m_hWnd);
    }
    m_checkbox.ShowWindow(SW_SHOW);
}

bool CEndDialog::GetText(int index, CString& text, RECT& rect, LOGFONTW& font, UINT& drawFlags, COLORREF& color)
{
    if (!CNestedInstallerDialog::GetText(index, text, rect, font, drawFlags, color))
        return false;
    if (index == 0 && !IsSuccessResult())
        text = m_strResultText;
    return true;
}

int CEndDialog::GetCheckboxState() const
{
    if (!m_pCheckbox || !m_checkbox.m_hWnd)
        return kNoCheckbox;
    return m_checkbox.GetCheck() == BST_CHECKED ? kChecked : kCleared;
}

bool CEndDialog::IsCheckboxChecked() const
{
    return GetCheckboxState() == kChecked;
}

std::vector<HWND> CEndDialog::GetButtonWindows() const
{
    std::vector<HWND> windows;
    for (const auto& button : m_buttonWindows)
        windows.push_back(button->m_hWnd);
    return windows;
}

// Buttons and modes.

void CEndDialog::SetupButtons()
{
    const bool next = EndPageRun().GetEndPageExecuteCount() != 0
        || (m_pCheckbox && m_pCheckbox->GetCommandKind() == ButtonInfo::kCommandUrl && m_pCheckbox->GetDefaultState());
    SetNextMode(next);
}

void CEndDialog::SetNextMode(bool next)
{
    m_bNextMode = next;
    SetNextText(IDS_NEXT_CAPTION);
    SetBackText(IDS_BACK_CAPTION);
    if (next) {
        EnableBack(false);
        EnableCancel(false);
        SetCancelText(IDS_CANCEL_CAPTION);
        EnableNext(true, true);
        return;
    }
    EnableNext(false, false);
    EnableBack(false);
    SetCancelText(IDS_FINISH_CAPTION);
    // Cancel becomes the default button and takes the focus.
    if (m_pFrame) {
        ::SendMessageW(::GetDlgItem(m_pFrame->m_hWnd, IDC_FRAME_NEXT), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        m_pFrame->EnableButton(IDCANCEL, true);
    }
}

void CEndDialog::OnCheckbox()
{
    if (!m_pCheckbox)
        return;
    const int executes = EndPageRun().GetEndPageExecuteCount();
    const int kind = m_pCheckbox->GetCommandKind();
    if ((executes == 1 && kind == ButtonInfo::kCommandExe) || (executes == 0 && kind == ButtonInfo::kCommandUrl))
        SetNextMode(IsCheckboxChecked());
}

void CEndDialog::OnPageShown()
{
    CNestedInstallerDialog::OnPageShown();
    if (m_pFrame)
        m_pFrame->FlashIfInBackground();
}

void CEndDialog::OnPageHidden()
{
    CNestedInstallerDialog::OnPageHidden();
    if (!m_bNextMode)
        return;
    if (m_pCheckbox && m_pCheckbox->GetCommandKind() == ButtonInfo::kCommandUrl && IsCheckboxChecked())
        OpenInBrowser(m_pCheckbox->GetCommand());
    if (m_pCheckbox && m_pCheckbox->GetCommandKind() == ButtonInfo::kCommandExe && !IsCheckboxChecked())
        EndPageRun().UncheckEndPageExecute();
    if (EndPageRun().GetEndPageExecuteCount() == 0)
        return;

    if (m_pFrame)
        m_pFrame->ShowWindow(SW_HIDE);
    EndPageRun().LaunchExecutes(CustomExecute::kEndPage, this);
    if (!AppServices().IsRebootRequired(false))
        return;
    const INT_PTR answer = g_pfnRunRebootDialog(AppServices().GetTitle());
    // The frame ends its loop with its result code once the page is hidden.
    if (m_pFrame && (answer == CRebootDialog::kRestart || answer == CRebootDialog::kShutDown))
        m_pFrame->SendMessage(WM_INSTALL_RESULT, ERROR_SUCCESS_REBOOT_INITIATED, 0);
    else if (m_pFrame && answer == kRebootRefused)
        m_pFrame->SendMessage(WM_INSTALL_RESULT, ERROR_SUCCESS_REBOOT_REQUIRED, 0);
}

bool CEndDialog::ConfirmCancel()
{
    if (m_pCheckbox && m_pCheckbox->GetCommandKind() == ButtonInfo::kCommandExe && !IsCheckboxChecked())
        EndPageRun().UncheckEndPageExecute();
    const bool documentChecked
        = m_pCheckbox && m_pCheckbox->GetCommandKind() == ButtonInfo::kCommandUrl && IsCheckboxChecked();
    if (EndPageRun().GetEndPageExecuteCount() != 0 || documentChecked) {
        if (!CNestedInstallerDialog::ConfirmCancel())
            return false;
    }
    if (m_pFrame)
        m_pFrame->AskReboot();
    return true;
}

BOOL CEndDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const auto found = m_buttons.find(reinterpret_cast<HWND>(lParam));
    if (found != m_buttons.end() && HIWORD(wParam) == BN_CLICKED) {
        ButtonInfo* record = found->second;
        if (record->GetCommandKind() == ButtonInfo::kCommandUrl && OpenInBrowser(record->GetCommand()) == 0)
            return TRUE;
        return FALSE;
    }
    return CNestedInstallerDialog::OnCommand(wParam, lParam);
}

void CEndDialog::OnDestroy()
{
    for (auto& button : m_buttonWindows) {
        if (button->m_hWnd && ::IsWindow(button->m_hWnd))
            button->DestroyWindow();
    }
    m_buttonWindows.clear();
    m_buttons.clear();
    Default();
}

int CEndDialog::OpenInBrowser(const wchar_t* target)
{
    bool registered = false;
    OrbelToolbox::UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kHtmlClassKey, 0, KEY_QUERY_VALUE, key.AddressOf()) == ERROR_SUCCESS) {
        BYTE value[kHtmlClassBytes] = {};
        DWORD size = sizeof(value);
        const LONG status = ::RegQueryValueExW(key.Get(), nullptr, nullptr, nullptr, value, &size);
        // A class name longer than the buffer is there all the same.
        registered = (status == ERROR_SUCCESS && size > 1) || status == ERROR_MORE_DATA;
    }
    if (registered) {
        s_pfnShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
        return 0;
    }
    s_pfnMessageBoxW(nullptr, kNoBrowserText, kNoBrowserCaption, MB_OK);
    return 1;
}
