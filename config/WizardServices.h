// What the layers below the wizard ask of it: the report of an error that escaped a thread
// body, the page registry (which pages exist and the records they read) and the conversion of
// a page's dialog units. The wizard implements it; the application installs the wizard's
// implementation when it is constructed.
#pragma once

#include <windows.h>

#include "ConfigInfo.h"
#include "DialogState.h"

// The crash report a caller may attach to a fatal-error report (defined by the wizard).
class CCrashReport;
class CLinkedDistribution;

// A prompt for a medium (a volume of the distribution) that the install run builds on its own
// thread: it first asks whether the medium is already in a folder and has the wizard show the
// prompt only when it is not.
class IMediaPrompt {
public:
    virtual ~IMediaPrompt() { }
    // True when the current folder holds the expected medium (no window involved).
    virtual bool IsMediaPresent() = 0;
    // The folder proposed to, or chosen by, the user.
    virtual const CString& GetPath() const = 0;
    virtual void SetPath(const CString& path) = 0;
};

class IWizardServices {
public:
    virtual ~IWizardServices() { }

    // Shows the fatal-error dialog unless the run is quiet and logs the error; never throws.
    virtual void ReportFatalError(const wchar_t* message, const wchar_t* details, BOOL showDetailsButton,
        BOOL logDetails, const CCrashReport* crashReport)
        = 0;

    // Shows the fatal-error dialog modally, owned by `owner`, with the exclamation icon, the
    // application's title as caption, `message` and `details` (behind the Details button).
    virtual void ShowFatalErrorDialog(HWND owner, const wchar_t* message, const wchar_t* details) = 0;

    // The next registered page state in ascending order: 0 gives the first, the last gives 0;
    // an unregistered state throws ValueOutOfRange.
    virtual eDialogState GetNextDialogState(eDialogState state) = 0;
    // A new configuration record, owned by the caller, for the page registered for `state`.
    virtual CConfigInfo::DialogInfo* CreateDialogConfig(eDialogState state, CConfigInfo& config) = 0;
    // Converts `rect` from the dialog units of the page window to pixels, scaled as the page
    // scales its controls.
    virtual void MapScaledDialogRect(HWND page, RECT& rect) = 0;
    // A new prompt, owned by the caller, for volume `volume` of the distribution with those
    // settings, proposing `path`.
    virtual IMediaPrompt* CreateSpannedPrompt(
        const CConfigInfo::DistributionInfo& settings, int volume, const CString& path)
        = 0;
    // A new prompt, owned by the caller, for the medium of the linked distribution (which must
    // outlive it), proposing the linked distribution's folder as seen from `rootPath`, the
    // folder of the volume in use.
    virtual IMediaPrompt* CreateLinkedPrompt(const CLinkedDistribution& linked, const CString& rootPath) = 0;
    // Shows a prompt made by this interface modally on the calling thread, without an owner;
    // IDOK when the medium was found, IDCANCEL when the user gave up.
    virtual INT_PTR RunMediaPrompt(IMediaPrompt& prompt) = 0;
    // Shows the fatal-error dialog owned by `owner` modally: the message-box icon `iconType`,
    // the caption, the message and the details behind its Details button.
    virtual void ShowErrorDialog(
        HWND owner, UINT iconType, const wchar_t* caption, const wchar_t* message, const wchar_t* details)
        = 0;
};

// Installs the implementation (null removes it) and returns the one it replaced.
IWizardServices* InstallWizardServices(IWizardServices* services);
// The installed implementation; throws UninitializedObject when none is.
IWizardServices& WizardServices();

// Reports through the installed implementation; without one (a program that has no wizard)
// shows the message in a plain message box. Never throws.
void ReportFatalErrorThroughWizard(const wchar_t* message, const wchar_t* details, BOOL showDetailsButton,
    BOOL logDetails, const CCrashReport* crashReport);
