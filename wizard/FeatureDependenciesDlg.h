// CFeatureDependenciesDlg: "Dependent Features", the features outside a feature's subtree that
// require it and are to be installed; a row selected selects its feature in the tree, and
// "Deselect All" makes the feature absent with its subfeatures, which deselects them.
#pragma once

#include "FeatureListDlg.h"

class CFeatureDependenciesDlg : public CFeatureListDlg {
public:
    explicit CFeatureDependenciesDlg(CFeatureTreeCtrl* tree);

    // One row per dependent feature (titles from the top down, joined by " -> "), a row for
    // installed products outside the distribution, or a row for system components when nothing
    // else is listed; the number of dependents counted.
    size_t Run(CFeature* feature) override;
    // The feature of a row; null for none.
    CFeature* GetRowFeature(int row) const { return reinterpret_cast<CFeature*>(m_list.GetItemData(row)); }
    bool HasInstalledProductDependents() const { return m_installedProductDependents; }
    bool HasBlockedDependents() const { return m_blockedDependents; }

    // Makes the feature absent with its subfeatures through its tree item and hides the dialog;
    // nothing happens while the feature has no item.
    void OnDeselectAll();

protected:
    bool IsActionAllowed() const override;
    void OnItemChanged(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

protected:
    bool m_installedProductDependents;
    bool m_blockedDependents;
};
