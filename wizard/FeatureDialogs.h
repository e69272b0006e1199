// The feature page's modeless dialogs about features: the dependent features of a feature, the
// broken dependencies of installed products with their repair, and the feature peek (Ctrl+Shift+D).
// The page holds them through this small interface: created hidden with the page, shown on
// request, destroyed with the page.
#pragma once

#include <memory>

class CFeature;
class CFeatureTreeCtrl;
class CWnd;

class FeatureDialogs;

struct FeatureDialogsDeleter {
    void operator()(FeatureDialogs* dialogs) const;
};
using FeatureDialogsPtr = std::unique_ptr<FeatureDialogs, FeatureDialogsDeleter>;

// The dependents and broken-dependency dialogs, created hidden with `tree` as their parent.
FeatureDialogsPtr CreateFeatureDialogs(CFeatureTreeCtrl& tree);
// Fills the dependent-features dialog for `feature` and shows it.
void ShowDependentFeatures(FeatureDialogs* dialogs, CFeature* feature);
// Fills the broken-dependencies dialog for `feature` and shows it.
void ShowBrokenDependencies(FeatureDialogs* dialogs, CFeature* feature);
// Shows the feature peek (created on first use with `page` as parent) with `feature` (none when
// null).
void ShowFeaturePeek(FeatureDialogs* dialogs, CWnd& page, CFeature* feature);
// The page shows another feature: an open feature peek follows it.
void UpdateFeaturePeek(FeatureDialogs* dialogs, CFeature* feature);
