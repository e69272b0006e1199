// The distribution model: parts, features, dependencies and the installation run.
//
// For now only the shape the application shell needs: construction (with the abort event),
// the abort operations and the restart state. The loading, initialisation and installation
// operations stop the run with OperationAborted naming themselves until the model is built.
#pragma once

#include <windows.h>

#include "CString.h"
#include "UniqueHandle.h"

class CConfigInfo;

// A load-progress callback: context and event code (1 a step, 4 start of the initialisation
// animation, 3 its end).
typedef void (*ProgressCallback)(void* context, int code);

class CDistribution {
public:
    CDistribution();
    virtual ~CDistribution();
    CDistribution(const CDistribution&) = delete;
    CDistribution& operator=(const CDistribution&) = delete;

    void PopulateFromIniInfo(CConfigInfo& config, ProgressCallback callback, void* context);
    void Initialize(ProgressCallback callback, void* context);
    // Sets the abort event; callable from any thread.
    void Abort();
    // True when the abort event is set.
    bool IsAborted() const;
    int GetExtraFeatureInfo(int page, void* pageObject);
    int InstallSilently();
    void LaunchExecutes(int kind, void* pageObject);

    // The folder of the volume in use; throws PriorOperationRequired while the model has none
    // (before it is loaded).
    const CString& GetCurrentRootPath() const;

    // -1 after construction; above 0 once an installed part asked for a restart.
    int m_nRebootState;
    // The folder of the volume in use, set when the model is loaded; empty before.
    CString m_currentRootPath;

private:
    OrbelToolbox::UniqueKernelHandle m_hAbortEvent;  // manual reset
};
