// What the layers below the wizard ask of it: the report of an error that escaped a thread
// body. The wizard implements it; the application installs the wizard's implementation when it
// is constructed.
#pragma once

#include <windows.h>

// The crash report a caller may attach to a fatal-error report (defined by the wizard).
class CCrashReport;

class IWizardServices {
public:
    virtual ~IWizardServices() {}

    // Shows the fatal-error dialog unless the run is quiet and logs the error; never throws.
    virtual void ReportFatalError(const wchar_t* message, const wchar_t* details, BOOL showDetailsButton,
                                  BOOL logDetails, const CCrashReport* crashReport) = 0;
};

// Installs the implementation (null removes it) and returns the one it replaced.
IWizardServices* InstallWizardServices(IWizardServices* services);

// Reports through the installed implementation; without one (a program that has no wizard)
// shows the message in a plain message box. Never throws.
void ReportFatalErrorThroughWizard(const wchar_t* message, const wchar_t* details, BOOL showDetailsButton,
                                   BOOL logDetails, const CCrashReport* crashReport);
