// The command line of setup: see VelmoCmdLine.h.
#include "VelmoCmdLine.h"

#include <cwchar>
#include <cwctype>
#include <new>

namespace {

bool Equals(const wchar_t* a, const wchar_t* b)
{
    return _wcsicmp(a, b) == 0;
}

bool StartsWith(const wchar_t* text, const wchar_t* start)
{
    return _wcsnicmp(text, start, wcslen(start)) == 0;
}

// Decimal number: optional blanks and sign, digits up to the first other character; 0 when
// there are none. Out-of-range values saturate.
long ReadDecimal(const wchar_t* text)
{
    return wcstol(text, nullptr, 10);
}

struct LanguageName {
    const wchar_t* shortName;
    const wchar_t* longName;
    LANGID langId;
};

const LanguageName kLanguageNames[] = {
    {L"jpn", L"Japanese", 17},
    {L"kor", L"Korean", 18},
    {L"cht", L"ChineseTraditional", 1028},
    {L"chs", L"ChineseSimplified", 2052},
    {L"fra", L"French", 12},
    {L"deu", L"German", 7},
    {L"nld", L"Dutch", 19},
    {L"eng", L"English", 9},
};

// Windows Installer's logging-mode letters, allowed after the "l" of a log switch.
const wchar_t kLogModeLetters[] = L"iIwWeEaArRuUcCmMoOpPvV*+!";

}  // namespace

CVelmoCmdLine::CVelmoCmdLine()
    : m_bReinstall(false), m_nUiMode(UiFull), m_bShowHelp(false), m_bParseError(false), m_bLog(false),
      m_bTreeStart(false), m_bCostLog(false), m_nRebootMode(0), m_bNoLinking(false), m_langId(0), m_nInstallLevel(0),
      m_hMasterWnd(nullptr), m_bDeleteExe(false), m_bDebugLayout(false), m_bCacheCustomExecutes(false),
      m_bCacheFeatureInfo(false), m_nPendingArg(PendingSpecFile), m_nPendingVolume(0), m_nAcceptLicenses(-1),
      m_bSiv(false)
{
}

CVelmoCmdLine::~CVelmoCmdLine() { }

void CVelmoCmdLine::ParseParam(const wchar_t* param, BOOL bFlag, BOOL bLast)
{
    if (param == nullptr)
        param = L"";
    // Nothing escapes: an argument whose handling fails (out of memory, a bad index while a
    // property list is split) is a parse error, and the remaining arguments are still handled.
    try {
        if (bFlag) {
            ParseSwitch(param);
        } else {
            ParseValue(param);
        }
    } catch (...) {
        m_bParseError = true;
    }
    if (bLast)
        RunEndChecks();
}

void CVelmoCmdLine::ParseSwitch(const wchar_t* t)
{
    const size_t length = wcslen(t);

    if (Equals(t, L"reinstall")) {
        m_bReinstall = true;
    } else if (t[0] == L'q') {
        if (t[1] == L'n' || t[1] == L'\0') {
            m_nUiMode = UiQuiet;
        } else if (t[1] == L's') {
            m_nUiMode = (t[2] == L'-') ? UiBasicNoCancel : UiBasic;
        } else {
            m_bParseError = true;
        }
    } else if (t[0] == L'r' && (t[1] == L':' || t[1] == L'\0')) {
        if (t[1] == L'\0' || t[2] == L'n') {
            m_nRebootMode = 1;
        } else if (t[2] == L'f') {
            m_nRebootMode = 2;
        } else {
            m_bParseError = true;
        }
    } else if ((t[0] == L'k' || t[0] == L'K') && (t[1] == L':' || t[1] == L'\0')) {
        if (t[1] == L'\0' || t[2] == L'n' || t[2] == L'N')
            m_bNoLinking = true;
    } else if (length >= 5 && StartsWith(t, L"cache") && (t[5] == L':' || t[5] == L'\0')) {
        m_nPendingArg = PendingCacheFile;
        if (t[5] == L'\0' || Equals(t + 6, L"fx")) {
            m_bCacheFeatureInfo = true;
            m_bCacheCustomExecutes = true;
        } else if (t[6] == L'f' || t[6] == L'F') {
            m_bCacheFeatureInfo = true;
        } else if (t[6] == L'x' || t[6] == L'X') {
            m_bCacheCustomExecutes = true;
        } else {
            m_bParseError = true;
        }
    } else if (Equals(t, L"lang")) {
        m_nPendingArg = PendingLang;
    } else if (Equals(t, L"linked")) {
        m_nUiMode = UiLinked;
        m_nPendingArg = PendingSpecFile;
    } else if (Equals(t, L"linkedcustom")) {
        m_nUiMode = UiLinkedCustom;
        m_nPendingArg = PendingSpecFile;
    } else if (Equals(t, L"masterhWnd")) {
        m_nPendingArg = PendingMasterWnd;
    } else if (Equals(t, L"level")) {
        m_nPendingArg = PendingLevel;
    } else if (t[0] == L'l') {
        m_bLog = true;
        m_nPendingArg = PendingLogFile;
        if (Equals(t, L"log")) {
            m_strLogModes = L"l*v";
            m_bCostLog = true;
        } else {
            m_strLogModes = t;
            for (const wchar_t* p = t + 1; *p != L'\0'; ++p) {
                if (wcschr(kLogModeLetters, *p) == nullptr)
                    m_bParseError = true;
            }
        }
    } else if (t[0] == L'?' || t[0] == L'h' || t[0] == L'H') {
        m_bShowHelp = true;
        m_nPendingArg = PendingSpecFile;
    } else if (Equals(t, L"costlog")) {
        m_bCostLog = true;
        m_nPendingArg = PendingSpecFile;
    } else if (Equals(t, L"runkey")) {
        m_nPendingArg = PendingRunKey;
    } else if (Equals(t, L"tree")) {
        m_bTreeStart = true;
        m_nPendingArg = PendingSpecFile;
    } else if (Equals(t, L"delexe")) {
        m_bDeleteExe = true;
    } else if (Equals(t, L"ini")) {
        m_nPendingArg = PendingIniFile;
    } else if (Equals(t, L"root")) {
        m_nPendingArg = PendingRootDir;
    } else if (Equals(t, L"gdb")) {
        m_bDebugLayout = true;
    } else if (length >= 12 && StartsWith(t, L"VolumePath%d")) {
        long volume = ReadDecimal(t + 12);
        if (volume != 0) {
            m_nPendingVolume = static_cast<int>(volume);
            m_nPendingArg = PendingVolumePath;
        } else {
            m_bParseError = true;
        }
    } else if (Equals(t, L"prop")) {
        m_nPendingArg = PendingProperties;
    } else if (Equals(t, L"acceptlicenses")) {
        m_nPendingArg = PendingAcceptLicenses;
    } else if (Equals(t, L"siv")) {
        m_bSiv = true;
    } else {
        m_bParseError = true;
    }
}

void CVelmoCmdLine::ParseValue(const wchar_t* v)
{
    const int pending = m_nPendingArg;
    m_nPendingArg = PendingSpecFile;
    switch (pending) {
    case PendingSpecFile:
        m_strSpecFile = v;
        break;
    case PendingLogFile:
        m_strLogFile = v;
        break;
    case PendingRunKey:
        m_strRunKey = v;
        break;
    case PendingIniFile:
        m_strIniFile = v;
        break;
    case PendingRootDir:
        m_strRootDir = v;
        break;
    case PendingCacheFile:
        m_strCacheFile = v;
        break;
    case PendingLang: {
        for (const LanguageName& name : kLanguageNames) {
            if (Equals(v, name.shortName) || Equals(v, name.longName)) {
                m_langId = name.langId;
                return;
            }
        }
        if (v[0] >= L'0' && v[0] <= L'9') {
            m_langId = static_cast<LANGID>(_wcstoui64(v, nullptr, 10) & 0xFFFF);
        } else {
            m_bParseError = true;
        }
        break;
    }
    case PendingLevel:
        m_nInstallLevel = static_cast<int>(ReadDecimal(v));
        if (m_nInstallLevel == 0)
            m_bParseError = true;
        break;
    case PendingMasterWnd: {
        // A 32-bit handle value, sign-extended as Windows does for handles passed between
        // processes.
        wchar_t* end = nullptr;
        unsigned long value = wcstoul(v, &end, 16);
        if (end == v)
            m_bParseError = true;
        m_hMasterWnd = reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(value)));
        break;
    }
    case PendingVolumePath:
        m_volumePaths.emplace(m_nPendingVolume, CString(v));
        break;
    case PendingProperties:
        ParsePropertyList(CString(v));
        break;
    case PendingAcceptLicenses:
        if (Equals(v, L"yes")) {
            m_nAcceptLicenses = 1;
        } else if (Equals(v, L"no")) {
            m_nAcceptLicenses = 0;
        } else {
            m_bParseError = true;
        }
        break;
    default:
        break;
    }
}

void CVelmoCmdLine::RunEndChecks()
{
    if (m_bLog && m_strLogFile.IsEmpty()) {
        m_bParseError = true;
    } else if (m_nUiMode == UiQuiet && m_nAcceptLicenses == -1) {
        m_bParseError = true;
    }
    if ((m_bCacheCustomExecutes || m_bCacheFeatureInfo) && m_strCacheFile.IsEmpty()) {
        m_bParseError = true;
    }
}

void CVelmoCmdLine::ParsePropertyList(CString text)
{
    while (!text.IsEmpty()) {
        // The first comma not preceded by a backslash; one at the start is an empty item.
        int separator = text.Find(L',');
        while (separator > 0 && text.GetAt(separator - 1) == L'\\') {
            separator = text.Find(L',', separator + 1);
        }
        if (separator == 0) {
            m_bParseError = true;
            return;
        }

        CString item = (separator < 0) ? text : text.Left(separator);
        int equals = item.Find(L'=');
        CString name = (equals < 0) ? CString() : item.Left(equals);
        CString value = (equals < 0) ? item : item.Mid(equals + 1);
        if (name.IsEmpty()) {
            m_bParseError = true;
        } else {
            value.Replace(L"\\,", L",");
            m_properties.emplace(name, value);
        }

        text = (separator < 0) ? CString() : text.Mid(separator + 1);
    }
}

bool CVelmoCmdLine::GetVolumePath(int volume, CString& path) const
{
    auto found = m_volumePaths.find(volume);
    if (found == m_volumePaths.end())
        return false;
    path = found->second;
    return true;
}
