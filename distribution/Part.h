// One Windows Installer package (a part) of the distribution: its product identity, language,
// package size and volume labels from the merged package's summary tables (or, for a baseline
// provider, from the baseline summary table), whether another vendor's installer installs it,
// whether Add/Remove Programs shows it, the installed products of its family (related products)
// with what installing it would mean for them (the upgrade table), and the parts it claims as
// its own products (core parts).
#pragma once

#include <windows.h>

#include <msi.h>

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <vector>

#include "CString.h"
#include "ConfigInfo.h"
#include "MsiSmartPtr.h"

class CDistribution;
class CFeature;
class FeatureSubsetEntry;
class MsiDatabase;
class MsiSession;

class CPart {
public:
    // One ZKUpgradeProduct row that takes part in an upgrade.
    class UpgradeRow {
    public:
        // Windows Installer Upgrade-table attribute bits.
        static const DWORD kAttrOnlyDetect = 0x002;
        static const DWORD kAttrMinInclusive = 0x100;
        static const DWORD kAttrMaxInclusive = 0x200;
        static const DWORD kAttrLanguagesExclusive = 0x400;

        UpgradeRow(const wchar_t* versionMin, const wchar_t* versionMax, const wchar_t* languages, DWORD attributes);

        bool IsVersionInRange(const wchar_t* version) const;
        bool MatchesLanguage(LANGID language) const;

        uint64_t m_versionMin;
        uint64_t m_versionMax;
        bool m_minInclusive;
        bool m_maxInclusive;
        std::set<LANGID> m_languages;
        bool m_languagesExclusive;
    };

    // The upgrade rows of one part, in fetch order; discarded at the end of population.
    class UpgradeRowList {
    public:
        // Reads the part's rows; a failing query or fetch keeps the rows taken so far.
        UpgradeRowList(const CPart& part, MsiDatabase& database);
        // No rows (a baseline provider).
        explicit UpgradeRowList(const CPart& part) : m_part(part) { }

        const CPart& m_part;
        std::vector<UpgradeRow> m_rows;
    };

    // One installed product that shares the part's UpgradeCode.
    class RelatedPart {
    public:
        RelatedPart();
        virtual ~RelatedPart();
        RelatedPart(const RelatedPart&) = delete;
        RelatedPart& operator=(const RelatedPart&) = delete;

        // True when some part of the distribution is exactly this product (computed once).
        bool IsInDistribution(const CDistribution& distribution);
        // True when the product has the named feature subset installed: asked of the
        // system-information component, else read from the product's cached package.
        bool HasSubsetInstalled(const wchar_t* subset);
        // The texts the component lists for the product (once).
        void LoadListedProducts();
        bool InstalledProductListsName(const wchar_t* productCode);

        CString m_productName;
        CString m_productCode;
        CString m_packageCode;
        CString m_upgradeCode;
        CString m_versionString;
        CString m_language;
        bool m_exclusive;
        int m_inDistribution;
        std::unique_ptr<std::set<CString>> m_subsets;
        std::unique_ptr<std::set<CString>> m_listedProducts;

    private:
        void LoadSubsetsFromLocalPackage();
    };

    // The installed related products, in enumeration order.
    class RelatedPartList {
    public:
        // Enumerates the products of the part's UpgradeCode; advertised, absent and badly
        // configured ones and those whose information cannot be read are left out.
        explicit RelatedPartList(const UpgradeRowList& rows);

        size_t GetCount() const { return m_parts.size(); }
        RelatedPart& GetAt(size_t index) const { return *m_parts[index]; }

        std::vector<std::unique_ptr<RelatedPart>> m_parts;
    };

    // How the part relates to its installed related products.
    class UpgradeTable {
    public:
        // A row that only detects products.
        class NotUpgradeRelated : public std::exception {
        public:
            const char* what() const noexcept override
            {
                return "Upgrade Table Row not related to upgrade process (Detect only).";
            }
        };

        enum LanguageMode { kNoOtherLanguage, kSameLanguage, kOtherLanguage, kOtherLanguageExclusive };
        enum VersionMode {
            kNoOtherVersion,
            kLowerVersion,
            kLowerVersionExclusive,
            kSameVersion,
            kHigherVersion,
            kHigherVersionExclusive
        };
        enum UpgradeMode { kFreshInstall, kMajorUpgrade, kReinstall, kMinorUpgrade, kOdwDevUpgrade, kSamePackageCode };

        UpgradeTable(const CPart& part, RelatedPartList& related);

        // False when installing the part is refused.
        bool AllowsInstall() const;
        int GetLanguageMode() const { return m_languageMode; }
        int GetVersionMode() const { return m_versionMode; }
        int GetUpgradeMode() const { return m_upgradeMode; }
        size_t GetExclusiveCount() const { return m_exclusive.size(); }
        RelatedPart* GetExclusiveAt(size_t index) const { return m_exclusive[index]; }

        static const wchar_t* LanguageModeName(int mode);
        static const wchar_t* VersionModeName(int mode);
        static const wchar_t* UpgradeModeName(int mode);

        std::vector<RelatedPart*> m_exclusive;
        int m_languageMode;
        int m_versionMode;
        int m_upgradeMode;

    private:
        void AddExclusive(RelatedPart* product);
    };

    CPart();
    virtual ~CPart();
    CPart(const CPart&) = delete;
    CPart& operator=(const CPart&) = delete;

    // Fills an ordinary part from the merged package. A part whose data is missing shows a
    // message box, cancels the loading and throws OperationAborted.
    void Populate(MsiDatabase& database, CDistribution& distribution, CConfigInfo::PartInfo& record);
    // Fills a baseline provider's part from ZKKolBaselineSummaryProduct.
    void PopulateKolBaseProviderPart(
        MsiDatabase& database, CDistribution& distribution, CConfigInfo::KolBaselinePartInfo& record);

    // Languages of a template text ("platform;1033,1031").
    static int CountTemplateLanguages(const wchar_t* templateText);
    static LANGID GetTemplateLanguage(int index, const wchar_t* templateText);
    // The language of a package for a user language: the first entry that fits the user exactly,
    // as a neutral sublanguage of the user's primary language or as a neutral package, else the
    // first entry; 0 without entries.
    static LANGID ChooseLanguage(const wchar_t* templateText, LANGID userLanguage);

    // Whether the related product would be replaced by installing this part.
    bool ClassifyRelatedProduct(
        const UpgradeRowList& rows, const wchar_t* productCode, const wchar_t* versionString, LANGID language) const;

    // Claims the parts listed as this part's products; conflicting claims append one message
    // each to `messages`.
    void ResolvePartProducts(CDistribution& distribution, std::vector<CString>& messages);

    // The installed related products; UninitializedObject before population.
    RelatedPartList& GetRelatedPartList() const;
    const UpgradeTable* GetUpgradeTable() const { return m_upgradeTable.get(); }

    // A property for the part's installation; a name the part already has keeps its value.
    void AddProperty(const wchar_t* name, const wchar_t* value) { m_properties.emplace(name, value); }
    // Gathers what the installation passes: the distribution's directory and property maps,
    // then the part's own rows of ZKDirectoryProduct and ZKPropertyProduct (upper-case names
    // only; a name the session cannot resolve is left out). First writer of a name wins.
    void PopulateInstallInfo(MsiSession& session, const std::map<CString, CString>& directories,
        const std::map<CString, CString>& properties);
    const std::map<CString, CString>& GetDirectories() const { return m_directories; }
    // ---- Installing the part ----
    // The three entry points of the install run: each sets Windows Installer's user interface for
    // the call (external handler, basic with an owner window, none), installs (another vendor's
    // installer or the part's own package) and restores the previous settings. The result is
    // Windows Installer's (or the vendor's) unchanged.
    UINT InstallWithExternalUI(
        CDistribution& distribution, INSTALLUI_HANDLERW handler, DWORD messageFilter, void* context);
    UINT InstallWithBasicUI(CDistribution& distribution, HWND owner);
    UINT InstallSilently(CDistribution& distribution);
    // One MsiInstallProductW call with the feature lists, directories and properties. A run that
    // was to install or change the part and after which Windows Installer does not report its
    // product as installed gives ERROR_INSTALL_FAILURE, whatever the engine returned.
    UINT InstallPackage(CDistribution& distribution);
    // Whether Windows Installer reports the part's product as installed.
    bool IsProductInstalled() const;
    // The properties every package receives (a name already in the map keeps its value).
    void AddStandardProperties(std::map<CString, CString>& properties);

    // ---- Where the package is ----
    // The package's full path on the current volume; IncorrectVolume when the part lies on
    // another volume.
    CString GetSourcePackagePath() const;
    // Points Windows Installer's cached source list of the product at the distribution's media.
    void UpdateVolumeCache(const CString& title);

    // ---- Other vendors' installers ----
    // One command of another vendor's installer for one state of the part's feature.
    struct ThirdPartyCommand {
        CString title;
        CString packagePath;
        CString command;
        bool msi = false;             // a Windows Installer command line for the package
        bool ignoreExitCode = false;  // an executable's exit code is not the result
        int placement = 0;            // -1 run first, 1 run last
        INSTALLSTATE state = INSTALLSTATE_UNKNOWN;
    };
    // The commands of another vendor's installer from the merged session.
    void Populate3rdPartyCommands(MsiSession& session);
    // Runs the commands in order from the package's folder; the last result an entry set, 0 when
    // none did.
    UINT Install3rdParty(CDistribution& distribution);
    // The run of Install3rdParty for the given product name, package folder and commands.
    static UINT RunThirdPartyCommands(CDistribution& distribution, const CString& productName,
        const CString& packageFolder, const std::vector<ThirdPartyCommand>& commands);
    bool Has3rdPartyEntryFirst() const;
    bool Has3rdPartyEntryLast() const;
    const std::vector<ThirdPartyCommand>& GetThirdPartyCommands() const { return m_thirdPartyCommands; }

    CDistribution* GetDistribution() const { return m_distribution; }
    CConfigInfo::PartInfo* GetPartInfo() const { return m_partInfo; }
    const CString& GetProductName() const { return m_productName; }
    const CString& GetProductCode() const { return m_productCode; }
    const CString& GetUpgradeCode() const { return m_upgradeCode; }
    const CString& GetPackageCode() const { return m_packageCode; }
    unsigned int GetPackageSize() const { return m_packageSize; }
    const CString& GetProductVersion() const { return m_productVersion; }
    LANGID GetLanguage() const { return m_language; }
    bool IsThirdPartyInstaller() const { return m_thirdParty; }
    bool IsArpVisible() const { return m_arpVisible; }
    const std::vector<CString>& GetVolumeLabels() const { return m_volumeLabels; }
    // The first media label of the part; false when it has none.
    bool GetFirstVolumeLabel(CString& label) const
    {
        if (m_volumeLabels.empty())
            return false;
        label = m_volumeLabels.front();
        return true;
    }
    // The installed state of exactly this product at load (same code, language and version),
    // else -1.
    int GetProductState() const { return m_productState; }
    CPart* GetCorePart() const { return m_corePart; }
    const std::vector<CPart*>& GetClaimedParts() const { return m_claimedParts; }
    const std::vector<CFeature*>& GetFeatures() const { return m_features; }

    // The part's action from its features' states and its upgrade relation.
    enum PartAction {
        kActionNotComputed = 0,
        kActionRemoveOnly = 1,  // some feature is removed, none added or changed
        kActionNone = 2,
        kActionInstall = 3,  // install or change
        kActionForced = 4,   // set from outside, never recomputed
    };
    void ComputeAction();
    int GetAction() const { return m_action; }
    // Each recomputes first.
    bool IsInstallingOrReinstalling();
    bool IsRemoving();
    bool HasAction();
    bool IsUpgrading();
    void ForceInstall() { m_action = kActionForced; }

    // Registers a feature of the part (in initialisation order). A part of another vendor's
    // installer takes one: a second throws Mult3rdPartyFeatures (and stays registered).
    void AddFeature(CFeature* feature);
    size_t GetFeatureCount() const { return m_features.size(); }
    CFeature* GetFeature(size_t index) const { return m_features[index]; }
    bool HasVisibleFeature() const;
    // The part's resolved feature subsets, in resolution order (not owned).
    void AddFeatureSubset(FeatureSubsetEntry* subset) { m_featureSubsets.push_back(subset); }
    // A subset of that name; a name with a suffix after a dot (not its first character) also
    // matches the subset named by the text before the last dot. Case-sensitive.
    bool HasFeatureSubsetNamed(const wchar_t* name) const;
    // Whether the part is excluded on this Windows for that kind (2: asked only under WOW64,
    // 3: only on 32-bit Windows), as the distribution answers it once.
    bool IsOSExcluded(int kind);
    const std::map<CString, CString>& GetProperties() const { return m_properties; }

    // Seam: the user's default language (GetUserDefaultLangID).
    static LANGID(WINAPI* s_pfnGetUserDefaultLangID)();
    // Seam: the type of a drive (GetDriveTypeW), asked for the medium the package lies on.
    static UINT(WINAPI* s_pfnGetDriveTypeW)(LPCWSTR rootPath);

private:
    // One pass of PopulateInstallInfo: kind "Directory" or "Property".
    void PopulatePackageInstallInfo(MsiSession& session, const wchar_t* kind, const std::map<CString, CString>& given,
        std::map<CString, CString>& target);
    // Shows the load failure, cancels the loading and throws OperationAborted.
    [[noreturn]] void AbortLoad(const wchar_t* operation, const CString& message) const;
    // Related products, product state and upgrade table from the upgrade rows.
    void ReadRelatedProducts(const UpgradeRowList& rows);
    // The Add/Remove Programs flag: the component's product object when it knows the product,
    // else the fallback.
    void ReadArpVisible(bool fallback);
    void ReportMultipleCoreClaims(
        std::vector<CString>& messages, const CPart& part, const std::vector<const CPart*>& claimants) const;

    CDistribution* m_distribution;
    CConfigInfo::PartInfo* m_partInfo;
    CString m_productName;
    CString m_productCode;
    CString m_upgradeCode;
    CString m_packageCode;
    // MSISize: counted unsigned, as disk costing counts it.
    unsigned int m_packageSize;
    CString m_productVersion;
    LANGID m_language;
    std::unique_ptr<RelatedPartList> m_relatedParts;
    std::unique_ptr<UpgradeTable> m_upgradeTable;
    std::vector<CFeature*> m_features;
    std::vector<FeatureSubsetEntry*> m_featureSubsets;
    std::unique_ptr<std::vector<CString>> m_partProductCodes;
    std::vector<CPart*> m_claimedParts;
    CPart* m_corePart;
    bool m_thirdParty;
    bool m_arpVisible;
    int m_osExclusion;
    std::map<CString, CString> m_directories;
    std::map<CString, CString> m_properties;
    std::vector<CString> m_volumeLabels;
    std::vector<ThirdPartyCommand> m_thirdPartyCommands;
    int m_productState;
    int m_action;
};

// The lines of a package's logged command line wrap at this width.
const DWORD kPackageCommandLogWrap = 100;

// The properties of a package's command line: for each entry in map order, NAME="VALUE" and a
// blank, every double quote of the value doubled.
CString FormatPackageProperties(const std::map<CString, CString>& properties);
