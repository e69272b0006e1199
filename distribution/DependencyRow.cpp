#include "DependencyRow.h"

#include <cwctype>

#include "Distribution.h"
#include "FileVersion.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiSession.h"

int DependencyTextToInt(const wchar_t* text)
{
    const wchar_t* p = text ? text : L"";
    bool negative = false;
    if (*p == L'+' || *p == L'-')
        negative = *p++ == L'-';
    int value = 0;
    while (*p >= L'0' && *p <= L'9')
        value = value * 10 + (*p++ - L'0');
    return negative ? -value : value;
}

CZkDependencyRow::CZkDependencyRow(const wchar_t* upgradeCode, const wchar_t* featureSubset, const wchar_t* versionMin,
    const wchar_t* versionMax, const wchar_t* languages, DWORD attributes, const wchar_t* feature, CPart* part,
    const wchar_t* condition, MsiDatabase*)
    : m_upgradeCode(upgradeCode), m_featureSubset(featureSubset), m_versionMin(versionMin), m_versionMax(versionMax),
      m_languages(languages), m_attributes(attributes), m_feature(feature), m_part(part), m_condition(condition)
{
}

CZkDependencyRow::~CZkDependencyRow() { }

bool CZkDependencyRow::Matches(const wchar_t* upgradeCode, const wchar_t* version, LANGID language) const
{
    if (m_upgradeCode != upgradeCode)
        return false;
    const uint64_t v = ParseVersionString(version);
    const uint64_t minimum = ParseVersionString(m_versionMin);
    if ((m_attributes & kAttrMinInclusive) ? v < minimum : v <= minimum)
        return false;
    const uint64_t maximum = m_versionMax.IsEmpty() ? UINT64_MAX : ParseVersionString(m_versionMax);
    if ((m_attributes & kAttrMaxInclusive) ? v > maximum : v >= maximum)
        return false;

    bool listed = m_languages.IsEmpty();
    const wchar_t* p = m_languages;
    while (!listed && *p) {
        p += wcsspn(p, L" ,\t");
        const size_t length = wcscspn(p, L" ,\t");
        if (length == 0)
            break;
        if (static_cast<LANGID>(DependencyTextToInt(CString(p, static_cast<int>(length)))) == language)
            listed = true;
        p += length;
    }
    return (m_attributes & kAttrLanguagesExclusive) ? !listed : listed;
}

bool CZkDependencyRow::MatchesPart(const CPart& part) const
{
    return Matches(part.GetUpgradeCode(), part.GetProductVersion(), part.GetLanguage());
}

bool CZkDependencyRow::MatchesRelatedProduct(CPart::RelatedPart& product, const wchar_t* subset) const
{
    const bool matches
        = Matches(m_upgradeCode, product.m_versionString, static_cast<LANGID>(DependencyTextToInt(product.m_language)));
    if (matches && subset && *subset)
        return product.HasSubsetInstalled(subset);
    return matches;
}

ThirdPartyDependency::ThirdPartyDependency(const wchar_t* feature, const wchar_t* satisfiedCondition, DWORD attributes,
    const wchar_t* name, const wchar_t* versionMin, const wchar_t* info, CPart* part, CDistribution* distribution)
    : m_feature(feature), m_satisfiedCondition(satisfiedCondition), m_name(name), m_versionMin(versionMin),
      m_info(info), m_attributes(attributes), m_part(part), m_distribution(distribution), m_pFeature(nullptr),
      m_satisfied(-1)
{
    m_pFeature = distribution->FindFeature(feature);
}

int ThirdPartyDependency::IsSatisfied(MsiSession& session)
{
    try {
        m_satisfied = session.EvaluateCondition(m_satisfiedCondition) == MSICONDITION_FALSE ? 0 : 1;
    } catch (const MsiInstallerError&) {
        m_satisfied = -1;
    }
    return m_satisfied;
}
