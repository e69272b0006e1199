// The settings of the distribution as a whole ([Localization], [Settings], [Distribution],
// [Disk Labels], [Volume Labels], [InstallLevels], [Utilities], [OS]): title, identity and
// version, the languages shipped and the one chosen for this run, the two language resource
// modules, the reboot mode, the labels of disks and volumes, the default install level, the two
// utility programs and the operating-system bounds.
//
// The custom resource module holds the distribution's own texts (a configured text given as a
// number is a string id of it); the standard module holds the program's own strings, dialogs
// and bitmaps in the chosen language and becomes the program's resource module once loaded.
// The modules stay loaded until CConfigInfo::FreeResourceModules at exit.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "CString.h"
#include "ConfigInfo.h"
#include "LangIdMap.h"
#include "LanguageModules.h"

class IniErrorList;

class CConfigInfo::DistributionInfo : public CConfigInfo::InfoBase {
public:
    enum RebootMode { RebootNormal = 0, RebootSuppress = 1, RebootForce = 2 };

    explicit DistributionInfo(CConfigInfo& config);
    ~DistributionInfo() override;

    // Reads the sections, chooses the user-interface language and loads the language modules.
    // Bad entries go to `errors`; a module that cannot be loaded throws InvalidResourceModule,
    // a configured string id that the custom module lacks throws ResourceNotFound.
    void Load(IniErrorList& errors) override;

    // The user-interface language for `wanted` among `languages` (in list order): the wanted
    // language itself; else the first primary-only entry of its family with its ANSI code page;
    // else the first entry of its family with that code page; else the first listed language;
    // 0 for an empty list. `exact` (when given) tells whether the wanted language was listed.
    static LANGID ChooseUiLanguage(const std::vector<LANGID>& languages, LANGID wanted, bool* exact = nullptr);

    // LoadLibraryW of a language module; InvalidResourceModule when it cannot be loaded.
    static HMODULE LoadResourceModule(const wchar_t* path);

    // Language `index` of [Localization] Languages (the index must be below the count).
    LANGID GetLanguageId(size_t index) const { return m_languages[index]; }
    size_t GetLanguageCount() const { return m_languages.size(); }
    const std::vector<LANGID>& GetLanguages() const { return m_languages; }
    LANGID GetUiLanguage() const { return m_uiLanguage; }
    bool IsLanguageForced() const { return m_bLanguageForced; }

    // Null while no custom module is loaded.
    HMODULE GetCustomResourceModule() const { return m_modules.GetCustomModule(); }
    // The loaded standard module, else the program's own module.
    HMODULE GetStandardResourceModule() const { return m_modules.GetStandardModule(); }
    // The module paths as loaded (after a temporary copy); empty when none was loaded.
    const CString& GetCustomResourcePath() const { return m_strCustomResPath; }
    const CString& GetStandardResourcePath() const { return m_strStandardResPath; }

    const CString& GetTitle() const { return m_strTitle; }
    const CString& GetDistributionGuid() const { return m_strGuid; }
    const CString& GetPackageGuid() const { return m_strPackageGuid; }
    uint64_t GetVersion() const { return m_version; }
    const CString& GetIdFilePath() const { return m_strIdPath; }
    const CString& GetDiskPrompt() const { return m_strDiskPrompt; }
    const CString& GetDefaultDiskLabel() const { return m_strDefaultDiskLabel; }
    const std::map<int, CString>& GetDiskLabels() const { return m_diskLabels; }
    const std::map<int, CString>& GetVolumeLabels() const { return m_volumeLabels; }
    int GetDefaultInstallLevel() const { return m_nDefaultInstallLevel; }
    int GetRebootMode() const { return m_nRebootMode; }
    bool IsBeta() const { return m_bBeta; }
    bool HasX64Part() const { return m_bHas64BitPart; }
    const CString& GetPostProcessorPath() const { return m_strPostProcessor; }
    const CString& GetSysInfoPath() const { return m_strSysInfo; }

    // The NT pair of [OS] bounds on the NT family, else the 9x pair.
    void GetOSVersionBounds(bool isNtFamily, CString& minimum, CString& maximum) const;
    // [OS] OSErrorMessage: a string of the custom module, else the program's string 234.
    void GetOSErrorMessage(CString& text) const;
    // The media prompt for a disk: [Title], [DiskNumber] and [DiskLabel] filled in.
    void FormatDiskPrompt(CString& text, int disk) const;
    // The label of exactly that volume; false when none is configured.
    bool GetVolumeLabel(int volume, CString& label) const;
    // The folder of the volume ID file: the ID path made absolute against `folder` (the
    // configuration folder when null), cut after its last '\' unless that is its first
    // character.
    void GetDistributionRoot(CString& root, const wchar_t* folder) const;

    // Points the program's resources back at the program and frees both modules.
    void FreeResourceModules() { m_modules.Free(); }

private:
    void ReadLocalization(IniErrorList& errors);
    void ChooseLanguage(IniErrorList& errors);
    void LoadCustomModule(IniErrorList& errors);
    void LoadStandardModule(IniErrorList& errors);
    void ReadSettings(IniErrorList& errors);
    void ReadDistribution(IniErrorList& errors);
    void ReadDiskLabels(IniErrorList& errors);
    void ReadVolumeLabels(IniErrorList& errors);
    void ReadUtilities(IniErrorList& errors);
    void ReadOs();

    // A module path of [Localization]: a relative one (second character neither ':' nor '\')
    // is taken below the configuration folder, then copied when it lies on removable media.
    CString ResolveModulePath(const CString& value) const;
    // A label text: a number other than 0 names a string of the custom module.
    CString ResolveText(const CString& value) const;

    CString m_strTitle;
    CString m_strGuid;
    CString m_strPackageGuid;
    uint64_t m_version;
    CString m_strIdPath;
    CString m_strDiskPrompt;
    CString m_strDefaultDiskLabel;
    std::map<int, CString> m_diskLabels;
    std::map<int, CString> m_volumeLabels;
    int m_nDefaultInstallLevel;
    int m_nRebootMode;
    bool m_bBeta;
    bool m_bHas64BitPart;
    bool m_bLanguageForced;
    LANGID m_uiLanguage;
    std::vector<LANGID> m_languages;
    CLanguageModules m_modules;
    CString m_strCustomResPath;
    CString m_strStandardResPath;
    CString m_strPostProcessor;
    CString m_strSysInfo;
    CString m_strOs9xMin;
    CString m_strOs9xMax;
    CString m_strOsNtMin;
    CString m_strOsNtMax;

    LANGID m_wantedLanguage;                 // while loading
    LangIdMap<CString> m_customResources;    // CustomRes<LANGID>
    LangIdMap<CString> m_standardResources;  // StandardRes<LANGID>, 1033 built in (no module)
};
