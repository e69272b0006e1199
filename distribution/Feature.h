// One feature of the distribution: a row of the merged Feature table, or a fake feature that
// stands for a linked distribution, another vendor's installer or the dependencies of an
// installed product. The feature tree creates, links, owns and destroys every feature.
//
// States are Windows Installer INSTALLSTATE values in signed 32-bit integers (-7 and -2 only as
// spec-file requests; 5 as a product's installed state means installed).
#pragma once

#include <windows.h>

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "CString.h"
#include "FeatureSubsets.h"

class CBrokenDependency;
class CDistribution;
class CLinkedDistribution;
class FeatureChangeLevel;
class FeatureChangeQueue;
struct FeatureStateChange;
class CPart;
class MsiDatabase;
class MsiSession;

// One link between a feature and a feature of its dependency: the other feature, the required
// states of the alternative and the feature's subset attribute value.
struct FeatureDependentLink {
    class CFeature* feature;
    DWORD requiredStates;
    DWORD subsetAttributes;
};

// Links ordered by the other feature's name (ordinal), then by the required states.
struct FeatureDependentLinkLess {
    bool operator()(const FeatureDependentLink& a, const FeatureDependentLink& b) const;
};
typedef std::set<FeatureDependentLink, FeatureDependentLinkLess> FeatureDependentLinkSet;

// Which of the merged package's optional tables that every feature reads are there: its
// conditions, display values, folder browsing and linked-distribution menus. The feature tree
// asks the database once per load and hands the answers to every feature it creates; a feature
// without them asks the database itself.
struct FeatureTables {
    explicit FeatureTables(MsiDatabase& database);
    bool condition;
    bool featureDisplay;
    bool disableDirectoryBrowse;
    bool linkedDistMenus;  // every table of a linked distribution's menu
};

class CFeature {
public:
    // What the feature stands for.
    enum Kind {
        kOrdinary = 0,     // supplied by a part
        kNoPart = 1,       // no part supplies it
        kLinkedDist = 2,   // a linked distribution
        kPlaceholder = 3,  // the dependencies of an installed product
        kThirdParty = 4,   // another vendor's installer
    };
    // Feature.Attributes bits read here.
    static const DWORD kAttrFavorSource = 1;
    static const DWORD kAttrFollowParent = 2;
    static const DWORD kAttrDisallowAdvertise = 8;
    static const DWORD kAttrDisallowAbsent = 16;
    // Filter bits of CountDependents.
    enum CountFlags {
        kCountOnlyInstalling = 1,     // dependents whose action state is 3 or more
        kCountSkipInsideSubtree = 2,  // skip dependents inside the feature's subtree
        kCountSkipSelf = 4,
        kCountSkipAlternativeStates = 8,  // skip links requiring state 2 or 4 (flags 2, 4)
        kCountChildren = 16,
        kCountOnlyPlaceholders = 32,
        kCountSkipRequiredChildren = 64,  // with 16: leave out children required by installed products
    };

    // The menu of a linked-distribution fake feature: its items in menu order and the item
    // chosen last. Choosing an item enables or disables the linked distribution, sets the level
    // passed to it and installs or removes the fake feature.
    class LinkedDistFakeFeature {
    public:
        struct MenuItem {
            CString title;
            int type;   // kTypeLeaveOut leaves the linked distribution out
            int level;  // passed to the linked distribution; kLevelNotRun: it is not run
        };
        static const int kTypeLeaveOut = 0;
        static const int kLevelNotRun = -1;

        explicit LinkedDistFakeFeature(CFeature& fakeFeature);
        virtual ~LinkedDistFakeFeature() { }
        LinkedDistFakeFeature(const LinkedDistFakeFeature&) = delete;
        LinkedDistFakeFeature& operator=(const LinkedDistFakeFeature&) = delete;

        int GetMenuItemCount() const { return static_cast<int>(m_items.size()); }
        // An index not below the number of items throws ValueOutOfRange.
        const MenuItem& GetMenuItem(int n) const;
        int GetMenuItemType(int n) const { return GetMenuItem(n).type; }
        int GetMenuItemLevel(int n) const { return GetMenuItem(n).level; }
        // The item a new selection starts from: in a maintenance run or with distribution
        // linking switched off, the first item that leaves the linked distribution out.
        int GetDefaultItem() const;
        int GetSelectedItem() const { return m_selectedItem; }
        int GetInstallItem() const { return m_installItem; }
        int GetLeaveOutItem() const { return m_leaveOutItem; }
        CLinkedDistribution* GetLinkedDistribution() const { return m_linkedDistribution; }
        CFeature* GetFakeFeature() const { return m_fakeFeature; }
        // Chooses item n: the linked distribution runs with the item's level, and the fake
        // feature is installed, or the linked distribution is left out and the fake feature
        // removed. A menu without items has nothing to choose and stays as it is.
        void SelectMenuItem(int n);

    private:
        friend class CFeature;

        CLinkedDistribution* m_linkedDistribution;  // the configuration's record, borrowed
        std::vector<MenuItem> m_items;
        int m_selectedItem;
        int m_defaultItem;
        int m_installItem;
        int m_leaveOutItem;
        CFeature* m_fakeFeature;
    };

    CFeature();
    virtual ~CFeature();
    CFeature(const CFeature&) = delete;
    CFeature& operator=(const CFeature&) = delete;

    // Fills the feature once, before it is linked: the Feature row's values, its part (null
    // when none), the spec file's request (dropped when this Windows excludes the part) and
    // whether it is a placeholder. Fixes the kind: a linked distribution's menu makes a linked-
    // distribution fake feature, and another vendor's installer is set up from its own tables.
    // The installed state of the others comes from the part's product (asked of Windows
    // Installer for an installed product; 2 when unknown or without a part).
    void Initialize(const wchar_t* name, const wchar_t* partFeatureName, const wchar_t* title,
        const wchar_t* description, int display, int level, const wchar_t* directory, DWORD attributes, bool transitive,
        DWORD transitiveAttributes, CPart* part, MsiSession* session, int specRequest, bool placeholder);

    // The tables answers the feature uses instead of asking the database; set before Initialize.
    void UseTables(std::shared_ptr<const FeatureTables> tables) { m_tables = std::move(tables); }

    // The menu of the linked distribution named for `name` in the fake-feature tables, read
    // from the session's database; null when the feature is no linked-distribution fake
    // feature. The menu starts on the item that leaves the linked distribution out when the
    // feature's level is above the run's install level or `specAbsent`. Throws
    // LinkDistFakeFeature when the menu cannot be read or the configuration does not list the
    // linked distribution.
    static std::unique_ptr<LinkedDistFakeFeature> LoadLinkedDistFakeFeature(
        MsiSession& session, const wchar_t* name, CFeature& feature, bool specAbsent);
    // Whether the database has every table of a linked distribution's menu.
    static bool HasLinkedDistMenuTables(MsiDatabase& database);
    // For a feature of another vendor's installer: the installed state and valid states from
    // the installer's conditions and commands, and its disk space reserved through a temporary
    // component of the feature.
    void SetUpOtherVendorFakeFeature();
    // The feature's menu; ObjectNotFound for a feature without one.
    LinkedDistFakeFeature& GetLinkedDistFakeFeature() const;

    // The process-wide costing-abort event (null while no feature exists).
    static HANDLE GetCostingAbortEvent() { return s_costingAbortEvent; }
    // Sets the costing-abort event.
    static void SignalAbort();

    // Tree links.
    CFeature* GetParent() const { return m_parent; }
    CFeature* GetNextSibling() const { return m_nextSibling; }
    CFeature* GetPrevSibling() const { return m_prevSibling; }
    CFeature* GetFirstChild() const { return m_firstChild; }
    CFeature* GetFirstSibling() const;
    CFeature* GetRoot() const;
    // Null gives the first child, else the child's next sibling.
    CFeature* GetNextChild(const CFeature* child) const;
    // The pre-order successor in the whole tree; null at the end.
    CFeature* GetNextInTree() const;
    // The pre-order successor of `node` within this feature's subtree (null: the first child);
    // null when the walk would leave the subtree.
    CFeature* GetNextInSubtree(const CFeature* node) const;
    // True when `feature` lies in this feature's subtree (the feature itself excluded).
    bool HasDescendant(const CFeature* feature) const;
    // Links `feature` as the next sibling under the same parent; returns it.
    CFeature* InsertSiblingAfter(CFeature* feature);
    // Links an unlinked `feature` among the children, ordered by display value, then by name;
    // after existing children with the same display value and name.
    void AddChildSorted(CFeature* feature);
    // The first feature of the whole tree with that name (exact); ObjectNotFound when none.
    CFeature& FindFeature(const wchar_t* name) const;

    // States.
    int GetActionState() const { return m_actionState; }
    int GetInstalledState() const { return m_installedState; }
    int GetEffectiveRequest() const { return m_requestPriority != 0 ? m_requestedState : m_actionState; }
    // The state the user sees: the installed state, or for a fake feature the best of its
    // children's (3, 4, 1, 2).
    int GetCurrentState() const;
    // The installed state of the product behind the feature.
    int GetProductState() const;
    bool IsFakeFeature(int kind) const { return kind == -1 ? m_fakeKind != kOrdinary : m_fakeKind == kind; }
    int GetKind() const { return m_fakeKind; }

    // Display.
    bool IsHidden(bool displayOnly) const;
    bool IsVisible() const;
    CFeature* FindVisibleSelfOrAncestor() const;
    bool HasVisibleChild() const;
    bool IsDisplayExpanded() const { return m_display > 0 && (m_display & 1) != 0; }
    bool IsShownExpanded() const;

    // Transitivity.
    bool IsTransitive() const;
    bool HasInstalledTransitiveAncestor() const;
    bool IsTransitiveChainSatisfied() const;

    bool CanAdvertise() const { return (m_validStates & (1u << 1)) != 0; }
    bool CanBeAbsent() const { return (m_attributes & kAttrDisallowAbsent) == 0; }
    void DisallowAbsent() { m_attributes |= kAttrDisallowAbsent; }
    // A source is always shown as a CD.
    bool IsNetworkSource() const { return false; }
    // True when the distribution is built by the packaging tool and one of the feature's
    // conditions that names ZKODW_DISABLED_THIS_FEATURE holds.
    bool IsDisabledByCondition() const;
    // The distribution of the feature's part, or for a feature without a part the one of the
    // first part in the tree; null when no feature of the tree has one.
    CDistribution* GetDistribution() const;

    // Dependents: one entry per alternative of every feature whose dependency names this one.
    void AddDependent(const FeatureDependentLink& link) { m_dependents.push_back(link); }
    std::list<FeatureDependentLink>::const_iterator DependentsBegin() const { return m_dependents.begin(); }
    std::list<FeatureDependentLink>::const_iterator DependentsEnd() const { return m_dependents.end(); }
    // The features the solver has chosen from the alternatives of the dependency groups, by name.
    FeatureDependentLinkSet::const_iterator SelectedDependenciesBegin() const { return m_selectedDependencies.begin(); }
    FeatureDependentLinkSet::const_iterator SelectedDependenciesEnd() const { return m_selectedDependencies.end(); }
    int CountDependents(DWORD flags) const;
    int CountActiveDependents(bool recursive, const CFeature* excluded) const;
    // Inserts the nearest visible self-or-ancestor of this feature and of every feature reached
    // through the dependents (each once); returns the set's size.
    size_t CountDependentsInto(std::set<CFeature*>& visible) const;
    bool HasNoPlaceholderDependents() const;
    bool IsRequiredByInstalledProduct() const;

    // Broken dependencies of installed products that a planned change of this feature breaks.
    size_t AddBrokenDependency(CBrokenDependency* dependency);
    size_t GetBrokenDependencyCount() const { return m_brokenDependencies.size(); }
    CBrokenDependency* GetBrokenDependencyAt(size_t index) const { return m_brokenDependencies[index]; }
    // 0 when the feature is to be absent; else the number of broken dependencies that the
    // planned part changes do not fix.
    int CountUnfixableBrokenDependencies() const;
    // True when every broken dependency has, for each dependent product, a part that could fix it.
    bool CanFixBrokenDependencies() const;

    // Costing. Components of the merged package by key, each with the walked features that hold it.
    typedef std::map<CString, std::set<CFeature*>> ComponentCollection;
    enum CostScope { kCostOwn = 0, kCostWithHiddenChildren = 1, kCostSubtree = 2 };
    // A component's installed state (from the products that installed it in its target folder)
    // and planned action (the votes of the changing features that hold it: local beats source
    // beats removal; -1 when it equals the installed state); `decider` gets the last voter.
    // Throws OperationAborted "Feature Costing" when the costing-abort event is set.
    void ComputeComponentAction(MsiDatabase& database, const wchar_t* component, const wchar_t* condition,
        int attributes, int& installed, int& action, CFeature** decider, bool keepEvent) const;
    // The same with the component's own condition and attributes; a component without a row is
    // absent and to be absent.
    void ComputeComponentStates(MsiDatabase& database, const wchar_t* component, int& installed, int& action,
        CFeature** decider, bool keepEvent) const;
    // Adds the feature's components to the collection; the first call counts them.
    void CollectFeatureComponents(MsiDatabase& database, ComponentCollection& collection);
    int GetComponentCount();
    // The cost of the planned change in units of 512 bytes: the feature alone, with its hidden
    // children, or with its whole subtree.
    int64_t ComputeCost(int scope, bool keepEvent);
    int64_t ComputeOwnCost(bool keepEvent) { return ComputeCost(kCostOwn, keepEvent); }
    int64_t ComputeCostWithHiddenChildren(bool keepEvent);
    int64_t ComputeSubtreeCost(bool keepEvent) { return ComputeCost(kCostSubtree, keepEvent); }
    // Sums the collected components' costs over the volumes they land on.
    void ComputeComponentCosts(MsiDatabase& database, const ComponentCollection& collection, int64_t& total);

    // The level and display value chosen by the Condition and ZKFeatureDisplay rows whose
    // condition holds (the last one decides; a level of 0 ends the Condition rows). A row whose
    // condition the engine cannot read is logged and passed over.
    void EvaluateConditionTable();
    void EvaluateFeatureDisplayTable();
    // Sets `disabled` when the feature's first ZKDisableDirectoryBrowse row holds.
    void ReadDisableDirectoryBrowse(MsiSession& session, bool& disabled) const;
    // Whether the feature's folder may not be browsed (read when the feature was loaded).
    bool IsDirectoryBrowseDisabled() const { return m_browseDisabled; }
    // The directory's current target path (empty for a directory the session finds invalid);
    // false when there is none.
    bool GetDirectoryValue(CString& path);
    // For a part being installed as an upgrade: 1 when a related product has a feature of the
    // same stem (the name before its last '.') installed locally, 0 when absent (or when the
    // part does not upgrade), -1 when undecided or the name has no '.'.
    int IsInstalledInRelatedProduct() const;

    // The states the engine allows: only local for a placeholder, as set up for another vendor's
    // installer, else the merged session's answer (all states before its selection manager exists).
    void ReadValidStates();

    // The name of the feature's directory property (Feature.Directory_), empty when none.
    const CString& GetDirectory() const { return m_directory; }
    // With a directory property: keeps `path` as the directory's value and sets the directory's
    // target path on the feature's session (MsiInstallerError on failure). Without one the
    // feature is left unchanged.
    void SetDirectoryValue(const wchar_t* path);

    const CString& GetName() const { return m_name; }
    const CString& GetPartFeatureName() const { return m_partFeatureName; }
    const CString& GetTitle() const { return m_title; }
    const CString& GetDescription() const { return m_description; }
    int GetDisplay() const { return m_display; }
    int GetLevel() const { return m_level; }
    DWORD GetAttributes() const { return m_attributes; }
    CPart* GetPart() const { return m_part; }
    bool GetTransitiveFlag() const { return m_transitive; }
    DWORD GetTransitiveAttributes() const { return m_transitiveAttributes; }
    int GetSpecRequest() const { return m_specRequest; }
    bool IsChanged() const { return m_changed; }

    CString m_name;
    CString m_partFeatureName;
    CString m_title;
    CString m_description;
    CString m_directory;
    int m_display;
    int m_level;
    DWORD m_attributes;
    DWORD m_validStates;
    CString m_directoryPath;
    CPart* m_part;
    std::unique_ptr<LinkedDistFakeFeature> m_linkedDistFake;
    bool m_transitive;
    DWORD m_transitiveAttributes;
    int m_fakeKind;
    int m_installedState;
    int m_actionState;
    int m_requestedState;
    int m_lastUserRequest;
    int m_specRequest;
    int m_requestPriority;
    bool m_changed;
    CFeature* m_parent;
    CFeature* m_firstChild;
    CFeature* m_nextSibling;
    CFeature* m_prevSibling;
    FeatureDependentLinkSet m_selectedDependencies;
    std::list<FeatureDependentLink> m_dependents;
    std::vector<CBrokenDependency*> m_brokenDependencies;
    MsiSession* m_session;
    bool m_browseDisabled;
    int m_componentCount;

    // Feature selection. Request priorities: 0 none, 1 and 2 the initial selection, 3 the
    // consequences of a change, 4 the user's own request and hard requirements.
    enum MergeResult { kMergeRefused = 0, kMergeUnchanged = 1, kMergeChanged = 2 };
    enum PropagateResult { kPropagateNewLevel = 0, kPropagateConflict = 1, kPropagateDone = 2 };
    enum BlockReason { kNotBlocked = 0, kBlockedByUpgrade = 1, kBlockedByDependency = 2, kBlockedByRelatedProduct = 3 };
    // Called for a feature just before its action state is replaced.
    typedef void (*ChangeCallback)(CFeature* feature, void* data);

    // Merges a request at a priority: refused, unchanged or changed. A lower held priority gives
    // way; at priority 1 absence gives way to any state and advertising to local or source; at 2
    // nothing changes; at 3 or more a different request is refused. With `recordUser` the
    // resulting request also becomes the last user request.
    int MergeRequest(int state, int priority, bool recordUser);
    // The state to request for the feature: disabled features are absent, advertising and source
    // fall back where they are not possible, the default follows the attributes.
    int MapRequestedState(int state);
    bool CanInstallLocal();
    bool CanRunFromSource();
    // Registers a dependency of this feature on every feature of `features` (one group with one
    // alternative), or on one of the group's alternatives; each named feature gets a dependent link.
    void AddDependency(const FeatureSubsetMap& features, DWORD flags);
    void AddDependencyGroup(const CFeatureSubsetOr& group);
    const std::list<CFeatureSubsetOr>& GetDependencyGroups() const { return m_dependencyGroups; }
    // Forgets every feature's kept blocked answer: what a feature's blocking depends on (the
    // tree, the dependencies, the parts' upgrade relations and product states, the core parts)
    // changed.
    static void InvalidateBlockedStates() { ++s_blockedGeneration; }
    // Runs the queue's changes to a consistent selection, trying other alternatives of the
    // dependency groups on a conflict. A non-zero install level is the initial selection's mode.
    // False when no combination works; the requests are then as they were before the solve.
    // After 100000 conflicting combinations the solve gives up: it logs that, takes the start
    // requests the queue keeps back as well and marks the queue abandoned.
    bool Solve(FeatureChangeQueue& queue, int installLevel);
    // Works out the consequences of the newest level, this feature being the one the solve
    // started from: a new level, a conflict or done.
    int PropagateChange(FeatureChangeQueue& queue, int installLevel);
    // Rebuilds the selected dependencies from the alternatives the change's cursors are on, in
    // the order of the features' names, so that the same input always gives the same selection.
    void ExpandSelectedDependencies(const FeatureStateChange& change);
    // True when `to` is reached from `from` by following each feature's first dependent.
    static bool IsLinkedThroughFirstDependents(const CFeature* from, const CFeature* to);

    // 5 when the level is not 0 and not above the install level, else 2.
    int GetLevelState(int installLevel) const;
    // The state the feature starts with for an install level.
    int ComputeInheritedState(int installLevel);
    // The spec file's request of the feature or of its subtree (local beats source beats default
    // beats advertise), else the level state.
    int GetSpecRequestOrDefault(int installLevel);
    // The user's change of this feature (with its subfeatures when asked); the action states
    // change only when the solve succeeds. A solve that gives up takes the request back too.
    bool TryRequestState(int state, bool withSubfeatures, ChangeCallback callback, void* data);
    // The same, giving the feature's action state afterwards.
    int RequestState(int state, bool withSubfeatures, ChangeCallback callback, void* data);
    // The initial selection of the whole tree for an install level: levels and display values
    // by condition, the states features start with, one solve in install-level mode, and the
    // last user requests the feature page starts from. A failed solve changes no action state.
    void ApplyInstallLevel(int installLevel);
    // Turns the requests of the whole tree into action states; blocked features become absent.
    void ApplyRequestedStates(ChangeCallback callback, void* data);
    // Clears the requests of the whole tree.
    void ResetTreeRequests();
    // Disables, transitively, the features that depend on this one.
    void ResetDependentsToAbsent(std::set<CFeature*>& visited);
    // Whether the feature cannot be installed, with the reason (BlockReason). The answer does
    // not depend on the selection: it is worked out once and kept until the inputs change.
    bool IsBlocked(int* reason = nullptr);
    // Whether a feature that depends on this one, directly or through others, is blocked by its
    // part's upgrade relation.
    bool IsNeededByBlockedDependent(std::set<CFeature*>& visited);

    std::list<CFeatureSubsetOr> m_dependencyGroups;

private:
    // Consequences of one change for a feature to be installed, and for one to be advertised or
    // removed; they go into `next`.
    int PropagateInstall(
        FeatureStateChange& change, int effective, int pass, int installLevel, FeatureChangeLevel& next);
    int PropagateRemoval(
        FeatureStateChange& change, int effective, int pass, int installLevel, FeatureChangeLevel& next);
    // The state and priority a child starts with for the install level.
    void GetInitialChildRequest(CFeature& child, int installLevel, int& state, int& priority);
    bool IsBlockedByUpgrade(std::set<CFeature*>& visited);
    bool IsBlockedByDependency(std::set<CFeature*>& visited);
    bool IsBlockedByRelatedProduct();
    // The upgrade test (kBlockedByUpgrade) or the dependency test (kBlockedByDependency), which
    // call each other, walked without recursion.
    bool RunBlockingTest(int test, std::set<CFeature*>& visited);
    // Whether anything in this feature's tree could make a blocking test true: a part that may
    // not be installed, a feature blocked by its related product, a feature that the upgrade
    // test finds with nothing below it, or a dependency on a feature of another tree. Without
    // any, no feature of the tree is blocked. Worked out once per generation of the inputs and
    // kept in every feature of the tree.
    bool TreeMayBlock();

    // Whether the database has the table: the kept answer when the feature has one.
    bool HasTable(MsiDatabase& database, bool FeatureTables::*kept, const wchar_t* table) const;
    // Applies the rows of a condition table to `value`.
    void ApplyConditionRows(
        bool FeatureTables::*kept, const wchar_t* table, const wchar_t* query, int& value, bool stopAtZero);
    // True when this feature and every ancestor have a non-zero display value and level.
    bool IsChainVisible() const;

    static HANDLE s_costingAbortEvent;
    static long s_liveFeatures;
    // The kept answer of IsBlocked and the generation of the inputs it was worked out from.
    int m_blockedReason = kNotBlocked;
    unsigned long m_blockedGeneration = 0;
    static unsigned long s_blockedGeneration;
    // While the initial selection runs, GetSpecRequestOrDefault keeps its answers: it walks the
    // feature's whole subtree, and is asked again for every ancestor of every feature. Nothing
    // it reads changes during that selection except a level that a condition sets again, which
    // forgets the kept answers.
    class KeptSpecAnswers {
    public:
        // Keeps the answers for the tree that begins with `first`.
        explicit KeptSpecAnswers(CFeature* first);
        ~KeptSpecAnswers();
        KeptSpecAnswers(const KeptSpecAnswers&) = delete;
        KeptSpecAnswers& operator=(const KeptSpecAnswers&) = delete;
    };
    static void ForgetSpecAnswers();
    // While answers are kept: whether a feature below this one has a spec-file request that the
    // walk looks at.
    bool m_specRequestBelow = true;
    int m_specAnswer = 0;
    int m_specAnswerLevel = 0;
    unsigned long m_specAnswerGeneration = 0;
    // 0 while no answers are kept.
    static unsigned long s_specAnswerGeneration;
    static unsigned long s_lastSpecAnswerGeneration;

    std::shared_ptr<const FeatureTables> m_tables;

    // The kept answer of TreeMayBlock for this feature's tree and the generation it is of.
    bool m_treeMayBlock = true;
    unsigned long m_treeMayBlockGeneration = 0;
};
