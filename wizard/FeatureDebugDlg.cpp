#include "FeatureDebugDlg.h"

#include <msi.h>

#include "Distribution.h"
#include "Feature.h"
#include "Part.h"
#include "resource.h"

namespace {

const wchar_t kInvalidVariable[] = L"<Invalid Variable>";
const int kPropertyColumn = 0;
const int kValueColumn = 1;

CString TrueFalse(bool value)
{
    return value ? L"True" : L"False";
}

CString Decimal(int value)
{
    CString text;
    text.Format(L"%d", value);
    return text;
}

// The key of every linked feature, joined by ", ".
template <typename Iterator> CString JoinKeys(Iterator first, Iterator last)
{
    CString keys;
    for (Iterator link = first; link != last; ++link) {
        if (!keys.IsEmpty())
            keys += L", ";
        keys += link->feature->GetName();
    }
    return keys;
}

const wchar_t* OrInvalid(const wchar_t* name)
{
    return name && *name ? name : kInvalidVariable;
}

// A rectangle's distance from the client's right or bottom edge.
CRect ClientRectOf(CWnd& dialog, int id)
{
    CRect rect;
    ::GetWindowRect(::GetDlgItem(dialog.m_hWnd, id), rect);
    ::MapWindowPoints(nullptr, dialog.m_hWnd, reinterpret_cast<POINT*>(static_cast<RECT*>(rect)), 2);
    return rect;
}

}  // namespace

BEGIN_MESSAGE_MAP(CFeatureDebugDlg, CBaseDialog)
    ON_WM_SIZE()
END_MESSAGE_MAP()

CFeatureDebugDlg::CFeatureDebugDlg()
    : CBaseDialog(IDD_FEATURE_PEEK, nullptr), m_closeBottom(0), m_listRight(0), m_listBottom(0), m_groupRight(0),
      m_editRight(0)
{
}

bool CFeatureDebugDlg::ShowFor(std::unique_ptr<CFeatureDebugDlg>& dialog, CWnd* owner, CFeature* feature)
{
    if (!dialog) {
        std::unique_ptr<CFeatureDebugDlg> created(new CFeatureDebugDlg);
        if (!created->Create(IDD_FEATURE_PEEK, owner))
            return false;
        created->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        dialog = std::move(created);
    }
    if (feature)
        dialog->ShowFeature(feature);
    dialog->ShowWindow(SW_SHOW);
    return true;
}

const wchar_t* CFeatureDebugDlg::StateName(int state)
{
    static const wchar_t* const kNames[] = {L"Not Used", L"Bad Configuration", L"Incomplete", L"Absent",
        L"Buffer Overflow", L"Invalid Argument", L"Unknown", L"Broken", L"Advertised", L"Absent", L"Local", L"Source",
        L"Default"};
    if (state < INSTALLSTATE_NOTUSED || state > INSTALLSTATE_DEFAULT)
        return L"Invalid State";
    return kNames[state - INSTALLSTATE_NOTUSED];
}

const wchar_t* CFeatureDebugDlg::UpgradeModeName(int mode)
{
    return OrInvalid(CPart::UpgradeTable::UpgradeModeName(mode));
}

const wchar_t* CFeatureDebugDlg::VersionModeName(int mode)
{
    return OrInvalid(CPart::UpgradeTable::VersionModeName(mode));
}

const wchar_t* CFeatureDebugDlg::LanguageModeName(int mode)
{
    return OrInvalid(CPart::UpgradeTable::LanguageModeName(mode));
}

void CFeatureDebugDlg::DoDataExchange(CDataExchange*) { }

BOOL CFeatureDebugDlg::OnInitDialog()
{
    CBaseDialog::OnInitDialog();
    CRect client;
    GetClientRect(client);
    const CRect close = ClientRectOf(*this, IDC_PEEK_CLOSE);
    const CRect placeholder = ClientRectOf(*this, IDC_PEEK_PROPERTIES);
    m_closeBottom = client.bottom - close.top;
    m_listRight = client.right - placeholder.right;
    m_listBottom = client.bottom - placeholder.bottom;
    m_groupRight = client.right - ClientRectOf(*this, IDC_PEEK_GROUP).right;
    m_editRight = client.right - ClientRectOf(*this, IDC_PEEK_TITLE).right;

    ::DestroyWindow(::GetDlgItem(m_hWnd, IDC_PEEK_PROPERTIES));
    if (!m_list.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
            placeholder, this, IDC_PEEK_PROPERTIES))
        return FALSE;
    m_list.SendMessage(WM_SETFONT, SendMessage(WM_GETFONT), FALSE);
    // The list takes the placeholder's place in the tab order, before Close.
    ::SetWindowPos(m_list.m_hWnd, ::GetDlgItem(m_hWnd, IDC_PEEK_LEVEL), 0, 0, 0, 0,
        SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_list.InsertColumn(kPropertyColumn, L"Property");
    m_list.InsertColumn(kValueColumn, L"Value");
    return TRUE;
}

void CFeatureDebugDlg::OnSize(UINT type, int cx, int cy)
{
    Default();
    if (type != SIZE_RESTORED || !m_list.m_hWnd)
        return;
    auto moveTo = [this](int id, const CRect& rect) {
        ::SetWindowPos(::GetDlgItem(m_hWnd, id), nullptr, rect.left, rect.top, rect.Width(), rect.Height(),
            SWP_NOZORDER | SWP_NOACTIVATE);
    };
    CRect close = ClientRectOf(*this, IDC_PEEK_CLOSE);
    close.OffsetRect((cx - close.Width()) / 2 - close.left, cy - m_closeBottom - close.top);
    moveTo(IDC_PEEK_CLOSE, close);
    CRect list = ClientRectOf(*this, IDC_PEEK_PROPERTIES);
    list.right = cx - m_listRight;
    list.bottom = cy - m_listBottom;
    moveTo(IDC_PEEK_PROPERTIES, list);
    CRect group = ClientRectOf(*this, IDC_PEEK_GROUP);
    group.right = cx - m_groupRight;
    moveTo(IDC_PEEK_GROUP, group);
    for (int id : {IDC_PEEK_TITLE, IDC_PEEK_KEY, IDC_PEEK_LEVEL}) {
        CRect edit = ClientRectOf(*this, id);
        edit.right = cx - m_editRight;
        moveTo(id, edit);
    }
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void CFeatureDebugDlg::AddRow(const wchar_t* property, const wchar_t* value)
{
    const int row = m_list.InsertItem(m_list.GetItemCount(), property);
    if (row >= 0)
        m_list.SetItemText(row, kValueColumn, value);
}

void CFeatureDebugDlg::ShowFeature(CFeature* feature)
{
    ::SetDlgItemTextW(m_hWnd, IDC_PEEK_TITLE, feature->GetTitle());
    ::SetDlgItemTextW(m_hWnd, IDC_PEEK_KEY, feature->GetName());
    const CDistribution* distribution = feature->GetDistribution();
    ::SetDlgItemTextW(m_hWnd, IDC_PEEK_LEVEL, Decimal(distribution ? distribution->GetInstallLevel() : 0));

    m_list.DeleteAllItems();
    AddRow(L"Original Key", feature->GetPartFeatureName());
    AddRow(L"Parent", feature->GetParent() ? feature->GetParent()->GetName().GetString() : L"<Root>");
    AddRow(L"Description", feature->GetDescription());
    AddRow(L"Display", Decimal(feature->GetDisplay()));
    AddRow(L"Hidden", TrueFalse(feature->IsHidden(false)));
    AddRow(L"Level", Decimal(feature->GetLevel()));
    AddRow(L"Directory", feature->GetDirectory());
    CString directory;
    feature->GetDirectoryValue(directory);
    AddRow(L"Directory Value", directory);
    AddRow(L"Action State", StateName(feature->GetActionState()));
    AddRow(L"Current State", StateName(feature->GetCurrentState()));
    AddRow(L"Last User Req.", StateName(feature->m_lastUserRequest));
    AddRow(L"Transitive", TrueFalse(feature->IsTransitive() && feature->HasInstalledTransitiveAncestor()));
    if (const CPart* part = feature->GetPart()) {
        AddRow(L"Part", part->GetProductName());
        AddRow(L"Part State", StateName(part->GetProductState()));
        const CPart::UpgradeTable* table = part->GetUpgradeTable();
        AddRow(L"Part Upgrade Mode", UpgradeModeName(table ? table->GetUpgradeMode() : -1));
        AddRow(L"Part Version Mode", VersionModeName(table ? table->GetVersionMode() : -1));
        AddRow(L"Part Language Mode", LanguageModeName(table ? table->GetLanguageMode() : -1));
    } else {
        AddRow(L"Part", L"<No Part>");
    }
    AddRow(L"Selected Dependencies", JoinKeys(feature->SelectedDependenciesBegin(), feature->SelectedDependenciesEnd()));
    AddRow(L"Dependents", JoinKeys(feature->DependentsBegin(), feature->DependentsEnd()));
    m_list.SetColumnWidth(kPropertyColumn, LVSCW_AUTOSIZE);
    m_list.SetColumnWidth(kValueColumn, LVSCW_AUTOSIZE_USEHEADER);
}
