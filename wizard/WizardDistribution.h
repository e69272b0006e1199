// The distribution model whose run the wizard's pages show and start. The application names its
// model before the wizard runs.
#pragma once

class CDistribution;

// Names the model (null: none) and returns the one named before.
CDistribution* SetWizardDistribution(CDistribution* distribution);
// The named model; throws UninitializedObject when none is named.
CDistribution& WizardDistribution();
