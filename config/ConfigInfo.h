// The configuration model of setup: the INI file beside the program (or named by /root and
// /ini), read in ordered steps into records derived from CConfigInfo::InfoBase.
//
// Each step collects every bad entry into one IniErrorList and throws IniFileErrors once at
// its end when the list is not empty. The records of the steps are defined in their own
// headers (DistributionInfo.h, PartInfo.h, KolBaselinePartInfo.h, LinkedDistributionInfo.h,
// DialogInfo.h and the page records derived from it...); the engine and debug settings of the
// first step are defined below.
#pragma once

#include <windows.h>

#include <vector>

#include "CPath.h"
#include "CString.h"
#include "DialogState.h"
#include "IniReader.h"

class IniErrorList;

class CConfigInfo {
public:
    class InfoBase;
    class InstallEngineInfo;
    class DebugInfo;
    class DistributionInfo;
    class PartInfo;
    class KolBaselinePartInfo;
    class LinkedDistributionInfo;
    class WelcomeDialogInfo;
    class SingleDirectoryDialogInfo;

    class UserInfoDialogInfo;
    class InstallTypeDialogInfo;
    class LicenseDialogInfo;
    class EndDialogInfo;
    // One page's configuration record (DialogInfo.h).
    class DialogInfo;

    // Creates a page's configuration record for the page registered under `pageName`. Deleted
    // through this interface by the page factory that owns it, hence the virtual destructor.
    class IDialogConfigFactory {
    public:
        virtual ~IDialogConfigFactory() { }
        virtual DialogInfo* CreateDialogInfo(CConfigInfo& config, const wchar_t* pageName) = 0;
    };

    // The factories of the page-record kinds, each making the record of its class.
    class DialogInfoFactory : public IDialogConfigFactory {
    public:
        DialogInfo* CreateDialogInfo(CConfigInfo& config, const wchar_t* pageName) override;
    };
    class WelcomeDialogInfoFactory : public IDialogConfigFactory {
    public:
        DialogInfo* CreateDialogInfo(CConfigInfo& config, const wchar_t* pageName) override;
    };
    class UserInfoDialogInfoFactory : public IDialogConfigFactory {
    public:
        DialogInfo* CreateDialogInfo(CConfigInfo& config, const wchar_t* pageName) override;
    };
    class SingleDirectoryDialogInfoFactory : public IDialogConfigFactory {
    public:
        DialogInfo* CreateDialogInfo(CConfigInfo& config, const wchar_t* pageName) override;
    };
    class InstallTypeDialogInfoFactory : public IDialogConfigFactory {
    public:
        DialogInfo* CreateDialogInfo(CConfigInfo& config, const wchar_t* pageName) override;
    };
    class LicenseDialogInfoFactory : public IDialogConfigFactory {
    public:
        DialogInfo* CreateDialogInfo(CConfigInfo& config, const wchar_t* pageName) override;
    };
    class EndDialogInfoFactory : public IDialogConfigFactory {
    public:
        DialogInfo* CreateDialogInfo(CConfigInfo& config, const wchar_t* pageName) override;
    };

    // The page-record slots: wizard page states 1 to 13.

    CConfigInfo();
    virtual ~CConfigInfo();
    CConfigInfo(const CConfigInfo&) = delete;
    CConfigInfo& operator=(const CConfigInfo&) = delete;

    // Locates the INI file: the root folder (else the program's folder) becomes the
    // configuration folder and the current directory; the INI name (else the program's name
    // with ".ini") is resolved against it. Null arguments: not given on the command line.
    void SetIniFile(const wchar_t* rootDir, const wchar_t* iniFile);

    // The steps, in the order of the start-up. A non-null INI file replaces the INI path
    // (resolved against the current directory) before the step reads anything.
    // Step 1: [MsiEngine] and [Debug].
    void PopulateMsiInfo(const wchar_t* iniFile = nullptr);
    // Step 2: the distribution settings, the language and the language resource modules.
    void LoadLanguageResource(const wchar_t* iniFile = nullptr);
    // The linked distributions and one page record per registered wizard page (the wizard's
    // registry names the pages and makes their records); bad entries of all of them go into one
    // list, thrown as IniFileErrors after the last page. Requires step 2.
    void PopulateDialogInfo();
    // Step 3 (loader thread): the merged part, [Parts] and the baseline providers; requires
    // steps 1 and 2.
    void Populate(const wchar_t* iniFile = nullptr);
    // At exit: frees the language resource modules of the distribution settings.
    void FreeResourceModules();
    // Before exit: every package record drops its session and database, so that Windows
    // Installer closes them and deletes its copies of the packages.
    void ReleaseSessions();

    // Readers of the third step; each returns the number of records it created.
    int ReadParts(IniErrorList& errors);
    int ReadBaselineProviders(IniErrorList& errors);

    // The INI primitives. ReadString: a missing key yields the default; false when the text is
    // empty (an empty value counts as missing). With a module, a non-empty text is a string id
    // of that module (leading digits; none names string 0) and is replaced by that string.
    bool ReadString(const wchar_t* section, const wchar_t* key, CString& out, const wchar_t* defaultText = L"",
        HMODULE module = nullptr) const;
    // The value as a signed decimal number; false (and 0) when no digit was read.
    bool ReadInt(
        const wchar_t* section, const wchar_t* key, int& out, int defaultValue = 0, HMODULE module = nullptr) const;
    // The whole section in ordinal key order (first duplicate wins); returns its line count.
    // Throws NoIniFile when the INI file does not exist.
    int ReadSection(const wchar_t* section, IniSectionMap& out) const;
    // Appends the trimmed pieces between separators; returns the number appended.
    static int SplitString(const wchar_t* text, wchar_t separator, IniStringList& pieces);
    // String `id` of `module`; a missing or empty string throws ResourceNotFound.
    void LoadStringResource(HMODULE module, UINT id, CString& out) const;
    // A label or page text: a value whose leading digits form a non-zero number is that string
    // of `module`, any other value is the text itself.
    void ResolveTextValue(HMODULE module, const wchar_t* value, CString& out) const;
    // A configured path: an absolute value (second character ':' or '\') unchanged, otherwise
    // appended to the configuration folder.
    CPath ResolveConfigPath(const wchar_t* value) const;

    // Accessors.
    const CPath& GetConfigFolder() const { return m_configFolder; }
    const CPath& GetIniPath() const { return m_iniPath; }
    bool IsMsiInfoPopulated() const { return m_bMsiInfoDone; }
    bool IsLanguageResourceLoaded() const { return m_bLanguageDone; }
    bool IsPopulated() const { return m_bPartsDone; }
    InstallEngineInfo* GetInstallEngineInfo() const { return m_pInstallEngineInfo; }
    DebugInfo* GetDebugInfo() const { return m_pDebugInfo; }
    DistributionInfo* GetDistributionInfo() const { return m_pDistributionInfo; }
    LinkedDistributionInfo* GetLinkedDistributionInfo() const { return m_pLinkedDistributionInfo; }
    PartInfo* GetMergedPartInfo() const { return m_pMergedPartInfo; }
    const CString& GetKolCoreUpgradeCode() const { return m_strKolCoreUpgradeCode; }
    // Part N, null past the end.
    PartInfo* GetPartInfo(size_t index) const;
    size_t GetPartInfoCount() const { return m_parts.size(); }
    // The part whose section name equals `name` exactly (case-sensitive); null when none.
    PartInfo* FindPartInfo(const wchar_t* name) const;
    KolBaselinePartInfo* GetBaselinePartInfo(size_t index) const;
    size_t GetKolBaselinePartInfoCount() const { return m_baselineParts.size(); }
    // The page record of a state 1-13; false outside the filled slots.
    bool GetDialogInfo(int state, DialogInfo*& info) const;
    // The page record's shown flag; false outside the filled slots.
    bool IsDialogShown(int state) const;

    // Seam: the program's own path (GetModuleFileNameW of the program).
    static DWORD(WINAPI* s_pfnGetModuleFileNameW)(HMODULE module, LPWSTR buffer, DWORD size);

private:
    // The common start of a step: applies the INI file argument and checks that the INI file
    // exists (NoIniFile otherwise).
    void BeginStep(const wchar_t* iniFile);
    // The common end of a step: IniFileErrors with the whole list when it is not empty.
    static void ThrowIfErrors(const IniErrorList& errors, const char* sourceFile, int sourceLine);
    // Replaces the INI path by `iniFile` resolved against the current directory.
    void ApplyIniFile(const wchar_t* iniFile);

    CPath m_configFolder;
    CPath m_iniPath;
    bool m_bLanguageDone;
    bool m_bMsiInfoDone;
    bool m_bPartsDone;
    PartInfo* m_pMergedPartInfo;
    DialogInfo* m_dialogInfo[kDialogStateCount];
    std::vector<PartInfo*> m_parts;
    std::vector<KolBaselinePartInfo*> m_baselineParts;
    CString m_strKolCoreUpgradeCode;
    DistributionInfo* m_pDistributionInfo;
    LinkedDistributionInfo* m_pLinkedDistributionInfo;
    InstallEngineInfo* m_pInstallEngineInfo;
    DebugInfo* m_pDebugInfo;
};

// The base of every configuration record: its owner gives it the INI primitives, the
// configuration folder and the other records.
class CConfigInfo::InfoBase {
public:
    explicit InfoBase(CConfigInfo& config) : m_config(config) { }
    virtual ~InfoBase() { }
    InfoBase(const InfoBase&) = delete;
    InfoBase& operator=(const InfoBase&) = delete;

    // Reads the record's sections; every bad entry goes to `errors`.
    virtual void Load(IniErrorList& errors) = 0;

    CConfigInfo& GetConfig() const { return m_config; }

protected:
    CConfigInfo& m_config;
};

// [MsiEngine]: what installing the Windows Installer engine needs.
class CConfigInfo::InstallEngineInfo : public CConfigInfo::InfoBase {
public:
    explicit InstallEngineInfo(CConfigInfo& config) : InfoBase(config) { }
    void Load(IniErrorList& errors) override;

    // No key fills it: it stays empty.
    const CPath& GetInstaller9x() const { return m_installer9x; }
    const CPath& GetInstallerNT() const { return m_installerNT; }
    const CString& GetRequiredVersion() const { return m_strRequiredVersion; }
    const CString& GetCommandLine() const { return m_strCommandLine; }

private:
    CPath m_installer9x;
    CPath m_installerNT;
    CString m_strRequiredVersion;
    CString m_strCommandLine;
};

// [Debug]: the log that the configuration asks for.
class CConfigInfo::DebugInfo : public CConfigInfo::InfoBase {
public:
    explicit DebugInfo(CConfigInfo& config) : InfoBase(config), m_bCostLog(false) { }
    void Load(IniErrorList& errors) override;

    const CString& GetLogFile() const { return m_strLogFile; }
    // "l" or "L" followed by Windows Installer logging mode letters; empty when not asked.
    const CString& GetLogMode() const { return m_strLogMode; }
    bool IsCostLog() const { return m_bCostLog; }

private:
    CString m_strLogFile;
    CString m_strLogMode;
    bool m_bCostLog;
};
