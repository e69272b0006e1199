// Services of the application object: log settings, title, install level, page enabling, the
// user-interface language and the pages' dialog font.
#include "VelmoInstaller.h"

#include <locale.h>

#include <typeinfo>
#include <vector>

#include "CPath.h"
#include "Distribution.h"
#include "DistributionInfo.h"
#include "IniReader.h"
#include "LinkedDistributionInfo.h"
#include "PathHelpers.h"
#include "RichTextModifiers.h"
#include "InstallerErrors.h"
#include "LocaleNames.h"
#include "WindowHelpers.h"
#include "resource.h"

static const char kSource[] = "VelmoInstaller";

CString CVelmoInstallerApp::GetLogFile()
{
    if (!m_cmdLine.m_strLogFile.IsEmpty())
        return m_cmdLine.m_strLogFile;
    CConfigInfo::DebugInfo* debug = m_pConfigInfo ? m_pConfigInfo->GetDebugInfo() : nullptr;
    return debug ? debug->GetLogFile() : CString();
}

CString CVelmoInstallerApp::GetLogModes()
{
    if (!m_cmdLine.m_strLogModes.IsEmpty())
        return m_cmdLine.m_strLogModes;
    CConfigInfo::DebugInfo* debug = m_pConfigInfo ? m_pConfigInfo->GetDebugInfo() : nullptr;
    return debug ? debug->GetLogMode() : CString();
}

DWORD CVelmoInstallerApp::GetLogModeFlags()
{
    const CString modes = GetLogModes();
    // The first character is the switch letter "l".
    if (modes.GetLength() < 2)
        return 0x1FDF;
    DWORD flags = 0;
    for (int i = 1; i < modes.GetLength(); ++i) {
        switch (modes[i]) {
        case L'm':
        case L'M':
            flags |= 0x1;
            break;
        case L'e':
        case L'E':
            flags |= 0x2;
            break;
        case L'w':
        case L'W':
            flags |= 0x4;
            break;
        case L'u':
        case L'U':
            flags |= 0x8;
            break;
        case L'i':
        case L'I':
            flags |= 0x10;
            break;
        case L'o':
        case L'O':
            flags |= 0x80;
            break;
        case L'a':
        case L'A':
            flags |= 0x100;
            break;
        case L'r':
        case L'R':
            flags |= 0x200;
            break;
        case L'p':
        case L'P':
            flags |= 0x400;
            break;
        case L'c':
        case L'C':
            flags |= 0x800;
            break;
        case L'v':
        case L'V':
            flags |= 0x1000;
            break;
        case L'*':
            flags |= 0xFDF;
            break;
        default:
            break;  // "+" and "!" are file options
        }
    }
    return flags;
}

DWORD CVelmoInstallerApp::GetLogFileOptions()
{
    const CString modes = GetLogModes();
    DWORD options = 0;
    if (modes.Find(L'+') >= 0)
        options |= 1;
    if (modes.Find(L'!') >= 0)
        options |= 2;
    return options;
}

namespace {

CString FullPathOf(const wchar_t* path)
{
    wchar_t full[MAX_PATH + 1] = {};
    DWORD length = GetFullPathNameW(path, MAX_PATH + 1, full, nullptr);
    return length > 0 && length <= MAX_PATH ? CString(full) : CString(path);
}

}  // namespace

bool CVelmoInstallerApp::IsDistributionFile(const wchar_t* path)
{
    if (!m_pConfigInfo)
        return false;
    const CString target = FullPathOf(path);
    if (target.CompareNoCase(m_pConfigInfo->GetIniPath()) == 0)
        return true;
    // The merged package and the part packages, as the configuration names them; relative
    // ones lie below the distribution's folder.
    CString folder = m_pConfigInfo->GetConfigFolder();
    AddTrailingBackslash(folder);
    IniSectionMap parts;
    try {
        m_pConfigInfo->ReadSection(L"Parts", parts);
    } catch (const NoIniFile&) {
        return false;
    }
    std::vector<CString> sections(1, CString(L"Merged"));
    for (const auto& part : parts)
        sections.push_back(part.first);
    for (const CString& section : sections) {
        CString package;
        if (!m_pConfigInfo->ReadString(section, L"Path", package))
            continue;
        if (!CPath::IsAbsolute(package)) {
            RemoveLeadingBackslash(package);
            package = folder + package;
        }
        if (target.CompareNoCase(FullPathOf(package)) == 0)
            return true;
    }
    return false;
}

void CVelmoInstallerApp::OpenLog()
{
    const CString file = GetLogFile();
    if (file.IsEmpty())
        return;
    // A log named like the distribution's own files would replace them.
    if (IsDistributionFile(file))
        throw LogFileError(
            kSource, __LINE__, file, ERROR_FILE_EXISTS, L"The log file would replace a file of the distribution.");
    m_log.Open(file, (GetLogFileOptions() & 1) != 0);
}

bool CVelmoInstallerApp::IsCostLogEnabled()
{
    if (m_cmdLine.m_bCostLog)
        return true;
    CConfigInfo::DebugInfo* debug = m_pConfigInfo ? m_pConfigInfo->GetDebugInfo() : nullptr;
    return debug && debug->IsCostLog();
}

int CVelmoInstallerApp::GetUiMode() const
{
    return m_cmdLine.m_nUiMode;
}

LANGID CVelmoInstallerApp::GetRequestedLanguage() const
{
    return m_cmdLine.m_langId;
}

CString CVelmoInstallerApp::GetTitle()
{
    CConfigInfo::DistributionInfo* distribution = m_pConfigInfo ? m_pConfigInfo->GetDistributionInfo() : nullptr;
    if (distribution && !distribution->GetTitle().IsEmpty())
        return distribution->GetTitle();
    return GetAppName();
}

int CVelmoInstallerApp::GetInstallLevel()
{
    if (m_cmdLine.m_nInstallLevel != 0)
        return m_cmdLine.m_nInstallLevel;
    CConfigInfo::DistributionInfo* distribution = m_pConfigInfo ? m_pConfigInfo->GetDistributionInfo() : nullptr;
    return distribution ? distribution->GetDefaultInstallLevel() : 10;
}

int CVelmoInstallerApp::GetDistributionInstallLevel()
{
    return m_pDistribution->GetInstallLevel();
}

CLinkedDistribution& CVelmoInstallerApp::FindLinkedDistribution(const wchar_t* name)
{
    CConfigInfo::LinkedDistributionInfo* linked = m_pConfigInfo ? m_pConfigInfo->GetLinkedDistributionInfo() : nullptr;
    if (!linked)
        throw ObjectNotFound(kSource, __LINE__, typeid(CLinkedDistribution), L".ini key", name ? name : L"",
            L"No %2 matching '%3'");
    return linked->FindLinkedDistribution(name);
}

bool CVelmoInstallerApp::IsDialogEnabled(eDialogState state, bool anyMode, bool ignoreSpecFile)
{
    if (!ignoreSpecFile && m_specFile.IsDialogDisabled(state))
        return false;
    // The mode test is made even for a page that is not shown: an unregistered state raises
    // the registry's ValueOutOfRange.
    const bool shown = m_pConfigInfo->IsDialogShown(state);
    const unsigned int modes = anyMode ? kEveryUiMode : static_cast<unsigned int>(m_cmdLine.m_nUiMode);
    const bool allowed = CNestedInstallerDialog::IsDialogInMode(state, modes);
    return shown && allowed;
}

eDialogState CVelmoInstallerApp::GetFirstEnabledDialog()
{
    const unsigned int mode = static_cast<unsigned int>(m_cmdLine.m_nUiMode);
    eDialogState state = kNoDialog;
    for (;;) {
        // After the last registered page the registry gives 0, whose mode test raises
        // ValueOutOfRange: a run with no page to show stops there.
        state = CNestedInstallerDialog::GetNextDialogState(state);
        if (state != kNoDialog && m_specFile.IsDialogDisabled(state))
            continue;
        const bool shown = m_pConfigInfo->IsDialogShown(state);
        const bool allowed = CNestedInstallerDialog::IsDialogInMode(state, mode);
        if (shown && allowed)
            return state;
        if (state == kNoDialog)  // a registry that does not raise for state 0: no page either
            throw ValueOutOfRange("VelmoInstaller", __LINE__, L"id", 0, L"%1=%2");
    }
}

void CVelmoInstallerApp::SetUiLanguage(LANGID langId)
{
    m_lcid = MAKELCID(langId, SORT_DEFAULT);
    SetThreadLocale(m_lcid);
    _wsetlocale(LC_ALL, GetCrtLocaleName(m_lcid));
    m_uiLangId = langId;
}

void CVelmoInstallerApp::CreateDialogFont(LANGID langId)
{
    // The configuration has chosen the distribution's language: the rich text of the pages
    // (its default font and the code page of its RTF) speaks it too.
    SetRichTextLanguage(langId);

    CString faceName = L"MS Sans Serif";
    WORD points = 8;
    if (HGLOBAL resource = LoadDialogResourceById(IDD_FONT_TEMPLATE)) {
        CString templateFace;
        WORD templatePoints = 0;
        if (ReadDialogTemplateFont(LockResource(resource), templateFace, templatePoints)) {
            faceName = templateFace;
            points = templatePoints;
        }
    }

    LOGFONTW font = {};
    wcsncpy(font.lfFaceName, faceName, LF_FACESIZE - 1);
    font.lfHeight = -MulDiv(points, GetWindowDeviceCaps(nullptr, LOGPIXELSY), 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = static_cast<BYTE>(LocaleCharset(MAKELCID(langId, SORT_DEFAULT)));
    HFONT created = CreateFontIndirectW(&font);
    m_hDialogFont = created ? created : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}
