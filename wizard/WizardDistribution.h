// The distribution model that the wizard's pages work on: the one the application installed as
// the distribution services.
#pragma once

class CDistribution;

// The installed model; UninitializedObject when none is installed or it is not a distribution
// model.
CDistribution& WizardDistribution();
