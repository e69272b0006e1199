#include "ServiceStandIns.h"

#include <msi.h>

#include <algorithm>
#include <stdexcept>
#include <typeinfo>

#include "InstallerErrors.h"
#include "PathHelpers.h"

namespace testsupport {

VelmoLogGuard StandInApplicationServices::GetLogStream(DWORD level, DWORD width)
{
    return VelmoLogGuard(m_log, level, width);
}

CConfigInfo& StandInApplicationServices::GetConfigInfo()
{
    if (!configInfo)
        throw std::logic_error("the test set no configuration");
    return *configInfo;
}

CString StandInApplicationServices::GetTitle()
{
    return CString(L"Setup");
}

int StandInApplicationServices::GetUiMode() const
{
    return m_uiMode;
}

LANGID StandInApplicationServices::GetRequestedLanguage() const
{
    return m_requestedLanguage;
}

void StandInApplicationServices::SetUiLanguage(LANGID langId)
{
    m_uiLanguages.push_back(langId);
}

void StandInApplicationServices::CreateDialogFont(LANGID langId)
{
    m_dialogFonts.push_back(langId);
}

void StandInApplicationServices::MakeTempCopy(const wchar_t* sourcePath, CString& copyPath)
{
    wchar_t copy[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(m_folder.Path().c_str(), L"cpy", 0, copy) || !CopyFileW(sourcePath, copy, FALSE))
        throw std::runtime_error("the stand-in cannot copy the file");
    m_sources.push_back(sourcePath);
    m_copies.push_back(copy);
    copyPath = copy;
}

bool StandInApplicationServices::CopyIfOnCdRom(const wchar_t* path, CString& pathToUse)
{
    if (m_removable) {
        MakeTempCopy(path, pathToUse);
        return true;
    }
    CString unchanged(path);  // `path` may be pathToUse's own text
    pathToUse = unchanged;
    return false;
}

void StandInApplicationServices::GetFeatureRequest(const wchar_t* feature, int& state, bool& disallowAbsent)
{
    auto found = m_featureRequests.find(feature);
    state = found != m_featureRequests.end() ? found->second : -1;
    disallowAbsent = std::find(m_disallowAbsent.begin(), m_disallowAbsent.end(), feature) != m_disallowAbsent.end();
    if (disallowAbsent)
        state = INSTALLSTATE_LOCAL;
}

CLinkedDistribution& StandInApplicationServices::FindLinkedDistribution(const wchar_t* name)
{
    auto found = m_linked.find(CString(name ? name : L""));
    if (found == m_linked.end())
        throw ObjectNotFound(__FILE__, __LINE__, typeid(CLinkedDistribution), L".ini key", name ? name : L"",
            L"No %2 matching '%3'");
    return found->second;
}

bool StandInApplicationServices::GetVolumePath(int volume, CString& path) const
{
    auto found = m_volumePaths.find(volume);
    if (found == m_volumePaths.end())
        return false;
    path = found->second.c_str();
    return true;
}

const CString& StandInDistributionServices::GetCurrentRootPath() const
{
    if (m_root.IsEmpty())
        throw PriorOperationRequired(
            __FILE__, __LINE__, L"CDistribution::PopulateFromIniFile", L"CDistribution::GetCurrentRootPath");
    return m_root;
}

StandInWizardServices::StandInWizardServices()
{
    using Factory = std::shared_ptr<CConfigInfo::IDialogConfigFactory>;
    const Factory plain(new CConfigInfo::DialogInfoFactory);
    const Factory license(new CConfigInfo::LicenseDialogInfoFactory);
    pages = {
        {kWelcomeDialog, {L"Welcome", Factory(new CConfigInfo::WelcomeDialogInfoFactory)}},
        {kUserInfoDialog, {L"UserInfo", Factory(new CConfigInfo::UserInfoDialogInfoFactory)}},
        {kFeatureInfo1Dialog, {L"FeatureInfo1", plain}},
        {kSingleDirectoryDialog, {L"SingleDirectory", Factory(new CConfigInfo::SingleDirectoryDialogInfoFactory)}},
        {kInstallationTypeDialog, {L"InstallationType", Factory(new CConfigInfo::InstallTypeDialogInfoFactory)}},
        {kFeatureTreeDialog, {L"FeatureTree", plain}},
        {kFeatureInfoDialog, {L"FeatureInfo", plain}},
        {kLicenseDialog, {L"License", license}},
        {kLicense2Dialog, {L"License2", license}},
        {kConfirmStartDialog, {L"ConfirmStart", plain}},
        {kProgressDialog, {L"Progress", plain}},
        {kEndExecuteDialog, {L"EndExecute", plain}},
        {kEndDialog, {L"End", Factory(new CConfigInfo::EndDialogInfoFactory)}},
    };
}

eDialogState StandInWizardServices::GetNextDialogState(eDialogState state)
{
    auto next = pages.upper_bound(state);
    return next == pages.end() ? kNoDialog : next->first;
}

CConfigInfo::DialogInfo* StandInWizardServices::CreateDialogConfig(eDialogState state, CConfigInfo& config)
{
    const Page& page = pages.at(state);
    return page.factory->CreateDialogInfo(config, page.name.c_str());
}

ScopedWizardServices::ScopedWizardServices(IWizardServices* services) : m_previous(InstallWizardServices(services)) { }

ScopedWizardServices::~ScopedWizardServices()
{
    InstallWizardServices(m_previous);
}

ScopedApplicationServices::ScopedApplicationServices(IApplicationServices* services)
    : m_previous(InstallApplicationServices(services))
{
}

ScopedApplicationServices::~ScopedApplicationServices()
{
    InstallApplicationServices(m_previous);
}

ScopedDistributionServices::ScopedDistributionServices(IDistributionServices* services)
    : m_previous(InstallDistributionServices(services))
{
}

ScopedDistributionServices::~ScopedDistributionServices()
{
    InstallDistributionServices(m_previous);
}

}  // namespace testsupport

namespace {

CString WithoutTrailingBackslash(CString path)
{
    return RemoveTrailingBackslash(path);
}

class StandInMediaPrompt : public IMediaPrompt {
public:
    StandInMediaPrompt(const std::vector<std::wstring>& folders, const CString& path) : m_folders(folders), m_path(path)
    {
    }
    bool IsMediaPresent() override
    {
        for (const std::wstring& folder : m_folders)
            if (WithoutTrailingBackslash(folder.c_str()).CompareNoCase(WithoutTrailingBackslash(m_path)) == 0)
                return true;
        return false;
    }
    const CString& GetPath() const override { return m_path; }
    void SetPath(const CString& path) override { m_path = path; }

private:
    std::vector<std::wstring> m_folders;
    CString m_path;
};

}  // namespace

IMediaPrompt* testsupport::StandInWizardServices::CreateSpannedPrompt(
    const CConfigInfo::DistributionInfo&, int volume, const CString& path)
{
    promptedVolumes.push_back(volume);
    return new StandInMediaPrompt(mediaFolders, path);
}

IMediaPrompt* testsupport::StandInWizardServices::CreateLinkedPrompt(
    const CLinkedDistribution& linked, const CString& rootPath)
{
    linkedPrompts.push_back(std::wstring(linked.m_strTitle.GetString()) + L" " + rootPath.GetString());
    const CString folder = linked.m_strVolumeFolder.IsEmpty()
        ? rootPath
        : MakeAbsolutePath(rootPath, linked.m_strVolumeFolder);
    return new StandInMediaPrompt(mediaFolders, folder);
}

void testsupport::StandInWizardServices::ShowFatalErrorDialog(
    HWND owner, const wchar_t* message, const wchar_t* details)
{
    errorDialogs.push_back(message);
    errorDetails.push_back(details);
    errorOwners.push_back(owner);
}
