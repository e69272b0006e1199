#include "Distribution.h"

#include <typeinfo>

#include "ApplicationServices.h"
#include "BenchTimeline.h"
#include "ConfigInfo.h"
#include "DistributionInfo.h"
#include "FileVersion.h"
#include "MsiApi.h"
#include "PlatformChecks.h"
#include "PlexaExceptions.h"
#include "Feature.h"
#include "InstallerErrors.h"
#include "KolBaselinePartInfo.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiSession.h"
#include "Part.h"
#include "PartInfo.h"
#include "PathHelpers.h"
#include "SystemInfoClient.h"

// The operations that are not built yet stop the run here, naming themselves.
static const char kSource[] = "Distribution";
static const char kDistributionSource[] = ".\\Distribution.cpp";
// The feature page's state, asked whether it is shown in some mode.
static const int kFeaturePageState = 6;

CDistribution::CDistribution()
    : m_nRebootState(-1), m_featureTree(*this), m_currentPart(nullptr), m_partCount(-1), m_currentPartNumber(0),
      m_installLevel(3), m_selectionApplied(false), m_currentVolume(1),
      m_hAbortEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_featureStatesDirty(true), m_odwBuiltState(-1),
      m_progressPage(nullptr), m_pConfig(nullptr)
{
}

CDistribution::~CDistribution()
{
    for (CPart* part : m_parts)
        delete part;
    m_hAbortEvent.Reset();
}

void CDistribution::PopulateFromIniInfo(CConfigInfo& config, ProgressCallback callback, void* context)
{
    ReportProgress(callback, context, kProgressStep);
    m_pConfig = &config;
    m_currentRootPath = config.GetConfigFolder();
    AddTrailingBackslash(m_currentRootPath);

    const CConfigInfo::DistributionInfo& settings = *config.GetDistributionInfo();
    CConfigInfo::PartInfo* merged = config.GetMergedPartInfo();
    // A 64-bit part under WOW64: the merged package's summary is rewritten on a copy before
    // anything opens it.
    if (settings.HasX64Part() && IsWow64() && merged) {
        merged->MakeTempPackageCopy();
        merged->RewriteSummaryForX64();
    }

    const HRESULT created = AppServices().CreateSystemInfoObject(
        CLSID_ZKDistributionInfo, IID_IZKDistributionInfo, reinterpret_cast<void**>(m_distributionInfo.Out()));
    if (created == E_OUTOFMEMORY)
        throw PlexaBadAlloc(kPlexaBadAllocation);
    if (FAILED(created) || !m_distributionInfo) {
        CString details;
        details.Format(
            L"Failed to create a ZKDistributionInfo object. Result=%08x", static_cast<unsigned int>(created));
        throw ZKSystemInfoFailure(kDistributionSource, __LINE__, details);
    }

    try {
        DescribeDistribution(config);
        BenchMark(L"sysinfo");

        if (AppServices().IsCostLogEnabled())
            m_installerLog.Start(AppServices().GetLogModeFlags(), AppServices().GetLogFileOptions());
        MsiApi().MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);

        int highestVolume = 0;
        const size_t parts = config.GetPartInfoCount();
        for (size_t index = 0; index < parts; ++index) {
            ThrowIfAborted(L"CDistribution::PopulateFromIniInfo");
            CConfigInfo::PartInfo& record = *config.GetPartInfo(index);
            ReadPartFromMergedPackage(record, false);
            if (index % 10 == 0)
                ReportProgress(callback, context, kProgressStep);
            if (record.GetVolume() > highestVolume)
                highestVolume = record.GetVolume();
        }
        for (int volume = 1; volume <= highestVolume; ++volume)
            m_volumes.emplace_back(static_cast<unsigned int>(volume), *this, settings);
    } catch (const SysInfoComError& error) {
        ThrowComFailure(error.GetResult(), __LINE__);
    }
}

void CDistribution::DescribeDistribution(const CConfigInfo& config)
{
    const CConfigInfo::DistributionInfo& settings = *config.GetDistributionInfo();
    CString languages;
    if (settings.IsLanguageForced()) {
        languages.Format(L"%u", static_cast<unsigned int>(settings.GetUiLanguage()));
    } else {
        for (size_t i = 0; i < settings.GetLanguageCount(); ++i) {
            CString one;
            one.Format(i == 0 ? L"%u" : L",%u", static_cast<unsigned int>(settings.GetLanguageId(i)));
            languages += one;
        }
    }
    wchar_t version[kVersionTextSize];
    const uint64_t configured = settings.GetVersion();
    FormatVersion64(&configured, version, 4);
    CString root;
    settings.GetDistributionRoot(root, m_currentRootPath);
    wchar_t program[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    CString setupPath(program);
    if (!root.IsEmpty() && setupPath.GetLength() >= root.GetLength()
        && CompareStringOrdinal(program, root.GetLength(), root, root.GetLength(), TRUE) == CSTR_EQUAL)
        setupPath = setupPath.Mid(root.GetLength());

    IZKDistributionInfo& info = *m_distributionInfo.Get();
    CheckDescription(info.PutGuid(SysInfoText(settings.GetDistributionGuid()).Get()));
    CheckDescription(info.PutPackageGuid(SysInfoText(settings.GetPackageGuid()).Get()));
    CheckDescription(info.PutLanguages(SysInfoText(languages).Get()));
    CheckDescription(info.PutVersion(SysInfoText(version).Get()));
    CheckDescription(info.PutRootPath(1, SysInfoText(root).Get()));
    CheckDescription(info.PutSetupPath(SysInfoText(setupPath).Get()));
    CheckDescription(info.PutTitle(SysInfoText(settings.GetTitle()).Get()));
}

void CDistribution::CheckDescription(HRESULT result)
{
    if (result == E_OUTOFMEMORY)
        throw PlexaBadAlloc(kPlexaBadAllocation);
    if (FAILED(result))
        throw ZKSystemInfoFailure(kDistributionSource, __LINE__,
            L"Unexpected error while accessing the ZKDistributionInfo object. Make sure the "
            L"versions of ZKSysInfo.dll and of OrbelInstaller are compatible.");
}

void CDistribution::ThrowComFailure(HRESULT result, int line, const wchar_t* format)
{
    if (result == E_OUTOFMEMORY)
        throw PlexaBadAlloc(kPlexaBadAllocation);
    CString details;
    details.Format(format, static_cast<unsigned int>(result));
    throw ZKSystemInfoFailure(kDistributionSource, line, details);
}

DistributionVolume& CDistribution::GetVolume(unsigned int number)
{
    if (number == 0 || number > m_volumes.size())
        throw ValueOutOfRange(
            kSource, __LINE__, L"Volume Number", static_cast<long>(number), L"The distribution has no volume %2.");
    return m_volumes[number - 1];
}

void CDistribution::ReadPartFromMergedPackage(CConfigInfo::PartInfo& record, bool baseline)
{
    // The volume records come from the [Parts] entries: a provider joins only on one of them.
    if (baseline)
        GetVolume(static_cast<unsigned int>(record.GetVolume()));
    MsiSmartPtr<MsiDatabase> database = GetSession()->GetActiveDatabase();
    std::unique_ptr<CPart> part(new CPart);
    if (baseline)
        part->PopulateKolBaseProviderPart(*database, *this, static_cast<CConfigInfo::KolBaselinePartInfo&>(record));
    else
        part->Populate(*database, *this, record);
    m_parts.push_back(part.get());
    try {
        if (m_distributionInfo) {
            CString language;
            language.Format(L"%u", static_cast<unsigned int>(part->GetLanguage()));
            CheckSysInfo(m_distributionInfo->AddPart(SysInfoText(part->GetProductCode()).Get(),
                SysInfoText(part->GetPackageCode()).Get(), 0, SysInfoText(record.GetLangDbPath()).Get(),
                SysInfoText(language).Get(), SysInfoText(part->GetProductVersion()).Get(), record.GetVolume()));
        }
    } catch (...) {
        m_parts.pop_back();
        throw;
    }
    part.release();
}

// The initialisation steps in their fixed order: each uses what the earlier ones built.
const CDistribution::InitializationStep CDistribution::kInitializationSteps[] = {
    &CDistribution::StartMSIService,
    &CDistribution::ApplyConfiguredProperties,
    &CDistribution::ResolveCoreParts,
    &CDistribution::RunCostingActions,
    &CDistribution::ValidateZKPathDirAndSysFolderProps,
    &CDistribution::ValidateFeatureTree,
    &CDistribution::PopulateZkDependencyInfo,
    &CDistribution::SetInitialInstallLevel,
    &CDistribution::ResolveDependencies,
    &CDistribution::FindBrokenDependencies,
};

void CDistribution::Initialize(ProgressCallback callback, void* context)
{
    ReportProgress(callback, context, kProgressPhaseStart);
    for (InitializationStep step : kInitializationSteps) {
        (this->*step)();
        ReportProgress(callback, context, kProgressStep);
        ThrowIfAborted(L"CDistribution::Initialize");
    }
    ReportProgress(callback, context, kProgressPhaseEnd);
}

void CDistribution::SetInstallLevel(int level, bool keepSelection)
{
    MsiSmartPtr<MsiSession> session = GetSession();
    session->SetIntegerProperty(L"INSTALLLEVEL", level);
    session->SetInstallLevel(level);
    if (level != m_installLevel || m_featureTree.AnyFeatureMarked())
        m_selectionApplied = false;
    m_installLevel = level;
    if (keepSelection || m_selectionApplied)
        return;
    if (CFeature* root = m_featureTree.GetRoot())
        root->ApplyInstallLevel(level);
    m_selectionApplied = true;
}

void CDistribution::SetInitialInstallLevel()
{
    SetInstallLevel(AppServices().GetInstallLevel(), true);
}

void CDistribution::PushFeatureStatesToSession()
{
    MsiSmartPtr<MsiSession> session = GetSession();
    for (CFeature* feature = m_featureTree.GetRoot(); feature; feature = m_featureTree.GetNext(feature)) {
        try {
            session->SetFeatureState(feature->GetName(), static_cast<INSTALLSTATE>(feature->GetActionState()));
        } catch (const MsiInstallerError&) {
            // The engine refuses this state for the feature: it keeps its previous request.
        }
    }
}

void CDistribution::BuildFeatureTree()
{
    try {
        m_featureTree.Load(*GetSession());
        if (!m_distributionInfo)
            return;
        // The component learns which parts show features on the feature page.
        SysInfoPtr<IZKDistributionProductCollection> products;
        CheckSysInfo(m_distributionInfo->GetProducts(products.Out()));
        long count = 0;
        CheckSysInfo(products->GetCount(&count));
        const bool pageEnabled = AppServices().IsDialogEnabled(kFeaturePageState, true, true);
        for (long i = 1; i <= count; ++i) {
            SysInfoPtr<IZKDistributionProduct> product;
            CheckSysInfo(products->GetItem(i, product.Out()));
            SysInfoText productCode;
            CheckSysInfo(product->GetProductCode(productCode.Out()));
            CPart* part = nullptr;
            try {
                part = &GetPartByProductCode(productCode.ToString());
            } catch (const ObjectNotFound&) {
                continue;
            }
            CheckSysInfo(product->PutFeaturesVisible(pageEnabled && part->HasVisibleFeature() ? 1 : 0));
        }
    } catch (const SysInfoComError& error) {
        ThrowComFailure(error.GetResult(), __LINE__, L"Unexpected error while creating the feature tree. Result=%08x");
    }
}

void CDistribution::ReportProgress(ProgressCallback callback, void* context, int event)
{
    if (callback)
        callback(context, event);
}

void CDistribution::ThrowIfAborted(const wchar_t* operation) const
{
    if (IsAborted())
        throw OperationAborted(kDistributionSource, __LINE__, operation, L"Initialization aborted.");
}

CPart& CDistribution::GetPartByProductCode(const wchar_t* productCode) const
{
    for (CPart* part : m_parts) {
        if (part->GetProductCode() == productCode)
            return *part;
    }
    throw ObjectNotFound(kDistributionSource, __LINE__, typeid(CPart), L"ProductCode", productCode,
        L"%1 object lookup by %2 failed to find object %3");
}

CPart* CDistribution::FindPartByUpgradeCode(const wchar_t* upgradeCode, size_t index) const
{
    for (CPart* part : m_parts) {
        if (part->GetUpgradeCode() == upgradeCode && index-- == 0)
            return part;
    }
    return nullptr;
}

CFeature* CDistribution::FindFeature(const wchar_t* name) const
{
    return &m_featureTree.FindFeature(name);
}

void CDistribution::SetPartProperty(const wchar_t* productCode, const wchar_t* name, const wchar_t* value)
{
    GetPartByProductCode(productCode).AddProperty(name, value);
}

bool CDistribution::IsBaselineProviderUpgradeCode(const wchar_t* upgradeCode) const
{
    if (!m_pConfig)
        return false;
    for (size_t i = 0; i < m_pConfig->GetKolBaselinePartInfoCount(); ++i) {
        if (m_pConfig->GetBaselinePartInfo(i)->GetUpgradeCode() == upgradeCode)
            return true;
    }
    return false;
}

bool CDistribution::IsOdwBuiltDistribution()
{
    if (m_odwBuiltState < 0) {
        const CString value = GetSession()->GetMfcProperty(L"ZKODWBUILTDIST");
        m_odwBuiltState = value.IsEmpty() ? 0 : 1;
    }
    return m_odwBuiltState == 1;
}

void CDistribution::SetProperty(const wchar_t* name, const wchar_t* value)
{
    GetSession()->SetProperty(name, value);
}

void CDistribution::SetTargetPath(const wchar_t* directory, const wchar_t* path)
{
    GetSession()->SetTargetPath(directory, path);
}

MsiSmartPtr<MsiSession> CDistribution::GetSession() const
{
    CConfigInfo::PartInfo* merged = m_pConfig ? m_pConfig->GetMergedPartInfo() : nullptr;
    if (!merged)
        throw PriorOperationRequired(kSource, __LINE__, L"CDistribution::PopulateFromIniInfo",
            L"CDistribution::GetSession", L"%1 must be called before calling %2");
    return merged->GetSession();
}

const CString& CDistribution::GetCurrentRootPath() const
{
    if (m_currentRootPath.IsEmpty())
        throw PriorOperationRequired(kDistributionSource, __LINE__, L"CDistribution::PopulateFromIniFile",
            L"CDistribution::GetCurrentRootPath", L"%1 must be called before calling %2");
    return m_currentRootPath;
}

// The path definitions come with the distribution's path tables.
void CDistribution::Abort()
{
    if (m_hAbortEvent)
        SetEvent(m_hAbortEvent.Get());
}

bool CDistribution::IsAborted() const
{
    return m_hAbortEvent && WaitForSingleObject(m_hAbortEvent.Get(), 0) == WAIT_OBJECT_0;
}

