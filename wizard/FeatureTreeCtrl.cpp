#include "FeatureTreeCtrl.h"

#include <vector>

#include "Feature.h"
#include "FeatureTree.h"

BEGIN_MESSAGE_MAP(CFeatureTreeCtrl, CMenuTreeCtrl)
    ON_NOTIFY_REFLECT_EX(TVN_SELCHANGEDW, OnSelChanged)
    ON_NOTIFY_REFLECT_EX(TVN_SELCHANGINGW, OnSelChanging)
END_MESSAGE_MAP()

CFeatureTreeCtrl::CFeatureTreeCtrl()
    : m_featureTree(nullptr), m_firstFeature(nullptr), m_showHidden(false), m_filling(false)
{
}

CFeatureTreeCtrl::~CFeatureTreeCtrl()
{
    ReleaseItemObjects();
    ForgetCompositeCaches(GetItemImageList().GetSafeHandle());
}

CMenuTreeCtrlItem* CFeatureTreeCtrl::CreateItem(void* data)
{
    auto* feature = static_cast<CFeature*>(data);
    if (feature->IsFakeFeature(CFeature::kLinkedDist))
        return new CLinkedDistFeatureTreeCtrlItem(this, feature);
    return new CMsiFeatureTreeCtrlItem(this, feature);
}

void CFeatureTreeCtrl::DeleteItem(CMenuTreeCtrlItem* item)
{
    delete item;
}

CFeature* CFeatureTreeCtrl::FeatureOf(const CMenuTreeCtrlItem* item)
{
    return item ? static_cast<CFeature*>(item->GetData()) : nullptr;
}

LRESULT CFeatureTreeCtrl::OnItemCommand(UINT id, CMenuTreeCtrlItem* item)
{
    if (!item)
        return 0;
    if (!item->OnCommand(id))
        return 1;
    RefreshItemImages(false);
    NotifyParent(FTN_STATECHANGED, FeatureOf(item), nullptr);
    return 1;
}

namespace {

// Sets a flag for its lifetime.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag), m_saved(flag) { m_flag = true; }
    ~FlagScope() { m_flag = m_saved; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
    bool m_saved;
};

}  // namespace

bool CFeatureTreeCtrl::Fill(CFeatureTree* tree)
{
    m_featureTree = tree;
    return Fill(tree ? tree->GetRoot() : nullptr);
}

bool CFeatureTreeCtrl::Fill(CFeature* firstFeature)
{
    m_firstFeature = firstFeature;
    return SetShowHidden(m_showHidden);
}

bool CFeatureTreeCtrl::SetShowHidden(bool show)
{
    // The selection that goes with the deleted items is nothing the parent needs to hear of.
    FlagScope filling(m_filling);
    m_showHidden = show;
    DeleteAllItems();
    return InsertLevel(nullptr, nullptr);
}

bool CFeatureTreeCtrl::InsertLevel(CFeature* first, CMenuTreeCtrlItem* parent)
{
    FlagScope filling(m_filling);
    const bool topLevel = parent == nullptr;
    if (!first)
        first = m_firstFeature;
    CMenuTreeCtrlItem* firstInserted = nullptr;
    for (CFeature* feature = first; feature; feature = feature->GetNextSibling()) {
        if (!m_showHidden && feature->IsHidden(false))
            continue;
        const UINT bold = m_showHidden && !feature->IsHidden(false) ? TVIS_BOLD : 0;
        CMenuTreeCtrlItem* item = InsertItemObject(
            feature->GetTitle(), 0, 0, bold, bold, feature, topLevel ? ITEM_ROOT : parent, ITEM_LAST);
        if (!item)
            return false;
        if (!firstInserted)
            firstInserted = item;
        if (CFeature* child = feature->GetFirstChild()) {
            if (!InsertLevel(child, item))
                return false;
            ExpandItemObject(item, feature->IsDisplayExpanded() ? TVE_EXPAND : TVE_COLLAPSE);
        }
    }
    if (topLevel) {
        RefreshItemImages(false);
        if (firstInserted)
            SetFirstVisibleItemObject(firstInserted);
    }
    return true;
}

CFeatureTreeCtrlItem* CFeatureTreeCtrl::FindFeatureItem(const CFeature* feature) const
{
    if (!feature || (feature->IsHidden(false) && !m_showHidden))
        return nullptr;
    std::vector<const CFeature*> chain;
    for (const CFeature* at = feature; at; at = at->GetParent())
        chain.push_back(at);
    HTREEITEM level = GetRootItem();
    HTREEITEM found = nullptr;
    for (auto wanted = chain.rbegin(); wanted != chain.rend(); ++wanted) {
        found = nullptr;
        for (HTREEITEM at = level; at; at = GetNextSiblingItem(at)) {
            if (FeatureOf(ItemFromHandle(at)) == *wanted) {
                found = at;
                break;
            }
        }
        if (!found)
            return nullptr;
        level = GetChildItem(found);
    }
    return static_cast<CFeatureTreeCtrlItem*>(ItemFromHandle(found));
}

void CFeatureTreeCtrl::MarkFeatureDirty(const CFeature* feature)
{
    // A hidden feature has no item of its own: its nearest shown ancestor stands for it.
    for (const CFeature* at = feature; at; at = at->GetParent()) {
        if (CFeatureTreeCtrlItem* item = FindFeatureItem(at)) {
            for (HTREEITEM handle = item->m_hItem; handle; handle = GetParentItem(handle)) {
                if (auto* marked = static_cast<CFeatureTreeCtrlItem*>(ItemFromHandle(handle)))
                    marked->MarkDirty();
            }
            return;
        }
    }
}

void CFeatureTreeCtrl::MarkBrokenDependenciesDirty()
{
    for (CFeature* feature = m_firstFeature; feature; feature = feature->GetNextInTree()) {
        if (feature->GetBrokenDependencyCount() != 0)
            MarkFeatureDirty(feature);
    }
}

LRESULT CFeatureTreeCtrl::NotifyParent(UINT code, CFeature* oldFeature, CFeature* newFeature)
{
    FeatureTreeNotify notify = {};
    notify.hdr.hwndFrom = m_hWnd;
    notify.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    notify.hdr.code = code;
    notify.oldFeature = oldFeature;
    notify.newFeature = newFeature;
    return ::SendMessageW(::GetParent(m_hWnd), WM_NOTIFY, notify.hdr.idFrom, reinterpret_cast<LPARAM>(&notify));
}

BOOL CFeatureTreeCtrl::ForwardSelection(NMHDR* header, LRESULT* result, UINT code)
{
    if (m_filling) {
        *result = 0;
        return TRUE;
    }
    auto* view = reinterpret_cast<NMTREEVIEWW*>(header);
    *result = NotifyParent(
        code, FeatureOf(ItemFromHandle(view->itemOld.hItem)), FeatureOf(ItemFromHandle(view->itemNew.hItem)));
    return *result != 0;
}

BOOL CFeatureTreeCtrl::OnSelChanged(NMHDR* header, LRESULT* result)
{
    return ForwardSelection(header, result, FTN_SELCHANGED);
}

BOOL CFeatureTreeCtrl::OnSelChanging(NMHDR* header, LRESULT* result)
{
    return ForwardSelection(header, result, FTN_SELCHANGING);
}
