#include "PartInfo.h"

#include <memory>
#include <ostream>

#include "BenchTimeline.h"
#include "DistributionInfo.h"
#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "KolBaselinePartInfo.h"
#include "MsiApi.h"
#include "MsiFailure.h"
#include "MsiHandle.h"
#include "MsiRecord.h"
#include "MsiView.h"
#include "PathHelpers.h"
#include "SystemErrorClasses.h"
#include "ApplicationServices.h"
#include "DistributionServices.h"

namespace {

const char kSource[] = "ConfigInfo";

// Summary-information properties: the Template (platform and languages) and the Schema (the
// minimum installer version, the page count of a package).
const UINT kPidTemplate = 7;
const UINT kPidSchema = 14;

// True when `key` begins with `prefix`, compared without regard to case.
bool HasPrefixNoCase(const CString& key, const wchar_t* prefix)
{
    int length = static_cast<int>(wcslen(prefix));
    return key.GetLength() >= length && key.Left(length).CompareNoCase(prefix) == 0;
}

// The number formed by the leading decimal digits of the text (no blanks, no sign); 0 without
// any. LangDb1031 gives 1031, LangDbX gives 0.
LANGID LeadingDigits(const wchar_t* text)
{
    unsigned long number = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text)
        number = number * 10 + static_cast<unsigned long>(*text - L'0');
    return static_cast<LANGID>(number);
}

void LogInfo(const CString& text)
{
    AppServices().GetLogStream(kLogInfo, 0) << text << std::endl;
}

}  // namespace

CConfigInfo::PartInfo::PartInfo(CConfigInfo& config, const wchar_t* name)
    : InfoBase(config), m_strName(name), m_nVolume(1)
{
}

CConfigInfo::PartInfo::~PartInfo()
{
    m_database.Reset();
    m_session.Reset();
}

void CConfigInfo::PartInfo::Load(IniErrorList& errors)
{
    const wchar_t* section = m_strName;
    IniSectionMap entries;
    if (m_config.ReadSection(section, entries) == 0) {
        errors.Add(kIniMissingSection, section);
    } else {
        // The exact key only; a "volume" key is skipped below without being read.
        IniSectionMap::const_iterator volume = entries.find(CString(L"Volume"));
        if (volume != entries.end() && !volume->second.IsEmpty()) {
            m_nVolume = ParseLeadingNumber(volume->second);
            if (m_nVolume == 0)
                errors.Add(kIniBadValue, section, L"Volume", volume->second);
        }

        for (const auto& entry : entries) {
            const CString& key = entry.first;
            const CString& value = entry.second;
            if (key.CompareNoCase(L"Path") == 0) {
                m_strPath = value;
                if (m_nVolume == 1) {
                    CPath full(m_config.GetConfigFolder());
                    full.Append(value);
                    if (!FileExists(full))
                        errors.Add(kIniFileNotFound, section, L"Path", value);
                }
            } else if (key.CompareNoCase(L"Volume") == 0) {
                continue;
            } else if (key.CompareNoCase(L"ProductCode") == 0) {
                if (!value.IsEmpty())
                    m_strProductCode = value;
            } else if (HasPrefixNoCase(key, L"ProductCode")) {
                m_langProductCodes.insert(LanguageMap::value_type(LeadingDigits(key.GetString() + 11), value));
            } else if (HasPrefixNoCase(key, L"LangDb")) {
                ReadLanguageFile(m_langPackages, key, value, LeadingDigits(key.GetString() + 6), errors);
            } else if (HasPrefixNoCase(key, L"LangXfm")) {
                ReadLanguageFile(m_langTransforms, key, value, LeadingDigits(key.GetString() + 7), errors);
            } else if (key.CompareNoCase(L"Properties") == 0) {
                m_config.ReadSection(value, m_properties);
            }
        }
    }
    if (m_strPath.IsEmpty())
        errors.Add(kIniMissingKey, section, L"Path");
    else
        CheckPackageProductCode(errors);
}

void CConfigInfo::PartInfo::CheckPackageProductCode(IniErrorList& errors) const
{
    // Packages on other volumes are not at hand while the configuration is read; a language
    // transform may change the ProductCode. Those parts are checked after their run (the install
    // run asks Windows Installer for the product).
    const CString configured = GetProductCode();
    CString transform;
    LANGID language = 0;
    if (configured.IsEmpty() || m_nVolume != 1 || (GetUiLanguage(language) && GetLangXfm(language, transform)))
        return;
    CPath package(m_config.GetConfigFolder());
    package.Append(GetLangDbPath());
    if (!FileExists(package))
        return;
    CString packageCode;
    try {
        packageCode = MsiDatabase::Open(package, MSIDBOPEN_READONLY)->GetMfcProperty(L"ProductCode");
    } catch (const MsiInstallerError&) {
        // A package that cannot be read is reported when it is opened.
        return;
    }
    if (packageCode.CompareNoCase(configured) == 0)
        return;
    CString key = L"ProductCode";
    if (GetUiLanguage(language) && m_langProductCodes.count(language))
        key.AppendFormat(L"%u", static_cast<unsigned int>(language));
    errors.Add(kIniBadValue, m_strName, key,
        configured + L" (the package " + CString(static_cast<const wchar_t*>(package)) + L" is the product "
            + packageCode + L")");
}

void CConfigInfo::PartInfo::ReadLanguageFile(
    LanguageMap& map, const CString& key, const CString& value, LANGID language, IniErrorList& errors)
{
    map.insert(LanguageMap::value_type(language, value));
    if (m_nVolume != 1)
        return;
    CPath full(m_config.GetConfigFolder());
    full.Append(value);
    if (!FileExists(full))
        errors.Add(kIniFileNotFound, m_strName, key, full);
}

bool CConfigInfo::PartInfo::GetUiLanguage(LANGID& language) const
{
    DistributionInfo* distribution = m_config.GetDistributionInfo();
    if (!distribution)
        return false;
    language = distribution->GetUiLanguage();
    return true;
}

CString CConfigInfo::PartInfo::GetLangDbPath() const
{
    LANGID language = 0;
    if (GetUiLanguage(language)) {
        LanguageMap::const_iterator found = m_langPackages.find(language);
        if (found != m_langPackages.end())
            return found->second;
    }
    return m_strPath;
}

CString CConfigInfo::PartInfo::GetProductCode() const
{
    LANGID language = 0;
    if (GetUiLanguage(language)) {
        LanguageMap::const_iterator found = m_langProductCodes.find(language);
        if (found != m_langProductCodes.end())
            return found->second;
    }
    return m_strProductCode;
}

bool CConfigInfo::PartInfo::GetLangXfm(LANGID language, CString& transform) const
{
    LanguageMap::const_iterator exact = m_langTransforms.find(language);
    if (exact != m_langTransforms.end()) {
        transform = exact->second;
        return true;
    }
    // Within the family a primary-only entry sorts first and ends the search; without one the
    // last (highest) entry of the family stays.
    bool found = false;
    for (const auto& entry : m_langTransforms) {
        if (PRIMARYLANGID(entry.first) != PRIMARYLANGID(language))
            continue;
        transform = entry.second;
        found = true;
        if (SUBLANGID(entry.first) == 0)
            break;
    }
    return found;
}

void CConfigInfo::PartInfo::GetPackagePath(CString& path) const
{
    if (!m_strTempCopy.IsEmpty()) {
        path = m_strTempCopy;
        return;
    }
    CString package = GetLangDbPath();
    if (!CPath::IsAbsolute(package)) {
        RemoveLeadingBackslash(package);
        CString root = DistributionServices().GetCurrentRootPath();
        AddTrailingBackslash(root);
        package = root + package;
    }
    path = package;
}

void CConfigInfo::PartInfo::ApplyLanguageTransform(MsiDatabase& database) const
{
    LANGID language = 0;
    if (!GetUiLanguage(language))
        return;
    LanguageMap::const_iterator found = m_langTransforms.find(language);
    if (found == m_langTransforms.end())
        return;
    CString transform = found->second;
    RemoveLeadingBackslash(transform);
    if (!CPath::IsAbsolute(transform)) {
        CString folder = m_config.GetConfigFolder();
        AddTrailingBackslash(folder);
        transform = folder + transform;
    }
    database.ApplyTransform(transform, kTransformErrorConditions);
}

MsiSmartPtr<MsiDatabase> CConfigInfo::PartInfo::GetDatabase()
{
    if (!m_database) {
        CString package;
        try {
            if (m_session) {
                m_database = m_session->GetActiveDatabase();
            } else {
                GetPackagePath(package);
                m_database = MsiDatabase::Open(package, MSIDBOPEN_READONLY);
                ApplyLanguageTransform(*m_database);
            }
        } catch (const MsiInstallerError& error) {
            if (package.IsEmpty())
                package = PackagePathForReport();
            throw InstallSessionOpenError(
                kSource, __LINE__, error, package, L"Failed to open database handle for %2.\r\n%1");
        }
    }
    return m_database;
}

MsiSmartPtr<MsiSession> CConfigInfo::PartInfo::GetSession()
{
    if (!m_session) {
        CString package;
        GetPackagePath(package);
        try {
            m_session = MsiSession::OpenPackage(package);
            MsiSmartPtr<MsiDatabase> database = m_session->GetActiveDatabase();
            MsiHeapString description;
            package = MsiText::Get(database->Describe(description));
            ApplyLanguageTransform(*database);

            // The session took its properties from the package as it was: give it the
            // transformed values, on this record's own session.
            MsiSmartPtr<MsiView> view = database->OpenView(L"SELECT `Property`, `Value` FROM `Property`");
            view->Execute();
            MsiHeapString name;
            MsiHeapString value;
            while (MsiSmartPtr<MsiRecord> row = view->Fetch()) {
                row->GetString(name, 1);
                row->GetString(value, 2);
                m_session->SetProperty(MsiText::Get(name), MsiText::Get(value));
            }
            BenchMark(L"session");
        } catch (const MsiInstallerError& error) {
            throw InstallSessionOpenError(
                kSource, __LINE__, error, package, L"Failed to open install session for %2.\r\n%1");
        }
    }
    return m_session;
}

void CConfigInfo::PartInfo::ReleaseSession()
{
    // The database first: Windows Installer deletes its copy of the package when the session
    // closes, which it cannot while a database handle still holds the file open.
    m_database.Reset();
    m_session.Reset();
}

void CConfigInfo::PartInfo::MakeTempPackageCopy()
{
    CString package;
    GetPackagePath(package);
    CString copy;
    AppServices().MakeTempCopy(package, copy);
    m_strTempCopy = copy;
}

CString CConfigInfo::PartInfo::PackagePathForReport() const
{
    try {
        CString path;
        GetPackagePath(path);
        return path;
    } catch (...) {
        return GetLangDbPath();
    }
}

bool CConfigInfo::PartInfo::RewriteSummaryForX64()
{
    CString path;
    try {
        GetPackagePath(path);
    } catch (...) {
        LogInfo(L"Error : Cannot open database handle to " + PackagePathForReport());
        return false;
    }

    // 1. Writable file.
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES
        || !SetFileAttributesW(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) {
        LogInfo(L"Error : Cannot remove read-only attribute from " + path);
        return false;
    }

    // 2. The summary information, through a transacted database: a change made through the
    // path alone may be reported as saved and still be lost.
    UniqueMsiHandle database;
    UniqueMsiHandle info;
    if (MsiApi().MsiOpenDatabaseW(path, MSIDBOPEN_TRANSACT, database.AddressOf()) != ERROR_SUCCESS
        || MsiApi().MsiGetSummaryInformationW(database.Get(), nullptr, 2, info.AddressOf()) != ERROR_SUCCESS) {
        LogInfo(L"Error : Cannot open database handle to " + path);
        return false;
    }

    // 3. The Template (platform and languages).
    UINT type = 0;
    INT number = 0;
    FILETIME time = {};
    wchar_t empty[1] = {L'\0'};
    DWORD count = 0;
    UINT result = MsiApi().MsiSummaryInfoGetPropertyW(info.Get(), kPidTemplate, &type, &number, &time, empty, &count);
    CString templateText;
    if (result == ERROR_MORE_DATA || result == ERROR_SUCCESS) {
        DWORD size = count + 1;
        result = MsiApi().MsiSummaryInfoGetPropertyW(
            info.Get(), kPidTemplate, &type, &number, &time, templateText.GetBuffer(static_cast<int>(size)), &size);
        templateText.ReleaseBuffer(result == ERROR_SUCCESS ? -1 : 0);
    }
    if (result != ERROR_SUCCESS) {
        info.Reset();
        LogInfo(L"Error : Cannot read summary info stream \"Platform\" value of " + path);
        return false;
    }

    // 4. x64 in place of Intel, or in front.
    CString newTemplate = templateText;
    if (newTemplate.Find(L"Intel") >= 0)
        newTemplate.Replace(L"Intel", L"x64");
    else if (!newTemplate.IsEmpty() && newTemplate.GetAt(0) == L';')
        newTemplate = L"x64" + newTemplate;
    else
        newTemplate = L"x64;" + newTemplate;

    // 5.
    if (MsiApi().MsiSummaryInfoSetPropertyW(info.Get(), kPidTemplate, VT_LPSTR, 0, nullptr, newTemplate)
        != ERROR_SUCCESS) {
        info.Reset();
        LogInfo(L"Error : Cannot set summary info stream \"Platform\" value of " + path + L"\" to " + newTemplate);
        return false;
    }
    LogInfo(L"Resetted summary info stream of \"Platform\" value of " + path + L"\" to " + newTemplate);

    // 6, 7. The Schema (minimum installer version) at least 200.
    INT schema = 0;
    if (MsiApi().MsiSummaryInfoGetPropertyW(info.Get(), kPidSchema, &type, &schema, &time, nullptr, nullptr)
        != ERROR_SUCCESS) {
        info.Reset();
        LogInfo(L"Error : Cannot read summary info stream \"Schema\" value of " + path);
        return false;
    }
    if (schema < 200) {
        if (MsiApi().MsiSummaryInfoSetPropertyW(info.Get(), kPidSchema, VT_I4, 200, nullptr, nullptr)
            != ERROR_SUCCESS) {
            info.Reset();
            LogInfo(L"Error : Cannot reset summary info stream \"Schema\" value of \"" + path + L"\" to 200");
            return false;
        }
        LogInfo(L"Resetted summary info stream of \"Schema\" value of " + path + L"\" to 200");
    }

    // 8. Persist, and commit the database that carries the change.
    if (MsiApi().MsiSummaryInfoPersist(info.Get()) != ERROR_SUCCESS) {
        info.Reset();
        LogInfo(L"Error : Cannot save summary info stream changes to " + path);
        return false;
    }
    info.Reset();
    if (MsiApi().MsiDatabaseCommit(database.Get()) != ERROR_SUCCESS) {
        LogInfo(L"Error : Cannot save summary info stream changes to " + path);
        return false;
    }
    return true;
}

// The third configuration step, on the loader thread: the merged part, [Parts] and the baseline
// providers.
void CConfigInfo::Populate(const wchar_t* iniFile)
{
    if (!m_bMsiInfoDone)
        throw PriorOperationRequired(kSource, __LINE__, L"CConfigInfo::PopulateMsiInfo", L"CConfigInfo::Populate",
            L"%1 must be called before calling %2");
    if (!m_bLanguageDone)
        throw PriorOperationRequired(kSource, __LINE__, L"CConfigInfo::LoadLanguageResource", L"CConfigInfo::Populate",
            L"%1 must be called before calling %2");
    BeginStep(iniFile);

    IniErrorList errors;
    delete m_pMergedPartInfo;
    m_pMergedPartInfo = nullptr;
    m_pMergedPartInfo = new PartInfo(*this, L"Merged");
    m_pMergedPartInfo->Load(errors);
    ReadParts(errors);
    ReadBaselineProviders(errors);

    ThrowIfErrors(errors, kSource, __LINE__);
    m_bPartsDone = true;
}

int CConfigInfo::ReadParts(IniErrorList& errors)
{
    static const wchar_t kSection[] = L"Parts";
    IniSectionMap entries;
    if (ReadSection(kSection, entries) == 0)
        errors.Add(kIniMissingSection, kSection);
    int count = 0;
    for (const auto& entry : entries) {
        if (entry.first.CompareNoCase(L"Merged") == 0) {
            errors.Add(kIniBadKey, kSection, entry.first, L"Merged");
            continue;
        }
        std::unique_ptr<PartInfo> part(new PartInfo(*this, entry.first));
        m_parts.push_back(part.get());
        PartInfo* loaded = part.release();
        ++count;
        loaded->Load(errors);
    }
    return count;
}

int CConfigInfo::ReadBaselineProviders(IniErrorList& errors)
{
    ReadString(L"UpgradeCodes", L"KOLCORE", m_strKolCoreUpgradeCode);
    IniSectionMap entries;
    ReadSection(L"KolBaseProviders", entries);
    int count = 0;
    for (const auto& entry : entries) {
        std::unique_ptr<KolBaselinePartInfo> provider(new KolBaselinePartInfo(*this, entry.first));
        m_baselineParts.push_back(provider.get());
        KolBaselinePartInfo* loaded = provider.release();
        ++count;
        loaded->Load(errors);
    }
    return count;
}
