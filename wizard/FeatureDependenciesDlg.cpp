#include "FeatureDependenciesDlg.h"

#include <msi.h>

#include <algorithm>
#include <set>
#include <vector>

#include "Feature.h"
#include "FeatureTreeCtrl.h"
#include "FeatureTreeCtrlMenu.h"
#include "resource.h"

namespace {

const wchar_t kTitleSeparator[] = L" -> ";

// The titles from the topmost ancestor down to the feature.
CString TitlePath(const CFeature& feature)
{
    CString path = feature.GetTitle();
    for (const CFeature* ancestor = feature.GetParent(); ancestor; ancestor = ancestor->GetParent())
        path = ancestor->GetTitle() + kTitleSeparator + path;
    return path;
}

// The features of the set in the tree's order, so the rows do not depend on addresses.
std::vector<CFeature*> InTreeOrder(const std::set<CFeature*>& features)
{
    std::vector<CFeature*> ordered;
    if (features.empty())
        return ordered;
    for (CFeature* f = (*features.begin())->GetRoot()->GetFirstSibling(); f; f = f->GetNextInTree()) {
        if (features.count(f))
            ordered.push_back(f);
    }
    // A feature outside that tree still gets its row.
    for (CFeature* f : features) {
        if (std::find(ordered.begin(), ordered.end(), f) == ordered.end())
            ordered.push_back(f);
    }
    return ordered;
}

}  // namespace

BEGIN_MESSAGE_MAP(CFeatureDependenciesDlg, CFeatureListDlg)
    ON_NOTIFY(LVN_ITEMCHANGED, IDC_DEPENDENTS_LIST, OnItemChanged)
    ON_BN_CLICKED(IDC_DEPENDENTS_DESELECT, OnDeselectAll)
END_MESSAGE_MAP()

CFeatureDependenciesDlg::CFeatureDependenciesDlg(CFeatureTreeCtrl* tree)
    : CFeatureListDlg(IDD_FEATURE_DEPENDENTS, IDC_DEPENDENTS_LIST, IDC_DEPENDENTS_DESELECT, IDC_DEPENDENTS_CLOSE, 0,
          L"Dependency", DT_NOPREFIX, tree),
      m_installedProductDependents(false), m_blockedDependents(false)
{
}

bool CFeatureDependenciesDlg::IsActionAllowed() const
{
    return m_feature->CanBeAbsent() && !m_installedProductDependents && !m_blockedDependents;
}

size_t CFeatureDependenciesDlg::Run(CFeature* feature)
{
    m_installedProductDependents = false;
    m_header.FormatMessage(IDS_DEPENDENTS_HEADER, feature->GetTitle().GetString());
    m_list.DeleteAllItems();
    m_feature = feature;
    m_blockedDependents = false;
    size_t count = 0;
    std::set<CFeature*> listed;

    for (CFeature* d = feature; d; d = feature->GetNextInSubtree(d == feature ? nullptr : d)) {
        std::set<CFeature*> visited;
        if (d->IsNeededByBlockedDependent(visited))
            m_blockedDependents = true;
        for (auto link = d->DependentsBegin(); link != d->DependentsEnd(); ++link) {
            const CFeature* dependent = link->feature;
            if (!dependent->HasNoPlaceholderDependents()) {
                m_installedProductDependents = true;
                ++count;
                continue;
            }
            std::set<CFeature*> collected;
            dependent->CountDependentsInto(collected);
            if (collected.empty())
                ++count;
            for (CFeature* m : InTreeOrder(collected)) {
                if (m->GetActionState() == INSTALLSTATE_ABSENT || m == feature || feature->HasDescendant(m)
                    || !listed.insert(m).second)
                    continue;
                AppendRow(TitlePath(*m), reinterpret_cast<DWORD_PTR>(m));
                ++count;
            }
        }
    }
    if (m_installedProductDependents)
        AppendRow(LoadResourceString(IDS_INSTALLED_PRODUCT_DEPENDENTS), 0);
    if (m_list.GetItemCount() == 0)
        AppendRow(LoadResourceString(IDS_SYSTEM_COMPONENT_DEPENDENTS), 0);
    FinishFill(false);
    return count;
}

void CFeatureDependenciesDlg::OnItemChanged(NMHDR* header, LRESULT* result)
{
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    *result = 0;
    if (change->iItem < 0 || !(change->uChanged & LVIF_STATE) || !(change->uNewState & LVIS_SELECTED)
        || (change->uOldState & LVIS_SELECTED))
        return;
    auto* feature = reinterpret_cast<CFeature*>(change->lParam);
    if (!feature || !m_tree)
        return;
    // A feature without an item (hidden) leaves the tree's selection alone.
    if (CFeatureTreeCtrlItem* item = m_tree->FindFeatureItem(feature))
        m_tree->SelectItemObjectEx(item, TVGN_CARET);
}

void CFeatureDependenciesDlg::OnDeselectAll()
{
    CFeatureTreeCtrlItem* item = m_tree && m_feature ? m_tree->FindFeatureItem(m_feature) : nullptr;
    if (!item)
        return;
    m_tree->SendItemCommand(item, ID_FEATURE_ABSENT);
    EndDialog(IDC_DEPENDENTS_DESELECT);
}
