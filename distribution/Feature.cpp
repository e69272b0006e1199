#include "Feature.h"

#include <typeinfo>

#include "BrokenDependencies.h"
#include "Distribution.h"
#include "InstallerErrors.h"
#include "MsiApi.h"
#include "MsiSession.h"
#include "Part.h"

namespace {

// CPart::IsOSExcluded kinds: excluded on 64-bit Windows, on 32-bit Windows.
const int kOsExcludedOn64Bit = 2;
const int kOsExcludedOn32Bit = 3;

}  // namespace

HANDLE CFeature::s_costingAbortEvent = nullptr;
long CFeature::s_liveFeatures = 0;
unsigned long CFeature::s_blockedGeneration = 1;
unsigned long CFeature::s_specAnswerGeneration = 0;
unsigned long CFeature::s_lastSpecAnswerGeneration = 0;

CFeature::CFeature()
    : m_display(0), m_level(0), m_attributes(0), m_validStates(0), m_part(nullptr), m_transitive(false),
      m_transitiveAttributes(0), m_fakeKind(kOrdinary), m_installedState(INSTALLSTATE_ABSENT),
      m_actionState(INSTALLSTATE_ABSENT), m_requestedState(INSTALLSTATE_ABSENT), m_lastUserRequest(INSTALLSTATE_ABSENT),
      m_specRequest(-1), m_requestPriority(0), m_changed(false), m_parent(nullptr), m_firstChild(nullptr),
      m_nextSibling(nullptr), m_prevSibling(nullptr), m_session(nullptr), m_browseDisabled(false), m_componentCount(-1)
{
    ++s_liveFeatures;
    if (!s_costingAbortEvent)
        s_costingAbortEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

CFeature::~CFeature()
{
    // The event is shared by every feature: the last one alive closes it.
    if (--s_liveFeatures == 0 && s_costingAbortEvent) {
        CloseHandle(s_costingAbortEvent);
        s_costingAbortEvent = nullptr;
    }
}

void CFeature::Initialize(const wchar_t* name, const wchar_t* partFeatureName, const wchar_t* title,
    const wchar_t* description, int display, int level, const wchar_t* directory, DWORD attributes, bool transitive,
    DWORD transitiveAttributes, CPart* part, MsiSession* session, int specRequest, bool placeholder)
{
    m_name = name;
    m_partFeatureName = partFeatureName;
    m_title = title;
    m_description = description;
    m_display = display;
    m_level = level;
    m_directory = directory;
    m_attributes = attributes;
    m_transitive = transitive;
    m_transitiveAttributes = transitiveAttributes;
    m_part = part;
    m_session = session;
    m_specRequest = placeholder ? INSTALLSTATE_LOCAL : specRequest;
    // A part this Windows excludes takes no request from the spec file.
    if (part && (part->IsOSExcluded(kOsExcludedOn64Bit) || part->IsOSExcluded(kOsExcludedOn32Bit)))
        m_specRequest = INSTALLSTATE_UNKNOWN;

    if (session)
        m_linkedDistFake = LoadLinkedDistFakeFeature(*session, name, *this, m_specRequest == INSTALLSTATE_ABSENT);
    if (m_linkedDistFake) {
        m_fakeKind = kLinkedDist;
    } else {
        if (part)
            part->AddFeature(this);
        if (placeholder)
            m_fakeKind = kPlaceholder;
        else if (!part)
            m_fakeKind = kNoPart;
        else if (part->IsThirdPartyInstaller())
            m_fakeKind = kThirdParty;
        else
            m_fakeKind = kOrdinary;
        if (m_fakeKind == kThirdParty && session)
            SetUpOtherVendorFakeFeature();
    }

    if (m_fakeKind != kThirdParty) {
        m_installedState = INSTALLSTATE_ABSENT;
        if (part) {
            const int product = part->GetProductState();
            m_installedState = product == INSTALLSTATE_DEFAULT || product == INSTALLSTATE_ADVERTISED
                ? MsiApi().MsiQueryFeatureStateW(part->GetProductCode(), m_partFeatureName)
                : product;
        }
        if (m_installedState == INSTALLSTATE_UNKNOWN)
            m_installedState = INSTALLSTATE_ABSENT;
    }
    if (session)
        ReadDisableDirectoryBrowse(*session, m_browseDisabled);
}

void CFeature::SignalAbort()
{
    if (s_costingAbortEvent)
        SetEvent(s_costingAbortEvent);
}

CFeature* CFeature::GetFirstSibling() const
{
    const CFeature* feature = this;
    while (feature->m_prevSibling)
        feature = feature->m_prevSibling;
    return const_cast<CFeature*>(feature);
}

CFeature* CFeature::GetRoot() const
{
    const CFeature* feature = this;
    while (feature->m_parent)
        feature = feature->m_parent;
    return const_cast<CFeature*>(feature);
}

CFeature* CFeature::GetNextChild(const CFeature* child) const
{
    return child ? child->m_nextSibling : m_firstChild;
}

CFeature* CFeature::GetNextInTree() const
{
    if (m_firstChild)
        return m_firstChild;
    for (const CFeature* feature = this; feature; feature = feature->m_parent) {
        if (feature->m_nextSibling)
            return feature->m_nextSibling;
    }
    return nullptr;
}

CFeature* CFeature::GetNextInSubtree(const CFeature* node) const
{
    if (!node || node->m_firstChild)
        return node ? node->m_firstChild : m_firstChild;
    for (const CFeature* feature = node; feature && feature != this; feature = feature->m_parent) {
        if (feature->m_nextSibling)
            return feature->m_nextSibling;
        if (feature->m_parent == this)
            return nullptr;
    }
    return nullptr;
}

bool CFeature::HasDescendant(const CFeature* feature) const
{
    for (const CFeature* ancestor = feature ? feature->m_parent : nullptr; ancestor; ancestor = ancestor->m_parent) {
        if (ancestor == this)
            return true;
    }
    return false;
}

CFeature* CFeature::InsertSiblingAfter(CFeature* feature)
{
    if (!feature)
        return nullptr;
    InvalidateBlockedStates();
    feature->m_parent = m_parent;
    feature->m_prevSibling = this;
    feature->m_nextSibling = m_nextSibling;
    if (m_nextSibling)
        m_nextSibling->m_prevSibling = feature;
    m_nextSibling = feature;
    return feature;
}

void CFeature::AddChildSorted(CFeature* feature)
{
    if (!feature || feature->m_parent || feature->m_firstChild || feature->m_nextSibling || feature->m_prevSibling)
        return;
    CFeature* previous = nullptr;
    CFeature* child = m_firstChild;
    while (child
        && (child->m_display < feature->m_display
            || (child->m_display == feature->m_display && child->m_name.Compare(feature->m_name) <= 0))) {
        previous = child;
        child = child->m_nextSibling;
    }
    InvalidateBlockedStates();
    feature->m_parent = this;
    if (previous) {
        previous->InsertSiblingAfter(feature);
    } else {
        feature->m_nextSibling = m_firstChild;
        if (m_firstChild)
            m_firstChild->m_prevSibling = feature;
        m_firstChild = feature;
    }
}

CFeature& CFeature::FindFeature(const wchar_t* name) const
{
    for (CFeature* feature = GetRoot()->GetFirstSibling(); feature; feature = feature->GetNextInTree()) {
        if (feature->m_name == name)
            return *feature;
    }
    throw ObjectNotFound(".\\Feature.cpp", __LINE__, typeid(CFeature), L"Feature Name", name,
        L"%1 object lookup by %2 failed to find object %3");
}

namespace {

// The order in which a fake feature's children make its current state: higher is better.
int CurrentStateRank(int state)
{
    switch (state) {
    case INSTALLSTATE_LOCAL:
        return 4;
    case INSTALLSTATE_SOURCE:
        return 3;
    case INSTALLSTATE_ADVERTISED:
        return 2;
    case INSTALLSTATE_ABSENT:
        return 1;
    default:
        return 0;
    }
}

}  // namespace

int CFeature::GetCurrentState() const
{
    if (m_fakeKind == kOrdinary)
        return m_installedState;
    int best = 0;
    int bestRank = 0;
    for (const CFeature* child = m_firstChild; child; child = child->m_nextSibling) {
        const int state = child->GetCurrentState();
        const int rank = CurrentStateRank(state);
        if (rank > bestRank) {
            best = state;
            bestRank = rank;
        }
        if (state == INSTALLSTATE_LOCAL)
            break;
    }
    return bestRank ? best : m_installedState;
}

int CFeature::GetProductState() const
{
    if (m_fakeKind == kPlaceholder)
        return INSTALLSTATE_DEFAULT;
    if (m_fakeKind == kThirdParty) {
        const int current = GetCurrentState();
        if (current >= INSTALLSTATE_LOCAL)
            return INSTALLSTATE_DEFAULT;
        return current == INSTALLSTATE_ADVERTISED ? INSTALLSTATE_ADVERTISED : INSTALLSTATE_UNKNOWN;
    }
    if (m_part)
        return m_part->GetProductState();
    int result = INSTALLSTATE_UNKNOWN;
    for (const CFeature* feature = GetNextInSubtree(nullptr); feature; feature = GetNextInSubtree(feature)) {
        if (!feature->m_part)
            continue;
        const int state = feature->m_part->GetProductState();
        if (state == INSTALLSTATE_DEFAULT)
            return state;
        if (state == INSTALLSTATE_ADVERTISED)
            result = state;
    }
    return result;
}

bool CFeature::IsHidden(bool displayOnly) const
{
    for (const CFeature* feature = this; feature; feature = feature->m_parent) {
        if (feature->m_display == 0 || (!displayOnly && feature->m_level == 0))
            return true;
    }
    return false;
}

bool CFeature::IsChainVisible() const
{
    return !IsHidden(false);
}

bool CFeature::IsVisible() const
{
    return IsChainVisible();
}

CFeature* CFeature::FindVisibleSelfOrAncestor() const
{
    for (const CFeature* feature = this; feature; feature = feature->m_parent) {
        if (feature->IsChainVisible())
            return const_cast<CFeature*>(feature);
    }
    return nullptr;
}

bool CFeature::HasVisibleChild() const
{
    for (const CFeature* child = m_firstChild; child; child = child->m_nextSibling) {
        if (child->IsChainVisible())
            return true;
    }
    return false;
}

bool CFeature::IsShownExpanded() const
{
    if (!IsChainVisible())
        return false;
    for (const CFeature* ancestor = m_parent; ancestor; ancestor = ancestor->m_parent) {
        if (!ancestor->IsDisplayExpanded())
            return false;
    }
    return true;
}

bool CFeature::IsTransitive() const
{
    for (const CFeature* feature = this; feature; feature = feature->m_parent) {
        if (feature->m_transitive)
            return true;
    }
    return false;
}

bool CFeature::HasInstalledTransitiveAncestor() const
{
    for (const CFeature* parent = m_parent; parent; parent = parent->m_parent) {
        if (parent->m_fakeKind != kOrdinary)
            continue;
        if (parent->m_installedState > INSTALLSTATE_ABSENT)
            return true;
        if (!parent->m_transitive)
            return false;
    }
    const CFeature* top = GetRoot();
    return top->m_transitive || top->m_fakeKind != kOrdinary;
}

bool CFeature::IsTransitiveChainSatisfied() const
{
    if (!IsTransitive() || !HasInstalledTransitiveAncestor())
        return false;
    return m_transitive || !GetRoot()->m_transitive;
}

namespace {

int CountDependentsOf(const CFeature& feature, const CFeature& reference, DWORD flags)
{
    int count = 0;
    for (auto link = feature.DependentsBegin(); link != feature.DependentsEnd(); ++link) {
        const CFeature* dependent = link->feature;
        if ((flags & CFeature::kCountOnlyInstalling) && dependent->GetActionState() < INSTALLSTATE_LOCAL)
            continue;
        if ((flags & CFeature::kCountSkipAlternativeStates) && (link->requiredStates & (2 | 4)) != 0)
            continue;
        if ((flags & CFeature::kCountSkipSelf) && dependent == &reference)
            continue;
        if ((flags & CFeature::kCountSkipInsideSubtree) && reference.HasDescendant(dependent))
            continue;
        if ((flags & CFeature::kCountOnlyPlaceholders) && !dependent->IsFakeFeature(CFeature::kPlaceholder))
            continue;
        ++count;
    }
    if (flags & CFeature::kCountChildren) {
        for (const CFeature* child = feature.GetFirstChild(); child; child = child->GetNextSibling()) {
            if ((flags & CFeature::kCountSkipRequiredChildren) && child->IsRequiredByInstalledProduct())
                continue;
            count += CountDependentsOf(*child, reference, flags);
        }
    }
    return count;
}

// Calls `visit` for the feature and, transitively, every feature reached through the dependents,
// each once; stops when `visit` returns false.
template <typename Visit> bool WalkDependents(const CFeature* start, Visit visit)
{
    std::set<const CFeature*> seen;
    std::vector<const CFeature*> pending(1, start);
    while (!pending.empty()) {
        const CFeature* feature = pending.back();
        pending.pop_back();
        if (!seen.insert(feature).second)
            continue;
        if (!visit(feature))
            return false;
        for (auto link = feature->DependentsBegin(); link != feature->DependentsEnd(); ++link)
            pending.push_back(link->feature);
    }
    return true;
}

}  // namespace

int CFeature::CountDependents(DWORD flags) const
{
    return CountDependentsOf(*this, *this, flags);
}

int CFeature::CountActiveDependents(bool recursive, const CFeature* excluded) const
{
    int count = 0;
    for (const FeatureDependentLink& link : m_dependents) {
        if (link.feature->GetEffectiveRequest() == INSTALLSTATE_ABSENT)
            continue;
        if (excluded && (link.feature == excluded || excluded->HasDescendant(link.feature)))
            continue;
        ++count;
    }
    if (recursive) {
        for (const CFeature* child = m_firstChild; child; child = child->m_nextSibling)
            count += child->CountActiveDependents(true, excluded);
    }
    return count;
}

size_t CFeature::CountDependentsInto(std::set<CFeature*>& visible) const
{
    WalkDependents(this, [&visible](const CFeature* feature) {
        if (CFeature* shown = feature->FindVisibleSelfOrAncestor())
            visible.insert(shown);
        return true;
    });
    return visible.size();
}

bool CFeature::HasNoPlaceholderDependents() const
{
    return WalkDependents(this, [](const CFeature* feature) { return !feature->IsFakeFeature(kPlaceholder); });
}

bool CFeature::IsRequiredByInstalledProduct() const
{
    if (!m_parent || GetCurrentState() != INSTALLSTATE_LOCAL || !IsHidden(false))
        return false;
    if (m_part == m_parent->m_part)
        return false;
    auto placeholderDepends = [](const CFeature* feature) {
        for (const FeatureDependentLink& link : feature->m_dependents) {
            if (link.feature->IsFakeFeature(kPlaceholder))
                return true;
        }
        return false;
    };
    if (placeholderDepends(this))
        return true;
    for (const CFeature* feature = GetNextInSubtree(nullptr); feature; feature = GetNextInSubtree(feature)) {
        if (placeholderDepends(feature))
            return true;
    }
    return false;
}

size_t CFeature::AddBrokenDependency(CBrokenDependency* dependency)
{
    m_brokenDependencies.push_back(dependency);
    return m_brokenDependencies.size();
}

int CFeature::CountUnfixableBrokenDependencies() const
{
    if (m_actionState == INSTALLSTATE_ABSENT)
        return 0;
    int count = 0;
    for (const CBrokenDependency* dependency : m_brokenDependencies) {
        if (!dependency->IsFixedBySelection())
            ++count;
    }
    return count;
}

bool CFeature::CanFixBrokenDependencies() const
{
    for (const CBrokenDependency* dependency : m_brokenDependencies) {
        if (!dependency->CanBeFixed())
            return false;
    }
    return true;
}

CDistribution* CFeature::GetDistribution() const
{
    if (m_part)
        return m_part->GetDistribution();
    for (const CFeature* feature = GetRoot()->GetFirstSibling(); feature; feature = feature->GetNextInTree()) {
        if (feature->m_part)
            return feature->m_part->GetDistribution();
    }
    return nullptr;
}

bool CFeature::IsDisabledByCondition() const
{
    CDistribution* distribution = GetDistribution();
    return distribution && distribution->IsFeatureDisabledForBuild(*this);
}

void CFeature::SetDirectoryValue(const wchar_t* path)
{
    if (m_directory.IsEmpty())
        return;
    m_directoryPath = path;
    if (m_session)
        m_session->SetTargetPath(m_directory, path);
}
