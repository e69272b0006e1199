// The distribution model: the parts, the feature tree and the dependency rows of the
// distribution, the state the initialisation and the install run share, and the merged
// package's session that every component borrows.
//
#pragma once

#include <windows.h>

#include <msiquery.h>

#include <list>
#include <map>
#include <memory>
#include <vector>

#include "BrokenDependencies.h"
#include "CString.h"
#include "CustomExecute.h"
#include "DependencyRow.h"
#include "DistributionServices.h"
#include "DistributionVolume.h"
#include "ExtraFeatureInfo.h"
#include "FeatureSubsets.h"
#include "FeatureTree.h"
#include "InstallerLogCapture.h"
#include "MsiSmartPtr.h"
#include "SystemInfoClient.h"
#include "UniqueHandle.h"
#include "VolumeCost.h"
#include "Wnd.h"

class CConfigInfo;
class CFeature;
class CPart;
class IInstallProgressPage;
class MsiDatabase;
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

    // Loads the model: the root path, the description of the distribution in the
    // system-information component, Windows Installer's silent mode (and its log when cost
    // logging is on), one part per part record in [Parts] order with progress and an abort
    // check before each, and one volume record per volume number.
    void PopulateFromIniInfo(CConfigInfo& config, ProgressCallback callback, void* context);
    // Creates one part from the merged package (a baseline provider's with `baseline`), appends
    // it and registers it with the distribution's description; a part that fails is not kept.
    void ReadPartFromMergedPackage(CConfigInfo::PartInfo& record, bool baseline);

    // The costing: the installed copies of this distribution and the run-state properties, then
    // the merged package's execute sequence up to InstallValidate, the launch conditions before
    // LaunchConditions, the feature tree before CostInitialize, the valid states after CostFinalize.
    void RunCostingActions();
    // Every feature's valid states, read after the costing.
    void ReadFeatureValidStates();

    // Gives each part the extra properties of its configuration section and sets the /prop
    // properties on the merged session.
    void ApplyConfiguredProperties();
    // The parts the install run processes (those with an action, then the baseline providers
    // the core part needs, forced to install), counted, each given what its installation passes.
    void PopulateProductInstallInfo(std::vector<CPart*>& installList);
    int GetPartCountToInstall() const { return m_partCount; }

    // Finds or creates the record of a volume; a new record's free space is read (-1 with the
    // Windows error returned when it cannot be).
    static DWORD GetVolumeFreeSpace(VolumeCostSet& volumes, const CString& volume, VolumeCost*& record);
    typedef UINT(WINAPI* EnumComponentCostsFunction)(
        MSIHANDLE, LPCWSTR, DWORD, INSTALLSTATE, LPWSTR, LPDWORD, INT*, INT*);
    // Adds one component's cost for the action to the volumes: from the engine's costing when
    // `enumCosts` is given, else from the Component table's cost columns. ERROR_DISK_FULL when a
    // volume lacks space, an error of the engine's costing, else 0. No feature adds nothing.
    UINT AddComponentCost(VolumeCostSet& volumes, const wchar_t* component, int action, CFeature* feature,
        bool countTemporary, EnumComponentCostsFunction enumCosts);

    // Runs the post-processing program before or after a part and waits for it; a program that
    // cannot be started is logged and otherwise ignored.
    void RunPartHelper(bool before, const CPart& part);
    // The program's command line for that time and part.
    CString GetPartHelperCommand(bool before, const CPart& part) const;
    // The record of volume `number` (from 1); ValueOutOfRange ("Volume Number") for a volume the
    // distribution does not have.
    DistributionVolume& GetVolume(unsigned int number);
    size_t GetVolumeCount() const { return m_volumes.size(); }
    // The ten initialisation steps in order, with progress (4 first, 1 after each step, 3 at the
    // end) and an abort check after each step.
    void Initialize(ProgressCallback callback, void* context);
    // Sets the install level on the merged session and, unless the selection is kept, applies
    // the initial feature selection for it when the level changed or a feature was changed.
    void SetInstallLevel(int level, bool keepSelection);
    // The run's install level, keeping the selection (no selection applied yet).
    void SetInitialInstallLevel();
    // Every feature's action state requested in the merged session; refusals are passed over.
    void PushFeatureStatesToSession();
    // The feature dependencies read from the merged package, and resolved against the parts,
    // features and subsets, with the initial selection applied.
    void PopulateZkDependencyInfo();
    void ResolveDependencies();
    // 1 when no dependency on another vendor's product of a feature to be installed is
    // unsatisfied or unknown, -1 when one is unknown, 0 at the first unsatisfied one (logged;
    // `requiredUnsatisfied` set when it is required).
    int CheckThirdPartyDependencies(bool& requiredUnsatisfied);
    CFeatureSubsetTable& GetFeatureSubsets() { return m_featureSubsets; }
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

    // True when `path` passes every applicable ZKDirectoryRestriction row of the directory;
    // else false with the refusing row's text. A passing path is set as the directory's target
    // path when asked; a refusal by Windows Installer gives false with its message (when it has
    // an error record). An invalid row condition throws BadCondition.
    bool ValidateDirectory(const wchar_t* directory, const wchar_t* path, CString& text, bool setTargetPath);
    // A condition evaluated in the session: false, true or none (empty); one the engine cannot
    // parse throws BadCondition naming it.
    static MSICONDITION EvaluateSessionCondition(MsiSession& session, const CString& condition);
    // Whether `path` passes one restriction on `folder` with those attributes.
    static bool IsPathAllowedByRestriction(const CString& path, const CString& folder, int attributes);
    // The directory's target path and a property's value in the merged session; true when not
    // empty. Windows Installer errors propagate.
    bool GetTargetPath(const wchar_t* directory, CString& path);
    bool GetProperty(const wchar_t* name, CString& value);

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
    // 2 when the part's owner lists a ZKPROD32BITOSEXC... property that has a value in the
    // merged package, 3 for ZKPROD64BITOSEXC..., else 1 (also for a part without an owner);
    // the first listed property of either kind decides.
    int GetPartOSExclusion(const CPart& part);
    // True when the merged session's ZKODWBUILTDIST property is set (asked once).
    bool IsOdwBuiltDistribution();
    // The merged session's ZKODWBUILTDIST value as the costing actions read it (empty before).
    const CString& GetOdwBuiltDistValue() const { return m_odwBuiltDistValue; }
    // The configuration the model was loaded from; null before the load.
    CConfigInfo* GetConfig() const { return m_pConfig; }

    // ---- The Windows Installer service, the validation steps and broken dependencies ----
    // Starts the Windows Installer service and waits while it starts (NT family, administrator
    // only); MSIServiceStartError when it cannot be started or does not end up running.
    void StartMSIService();
    // Unloads the Windows Installer library (DllUnloadFailed when that fails), then asks the
    // service to stop (NT family, administrator only); ServiceControlError on failure. A service
    // that stays busy starting, continuing or pausing is given up on, without an error.
    void StopMSIService();
    // Links every part to the parts it claims; MultipleCoreParts lists the parts claimed twice.
    void ResolveCoreParts();
    // TARGETDIR, the system folder properties and the required path properties must have usable
    // values; otherwise the text is shown, the load is cancelled and OperationAborted thrown.
    void ValidateZKPathDirAndSysFolderProps();
    // InvalidFeatureTree naming every feature whose parent is not a feature.
    void ValidateFeatureTree();
    // LaunchConditionFailed with the description of the first false launch condition.
    void CheckLaunchConditions();
    // True when the distribution is built by the packaging tool and one of the feature's
    // conditions that names ZKODW_DISABLED_THIS_FEATURE holds.
    bool IsFeatureDisabledForBuild(const CFeature& feature);
    // Records, for each part that may be installed, the installed products that depend on a
    // product it replaces and that it would not satisfy; the part's features point to the record.
    void FindBrokenDependencies();
    // The n-th record (from 0); ValueOutOfRange beyond the last.
    CBrokenDependency& GetBrokenDependency(size_t index);
    size_t GetBrokenDependencyCount() const { return m_brokenDependencies.size(); }

    // The extra information that applies for a page state (0 the quiet run's check, 3 the page
    // before the feature selection, 7 the page after it): the applying ZKExtraFeatureInfo rows,
    // then, except on 3, the unsatisfied dependencies of newly installed features on other
    // vendors' products. Each entry is logged and added to `entries` when given. Returns the
    // number of fatal entries; a Windows Installer error ends the collection with the count so far.
    int GetExtraFeatureInfo(int page, ExtraFeatureInfoMap* entries);

    // ---- The install run ----
    // What an entry point hands to the run: Windows Installer's external handler with its message
    // filter and context (none for the other modes), and the window that answers the run's
    // questions (none in a quiet run).
    struct InstallContext {
        INSTALLUI_HANDLERW handler = nullptr;
        DWORD messageFilter = 0;
        void* handlerContext = nullptr;
        CWnd* page = nullptr;
    };
    enum InstallMode { kInstallSilently = 0, kInstallWithWindow = 1, kInstallWithProgress = 2 };
    // Installs, changes or removes every part with an action and returns the overall Windows
    // Installer result (0, 3010, 1641, 1602, 1603, 1223 or a part's failure code).
    UINT InstallWithProgress(CWnd* page, INSTALLUI_HANDLERW handler, DWORD messageFilter, void* handlerContext);
    UINT InstallWithWindow(CWnd* window);
    UINT InstallSilently();
    UINT Install(int mode, const InstallContext& context);
    // Before exit, once every session is closed: Windows Installer's log off and its capture
    // files removed.
    void StopInstallerLog() { m_installerLog.Stop(); }
    // The values of the linked distributions' properties in the merged session, taken once
    // before any part installs (first value of a name wins).
    void SnapshotLinkedProperties();
    const std::map<CString, CString>& GetLinkedProperties() const { return m_linkedProperties; }
    // The run's order: by volume (stable), other vendors' parts placed first to the front and
    // placed last to the back, and the first part of the installer engine's own family first.
    static void OrderInstallList(std::vector<CPart*>& parts);
    // What the order looks at of one part; the order as indexes into `keys`.
    struct InstallOrderKey {
        int volume = 1;
        bool thirdParty = false;
        bool placedFirst = false;
        bool placedLast = false;
        bool engine = false;  // the installer engine's own family
    };
    static std::vector<size_t> OrderInstall(const std::vector<InstallOrderKey>& keys);
    // The rank of a result: 0, 3010, 1641, 1602 in rising order, 4 for any other code.
    static int RankInstallResult(UINT code);
    // Keeps the overall result unless the new code ranks higher.
    static void MergeInstallResult(UINT& overall, UINT code);
    // Whether an installation's result is a success: 0, or a restart required or initiated.
    static bool IsSuccessResult(UINT code);
    int GetCurrentVolume() const { return m_currentVolume; }
    // The part being processed (null outside the loop), its number in the run and the count.
    CPart* GetCurrentPart() const { return m_currentPart; }
    int GetCurrentPartNumber() const { return m_currentPartNumber; }
    // The run's progress page, when it has one.
    IInstallProgressPage* GetProgressPage() const { return m_progressPage; }
    // The linked distributions, run after the parts in the full wizard; their merged result.
    UINT RunLinkedDistributions(int mode, const InstallContext& context);

    // ---- Custom executes ----
    // Collects the executes of the merged package, once per install run.
    void CollectCustomExecutes();
    // Evaluates the condition in the merged session; when it holds (or is empty) sets `holds`
    // and formats the command line there.
    void PrepareCustomExecute(CString& commandLine, const CString& condition, bool& holds);
    // The command line of a published execute; `given` when its condition holds.
    void GetOrbelCustomExecuteCommand(const wchar_t* executable, CString& commandLine, bool& given);
    // The ProductCode of the part an execute belongs to, or empty.
    CString GetCustomExecuteProducts(MsiDatabase& database, const wchar_t* executable);
    // Runs (or records in the cache file) the executes of one kind: 0 before the parts, 1 at the
    // end with progress, 2 from the end page. Returns 0; no execute's outcome changes the run.
    int LaunchExecutes(int kind, CWnd* window);
    // Unchecks the executes of the part with that ProductCode (its installation failed).
    void DropExecutesOfPart(const wchar_t* productCode);
    std::list<CustomExecute>& GetCustomExecutes() { return m_customExecutes; }
    // True when an execute has a check box (checked or unchecked): the end page shows its own.
    bool HasCheckedExecute() const;
    // The first checked execute, in list order, becomes unchecked.
    void UncheckEndPageExecute();
    // The executes of a kind that are not unchecked; with kind 2 in a run that records the
    // executes to the cache file, every one of that kind.
    int CountExecutesOfKind(int kind) const;
    int GetEndExecuteCount() const { return CountExecutesOfKind(CustomExecute::kEndWithProgress); }
    int GetEndPageExecuteCount() const { return CountExecutesOfKind(CustomExecute::kEndPage); }

    // ---- Disk costing ----
    // Fills one record per volume with what the planned changes need and what the volume offers;
    // ERROR_DISK_FULL when a volume lacks space, else 0 or an error of the engine's costing.
    UINT ComputeDiskCost(VolumeCostSet& volumes);
    // The package file's size less the sizes of the cabinets embedded in it (Media rows whose
    // Cabinet begins with '#').
    static uint64_t GetPackageSizeWithoutCabinets(const wchar_t* package);

    // A condition evaluated in the merged session after every "&Feature" of the tree became the
    // feature's action state and every "!Feature" its current state; MsiInstallerError when the
    // engine cannot evaluate the result.
    MSICONDITION EvaluateFeatureCondition(const wchar_t* condition) const;
    // The condition with those replacements.
    CString ReplaceFeatureStates(const wchar_t* condition) const;

    // The folder of the volume in use; throws PriorOperationRequired while the model has none
    // (before it is loaded).
    const CString& GetCurrentRootPath() const override;
    // Whether the ZKPathsDefinition row of the directory property is marked 64-bit only.
    bool IsPathDefinition64BitOnly(const wchar_t* directoryProperty) const override;

    // -1 no install run yet; 0 no restart needed; 1 once an installed part asked for one.
    int m_nRebootState;
    // The folder of the volume in use, set when the model is loaded; empty before.
    CString m_currentRootPath;
    // The feature dependency rows; the feature tree appends those of installed products.
    std::list<CZkDependencyRow> m_dependencyRows;

protected:
    // Installs one part in the run's mode (a seam for tests of the run).
    virtual UINT InstallPart(CPart& part, int mode, const InstallContext& context);

private:
    // Tells the system-information component that a run starts; its failures are ignored.
    void AnnounceInstallRun();
    // Makes `volume` current: found in one of its folders, else asked for through the question
    // window. False when it cannot be found and there is no window; `partResult` becomes a user
    // exit when the user cancelled the prompt.
    bool FindVolume(int volume, HWND questionWindow, UINT& partResult);
    static void ReportProgress(ProgressCallback callback, void* context, int event);
    typedef void (CDistribution::*InitializationStep)();
    static const InitializationStep kInitializationSteps[];
    // Installed distributions with this GUID: whether any, the highest version with its title,
    // and whether one has exactly this version.
    struct InstalledCopy {
        bool detected = false;
        bool sameVersion = false;
        CString installedVersion;
        CString installedTitle;
    };
    void DetectInstalledCopies(InstalledCopy& found);
    // Appends the baseline providers the core part's installation needs to the parts and to the
    // install list; a merged package without their summary table stops the load.
    void SelectBaselineProviders(std::vector<CPart*>& installList);
    bool IsBaselineProviderNeeded(const CConfigInfo::KolBaselinePartInfo& provider, MsiSession& session);
    // The properties that hold the company and the user name.
    void GetUserInfoPropertyNames(CString& company, CString& user) const;
    // The description of the distribution in the system-information component, items in order.
    void DescribeDistribution(const CConfigInfo& config);
    // The component's failure: out of memory as such, else ZKSystemInfoFailure whose debug text
    // is `format` (one %08x) filled with the result; by default the failure of the load.
    [[noreturn]] static void ThrowComFailure(HRESULT result, int line,
        const wchar_t* format = L"Unexpected error while accessing the ZKDistributionInfo object. Result=%08x");
    // A rejected description item: ZKSystemInfoFailure naming a version mismatch.
    static void CheckDescription(HRESULT result);
    // OperationAborted naming `operation` ("Initialization aborted.") once the abort event is set.
    void ThrowIfAborted(const wchar_t* operation) const;

    // The end page's record; null when the configuration has none.
    CConfigInfo::EndDialogInfo* GetEndPageRecord() const;
    // Pushes the feature action states into the merged session once, before the first custom
    // execute's condition is evaluated.
    void PushFeatureStatesIfDirty();
    // The command line with the words replaced that stand for the restart decision and the end
    // page's check box at launch time.
    static CString ReplaceLaunchWords(const CString& commandLine, CWnd* window);

    // Sends the text to the session's log, shows it, cancels the load and aborts.
    [[noreturn]] void FailSystemFolderValidation(const CString& text);
    // Adds to `broken` the installed dependents of one product that `part` would break.
    void FindProductDependents(
        IZKPartInfoList& installed, const CString& productCode, CPart& part, CBrokenDependency& broken);
    // Never moves its elements: features point into it.
    std::list<CBrokenDependency> m_brokenDependencies;

    std::vector<CPart*> m_parts;
    CFeatureTree m_featureTree;
    std::list<ThirdPartyDependency> m_thirdPartyDependencies;
    CFeatureSubsetTable m_featureSubsets;
    CPart* m_currentPart;
    int m_partCount;
    int m_currentPartNumber;
    int m_installLevel;
    bool m_selectionApplied;
    int m_currentVolume;
    SysInfoPtr<IZKDistributionInfo> m_distributionInfo;
    OrbelToolbox::UniqueKernelHandle m_hAbortEvent;  // manual reset, never reset
    bool m_featureStatesDirty;
    CString m_odwBuiltDistValue;
    int m_odwBuiltState;
    std::map<CString, CString> m_linkedProperties;
    std::list<CustomExecute> m_customExecutes;
    IInstallProgressPage* m_progressPage;  // not owned
    // Windows Installer's log while costing (with the cost log) and while the parts install.
    InstallerLogCapture m_installerLog;
    std::vector<DistributionVolume> m_volumes;
    CConfigInfo* m_pConfig;  // the configuration the model was loaded from
};
