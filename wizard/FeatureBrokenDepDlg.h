// CFeatureBrokenDepDlg: "Dependency Warning", the installed products whose dependencies the
// selected feature would break. When a part of the distribution can repair every one of them,
// "Fix it" asks for those parts' features in one solver run.
#pragma once

#include "FeatureListDlg.h"

class CPart;

class CFeatureBrokenDepDlg : public CFeatureListDlg {
public:
    explicit CFeatureBrokenDepDlg(CFeatureTreeCtrl* tree);

    // One row per product (by name, each name once) whose dependency a broken item of `feature`
    // that the selection does not fix names; each row keeps the item's first repair part. The
    // number of products. ZKSystemInfoFailure when the component fails.
    size_t Run(CFeature* feature) override;
    // The repair part of a row; null for none.
    CPart* GetRowPart(int row) const { return reinterpret_cast<CPart*>(m_list.GetItemData(row)); }

    // Asks for the default state of every feature of the rows' repair parts in one solve; no
    // action state changes when it fails or no row has a part. Then the tree's images are
    // refreshed and the dialog is hidden.
    void OnFixIt();

protected:
    bool IsActionAllowed() const override;
    DECLARE_MESSAGE_MAP()
};
