// The feature page (state 6): the distribution's features as a tree on the left; on the right
// the selected feature's description, a picture of its current and planned state, the sentence
// of its planned change and its disk cost (computed by a costing worker); below, the folder it
// installs to with Browse. Extra frame buttons open the disk usage and restore the default
// selection. Next refuses to leave while a volume lacks space; when the choice installs
// nothing, the licence and progress pages are skipped.
#pragma once

#include <windows.h>

#include <cstdint>

#include "GdiObject.h"
#include "Button.h"
#include "FeatureCostingWorker.h"
#include "FeatureDialogs.h"
#include "FeatureTreeCtrl.h"
#include "NestedInstallerDialog.h"
#include "PathEdit.h"
#include "Static.h"
#include "VolumeCost.h"

class CDistribution;
class CFeature;

class CVelmoInstallerDlg : public CNestedInstallerDialog {
public:
    CVelmoInstallerDlg(eDialogState state, CTopDialog* frame);
    ~CVelmoInstallerDlg() override;

    BOOL QueryPageVisibility(eDialogState state, bool& show) override;
    void OnPageShown() override;
    bool ConfirmCancel() override;
    BOOL OnNext() override;
    BOOL OnBack() override;
    void OnExtraButton(UINT commandId) override;
    UINT GetTitleId() override;
    UINT GetSubtitleId() override;
    void OnPaintExtra(CDC* dc) override;
    void SetupButtons() override;
    void EnableButtons(bool enable) override;

    // The state panel: the action sentence into 1002, the state picture into m_picture, the
    // picture's rectangle in client coordinates, and the cost sentence into 1008.
    void UpdateActionText(CFeature* feature);
    void DrawStatePicture(CFeature* feature);
    CRect GetPictureRect();
    LRESULT OnCostingDone(WPARAM units, LPARAM job);
    static CString FormatCost(int64_t units);

    CFeatureTreeCtrl& GetTree() { return m_tree; }
    CPathEdit& GetPathEdit() { return m_pathEdit; }
    FeatureCostingWorker& GetWorker() { return m_worker; }
    HBITMAP GetPicture() const { return m_picture.m_hObject ? static_cast<HBITMAP>(m_picture.m_hObject) : nullptr; }
    UINT GetDiskCostButton() const { return m_diskCostButton; }
    UINT GetRestoreButton() const { return m_restoreButton; }

    // Seams: the distribution (the wizard's), the folder browser (true with `chosen` set when the
    // user picked one), the disk-cost dialog (its result).
    static CDistribution& (*s_pfnDistribution)();
    static bool (*s_pfnBrowseForFolder)(HWND owner, const CString& start, CString& chosen);
    static INT_PTR (*s_pfnRunDiskCostDialog)(CWnd* parent, CDistribution& distribution, bool insufficient);

    // The handlers of the six entries that close the message table (filled at start-up).
    void OnTreeSelChanged(NMHDR* header, LRESULT* result);
    void OnTreeSelChanging(NMHDR* header, LRESULT* result);
    void OnTreeStateChanged(NMHDR* header, LRESULT* result);
    LRESULT OnRefreshFeatureInfo(WPARAM notify, LPARAM result);
    LRESULT OnCostingStarted(WPARAM, LPARAM job);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;

    void OnBrowse();
    void OnFolderKillFocus();
    void OnDebugDialog();
    void OnShowHidden();
    void OnShowDependents();
    void OnShowBrokenDependencies();
    DECLARE_MESSAGE_MAP()

private:
    CDistribution& Distribution() { return s_pfnDistribution(); }
    CFeature* SelectedFeature();
    CString FolderText();
    CString FrameCaption();
    void SelectionChanged(FeatureTreeNotify& notify, LRESULT* result);
    void StartCosting(CFeature* feature, CFeature* previous, const CString& path);
    // The folder of the selected feature, checked without the reset question (only when changed
    // unless `alwaysCheck`); when accepted and changed, kept and costed again.
    void AcceptTypedFolder(bool alwaysCheck);
    void PropagateDisallowAbsent();
    void RunPageShownSteps();
    void ComputePageFacts();

    CStatic m_cost;
    CStatic m_action;
    CButton m_browse;
    CPathEdit m_pathEdit;
    CStatic m_description;
    CFeatureTreeCtrl m_tree;
    FeatureCostingWorker m_worker;
    CString m_lastPath;
    CFeature* m_selectedFeature;
    CBitmap m_picture;
    UINT m_diskCostButton;
    UINT m_restoreButton;
    FeatureDialogsPtr m_dialogs;
    CFeature* m_shownFeature;
    bool m_validating;
    bool m_browseAllowed;  // the selected feature's folder may be changed
    int m_anyLinkedEnabled;
    int m_anyPartActs;
};
