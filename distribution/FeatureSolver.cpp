// The feature selection solver: requests merged by priority, mapped to what a feature can take,
// and propagated over the tree and the dependency groups level after level, with backtracking
// over the groups' alternatives when a level conflicts.
#include "Feature.h"

#include <msi.h>

#include "ApplicationServices.h"
#include "FeatureStateChange.h"
#include "InstallerErrors.h"
#include "VelmoLogStream.h"

namespace {

const int kPriorityInitial = 1;
const int kPriorityKept = 2;
const int kPriorityConsequence = 3;
const int kPriorityUser = 4;

// Subset attribute bits of a dependency link.
const DWORD kSubsetRequestSubtree = 1;  // installing the dependency requests its subtree by level
const DWORD kSubsetKeepInstalled = 2;   // with 1: installed subtree features are not removed

// How many other combinations of alternatives one solve may try before it gives up. Each
// propagation step ends (every step that adds a level raises some feature's priority or moves
// its request one way), but the combinations multiply with every level.
const unsigned long kMaxCombinations = 100000;

}  // namespace

// --- Change records and their queue ---

FeatureStateChange::FeatureStateChange(CFeature* changed, int changePriority, bool subfeatures)
    : feature(changed), priority(changePriority), withSubfeatures(subfeatures)
{
    for (const CFeatureSubsetOr& group : changed->GetDependencyGroups())
        cursors.push_back(Cursor{&group, group.GetAlternatives().begin()});
}

bool FeatureStateChange::Advance()
{
    for (Cursor& cursor : cursors) {
        const std::list<CFeatureSubsetDependency>& alternatives = cursor.group->GetAlternatives();
        if (alternatives.empty())
            continue;
        if (++cursor.alternative != alternatives.end())
            return true;
        cursor.alternative = alternatives.begin();
    }
    return false;
}

void FeatureChangeLevel::Record(CFeature* feature)
{
    m_trail.push_back(FeatureRequestSnapshot{
        feature, feature->m_requestedState, feature->m_lastUserRequest, feature->m_requestPriority});
}

void FeatureChangeLevel::RollBack()
{
    for (auto entry = m_trail.rbegin(); entry != m_trail.rend(); ++entry) {
        entry->feature->m_requestedState = entry->requestedState;
        entry->feature->m_lastUserRequest = entry->lastUserRequest;
        entry->feature->m_requestPriority = entry->requestPriority;
    }
    m_trail.clear();
}

bool FeatureChangeLevel::Advance()
{
    for (FeatureStateChange& change : m_changes) {
        if (change.Advance())
            return true;
    }
    return false;
}

bool FeatureChangeQueue::Backtrack()
{
    while (!m_levels.empty()) {
        if (m_levels.back().Advance())
            return true;
        m_levels.back().RollBack();
        m_levels.pop_back();
    }
    return false;
}

void FeatureChangeQueue::RollBackAll()
{
    while (!m_levels.empty()) {
        m_levels.back().RollBack();
        m_levels.pop_back();
    }
}

// --- Requests ---

int CFeature::MergeRequest(int state, int priority, bool recordUser)
{
    if (priority == 0)
        return kMergeRefused;
    int result;
    if (m_requestPriority < priority) {
        m_requestPriority = priority;
        result = state != m_requestedState ? kMergeChanged : kMergeUnchanged;
        m_requestedState = state;
    } else if (priority == kPriorityInitial) {
        if ((m_requestedState == INSTALLSTATE_ABSENT && state != INSTALLSTATE_ABSENT)
            || (m_requestedState == INSTALLSTATE_ADVERTISED && state > INSTALLSTATE_ABSENT)) {
            m_requestedState = state;
            result = kMergeChanged;
        } else {
            result = kMergeUnchanged;
        }
    } else if (priority == kPriorityKept) {
        result = kMergeUnchanged;
    } else {
        result = state != m_requestedState ? kMergeRefused : kMergeUnchanged;
    }
    if (recordUser && result != kMergeRefused)
        m_lastUserRequest = m_requestedState;
    return result;
}

int CFeature::MapRequestedState(int state)
{
    if (m_level == 0)
        return INSTALLSTATE_ABSENT;
    switch (state) {
    case INSTALLSTATE_ADVERTISED:
        return CanAdvertise() ? INSTALLSTATE_ADVERTISED : INSTALLSTATE_ABSENT;
    case INSTALLSTATE_LOCAL:
        return INSTALLSTATE_LOCAL;
    case INSTALLSTATE_SOURCE:
        return CanRunFromSource() ? INSTALLSTATE_SOURCE : INSTALLSTATE_LOCAL;
    case INSTALLSTATE_DEFAULT:
        break;
    default:
        return INSTALLSTATE_ABSENT;
    }
    if (m_attributes & kAttrFavorSource)
        return MapRequestedState(INSTALLSTATE_SOURCE);
    if (!(m_attributes & kAttrFollowParent))
        return INSTALLSTATE_LOCAL;
    // The default of a feature that follows its parent comes from the highest ancestor of the
    // unbroken chain of followers above it.
    const CFeature* followed = nullptr;
    for (const CFeature* ancestor = m_parent;
         ancestor && (ancestor->m_attributes & kAttrFollowParent) && !(ancestor->m_attributes & kAttrFavorSource);
         ancestor = ancestor->m_parent)
        followed = ancestor;
    if (followed && followed->GetEffectiveRequest() == INSTALLSTATE_SOURCE)
        return MapRequestedState(INSTALLSTATE_SOURCE);
    return INSTALLSTATE_LOCAL;
}

namespace {

// Whether the feature's own components allow `state`; without components, whether a child can
// take it (a childless feature can be local, never source).
bool CanTakeState(CFeature& feature, int state, bool childlessResult)
{
    int components;
    try {
        components = feature.GetComponentCount();
    } catch (const OperationAborted&) {
        return false;
    }
    if (components != 0)
        return (feature.m_validStates & (1u << state)) != 0;
    CFeature* child = feature.GetFirstChild();
    if (!child)
        return childlessResult;
    for (; child; child = child->GetNextSibling()) {
        if (CanTakeState(*child, state, childlessResult))
            return true;
    }
    return false;
}

}  // namespace

bool CFeature::CanInstallLocal()
{
    return CanTakeState(*this, INSTALLSTATE_LOCAL, true);
}

bool CFeature::CanRunFromSource()
{
    return CanTakeState(*this, INSTALLSTATE_SOURCE, false);
}

void CFeature::AddDependency(const FeatureSubsetMap& features, DWORD flags)
{
    AddDependencyGroup(CFeatureSubsetOr(CFeatureSubsetDependency(features, flags)));
}

void CFeature::AddDependencyGroup(const CFeatureSubsetOr& group)
{
    InvalidateBlockedStates();
    m_dependencyGroups.push_back(group);
    for (const CFeatureSubsetDependency& alternative : group.GetAlternatives()) {
        for (const auto& entry : alternative.GetFeatures())
            entry.first->AddDependent(FeatureDependentLink{this, alternative.GetFlags(), entry.second});
    }
}

bool FeatureDependentLinkLess::operator()(const FeatureDependentLink& a, const FeatureDependentLink& b) const
{
    const int names = a.feature->GetName().Compare(b.feature->GetName());
    return names != 0 ? names < 0 : a.requiredStates < b.requiredStates;
}

void CFeature::ExpandSelectedDependencies(const FeatureStateChange& change)
{
    m_selectedDependencies.clear();
    for (const FeatureStateChange::Cursor& cursor : change.cursors) {
        if (cursor.alternative == cursor.group->GetAlternatives().end())
            continue;
        for (const auto& entry : cursor.alternative->GetFeatures())
            m_selectedDependencies.insert(
                FeatureDependentLink{entry.first, cursor.alternative->GetFlags(), entry.second});
    }
}

bool CFeature::IsLinkedThroughFirstDependents(const CFeature* from, const CFeature* to)
{
    std::set<const CFeature*> seen;
    for (const CFeature* feature = from; feature && seen.insert(feature).second;) {
        if (feature->m_dependents.empty())
            return false;
        feature = feature->m_dependents.front().feature;
        if (feature == to)
            return true;
    }
    return false;
}

// --- Solving ---

bool CFeature::Solve(FeatureChangeQueue& queue, int installLevel)
{
    unsigned long combinations = 0;
    int result;
    for (;;) {
        result = PropagateChange(queue, installLevel);
        if (result == kPropagateNewLevel)
            continue;
        if (result != kPropagateConflict)
            break;
        if (++combinations > kMaxCombinations) {
            // Not every combination was tried: the request is refused as a whole, its own part too.
            AppServices().GetLogStream(kLogWarning, 0)
                << L"The feature selection for '" << m_name << L"' was given up after " << kMaxCombinations
                << L" combinations of dependency alternatives; the request is refused." << std::endl;
            queue.Abandon();
            return false;
        }
        if (!queue.Backtrack())
            break;
    }
    if (result != kPropagateDone)
        queue.RollBackAll();
    return result == kPropagateDone;
}

int CFeature::PropagateChange(FeatureChangeQueue& queue, int installLevel)
{
    std::vector<FeatureStateChange>& changes = queue.Newest().GetChanges();
    FeatureChangeLevel next;
    int result = kPropagateDone;
    for (int pass = kPriorityUser; pass >= kPriorityInitial && result != kPropagateConflict; --pass) {
        for (size_t i = 0; i < changes.size() && result != kPropagateConflict; ++i) {
            FeatureStateChange& change = changes[i];
            if (change.priority != pass)
                continue;
            const int effective = change.feature->GetEffectiveRequest();
            int outcome;
            if (effective == INSTALLSTATE_LOCAL || effective == INSTALLSTATE_SOURCE)
                outcome = PropagateInstall(change, effective, pass, installLevel, next);
            else if (effective == INSTALLSTATE_ADVERTISED || effective == INSTALLSTATE_ABSENT)
                outcome = PropagateRemoval(change, effective, pass, installLevel, next);
            else
                outcome = kPropagateConflict;
            if (outcome != kPropagateDone)
                result = outcome;
        }
    }
    if (result == kPropagateConflict) {
        next.RollBack();
        return result;
    }
    if (next.IsEmpty())
        return kPropagateDone;
    queue.Append(std::move(next));
    return kPropagateNewLevel;
}

void CFeature::GetInitialChildRequest(CFeature& child, int installLevel, int& state, int& priority)
{
    state = child.ComputeInheritedState(installLevel);
    const int product = child.GetProductState();
    priority = product == INSTALLSTATE_ADVERTISED || product == INSTALLSTATE_DEFAULT ? kPriorityKept : kPriorityInitial;
}

int CFeature::PropagateInstall(
    FeatureStateChange& change, int effective, int pass, int installLevel, FeatureChangeLevel& next)
{
    CFeature& changed = *change.feature;
    int result = kPropagateDone;

    if (CFeature* parent = changed.m_parent) {
        next.Record(parent);
        const int merged = parent->MergeRequest(parent->MapRequestedState(effective), pass, false);
        if (merged == kMergeChanged) {
            next.Add(parent, pass, false);
            result = kPropagateNewLevel;
        } else if (merged == kMergeRefused && pass >= kPriorityUser) {
            return kPropagateConflict;
        }
    }

    // The features the chosen alternatives need.
    const int dependencyPriority = installLevel ? kPriorityUser : pass;
    changed.ExpandSelectedDependencies(change);
    for (const FeatureDependentLink& entry : changed.m_selectedDependencies) {
        CFeature& needed = *entry.feature;
        next.Record(&needed);
        const int merged
            = needed.MergeRequest(needed.MapRequestedState(INSTALLSTATE_DEFAULT), dependencyPriority, false);
        if (merged == kMergeRefused && dependencyPriority >= kPriorityUser)
            return kPropagateConflict;
        if (merged != kMergeChanged)
            continue;
        if (entry.subsetAttributes & kSubsetRequestSubtree) {
            const int appLevel = AppServices().GetInstallLevel();
            for (CFeature* node = needed.GetNextInSubtree(nullptr); node; node = needed.GetNextInSubtree(node)) {
                node->EvaluateConditionTable();
                ForgetSpecAnswers();
                const int mapped = node->MapRequestedState(node->GetLevelState(appLevel));
                if ((entry.subsetAttributes & kSubsetKeepInstalled) && node->GetCurrentState() >= INSTALLSTATE_LOCAL
                    && mapped == INSTALLSTATE_ABSENT)
                    continue;
                if (node->m_requestPriority < kPriorityConsequence) {
                    next.Record(node);
                    node->m_requestPriority = kPriorityConsequence;
                    node->m_requestedState = mapped;
                }
                next.Add(node, kPriorityConsequence, false);
            }
        }
        next.Add(&needed, dependencyPriority, false);
        result = kPropagateNewLevel;
    }

    for (CFeature* child = changed.m_firstChild; child; child = child->m_nextSibling) {
        int state = INSTALLSTATE_UNKNOWN;
        int priority = kPriorityConsequence;
        bool subfeatures = false;
        if (installLevel) {
            GetInitialChildRequest(*child, installLevel, state, priority);
        } else if ((child->IsHidden(false)
                       || ((&changed == this || HasDescendant(&changed)) && !change.withSubfeatures))
            && child->m_lastUserRequest >= INSTALLSTATE_LOCAL) {
            // A hidden child, or one below the feature the user changed, returns to its last choice.
            state = MapRequestedState(child->m_lastUserRequest);
        } else if (change.withSubfeatures) {
            state = effective;
            subfeatures = true;
        } else if (child->m_attributes & kAttrDisallowAbsent) {
            state = INSTALLSTATE_DEFAULT;
        } else if (&changed == m_parent && child->IsVisible() && !IsLinkedThroughFirstDependents(this, child)
            && !IsLinkedThroughFirstDependents(child, this)) {
            // A visible sibling left as it is becomes the changed feature's last user request.
            next.Record(this);
            m_lastUserRequest = child->GetEffectiveRequest();
        }
        if (state == INSTALLSTATE_UNKNOWN)
            continue;
        const int mapped = child->MapRequestedState(state);
        next.Record(child);
        const int merged = child->MergeRequest(mapped, priority, subfeatures);
        if (merged == kMergeChanged || (subfeatures && merged == kMergeUnchanged && mapped == INSTALLSTATE_LOCAL)) {
            next.Add(child, priority, subfeatures);
            result = kPropagateNewLevel;
        }
    }
    return result;
}

int CFeature::PropagateRemoval(
    FeatureStateChange& change, int effective, int pass, int installLevel, FeatureChangeLevel& next)
{
    CFeature& changed = *change.feature;
    int result = kPropagateDone;

    for (CFeature* child = changed.m_firstChild; child; child = child->m_nextSibling) {
        int state;
        int priority;
        if (installLevel) {
            GetInitialChildRequest(*child, installLevel, state, priority);
        } else {
            const int current = child->GetEffectiveRequest();
            if (current == INSTALLSTATE_ABSENT
                || (effective == INSTALLSTATE_ADVERTISED && current == INSTALLSTATE_ADVERTISED))
                continue;
            if (child->IsRequiredByInstalledProduct()) {
                state = child->GetCurrentState();
                priority = kPriorityKept;
            } else if (child->m_parent == m_parent && child->IsVisible() && !IsLinkedThroughFirstDependents(this, child)
                && !IsLinkedThroughFirstDependents(child, this)) {
                // The changed feature and its siblings keep what the user chose for them.
                state = child->m_lastUserRequest;
                priority = kPriorityUser;
            } else {
                state = effective;
                priority = pass;
            }
        }
        if (state == INSTALLSTATE_UNKNOWN)
            continue;
        next.Record(child);
        const int merged = child->MergeRequest(child->MapRequestedState(state), priority, false);
        if (merged == kMergeChanged) {
            next.Add(child, priority, false);
            result = kPropagateNewLevel;
        } else if (merged == kMergeRefused && priority >= kPriorityUser) {
            return kPropagateConflict;
        }
    }

    // Dependents go too, unless an installed product outside the distribution satisfies them.
    for (const FeatureDependentLink& link : changed.m_dependents) {
        if ((link.requiredStates & kSubsetSatisfiedOutside)
            || link.feature->GetEffectiveRequest() == INSTALLSTATE_ABSENT)
            continue;
        next.Record(link.feature);
        const int merged = link.feature->MergeRequest(INSTALLSTATE_ABSENT, pass, false);
        if (merged == kMergeChanged) {
            next.Add(link.feature, pass, false);
            result = kPropagateNewLevel;
        } else if (merged == kMergeRefused && pass >= kPriorityUser) {
            return kPropagateConflict;
        }
    }

    if (installLevel)
        return result;

    // Dependencies that nothing needs any more, and the features above them that hold them.
    changed.ExpandSelectedDependencies(change);
    for (const FeatureDependentLink& entry : changed.m_selectedDependencies) {
        bool belowVisible = true;
        for (CFeature* holder = entry.feature; holder; holder = holder->m_parent) {
            if (holder->GetEffectiveRequest() != INSTALLSTATE_ABSENT && holder->m_lastUserRequest == INSTALLSTATE_ABSENT
                && holder->CountActiveDependents(true, belowVisible ? holder : nullptr) == 0
                && !(holder->m_attributes & kAttrDisallowAbsent) && !holder->HasDescendant(this)
                && holder->m_requestPriority < kPriorityConsequence) {
                next.Record(holder);
                holder->m_requestPriority = kPriorityConsequence;
                if (holder->m_requestedState != INSTALLSTATE_ABSENT) {
                    holder->m_requestedState = INSTALLSTATE_ABSENT;
                    next.Add(holder, kPriorityConsequence, false);
                    result = kPropagateNewLevel;
                }
            }
            if (holder->IsVisible())
                belowVisible = false;
        }
    }

    // Parents that no part supplies go when their last other child has gone.
    for (CFeature* ancestor = changed.m_parent; ancestor && ancestor->m_fakeKind == kNoPart;
         ancestor = ancestor->m_parent) {
        bool othersAbsent = true;
        for (const CFeature* child = ancestor->m_firstChild; child && othersAbsent; child = child->m_nextSibling)
            othersAbsent = child == &changed || child->m_actionState == INSTALLSTATE_ABSENT;
        if (!othersAbsent || ancestor->m_requestPriority >= kPriorityConsequence
            || ancestor->m_requestedState == INSTALLSTATE_ABSENT)
            break;
        next.Record(ancestor);
        ancestor->m_requestedState = INSTALLSTATE_ABSENT;
        ancestor->m_requestPriority = kPriorityConsequence;
        next.Add(ancestor, kPriorityConsequence, false);
        result = kPropagateNewLevel;
    }
    return result;
}
