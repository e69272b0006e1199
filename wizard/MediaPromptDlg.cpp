#include "MediaPromptDlg.h"

#include <windows.h>

#include <dbt.h>

#include "BrowseForFolderDlg.h"
#include "DC.h"
#include "FileVersion.h"
#include "IdFile.h"
#include "InstallerErrors.h"
#include "LanguageHelpers.h"
#include "PathHelpers.h"
#include "PlatformChecks.h"
#include "ScopedMultibyteCodePage.h"
#include "UniqueHandle.h"
#include "resource.h"

namespace {

// The shell asks the foreground window with this message whether to start AutoPlay for an
// inserted disc; 0 until the first prompt registers it.
UINT g_wmQueryCancelAutoPlay = 0;

const COLORREF kErrorTextColor = RGB(255, 0, 0);

// Old shells (on the 9x family, before version 4.70) know no QueryCancelAutoPlay: there the
// prompt switches AutoRun off for every drive type through the user's policy.
const wchar_t kExplorerPolicyKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const wchar_t kNoDriveTypeAutoRun[] = L"NoDriveTypeAutoRun";
const DWORD kAutoRunOffForAllDrives = 255;
const uint64_t kShellVersionWithAutoPlayQuery = (uint64_t(4) << 48) | (uint64_t(70) << 32);

bool NeedsAutoRunPolicy()
{
    if (IsWindowsNT())
        return false;
    if (CMediaPromptDlg::s_shellVersion == 0) {
        wchar_t system[MAX_PATH];
        const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return false;
        CString shell(system);
        AddTrailingBackslash(shell);
        shell += L"shell32.dll";
        uint64_t version = 0;
        if (!GetFileVersion(shell, version))
            return false;
        CMediaPromptDlg::s_shellVersion = version;
    }
    return CMediaPromptDlg::s_shellVersion < kShellVersionWithAutoPlayQuery;
}

// Asks the user for an existing folder in the folder browser, starting at `start`; true with
// `chosen` set when one was picked.
bool BrowseForMediaFolder(HWND owner, const CString& title, const CString& start, CString& chosen)
{
    CBrowseForFolderDlg browser(owner);
    browser.SetNameLabel(LoadResourceString(IDS_BROWSE_FOLDER_LABEL));
    browser.SetLookInLabel(LoadResourceString(IDS_BROWSE_LOOK_IN));
    browser.SetOkCaption(LoadResourceString(IDS_BROWSE_SELECT));
    browser.SetTitle(title);
    browser.SetPathMustExist(true);
    return browser.DoModal(start, chosen) == 1;
}

}  // namespace

uint64_t CMediaPromptDlg::s_shellVersion = 0;

BEGIN_MESSAGE_MAP(CMediaPromptDlg, CDialog)
    ON_EN_CHANGE(IDC_MEDIA_FOLDER, OnFolderChange)
    ON_BN_CLICKED(IDC_MEDIA_BROWSE, OnBrowse)
    ON_WM_DEVICECHANGE()
    ON_WM_CTLCOLOR()
    ON_REGISTERED_MESSAGE(g_wmQueryCancelAutoPlay, OnQueryCancelAutoPlay)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CMediaPromptDlg::CMediaPromptDlg()
    : CDialog(IDD_MEDIA_PROMPT), m_hOwner(nullptr), m_bLoadingControls(false), m_bAutoRunSaved(false),
      m_bAutoRunExisted(false), m_dwAutoRunType(REG_NONE)
{
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    if (length > 0) {
        std::vector<wchar_t> folder(length);
        if (GetCurrentDirectoryW(length, folder.data()) < length)
            m_strPath = folder.data();
    }
}

CMediaPromptDlg::~CMediaPromptDlg() = default;

bool CMediaPromptDlg::IsMediaPresent()
{
    return ValidatePath(m_strPath);
}

bool CMediaPromptDlg::IsUsableFolder(const CString& folder)
{
    if (folder.GetLength() < 3)
        return false;
    // "\\server" names no share: only a further backslash after the server's name makes it a folder.
    return !(folder[1] == L'\\' && folder.Find(L'\\', 3) < 0);
}

CString CMediaPromptDlg::GetBrowseStartFolder(const CString& folder)
{
    CString start = folder;
    while (!start.IsEmpty()) {
        if (CanEnterDirectory(start))
            return start;
        CString root;
        const int cut = start.ReverseFind(L'\\');
        if (cut < 0 || !GetVolumeRoot(start, root) || start.CompareNoCase(root) == 0)
            break;
        CString bareRoot = root;
        RemoveTrailingBackslash(bareRoot);
        if (cut < bareRoot.GetLength())
            break;
        // "X:" alone would name the drive's current folder: its root is meant.
        start = cut == bareRoot.GetLength() ? root : start.Left(cut);
    }
    wchar_t windows[MAX_PATH];
    const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH);
    return length > 0 && length < MAX_PATH ? CString(windows) : CString();
}

bool CMediaPromptDlg::ReadIdFile(const CString& folder, const CString& fileName, CIdFile& idFile)
{
    CString candidate = folder;
    if (candidate.IsEmpty() || candidate[candidate.GetLength() - 1] != L'\\')
        candidate += L'\\';
    CString name = fileName;
    candidate += RemoveLeadingBackslash(name);
    if (GetFileAttributesW(candidate) == INVALID_FILE_ATTRIBUTES)
        return false;
    try {
        idFile.Read(candidate);
        return true;
    } catch (const IniFileErrors&) {
        return false;  // an unreadable file is not the expected medium
    }
}

void CMediaPromptDlg::SetOwnerWindow(HWND owner)
{
    m_hOwner = owner;
    if (m_hWnd)
        ::SetWindowLongPtrW(m_hWnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

INT_PTR CMediaPromptDlg::DoModal()
{
    // DoModal reads its parent once, before the loop frees the thread's temporary objects.
    m_pParentWnd = CWnd::FromHandle(m_hOwner);
    const INT_PTR result = CDialog::DoModal();
    m_pParentWnd = nullptr;
    return result;
}

void CMediaPromptDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_MEDIA_ERROR, m_errorLine);
    DDX_Text(dx, IDC_MEDIA_PROMPT_TEXT, m_strPrompt);
    DDX_Text(dx, IDC_MEDIA_FOLDER, m_strPath);
}

void CMediaPromptDlg::LoadControls()
{
    m_bLoadingControls = true;
    try {
        UpdateData(FALSE);
    } catch (...) {
        m_bLoadingControls = false;
        throw;
    }
    m_bLoadingControls = false;
}

BOOL CMediaPromptDlg::OnInitDialog()
{
    if (g_wmQueryCancelAutoPlay == 0)
        g_wmQueryCancelAutoPlay = ::RegisterWindowMessageW(L"QueryCancelAutoPlay");
    LoadControls();
    if (!m_strCaption.IsEmpty())
        SetWindowText(m_strCaption);
    if (NeedsAutoRunPolicy())
        SuppressAutoRun();
    Check();
    return TRUE;
}

void CMediaPromptDlg::Check()
{
    UpdateData(TRUE);
    bool found = false;
    if (IsUsableFolder(m_strPath)) {
        found = ValidatePath(m_strPath);
    } else if (m_strError.IsEmpty()) {
        m_strError = LoadResourceString(IDS_WRONG_VOLUME);
    }
    if (found) {
        m_errorLine.ShowWindow(SW_HIDE);
        EndDialog(IDOK);
    } else {
        m_errorLine.SetWindowText(m_strError);
        m_errorLine.ShowWindow(SW_SHOW);
    }
}

void CMediaPromptDlg::OnOK()
{
    Check();
}

void CMediaPromptDlg::OnFolderChange()
{
    if (!m_bLoadingControls)
        Check();
}

BOOL CMediaPromptDlg::OnDeviceChange(UINT event, DWORD_PTR data)
{
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (event == DBT_DEVICEARRIVAL && header && header->dbch_devicetype == DBT_DEVTYP_VOLUME)
        Check();
    return TRUE;
}

void CMediaPromptDlg::OnBrowse()
{
    UpdateData(TRUE);
    CString caption;
    GetWindowText(caption);
    CString chosen;
    bool picked;
    {
        CScopedMultibyteCodePage codePage(OrbelToolbox::GetAnsiCodePage(::GetUserDefaultLCID()));
        picked = BrowseForMediaFolder(m_hWnd, caption, GetBrowseStartFolder(m_strPath), chosen);
    }
    if (!picked)
        return;
    m_strPath = chosen;
    LoadControls();
    Check();
}

HBRUSH CMediaPromptDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT)
{
    const HBRUSH brush = reinterpret_cast<HBRUSH>(Default());
    if (wnd && wnd->GetDlgCtrlID() == IDC_MEDIA_ERROR)
        dc->SetTextColor(kErrorTextColor);
    return brush;
}

LRESULT CMediaPromptDlg::OnQueryCancelAutoPlay(WPARAM, LPARAM)
{
    // Cancels AutoPlay while the prompt is open.
    ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

void CMediaPromptDlg::OnDestroy()
{
    RestoreAutoRun();
    Default();
}

void CMediaPromptDlg::SuppressAutoRun()
{
    OrbelToolbox::UniqueRegKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kExplorerPolicyKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
            nullptr, key.AddressOf(), nullptr)
        != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    DWORD type = REG_NONE;
    LSTATUS status = ::RegQueryValueExW(key.Get(), kNoDriveTypeAutoRun, nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
        m_bAutoRunExisted = false;
        m_autoRunData.clear();
    } else if (status == ERROR_SUCCESS) {
        std::vector<BYTE> data(size);
        if (::RegQueryValueExW(key.Get(), kNoDriveTypeAutoRun, nullptr, &type, data.empty() ? nullptr : data.data(),
                &size)
            != ERROR_SUCCESS)
            return;
        data.resize(size);
        m_bAutoRunExisted = true;
        m_dwAutoRunType = type;
        m_autoRunData.swap(data);
    } else {
        return;  // a value that cannot be read is left alone
    }
    m_bAutoRunSaved = true;
    const DWORD off = kAutoRunOffForAllDrives;
    ::RegSetValueExW(key.Get(), kNoDriveTypeAutoRun, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof(off));
}

void CMediaPromptDlg::RestoreAutoRun()
{
    if (!m_bAutoRunSaved)
        return;
    m_bAutoRunSaved = false;
    OrbelToolbox::UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kExplorerPolicyKey, 0, KEY_SET_VALUE, key.AddressOf()) != ERROR_SUCCESS)
        return;
    if (m_bAutoRunExisted) {
        ::RegSetValueExW(key.Get(), kNoDriveTypeAutoRun, 0, m_dwAutoRunType,
            m_autoRunData.empty() ? nullptr : m_autoRunData.data(), static_cast<DWORD>(m_autoRunData.size()));
    } else {
        // There was no value before the prompt: none is left behind.
        ::RegDeleteValueW(key.Get(), kNoDriveTypeAutoRun);
    }
}
