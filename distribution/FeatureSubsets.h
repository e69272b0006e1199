// Named feature subsets of the parts (tables ZKFeatureSubsetProduct and ZKFeatureSubsetFeature),
// resolved against the feature tree, and the value types a feature's dependency is stored in:
// one alternative (a subset with its required-state flags) and a group of alternatives.
#pragma once

#include <windows.h>

#include <list>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "CString.h"

class CDistribution;
class CFeature;
class CPart;
class MsiDatabase;

// Features of a subset with their subset attribute values.
typedef std::map<CFeature*, DWORD> FeatureSubsetMap;

// Required-state flags of an alternative.
enum FeatureSubsetFlags : DWORD {
    kSubsetUnrequested = 1,       // holds only while no feature of the subset has any request
    kSubsetAlternativeState = 2,  // holds whatever the states
    kSubsetSatisfiedOutside = 4,  // an installed product outside the distribution satisfies it
    kSubsetIgnoreState = 8,       // the row asked not to look at the states
};

// One alternative: a copy of a subset and its required-state flags.
class CFeatureSubsetDependency {
public:
    CFeatureSubsetDependency(const FeatureSubsetMap& features, DWORD flags) : m_features(features), m_flags(flags) { }

    // Over the features' effective requests: with flag 1 none may be 1 or more; with 2, 4 or 8
    // it holds; else every one must be 3 or more.
    bool IsSatisfied() const;

    const FeatureSubsetMap& GetFeatures() const { return m_features; }
    DWORD GetFlags() const { return m_flags; }

private:
    FeatureSubsetMap m_features;
    DWORD m_flags;
};

// A group of alternatives: it holds when one of them does (an empty group never holds).
class CFeatureSubsetOr {
public:
    CFeatureSubsetOr() { }
    explicit CFeatureSubsetOr(const CFeatureSubsetDependency& alternative) { m_alternatives.push_back(alternative); }
    virtual ~CFeatureSubsetOr() { }

    void Add(const CFeatureSubsetDependency& alternative) { m_alternatives.push_back(alternative); }
    bool IsSatisfied() const;
    const std::list<CFeatureSubsetDependency>& GetAlternatives() const { return m_alternatives; }

private:
    std::list<CFeatureSubsetDependency> m_alternatives;
};

// Every group holds (true for no groups).
bool AreAllSatisfied(const std::list<CFeatureSubsetOr>& groups);

// A feature named by a subset that the feature tree does not have.
struct SubsetResolveError {
    CString subsetName;
    CString featureName;
    CPart* part;
};

// One subset of one part: feature names while loading, features once resolved.
class FeatureSubsetEntry {
public:
    FeatureSubsetEntry(CPart* part, const CString& subsetName, const CString& featureSubset);

    // Adds a pending feature (the first value of a name stays) unless resolved; the number of
    // pending features.
    size_t AddFeature(const CString& name, DWORD attributes);
    // The resolved features; null before resolution.
    const FeatureSubsetMap* GetSubset() const { return m_pObject.get(); }

    std::unique_ptr<std::map<CString, DWORD>> m_pendingFeatures;
    CString m_subsetName;
    CString m_featureSubset;
    std::unique_ptr<FeatureSubsetMap> m_pObject;
    CPart* m_part;
};

class CFeatureSubsetTable {
public:
    CFeatureSubsetTable() : m_resolved(false) { }

    // Reads the subsets declared in the merged database (nothing when either table is missing);
    // a ProductCode that no part has throws ObjectNotFound.
    void Load(MsiDatabase& database, CDistribution& distribution);
    // Resolves every entry, adding the implicit empty-named subset (all the part's features) of
    // each part; unknown features are appended to `errors`. True when none was.
    bool Resolve(CDistribution& distribution, std::vector<SubsetResolveError>& errors);
    // The features of a part's subset; UninitializedObject before a clean resolution,
    // ObjectNotFound for an unknown name.
    const FeatureSubsetMap& Find(const CPart& part, const CString& name) const;
    bool IsResolved() const { return m_resolved; }

private:
    // Keys ordered by ProductCode, then subset name, both ordinal.
    struct KeyLess {
        bool operator()(const std::pair<const CPart*, CString>& a, const std::pair<const CPart*, CString>& b) const;
    };
    typedef std::map<std::pair<const CPart*, CString>, FeatureSubsetEntry, KeyLess> EntryMap;

    FeatureSubsetEntry& Insert(CPart& part, const CString& name, const CString& featureSubset);

    EntryMap m_entries;
    bool m_resolved;
};
