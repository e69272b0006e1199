// The distribution settings, the choice of the user-interface language and the language
// resource modules: see DistributionInfo.h.
#include "DistributionInfo.h"

#include "CPath.h"
#include "CString.h"
#include "FileVersion.h"
#include "IniErrorList.h"
#include "IniReader.h"
#include "LanguageHelpers.h"
#include "PathHelpers.h"
#include "ApplicationServices.h"
#include "resource.h"

// Errors thrown here name this module and the line.
static const char kSource[] = "ConfigInfo";

namespace {

const wchar_t kLocalization[] = L"Localization";
const wchar_t kSettings[] = L"Settings";
const wchar_t kDistribution[] = L"Distribution";
const wchar_t kDiskLabels[] = L"Disk Labels";
const wchar_t kVolumeLabels[] = L"Volume Labels";
const wchar_t kInstallLevels[] = L"InstallLevels";
const wchar_t kUtilities[] = L"Utilities";
const wchar_t kOs[] = L"OS";

const wchar_t kCustomRes[] = L"CustomRes";
const wchar_t kStandardRes[] = L"StandardRes";

const LANGID kPrimaryMask = 0x03FF;  // the low 10 bits; the top 6 are the sublanguage
const LANGID kEnglish = 9;
const LANGID kEnglishUs = 1033;

// The program's own strings.

bool StartsWithNoCase(const CString& text, const wchar_t* prefix, const wchar_t*& rest)
{
    const size_t length = wcslen(prefix);
    if (static_cast<size_t>(text.GetLength()) < length || _wcsnicmp(text, prefix, length) != 0) {
        return false;
    }
    rest = text.GetString() + length;
    return true;
}

// "%s%04d": CustomRes1031, CustomRes0009.
CString ModuleKeyName(const wchar_t* prefix, LANGID language)
{
    CString key;
    key.Format(L"%s%04d", prefix, static_cast<int>(language));
    return key;
}

// A path of the configuration is absolute when its second character is ':' or '\'.
bool IsConfiguredPathAbsolute(const CString& path)
{
    return path.GetLength() >= 2 && (path[1] == L':' || path[1] == L'\\');
}

}  // namespace

CConfigInfo::DistributionInfo::DistributionInfo(CConfigInfo& config)
    : InfoBase(config), m_version(0), m_nDefaultInstallLevel(0), m_nRebootMode(RebootNormal), m_bBeta(false),
      m_bHas64BitPart(false), m_bLanguageForced(false), m_uiLanguage(0), m_wantedLanguage(0)
{
}

CConfigInfo::DistributionInfo::~DistributionInfo() { }

LANGID CConfigInfo::DistributionInfo::ChooseUiLanguage(const std::vector<LANGID>& languages, LANGID wanted, bool* exact)
{
    const UINT wantedCodePage = OrbelToolbox::GetAnsiCodePage(wanted);
    LANGID chosen = 0;
    int level = 0;
    for (size_t i = 0; i < languages.size() && level < 4; ++i) {
        const LANGID language = languages[i];
        if (language == wanted) {
            chosen = language;
            level = 4;
        } else if (level < 3 && (language & kPrimaryMask) == (wanted & kPrimaryMask)
            && OrbelToolbox::GetAnsiCodePage(language) == wantedCodePage) {
            if ((language & ~kPrimaryMask) == 0) {
                chosen = language;
                level = 3;
            } else if (level < 2) {
                chosen = language;
                level = 2;
            }
        } else if (level == 0) {
            chosen = language;
            level = 1;
        }
    }
    if (exact != nullptr) {
        *exact = level == 4;
    }
    return chosen;
}

HMODULE CConfigInfo::DistributionInfo::LoadResourceModule(const wchar_t* path)
{
    return CLanguageModules::LoadResourceModule(path);
}

void CConfigInfo::DistributionInfo::Load(IniErrorList& errors)
{
    ReadLocalization(errors);
    ChooseLanguage(errors);
    LoadCustomModule(errors);
    LoadStandardModule(errors);
    AppServices().CreateDialogFont(m_uiLanguage);
    ReadSettings(errors);
    ReadDistribution(errors);
    ReadDiskLabels(errors);
    ReadVolumeLabels(errors);
    GetConfig().ReadInt(kInstallLevels, L"Default", m_nDefaultInstallLevel, 10, nullptr);
    ReadUtilities(errors);
    ReadOs();
}

void CConfigInfo::DistributionInfo::ReadLocalization(IniErrorList& errors)
{
    m_standardResources.Insert(kEnglishUs, CString());
    IniSectionMap section;
    GetConfig().ReadSection(kLocalization, section);
    for (const auto& entry : section) {
        const CString& key = entry.first;
        const CString& value = entry.second;
        const wchar_t* rest = nullptr;
        if (key.CompareNoCase(L"Languages") == 0) {
            IniStringList pieces;
            GetConfig().SplitString(value, L',', pieces);
            for (const CString& piece : pieces) {
                m_languages.push_back(static_cast<LANGID>(ParseLeadingNumber(piece)));
            }
        } else if (key.CompareNoCase(L"ForceLanguage") == 0) {
            m_bLanguageForced = true;
            m_wantedLanguage = static_cast<LANGID>(ParseLeadingNumber(value));
        } else if (StartsWithNoCase(key, kStandardRes, rest)) {
            m_standardResources.Insert(static_cast<LANGID>(ParseLeadingNumber(rest)), value);
        } else if (StartsWithNoCase(key, kCustomRes, rest)) {
            m_customResources.Insert(static_cast<LANGID>(ParseLeadingNumber(rest)), value);
        }
    }
    if (m_languages.empty()) {
        errors.Add(kIniMissingKey, kLocalization, L"Languages");
    }
}

void CConfigInfo::DistributionInfo::ChooseLanguage(IniErrorList& errors)
{
    if (m_wantedLanguage == 0) {
        if (AppServices().GetRequestedLanguage() != 0) {
            m_wantedLanguage = AppServices().GetRequestedLanguage();
            m_bLanguageForced = true;
        } else {
            m_wantedLanguage = OrbelToolbox::GetUserDefaultLanguage();
        }
    }
    bool exact = false;
    m_uiLanguage = ChooseUiLanguage(m_languages, m_wantedLanguage, &exact);
    if (m_bLanguageForced && !exact) {
        errors.Add(kIniBadValue, kLocalization, L"ForceLanguage");
    }
    // The application's locale follows the user's own language as Windows reports it.
    AppServices().SetUiLanguage(OrbelToolbox::g_getUserDefaultLangId());
}

void CConfigInfo::DistributionInfo::LoadCustomModule(IniErrorList& errors)
{
    for (LANGID language : m_languages) {
        if (m_customResources.GetEntries().count(language) == 0) {
            errors.Add(kIniMissingKey, kLocalization, ModuleKeyName(kCustomRes, language));
        }
    }
    // Without any CustomRes key there is nothing to load: the missing keys are reported.
    if (m_customResources.IsEmpty()) {
        return;
    }
    const LANGID preferred = m_languages.empty() ? 0 : m_languages.front();
    const CString& value = LangIdMap<CString>::Lookup(m_uiLanguage, m_customResources, preferred);
    m_strCustomResPath = ResolveModulePath(value);
    m_modules.LoadCustomModule(m_strCustomResPath);
}

void CConfigInfo::DistributionInfo::LoadStandardModule(IniErrorList& errors)
{
    for (LANGID language : m_languages) {
        if ((language & kPrimaryMask) != kEnglish && m_standardResources.GetEntries().count(language) == 0) {
            errors.Add(kIniMissingKey, kLocalization, ModuleKeyName(kStandardRes, language));
        }
    }
    const LANGID preferred = m_languages.empty() ? 0 : m_languages.front();
    const CString& value = LangIdMap<CString>::Lookup(m_uiLanguage, m_standardResources, preferred);
    if (value.IsEmpty()) {
        return;  // the program's own resources serve
    }
    m_strStandardResPath = ResolveModulePath(value);
    m_modules.LoadStandardModule(m_strStandardResPath);
}

CString CConfigInfo::DistributionInfo::ResolveModulePath(const CString& value) const
{
    CString path;
    if (IsConfiguredPathAbsolute(value)) {
        path = value;
    } else {
        path = GetConfig().GetConfigFolder();
        path += value.GetString()[0] == L'\\' ? value.Mid(1) : value;
    }
    CString pathToUse;
    AppServices().CopyIfOnCdRom(path, pathToUse);
    return pathToUse;
}

CString CConfigInfo::DistributionInfo::ResolveText(const CString& value) const
{
    UINT id = 0;
    HMODULE custom = GetCustomResourceModule();
    // Without a custom module (its keys are missing and reported) the text stays as written.
    if (custom == nullptr || !IsStringIdText(value, id)) {
        return value;
    }
    CString text;
    GetConfig().LoadStringResource(custom, id, text);
    return text;
}

void CConfigInfo::DistributionInfo::ReadSettings(IniErrorList& errors)
{
    CString reboot;
    GetConfig().ReadString(kSettings, L"Reboot", reboot, L"Normal", nullptr);
    if (reboot.CompareNoCase(L"Normal") == 0) {
        m_nRebootMode = RebootNormal;
    } else if (reboot.CompareNoCase(L"Suppress") == 0) {
        m_nRebootMode = RebootSuppress;
    } else if (reboot.CompareNoCase(L"Force") == 0) {
        m_nRebootMode = RebootForce;
    } else {
        errors.Add(kIniBadKey, kSettings, L"Reboot", reboot);
    }
    int beta = 0;
    GetConfig().ReadInt(kSettings, L"IsBeta", beta, 0, nullptr);
    m_bBeta = beta != 0;
}

void CConfigInfo::DistributionInfo::ReadDistribution(IniErrorList& errors)
{
    CConfigInfo& config = GetConfig();
    if (!config.ReadString(kDistribution, L"Title", m_strTitle, L"", GetCustomResourceModule())) {
        errors.Add(kIniMissingKey, kDistribution, L"Title");
    }
    if (!config.ReadString(kDistribution, L"GUID", m_strGuid, L"", nullptr)) {
        errors.Add(kIniMissingKey, kDistribution, L"GUID");
    }
    config.ReadString(kDistribution, L"PackageGUID", m_strPackageGuid, L"", nullptr);
    CString version;
    if (!config.ReadString(kDistribution, L"Version", version, L"", nullptr)) {
        errors.Add(kIniMissingKey, kDistribution, L"Version");
    }
    m_version = ParseVersionString(version);
    config.ReadString(kDistribution, L"IDPath", m_strIdPath, L"zkdist.id", nullptr);
    int has64 = 0;
    config.ReadInt(kDistribution, L"Has64bitPart", has64, 0, nullptr);
    m_bHas64BitPart = has64 != 0;
}

void CConfigInfo::DistributionInfo::ReadDiskLabels(IniErrorList& errors)
{
    // The program's texts: the standard module's copy when one is loaded.
    if (!m_strDiskPrompt.LoadString(IDS_DISK_PROMPT)) {
        m_strDiskPrompt.Empty();
    }
    if (!m_strDefaultDiskLabel.LoadString(IDS_DEFAULT_DISK_LABEL)) {
        m_strDefaultDiskLabel.Empty();
    }
    IniSectionMap section;
    GetConfig().ReadSection(kDiskLabels, section);
    for (const auto& entry : section) {
        const CString& key = entry.first;
        UINT number = 0;
        if (key.CompareNoCase(L"Prompt") == 0) {
            m_strDiskPrompt = ResolveText(entry.second);
        } else if (key.CompareNoCase(L"Default") == 0) {
            m_strDefaultDiskLabel = ResolveText(entry.second);
        } else if (IsStringIdText(key, number)) {
            if (m_diskLabels.count(static_cast<int>(number)) == 0) {
                m_diskLabels[static_cast<int>(number)] = ResolveText(entry.second);
            }
        } else {
            errors.Add(kIniBadKey, kDiskLabels, key);
        }
    }
}

void CConfigInfo::DistributionInfo::ReadVolumeLabels(IniErrorList& errors)
{
    IniSectionMap section;
    GetConfig().ReadSection(kVolumeLabels, section);
    for (const auto& entry : section) {
        UINT number = 0;
        if (IsStringIdText(entry.first, number)) {
            if (m_volumeLabels.count(static_cast<int>(number)) == 0) {
                m_volumeLabels[static_cast<int>(number)] = ResolveText(entry.second);
            }
        } else {
            errors.Add(kIniBadKey, kVolumeLabels, entry.first);
        }
    }
}

void CConfigInfo::DistributionInfo::ReadUtilities(IniErrorList& errors)
{
    CConfigInfo& config = GetConfig();
    CString value;
    if (!config.ReadString(kUtilities, L"UpgradeManagerPostProcessor", value, L"", nullptr)) {
        errors.Add(kIniMissingKey, kUtilities, L"UpgradeManagerPostProcessor");
    } else {
        CPath full(config.GetConfigFolder());
        full.Append(value);
        if (!FileExists(full)) {
            errors.Add(kIniFileNotFound, kUtilities, L"UpgradeManagerPostProcessor", value);
        } else {
            AppServices().CopyIfOnCdRom(full, m_strPostProcessor);
        }
    }
    if (!config.ReadString(kUtilities, L"ZKSysInfo", value, L"", nullptr)) {
        errors.Add(kIniMissingKey, kUtilities, L"ZKSysInfo");
    } else {
        CPath full(config.GetConfigFolder());
        full.Append(value);
        if (!FileExists(full)) {
            errors.Add(kIniFileNotFound, kUtilities, L"ZKSysInfo", full);
        } else {
            m_strSysInfo = full;
        }
    }
}

void CConfigInfo::DistributionInfo::ReadOs()
{
    CConfigInfo& config = GetConfig();
    IniSectionMap section;
    if (config.ReadSection(kOs, section) > 0) {
        config.ReadString(kOs, L"Version9XMin", m_strOs9xMin, L"", nullptr);
        config.ReadString(kOs, L"Version9XMax", m_strOs9xMax, L"", nullptr);
        config.ReadString(kOs, L"VersionNTMin", m_strOsNtMin, L"", nullptr);
        config.ReadString(kOs, L"VersionNTMax", m_strOsNtMax, L"", nullptr);
    } else {
        m_strOs9xMin = L"0,0,0";
        m_strOs9xMax.Empty();
        m_strOsNtMin = L"0,0,0,0,0";
        m_strOsNtMax.Empty();
    }
}

void CConfigInfo::DistributionInfo::GetOSVersionBounds(bool isNtFamily, CString& minimum, CString& maximum) const
{
    minimum = isNtFamily ? m_strOsNtMin : m_strOs9xMin;
    maximum = isNtFamily ? m_strOsNtMax : m_strOs9xMax;
}

void CConfigInfo::DistributionInfo::GetOSErrorMessage(CString& text) const
{
    int id = 0;
    GetConfig().ReadInt(kOs, L"OSErrorMessage", id, 0, nullptr);
    if (id != 0) {
        GetConfig().LoadStringResource(GetCustomResourceModule(), static_cast<UINT>(id), text);
    } else if (!text.LoadString(IDS_OS_REQUIREMENTS)) {
        text.Empty();
    }
}

void CConfigInfo::DistributionInfo::FormatDiskPrompt(CString& text, int disk) const
{
    CString number;
    number.Format(L"%d", disk);
    auto found = m_diskLabels.find(disk);
    CString label = found != m_diskLabels.end() ? found->second : m_strDefaultDiskLabel;
    label.Replace(L"[Title]", m_strTitle);
    label.Replace(L"[DiskNumber]", number);
    text = m_strDiskPrompt;
    text.Replace(L"[Title]", m_strTitle);
    text.Replace(L"[DiskNumber]", number);
    text.Replace(L"[DiskLabel]", label);
}

bool CConfigInfo::DistributionInfo::GetVolumeLabel(int volume, CString& label) const
{
    auto found = m_volumeLabels.find(volume);
    if (found == m_volumeLabels.end()) {
        return false;
    }
    label = found->second;
    return true;
}

void CConfigInfo::DistributionInfo::GetDistributionRoot(CString& root, const wchar_t* folder) const
{
    const CString base = folder != nullptr ? CString(folder) : CString(GetConfig().GetConfigFolder());
    root = MakeAbsolutePath(base, m_strIdPath);
    const int slash = root.ReverseFind(L'\\');
    if (slash > 0) {
        root = root.Left(slash + 1);
    }
}

// --- The configuration's language step ---------------------------------------------------

void CConfigInfo::LoadLanguageResource(const wchar_t* iniFile)
{
    BeginStep(iniFile);
    IniErrorList errors;
    delete m_pDistributionInfo;
    m_pDistributionInfo = nullptr;
    m_pDistributionInfo = new DistributionInfo(*this);
    m_pDistributionInfo->Load(errors);
    // The step counts as done even when it reports bad entries.
    m_bLanguageDone = true;
    ThrowIfErrors(errors, kSource, __LINE__);
}

void CConfigInfo::FreeResourceModules()
{
    if (m_pDistributionInfo != nullptr) {
        m_pDistributionInfo->FreeResourceModules();
    }
}
