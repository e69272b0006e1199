#include "Part.h"

#include <cwchar>
#include <new>

#include "ApplicationServices.h"
#include "Distribution.h"
#include "FileVersion.h"
#include "InstallerErrors.h"
#include "KolBaselinePartInfo.h"
#include "MessageBox.h"
#include "MsiDatabase.h"
#include "MsiInstaller.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiView.h"
#include "PartInfo.h"
#include "SystemInfoClient.h"

LANGID(WINAPI* CPart::s_pfnGetUserDefaultLangID)() = GetUserDefaultLangID;

namespace {

const wchar_t kProductInfoFailure[]
    = L"Unexpected error while accessing the ZKProductInfo object. Make sure the versions of ZKSysInfo.dll and of "
      L"OrbelInstaller are compatible.";

// The component's record of an installed product; false when it does not know the product.
// Failures raise SysInfoComError.
bool FindComponentProduct(const wchar_t* productCode, SysInfoPtr<IZKProductInfo>& product)
{
    SysInfoPtr<IZKSystemInfo> systemInfo = GetSystemInfoObject();
    SysInfoPtr<IZKProductCollection> products;
    CheckSysInfo(systemInfo->GetProducts(products.Out()));
    SysInfoText code(productCode);
    long position = 0;
    CheckSysInfo(products->FindItem(code.Get(), &position));
    if (position == 0)
        return false;
    CheckSysInfo(products->GetItem(position, product.Out()));
    return true;
}

// The Add/Remove Programs flag the component holds for the product; false when it does not know
// the product. Failures raise SysInfoComError.
bool FindComponentArpVisible(const wchar_t* productCode, bool& visible)
{
    SysInfoPtr<IZKProductInfo> product;
    if (!FindComponentProduct(productCode, product))
        return false;
    long arpVisible = 0;
    CheckSysInfo(product->GetArpVisible(&arpVisible));
    visible = arpVisible != 0;
    return true;
}

LANGID TextToLanguage(const wchar_t* text)
{
    return static_cast<LANGID>(_wtoi(text));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Upgrade rows

CPart::UpgradeRow::UpgradeRow(
    const wchar_t* versionMin, const wchar_t* versionMax, const wchar_t* languages, DWORD attributes)
    : m_versionMin(ParseVersionString(versionMin)),
      m_versionMax(versionMax && *versionMax ? ParseVersionString(versionMax) : UINT64_MAX),
      m_minInclusive((attributes & kAttrMinInclusive) != 0), m_maxInclusive((attributes & kAttrMaxInclusive) != 0),
      m_languagesExclusive((attributes & kAttrLanguagesExclusive) != 0)
{
    const wchar_t* p = languages ? languages : L"";
    while (*p) {
        const size_t separators = wcsspn(p, L" \t;");
        p += separators;
        const size_t length = wcscspn(p, L" \t;");
        if (length == 0)
            break;
        m_languages.insert(TextToLanguage(CString(p, static_cast<int>(length))));
        p += length;
    }
}

bool CPart::UpgradeRow::IsVersionInRange(const wchar_t* version) const
{
    const uint64_t v = ParseVersionString(version);
    const bool aboveMin = m_minInclusive ? v >= m_versionMin : v > m_versionMin;
    const bool belowMax = m_maxInclusive ? v <= m_versionMax : v < m_versionMax;
    return aboveMin && belowMax;
}

bool CPart::UpgradeRow::MatchesLanguage(LANGID language) const
{
    if (m_languages.empty())
        return true;
    const bool listed = m_languages.count(language) != 0;
    return m_languagesExclusive ? !listed : listed;
}

CPart::UpgradeRowList::UpgradeRowList(const CPart& part, MsiDatabase& database) : m_part(part)
{
    // A merged package without the table has no upgrade rows; any other failure of the query
    // ends the load: a part without its rows would no longer detect its major upgrades.
    if (!database.TableExists(L"ZKUpgradeProduct"))
        return;
    MsiSmartPtr<MsiView> view = database.OpenView(L"SELECT VersionMin_, VersionMax_, Language_, Attributes_, "
                                                  L"ActionProperty, Remove, PreventsInstall FROM ZKUpgradeProduct "
                                                  L"WHERE UpgradeCode_=? AND ProductCode=?");
    view->ExecuteWith(part.GetUpgradeCode(), part.GetProductCode());
    while (MsiSmartPtr<MsiRecord> row = view->Fetch()) {
        const CString remove = row->GetMfcString(6);
        if (!remove.IsEmpty() && remove.Left(3).CompareNoCase(L"ALL") != 0)
            continue;
        try {
            const DWORD attributes = static_cast<DWORD>(row->GetInteger(4));
            if ((attributes & UpgradeRow::kAttrOnlyDetect) && _wtoi(CString(row->GetMfcString(7))) == 0)
                throw UpgradeTable::NotUpgradeRelated();
            const CString versionMin = row->GetMfcString(1);
            const CString versionMax = row->GetMfcString(2);
            const CString languages = row->GetMfcString(3);
            m_rows.emplace_back(versionMin, versionMax, languages, attributes);
        } catch (const UpgradeTable::NotUpgradeRelated&) {
        } catch (const MsiInstallerError&) {
            // A row that cannot be read is skipped.
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Related products

CPart::RelatedPart::RelatedPart() : m_exclusive(false), m_inDistribution(-1) { }

CPart::RelatedPart::~RelatedPart() { }

bool CPart::RelatedPart::IsInDistribution(const CDistribution& distribution)
{
    if (m_inDistribution < 0) {
        m_inDistribution = 0;
        for (size_t i = 0; i < distribution.GetPartCount(); ++i) {
            const CPart& part = *distribution.GetPart(i);
            if (part.GetUpgradeCode() == m_upgradeCode && part.GetProductCode() == m_productCode
                && part.GetPackageCode() == m_packageCode && part.GetProductVersion() == m_versionString
                && part.GetLanguage() == TextToLanguage(m_language) && part.GetProductName() == m_productName) {
                m_inDistribution = 1;
                break;
            }
        }
    }
    return m_inDistribution == 1;
}

bool CPart::RelatedPart::HasSubsetInstalled(const wchar_t* subset)
{
    try {
        SysInfoPtr<IZKSystemInfo> systemInfo = GetSystemInfoObject();
        SysInfoPtr<IZKPartInfoList> list;
        CheckSysInfo(systemInfo->GetPartInfoList(list.Out()));
        SysInfoText code(m_productCode);
        long position = 0;
        CheckSysInfo(list->FindItem(code.Get(), &position));
        if (position != 0) {
            SysInfoPtr<IZKPartInfo> entry;
            CheckSysInfo(list->GetItem(position, entry.Out()));
            SysInfoText name(subset);
            long installed = 0;
            CheckSysInfo(entry->QueryByText(name.Get(), &installed));
            return installed != 0;
        }
    } catch (const SysInfoComError&) {
        // The cached package answers instead.
    } catch (const std::exception&) {
        throw ZKSystemInfoFailure(".\\Part.cpp", __LINE__,
            L"Unexpected error while accessing the ZKPartInfo object. Make sure the versions "
            L"of ZKSysInfo.dll and of OrbelInstaller are compatible.");
    }
    if (!m_subsets)
        LoadSubsetsFromLocalPackage();
    return m_subsets->count(subset) != 0;
}

void CPart::RelatedPart::LoadSubsetsFromLocalPackage()
{
    m_subsets.reset(new std::set<CString>);
    try {
        const CString localPackage = MsiInstaller::GetInstance()->GetMfcProductInfo(m_productCode, L"LocalPackage");
        if (localPackage.IsEmpty())
            return;
        MsiSmartPtr<MsiDatabase> database = MsiDatabase::Open(localPackage, MSIDBOPEN_READONLY);
        if (!database->TableExists(L"ZKFeatureSubset"))
            return;
        MsiSmartPtr<MsiView> view = database->TableExists(L"ZKFeatureSubsetProduct")
            ? database->OpenView(L"SELECT ZKFeatureSubsetProduct.SubsetName FROM ZKFeatureSubset, "
                                 L"ZKFeatureSubsetProduct WHERE "
                                 L"ZKFeatureSubset.FeatureSubset=ZKFeatureSubsetProduct.FeatureSubset")
            : database->OpenView(L"SELECT FeatureSubset FROM ZKFeatureSubset");
        view->Execute();
        while (MsiSmartPtr<MsiRecord> row = view->Fetch())
            m_subsets->insert(row->GetMfcString(1));
    } catch (const MsiInstallerError&) {
        // What was read stays.
    }
}

void CPart::RelatedPart::LoadListedProducts()
{
    if (m_listedProducts)
        return;
    m_listedProducts.reset(new std::set<CString>);
    try {
        SysInfoPtr<IZKProductInfo> product;
        if (!FindComponentProduct(m_productCode, product))
            return;
        SysInfoPtr<IZKStringCollection> texts;
        CheckSysInfo(product->GetStringList(texts.Out()));
        long count = 0;
        CheckSysInfo(texts->GetCount(&count));
        for (long i = 1; i <= count; ++i) {
            SysInfoText text;
            CheckSysInfo(texts->GetItem(i, text.Out()));
            m_listedProducts->insert(text.ToString());
        }
    } catch (const std::exception&) {
        throw ZKSystemInfoFailure(".\\Part.cpp", __LINE__, kProductInfoFailure);
    }
}

bool CPart::RelatedPart::InstalledProductListsName(const wchar_t* productCode)
{
    LoadListedProducts();
    return m_listedProducts->count(productCode) != 0;
}

CPart::RelatedPartList::RelatedPartList(const UpgradeRowList& rows)
{
    const CPart& part = rows.m_part;
    SmartPtr<MsiInstaller> installer = MsiInstaller::GetInstance();
    for (DWORD index = 0;; ++index) {
        MsiHeapString code;
        if (!installer->EnumRelatedProducts(part.GetUpgradeCode(), index, code))
            break;
        const CString productCode = MsiText::Get(code);
        try {
            const INSTALLSTATE state = installer->QueryProductState(productCode);
            if (state == INSTALLSTATE_ADVERTISED || state == INSTALLSTATE_ABSENT || state == INSTALLSTATE_BADCONFIG)
                continue;
            std::unique_ptr<RelatedPart> product(new RelatedPart);
            product->m_productCode = productCode;
            product->m_productName = installer->GetMfcProductInfo(productCode, L"ProductName");
            product->m_packageCode = installer->GetMfcProductInfo(productCode, L"PackageCode");
            product->m_language = installer->GetMfcProductInfo(productCode, L"Language");
            try {
                product->m_versionString = installer->GetMfcProductInfo(productCode, L"VersionString");
            } catch (const MsiInstallerError& error) {
                if (error.GetCode() != ERROR_UNKNOWN_PROPERTY)
                    throw;
                const DWORD d = wcstoul(CString(installer->GetMfcProductInfo(productCode, L"Version")), nullptr, 10);
                product->m_versionString.Format(L"%u.%u.%u.0", d >> 24, (d >> 16) & 255, d & 65535);
            }
            product->m_upgradeCode = part.GetUpgradeCode();
            product->m_exclusive = part.ClassifyRelatedProduct(
                rows, productCode, product->m_versionString, TextToLanguage(product->m_language));
            m_parts.push_back(std::move(product));
        } catch (const MsiInstallerError&) {
            // A product whose information cannot be read is left out.
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Upgrade table

CPart::UpgradeTable::UpgradeTable(const CPart& part, RelatedPartList& related)
    : m_languageMode(kNoOtherLanguage), m_versionMode(kNoOtherVersion), m_upgradeMode(kFreshInstall)
{
    const uint64_t partVersion = ParseVersionString(part.GetProductVersion());
    for (size_t i = 0; i < related.GetCount(); ++i) {
        RelatedPart& product = related.GetAt(i);
        const bool samePC = product.m_productCode == part.GetProductCode();
        const bool samePkg = product.m_packageCode == part.GetPackageCode();

        const uint64_t version = ParseVersionString(product.m_versionString);
        int v;
        if (version > partVersion) {
            v = product.m_exclusive ? kHigherVersionExclusive : kHigherVersion;
        } else if (version == partVersion) {
            v = kSameVersion;
        } else {
            v = product.m_exclusive ? kLowerVersionExclusive : kLowerVersion;
        }
        if (v == kHigherVersionExclusive || v == kLowerVersionExclusive)
            AddExclusive(&product);

        bool examineLanguage;
        if (samePkg && v == kSameVersion) {
            m_versionMode = kSameVersion;
            examineLanguage = true;
        } else {
            if (v > m_versionMode)
                m_versionMode = v;
            examineLanguage = m_versionMode == kSameVersion && v == kSameVersion;
        }

        int l = kNoOtherLanguage;
        if (examineLanguage) {
            if (TextToLanguage(product.m_language) == part.GetLanguage()) {
                l = kSameLanguage;
            } else if (product.m_exclusive) {
                l = kOtherLanguageExclusive;
                AddExclusive(&product);
            } else {
                l = kOtherLanguage;
            }
        }
        if (l > m_languageMode)
            m_languageMode = l;

        int u;
        const bool reinstall = v == kSameVersion && l == kSameLanguage;
        if (samePkg && !(samePC && reinstall))
            u = kSamePackageCode;
        else if (samePC)
            u = reinstall ? kReinstall : kMinorUpgrade;
        else
            u = part.GetDistribution()->IsOdwBuiltDistribution() && v == kSameVersion ? kOdwDevUpgrade : kMajorUpgrade;
        if (u > m_upgradeMode)
            m_upgradeMode = u;
    }
}

void CPart::UpgradeTable::AddExclusive(RelatedPart* product)
{
    m_exclusive.push_back(product);
}

bool CPart::UpgradeTable::AllowsInstall() const
{
    if (m_upgradeMode == kSamePackageCode || m_versionMode == kHigherVersionExclusive)
        return false;
    return !(m_versionMode == kSameVersion && m_languageMode == kOtherLanguageExclusive);
}

const wchar_t* CPart::UpgradeTable::LanguageModeName(int mode)
{
    static const wchar_t* const names[] = {L"No other language", L"Same language installed",
        L"Other language(s) installed (non-exclusive)", L"Other language(s) installed (exclusive)"};
    return mode >= 0 && mode < 4 ? names[mode] : L"";
}

const wchar_t* CPart::UpgradeTable::VersionModeName(int mode)
{
    static const wchar_t* const names[] = {L"No other verison", L"Lower version installed (non-exclusive)",
        L"Lower version installed (exclusive)", L"Same version installed", L"Higher version installed (non-exclusive)",
        L"Higher version installed (exclusive)"};
    return mode >= 0 && mode < 6 ? names[mode] : L"";
}

const wchar_t* CPart::UpgradeTable::UpgradeModeName(int mode)
{
    static const wchar_t* const names[] = {L"Fresh Install", L"Major Upgrade", L"Reinstall", L"Minor Upgrade",
        L"ODW Dev Part Upgrade", L"Differing parts have identical package codes!"};
    return mode >= 0 && mode < 6 ? names[mode] : L"";
}

// ---------------------------------------------------------------------------------------------
// The part

CPart::CPart()
    : m_distribution(nullptr), m_partInfo(nullptr), m_packageSize(0), m_language(0), m_corePart(nullptr),
      m_thirdParty(false), m_arpVisible(false), m_osExclusion(0), m_productState(INSTALLSTATE_UNKNOWN), m_action(0)
{
}

CPart::~CPart() { }

int CPart::CountTemplateLanguages(const wchar_t* templateText)
{
    const wchar_t* semicolon = wcschr(templateText, L';');
    if (!semicolon || semicolon[1] == 0)
        return 0;
    int count = 1;
    for (const wchar_t* p = semicolon + 1; *p; ++p) {
        if (*p == L',')
            ++count;
    }
    return count;
}

LANGID CPart::GetTemplateLanguage(int index, const wchar_t* templateText)
{
    const wchar_t* p = wcschr(templateText, L';');
    if (!p)
        return 0xFFFF;
    ++p;
    for (int i = 0; i < index; ++i) {
        const wchar_t* comma = wcschr(p, L',');
        if (!comma)
            break;
        p = comma + 1;
    }
    return TextToLanguage(p);
}

LANGID CPart::ChooseLanguage(const wchar_t* templateText, LANGID userLanguage)
{
    LANGID language = 0;
    const int count = CountTemplateLanguages(templateText);
    for (int i = 0; i < count; ++i) {
        const LANGID entry = GetTemplateLanguage(i, templateText);
        if (i == 0)
            language = entry;
        if (entry == userLanguage || (SUBLANGID(entry) == 0 && PRIMARYLANGID(entry) == PRIMARYLANGID(userLanguage))
            || entry == 0) {
            language = entry;
            break;
        }
    }
    return language;
}

void CPart::AbortLoad(const wchar_t* operation, const CString& message) const
{
    g_pfnMessageBoxW(nullptr, message, L"Distribution Error", MB_OK);
    AppServices().CancelLoading();
    throw OperationAborted("Part", __LINE__, operation, message);
}

void CPart::Populate(MsiDatabase& database, CDistribution& distribution, CConfigInfo::PartInfo& record)
{
    if (CString(database.GetMfcProperty(L"VelmoBuilderVersion")).IsEmpty())
        AbortLoad(L"CPart::Populate",
            L"Initialization aborted. The distribution was created with an old ZKUniquifier "
            L"version, and is not compatible with this version of OrbelInstaller.");

    m_distribution = &distribution;
    m_partInfo = &record;
    m_productCode = record.GetProductCode();

    MsiSmartPtr<MsiView> summary
        = database.OpenView(L"SELECT PackageCode, ProductLanguage, ProductVersion, ProductName, UpgradeCode, "
                            L"Uniquifier, MSISize FROM ZKSummaryProduct WHERE ProductCode = ?");
    summary->ExecuteWith(m_productCode);
    MsiSmartPtr<MsiRecord> row = summary->Fetch();
    if (!row) {
        CString message;
        message.Format(L"Initialization aborted. Part section [%s] in setup.ini file contains an invalid ProductCode "
                       L"key value (=%s).",
            static_cast<const wchar_t*>(record.GetName()), static_cast<const wchar_t*>(m_productCode));
        AbortLoad(L"CPart::Populate", message);
    }
    m_packageCode = row->GetMfcString(1);
    m_productVersion = row->GetMfcString(3);
    m_productName = row->GetMfcString(4);
    m_upgradeCode = row->GetMfcString(5);
    m_packageSize = static_cast<unsigned int>(row->GetInteger(7));
    m_language = ChooseLanguage(CString(row->GetMfcString(2)), s_pfnGetUserDefaultLangID());

    CString arpProperty = L"ZKARPVISIBLE";
    CString thirdPartyProperty = L"ZK3rdPartyInstaller";
    const CString uniquifier = row->GetMfcString(6);
    if (!uniquifier.IsEmpty() && uniquifier != L"1") {
        arpProperty += L"." + uniquifier;
        thirdPartyProperty += L"." + uniquifier;
    }

    try {
        const CString arpVisible = database.GetMfcProperty(arpProperty);
        ReadArpVisible(arpVisible.IsEmpty() || _wtoi(arpVisible) != 0);
    } catch (const SysInfoComError&) {
        throw ZKSystemInfoFailure(".\\Part.cpp", __LINE__, kProductInfoFailure);
    } catch (const MsiInstallerError&) {
        throw ZKSystemInfoFailure(".\\Part.cpp", __LINE__, kProductInfoFailure);
    } catch (const std::bad_alloc&) {
        throw ZKSystemInfoFailure(".\\Part.cpp", __LINE__, kProductInfoFailure);
    }

    const CString thirdParty = database.GetMfcProperty(thirdPartyProperty);
    m_thirdParty = !thirdParty.IsEmpty() && _wtoi(thirdParty) != 0;

    MsiSmartPtr<MsiView> media = database.OpenView(L"SELECT VolumeLabel FROM ZKMediaProduct WHERE ProductCode = ?");
    media->ExecuteWith(m_productCode);
    while (MsiSmartPtr<MsiRecord> label = media->Fetch())
        m_volumeLabels.push_back(label->GetMfcString(1));

    ReadRelatedProducts(UpgradeRowList(*this, database));

    if (database.TableExists(L"ZKProductPartProduct") && !database.IsTableEmpty(L"ZKProductPartProduct")) {
        MsiSmartPtr<MsiView> products
            = database.OpenView(L"SELECT PartProductCode_ FROM ZKProductPartProduct WHERE ProductCode=?");
        products->ExecuteWith(m_productCode);
        while (MsiSmartPtr<MsiRecord> product = products->Fetch()) {
            if (!m_partProductCodes)
                m_partProductCodes.reset(new std::vector<CString>);
            m_partProductCodes->push_back(product->GetMfcString(1));
        }
    }
}

void CPart::PopulateKolBaseProviderPart(
    MsiDatabase& database, CDistribution& distribution, CConfigInfo::KolBaselinePartInfo& record)
{
    MsiSmartPtr<MsiView> view
        = database.OpenView(L"SELECT ProductCode, UpgradeCode, ProductName, ProductVersion, ZKArpVisible, PackageCode, "
                            L"Template, VolumeLabel FROM ZKKolBaselineSummaryProduct WHERE UpgradeCode = ?");
    view->ExecuteWith(record.GetUpgradeCode());
    MsiSmartPtr<MsiRecord> row;
    while ((row = view->Fetch())) {
        if (ParseVersionString(CString(row->GetMfcString(4))) == record.GetProductVersion())
            break;
    }
    if (!row) {
        CString message;
        message.Format(L"Installation aborted. Baseline provider section in setup.ini file contains incorrect "
                       L"information about provider with UpgradeCode %s",
            static_cast<const wchar_t*>(record.GetUpgradeCode()));
        AbortLoad(L"CPart::PopulateKolBaseProviderPart", message);
    }
    m_productCode = row->GetMfcString(1);
    m_upgradeCode = row->GetMfcString(2);
    m_productName = row->GetMfcString(3);
    m_productVersion = row->GetMfcString(4);
    m_packageCode = row->GetMfcString(6);
    m_language = ChooseLanguage(CString(row->GetMfcString(7)), s_pfnGetUserDefaultLangID());
    m_volumeLabels.push_back(row->GetMfcString(8));
    // The baseline table gives no package size: the provider's package is not counted.
    m_packageSize = 0;

    m_distribution = &distribution;
    m_partInfo = &record;

    ReadRelatedProducts(UpgradeRowList(*this));

    const CString arpVisible = row->GetMfcString(5);
    ReadArpVisible(arpVisible.IsEmpty() || _wtoi(arpVisible) != 0);
    m_thirdParty = false;
}

void CPart::ReadArpVisible(bool fallback)
{
    bool visible = false;
    m_arpVisible = FindComponentArpVisible(m_productCode, visible) ? visible : fallback;
}

void CPart::ReadRelatedProducts(const UpgradeRowList& rows)
{
    m_relatedParts.reset(new RelatedPartList(rows));

    m_productState = INSTALLSTATE_UNKNOWN;
    const uint64_t version = ParseVersionString(m_productVersion);
    for (size_t i = 0; i < m_relatedParts->GetCount(); ++i) {
        const RelatedPart& product = m_relatedParts->GetAt(i);
        if (product.m_productCode == m_productCode && TextToLanguage(product.m_language) == m_language
            && ParseVersionString(product.m_versionString) == version) {
            m_productState = MsiInstaller::GetInstance()->QueryProductState(m_productCode);
            break;
        }
    }

    m_upgradeTable.reset(new UpgradeTable(*this, *m_relatedParts));
}

bool CPart::ClassifyRelatedProduct(
    const UpgradeRowList& rows, const wchar_t* productCode, const wchar_t* versionString, LANGID language) const
{
    if (m_productCode != productCode) {
        for (const UpgradeRow& row : rows.m_rows) {
            if (row.IsVersionInRange(versionString) && row.MatchesLanguage(language))
                return true;
        }
        return false;
    }
    return !(ParseVersionString(versionString) == ParseVersionString(m_productVersion) && language == m_language);
}

CPart::RelatedPartList& CPart::GetRelatedPartList() const
{
    if (!m_relatedParts)
        throw UninitializedObject(".\\Part.cpp", __LINE__, typeid(RelatedPartList), L"m_relatedParts");
    return *m_relatedParts;
}

void CPart::ResolvePartProducts(CDistribution& distribution, std::vector<CString>& messages)
{
    if (!m_partProductCodes)
        return;
    for (const CString& code : *m_partProductCodes) {
        CPart* part = nullptr;
        try {
            part = &distribution.GetPartByProductCode(code);
        } catch (const ObjectNotFound&) {
            continue;
        }
        if (part->m_corePart) {
            std::vector<const CPart*> claimants(1, part->m_corePart);
            if (part->m_corePart != this)
                claimants.push_back(this);
            ReportMultipleCoreClaims(messages, *part, claimants);
        } else {
            part->m_corePart = this;
            m_claimedParts.push_back(part);
        }
    }
    if (!m_corePart)
        m_corePart = this;
    m_partProductCodes.reset();
}

void CPart::ReportMultipleCoreClaims(
    std::vector<CString>& messages, const CPart& part, const std::vector<const CPart*>& claimants) const
{
    CString message;
    message.Format(L"%s %s\r\nis claimed by the following core parts:\r\n",
        static_cast<const wchar_t*>(part.m_productName), static_cast<const wchar_t*>(part.m_productCode));
    for (const CPart* claimant : claimants)
        message.AppendFormat(L"   %s %s\r\n", static_cast<const wchar_t*>(claimant->m_productName),
            static_cast<const wchar_t*>(claimant->m_productCode));
    messages.push_back(message);
}
