// Starting the solver and applying its outcome: the state a feature starts with for an install
// level, the user's change of one feature, the requests turned into action states, and whether
// a feature can be installed at all.
#include "Feature.h"

#include <msi.h>

#include <list>
#include <set>
#include <utility>
#include <vector>

#include "ApplicationServices.h"
#include "FeatureStateChange.h"
#include "InstallerErrors.h"
#include "Part.h"

namespace {

const int kPriorityUser = 4;
// The initial selection's priority.
const int kPriorityInitial = 1;
// Spec-file request: keep the feature as it is installed.
const int kSpecKeepInstalled = -7;
// Transitive attribute bit: an installed feature that would be dropped keeps its state.
const DWORD kTransitiveKeepInstalled = 1;

// The first top-level feature of the tree that holds `feature`.
CFeature* FirstInTree(const CFeature* feature)
{
    return feature->GetRoot()->GetFirstSibling();
}

bool IsInstalledProductState(int state)
{
    return state == INSTALLSTATE_DEFAULT || state == INSTALLSTATE_ADVERTISED;
}

// A spec-file request that the walk through a subtree takes into account.
bool IsWalkedSpecRequest(int request)
{
    return request != INSTALLSTATE_UNKNOWN && request != INSTALLSTATE_ABSENT;
}

bool PartAllowsInstall(const CPart& part)
{
    const CPart::UpgradeTable* table = part.GetUpgradeTable();
    return !table || table->AllowsInstall();
}

}  // namespace

int CFeature::GetLevelState(int installLevel) const
{
    return m_level != 0 && m_level <= installLevel ? INSTALLSTATE_DEFAULT : INSTALLSTATE_ABSENT;
}

CFeature::KeptSpecAnswers::KeptSpecAnswers(CFeature* first)
{
    s_specAnswerGeneration = ++s_lastSpecAnswerGeneration;
    // Which features have a spec-file request below them that the walk of
    // GetSpecRequestOrDefault would look at: descendants before their ancestors.
    std::vector<CFeature*> preOrder;
    for (CFeature* feature = first; feature; feature = feature->GetNextInTree())
        preOrder.push_back(feature);
    for (auto feature = preOrder.rbegin(); feature != preOrder.rend(); ++feature) {
        bool below = false;
        for (const CFeature* child = (*feature)->m_firstChild; child && !below; child = child->m_nextSibling)
            below = child->m_specRequestBelow || IsWalkedSpecRequest(child->m_specRequest);
        (*feature)->m_specRequestBelow = below;
    }
}

CFeature::KeptSpecAnswers::~KeptSpecAnswers()
{
    s_specAnswerGeneration = 0;
}

void CFeature::ForgetSpecAnswers()
{
    if (s_specAnswerGeneration != 0)
        s_specAnswerGeneration = ++s_lastSpecAnswerGeneration;
}

int CFeature::GetSpecRequestOrDefault(int installLevel)
{
    if (s_specAnswerGeneration != 0 && m_specAnswerGeneration == s_specAnswerGeneration
        && m_specAnswerLevel == installLevel)
        return m_specAnswer;
    int request = m_specRequest == kSpecKeepInstalled ? GetCurrentState() : m_specRequest;
    // While answers are kept, a subtree without such requests needs no walk.
    const bool walk = s_specAnswerGeneration == 0 || m_specRequestBelow;
    if (walk && request != INSTALLSTATE_LOCAL && request != INSTALLSTATE_ABSENT) {
        for (CFeature* node = GetNextInSubtree(nullptr); node && request != INSTALLSTATE_LOCAL;
             node = GetNextInSubtree(node)) {
            const int value = node->m_specRequest;
            if (!IsWalkedSpecRequest(value))
                continue;
            if (value == kSpecKeepInstalled) {
                if (request == INSTALLSTATE_UNKNOWN && node->GetCurrentState() >= INSTALLSTATE_LOCAL)
                    request = node->GetCurrentState();
                continue;
            }
            // Local beats source beats default beats advertise.
            if (request == INSTALLSTATE_UNKNOWN || (request == INSTALLSTATE_ADVERTISED && value >= INSTALLSTATE_LOCAL)
                || (request == INSTALLSTATE_DEFAULT && (value == INSTALLSTATE_LOCAL || value == INSTALLSTATE_SOURCE))
                || (request == INSTALLSTATE_SOURCE && value == INSTALLSTATE_LOCAL))
                request = value;
        }
    }
    if (request == INSTALLSTATE_UNKNOWN)
        request = GetLevelState(installLevel);
    if (s_specAnswerGeneration != 0) {
        m_specAnswer = request;
        m_specAnswerLevel = installLevel;
        m_specAnswerGeneration = s_specAnswerGeneration;
    }
    return request;
}

int CFeature::ComputeInheritedState(int installLevel)
{
    const int product = GetProductState();
    const bool installed = IsInstalledProductState(product) || AppServices().IsTreeStart();

    // The state to keep: the spec file's, absent under an ancestor the spec file removes, else
    // what is installed.
    int keep;
    if (m_specRequest != INSTALLSTATE_UNKNOWN && m_specRequest != kSpecKeepInstalled) {
        keep = m_specRequest;
    } else {
        bool ancestorRemoved = false;
        for (const CFeature* ancestor = m_parent; ancestor && !ancestorRemoved; ancestor = ancestor->m_parent)
            ancestorRemoved = ancestor->m_specRequest == INSTALLSTATE_ABSENT;
        keep = ancestorRemoved ? INSTALLSTATE_ABSENT : (m_part ? GetCurrentState() : product);
    }
    if (keep == INSTALLSTATE_UNKNOWN)
        keep = INSTALLSTATE_ABSENT;

    if (installed && (!IsTransitive() || !HasInstalledTransitiveAncestor()))
        return keep;
    int request = GetSpecRequestOrDefault(installLevel);
    if (!(m_part && IsTransitiveChainSatisfied() && IsInstalledProductState(product))) {
        // Whether this feature is hidden, asked once for the whole walk up.
        int hidden = -1;
        for (CFeature* ancestor = m_parent; ancestor && request != INSTALLSTATE_ABSENT; ancestor = ancestor->m_parent) {
            if (ancestor->GetEffectiveRequest() >= INSTALLSTATE_LOCAL) {
                if (hidden < 0)
                    hidden = IsHidden(false) ? 1 : 0;
                if (hidden)
                    break;
            }
            if (ancestor->GetSpecRequestOrDefault(installLevel) == INSTALLSTATE_ABSENT)
                request = INSTALLSTATE_ABSENT;
        }
    }
    if (!installed || request != INSTALLSTATE_ABSENT)
        return request;
    for (const CFeature* feature = this; feature; feature = feature->m_parent) {
        if (feature->m_transitiveAttributes & kTransitiveKeepInstalled) {
            m_transitive = false;
            return keep;
        }
    }
    return request;
}

void CFeature::ResetTreeRequests()
{
    for (CFeature* feature = FirstInTree(this); feature; feature = feature->GetNextInTree()) {
        if (feature->m_fakeKind == kLinkedDist)
            continue;
        feature->m_requestPriority = 0;
        feature->m_requestedState = INSTALLSTATE_UNKNOWN;
    }
}

void CFeature::ResetDependentsToAbsent(std::set<CFeature*>& visited)
{
    if (!visited.insert(this).second)
        return;
    // Depth first through the dependents, on a stack of its own (the chain may be long).
    std::vector<std::pair<CFeature*, std::list<FeatureDependentLink>::const_iterator>> walk;
    walk.emplace_back(this, m_dependents.begin());
    while (!walk.empty()) {
        auto& top = walk.back();
        if (top.second == top.first->m_dependents.end()) {
            walk.pop_back();
            continue;
        }
        const FeatureDependentLink& link = *top.second++;
        if (link.requiredStates & kSubsetIgnoreState)
            continue;
        link.feature->m_level = 0;
        link.feature->m_lastUserRequest = INSTALLSTATE_ABSENT;
        if (visited.insert(link.feature).second)
            walk.emplace_back(link.feature, link.feature->m_dependents.begin());
    }
}

bool CFeature::TryRequestState(int state, bool withSubfeatures, ChangeCallback callback, void* data)
{
    ResetTreeRequests();
    FeatureChangeQueue queue;
    queue.KeepStartRequest(this);
    const int mapped = MapRequestedState(state);
    if (m_requestPriority < kPriorityUser) {
        m_requestPriority = kPriorityUser;
        m_requestedState = mapped;
        m_lastUserRequest = m_requestedState;
    } else if (mapped == m_requestedState) {
        m_lastUserRequest = m_requestedState;
    }
    FeatureChangeLevel first;
    first.Add(this, kPriorityUser, withSubfeatures);
    queue.Append(std::move(first));
    if (!Solve(queue, 0))
        return false;
    ApplyRequestedStates(callback, data);
    for (CFeature* feature = this; feature; feature = feature->m_parent)
        feature->m_lastUserRequest = feature->m_actionState;
    return true;
}

int CFeature::RequestState(int state, bool withSubfeatures, ChangeCallback callback, void* data)
{
    TryRequestState(state, withSubfeatures, callback, data);
    return m_actionState;
}

void CFeature::ApplyRequestedStates(ChangeCallback callback, void* data)
{
    for (CFeature* feature = FirstInTree(this); feature; feature = feature->GetNextInTree()) {
        const bool blocked = feature->IsBlocked();
        const int request = feature->GetEffectiveRequest();
        if (request == feature->m_actionState && !blocked)
            continue;
        if (callback)
            callback(feature, data);
        feature->m_actionState = blocked ? INSTALLSTATE_ABSENT : request;
        feature->m_changed = true;
        feature->m_requestPriority = 0;
        if (LinkedDistFakeFeature* menu = feature->m_linkedDistFake.get())
            menu->SelectMenuItem(
                feature->m_actionState == INSTALLSTATE_LOCAL ? menu->GetInstallItem() : menu->GetLeaveOutItem());
    }
}

bool CFeature::IsBlocked(int* reason)
{
    if (m_blockedGeneration != s_blockedGeneration) {
        int found = kNotBlocked;
        std::set<CFeature*> upgradeVisited;
        std::set<CFeature*> dependencyVisited;
        if (!TreeMayBlock())
            found = kNotBlocked;
        else if (IsBlockedByUpgrade(upgradeVisited))
            found = kBlockedByUpgrade;
        else if (IsBlockedByDependency(dependencyVisited))
            found = kBlockedByDependency;
        else if (IsBlockedByRelatedProduct())
            found = kBlockedByRelatedProduct;
        m_blockedReason = found;
        m_blockedGeneration = s_blockedGeneration;
    }
    if (reason)
        *reason = m_blockedReason;
    return m_blockedReason != kNotBlocked;
}

// Every test ends in one of the sources looked for here: when the tree has none, each upgrade,
// dependency and related-product test in it answers "not blocked", so the walks, which may visit
// a large part of the tree for every feature, need not run.
bool CFeature::TreeMayBlock()
{
    if (m_treeMayBlockGeneration == s_blockedGeneration)
        return m_treeMayBlock;
    CFeature* first = FirstInTree(this);
    std::set<const CFeature*> topLevel;
    for (const CFeature* top = first; top; top = top->m_nextSibling)
        topLevel.insert(top);
    bool mayBlock = false;
    for (CFeature* feature = first; feature && !mayBlock; feature = feature->GetNextInTree()) {
        if (feature->m_part)
            mayBlock = !PartAllowsInstall(*feature->m_part) || feature->IsBlockedByRelatedProduct();
        else
            mayBlock = feature->m_fakeKind != kLinkedDist && feature->m_fakeKind != kPlaceholder
                && !feature->m_firstChild;
        for (const CFeatureSubsetOr& group : feature->m_dependencyGroups) {
            for (const CFeatureSubsetDependency& alternative : group.GetAlternatives()) {
                for (const auto& entry : alternative.GetFeatures())
                    mayBlock = mayBlock || !topLevel.count(entry.first->GetRoot());
            }
        }
    }
    for (CFeature* feature = first; feature; feature = feature->GetNextInTree()) {
        feature->m_treeMayBlock = mayBlock;
        feature->m_treeMayBlockGeneration = s_blockedGeneration;
    }
    return mayBlock;
}

bool CFeature::IsBlockedByUpgrade(std::set<CFeature*>& visited)
{
    return RunBlockingTest(kBlockedByUpgrade, visited);
}

bool CFeature::IsBlockedByDependency(std::set<CFeature*>& visited)
{
    return RunBlockingTest(kBlockedByDependency, visited);
}

// The upgrade test and the dependency test call each other along the tree and along the
// dependency groups, and a chain of dependencies may be as long as a merged package makes it:
// the calls are kept on a stack of their own, each test resuming where it called the other.
//
// Upgrade test: a feature with a part is blocked when its part may not be installed; a linked
// distribution or a placeholder is not; any other feature is blocked when everything below it is
// (by upgrade, dependency or related product), and so is one with nothing below it.
// Dependency test: a feature of an installed product is not blocked; otherwise it is blocked by
// the first feature of its alternatives (not satisfied outside, each feature once) that is
// blocked by related product, upgrade or dependency, else by its parent's dependency test and
// then its parent's related product.
bool CFeature::RunBlockingTest(int test, std::set<CFeature*>& visited)
{
    struct Call {
        int test;
        CFeature* feature;
        int stage;
        CFeature* node;                 // the subtree node or the needed feature under test
        std::vector<CFeature*> needed;  // the dependency test's features, in group order
        size_t next;
    };
    enum Stage { kStart, kNextNode, kAfterUpgrade, kAfterDependency, kAfterParent };
    std::vector<Call> calls;
    calls.push_back(Call{test, this, kStart, nullptr, {}, 0});
    bool answer = false;  // the answer of the call that ended last
    while (!calls.empty()) {
        Call& call = calls.back();
        CFeature& feature = *call.feature;
        int callTest = kNotBlocked;
        CFeature* callFeature = nullptr;
        bool ended = false;
        bool result = false;
        if (call.test == kBlockedByUpgrade) {
            switch (call.stage) {
            case kStart:
                if (feature.m_part) {
                    ended = true;
                    result = !PartAllowsInstall(*feature.m_part);
                } else if (feature.m_fakeKind == kLinkedDist || feature.m_fakeKind == kPlaceholder) {
                    ended = true;
                } else {
                    call.node = feature.GetNextInSubtree(nullptr);
                    call.stage = kNextNode;
                }
                break;
            case kNextNode:
                if (!call.node) {
                    ended = true;
                    result = true;
                } else {
                    callTest = kBlockedByUpgrade;
                    callFeature = call.node;
                    call.stage = kAfterUpgrade;
                }
                break;
            case kAfterUpgrade:
                if (answer) {
                    call.node = feature.GetNextInSubtree(call.node);
                    call.stage = kNextNode;
                } else {
                    callTest = kBlockedByDependency;
                    callFeature = call.node;
                    call.stage = kAfterDependency;
                }
                break;
            default:  // kAfterDependency
                if (answer || call.node->IsBlockedByRelatedProduct()) {
                    call.node = feature.GetNextInSubtree(call.node);
                    call.stage = kNextNode;
                } else {
                    ended = true;
                }
                break;
            }
        } else {
            switch (call.stage) {
            case kStart:
                if (feature.m_part && feature.m_part->GetProductState() == INSTALLSTATE_DEFAULT) {
                    ended = true;
                    break;
                }
                for (const CFeatureSubsetOr& group : feature.m_dependencyGroups) {
                    for (const CFeatureSubsetDependency& alternative : group.GetAlternatives()) {
                        if (alternative.GetFlags() & kSubsetSatisfiedOutside)
                            continue;
                        for (const auto& entry : alternative.GetFeatures())
                            call.needed.push_back(entry.first);
                    }
                }
                call.stage = kNextNode;
                break;
            case kNextNode:
                while (call.next < call.needed.size() && !visited.insert(call.needed[call.next]).second)
                    ++call.next;
                if (call.next < call.needed.size()) {
                    call.node = call.needed[call.next++];
                    if (call.node->IsBlockedByRelatedProduct()) {
                        ended = true;
                        result = true;
                    } else {
                        callTest = kBlockedByUpgrade;
                        callFeature = call.node;
                        call.stage = kAfterUpgrade;
                    }
                } else if (feature.m_parent) {
                    callTest = kBlockedByDependency;
                    callFeature = feature.m_parent;
                    call.stage = kAfterParent;
                } else {
                    ended = true;
                }
                break;
            case kAfterUpgrade:
                if (answer) {
                    ended = true;
                    result = true;
                } else {
                    callTest = kBlockedByDependency;
                    callFeature = call.node;
                    call.stage = kAfterDependency;
                }
                break;
            case kAfterDependency:
                if (answer) {
                    ended = true;
                    result = true;
                } else {
                    call.stage = kNextNode;
                }
                break;
            default:  // kAfterParent
                ended = true;
                result = answer || feature.m_parent->IsBlockedByRelatedProduct();
                break;
            }
        }
        if (ended) {
            calls.pop_back();
            answer = result;
        } else if (callFeature) {
            calls.push_back(Call{callTest, callFeature, kStart, nullptr, {}, 0});
        }
    }
    return answer;
}

bool CFeature::IsBlockedByRelatedProduct()
{
    if (!m_part || m_part->GetProductState() == INSTALLSTATE_DEFAULT)
        return false;
    CPart* product = m_part->GetCorePart();
    if (!product || PartAllowsInstall(*product))
        return false;
    // The product part cannot be installed: this part is blocked unless an installed related
    // product of it lists this part.
    const CPart::RelatedPartList& related = product->GetRelatedPartList();
    if (related.GetCount() == 0)
        return false;
    for (size_t i = 0; i < related.GetCount(); ++i) {
        if (related.GetAt(i).InstalledProductListsName(m_part->GetProductCode()))
            return false;
    }
    return true;
}

bool CFeature::IsNeededByBlockedDependent(std::set<CFeature*>& visited)
{
    // Depth first through the dependents, each once, on a stack of its own: the chain of
    // dependents may be as long as a merged package makes it.
    std::vector<std::pair<CFeature*, std::list<FeatureDependentLink>::const_iterator>> walk;
    walk.emplace_back(this, m_dependents.begin());
    while (!walk.empty()) {
        auto& top = walk.back();
        if (top.second == top.first->m_dependents.end()) {
            walk.pop_back();
            continue;
        }
        CFeature* dependent = (top.second++)->feature;
        if (!visited.insert(dependent).second)
            continue;
        int reason = kNotBlocked;
        if (dependent->IsBlocked(&reason) && reason == kBlockedByUpgrade)
            return true;
        walk.emplace_back(dependent, dependent->m_dependents.begin());
    }
    return false;
}

void CFeature::ApplyInstallLevel(int installLevel)
{
    CFeature* first = FirstInTree(this);
    for (CFeature* feature = first; feature; feature = feature->GetNextInTree()) {
        feature->m_requestedState = INSTALLSTATE_ABSENT;
        feature->m_actionState = INSTALLSTATE_ABSENT;
        feature->m_lastUserRequest = INSTALLSTATE_ABSENT;
        feature->m_requestPriority = 0;
        feature->m_changed = false;
        if (LinkedDistFakeFeature* menu = feature->m_linkedDistFake.get())
            menu->SelectMenuItem(menu->GetDefaultItem());
        feature->EvaluateConditionTable();
        feature->EvaluateFeatureDisplayTable();
        feature->m_lastUserRequest = feature->GetLevelState(installLevel);
    }
    for (CFeature* feature = first; feature; feature = feature->GetNextInTree()) {
        if (feature->m_level == 0) {
            std::set<CFeature*> visited;
            feature->ResetDependentsToAbsent(visited);
        }
    }
    bool solved = false;
    {
        KeptSpecAnswers keepAnswers(first);
        FeatureChangeQueue queue;
        FeatureChangeLevel start;
        for (CFeature* top = first; top; top = top->GetNextSibling()) {
            queue.KeepStartRequest(top);
            const int state = top->MapRequestedState(top->ComputeInheritedState(installLevel));
            top->MergeRequest(state, kPriorityInitial, false);
            start.Add(top, kPriorityInitial, false);
        }
        queue.Append(std::move(start));
        solved = first && first->Solve(queue, installLevel);
    }
    if (!solved)
        return;
    first->ApplyRequestedStates(nullptr, nullptr);
    for (CFeature* feature = first; feature; feature = feature->GetNextInTree()) {
        const int levelState = feature->GetLevelState(installLevel);
        const CPart* part = feature->m_part;
        int last = levelState;
        if (part && part->GetProductState() >= INSTALLSTATE_LOCAL && part->IsArpVisible()) {
            last = feature->m_installedState;
            const CFeature* parent = feature->m_parent;
            if (parent && parent->m_fakeKind == kOrdinary && parent->m_part
                && parent->m_part->GetProductCode() == part->GetProductCode()
                && parent->m_lastUserRequest < INSTALLSTATE_LOCAL)
                last = levelState;
            if (feature->IsTransitive() && feature->HasInstalledTransitiveAncestor())
                last = levelState;
        }
        feature->m_lastUserRequest = last;
    }
}
