#include "SingleDirectoryDialog.h"

#include "BrowseForFolderDlg.h"
#include "Distribution.h"
#include "LanguageHelpers.h"
#include "MsiInstallerError.h"
#include "PageBusyScope.h"
#include "PathHelpers.h"
#include "ScopedMultibyteCodePage.h"
#include "SingleDirectoryDialogInfo.h"
#include "TopDialog.h"
#include "WizardDistribution.h"
#include "resource.h"

namespace {

// A row's windows in pixels, relative to the page and the row's top.
const int kGroupLeft = 60;
const int kGroupRight = 536;
const int kGroupHeight = 49;
const int kEditLeft = 69;
const int kEditRight = 440;
const int kBrowseLeft = 447;
const int kBrowseRight = 522;
const int kControlTop = 18;
const int kControlBottom = 41;
// The first row's top lies this far above one step below the texts.
const int kFirstRowLift = 24;
const UINT kNoId = static_cast<UINT>(-1);

const wchar_t kUndefinedDirectoryText[] =
    L"Developer Error on ini file [SingleDirectoryDialog] section. Property %s is undefined in the Directory table.";
const wchar_t kUndefinedDirectoryCaption[] = L"Error";

}  // namespace

int(WINAPI* CSingleDirectoryDialog::s_pfnMessageBoxW)(HWND, LPCWSTR, LPCWSTR, UINT) = &::MessageBoxW;

BEGIN_MESSAGE_MAP(CSingleDirectoryDialog, CNestedInstallerDialog)
    ON_COMMAND_RANGE(CSingleDirectoryDialog::kFirstBrowseId,
        CSingleDirectoryDialog::kFirstBrowseId + CSingleDirectoryDialog::kMaxRows - 1, OnBrowse)
END_MESSAGE_MAP()

CSingleDirectoryDialog::CSingleDirectoryDialog(eDialogState state, CTopDialog* frame)
    : CNestedInstallerDialog(IDD_SINGLE_DIRECTORY_PAGE, state, frame)
{
}

CSingleDirectoryDialog::~CSingleDirectoryDialog() { }

UINT CSingleDirectoryDialog::GetTitleId()
{
    return IDS_SINGLE_DIRECTORY_TITLE;
}

UINT CSingleDirectoryDialog::GetSubtitleId()
{
    return IDS_SINGLE_DIRECTORY_SUBTITLE;
}

BOOL CSingleDirectoryDialog::OnInitDialog()
{
    CNestedInstallerDialog::OnInitDialog();
    CreateDirectoryRows();
    return FALSE;
}

void CSingleDirectoryDialog::CreateDirectoryRows()
{
    auto* info = dynamic_cast<CConfigInfo::SingleDirectoryDialogInfo*>(m_pDialogInfo);
    if (!info)
        return;
    const int count = static_cast<int>(info->GetDirectoryCount() < kMaxRows ? info->GetDirectoryCount() : kMaxRows);
    RECT texts = {};
    info->GetTextRect(texts);
    CRect client;
    GetClientRect(client);
    const int step = (client.Height() - texts.bottom) / (count + 1);
    int y = texts.bottom + step - kFirstRowLift;
    for (int i = 0; i < count; ++i, y += step) {
        CString property;
        CString label;
        info->GetDirectory(i, property, label);
        CString path;
        bool defined = true;
        try {
            path = GetTargetPath(property);
        } catch (const MsiInstallerError&) {
            CString text;
            text.Format(kUndefinedDirectoryText, property.GetString());
            s_pfnMessageBoxW(m_hWnd, text, kUndefinedDirectoryCaption, MB_OK);
            path.Empty();
            defined = false;
        }
        AddDirectoryRow(property, path, label, y, i);
        m_rows.back()->defined = defined;
    }
}

void CSingleDirectoryDialog::AddDirectoryRow(
    const CString& property, const CString& path, const CString& label, int y, int row)
{
    std::unique_ptr<DirectoryRow> created(new DirectoryRow);
    created->property = property;
    CFont* pageFont = GetFont();
    created->group.Create(
        label, WS_CHILD | WS_VISIBLE | BS_GROUPBOX, CRect(kGroupLeft, y, kGroupRight, y + kGroupHeight), this, kNoId);
    created->group.SetFont(pageFont, FALSE);
    created->edit.CreateEx(0, L"EDIT", L"",
        WS_CHILD | WS_VISIBLE | WS_BORDER | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL,
        CRect(kEditLeft, y + kControlTop, kEditRight, y + kControlBottom), this, kNoId);
    created->edit.SetFont(pageFont, FALSE);
    created->edit.SetPath(path);
    created->browse.Create(LoadResourceString(IDS_BROWSE_CAPTION), WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP,
        CRect(kBrowseLeft, y + kControlTop, kBrowseRight, y + kControlBottom), this,
        kFirstBrowseId + static_cast<UINT>(row));
    if (m_pFrame && m_pFrame->m_hWnd) {
        if (HWND cancel = ::GetDlgItem(m_pFrame->m_hWnd, IDC_FRAME_CANCEL))
            created->browse.SendMessage(WM_SETFONT, ::SendMessageW(cancel, WM_GETFONT, 0, 0), FALSE);
    }
    MarkWindowRescaled(created->group.m_hWnd);
    MarkWindowRescaled(created->edit.m_hWnd);
    MarkWindowRescaled(created->browse.m_hWnd);
    m_rows.push_back(std::move(created));
}

void CSingleDirectoryDialog::OnBrowse(UINT id)
{
    const size_t index = id - kFirstBrowseId;
    if (index >= m_rows.size())
        return;
    DirectoryRow& row = *m_rows[index];
    CString previous;
    row.edit.GetWindowText(previous);
    CString chosen;
    if (BrowseForFolder(previous, chosen)) {
        AddTrailingBackslash(chosen);
        row.edit.SetPath(chosen);
    } else {
        row.edit.SetPath(previous);
    }
}

bool CSingleDirectoryDialog::BrowseForFolder(const CString& start, CString& chosen)
{
    CScopedMultibyteCodePage codePage(OrbelToolbox::GetAnsiCodePage(::GetUserDefaultLCID()));
    CBrowseForFolderDlg browser(m_hWnd);
    browser.SetTitle(LoadResourceString(IDS_BROWSE_FOLDER_TITLE));
    browser.SetLookInLabel(LoadResourceString(IDS_BROWSE_LOOK_IN));
    browser.SetNameLabel(LoadResourceString(IDS_BROWSE_FOLDER_LABEL));
    browser.SetOkCaption(LoadResourceString(IDS_BROWSE_SELECT));
    return browser.DoModal(start, chosen) == IDOK;
}

BOOL CSingleDirectoryDialog::OnNext()
{
    CString caption;
    if (m_pFrame && m_pFrame->m_hWnd)
        m_pFrame->GetWindowText(caption);
    bool result = true;
    bool changed = false;
    {
        CPageBusyScope busy(*this);
        for (auto& row : m_rows) {
            // A directory the package does not have was reported when the row was made: there
            // is no target path to check against or to set.
            if (!row->defined)
                continue;
            const CString previous = GetTargetPath(row->property);
            if (!ValidateRow(*row, previous, caption)) {
                result = false;
                break;
            }
            CString text;
            row->edit.GetWindowText(text);
            if (text.Compare(previous) != 0)
                changed = true;
        }
        if (result && changed)
            ReapplyInstallLevel();
    }
    return result ? TRUE : FALSE;
}

CString CSingleDirectoryDialog::GetTargetPath(const CString& property)
{
    CString path;
    WizardDistribution().GetTargetPath(property, path);
    return path;
}

bool CSingleDirectoryDialog::ValidateRow(DirectoryRow& row, const CString& previousPath, const CString& caption)
{
    return row.edit.Validate(WizardDistribution(), row.property, previousPath, caption, true, true);
}

void CSingleDirectoryDialog::ReapplyInstallLevel()
{
    CDistribution& distribution = WizardDistribution();
    distribution.SetInstallLevel(distribution.GetInstallLevel(), false);
}
