// The dependency rows of the distribution: a feature needs a product of an UpgradeCode, within a
// version range, in some languages and optionally with a feature subset of that product
// installed (ZKDependency with ZKPartDependency); and the dependencies of a feature on another
// vendor's product, tested only by a condition (ZK3rdPartyDependency).
#pragma once

#include <windows.h>

#include "CString.h"
#include "Part.h"

class CDistribution;
class CFeature;
class MsiDatabase;
class MsiSession;

// Text to number as the dependency tables write them: an optional sign and the leading decimal
// digits; 0 when there are none.
int DependencyTextToInt(const wchar_t* text);

class CZkDependencyRow {
public:
    // ZKPartDependency.Attributes bits.
    static const DWORD kAttrRequiredStates = 0x4;
    static const DWORD kAttrMinInclusive = 0x100;
    static const DWORD kAttrMaxInclusive = 0x200;
    static const DWORD kAttrLanguagesExclusive = 0x400;

    // `database` (the merged package's) is not used.
    CZkDependencyRow(const wchar_t* upgradeCode, const wchar_t* featureSubset, const wchar_t* versionMin,
        const wchar_t* versionMax, const wchar_t* languages, DWORD attributes, const wchar_t* feature, CPart* part,
        const wchar_t* condition, MsiDatabase* database);
    CZkDependencyRow(const CZkDependencyRow& other) = default;
    CZkDependencyRow& operator=(const CZkDependencyRow& other) = default;
    virtual ~CZkDependencyRow();

    // The code equals the row's (exactly), the version lies within the bounds and the language
    // passes the language list.
    bool Matches(const wchar_t* upgradeCode, const wchar_t* version, LANGID language) const;
    bool MatchesPart(const CPart& part) const;
    // An installed product related to a part; with a subset name, that subset must be installed.
    bool MatchesRelatedProduct(CPart::RelatedPart& product, const wchar_t* subset) const;

    CString m_upgradeCode;
    CString m_featureSubset;
    CString m_versionMin;
    CString m_versionMax;
    CString m_languages;
    DWORD m_attributes;
    CString m_feature;
    CPart* m_part;
    CString m_condition;
};

class ThirdPartyDependency {
public:
    // ZK3rdPartyDependency.Attributes: the dependency is optional.
    static const DWORD kAttrOptional = 0x4;

    // Finds the feature by name in the distribution (ObjectNotFound when it has none).
    ThirdPartyDependency(const wchar_t* feature, const wchar_t* satisfiedCondition, DWORD attributes,
        const wchar_t* name, const wchar_t* versionMin, const wchar_t* info, CPart* part, CDistribution* distribution);

    // Evaluates the condition in the session: 1 satisfied (or no condition), 0 not satisfied,
    // -1 when the condition cannot be evaluated. Never throws for a bad condition.
    int IsSatisfied(MsiSession& session);

    CString m_feature;
    CString m_satisfiedCondition;
    CString m_name;
    CString m_versionMin;
    CString m_info;
    DWORD m_attributes;
    CPart* m_part;
    CDistribution* m_distribution;
    CFeature* m_pFeature;
    int m_satisfied;
};
