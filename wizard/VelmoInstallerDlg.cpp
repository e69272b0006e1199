#include "VelmoInstallerDlg.h"

#include <map>
#include <memory>
#include <ostream>
#include <vector>
#include <set>

#include "ApplicationServices.h"
#include "BrowseForFolderDlg.h"
#include "DC.h"
#include "DiskCostDlg.h"
#include "Distribution.h"
#include "Feature.h"
#include "FeatureStatePanel.h"
#include "FeatureTree.h"
#include "FeatureTreeCtrlMenu.h"
#include "LanguageHelpers.h"
#include "LinkedDistributionInfo.h"
#include "MsiApi.h"
#include "MsiInstallerError.h"
#include "Part.h"
#include "PathHelpers.h"
#include "PrivateMessages.h"
#include "Resources.h"
#include "ScopedMultibyteCodePage.h"
#include "TopDialog.h"
#include "TransBmp.h"
#include "WizardDistribution.h"
#include "resource.h"

namespace {

// The product state of a feature without a part.
const int kNoProductState = 5;
const int kLinkedIconSize = 32;

bool BrowseForFolder(HWND owner, const CString& start, CString& chosen)
{
    CBrowseForFolderDlg browser(owner);
    browser.SetNameLabel(LoadResourceString(IDS_BROWSE_FOLDER_LABEL));
    browser.SetLookInLabel(LoadResourceString(IDS_BROWSE_LOOK_IN));
    browser.SetOkCaption(LoadResourceString(IDS_BROWSE_SELECT));
    browser.SetTitle(LoadResourceString(IDS_BROWSE_TITLE));
    return browser.DoModal(start, chosen) == 1;
}

INT_PTR RunDiskCostDialog(CWnd* parent, CDistribution& distribution, bool insufficient)
{
    CDiskCostDlg dialog(parent, &distribution, insufficient);
    return dialog.DoModal();
}

// The frame's busy state for a scope.
class BusyScope {
public:
    explicit BusyScope(CNestedInstallerDialog& page) : m_page(page) { m_page.BeginBusy(); }
    ~BusyScope() { m_page.EndBusy(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    CNestedInstallerDialog& m_page;
};

// The state pictures, loaded once from the resource module on first drawing.
CTransBmp& StateBitmap(UINT id)
{
    static std::map<UINT, std::unique_ptr<CTransBmp>> bitmaps;
    std::unique_ptr<CTransBmp>& bitmap = bitmaps[id];
    if (!bitmap) {
        bitmap.reset(new CTransBmp);
        bitmap->LoadBitmap(id);
    }
    return *bitmap;
}

void LogCommitFailure(const CFeature& feature, const MsiInstallerError& error)
{
    AppServices().GetLogStream(kLogError, 0) << L"ERROR! The folder of feature " << feature.GetName().GetString()
                                             << L" was not set (Windows Installer error " << error.GetCode() << L")."
                                             << std::endl;
}

}  // namespace

CDistribution& (*CVelmoInstallerDlg::s_pfnDistribution)() = &WizardDistribution;
bool (*CVelmoInstallerDlg::s_pfnBrowseForFolder)(HWND, const CString&, CString&) = &BrowseForFolder;
INT_PTR (*CVelmoInstallerDlg::s_pfnRunDiskCostDialog)(CWnd*, CDistribution&, bool) = &RunDiskCostDialog;

BEGIN_MESSAGE_MAP(CVelmoInstallerDlg, CNestedInstallerDialog)
    ON_BN_CLICKED(IDC_FEATURE_BROWSE, OnBrowse)
    ON_EN_KILLFOCUS(IDC_FEATURE_FOLDER, OnFolderKillFocus)
    ON_COMMAND(ID_PAGE_DEBUG_DIALOG, OnDebugDialog)
    ON_COMMAND(ID_PAGE_SHOW_HIDDEN, OnShowHidden)
    ON_COMMAND(ID_FEATURE_SHOW_DEPENDENTS, OnShowDependents)
    ON_COMMAND(ID_FEATURE_SHOW_BROKEN, OnShowBrokenDependencies)
    // The tree's notifications and the worker's messages, written at start-up.
    ON_PLACEHOLDER()
    ON_PLACEHOLDER()
    ON_PLACEHOLDER()
    ON_PLACEHOLDER()
    ON_PLACEHOLDER()
    ON_PLACEHOLDER()
END_MESSAGE_MAP()

namespace {

// Writes the six entries that close the page's message table before the program's main
// function runs.
struct StartUpEntries {
    StartUpEntries()
    {
        typedef CVelmoInstallerDlg ThisClass;
        const AFX_MSGMAP_ENTRY entries[] = {
            ON_NOTIFY(FTN_SELCHANGED, IDC_FEATURE_TREE, OnTreeSelChanged)
            ON_NOTIFY(FTN_SELCHANGING, IDC_FEATURE_TREE, OnTreeSelChanging)
            ON_NOTIFY(FTN_STATECHANGED, IDC_FEATURE_TREE, OnTreeStateChanged)
            ON_MESSAGE(WM_FEATURE_INFO_STARTED, OnCostingStarted)
            ON_MESSAGE(WM_FEATURE_INFO_DONE, OnCostingDone)
            ON_MESSAGE(WM_REFRESH_FEATURE_INFO, OnRefreshFeatureInfo)
        };
        AFX_MSGMAP_ENTRY* slot = CVelmoInstallerDlg::GetThisMessageMap()->lpEntries;
        while (slot->nMessage != kAfxPlaceholder)
            ++slot;
        for (const AFX_MSGMAP_ENTRY& entry : entries)
            *slot++ = entry;
    }
} g_startUpEntries;

}  // namespace

CVelmoInstallerDlg::CVelmoInstallerDlg(eDialogState state, CTopDialog* frame)
    : CNestedInstallerDialog(IDD_FEATURE_PAGE, state, frame), m_selectedFeature(nullptr), m_diskCostButton(0),
      m_restoreButton(0), m_shownFeature(nullptr), m_validating(false), m_browseAllowed(false),
      m_anyLinkedEnabled(-1), m_anyPartActs(-1)
{
}

CVelmoInstallerDlg::~CVelmoInstallerDlg()
{
    m_dialogs.reset();
    m_picture.DeleteObject();
    m_worker.Stop();
}

void CVelmoInstallerDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_FEATURE_COST, m_cost);
    DDX_Control(dx, IDC_FEATURE_ACTION, m_action);
    DDX_Control(dx, IDC_FEATURE_BROWSE, m_browse);
    DDX_Control(dx, IDC_FEATURE_FOLDER, m_pathEdit);
    DDX_Control(dx, IDC_FEATURE_DESCRIPTION, m_description);
    DDX_Control(dx, IDC_FEATURE_TREE, m_tree);
}

BOOL CVelmoInstallerDlg::OnInitDialog()
{
    CNestedInstallerDialog::OnInitDialog();
    m_worker.SetPage(m_hWnd);
    for (CWnd* text : {static_cast<CWnd*>(&m_action), static_cast<CWnd*>(&m_description),
             static_cast<CWnd*>(&m_cost), static_cast<CWnd*>(&m_pathEdit)})
        text->SetWindowText(L"");
    m_pathEdit.EnableWindow(FALSE);
    m_browse.EnableWindow(FALSE);
    // The selected item stays marked while the folder edit has the focus.
    m_tree.ModifyStyle(0, TVS_SHOWSELALWAYS);
    m_tree.Fill(&Distribution().GetFeatureTree());
    m_dialogs = CreateFeatureDialogs(m_tree);
    PropagateDisallowAbsent();
    return TRUE;
}

void CVelmoInstallerDlg::PropagateDisallowAbsent()
{
    std::set<CFeature*> visited;
    // Propagating a feature: itself, its ancestors and the features it requires.
    std::vector<CFeature*> pending;
    CFeatureTree& tree = Distribution().GetFeatureTree();
    for (CFeature* feature = tree.GetRoot(); feature; feature = tree.GetNext(feature)) {
        if (feature->CanBeAbsent())
            continue;
        pending.push_back(feature);
        while (!pending.empty()) {
            CFeature* next = pending.back();
            pending.pop_back();
            if (!next || !visited.insert(next).second)
                continue;
            next->DisallowAbsent();
            // Pushed in reverse, so the parent is taken first, then the dependencies in order.
            std::vector<CFeature*> required;
            for (auto link = next->SelectedDependenciesBegin(); link != next->SelectedDependenciesEnd(); ++link)
                required.push_back(link->feature);
            for (auto it = required.rbegin(); it != required.rend(); ++it)
                pending.push_back(*it);
            pending.push_back(next->GetParent());
        }
    }
}

CFeature* CVelmoInstallerDlg::SelectedFeature()
{
    return CFeatureTreeCtrl::FeatureOf(m_tree.GetSelectedItemObject());
}

CString CVelmoInstallerDlg::FolderText()
{
    CString text;
    m_pathEdit.GetWindowText(text);
    return text;
}

CString CVelmoInstallerDlg::FrameCaption()
{
    CString caption;
    if (m_pFrame && m_pFrame->m_hWnd)
        m_pFrame->GetWindowText(caption);
    return caption;
}

// The frame's protocol.

UINT CVelmoInstallerDlg::GetTitleId()
{
    return IDS_FEATURES_TITLE;
}

UINT CVelmoInstallerDlg::GetSubtitleId()
{
    return IDS_FEATURES_SUBTITLE;
}

void CVelmoInstallerDlg::ComputePageFacts()
{
    if (m_anyPartActs >= 0 && m_anyLinkedEnabled >= 0
        && !AppServices().IsDialogEnabled(kFeatureTreeDialog, false, false))
        return;
    CDistribution& distribution = Distribution();
    m_anyPartActs = 0;
    for (size_t i = 0; i < distribution.GetPartCount(); ++i) {
        if (distribution.GetPart(i)->HasAction()) {
            m_anyPartActs = 1;
            break;
        }
    }
    m_anyLinkedEnabled = 0;
    if (CConfigInfo::LinkedDistributionInfo* linked = AppServices().GetConfigInfo().GetLinkedDistributionInfo()) {
        for (const auto& entry : linked->GetLinkedDistributions()) {
            if (entry.second.m_bEnabled)
                m_anyLinkedEnabled = 1;
        }
    }
}

BOOL CVelmoInstallerDlg::QueryPageVisibility(eDialogState state, bool& show)
{
    if (state != kLicenseDialog && state != kLicense2Dialog && state != kProgressDialog)
        return FALSE;
    ComputePageFacts();
    if (m_anyPartActs == 0 && (m_anyLinkedEnabled == 0 || state == kLicense2Dialog)) {
        show = false;
        return TRUE;
    }
    return FALSE;
}

void CVelmoInstallerDlg::OnPageShown()
{
    RunPageShownSteps();
}

void CVelmoInstallerDlg::RunPageShownSteps()
{
    m_tree.SelectItemObject(m_tree.GetFirstVisibleItemObject());
    m_selectedFeature = SelectedFeature();
    if (m_selectedFeature) {
        CString folder;
        if (!m_selectedFeature->GetDirectoryValue(folder))
            folder.Empty();
        m_pathEdit.SetPath(folder);
    }
    m_tree.RefreshItemImages(true);
    if (m_pFrame)
        m_pFrame->FlashIfInBackground();
}

bool CVelmoInstallerDlg::ConfirmCancel()
{
    const bool confirmed = CNestedInstallerDialog::ConfirmCancel();
    if (confirmed)
        m_worker.Stop();
    return confirmed;
}

BOOL CVelmoInstallerDlg::OnNext()
{
    CFeature* selected = SelectedFeature();
    // Deselecting checks and commits the folder of the selected feature.
    if (!m_tree.SelectItemObject(nullptr))
        return FALSE;
    UINT result = ERROR_SUCCESS;
    {
        BusyScope busy(*this);
        VolumeCostSet volumes;
        result = Distribution().ComputeDiskCost(volumes);
    }
    if (result != ERROR_DISK_FULL || s_pfnRunDiskCostDialog(this, Distribution(), true) != ERROR_DISK_FULL)
        return TRUE;
    // The page stays: the feature the user was at is selected again.
    if (CFeatureTreeCtrlItem* item = m_tree.FindFeatureItem(selected))
        m_tree.SelectItemObject(item);
    return FALSE;
}

BOOL CVelmoInstallerDlg::OnBack()
{
    if (!m_tree.SelectItemObject(nullptr))
        return FALSE;
    m_worker.Stop();
    return CNestedInstallerDialog::OnBack();
}

void CVelmoInstallerDlg::SetupButtons()
{
    m_diskCostButton = m_pFrame->AddButton(LoadResourceString(IDS_DISK_COST_BUTTON));
    m_restoreButton = m_pFrame->AddButton(LoadResourceString(IDS_RESTORE_DEFAULTS_BUTTON));
}

void CVelmoInstallerDlg::EnableButtons(bool enable)
{
    CNestedInstallerDialog::EnableButtons(enable);
    if (m_restoreButton)
        m_pFrame->EnableButton(m_restoreButton, enable);
    if (m_diskCostButton)
        m_pFrame->EnableButton(m_diskCostButton, enable);
    // Browse only where the selected feature's folder may be changed.
    m_browse.EnableWindow(enable && m_browseAllowed);
}

void CVelmoInstallerDlg::OnExtraButton(UINT commandId)
{
    if (commandId == m_diskCostButton && m_diskCostButton) {
        s_pfnRunDiskCostDialog(this, Distribution(), false);
        return;
    }
    if (commandId != m_restoreButton || !m_restoreButton)
        return;
    EnableButtons(false);
    CDistribution& distribution = Distribution();
    distribution.SetInstallLevel(distribution.GetInstallLevel(), false);
    CFeature* first = CFeatureTreeCtrl::FeatureOf(m_tree.GetFirstVisibleItemObject());
    if (first && SelectedFeature() == first) {
        // Selecting it again would not notify.
        FeatureTreeNotify notify = {};
        notify.hdr.hwndFrom = m_tree.m_hWnd;
        notify.hdr.idFrom = IDC_FEATURE_TREE;
        notify.hdr.code = FTN_SELCHANGED;
        notify.oldFeature = first;
        LRESULT result = 0;
        SendMessage(WM_REFRESH_FEATURE_INFO, reinterpret_cast<WPARAM>(&notify), reinterpret_cast<LPARAM>(&result));
    }
    RunPageShownSteps();
    EnableButtons(true);
}

// The tree.

void CVelmoInstallerDlg::OnTreeSelChanging(NMHDR* header, LRESULT* result)
{
    if (m_validating) {
        *result = 1;
        return;
    }
    const FeatureTreeNotify& notify = *reinterpret_cast<FeatureTreeNotify*>(header);
    struct ValidatingScope {
        CVelmoInstallerDlg& page;
        BusyScope busy;
        explicit ValidatingScope(CVelmoInstallerDlg& p) : page(p), busy(p)
        {
            page.m_validating = true;
            page.EnableWindow(FALSE);
        }
        ~ValidatingScope()
        {
            page.EnableWindow(TRUE);
            page.m_validating = false;
        }
    } scope(*this);
    *result = 0;
    CFeature* old = notify.oldFeature;
    CString folder;
    if (old && old->GetDirectoryValue(folder) && !old->IsDirectoryBrowseDisabled()) {
        if (!m_pathEdit.ValidateAndAccept(Distribution(), old->GetDirectory(), m_lastPath, FrameCaption(), true))
            *result = 1;
    }
}

void CVelmoInstallerDlg::OnTreeSelChanged(NMHDR* header, LRESULT* result)
{
    SelectionChanged(*reinterpret_cast<FeatureTreeNotify*>(header), result);
}

void CVelmoInstallerDlg::OnTreeStateChanged(NMHDR* header, LRESULT* result)
{
    FeatureTreeNotify notify = *reinterpret_cast<FeatureTreeNotify*>(header);
    notify.newFeature = notify.oldFeature;
    SelectionChanged(notify, result);
}

LRESULT CVelmoInstallerDlg::OnRefreshFeatureInfo(WPARAM wParam, LPARAM lParam)
{
    FeatureTreeNotify notify = *reinterpret_cast<FeatureTreeNotify*>(wParam);
    notify.newFeature = notify.oldFeature;
    LRESULT* result = reinterpret_cast<LRESULT*>(lParam);
    LRESULT local = 0;
    SelectionChanged(notify, result ? result : &local);
    return result ? *result : local;
}

void CVelmoInstallerDlg::SelectionChanged(FeatureTreeNotify& notify, LRESULT* result)
{
    *result = 0;
    CFeature* feature = notify.newFeature;
    if (feature != SelectedFeature()) {
        if (CFeatureTreeCtrlItem* item = m_tree.FindFeatureItem(feature))
            m_tree.SelectItemObject(item);
    }
    const CString path = FolderText();
    if (!feature || feature == notify.oldFeature) {
        // The selection was removed (Next, Back), or the selected feature is shown again (its
        // state changed): the folder is committed here and now, so that the folder read back
        // below is the one typed, not the one before the worker got to it.
        BusyScope busy(*this);
        m_worker.Stop();
        if (notify.oldFeature) {
            try {
                notify.oldFeature->SetDirectoryValue(path);
            } catch (const MsiInstallerError& error) {
                LogCommitFailure(*notify.oldFeature, error);
            }
        }
        if (!feature)
            return;
    }
    StartCosting(feature, feature == notify.oldFeature ? nullptr : notify.oldFeature, path);
    m_shownFeature = feature;
    UpdateFeaturePeek(m_dialogs.get(), feature);
    m_description.SetWindowText(feature->GetDescription());
    UpdateActionText(feature);
    CString label;
    label.FormatMessage(IDS_DIRECTORY_FOR, feature->GetTitle().GetString());
    ::SetDlgItemTextW(m_hWnd, IDC_FEATURE_FOLDER_LABEL, label.GetString());

    CPart* part = feature->GetPart();
    const int productState = part ? MsiApi().MsiQueryProductStateW(part->GetProductCode()) : kNoProductState;
    CString folder;
    const bool hasFolder = feature->GetDirectoryValue(folder);
    if (!hasFolder)
        folder.Empty();
    m_pathEdit.SetPath(folder);
    m_pathEdit.EnableWindow(TRUE);
    const bool installable = productState == INSTALLSTATE_UNKNOWN || productState == INSTALLSTATE_ADVERTISED
        || (feature->IsFakeFeature(CFeature::kNoPart) && feature->GetCurrentState() == INSTALLSTATE_ABSENT);
    m_browseAllowed = hasFolder && !feature->IsDirectoryBrowseDisabled() && !feature->IsBlocked() && installable;
    m_pathEdit.SetReadOnly(!m_browseAllowed);
    m_browse.EnableWindow(m_browseAllowed);
    m_lastPath = folder;
    m_selectedFeature = SelectedFeature();

    DrawStatePicture(feature);
    const CRect picture = GetPictureRect();
    InvalidateRect(picture, TRUE);
    UpdateWindow();
}

void CVelmoInstallerDlg::StartCosting(CFeature* feature, CFeature* previous, const CString& path)
{
    if (feature->IsFakeFeature(CFeature::kLinkedDist)) {
        m_worker.Stop();
        m_cost.SetWindowText(L"");
        return;
    }
    int reason = 0;
    if (feature->IsBlocked(&reason)) {
        m_worker.Stop();
        m_cost.SetWindowText(
            LoadResourceString(reason == 1 ? IDS_FEATURE_BLOCKED_NEWER : IDS_FEATURE_BLOCKED_INCOMPATIBLE));
        return;
    }
    m_worker.Start(feature, previous, path);
}

LRESULT CVelmoInstallerDlg::OnCostingStarted(WPARAM, LPARAM job)
{
    if (m_worker.IsCurrentJob(job))
        m_cost.SetWindowText(LoadResourceString(IDS_FEATURE_COSTING));
    return 0;
}

LRESULT CVelmoInstallerDlg::OnCostingDone(WPARAM units, LPARAM job)
{
    // A result of a job that was stopped or replaced since it was posted is not shown.
    if (m_worker.IsCurrentJob(job))
        m_cost.SetWindowText(FormatCost(static_cast<int64_t>(static_cast<INT_PTR>(units))));
    return 0;
}

CString CVelmoInstallerDlg::FormatCost(int64_t units)
{
    return FeatureStatePanel::CostText(units);
}

// The state panel.

void CVelmoInstallerDlg::UpdateActionText(CFeature* feature)
{
    const UINT id = FeatureStatePanel::ActionTextId(*feature);
    m_action.SetWindowText(id ? LoadResourceString(id).GetString() : L"");
}

void CVelmoInstallerDlg::DrawStatePicture(CFeature* feature)
{
    using namespace FeatureStatePanel;
    m_picture.DeleteObject();
    const HDC screen = ::GetDC(nullptr);
    if (!screen)
        return;
    m_picture.Attach(::CreateCompatibleBitmap(screen, kPictureWidth, kPictureHeight));
    const HDC memory = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    if (!memory || !m_picture.m_hObject) {
        if (memory)
            ::DeleteDC(memory);
        return;
    }
    const HGDIOBJ old = ::SelectObject(memory, m_picture.m_hObject);
    const RECT all = {0, 0, kPictureWidth, kPictureHeight};
    ::FillRect(memory, &all, ::GetSysColorBrush(COLOR_BTNFACE));
    for (const PictureLayer& layer : PictureLayers(*feature)) {
        if (layer.icon) {
            const HICON icon = static_cast<HICON>(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(layer.id),
                IMAGE_ICON, kLinkedIconSize, kLinkedIconSize, LR_DEFAULTCOLOR));
            if (icon) {
                ::DrawIconEx(memory, layer.x, 0, icon, kLinkedIconSize, kLinkedIconSize, 0, nullptr, DI_NORMAL);
                ::DestroyIcon(icon);
            }
            continue;
        }
        CTransBmp& bitmap = StateBitmap(layer.id);
        if (bitmap.m_hObject)
            bitmap.DrawTransparent(memory, layer.x, 0);
    }
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
}

CRect CVelmoInstallerDlg::GetPictureRect()
{
    using namespace FeatureStatePanel;
    CRect description;
    CRect action;
    m_description.GetWindowRect(&description);
    m_action.GetWindowRect(&action);
    ScreenToClient(&description);
    ScreenToClient(&action);
    const int left = description.left + (description.Width() - kPictureWidth) / 2;
    const int top = description.bottom + (action.top - description.bottom - kPictureHeight) / 2;
    return CRect(left, top, left + kPictureWidth, top + kPictureHeight);
}

void CVelmoInstallerDlg::OnPaintExtra(CDC* dc)
{
    if (!m_picture.m_hObject)
        return;
    const HDC target = dc->GetSafeHdc();
    const HDC memory = ::CreateCompatibleDC(target);
    if (!memory)
        return;
    const HGDIOBJ old = ::SelectObject(memory, m_picture.m_hObject);
    const CRect picture = GetPictureRect();
    ::BitBlt(target, picture.left, picture.top, picture.Width(), picture.Height(), memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
}

// The folder.

void CVelmoInstallerDlg::AcceptTypedFolder(bool alwaysCheck)
{
    if (!m_selectedFeature)
        return;
    const CString text = FolderText();
    if (!alwaysCheck && text == m_lastPath)
        return;
    if (!m_pathEdit.ValidateAndAccept(
            Distribution(), m_selectedFeature->GetDirectory(), m_lastPath, FrameCaption(), false))
        return;
    const CString accepted = FolderText();
    if (accepted == m_lastPath)
        return;
    m_lastPath = accepted;
    StartCosting(m_selectedFeature, m_selectedFeature, accepted);
}

void CVelmoInstallerDlg::OnBrowse()
{
    CString chosen = FolderText();
    {
        CScopedMultibyteCodePage codePage(OrbelToolbox::GetAnsiCodePage(::GetUserDefaultLCID()));
        const CString start = chosen;
        if (!s_pfnBrowseForFolder(m_hWnd, start, chosen))
            chosen = start;
    }
    if (!chosen.IsEmpty())
        AddTrailingBackslash(chosen);
    m_pathEdit.SetPath(chosen);
    if (!SelectedFeature())
        return;
    BusyScope busy(*this);
    AcceptTypedFolder(false);
}

void CVelmoInstallerDlg::OnFolderKillFocus()
{
    // A selection change being checked checks the folder itself, with the reset question.
    if (m_validating || m_lastPath.IsEmpty())
        return;
    BusyScope busy(*this);
    AcceptTypedFolder(true);
}

// Commands.

void CVelmoInstallerDlg::OnDebugDialog()
{
    ShowFeaturePeek(m_dialogs.get(), *this, m_shownFeature);
}

void CVelmoInstallerDlg::OnShowHidden()
{
    // The typed folder is checked and committed first, as on any selection change.
    CFeature* selected = SelectedFeature();
    if (!m_tree.SelectItemObject(nullptr))
        return;
    m_tree.SetShowHidden(!m_tree.GetShowHidden());
    CFeatureTreeCtrlItem* item = m_tree.FindFeatureItem(selected);
    m_tree.SelectItemObject(item ? item : m_tree.GetFirstVisibleItemObject());
    m_selectedFeature = SelectedFeature();
}

void CVelmoInstallerDlg::OnShowDependents()
{
    ShowDependentFeatures(m_dialogs.get(), SelectedFeature());
}

void CVelmoInstallerDlg::OnShowBrokenDependencies()
{
    ShowBrokenDependencies(m_dialogs.get(), SelectedFeature());
}
