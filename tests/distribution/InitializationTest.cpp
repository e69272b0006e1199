// The initialisation of the model: its steps in their order, with an abort seen after each step.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <string>
#include <vector>

#include "Distribution.h"
#include "Feature.h"
#include "InstallerErrors.h"
#include "ModelFixture.h"
#include "ModelTestSupport.h"

using modeltest::ModelTest;
using namespace modeltest::fixture;

namespace {

class InitializationTest : public ModelTest { };

// Records the progress codes and aborts the model at the given count of step reports.
struct AbortingProgress {
    CDistribution* model;
    int abortAtStep;
    std::vector<int> codes;
};

void RecordAndAbort(void* context, int code)
{
    AbortingProgress& progress = *static_cast<AbortingProgress*>(context);
    progress.codes.push_back(code);
    if (code == 1 && static_cast<int>(progress.codes.size()) - 1 == progress.abortAtStep)
        progress.model->Abort();
}

}  // namespace

// An abort requested while a step runs (here: while its progress is reported) ends the
// initialisation right after that step, whichever step it is.
TEST_F(InitializationTest, AbortIsSeenAfterEveryStep)
{
    for (int step = 1; step <= 4; ++step) {
        SCOPED_TRACE(step);
        modeltest::MessageBoxRecorder boxes;
        testsupport::WriteFileBytes(m_dir.File(L"setup.ini"), ModelIni());
        CConfigInfo config;
        config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        config.PopulateMsiInfo();
        config.LoadLanguageResource();
        config.Populate();
        CDistribution model;
        testsupport::ScopedDistributionServices scope(&model);
        model.PopulateFromIniInfo(config, nullptr, nullptr);
        AbortingProgress progress{&model, step, {}};
        try {
            model.Initialize(&RecordAndAbort, &progress);
            ADD_FAILURE() << "no abort";
        } catch (const OperationAborted& e) {
            EXPECT_EQ(L"CDistribution::Initialize", W(e.Argument<1>()));
        }
        std::vector<int> expected(1, 4);
        expected.insert(expected.end(), step, 1);
        EXPECT_EQ(expected, progress.codes);
        config.FreeResourceModules();
    }
}

// A complete initialisation: four, ten step reports, three; the run's install level is set and
// the initial selection applied with the dependency groups the rows give (here one on the extras
// part's tools, which the selection then installs with the core's documentation).
TEST_F(InitializationTest, AllTenStepsRun)
{
    modeltest::MessageBoxRecorder boxes;
    m_app.SetInstallLevel(10);
    m_app.SetCommandLineProperty(L"DATADIR", L"C:\\Data");
    Configure(ModelIni());
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.m_dependencyRows.emplace_back(
        kExtrasUpgrade, L"Tools", L"", L"", L"", 0, L"CoreDocs", m_model.GetPart(0), L"", nullptr);
    std::vector<int> codes;
    m_model.Initialize(
        [](void* context, int code) { static_cast<std::vector<int>*>(context)->push_back(code); }, &codes);

    EXPECT_EQ((std::vector<int>{4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 3}), codes);
    EXPECT_EQ(10, m_model.GetInstallLevel());
    const std::list<CFeatureSubsetOr>& groups = m_model.FindFeature(L"CoreDocs")->GetDependencyGroups();
    ASSERT_EQ(1u, groups.size());
    EXPECT_EQ(1u, groups.front().GetAlternatives().front().GetFeatures().size());
    EXPECT_LE(INSTALLSTATE_LOCAL, m_model.FindFeature(L"CoreDocs")->GetActionState());
    EXPECT_LE(INSTALLSTATE_LOCAL, m_model.FindFeature(L"ExtrasTools")->GetActionState());
    EXPECT_TRUE(boxes.texts.empty());
}
