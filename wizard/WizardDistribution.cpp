#include "WizardDistribution.h"

#include <typeinfo>

#include "Distribution.h"
#include "InstallerErrors.h"

static const char kSource[] = "WizardDistribution";

namespace {

CDistribution* g_distribution = nullptr;

}  // namespace

CDistribution* SetWizardDistribution(CDistribution* distribution)
{
    CDistribution* previous = g_distribution;
    g_distribution = distribution;
    return previous;
}

CDistribution& WizardDistribution()
{
    if (!g_distribution)
        throw UninitializedObject(kSource, __LINE__, typeid(CDistribution), L"distribution");
    return *g_distribution;
}
