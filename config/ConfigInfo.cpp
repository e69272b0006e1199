#include "ConfigInfo.h"

#include "DialogInfo.h"
#include "DistributionInfo.h"
#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "KolBaselinePartInfo.h"
#include "LanguageHelpers.h"
#include "LinkedDistributionInfo.h"
#include "LocaleNames.h"
#include "PartInfo.h"
#include "PathHelpers.h"
#include "TextHelpers.h"
#include "WizardServices.h"
#include "resource.h"

#include <cwchar>
#include <memory>
#include <string>

namespace {

const char kSource[] = "ConfigInfo";

// The fixed buffers of the INI location hold MAX_PATH characters with the terminator; a longer
// path is refused instead of being cut.
const wchar_t kPathTooLong[] = L"The path %1 is longer than the 259 characters the installer supports.";

void RefuseLongPath(const CString& path)
{
    if (path.GetLength() >= MAX_PATH)
        throw NoIniFile(kSource, __LINE__, path, kPathTooLong);
}

// The full path of `name` resolved against the current directory (refused when too long).
CString FullPath(const wchar_t* name)
{
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = ::GetFullPathNameW(name, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = ::GetFullPathNameW(name, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    }
    if (length == 0 || length >= buffer.size())
        throw NoIniFile(kSource, __LINE__, name, L"The path %1 cannot be resolved.");
    CString result(buffer.data(), static_cast<int>(length));
    RefuseLongPath(result);
    return result;
}

CString ProgramPath()
{
    std::vector<wchar_t> buffer(32768);
    DWORD length = CConfigInfo::s_pfnGetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length >= buffer.size())
        length = static_cast<DWORD>(buffer.size() - 1);
    CString path(buffer.data(), static_cast<int>(length));
    RefuseLongPath(path);
    return path;
}

// Throws NoIniFile when the user's ANSI code page cannot represent the root folder; refuses a
// root whose converted form does not fit in MAX_PATH bytes.
void CheckRootCodePage(const CString& root)
{
    UINT codePage = OrbelToolbox::GetAnsiCodePage(static_cast<LCID>(LOCALE_USER_DEFAULT));
    if (codePage == 0)
        codePage = CP_ACP;
    int bytes = ::WideCharToMultiByte(codePage, 0, root, -1, nullptr, 0, nullptr, nullptr);
    if (bytes > MAX_PATH)
        throw NoIniFile(kSource, __LINE__, root, kPathTooLong);
    if (!HasUnmappableCharacters(root, codePage))
        return;

    CString languageName = LoadResourceString(GetLocaleLanguageNameStringId(::GetUserDefaultLCID()));
    CString debugText;
    CString format = LoadResourceString(IDS_PATH_CHARACTERS_INVALID);
    if (!format.IsEmpty())
        debugText.FormatMessage(format.GetString(), root.GetString(), languageName.GetString());
    debugText += L" ";
    debugText += LoadResourceString(IDS_INSTALLER_PATH_INVALID);
    throw NoIniFile(kSource, __LINE__, root, debugText);
}

bool HasLogLetters(const CString& letters)
{
    static const wchar_t kModeLetters[] = L"iIwWeEaArRuUcCmMoOpPvV*+!";
    if (letters.IsEmpty() || (letters[0] != L'l' && letters[0] != L'L'))
        return false;
    for (int i = 1; i < letters.GetLength(); ++i) {
        if (!std::wcschr(kModeLetters, letters[i]))
            return false;
    }
    return true;
}

template <typename T> void DeleteRecord(T*& record)
{
    delete record;
    record = nullptr;
}

}  // namespace

DWORD(WINAPI* CConfigInfo::s_pfnGetModuleFileNameW)(HMODULE, LPWSTR, DWORD) = ::GetModuleFileNameW;

CConfigInfo::DialogInfo* CConfigInfo::DialogInfoFactory::CreateDialogInfo(CConfigInfo& config, const wchar_t* pageName)
{
    return new DialogInfo(config, pageName);
}

CConfigInfo::CConfigInfo()
    : m_bLanguageDone(false), m_bMsiInfoDone(false), m_bPartsDone(false), m_pMergedPartInfo(nullptr), m_dialogInfo(),
      m_pDistributionInfo(nullptr), m_pLinkedDistributionInfo(nullptr), m_pInstallEngineInfo(nullptr),
      m_pDebugInfo(nullptr)
{
}

CConfigInfo::~CConfigInfo()
{
    DeleteRecord(m_pDistributionInfo);
    DeleteRecord(m_pLinkedDistributionInfo);
    DeleteRecord(m_pInstallEngineInfo);
    DeleteRecord(m_pMergedPartInfo);
    DeleteRecord(m_pDebugInfo);
    for (PartInfo*& part : m_parts)
        DeleteRecord(part);
    for (KolBaselinePartInfo*& provider : m_baselineParts)
        DeleteRecord(provider);
    for (DialogInfo*& page : m_dialogInfo)
        DeleteRecord(page);
}

void CConfigInfo::SetIniFile(const wchar_t* rootDir, const wchar_t* iniFile)
{
    // 1. The program's folder and file name.
    CString program = ProgramPath();
    int slash = program.ReverseFind(L'\\');
    CString programFolder;
    CString programName;
    if (slash >= 0) {
        programFolder = program.Left(slash + 1);
        programName = program.Mid(slash + 1);
    } else {
        CPath current;
        current.SetToCurrentDirectory();
        programFolder = current;
        programName = program;
    }

    // 2, 3. The default INI name is the program's name with ".ini" for its extension.
    int dot = programName.ReverseFind(L'.');
    CString defaultName = dot >= 0 ? programName.Left(dot) : programName;
    defaultName += L".ini";
    CString root = (rootDir && *rootDir) ? CString(rootDir) : programFolder;
    CString name = (iniFile && *iniFile) ? CString(iniFile) : defaultName;

    // 4. The folder must be representable in the user's ANSI code page.
    CheckRootCodePage(root);

    // 5. The configuration folder, made the current directory on purpose: relative paths of
    // the configuration and the /ini name are read against it.
    CString folder = CPath::IsAbsolute(root) ? root : FullPath(root);
    RefuseLongPath(folder);
    RemoveTrailingBackslash(folder);
    if (folder.GetLength() == 2 && folder[1] == L':')
        folder += L'\\';
    ::SetCurrentDirectoryW(folder);
    AddTrailingBackslash(folder);
    RefuseLongPath(folder);
    m_configFolder = folder.GetString();

    // 6. The INI path.
    ApplyIniFile(name);
}

void CConfigInfo::ApplyIniFile(const wchar_t* iniFile)
{
    // Against the configuration folder itself, never the current directory: when the folder
    // could not be entered, the current directory is the caller's, which may hold another
    // distribution.
    CString path = iniFile;
    if (!CPath::IsAbsolute(path)) {
        CString folder = m_configFolder;
        AddTrailingBackslash(folder);
        path = folder + path;
    }
    m_iniPath = FullPath(path).GetString();
}

void CConfigInfo::BeginStep(const wchar_t* iniFile)
{
    if (iniFile)
        ApplyIniFile(iniFile);
    if (!FileExists(m_iniPath))
        throw NoIniFile(kSource, __LINE__, m_iniPath, L"File %1 not found.");
}

void CConfigInfo::ThrowIfErrors(const IniErrorList& errors, const char* sourceFile, int sourceLine)
{
    if (!errors.IsEmpty())
        throw IniFileErrors(sourceFile, sourceLine, errors);
}

void CConfigInfo::PopulateMsiInfo(const wchar_t* iniFile)
{
    BeginStep(iniFile);
    IniErrorList errors;
    DeleteRecord(m_pInstallEngineInfo);
    m_pInstallEngineInfo = new InstallEngineInfo(*this);
    m_pInstallEngineInfo->Load(errors);
    DeleteRecord(m_pDebugInfo);
    m_pDebugInfo = new DebugInfo(*this);
    m_pDebugInfo->Load(errors);

    ThrowIfErrors(errors, kSource, __LINE__);
    m_bMsiInfoDone = true;
}

void CConfigInfo::PopulateDialogInfo()
{
    IniErrorList errors;
    DeleteRecord(m_pLinkedDistributionInfo);
    m_pLinkedDistributionInfo = new LinkedDistributionInfo(*this);
    m_pLinkedDistributionInfo->Load(errors);

    for (DialogInfo*& page : m_dialogInfo)
        DeleteRecord(page);
    IWizardServices& wizard = WizardServices();
    for (eDialogState state = wizard.GetNextDialogState(kNoDialog); state != kNoDialog;
         state = wizard.GetNextDialogState(state)) {
        std::unique_ptr<DialogInfo> page(wizard.CreateDialogConfig(state, *this));
        if (state < 1 || state > kDialogStateCount)
            throw ValueOutOfRange(kSource, __LINE__, L"state", state, L"%1=%2");
        // Owned by its slot before it loads, so that a load that throws leaves nothing behind.
        DialogInfo*& slot = m_dialogInfo[state - 1];
        DeleteRecord(slot);
        slot = page.release();
        slot->Load(errors);
    }

    ThrowIfErrors(errors, kSource, 2652);
}

CConfigInfo::PartInfo* CConfigInfo::GetPartInfo(size_t index) const
{
    return index < m_parts.size() ? m_parts[index] : nullptr;
}

CConfigInfo::PartInfo* CConfigInfo::FindPartInfo(const wchar_t* name) const
{
    for (PartInfo* part : m_parts) {
        if (part->GetName().Compare(name ? name : L"") == 0)
            return part;
    }
    return nullptr;
}

void CConfigInfo::ReleaseSessions()
{
    if (m_pMergedPartInfo)
        m_pMergedPartInfo->ReleaseSession();
    for (PartInfo* part : m_parts)
        part->ReleaseSession();
    for (KolBaselinePartInfo* provider : m_baselineParts)
        provider->ReleaseSession();
}

CConfigInfo::KolBaselinePartInfo* CConfigInfo::GetBaselinePartInfo(size_t index) const
{
    return index < m_baselineParts.size() ? m_baselineParts[index] : nullptr;
}

bool CConfigInfo::GetDialogInfo(int state, DialogInfo*& info) const
{
    if (state < 1 || state > kDialogStateCount || !m_dialogInfo[state - 1])
        return false;
    info = m_dialogInfo[state - 1];
    return true;
}

bool CConfigInfo::IsDialogShown(int state) const
{
    DialogInfo* info = nullptr;
    return GetDialogInfo(state, info) && info->IsShown();
}

void CConfigInfo::InstallEngineInfo::Load(IniErrorList& errors)
{
    static const wchar_t kSection[] = L"MsiEngine";
    CString value;
    if (!m_config.ReadString(kSection, L"WinNTPath", value)) {
        errors.Add(kIniMissingKey, kSection, L"WinNTPath");
    } else {
        m_installerNT = m_config.ResolveConfigPath(value);
        if (!FileExists(m_installerNT))
            errors.Add(kIniFileNotFound, kSection, L"WinNTPath", value);
    }
    if (!m_config.ReadString(kSection, L"CommandLine", m_strCommandLine))
        errors.Add(kIniMissingKey, kSection, L"CommandLine");
    m_config.ReadString(kSection, L"RequiredVersion", m_strRequiredVersion, L"1.0.0.0");
}

void CConfigInfo::DebugInfo::Load(IniErrorList& errors)
{
    static const wchar_t kSection[] = L"Debug";
    CString value;
    if (!m_config.ReadString(kSection, L"Logging", value))
        return;

    int blank = -1;
    for (int i = 0; i < value.GetLength(); ++i) {
        if (value[i] == L' ' || value[i] == L'\t') {
            blank = i;
            break;
        }
    }
    if (blank < 0) {
        errors.Add(kIniBadValue, kSection, L"Logging", value);
    } else {
        m_strLogMode = value.Left(blank);
        m_strLogMode.TrimRight();
        m_strLogFile = value.Mid(blank + 1);
        m_strLogFile.Trim();
        ExpandEnvironmentReferences(m_strLogFile);
        if (!HasLogLetters(m_strLogMode))
            errors.Add(kIniBadValue, kSection, L"Logging", value);
    }

    int costLog = 0;
    m_config.ReadInt(kSection, L"CostLog", costLog, 0);
    m_bCostLog = costLog != 0;
}
