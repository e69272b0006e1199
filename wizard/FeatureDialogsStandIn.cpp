// Stand-ins of the feature dialogs until their windows are built: each request is logged and
// nothing is shown.
#include "FeatureDialogs.h"

#include "ApplicationServices.h"
#include "Feature.h"

class FeatureDialogs { };

namespace {

void LogRequest(const wchar_t* dialog, const CFeature* feature)
{
    AppServices().GetLogStream(kLogInfo, 0)
        << L"The " << dialog << L" dialog is not available (feature "
        << (feature ? feature->GetName().GetString() : L"none") << L")." << std::endl;
}

}  // namespace

void FeatureDialogsDeleter::operator()(FeatureDialogs* dialogs) const
{
    delete dialogs;
}

FeatureDialogsPtr CreateFeatureDialogs(CFeatureTreeCtrl&)
{
    return FeatureDialogsPtr(new FeatureDialogs);
}

void ShowDependentFeatures(FeatureDialogs*, CFeature* feature)
{
    LogRequest(L"dependent features", feature);
}

void ShowBrokenDependencies(FeatureDialogs*, CFeature* feature)
{
    LogRequest(L"broken dependencies", feature);
}

void ShowFeaturePeek(FeatureDialogs*, CWnd&, CFeature* feature)
{
    LogRequest(L"feature peek", feature);
}

void UpdateFeaturePeek(FeatureDialogs*, CFeature*) { }
