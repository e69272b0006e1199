// The states Windows Installer allows for a feature, read once the merged session is costed.
#include "Feature.h"

#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiSession.h"

namespace {

// The engine's answer before its selection manager exists: 1609 with record 2731.
const UINT kInvalidHandleState = 1609;
const int kSelectionManagerNotReady = 2731;
// States 1 to 5 valid; only local.
const DWORD kAllStates = 62;
const DWORD kLocalOnly = 8;

}  // namespace

void CFeature::ReadValidStates()
{
    if (m_fakeKind == kThirdParty)
        return;
    if (m_fakeKind == kPlaceholder) {
        m_validStates = kLocalOnly;
        return;
    }
    if (!m_session)
        return;
    try {
        m_validStates = m_session->GetFeatureValidStates(m_name);
    } catch (const MsiInstallerError& error) {
        MsiSmartPtr<MsiRecord> record = error.GetErrorRecord();
        if (error.GetCode() != kInvalidHandleState || !record
            || record->GetIntegerOrDefault(1, 0) != kSelectionManagerNotReady)
            throw;
        m_validStates = kAllStates;
    }
}
