#include "Dialog.h"

#include "InvalidArgException.h"
#include "Resources.h"
#include "WinApp.h"

namespace {

// The dialog procedure the system calls from the replaced class procedure: every message has
// already been through the object's WindowProc.
INT_PTR CALLBACK AfxDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// The system's caret-blink timer message.
const UINT kSysTimer = 0x0118;

// Messages after which the loop may go idle again.
bool IsIdleMessage(const MSG& msg)
{
    return msg.message != WM_PAINT && msg.message != kSysTimer && msg.message != WM_MOUSEMOVE
        && msg.message != WM_NCMOUSEMOVE;
}

}  // namespace

const void* AfxLoadDialogTemplate(const wchar_t* name)
{
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC resource = module ? ::FindResourceW(module, name, MAKEINTRESOURCEW(5)) : nullptr;
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
    return loaded ? ::LockResource(loaded) : nullptr;
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog() noexcept
    : m_lpszTemplateName(nullptr), m_lpDialogTemplate(nullptr), m_pParentWnd(nullptr), m_nModalResult(-1),
      m_bInModalLoop(false), m_bContinueModal(false)
{
}

CDialog::CDialog(UINT templateId, CWnd* parent) noexcept : CDialog()
{
    m_lpszTemplateName = MAKEINTRESOURCEW(templateId);
    m_pParentWnd = parent;
}

CDialog::CDialog(const wchar_t* templateName, CWnd* parent) noexcept : CDialog()
{
    m_lpszTemplateName = templateName;
    m_pParentWnd = parent;
}

CDialog::~CDialog() { }

BOOL CDialog::Create(UINT templateId, CWnd* parent)
{
    return Create(MAKEINTRESOURCEW(templateId), parent);
}

BOOL CDialog::Create(const wchar_t* templateName, CWnd* parent)
{
    const void* dialogTemplate = AfxLoadDialogTemplate(templateName);
    return dialogTemplate ? CreateIndirect(dialogTemplate, parent) : FALSE;
}

BOOL CDialog::CreateIndirect(const void* dialogTemplate, CWnd* parent)
{
    if (!parent && AfxGetMainWnd() != this)
        parent = AfxGetMainWnd();
    m_pParentWnd = parent;
    return CreateFromTemplate(dialogTemplate, HandleOf(parent));
}

BOOL CDialog::InitModalIndirect(const void* dialogTemplate, CWnd* parent)
{
    m_lpDialogTemplate = dialogTemplate;
    m_pParentWnd = parent;
    return dialogTemplate != nullptr;
}

BOOL CDialog::CreateFromTemplate(const void* dialogTemplate, HWND parent)
{
    if (m_hWnd || !dialogTemplate)
        return FALSE;
    AfxHookWindowCreate(this);
    HWND window = ::CreateDialogIndirectParamW(AfxGetResourceHandle(),
        static_cast<LPCDLGTEMPLATEW>(dialogTemplate), parent, &AfxDlgProc, 0);
    return EndHookedCreate(window);
}

INT_PTR CDialog::DoModal()
{
    const void* dialogTemplate = m_lpDialogTemplate;
    if (!dialogTemplate && m_lpszTemplateName)
        dialogTemplate = AfxLoadDialogTemplate(m_lpszTemplateName);
    if (!dialogTemplate)
        return -1;

    // The owner: the parent's (else the main window's) top-level window.
    HWND owner = HandleOf(m_pParentWnd);
    if (!owner && AfxGetMainWnd() != this)
        owner = HandleOf(AfxGetMainWnd());
    while (owner && (::GetWindowLongPtrW(owner, GWL_STYLE) & WS_CHILD))
        owner = ::GetParent(owner);
    bool ownerDisabled = false;
    if (owner && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        ownerDisabled = true;
    }

    m_nModalResult = -1;
    m_bInModalLoop = true;  // an EndDialog during WM_INITDIALOG ends the run before the loop
    m_bContinueModal = true;
    if (CreateFromTemplate(dialogTemplate, owner)) {
        if (m_bContinueModal)
            RunModalLoop(MLF_SHOWONIDLE);
        if (m_hWnd)
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    m_bInModalLoop = false;
    m_bContinueModal = false;
    if (ownerDisabled)
        ::EnableWindow(owner, TRUE);
    if (owner && m_hWnd && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(owner);
    DestroyWindow();
    return m_nModalResult;
}

int CDialog::RunModalLoop(DWORD flags)
{
    m_bInModalLoop = true;
    m_bContinueModal = true;
    bool showOnIdle = (flags & MLF_SHOWONIDLE) && !(GetStyle() & WS_VISIBLE);
    bool idle = true;
    MSG msg;
    for (;;) {
        while (idle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (showOnIdle) {
                ShowWindow(SW_SHOWNORMAL);
                UpdateWindow();
                showOnIdle = false;
            }
            AfxDeleteTempMaps();
            idle = false;
        }
        do {
            BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                // The quit message ends every loop up to the thread's own: post it again.
                m_nModalResult = static_cast<int>(msg.wParam);
                ::PostQuitMessage(m_nModalResult);
                m_bContinueModal = false;
                break;
            }
            if (got == -1) {
                m_nModalResult = -1;
                m_bContinueModal = false;
                break;
            }
            if (!AfxPreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            if (!m_bContinueModal)
                break;
            if (IsIdleMessage(msg))
                idle = true;
        } while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
        if (!m_bContinueModal)
            break;
    }
    m_bInModalLoop = false;
    return m_nModalResult;
}

void CDialog::EndModalLoop(int result)
{
    m_nModalResult = result;
    if (m_bContinueModal) {
        m_bContinueModal = false;
        // Wakes the loop (a null message matches no registered message).
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }
}

void CDialog::EndDialog(int result)
{
    if (m_bInModalLoop) {
        EndModalLoop(result);
        return;
    }
    m_nModalResult = result;
    if (m_hWnd)
        ShowWindow(SW_HIDE);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM)
{
    return OnInitDialog();
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) { }

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    const bool input = (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST)
        || (msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST);
    if (!input || !m_hWnd || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)))
        return FALSE;
    return ::IsDialogMessageW(m_hWnd, msg);
}

HWND CDataExchange::PrepareCtrl(int id)
{
    HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
    if (!control)
        throw CInvalidArgException();
    return control;
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (control.m_hWnd)
        return;
    if (!control.SubclassWindow(dx->PrepareCtrl(id)))
        throw CInvalidArgException();
}

namespace {

bool IsRadioButton(HWND control)
{
    return (::SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
}

}  // namespace

void DDX_Radio(CDataExchange* dx, int id, int& value)
{
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate)
        value = -1;
    int index = 0;
    for (HWND button = control; button; button = ::GetWindow(button, GW_HWNDNEXT)) {
        if (button != control && (::GetWindowLongPtrW(button, GWL_STYLE) & WS_GROUP))
            break;
        if (!IsRadioButton(button))
            continue;
        if (dx->m_bSaveAndValidate) {
            if (::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED)
                value = index;
        } else {
            ::SendMessageW(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++index;
    }
}

void DDX_Text(CDataExchange* dx, int id, CString& value)
{
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        CWnd::FromHandle(control)->GetWindowText(value);
    } else {
        ::SetWindowTextW(control, value);
    }
}
