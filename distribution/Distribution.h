// The distribution model: parts, features, dependencies and the installation run.
//
// For now only the shape the application shell needs: construction (with the abort event),
// the abort operations and the restart state. The loading, initialisation and installation
// operations stop the run with OperationAborted naming themselves until the model is built.
#pragma once

#include <windows.h>

#include "CString.h"
#include "DistributionServices.h"

class CConfigInfo;
class CFeature;
class MsiSession;

// A load-progress callback: context and event code (1 a step, 4 start of the initialisation
// animation, 3 its end).
typedef void (*ProgressCallback)(void* context, int code);

// Events of the load progress.
enum ProgressEvent { kProgressStep = 1, kProgressPhaseEnd = 3, kProgressPhaseStart = 4 };

class CDistribution : public IDistributionServices {
public:
    CDistribution();
    ~CDistribution() override;
    CDistribution(const CDistribution&) = delete;
    CDistribution& operator=(const CDistribution&) = delete;

    void PopulateFromIniInfo(CConfigInfo& config, ProgressCallback callback, void* context);
    void Initialize(ProgressCallback callback, void* context);
    // Sets the abort event; callable from any thread.
    void Abort();
    // True when the abort event is set.
    bool IsAborted() const;
    // The feature of that name (exact match); ObjectNotFound when there is none.
    CFeature* FindFeature(const wchar_t* name) const;
    // A property and a directory's target path on the merged package's session
    // (MsiInstallerError on failure).
    void SetProperty(const wchar_t* name, const wchar_t* value);
    void SetTargetPath(const wchar_t* directory, const wchar_t* path);

    int GetExtraFeatureInfo(int page, void* pageObject);
    int InstallSilently();
    void LaunchExecutes(int kind, void* pageObject);

    // The folder of the volume in use; throws PriorOperationRequired while the model has none
    // (before it is loaded).
    const CString& GetCurrentRootPath() const override;

    // -1 after construction; above 0 once an installed part asked for a restart.
    int m_nRebootState;
    // The folder of the volume in use, set when the model is loaded; empty before.
    CString m_currentRootPath;

private:
    static void ReportProgress(ProgressCallback callback, void* context, int event);
    // OperationAborted ("Initialization aborted.") once the abort event is set.
    void ThrowIfAborted() const;
    // The merged package's session; PriorOperationRequired before the model is loaded.
    MsiSession& MergedSession() const;

    HANDLE m_hAbortEvent;  // manual reset
    CConfigInfo* m_pConfig;  // the configuration the model was loaded from
};
