// The modal "Disk Usage" dialog: one row per volume that the current selection touches, with
// the space available, required and remaining, and Recalculate. Opened because a volume lacks
// space (insufficient mode) it shows a warning above the list for as long as a volume is short.
//
//   CDiskCostDlg dialog(page, &distribution, true);
//   if (dialog.DoModal() == ERROR_DISK_FULL) ...  // still short: the page stays
#pragma once

#include "BaseDialog.h"
#include "ListCtrl.h"
#include "Static.h"
#include "VolumeCost.h"

class CDistribution;

class CDiskCostDlg : public CBaseDialog {
public:
    CDiskCostDlg(CWnd* parent, CDistribution* distribution, bool insufficientMode);

    // The dialog's result: ERROR_DISK_FULL (112) when a volume whose free space is known lacks
    // space at closing, else 0.

protected:
    // The costs of the current selection per volume (the distribution's disk cost).
    virtual void ComputeVolumeCosts(VolumeCostSet& volumes);

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnRecalculate();
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    DECLARE_MESSAGE_MAP()

    CStatic m_warning;
    CListCtrl m_list;
    CDistribution* m_distribution;
    HCURSOR m_waitCursor;  // shown while set
    VolumeCostSet m_volumeCosts;
    bool m_insufficientMode;
    bool m_anyShort;

private:
    // The warning shown above the list while the dialog is in insufficient mode and a volume
    // is short; else the list starts where the warning would.
    void Layout();
    // Costs the selection again and lists every volume.
    void Fill();
    // Each column as wide as its heading and its texts.
    void SizeColumns();
};
