// The command line of setup: one field per switch.
//
// The class library's ParseCommandLine calls ParseParam once per argument after the program
// name (a leading "/" or "-" stripped and the switch flag set; the last flag on the final
// argument). The parser reports nothing and never stops early: it records what it found and
// raises the help or the error flag; the start-up decides what to do about them.
#pragma once

#include <windows.h>

#include <map>

#include "CString.h"
#include "CommandLineInfo.h"
#include "UiMode.h"

class CVelmoCmdLine : public CCommandLineInfo {
public:
    // Which field the next plain argument fills (m_nPendingArg).
    enum {
        PendingSpecFile = 0,
        PendingLogFile = 3,
        PendingRunKey = 6,
        PendingLang = 8,
        PendingLevel = 11,
        PendingMasterWnd = 12,
        PendingIniFile = 14,
        PendingRootDir = 15,
        PendingVolumePath = 16,
        PendingProperties = 17,
        PendingAcceptLicenses = 18,
        PendingCacheFile = 19,
    };

    CVelmoCmdLine();
    ~CVelmoCmdLine() override;

    void ParseParam(const wchar_t* param, BOOL bFlag, BOOL bLast) override;

    // The folder named for volume `volume` (/VolumePath%d<n>); false when none was named.
    bool GetVolumePath(int volume, CString& path) const;

    // Splits a /prop value ("NAME=VALUE,NAME=VALUE", "\," for a comma in a value) into
    // m_properties; the first value of a name stays.
    void ParsePropertyList(CString text);

    bool m_bReinstall;
    int m_nUiMode;  // a UiMode
    bool m_bShowHelp;
    bool m_bParseError;
    bool m_bLog;
    bool m_bTreeStart;
    CString m_strSpecFile;
    CString m_strLogFile;
    CString m_strLogModes;  // the log switch without "/": "l*v" for /log
    bool m_bCostLog;
    CString m_strRunKey;
    int m_nRebootMode;  // 0 none, 1 suppress, 2 force
    bool m_bNoLinking;
    LANGID m_langId;      // 0: not given
    int m_nInstallLevel;  // 0: not given
    HWND m_hMasterWnd;
    bool m_bDeleteExe;
    CString m_strIniFile;
    CString m_strRootDir;
    bool m_bDebugLayout;
    std::map<int, CString> m_volumePaths;
    bool m_bCacheCustomExecutes;
    bool m_bCacheFeatureInfo;
    CString m_strCacheFile;
    int m_nPendingArg;
    int m_nPendingVolume;
    std::map<CString, CString> m_properties;  // names compare case-sensitively
    int m_nAcceptLicenses;                    // 1 yes, 0 no, -1 not given
    bool m_bSiv;

private:
    void ParseSwitch(const wchar_t* token);
    void ParseValue(const wchar_t* value);
    void RunEndChecks();
};
