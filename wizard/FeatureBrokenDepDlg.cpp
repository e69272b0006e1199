#include "FeatureBrokenDepDlg.h"

#include <msi.h>

#include <cwchar>
#include <map>
#include <set>
#include <vector>

#include "Feature.h"
#include "FeatureStateChange.h"
#include "FeatureTreeCtrl.h"
#include "BrokenDependencies.h"
#include "InstallerErrors.h"
#include "Part.h"
#include "PlexaExceptions.h"
#include "SystemInfoClient.h"
#include "resource.h"

namespace {

const char kSource[] = ".\\FeatureBrokenDepDlg";
const int kFailureLine = 143;
// Fix it asks for the default state as a consequence of a change.
const int kFixPriority = 3;

struct OrdinalLess {
    bool operator()(const CString& a, const CString& b) const { return wcscmp(a, b) < 0; }
};

struct ListedProduct {
    SysInfoPtr<IZKProductInfo> product;
    CPart* repairPart;
};

CString ProductText(IZKProductInfo& product, HRESULT (STDMETHODCALLTYPE IZKProductInfo::*getter)(BSTR*))
{
    SysInfoText text;
    CheckSysInfo((product.*getter)(text.Out()));
    return text.ToString();
}

// The products of the feature's broken items that the selection leaves broken, by name.
void CollectProducts(const CFeature& feature, std::map<CString, ListedProduct, OrdinalLess>& products)
{
    for (size_t d = 0; d < feature.GetBrokenDependencyCount(); ++d) {
        const CBrokenDependency* broken = feature.GetBrokenDependencyAt(d);
        for (size_t item = 0; item < broken->GetItemCount(); ++item) {
            if (broken->IsItemFixed(item))
                continue;
            CPart* repairPart = broken->GetPartCount(item) > 0 ? broken->GetPart(item, 0) : nullptr;
            SysInfoPtr<IZKProductCollection> collection;
            CheckSysInfo(broken->GetDependency(item)->GetProducts(collection.Out()));
            long count = 0;
            CheckSysInfo(collection->GetCount(&count));
            for (long i = 1; i <= count; ++i) {
                ListedProduct listed = {SysInfoPtr<IZKProductInfo>(), repairPart};
                CheckSysInfo(collection->GetItem(i, listed.product.Out()));
                products.emplace(ProductText(*listed.product.Get(), &IZKProductInfo::GetName), listed);
            }
        }
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CFeatureBrokenDepDlg, CFeatureListDlg)
    ON_BN_CLICKED(IDC_BROKEN_FIX, OnFixIt)
END_MESSAGE_MAP()

CFeatureBrokenDepDlg::CFeatureBrokenDepDlg(CFeatureTreeCtrl* tree)
    : CFeatureListDlg(IDD_FEATURE_BROKEN_DEPENDENCIES, IDC_BROKEN_LIST, IDC_BROKEN_FIX, IDC_BROKEN_CLOSE,
          IDS_INSTALLED_PRODUCTS_COLUMN, nullptr, 0, tree)
{
}

bool CFeatureBrokenDepDlg::IsActionAllowed() const
{
    return m_feature->CanFixBrokenDependencies();
}

size_t CFeatureBrokenDepDlg::Run(CFeature* feature)
{
    m_header.FormatMessage(IDS_BROKEN_DEPENDENCIES_HEADER, feature->GetTitle().GetString());
    if (feature->CanFixBrokenDependencies()) {
        CString button;
        if (CWnd* fix = GetDlgItem(IDC_BROKEN_FIX))
            fix->GetWindowText(button);
        button.Remove(L'&');
        CString hint;
        hint.FormatMessage(IDS_BROKEN_DEPENDENCIES_FIX_HINT, button.GetString());
        m_header += L"  ";
        m_header += hint;
    }
    m_list.DeleteAllItems();
    m_feature = feature;

    std::map<CString, ListedProduct, OrdinalLess> products;
    try {
        CollectProducts(*feature, products);
        for (const auto& entry : products) {
            CString text = entry.first;
            const CString detail = ProductText(*entry.second.product.Get(), &IZKProductInfo::GetNameDetail);
            if (!detail.IsEmpty())
                text += L" (" + detail + L")";
            AppendRow(text, reinterpret_cast<DWORD_PTR>(entry.second.repairPart));
        }
    } catch (const SysInfoComError& error) {
        if (error.GetResult() == E_OUTOFMEMORY)
            throw PlexaBadAlloc(kPlexaBadAllocation);
        CString details;
        details.Format(L"Unexpected error while handling broken dependencies. Result=%08x",
            static_cast<unsigned int>(error.GetResult()));
        throw ZKSystemInfoFailure(kSource, kFailureLine, details);
    }
    FinishFill(true);
    return products.size();
}

void CFeatureBrokenDepDlg::OnFixIt()
{
    std::vector<CFeature*> features;
    std::set<CFeature*> collected;
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        if (CPart* part = GetRowPart(row)) {
            for (CFeature* feature : part->GetFeatures()) {
                if (collected.insert(feature).second)
                    features.push_back(feature);
            }
        }
    }
    // Without a repair part there is nothing to solve from.
    if (!features.empty()) {
        FeatureChangeQueue queue;
        FeatureChangeLevel first;
        for (CFeature* feature : features) {
            queue.KeepStartRequest(feature);
            feature->MergeRequest(feature->MapRequestedState(INSTALLSTATE_DEFAULT), kFixPriority, true);
            first.Add(feature, kFixPriority, false);
        }
        queue.Append(std::move(first));
        if (features.front()->Solve(queue, 0))
            features.front()->ApplyRequestedStates(nullptr, nullptr);
    }
    if (m_tree)
        m_tree->RefreshItemImages(true);
    EndDialog(IDC_BROKEN_FIX);
}
