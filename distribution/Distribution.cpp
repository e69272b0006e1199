#include "Distribution.h"

#include "ConfigInfo.h"
#include "Feature.h"
#include "InstallerErrors.h"
#include "MsiSession.h"
#include "PartInfo.h"
#include "PathHelpers.h"

// The operations that are not built yet stop the run here, naming themselves.
static const char kSource[] = "Distribution";

CDistribution::CDistribution() : m_nRebootState(-1), m_pConfig(nullptr)
{
    m_hAbortEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

CDistribution::~CDistribution()
{
    if (m_hAbortEvent)
        CloseHandle(m_hAbortEvent);
}

void CDistribution::PopulateFromIniInfo(CConfigInfo& config, ProgressCallback callback, void* context)
{
    // The model's contract so far: the parts are counted off with their progress and the abort
    // checks; the first volume's folder is the configuration's. The model itself is empty.
    m_pConfig = &config;
    m_currentRootPath = config.GetConfigFolder();
    AddTrailingBackslash(m_currentRootPath);
    ReportProgress(callback, context, kProgressStep);
    const size_t parts = config.GetPartInfoCount();
    for (size_t part = 1; part <= parts; ++part) {
        ThrowIfAborted();
        if (part % 10 == 1)
            ReportProgress(callback, context, kProgressStep);
    }
}

void CDistribution::Initialize(ProgressCallback callback, void* context)
{
    ReportProgress(callback, context, kProgressPhaseStart);
    ThrowIfAborted();
    ReportProgress(callback, context, kProgressPhaseEnd);
}

void CDistribution::ReportProgress(ProgressCallback callback, void* context, int event)
{
    if (callback)
        callback(context, event);
}

void CDistribution::ThrowIfAborted() const
{
    if (IsAborted())
        throw OperationAborted(kSource, __LINE__, L"CDistribution::Initialize", L"Initialization aborted.");
}

CFeature* CDistribution::FindFeature(const wchar_t* name) const
{
    // No feature tree is built yet: every name is unknown.
    throw ObjectNotFound(kSource, __LINE__, typeid(CFeature), L"name", name, L"In call to CFeatureTree::FindFeature");
}

void CDistribution::SetProperty(const wchar_t* name, const wchar_t* value)
{
    MergedSession().SetProperty(name, value);
}

void CDistribution::SetTargetPath(const wchar_t* directory, const wchar_t* path)
{
    MergedSession().SetTargetPath(directory, path);
}

MsiSession& CDistribution::MergedSession() const
{
    CConfigInfo::PartInfo* merged = m_pConfig ? m_pConfig->GetMergedPartInfo() : nullptr;
    if (!merged)
        throw PriorOperationRequired(kSource, __LINE__, L"CDistribution::PopulateFromIniInfo",
                                     L"CDistribution::SetProperty", L"%1 must be called before calling %2");
    return *merged->GetSession();
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
        SetEvent(m_hAbortEvent);
}

bool CDistribution::IsAborted() const
{
    return m_hAbortEvent && WaitForSingleObject(m_hAbortEvent, 0) == WAIT_OBJECT_0;
}

int CDistribution::GetExtraFeatureInfo(int, void*)
{
    // No features, hence no extra information and no unsatisfied dependencies yet.
    return 0;
}

int CDistribution::InstallSilently()
{
    throw OperationAborted(kSource, __LINE__, L"CDistribution::InstallSilently", L"%1 is not available yet.");
}

void CDistribution::LaunchExecutes(int, void*)
{
    throw OperationAborted(kSource, __LINE__, L"CDistribution::LaunchExecutes", L"%1 is not available yet.");
}
