// CDialog: modeless dialogs from a template in memory, modal ones with the library's own loop,
// and data exchange between controls and members.
//
// A page or dialog with a message map and data exchange:
//
//   class CMyPage : public CDialog {
//   public:
//       CMyPage() : CDialog(IDD_MY_PAGE) { }
//   protected:
//       void DoDataExchange(CDataExchange* dx) override
//       {
//           CDialog::DoDataExchange(dx);
//           DDX_Control(dx, IDC_PROGRESS, m_progress);
//           DDX_Text(dx, IDC_NAME, m_name);
//       }
//       BOOL OnInitDialog() override;
//       void OnBrowse();
//       DECLARE_MESSAGE_MAP()
//       CProgressCtrl m_progress;
//       CString m_name;
//   };
//   BEGIN_MESSAGE_MAP(CMyPage, CDialog)
//       ON_BN_CLICKED(IDC_BROWSE, OnBrowse)
//   END_MESSAGE_MAP()
#pragma once

#include "CString.h"
#include "Wnd.h"

class CDataExchange;

// RunModalLoop flags.
const DWORD MLF_NOIDLEMSG = 0x0001;
const DWORD MLF_NOKICKIDLE = 0x0002;
const DWORD MLF_SHOWONIDLE = 0x0004;

class CDialog : public CWnd {
public:
    CDialog() noexcept;
    // Template `templateId` of the current resource module, loaded by DoModal or Create.
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) noexcept;
    explicit CDialog(const wchar_t* templateName, CWnd* parent = nullptr) noexcept;
    ~CDialog() override;

    // Modeless creation from a template of the current resource module; a null parent takes
    // the application's main window. FALSE when the template is missing or creation fails.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    BOOL Create(const wchar_t* templateName, CWnd* parent = nullptr);
    BOOL CreateIndirect(const void* dialogTemplate, CWnd* parent = nullptr);
    // Prepares DoModal to use a template in memory.
    BOOL InitModalIndirect(const void* dialogTemplate, CWnd* parent = nullptr);
    // Creates the dialog modeless with its owner disabled, shows it when its queue first goes
    // idle, runs RunModalLoop, then enables the owner and destroys the window. -1 when there
    // is no template or the window cannot be made.
    virtual INT_PTR DoModal();

    // Dispatches the thread's messages, each first through WalkPreTranslateTree, until
    // EndModalLoop; returns its code. WM_QUIT ends the loop too, is posted again, and its
    // code is returned.
    int RunModalLoop(DWORD flags = 0);
    void EndModalLoop(int result);
    BOOL ContinueModal() const { return m_bContinueModal; }
    // Ends a running modal loop; a modeless dialog is hidden.
    void EndDialog(int result);

    // UpdateData(FALSE); TRUE (the system sets the focus).
    virtual BOOL OnInitDialog();
    // IDOK: UpdateData(TRUE), EndDialog(IDOK).
    virtual void OnOK();
    // IDCANCEL (button, Escape, close box): EndDialog(IDCANCEL).
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* dx);
    // TRUE: controls into members; FALSE: members into controls.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // IsDialogMessage for keyboard and mouse input within the dialog.
    BOOL PreTranslateMessage(MSG* msg) override;

    void MapDialogRect(LPRECT rect) const { ::MapDialogRect(m_hWnd, rect); }
    void SetDefID(UINT id) { SendMessage(DM_SETDEFID, id); }
    DWORD GetDefID() const { return static_cast<DWORD>(SendMessage(DM_GETDEFID)); }
    void GotoDlgCtrl(CWnd* control) { SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(HandleOf(control)), TRUE); }

    const wchar_t* m_lpszTemplateName;  // the template DoModal loads (an id as MAKEINTRESOURCE)
    const void* m_lpDialogTemplate;     // or a template in memory
    CWnd* m_pParentWnd;
    int m_nModalResult;

protected:
    // Creation from a template in memory with that parent or owner window.
    BOOL CreateFromTemplate(const void* dialogTemplate, HWND parent);
    LRESULT HandleInitDialog(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

    bool m_bInModalLoop;
    bool m_bContinueModal;
};

// The state of one data exchange: the direction and the dialog.
class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) noexcept
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog)
    {
    }
    // The dialog's control `id`; throws CInvalidArgException when the template has none.
    HWND PrepareCtrl(int id);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Subclasses control `id` of the template into `control` once.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
// The control's text and a string.
void DDX_Text(CDataExchange* dx, int id, CString& value);
// The radio buttons of the group that starts at control `id` (up to the next control with
// WS_GROUP) and the index of the checked one: -1 when none is checked; loading -1 checks none.
void DDX_Radio(CDataExchange* dx, int id, int& value);

// The loaded dialog template `name` of the current resource module; null when it has none.
const void* AfxLoadDialogTemplate(const wchar_t* name);
