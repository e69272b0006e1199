// The distribution's tree of features, built from the merged Feature table: each feature tied
// to the part that supplies it, the fake-feature and transitivity tables and the spec file
// applied, and after the last top-level feature one placeholder per installed product whose
// dependencies on this distribution must be protected. The tree owns every feature.
#pragma once

#include <list>
#include <memory>

#include "CString.h"
#include "MsiSmartPtr.h"

class CDistribution;
class CFeature;
struct FeatureTables;
class MsiDatabase;
class MsiSession;

class CFeatureTree {
public:
    explicit CFeatureTree(CDistribution& distribution);
    virtual ~CFeatureTree();
    CFeatureTree(const CFeatureTree&) = delete;
    CFeatureTree& operator=(const CFeatureTree&) = delete;

    // Loads the Feature rows and adds the placeholders. Errors of the system-information
    // component leave as SysInfoComError.
    void Load(MsiSession& session);

    // The first feature, in pre-order, with that key (exact); ObjectNotFound when none.
    CFeature& FindFeature(const wchar_t* name) const;
    // The first feature, in pre-order, with that name in its part's package and a part of that
    // ProductCode; null when none.
    CFeature* FindFeatureInPart(const wchar_t* partFeatureName, const wchar_t* productCode) const;

    CFeature* GetRoot() const { return m_root; }
    // The pre-order successor; the root for null.
    CFeature* GetNext(const CFeature* feature) const;
    static CFeature* GetNextSibling(const CFeature* feature);
    static CFeature* GetPrevSibling(const CFeature* feature);
    static CFeature* GetParent(const CFeature* feature);
    static CFeature* GetFirstChild(const CFeature* feature);
    // True when the solver changed some feature.
    bool AnyFeatureMarked() const;

    // A component's installed state and planned action as the features of the tree decide them
    // (CFeature::ComputeComponentAction); `decider` (when given) gets the feature that decides,
    // null when none does. With an empty tree no feature decides: the component stays absent and
    // unchanged (both forms).
    void GetComponentAction(MsiDatabase& database, const wchar_t* component, const wchar_t* condition, int attributes,
        int& installed, int& action, CFeature** decider) const;
    // The same with the component's own condition and attributes (CFeature::ComputeComponentStates).
    void GetComponentStates(
        MsiDatabase& database, const wchar_t* component, int& installed, int& action, CFeature** decider) const;

    // Every feature in creation order (a pre-order of the Feature rows, placeholders last).
    const std::list<CFeature*>& GetFeatures() const { return m_features; }

private:
    struct LoadContext;
    void LoadChildren(LoadContext& context, CFeature* parent);
    void AddInstalledProductPlaceholders(
        MsiSession& session, MsiDatabase& database, const std::shared_ptr<const FeatureTables>& tables);
    CFeature* CreateFeature();

    CDistribution& m_distribution;
    CFeature* m_root;
    std::list<CFeature*> m_features;
};
