#include "EndPageRun.h"

#include "CustomExecute.h"
#include "Distribution.h"
#include "WizardDistribution.h"

namespace {

class CDistributionEndPageRun : public IEndPageRun {
public:
    int GetEndExecuteCount() override { return WizardDistribution().GetEndExecuteCount(); }
    int GetEndPageExecuteCount() override { return WizardDistribution().GetEndPageExecuteCount(); }
    bool HasCheckedExecute() override { return WizardDistribution().HasCheckedExecute(); }
    void UncheckEndPageExecute() override { WizardDistribution().UncheckEndPageExecute(); }
    void LaunchExecutes(int kind, CWnd* page) override { WizardDistribution().LaunchExecutes(kind, page); }
};

CDistributionEndPageRun g_distributionRun;
IEndPageRun* g_run = nullptr;

}  // namespace

IEndPageRun& EndPageRun()
{
    return g_run ? *g_run : g_distributionRun;
}

IEndPageRun* SetEndPageRun(IEndPageRun* run)
{
    IEndPageRun* previous = g_run;
    g_run = run;
    return previous;
}
