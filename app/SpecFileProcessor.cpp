#include "SpecFileProcessor.h"

#include <climits>
#include <cwchar>
#include <new>
#include <vector>

#include "ConfigInfo.h"
#include "Distribution.h"
#include "Feature.h"
#include "InstallerErrors.h"
#include "SingleDirectoryDialogInfo.h"
#include "VelmoInstaller.h"
#include "WelcomeDialogInfo.h"

namespace {

const char kSource[] = "SpecFileProcessor";

// Requested feature states.
const int kStateNone = -1;
const int kStateUnknown = -2;
const int kStateAbsent = 2;
const int kStateLocal = 3;

struct FeatureKeyword {
    const wchar_t* keyword;
    int state;
};
const FeatureKeyword kFeatureKeywords[] = {
    {L"Absent", 2},
    {L"Local", 3},
    {L"Source", 4},
    {L"Advertised", 1},
    {L"Default", -1},
    {L"NoChange", -7},
};

struct DialogName {
    const wchar_t* name;
    eDialogState state;
};
const DialogName kDialogNames[] = {
    {L"UserInfo", kUserInfoDialog},
    {L"FeatureInfo1", kFeatureInfo1Dialog},
    {L"SingleDirectory", kSingleDirectoryDialog},
    {L"InstallationType", kInstallationTypeDialog},
    {L"FeatureTree", kFeatureTreeDialog},
    {L"FeatureInfo", kFeatureInfoDialog},
    {L"License", kLicenseDialog},
    {L"License2", kLicense2Dialog},
    {L"ConfirmStart", kConfirmStartDialog},
    {L"End", kEndDialog},
};

const wchar_t kRootDirectoryPrefix[] = L"<RootDirectory";
const size_t kRootDirectoryPrefixLength = 14;

// The first section buffer (characters); doubled until the section fits.
const DWORD kSectionChunk = 64;

}  // namespace

CSpecFileProcessor::CSpecFileProcessor() : m_pApp(nullptr) { }

CSpecFileProcessor::~CSpecFileProcessor() { }

int CSpecFileProcessor::ParseFeatureState(const wchar_t* keyword)
{
    for (const FeatureKeyword& entry : kFeatureKeywords) {
        if (_wcsicmp(keyword, entry.keyword) == 0)
            return entry.state;
    }
    return kStateUnknown;
}

int CSpecFileProcessor::ParseDialogName(const wchar_t* name)
{
    for (const DialogName& entry : kDialogNames) {
        if (wcscmp(name, entry.name) == 0)
            return entry.state;
    }
    return 0;
}

bool CSpecFileProcessor::ReadSection(const wchar_t* section, SectionMap& out)
{
    std::vector<wchar_t> buffer(kSectionChunk);
    DWORD passed = 0;
    DWORD length = 0;
    for (;;) {
        passed = static_cast<DWORD>(buffer.size() - 1);
        length = GetPrivateProfileSectionW(section, buffer.data(), passed, m_strPath);
        if (length != passed - 2)
            break;
        buffer.resize(buffer.size() * 2);  // doubled, so that long sections read in linear time
    }
    bool any = false;
    for (const wchar_t* line = buffer.data(); line < buffer.data() + length && *line; line += wcslen(line) + 1) {
        any = true;
        if (*line == L';')
            continue;
        const wchar_t* equals = wcschr(line, L'=');
        CString key = equals ? CString(line, static_cast<int>(equals - line)) : CString(line);
        CString value = equals ? CString(equals + 1) : CString();
        if (!out.emplace(key, value).second)
            m_errors.Add(kIniDuplicateKey, section, key);
    }
    return any;
}

void CSpecFileProcessor::SetSpecFile(const wchar_t* fullPath)
{
    if (!fullPath || !*fullPath)
        return;
    m_strPath = fullPath;
    ReadFeatures();
    ReadDisableDialogs();
    ReadFeatureDisallowAbsent();
    ReadSettings();
}

void CSpecFileProcessor::ReadFeatures()
{
    SectionMap entries;
    ReadSection(L"Features", entries);
    for (const auto& entry : entries) {
        const int state = ParseFeatureState(entry.second);
        if (state == kStateUnknown)
            m_errors.Add(kIniBadValue, L"Features", entry.first, entry.second);
        else
            m_featureStates[entry.first] = state;
    }
}

void CSpecFileProcessor::ReadDisableDialogs()
{
    SectionMap entries;
    ReadSection(L"DisableDialogs", entries);
    for (const auto& entry : entries) {
        const int state = ParseDialogName(entry.first);
        if (state == 0)
            m_errors.Add(kIniBadValue, L"DisableDialogs", entry.first);
        else
            m_disabledDialogs.push_back(state);
    }
}

void CSpecFileProcessor::ReadFeatureDisallowAbsent()
{
    SectionMap entries;
    ReadSection(L"FeatureDisallowAbsent", entries);
    for (const auto& entry : entries)
        m_disallowAbsent.push_back(entry.first);
}

void CSpecFileProcessor::ReadSettings()
{
    SectionMap entries;
    ReadSection(L"Settings", entries);
    for (const auto& entry : entries) {
        if (_wcsicmp(entry.first, L"WelcomeAutoAdvance") != 0) {
            m_errors.Add(kIniBadKey, L"Settings", entry.first);
            continue;
        }
        const bool autoAdvance = wcstol(entry.second, nullptr, 10) > 0;
        CConfigInfo::DialogInfo* record = nullptr;
        if (theApp.m_pConfigInfo->GetDialogInfo(kWelcomeDialog, record)) {
            if (auto* welcome = dynamic_cast<CConfigInfo::WelcomeDialogInfo*>(record))
                welcome->SetAutoAdvance(autoAdvance);
        }
    }
}

void CSpecFileProcessor::Apply(CVelmoInstallerApp* app)
{
    if (m_strPath.IsEmpty() || !app)
        return;
    m_pApp = app;
    CheckFeatures();
    ApplyDirectories();
    ApplyUserInfo();
    if (!m_errors.IsEmpty())
        throw SpecFileErrors(kSource, 213, m_errors);
}

void CSpecFileProcessor::CheckFeatures()
{
    CDistribution& distribution = *m_pApp->m_pDistribution;
    for (const auto& entry : m_featureStates) {
        try {
            distribution.FindFeature(entry.first);
        } catch (const ObjectNotFound&) {
            m_errors.Add(kIniBadKey, L"Features", entry.first);
        }
    }
    for (const CString& name : m_disallowAbsent) {
        try {
            distribution.FindFeature(name);
        } catch (const ObjectNotFound&) {
            m_errors.Add(kIniBadKey, L"FeatureDisallowAbsent", name);
            continue;
        }
        // A feature that may not be absent cannot be requested absent.
        auto requested = m_featureStates.find(name);
        if (requested != m_featureStates.end() && requested->second == kStateAbsent)
            m_errors.Add(kIniBadKey, L"Features", name);
    }
}

void CSpecFileProcessor::ApplyDirectories()
{
    SectionMap entries;
    ReadSection(L"Directories", entries);
    CDistribution& distribution = *m_pApp->m_pDistribution;
    for (const auto& entry : entries) {
        const CString& key = entry.first;
        try {
            if (wcsncmp(key, kRootDirectoryPrefix, kRootDirectoryPrefixLength) != 0) {
                CFeature* feature = distribution.FindFeature(key);
                if (feature->GetDirectory().IsEmpty())
                    m_errors.Add(kIniBadKey, L"Directories", key);
                else
                    feature->SetDirectoryValue(entry.second);
                continue;
            }
            const wchar_t* digits = key.GetString() + kRootDirectoryPrefixLength;
            wchar_t* end = nullptr;
            const long number = wcstol(digits, &end, 10);
            if (wcscmp(end, L">") != 0) {
                m_errors.Add(kIniBadKey, L"Directories", key);
                continue;
            }
            const long row = end == digits ? 0 : number - 1;
            CString property;
            CString label;
            CConfigInfo::DialogInfo* record = nullptr;
            if (row >= 0 && row <= INT_MAX && m_pApp->m_pConfigInfo->GetDialogInfo(kSingleDirectoryDialog, record)) {
                if (auto* directories = dynamic_cast<CConfigInfo::SingleDirectoryDialogInfo*>(record))
                    directories->GetDirectory(static_cast<int>(row), property, label);
            }
            if (property.IsEmpty())
                m_errors.Add(kIniBadKey, L"Directories", key);
            else
                distribution.SetTargetPath(property, entry.second);
        } catch (const ObjectNotFound&) {
            m_errors.Add(kIniBadKey, L"Directories", key);
        }
    }
}

void CSpecFileProcessor::ApplyUserInfo()
{
    SectionMap entries;
    ReadSection(L"UserInfo", entries);
    for (const auto& entry : entries) {
        if (_wcsicmp(entry.first, L"Name") == 0)
            m_strUserName = entry.second;
        else if (_wcsicmp(entry.first, L"Company") == 0)
            m_strCompany = entry.second;
        else
            m_errors.Add(kIniBadKey, L"UserInfo", entry.first);
    }
}

bool CSpecFileProcessor::IsDialogDisabled(int state) const
{
    for (int disabled : m_disabledDialogs) {
        if (disabled == state)
            return true;
    }
    return false;
}

void CSpecFileProcessor::GetFeatureRequest(const wchar_t* feature, int& state, bool& disallowAbsent) const
{
    auto found = m_featureStates.find(feature);
    state = found != m_featureStates.end() ? found->second : kStateNone;
    disallowAbsent = false;
    for (const CString& name : m_disallowAbsent) {
        if (wcscmp(name, feature) == 0) {
            disallowAbsent = true;
            state = kStateLocal;
            break;
        }
    }
}
