// A component's installed state and planned action from the features that hold it and the
// products that installed it, and the cost of a feature's planned change. Every loop polls the
// process-wide costing-abort event.
#include "Feature.h"

#include <msi.h>

#include "Distribution.h"
#include "InstallerErrors.h"
#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "Part.h"
#include "VolumeCost.h"

namespace {

const char kSource[] = "Feature";

// Component.Attributes: the component is re-evaluated when its condition changes.
const int kComponentTransitive = 64;
const int64_t kCostUnit = 512;
const DWORD kProductCodeLength = 39;

bool IsCostingAborted()
{
    HANDLE event = CFeature::GetCostingAbortEvent();
    return event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

void ResetCostingAbort()
{
    if (HANDLE event = CFeature::GetCostingAbortEvent())
        ResetEvent(event);
}

[[noreturn]] void ThrowCostingAborted(int line)
{
    throw OperationAborted(kSource, line, L"Feature Costing");
}

}  // namespace

void CFeature::ComputeComponentAction(MsiDatabase& database, const wchar_t* component, const wchar_t* condition,
    int attributes, int& installed, int& action, CFeature** decider, bool keepEvent) const
{
    if (!keepEvent)
        ResetCostingAbort();
    bool conditionHolds = true;
    if (condition && *condition) {
        try {
            conditionHolds = m_session->EvaluateCondition(condition) != MSICONDITION_FALSE;
        } catch (const MsiInstallerError&) {
            conditionHolds = false;
        }
    }
    installed = INSTALLSTATE_ABSENT;
    action = INSTALLSTATE_UNKNOWN;
    CFeature* lastVoter = nullptr;

    MsiSmartPtr<MsiView> votes = database.OpenView(
        L"SELECT Feature_, ComponentId, Directory_ FROM FeatureComponents, Component WHERE Component_=? AND "
        L"FeatureComponents.Component_=Component.Component");
    votes->ExecuteWith(component);
    while (action != INSTALLSTATE_LOCAL && !IsCostingAborted()) {
        MsiSmartPtr<MsiRecord> row = votes->Fetch();
        if (!row)
            break;
        CFeature* voter = nullptr;
        try {
            voter = &FindFeature(CString(row->GetMfcString(1)));
        } catch (const ObjectNotFound&) {
            continue;
        }
        lastVoter = voter;
        const int state = voter->GetActionState();
        if (state == voter->GetCurrentState())
            continue;
        if (state == INSTALLSTATE_LOCAL)
            action = INSTALLSTATE_LOCAL;
        else if (state == INSTALLSTATE_SOURCE && action < INSTALLSTATE_LOCAL)
            action = INSTALLSTATE_SOURCE;
        else if ((state == INSTALLSTATE_ADVERTISED || state == INSTALLSTATE_ABSENT) && action < INSTALLSTATE_LOCAL)
            action = INSTALLSTATE_ABSENT;
    }

    try {
        MsiSmartPtr<MsiView> rows
            = database.OpenView(L"SELECT ComponentId, Directory_ FROM Component WHERE Component=?");
        rows->ExecuteWith(component);
        if (MsiSmartPtr<MsiRecord> row = rows->Fetch()) {
            const CString componentId = row->GetMfcString(1);
            const CString target = m_session->GetMfcTargetPath(CString(row->GetMfcString(2)));
            wchar_t product[kProductCodeLength] = L"";
            for (DWORD index = 0; MsiApi().MsiEnumClientsW(componentId, index, product) == ERROR_SUCCESS; ++index) {
                wchar_t path[MAX_PATH] = L"";
                DWORD length = MAX_PATH;
                const INSTALLSTATE state = MsiApi().MsiGetComponentPathW(product, componentId, path, &length);
                CString folder(path);
                const int slash = folder.ReverseFind(L'\\');
                folder = slash >= 0 ? folder.Left(slash + 1) : CString();
                if (folder.CompareNoCase(target) == 0) {
                    installed = state;
                    break;
                }
            }
        }
    } catch (const MsiInstallerError&) {
        // The installed state found so far stands.
    }

    if (action == installed)
        action = INSTALLSTATE_UNKNOWN;
    if (installed != INSTALLSTATE_ABSENT && (attributes & kComponentTransitive) && !conditionHolds)
        action = INSTALLSTATE_ABSENT;
    if (IsCostingAborted())
        ThrowCostingAborted(__LINE__);
    if (decider && lastVoter)
        *decider = lastVoter;
}

void CFeature::ComputeComponentStates(MsiDatabase& database, const wchar_t* component, int& installed, int& action,
    CFeature** decider, bool keepEvent) const
{
    MsiSmartPtr<MsiView> rows = database.OpenView(L"SELECT Condition, Attributes FROM Component WHERE Component=?");
    rows->ExecuteWith(component);
    MsiSmartPtr<MsiRecord> row = rows->Fetch();
    if (!row) {
        installed = INSTALLSTATE_ABSENT;
        action = INSTALLSTATE_ABSENT;
        if (decider)
            *decider = nullptr;
        return;
    }
    const CString condition = row->GetMfcString(1);
    ComputeComponentAction(
        database, component, condition, row->GetIntegerOrDefault(2, 0), installed, action, decider, keepEvent);
}

void CFeature::CollectFeatureComponents(MsiDatabase& database, ComponentCollection& collection)
{
    MsiSmartPtr<MsiView> rows
        = database.OpenView(L"SELECT Component_ FROM FeatureComponents WHERE FeatureComponents.Feature_=?");
    rows->ExecuteWith(m_name);
    int count = 0;
    while (!IsCostingAborted()) {
        MsiSmartPtr<MsiRecord> row = rows->Fetch();
        if (!row)
            break;
        ++count;
        collection[CString(row->GetMfcString(1))].insert(this);
    }
    if (IsCostingAborted())
        ThrowCostingAborted(__LINE__);
    if (m_componentCount == -1)
        m_componentCount = count;
}

int CFeature::GetComponentCount()
{
    if (m_componentCount == -1) {
        ResetCostingAbort();
        ComponentCollection discarded;
        CollectFeatureComponents(*m_session->GetActiveDatabase(), discarded);
    }
    return m_componentCount;
}

int64_t CFeature::ComputeCost(int scope, bool keepEvent)
{
    if (!keepEvent)
        ResetCostingAbort();
    ComponentCollection collection;
    MsiSmartPtr<MsiDatabase> database = m_session->GetActiveDatabase();
    if (GetActionState() != GetCurrentState())
        CollectFeatureComponents(*database, collection);
    if (scope == kCostWithHiddenChildren) {
        for (CFeature* child = GetFirstChild(); child; child = child->GetNextSibling()) {
            if (child->GetActionState() != child->GetCurrentState() && child->IsHidden(false))
                child->CollectFeatureComponents(*database, collection);
        }
    } else if (scope == kCostSubtree) {
        for (CFeature* node = GetNextInSubtree(nullptr); node; node = GetNextInSubtree(node)) {
            if (node->GetActionState() != node->GetCurrentState())
                node->CollectFeatureComponents(*database, collection);
        }
    }
    int64_t total = 0;
    ComputeComponentCosts(*database, collection, total);
    return total;
}

int64_t CFeature::ComputeCostWithHiddenChildren(bool keepEvent)
{
    if (GetActionState() == GetCurrentState())
        return 0;
    return ComputeCost(kCostWithHiddenChildren, keepEvent);
}

void CFeature::ComputeComponentCosts(MsiDatabase& database, const ComponentCollection& collection, int64_t& total)
{
    total = 0;
    const auto enumCosts = MsiApiEnumComponentCosts();
    // A feature that no part supplies is costed through the distribution all the same: its
    // subtree's components are its children's.
    CDistribution* distribution = GetDistribution();
    VolumeCostSet volumes;
    for (const auto& entry : collection) {
        if (IsCostingAborted())
            break;
        int installed = INSTALLSTATE_UNKNOWN, action = INSTALLSTATE_UNKNOWN;
        CFeature* decider = nullptr;
        ComputeComponentStates(database, entry.first, installed, action, &decider, true);
        if (distribution)
            distribution->AddComponentCost(volumes, entry.first, action, decider, false, enumCosts);
        if (IsCostingAborted())
            ThrowCostingAborted(__LINE__);
    }
    for (const auto& volume : volumes)
        total += volume.second.required / kCostUnit;
}
