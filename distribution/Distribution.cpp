#include "Distribution.h"

#include "InstallerErrors.h"

// The operations that are not built yet stop the run here, naming themselves.
static const char kSource[] = "Distribution";

CDistribution::CDistribution() : m_nRebootState(-1), m_hAbortEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CDistribution::~CDistribution() = default;

void CDistribution::PopulateFromIniInfo(CConfigInfo&, ProgressCallback, void*)
{
    throw OperationAborted(kSource, __LINE__, L"CDistribution::PopulateFromIniInfo",
                           L"%1 is not available yet.");
}

void CDistribution::Initialize(ProgressCallback, void*)
{
    throw OperationAborted(kSource, __LINE__, L"CDistribution::Initialize", L"%1 is not available yet.");
}

const CString& CDistribution::GetCurrentRootPath() const
{
    if (m_currentRootPath.IsEmpty())
        throw PriorOperationRequired(".\\Distribution.cpp", __LINE__, L"CDistribution::PopulateFromIniFile",
                                     L"CDistribution::GetCurrentRootPath", L"%1 must be called before calling %2");
    return m_currentRootPath;
}

void CDistribution::Abort()
{
    if (m_hAbortEvent)
        SetEvent(m_hAbortEvent.Get());
}

bool CDistribution::IsAborted() const
{
    return m_hAbortEvent && WaitForSingleObject(m_hAbortEvent.Get(), 0) == WAIT_OBJECT_0;
}

int CDistribution::GetExtraFeatureInfo(int, void*)
{
    throw OperationAborted(kSource, __LINE__, L"CDistribution::GetExtraFeatureInfo",
                           L"%1 is not available yet.");
}

int CDistribution::InstallSilently()
{
    throw OperationAborted(kSource, __LINE__, L"CDistribution::InstallSilently", L"%1 is not available yet.");
}

void CDistribution::LaunchExecutes(int, void*)
{
    throw OperationAborted(kSource, __LINE__, L"CDistribution::LaunchExecutes", L"%1 is not available yet.");
}
