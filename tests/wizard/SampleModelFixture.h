// A copy of the distribution tests' sample for the wizard's tests over a real model: the
// configuration read from its setup.ini, and the model that the distribution services answer
// with.
#pragma once

#include <gtest/gtest.h>

#include "Feature.h"
#include "FeatureTree.h"
#include "ModelFixture.h"

namespace wizardtest {

class SampleModelTest : public ::testing::Test {
protected:
    SampleModelTest() { modeltest::CopyModelFiles(m_dir); }
    ~SampleModelTest() override { m_config.FreeResourceModules(); }

    // Reads the configuration from the sample's setup.ini.
    void LoadConfig()
    {
        testsupport::WriteFileBytes(m_dir.File(L"setup.ini"), modeltest::ModelIni());
        m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        m_config.PopulateMsiInfo();
        m_config.LoadLanguageResource();
        m_config.Populate();
    }
    // Populates the model from the configuration and builds its feature tree.
    void BuildModel()
    {
        m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        m_model.BuildFeatureTree();
    }

    CFeature* Feature(const wchar_t* name) { return m_model.FindFeature(name); }
    // Every feature at `state`, installed and planned.
    void AllUnchanged(int state)
    {
        for (CFeature* f = m_model.GetFeatureTree().GetRoot(); f; f = m_model.GetFeatureTree().GetNext(f))
            f->m_actionState = f->m_installedState = state;
    }
    // The feature's planned and installed states.
    void Plan(const wchar_t* name, int action, int installed)
    {
        Feature(name)->m_actionState = action;
        Feature(name)->m_installedState = installed;
    }

    testsupport::CurrentFolderGuard m_currentFolder;
    testsupport::TempDir m_dir;
    modeltest::TestAppServices m_app;
    CConfigInfo m_config;
    CDistribution m_model;
    testsupport::ScopedDistributionServices m_modelServices{&m_model};
};

}  // namespace wizardtest
