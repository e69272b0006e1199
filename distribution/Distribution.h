// The distribution model: the parts, the feature tree and the dependency rows of the
// distribution, the state the initialisation and the install run share, and the merged
// package's session that every component borrows.
//
// The installation operations stop the run with OperationAborted naming themselves until they
// are built.
#pragma once

#include <windows.h>

#include <list>
#include <map>
#include <memory>
#include <vector>

#include "CString.h"
#include "DependencyRow.h"
#include "DistributionServices.h"
#include "FeatureTree.h"
#include "MsiSmartPtr.h"
#include "UniqueHandle.h"

class CConfigInfo;
class CFeature;
class CPart;
class MsiSession;
struct IZKDistributionInfo;

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

    // Reads one part per part record of the configuration, in [Parts] order, with progress and
    // an abort check before each.
    void PopulateFromIniInfo(CConfigInfo& config, ProgressCallback callback, void* context);
    // Creates one part from the merged package (a baseline provider's with `baseline`) and
    // appends it; a part that fails is not kept.
    void ReadPartFromMergedPackage(CConfigInfo::PartInfo& record, bool baseline);
    // The initialisation steps: for now the feature tree.
    void Initialize(ProgressCallback callback, void* context);
    // Loads the feature tree from the merged session; failures of the system-information
    // component become ZKSystemInfoFailure.
    void BuildFeatureTree();
    // Sets the abort event; callable from any thread.
    void Abort();
    // True when the abort event is set.
    bool IsAborted() const;

    // The merged package's session (opened on first use by the configuration);
    // PriorOperationRequired before the model is loaded.
    MsiSmartPtr<MsiSession> GetSession() const;
    // A property and a directory's target path on the merged package's session
    // (MsiInstallerError on failure).
    void SetProperty(const wchar_t* name, const wchar_t* value);
    void SetTargetPath(const wchar_t* directory, const wchar_t* path);

    // The first part with that ProductCode (exact); ObjectNotFound when none.
    CPart& GetPartByProductCode(const wchar_t* productCode) const;
    // The n-th part (from 0) with that UpgradeCode, in part order; null when there are fewer.
    CPart* FindPartByUpgradeCode(const wchar_t* upgradeCode, size_t index) const;
    CPart* GetPart(size_t index) const { return m_parts[index]; }
    size_t GetPartCount() const { return m_parts.size(); }
    // The feature of that name (exact match); ObjectNotFound when there is none.
    CFeature* FindFeature(const wchar_t* name) const;
    CFeatureTree& GetFeatureTree() { return m_featureTree; }
    const std::list<CZkDependencyRow>& GetDependencyRows() const { return m_dependencyRows; }
    int GetInstallLevel() const { return m_installLevel; }
    // Adds a property for the installation of the part with that ProductCode.
    void SetPartProperty(const wchar_t* productCode, const wchar_t* name, const wchar_t* value);
    // True when a baseline provider of the configuration has exactly this UpgradeCode.
    bool IsBaselineProviderUpgradeCode(const wchar_t* upgradeCode) const;
    // True when the merged session's ZKODWBUILTDIST property is set (asked once).
    bool IsOdwBuiltDistribution();

    int GetExtraFeatureInfo(int page, void* pageObject);
    int InstallSilently();
    void LaunchExecutes(int kind, void* pageObject);

    // The folder of the volume in use; throws PriorOperationRequired while the model has none
    // (before it is loaded).
    const CString& GetCurrentRootPath() const override;
    // Whether the ZKPathsDefinition row of the directory property is marked 64-bit only.
    bool IsPathDefinition64BitOnly(const wchar_t* directoryProperty) const override;

    // -1 no install run yet; 0 no restart needed; above 0 once an installed part asked for one.
    int m_nRebootState;
    // The folder of the volume in use, set when the model is loaded; empty before.
    CString m_currentRootPath;
    // The feature dependency rows; the feature tree appends those of installed products.
    std::list<CZkDependencyRow> m_dependencyRows;

private:
    static void ReportProgress(ProgressCallback callback, void* context, int event);
    // OperationAborted naming `operation` ("Initialization aborted.") once the abort event is set.
    void ThrowIfAborted(const wchar_t* operation) const;

    std::vector<CPart*> m_parts;
    CFeatureTree m_featureTree;
    std::list<ThirdPartyDependency> m_thirdPartyDependencies;
    CPart* m_currentPart;
    int m_partCount;
    int m_currentPartNumber;
    int m_installLevel;
    bool m_selectionApplied;
    int m_currentVolume;
    IZKDistributionInfo* m_distributionInfo;
    OrbelToolbox::UniqueKernelHandle m_hAbortEvent;  // manual reset, never reset
    bool m_featureStatesDirty;
    CString m_odwBuiltDistValue;
    int m_odwBuiltState;
    std::map<CString, CString> m_linkedProperties;
    CConfigInfo* m_pConfig;  // the configuration the model was loaded from
};
