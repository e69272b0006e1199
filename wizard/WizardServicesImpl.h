// The wizard's side of the services that the layers below it ask for (their interface is
// declared by the configuration layer); the application installs it at start-up.
#pragma once

#include "WizardServices.h"

// The one implementation: reports through ReportFatalError and answers from the page registry.
IWizardServices& GetWizardServicesImpl();
