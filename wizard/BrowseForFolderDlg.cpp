#include "BrowseForFolderDlg.h"

#include <commctrl.h>

#include "InstallPathValidation.h"
#include "LanguageHelpers.h"
#include "MessageBox.h"
#include "PathHelpers.h"
#include "SystemMessage.h"
#include "TextConversion.h"
#include "WindowsError.h"
#include "resource.h"

namespace {

// A pattern no file matches: the list shows folders only.
const wchar_t kFilter[] = L"Folders\0*.ac6b1e40-0e4d-11d5-8158-0050da5a2c97\0";
const DWORD kFileBufferChars = MAX_PATH;
const wchar_t kObjectProperty[] = L"VelmoBrowseForFolder";
const wchar_t kErrorCaption[] = L"Error";
const size_t kSystemTextLimit = 256;
// The program's icon for folders made while the picker runs.
const UINT kCreatedFolderIcon = 133;

// Controls of the Explorer-style Open dialog.
const int kFileTypeLabel = 1089;
const int kFileTypeCombo = 1136;
const int kReadOnlyCheck = 1040;
const int kNameLabel = 1090;
const int kLookInLabel = 1091;
const int kFolderBox = 1152;
// The new-folder button of the dialog's tool bar.
const WORD kNewFolderCommand = 40962;

bool IsAbsolutePath(const CString& path)
{
    return (path.GetLength() >= 2 && path[1] == L':') || (path.GetLength() >= 2 && path[0] == L'\\' && path[1] == L'\\');
}

CString WithoutTrailingBackslashes(CString path)
{
    while (!path.IsEmpty() && path[path.GetLength() - 1] == L'\\')
        path = path.Left(path.GetLength() - 1);
    return path;
}

WNDPROC Subclass(HWND window, WNDPROC procedure, void* object)
{
    SetPropW(window, kObjectProperty, object);
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

void Unsubclass(HWND window, WNDPROC& original)
{
    if (window && original && IsWindow(window)) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropW(window, kObjectProperty);
    }
    original = nullptr;
}

}  // namespace

CBrowseForFolderDlg::CBrowseForFolderDlg(HWND owner)
    : m_ofn(), m_fileBuffer(kFileBufferChars, L'\0'), m_strTitle(L"Select a folder"), m_strNameLabel(L"Folder:"),
      m_strOkCaption(L"Select"), m_strLookInLabel(L"Look in:"), m_bChosen(false), m_extendedError(0),
      m_hDialog(nullptr), m_pfnDialogProc(nullptr), m_hFolderBox(nullptr), m_pfnFolderBoxProc(nullptr),
      m_hShellView(nullptr), m_pfnShellViewProc(nullptr), m_hListView(nullptr), m_largeIconIndex(-1),
      m_smallIconIndex(-1), m_bNewFolderPending(false), m_bTyped(false), m_bValidatedFromBox(false),
      m_bImeEnded(false)
{
    m_strCancelCaption = LoadResourceString(IDS_CANCEL_CAPTION);
    // The size of the first Explorer form on every architecture: the form whose folder box is
    // the edit control 1152.
    m_ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    m_ofn.hwndOwner = owner;
    m_ofn.lpstrFilter = kFilter;
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrFile = m_fileBuffer.data();
    m_ofn.nMaxFile = kFileBufferChars;
    m_ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_NOCHANGEDIR;
    m_ofn.lpfnHook = &HookProc;
    m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
}

CBrowseForFolderDlg::~CBrowseForFolderDlg() = default;

CString CBrowseForFolderDlg::FormatWithSystemText(UINT formatId, const wchar_t* folder, DWORD error) const
{
    CString text;
    text.Format(LoadResourceString(formatId), folder ? folder : L"",
        SystemMessageText(error, 0, kSystemTextLimit).GetString());
    return text;
}

void CBrowseForFolderDlg::ReportCreateError(const wchar_t* folder, DWORD error)
{
    g_pfnMessageBoxW(m_hDialog, FormatWithSystemText(IDS_FOLDER_CREATE_FAILED, folder, error), kErrorCaption,
        MB_ICONWARNING | MB_SETFOREGROUND);
}

void CBrowseForFolderDlg::ReportInitialFolderError(const wchar_t* folder, DWORD error)
{
    g_pfnMessageBoxW(m_hDialog, FormatWithSystemText(IDS_INITIAL_FOLDER_INVALID, folder, error), kErrorCaption,
        MB_ICONWARNING | MB_SETFOREGROUND);
}

INT_PTR CBrowseForFolderDlg::DoModal(const CString& startFolder, CString& chosenFolder)
{
    m_bChosen = false;
    m_strChosenFolder.Empty();
    m_extendedError = 0;
    CString start;
    m_strStartFolder = PrepareStartFolder(startFolder, start) ? start : CString();
    m_ofn.lpstrInitialDir = m_strStartFolder.IsEmpty() ? nullptr : m_strStartFolder.GetString();
    m_ofn.lpstrTitle = m_strTitle.GetString();
    m_fileBuffer.assign(kFileBufferChars, L'\0');
    m_ofn.lpstrFile = m_fileBuffer.data();

    wchar_t saved[MAX_PATH + 1] = L"";
    const DWORD savedLength = GetCurrentDirectoryW(MAX_PATH + 1, saved);
    const BOOL ok = GetOpenFileNameW(&m_ofn);
    if (savedLength > 0 && savedLength <= MAX_PATH)
        SetCurrentDirectoryW(saved);
    RemoveCreatedFolders();
    m_hDialog = nullptr;
    m_hFolderBox = nullptr;
    m_hShellView = nullptr;
    m_hListView = nullptr;

    if (ok && m_bChosen) {
        chosenFolder = m_strChosenFolder;
        return 1;
    }
    m_extendedError = CommDlgExtendedError();
    return 0;
}

// ---- Path logic ----

CString CBrowseForFolderDlg::GetRootOf(const CString& path)
{
    int end = -1;
    if (path.GetLength() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        // The fourth backslash ends server and share; the root keeps it.
        int found = 1;
        for (int i = 2; i < path.GetLength() && end < 0; ++i)
            if (path[i] == L'\\' && ++found == 3)
                end = i;
    } else {
        end = path.Find(L'\\');
    }
    return end < 0 ? CString() : path.Left(end + 1);
}

CString CBrowseForFolderDlg::CombineFolderPath(const CString& folder, const CString& item)
{
    if (item.IsEmpty())
        return folder;
    CString path = item;
    if (!IsAbsolutePath(item)) {
        if (folder.IsEmpty())
            return CString();
        path = folder;
        AddTrailingBackslash(path);
        path += item;
    }
    const CString full = MakeAbsolutePath(folder, path);
    return full.IsEmpty() ? path : full;
}

bool CBrowseForFolderDlg::CreateFolders(const CString& path, DWORD& error)
{
    CString failed;
    return CreateMissingFolders(path, error, failed);
}

bool CBrowseForFolderDlg::CreateMissingFolders(const CString& path, DWORD& error, CString& failed)
{
    const CString root = WithoutTrailingBackslashes(GetRootOf(path + L"\\"));
    std::vector<CString> missing;  // innermost first
    for (CString current = WithoutTrailingBackslashes(path);;) {
        const DWORD attributes = GetFileAttributesW(current);
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (attributes & FILE_ATTRIBUTE_DIRECTORY)
                break;
            error = ERROR_DIRECTORY;
            failed = current;
            return false;
        }
        if (current.GetLength() <= root.GetLength())
            break;
        missing.push_back(current);
        const int slash = current.ReverseFind(L'\\');
        if (slash < 0)
            break;
        current = current.Left(slash);
    }
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
        if (CreateDirectoryW(*folder, nullptr)) {
            m_createdFolders.push_back(*folder);
        } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
            error = GetLastError();
            failed = *folder;
            return false;
        }
    }
    error = 0;
    return true;
}

bool CBrowseForFolderDlg::PrepareStartFolder(const CString& path, CString& startFolder)
{
    CString full = path;
    AddTrailingBackslash(full);
    const CString root = GetRootOf(full);
    if (root.IsEmpty() || !GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) {
        ReportInitialFolderError(root, GetLastError());
        return false;
    }
    DWORD error = 0;
    CString failed;
    if (!CreateMissingFolders(path, error, failed)) {
        ReportInitialFolderError(error == ERROR_DIRECTORY ? path.GetString() : failed.GetString(), error);
        return false;
    }
    startFolder = WithoutTrailingBackslashes(path);
    return true;
}

void CBrowseForFolderDlg::RemoveCreatedFolders()
{
    for (auto folder = m_createdFolders.rbegin(); folder != m_createdFolders.rend(); ++folder)
        RemoveDirectoryW(*folder);
    m_createdFolders.clear();
}

bool CBrowseForFolderDlg::IsCreatedFolder(const CString& path) const
{
    for (const CString& folder : m_createdFolders)
        if (folder.CompareNoCase(path) == 0)
            return true;
    return false;
}

// ---- Windows ----

CBrowseForFolderDlg* CBrowseForFolderDlg::FromWindow(HWND window)
{
    return static_cast<CBrowseForFolderDlg*>(GetPropW(window, kObjectProperty));
}

UINT_PTR CALLBACK CBrowseForFolderDlg::HookProc(HWND hook, UINT message, WPARAM, LPARAM lParam)
{
    try {
        if (message == WM_INITDIALOG) {
            CBrowseForFolderDlg* self
                = reinterpret_cast<CBrowseForFolderDlg*>(reinterpret_cast<OPENFILENAMEW*>(lParam)->lCustData);
            SetPropW(hook, kObjectProperty, self);
            self->OnInitDone(GetParent(hook));
            return TRUE;
        }
        CBrowseForFolderDlg* self = FromWindow(hook);
        if (!self)
            return FALSE;
        if (message == WM_NCDESTROY) {
            RemovePropW(hook, kObjectProperty);
            return FALSE;
        }
        if (message != WM_NOTIFY)
            return FALSE;
        switch (reinterpret_cast<NMHDR*>(lParam)->code) {
        case CDN_FILEOK:
            // The standard file check never closes the picker; OK is handled by the dialog.
            SetWindowLongPtrW(hook, DWLP_MSGRESULT, 1);
            return TRUE;
        case CDN_INITDONE:
        case CDN_FOLDERCHANGE:
            self->AttachShellView();
            self->RefreshFolderBox();
            return FALSE;
        case CDN_SELCHANGE:
            self->RefreshFolderBox();
            return FALSE;
        default:
            return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}

void CBrowseForFolderDlg::OnInitDone(HWND dialog)
{
    m_hDialog = dialog;
    for (int control : {kFileTypeLabel, kFileTypeCombo, kReadOnlyCheck})
        SendMessageW(dialog, CDM_HIDECONTROL, control, 0);
    SendMessageW(dialog, CDM_SETCONTROLTEXT, kNameLabel, reinterpret_cast<LPARAM>(m_strNameLabel.GetString()));
    SendMessageW(dialog, CDM_SETCONTROLTEXT, IDOK, reinterpret_cast<LPARAM>(m_strOkCaption.GetString()));
    SendMessageW(dialog, CDM_SETCONTROLTEXT, kLookInLabel, reinterpret_cast<LPARAM>(m_strLookInLabel.GetString()));
    SendMessageW(dialog, CDM_SETCONTROLTEXT, IDCANCEL, reinterpret_cast<LPARAM>(m_strCancelCaption.GetString()));
    m_pfnDialogProc = Subclass(dialog, &DialogProc, this);
    m_hFolderBox = GetDlgItem(dialog, kFolderBox);
    if (m_hFolderBox)
        m_pfnFolderBoxProc = Subclass(m_hFolderBox, &FolderBoxProc, this);
}

void CBrowseForFolderDlg::AttachShellView()
{
    HWND view = FindWindowExW(m_hDialog, nullptr, L"SHELLDLL_DefView", nullptr);
    if (!view || view == m_hShellView)
        return;
    if (m_hShellView)
        Unsubclass(m_hShellView, m_pfnShellViewProc);
    m_hShellView = view;
    m_pfnShellViewProc = Subclass(view, &ShellViewProc, this);
    m_hListView = FindWindowExW(view, nullptr, L"SysListView32", nullptr);
    if (!m_hListView)
        return;
    struct Size {
        int list, x, y;
        int* index;
    } sizes[] = {
        {LVSIL_NORMAL, SM_CXICON, SM_CYICON, &m_largeIconIndex},
        {LVSIL_SMALL, SM_CXSMICON, SM_CYSMICON, &m_smallIconIndex},
    };
    for (const Size& size : sizes) {
        HIMAGELIST list = reinterpret_cast<HIMAGELIST>(SendMessageW(m_hListView, LVM_GETIMAGELIST, size.list, 0));
        HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kCreatedFolderIcon),
            IMAGE_ICON, GetSystemMetrics(size.x), GetSystemMetrics(size.y), 0));
        *size.index = list && icon ? ImageList_AddIcon(list, icon) : -1;
        if (icon)
            DestroyIcon(icon);
    }
}

LRESULT CALLBACK CBrowseForFolderDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CBrowseForFolderDlg* self = FromWindow(window);
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->OnDialogMessage(window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT CBrowseForFolderDlg::OnDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC original = m_pfnDialogProc;
    switch (message) {
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) == WM_CREATE) {
            const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
            AttachShellView();
            return result;
        }
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == kNewFolderCommand) {
            m_bNewFolderPending = true;
        } else if (LOWORD(wParam) == IDOK) {
            if (OnOk())
                return 0;
            // The dialog opens the folder and empties the box: the box shows where it is now.
            const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
            RefreshFolderBox();
            return result;
        }
        break;
    case WM_NCDESTROY:
        Unsubclass(window, m_pfnDialogProc);
        break;
    default:
        break;
    }
    return CallWindowProcW(original, window, message, wParam, lParam);
}

CString CBrowseForFolderDlg::GetFolderBoxText() const
{
    if (!m_hFolderBox)
        return CString();
    const int length = GetWindowTextLengthW(m_hFolderBox);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(m_hFolderBox, text.data(), length + 1);
    return CString(text.data());
}

bool CBrowseForFolderDlg::OnOk()
{
    const CString text = GetFolderBoxText();
    if (text.IsEmpty())
        return false;
    // The whole text or nothing: a path longer than the file buffer is refused, not cut.
    if (text.GetLength() >= static_cast<int>(kFileBufferChars)) {
        ShowMessage(SystemMessageText(ERROR_FILENAME_EXCED_RANGE, 0, kSystemTextLimit), MB_ICONWARNING | MB_SETFOREGROUND);
        RefreshFolderBox();
        return true;
    }
    try {
        ValidateInstallPath(text);
    } catch (const WindowsError& error) {
        const DWORD code = error.GetCode();
        if (code == ERROR_INVALID_DRIVE || code == ERROR_INVALID_NAME || code == ERROR_DIRECTORY) {
            ShowMessage(error.GetContext(), MB_ICONWARNING | MB_SETFOREGROUND);
            RefreshFolderBox();
            return true;
        }
        if (m_ofn.Flags & OFN_PATHMUSTEXIST) {
            ShowMessage(SystemMessageText(ERROR_PATH_NOT_FOUND, 0, kSystemTextLimit), MB_ICONWARNING | MB_SETFOREGROUND);
            RefreshFolderBox();
            return true;
        }
    }
    if (m_bValidatedFromBox) {
        // The dialog opens the folder typed into the box.
        m_bValidatedFromBox = false;
        return false;
    }
    wcsncpy(m_fileBuffer.data(), text.GetString(), kFileBufferChars - 1);
    m_fileBuffer[kFileBufferChars - 1] = L'\0';
    m_strChosenFolder = text;
    m_bChosen = true;
    EndDialog(m_hDialog, IDOK);
    return true;
}

LRESULT CALLBACK CBrowseForFolderDlg::FolderBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CBrowseForFolderDlg* self = FromWindow(window);
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->OnFolderBoxMessage(window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT CBrowseForFolderDlg::OnFolderBoxMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC original = m_pfnFolderBoxProc;
    bool validate = false;
    switch (message) {
    case WM_GETDLGCODE:
        if (wParam == VK_RETURN)
            return CallWindowProcW(original, window, message, wParam, lParam) | DLGC_WANTALLKEYS;
        break;
    case WM_CHAR:
        if (wParam != L'\r')
            m_bTyped = true;
        break;
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
        m_bTyped = true;
        break;
    case WM_IME_ENDCOMPOSITION:
        m_bImeEnded = true;
        break;
    case WM_KEYUP:
        if (wParam == VK_RETURN) {
            if (m_bImeEnded)
                m_bImeEnded = false;
            else
                validate = m_bTyped;
        }
        break;
    case WM_KILLFOCUS: {
        const HWND next = reinterpret_cast<HWND>(wParam);
        const bool toShellView = next && m_hShellView && (next == m_hShellView || IsChild(m_hShellView, next));
        validate = m_bTyped && !toShellView;
        break;
    }
    case WM_NCDESTROY:
        Unsubclass(window, m_pfnFolderBoxProc);
        m_hFolderBox = nullptr;
        return CallWindowProcW(original, window, message, wParam, lParam);
    default:
        break;
    }
    const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
    if (validate) {
        m_bTyped = false;
        if (ValidateTypedFolder()) {
            m_bValidatedFromBox = true;
            SendMessageW(m_hDialog, WM_COMMAND, IDOK, 0);
        } else {
            RefreshFolderBox();
        }
    }
    return result;
}

bool CBrowseForFolderDlg::ValidateTypedFolder()
{
    const CString text = GetFolderBoxText();
    if (text.IsEmpty() || (m_ofn.Flags & OFN_PATHMUSTEXIST))
        return true;
    try {
        ValidateInstallPath(text);
        return true;
    } catch (const WindowsError& error) {
        if (error.GetCode() != ERROR_FILE_NOT_FOUND && error.GetCode() != ERROR_PATH_NOT_FOUND)
            return true;
    }
    CString question;
    question.Format(LoadResourceString(IDS_CREATE_FOLDER_QUESTION), text.GetString());
    if (ShowMessage(question, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
        return false;
    DWORD error = 0;
    CString failed;
    if (!CreateMissingFolders(text, error, failed)) {
        ReportCreateError(failed, error);
        SetLastError(error);
        return false;
    }
    return true;
}

LRESULT CALLBACK CBrowseForFolderDlg::ShellViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CBrowseForFolderDlg* self = FromWindow(window);
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->OnShellViewMessage(window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT CBrowseForFolderDlg::OnShellViewMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC original = m_pfnShellViewProc;
    if (message == WM_NCDESTROY) {
        Unsubclass(window, m_pfnShellViewProc);
        m_hShellView = nullptr;
        m_hListView = nullptr;
        return CallWindowProcW(original, window, message, wParam, lParam);
    }
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (message != WM_NOTIFY || !header || header->hwndFrom != m_hListView)
        return CallWindowProcW(original, window, message, wParam, lParam);

    switch (header->code) {
    case LVN_INSERTITEM: {
        const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
        const int item = reinterpret_cast<const NMLISTVIEW*>(lParam)->iItem;
        if (m_bNewFolderPending || IsCreatedFolder(CombineFolderPath(GetCurrentFolder(), GetItemText(m_hListView, item))))
            MarkItem(m_hListView, item);
        return result;
    }
    case LVN_ENDLABELEDITW:
    case LVN_ENDLABELEDITA: {
        const int item = reinterpret_cast<const NMLVDISPINFOW*>(lParam)->item.iItem;
        CString newName;
        bool named = false;
        if (header->code == LVN_ENDLABELEDITW) {
            const wchar_t* text = reinterpret_cast<const NMLVDISPINFOW*>(lParam)->item.pszText;
            named = text != nullptr;
            newName = text ? text : L"";
        } else {
            const char* text = reinterpret_cast<const NMLVDISPINFOA*>(lParam)->item.pszText;
            named = text != nullptr;
            if (text) {
                std::wstring wide;
                OrbelToolbox::MultiByteToWide(text, wide, OrbelToolbox::GetAnsiCodePage(GetUserDefaultLCID()));
                newName = wide.c_str();
            }
        }
        const CString oldName = GetItemText(m_hListView, item);
        const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
        OnLabelEdited(m_hListView, item, oldName, named ? &newName : nullptr);
        return result;
    }
    default:
        return CallWindowProcW(original, window, message, wParam, lParam);
    }
}

void CBrowseForFolderDlg::OnLabelEdited(HWND list, int item, const CString& oldName, const CString* newName)
{
    const CString folder = GetCurrentFolder();
    const CString oldPath = CombineFolderPath(folder, oldName);
    if (m_bNewFolderPending) {
        // A new folder keeps the name it was given, or its first name when the edit gave none.
        m_createdFolders.push_back(newName && !newName->IsEmpty() ? CombineFolderPath(folder, *newName) : oldPath);
        m_bNewFolderPending = false;
        MarkItem(list, item);
    } else if (newName && !newName->IsEmpty() && newName->Compare(oldName) != 0) {
        for (CString& created : m_createdFolders) {
            if (created.CompareNoCase(oldPath) == 0) {
                created = CombineFolderPath(folder, *newName);
                MarkItem(list, item);
                break;
            }
        }
    }
    RefreshFolderBox();
}

void CBrowseForFolderDlg::MarkItem(HWND list, int item)
{
    if (m_largeIconIndex < 0 || item < 0)
        return;
    LVITEMW entry = {};
    entry.mask = LVIF_IMAGE;
    entry.iItem = item;
    entry.iImage = m_largeIconIndex;
    SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&entry));
}

CString CBrowseForFolderDlg::GetCurrentFolder() const
{
    wchar_t folder[MAX_PATH + 1] = L"";
    if (!m_hDialog || SendMessageW(m_hDialog, CDM_GETFOLDERPATH, MAX_PATH + 1, reinterpret_cast<LPARAM>(folder)) <= 0)
        return CString();
    return CString(folder);
}

CString CBrowseForFolderDlg::GetItemText(HWND list, int item) const
{
    wchar_t text[MAX_PATH + 1] = L"";
    LVITEMW entry = {};
    entry.iSubItem = 0;
    entry.pszText = text;
    entry.cchTextMax = MAX_PATH + 1;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&entry));
    return CString(text);
}

void CBrowseForFolderDlg::RefreshFolderBox()
{
    if (!m_hFolderBox || !m_hDialog)
        return;
    const CString folder = GetCurrentFolder();
    CString text = folder;
    if (m_hListView && IsWindow(m_hListView)) {
        const int selected = static_cast<int>(SendMessageW(m_hListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (selected >= 0)
            text = CombineFolderPath(folder, GetItemText(m_hListView, selected));
    }
    EnableWindow(GetDlgItem(m_hDialog, IDOK), !text.IsEmpty());
    SetWindowTextW(m_hFolderBox, text);
}

int CBrowseForFolderDlg::ShowMessage(const CString& text, UINT type)
{
    return g_pfnMessageBoxW(m_hDialog ? m_hDialog : m_ofn.hwndOwner, text, m_strTitle, type);
}
