// The feature page's modeless dialogs, held together for the page.
#include "FeatureDialogs.h"

#include "FeatureBrokenDepDlg.h"
#include "FeatureDebugDlg.h"
#include "FeatureDependenciesDlg.h"

class FeatureDialogs {
public:
    explicit FeatureDialogs(CFeatureTreeCtrl& tree) : dependents(&tree), broken(&tree)
    {
        dependents.CreateHidden();
        broken.CreateHidden();
    }

    CFeatureDependenciesDlg dependents;
    CFeatureBrokenDepDlg broken;
    std::unique_ptr<CFeatureDebugDlg> peek;  // made on first use
};

void FeatureDialogsDeleter::operator()(FeatureDialogs* dialogs) const
{
    delete dialogs;
}

FeatureDialogsPtr CreateFeatureDialogs(CFeatureTreeCtrl& tree)
{
    return FeatureDialogsPtr(new FeatureDialogs(tree));
}

void ShowDependentFeatures(FeatureDialogs* dialogs, CFeature* feature)
{
    if (dialogs)
        dialogs->dependents.ShowFor(feature);
}

void ShowBrokenDependencies(FeatureDialogs* dialogs, CFeature* feature)
{
    if (dialogs)
        dialogs->broken.ShowFor(feature);
}

void ShowFeaturePeek(FeatureDialogs* dialogs, CWnd& page, CFeature* feature)
{
    if (dialogs)
        CFeatureDebugDlg::ShowFor(dialogs->peek, &page, feature);
}

void UpdateFeaturePeek(FeatureDialogs* dialogs, CFeature* feature)
{
    if (dialogs && dialogs->peek)
        dialogs->peek->ShowFeature(feature);
}
