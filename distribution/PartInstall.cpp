// Installing, changing or removing a part: Windows Installer's user interface set around the
// call, and the one MsiInstallProductW call of the part's own package with the feature lists
// from the features' action states, the part's directories and its properties.
#include "Part.h"

#include "ApplicationServices.h"
#include "CPath.h"
#include "ConfigInfo.h"
#include "Distribution.h"
#include "DistributionInfo.h"
#include "Feature.h"
#include "MsiApi.h"
#include "PartInfo.h"
#include "PathHelpers.h"
#include "TextHelpers.h"
#include "VelmoLogStream.h"

namespace {

// The feature lists of the command line, in command-line order.
enum FeatureList { kAddLocal, kAddSource, kAdvertise, kRemove, kReinstall, kFeatureListCount };
const wchar_t* const kFeatureListNames[kFeatureListCount]
    = {L"ADDLOCAL", L"ADDSOURCE", L"ADVERTISE", L"REMOVE", L"REINSTALL"};

// The list an action state puts a feature in, or -1 for a state that is not passed.
int ChooseFeatureList(const CFeature& feature, bool reinstall)
{
    switch (feature.GetActionState()) {
    case INSTALLSTATE_ADVERTISED:
        return kAdvertise;
    case INSTALLSTATE_ABSENT:
        return kRemove;
    case INSTALLSTATE_SOURCE:
        return kAddSource;
    case INSTALLSTATE_LOCAL:
        return reinstall && feature.GetCurrentState() >= INSTALLSTATE_LOCAL ? kReinstall : kAddLocal;
    default:
        return -1;
    }
}

// Windows Installer's user-interface level and owner window, and its external handler when one
// is given, for the lifetime of the object; the previous settings come back at the end, also
// when the installation throws.
class InstallerUiScope {
public:
    InstallerUiScope(INSTALLUILEVEL level, HWND owner) : m_previousOwner(owner)
    {
        m_previousLevel = MsiApi().MsiSetInternalUI(level, &m_previousOwner);
    }
    InstallerUiScope(INSTALLUILEVEL level, HWND owner, INSTALLUI_HANDLERW handler, DWORD filter, void* context)
        : InstallerUiScope(level, owner)
    {
        m_previousHandler = MsiApi().MsiSetExternalUIW(handler, filter, context);
        m_handlerSet = true;
    }
    ~InstallerUiScope()
    {
        if (m_handlerSet)
            MsiApi().MsiSetExternalUIW(m_previousHandler, 0, nullptr);
        MsiApi().MsiSetInternalUI(m_previousLevel, &m_previousOwner);
    }
    InstallerUiScope(const InstallerUiScope&) = delete;
    InstallerUiScope& operator=(const InstallerUiScope&) = delete;

private:
    INSTALLUILEVEL m_previousLevel;
    HWND m_previousOwner;
    INSTALLUI_HANDLERW m_previousHandler = nullptr;
    bool m_handlerSet = false;
};

}  // namespace

CString FormatPackageProperties(const std::map<CString, CString>& properties)
{
    CString text;
    for (const auto& entry : properties) {
        CString value = entry.second;
        value.Replace(L"\"", L"\"\"");
        text += entry.first;
        text += L"=\"";
        text += value;
        text += L"\" ";
    }
    return text;
}

UINT CPart::InstallWithExternalUI(
    CDistribution& distribution, INSTALLUI_HANDLERW handler, DWORD messageFilter, void* context)
{
    InstallerUiScope ui(INSTALLUILEVEL_NONE, nullptr, handler, messageFilter, context);
    return m_thirdParty ? Install3rdParty(distribution) : InstallPackage(distribution);
}

UINT CPart::InstallWithBasicUI(CDistribution& distribution, HWND owner)
{
    InstallerUiScope ui(INSTALLUILEVEL_BASIC, owner);
    return m_thirdParty ? Install3rdParty(distribution) : InstallPackage(distribution);
}

UINT CPart::InstallSilently(CDistribution& distribution)
{
    InstallerUiScope ui(INSTALLUILEVEL_NONE, nullptr);
    return m_thirdParty ? Install3rdParty(distribution) : InstallPackage(distribution);
}

void CPart::AddStandardProperties(std::map<CString, CString>& properties)
{
    const CConfigInfo& config = *m_distribution->GetConfig();
    const CConfigInfo::DistributionInfo& settings = *config.GetDistributionInfo();
    CString language;
    language.Format(L"%u", static_cast<unsigned int>(settings.GetUiLanguage()));
    CString root = config.GetConfigFolder();
    AddTrailingBackslash(root);

    properties.emplace(L"REBOOT", L"Suppress");
    properties.emplace(L"ZKORBELLAUNCHED", L"1");
    properties.emplace(L"PROMPTROLLBACKCOST", L"D");
    properties.emplace(L"REINSTALLMODE", L"vemus");
    properties.emplace(L"ZKORBELDISTTITLE", settings.GetTitle());
    properties.emplace(L"ZKORBELLANGID", language);
    properties.emplace(L"ZKORBELDISTROOT", root);
    const CString& odwBuilt = m_distribution->GetOdwBuiltDistValue();
    if (!odwBuilt.IsEmpty())
        properties.emplace(L"ZKODWBUILTDIST", odwBuilt);
}

UINT CPart::InstallPackage(CDistribution& distribution)
{
    const CConfigInfo::DistributionInfo& settings = *distribution.GetConfig()->GetDistributionInfo();

    // The features of this part, by their action states.
    const bool reinstallAsked = AppServices().IsReinstallRequested()
        || (m_upgradeTable && m_upgradeTable->GetUpgradeMode() == UpgradeTable::kMinorUpgrade);
    CString lists[kFeatureListCount];
    CFeatureTree& tree = distribution.GetFeatureTree();
    for (CFeature* feature = tree.GetRoot(); feature; feature = tree.GetNext(feature)) {
        if (feature->GetPart() != this)
            continue;
        const int list = ChooseFeatureList(*feature, reinstallAsked);
        if (list < 0)
            continue;
        lists[list] += lists[list].IsEmpty() ? CString(kFeatureListNames[list]) + L"=\"" : CString(L",");
        lists[list] += feature->GetPartFeatureName();
    }
    for (CString& list : lists) {
        if (!list.IsEmpty())
            list += L"\"";
    }

    CString directories;
    for (const auto& entry : m_directories)
        directories += entry.first + L"=\"" + entry.second + L"\" ";

    AddStandardProperties(m_properties);
    CString transform;
    const bool hasTransform = m_partInfo->GetLangXfm(settings.GetUiLanguage(), transform);
    // A configured TRANSFORMS property gets the language transform after its own.
    std::map<CString, CString> given = m_properties;
    const auto transforms = given.find(L"TRANSFORMS");
    const bool transformsGiven = transforms != given.end();
    if (transformsGiven && hasTransform) {
        CString& value = transforms->second;
        if (!value.IsEmpty())
            value += L";";
        value += transform;
    }
    CString properties = FormatPackageProperties(given);
    if (!transformsGiven && hasTransform) {
        RemoveLeadingBackslash(transform);
        if (!CPath::IsAbsolute(transform)) {
            CString root = distribution.GetCurrentRootPath();
            AddTrailingBackslash(root);
            transform = root + transform;
        }
        properties += L"TRANSFORMS=\"" + transform + L"\" ";
    }

    AppServices().GetLogStream(kLogInfo, 0) << L"--- Installing Part " << m_productName << L" ---" << std::endl
                                            << GetCurrentTimeText() << std::endl;
    {
        VelmoLogGuard log = AppServices().GetLogStream(kLogInfo | kLogDetail, kPackageCommandLogWrap);
        for (int list = 0; list < kFeatureListCount; ++list)
            log << kFeatureListNames[list] << L": " << lists[list] << std::endl;
        log << L"Directories: " << directories << std::endl << L"Properties: " << properties << std::endl;
    }

    CString commandLine;
    for (const CString& list : lists)
        commandLine += list + L" ";
    commandLine += directories + properties;

    UpdateVolumeCache(settings.GetTitle());
    const CString package = GetSourcePackagePath();
    const bool installing = IsInstallingOrReinstalling();
    UINT result = MsiApi().MsiInstallProductW(package, commandLine);

    AppServices().GetLogStream(kLogInfo, 0) << L"Part returned " << result << std::endl;
    if (installing && CDistribution::IsSuccessResult(result) && !IsProductInstalled()) {
        // The package is not the product the configuration names (another part's package, a
        // package with another ProductCode): the part failed, whatever the engine said.
        AppServices().GetLogStream(kLogError, 0)
            << L"Windows Installer does not report the product " << m_productName << L" " << m_productCode
            << L" as installed after its part's run: the part failed." << std::endl;
        result = ERROR_INSTALL_FAILURE;
    }
    AppServices().GetLogStream(kLogInfo, 0) << L"--- Finished Running Part " << m_productName << L" ---" << std::endl
                                            << GetCurrentTimeText() << std::endl;
    return result;
}

bool CPart::IsProductInstalled() const
{
    return MsiApi().MsiQueryProductStateW(m_productCode) == INSTALLSTATE_DEFAULT;
}
