// CFeatureTreeCtrl: the distribution's features as a menu tree, one item per visible feature
// (every feature while hidden ones are shown, the visible ones then in bold). Ordinary features
// get CMsiFeatureTreeCtrlItem items, a linked distribution's fake feature a
// CLinkedDistFeatureTreeCtrlItem. The parent hears of selection changes (FTN_SELCHANGED,
// FTN_SELCHANGING, which it may veto) and of states changed by a menu command
// (FTN_STATECHANGED) through FeatureTreeNotify records.
#pragma once

#include "FeatureTreeCtrlItem.h"
#include "MenuTreeCtrl.h"
#include "PrivateMessages.h"

class CFeature;
class CFeatureTree;

struct FeatureTreeNotify {
    NMHDR hdr;
    CFeature* oldFeature;
    CFeature* newFeature;
};

class CFeatureTreeCtrl : public CMenuTreeCtrl {
public:
    CFeatureTreeCtrl();
    ~CFeatureTreeCtrl() override;

    using CMenuTreeCtrl::DeleteItem;
    CMenuTreeCtrlItem* CreateItem(void* feature) override;
    void DeleteItem(CMenuTreeCtrlItem* item) override;
    // The item's command; when it changed states, the changed items' images are refreshed and
    // the parent hears FTN_STATECHANGED. Nonzero for any item.
    LRESULT OnItemCommand(UINT id, CMenuTreeCtrlItem* item) override;

    // Deletes every item and inserts the features of `tree`; false when an insertion failed.
    bool Fill(CFeatureTree* tree);
    // The same for the features from `firstFeature` on (a top-level feature) and their subtrees.
    bool Fill(CFeature* firstFeature);
    CFeatureTree* GetFeatureTree() const { return m_featureTree; }
    // Shows or hides the hidden features: the tree is filled again and nothing is selected.
    bool SetShowHidden(bool show);
    bool GetShowHidden() const { return m_showHidden; }
    // The item of a feature; null when the feature has none (hidden, or not in the tree).
    CFeatureTreeCtrlItem* FindFeatureItem(const CFeature* feature) const;
    // The feature of an item; null for none.
    static CFeature* FeatureOf(const CMenuTreeCtrlItem* item);
    // Marks the item of `feature` dirty, or of its nearest ancestor that has one, with all the
    // ancestor items.
    void MarkFeatureDirty(const CFeature* feature);
    // Marks the items of every feature with broken dependencies (and their ancestors) dirty.
    void MarkBrokenDependenciesDirty();

protected:
    BOOL OnSelChanged(NMHDR* header, LRESULT* result);
    BOOL OnSelChanging(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    // Inserts `first` and its following siblings (the first feature for null) under `parent`
    // (the root for null), with their subtrees.
    bool InsertLevel(CFeature* first, CMenuTreeCtrlItem* parent);
    // Sends the parent a selection notification; its answer.
    LRESULT NotifyParent(UINT code, CFeature* oldFeature, CFeature* newFeature);
    BOOL ForwardSelection(NMHDR* header, LRESULT* result, UINT code);

    CFeatureTree* m_featureTree;
    CFeature* m_firstFeature;  // the first top-level feature shown
    bool m_showHidden;
    bool m_filling;
};
