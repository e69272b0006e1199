// The model of a sample distribution built in-process: two parts of a merged package, an older
// product of the first part's family and the second part itself installed in the test prefix,
// and an in-memory system-information component that knows the installed products and their
// dependencies. The parts, the feature tree and the dependency rows are asserted whole.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ConfigInfo.h"
#include "Distribution.h"
#include "DistributionServices.h"
#include "Feature.h"
#include "IInstallerError.h"
#include "InstallerErrors.h"
#include "KolBaselinePartInfo.h"
#include "MsiInstallerError.h"
#include "ModelFixture.h"
#include "ModelTestSupport.h"
#include "FeatureSubsets.h"
#include "FileOperations.h"
#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiSession.h"
#include "MsiRecord.h"
#include "MsiView.h"
#include "PlatformApi.h"
#include "ScopedOverride.h"
#include "Part.h"
#include "PartInfo.h"
#include "TestSupport.h"

using modeltest::FakeDependency;
using modeltest::ModelTest;
using modeltest::TestAppServices;
using namespace modeltest::fixture;

namespace {

void ProgressRecorder(void* context, int code)
{
    static_cast<std::vector<int>*>(context)->push_back(code);
}

// One line per part: identity, size, language, labels, flags, state, related products with
// their exclusiveness, the upgrade modes, the exclusive products and the core part.
std::wstring Describe(const CPart& part)
{
    std::wostringstream out;
    out << W(part.GetProductName()) << L" " << W(part.GetProductCode()) << L" up " << W(part.GetUpgradeCode())
        << L" pkg " << W(part.GetPackageCode()) << L" v" << W(part.GetProductVersion()) << L" size "
        << part.GetPackageSize() << L" lang " << part.GetLanguage() << L" labels";
    for (const CString& label : part.GetVolumeLabels())
        out << L" " << W(label);
    out << L" arp " << part.IsArpVisible() << L" 3rd " << part.IsThirdPartyInstaller() << L" state "
        << part.GetProductState() << L" related";
    const CPart::RelatedPartList& related = part.GetRelatedPartList();
    for (size_t i = 0; i < related.GetCount(); ++i) {
        const CPart::RelatedPart& r = related.GetAt(i);
        out << L" [" << W(r.m_productCode) << L" " << W(r.m_productName) << L" v" << W(r.m_versionString) << L" lang "
            << W(r.m_language) << L" excl " << r.m_exclusive << L"]";
    }
    const CPart::UpgradeTable* table = part.GetUpgradeTable();
    out << L" modes " << table->GetLanguageMode() << L"/" << table->GetVersionMode() << L"/" << table->GetUpgradeMode()
        << L" (" << CPart::UpgradeTable::UpgradeModeName(table->GetUpgradeMode()) << L") allows "
        << table->AllowsInstall() << L" exclusive";
    for (size_t i = 0; i < table->GetExclusiveCount(); ++i)
        out << L" " << W(table->GetExclusiveAt(i)->m_productCode);
    out << L" core " << (part.GetCorePart() ? W(part.GetCorePart()->GetProductName()) : L"-") << L" claims";
    for (const CPart* claimed : part.GetClaimedParts())
        out << L" " << W(claimed->GetProductName());
    return out.str();
}

// One line per feature in tree order: depth, key, kind, part, package name, display, level,
// attributes, transitivity, spec request, installed state, title.
std::wstring Describe(const CFeatureTree& tree)
{
    std::wostringstream out;
    for (const CFeature* f = tree.GetRoot(); f; f = tree.GetNext(f)) {
        int depth = 0;
        for (const CFeature* p = f->GetParent(); p; p = p->GetParent())
            ++depth;
        out << std::wstring(depth * 2, L' ') << W(f->GetName()) << L" kind " << f->GetKind() << L" part "
            << (f->GetPart() ? W(f->GetPart()->GetProductName()) : L"-") << L" pkgname '" << W(f->GetPartFeatureName())
            << L"' display " << f->GetDisplay() << L" level " << f->GetLevel() << L" attr " << f->GetAttributes()
            << L" trans " << f->GetTransitiveFlag() << L"/" << f->GetTransitiveAttributes() << L" spec "
            << f->GetSpecRequest() << L" installed " << f->GetInstalledState() << L" dir '" << W(f->GetDirectory())
            << L"' '" << W(f->GetTitle()) << L"'\n";
    }
    return out.str();
}

// Runs a statement on the model's merged session.
void RunOnSession(CDistribution& model, const wchar_t* sql);

std::wstring Describe(const std::list<CZkDependencyRow>& rows)
{
    std::wostringstream out;
    for (const CZkDependencyRow& row : rows)
        out << W(row.m_upgradeCode) << L" subset '" << W(row.m_featureSubset) << L"' " << W(row.m_versionMin) << L"-"
            << W(row.m_versionMax) << L" lang '" << W(row.m_languages) << L"' attr " << row.m_attributes << L" feature "
            << W(row.m_feature) << L" part " << (row.m_part ? L"yes" : L"none") << L" cond '" << W(row.m_condition)
            << L"'\n";
    return out.str();
}

}  // namespace

TEST_F(ModelTest, BuildsPartsFeatureTreeAndDependencyRows)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    std::vector<int> events;
    m_model.PopulateFromIniInfo(m_config, &ProgressRecorder, &events);
    m_model.BuildFeatureTree();
    std::vector<CString> claims;
    for (size_t i = 0; i < m_model.GetPartCount(); ++i)
        m_model.GetPart(i)->ResolvePartProducts(m_model, claims);

    EXPECT_EQ((std::vector<int>{1, 1}), events);
    EXPECT_TRUE(claims.empty());
    ASSERT_EQ(2u, m_model.GetPartCount());
    EXPECT_EQ(L"Model Core {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11} up {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A12} "
              L"pkg {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A14} v2.0.0 size 3000000000 lang 1033 labels DISK1 DISK1B "
              L"arp 1 3rd 0 state -1 related [{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A31} Model Core Old v1.0.0 lang 1033 "
              L"excl 1] modes 0/2/1 (Major Upgrade) allows 1 exclusive {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A31} "
              L"core Model Core claims Model Extras",
        Describe(*m_model.GetPart(0)));
    EXPECT_EQ(L"Model Extras {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21} up {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A22} "
              L"pkg {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A24} v1.5.0 size 2048 lang 1033 labels DISK2 "
              L"arp 0 3rd 0 state 5 related [{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21} Model Extras v1.5.0 lang 1033 "
              L"excl 0] modes 1/3/2 (Reinstall) allows 1 exclusive core Model Core claims",
        Describe(*m_model.GetPart(1)));

    EXPECT_EQ(
        L"Orphan kind 1 part - pkgname '' display 0 level 1 attr 0 trans 0/0 spec -1 installed 2 dir '' 'Orphan'\n"
        L"Core kind 0 part Model Core pkgname 'Core' display 1 level 1 attr 0 trans 0/0 spec -1 installed 2 "
        L"dir 'INSTALLDIR' 'Core'\n"
        L"  CoreDocs kind 0 part Model Core pkgname 'CoreDocs' display 2 level 3 attr 0 trans 0/0 spec 4 "
        L"installed 2 dir '' 'Docs'\n"
        L"  CoreHelp kind 0 part Model Core pkgname 'CoreHelp' display 4 level 3 attr 16 trans 0/0 spec 3 "
        L"installed 2 dir '' 'Help'\n"
        L"Extras kind 0 part Model Extras pkgname 'Extras' display 3 level 1 attr 0 trans 0/0 spec -1 "
        L"installed 3 dir '' 'Extras'\n"
        L"  ExtrasTools kind 0 part Model Extras pkgname 'ExtrasTools' display 5 level 1 attr 0 trans 1/1 "
        L"spec -1 installed 2 dir '' 'Tools'\n"
        L"  ExtrasMenu kind 1 part - pkgname '' display 6 level 1 attr 0 trans 0/0 spec -1 installed 2 dir '' "
        L"'Menu'\n"
        L"InstalledProd1 kind 3 part - pkgname 'InstalledProd1' display 0 level 1 attr 24 trans 0/0 spec 3 "
        L"installed 2 dir '' 'Model Core Old'\n",
        Describe(m_model.GetFeatureTree()));
    EXPECT_EQ(L"Placeholder for dependencies from installed product {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A31}",
        W(m_model.FindFeature(L"InstalledProd1")->GetDescription()));
    // Creation order is the tree's pre-order.
    std::wstring created;
    for (const CFeature* f : m_model.GetFeatureTree().GetFeatures())
        created += W(f->GetName()) + L" ";
    EXPECT_EQ(L"Orphan Core CoreDocs CoreHelp Extras ExtrasTools ExtrasMenu InstalledProd1 ", created);

    EXPECT_EQ(L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A22} subset 'Tools' 1.0- lang '1033' attr 256 feature "
              L"InstalledProd1 part none cond 'VersionNT'\n",
        Describe(m_model.GetDependencyRows()));
}

TEST_F(ModelTest, LooksUpPartsAndFeaturesExactly)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();

    EXPECT_EQ(m_model.GetPart(1), &m_model.GetPartByProductCode(kExtrasCode));
    EXPECT_THROW(m_model.GetPartByProductCode(L"{6d1f3b20-7a4c-4e5d-8b9a-0c1d2e3f4a21}"), ObjectNotFound);
    EXPECT_EQ(m_model.GetPart(0), m_model.FindPartByUpgradeCode(kCoreUpgrade, 0));
    EXPECT_EQ(nullptr, m_model.FindPartByUpgradeCode(kCoreUpgrade, 1));
    EXPECT_THROW(m_model.FindFeature(L"coredocs"), ObjectNotFound);
    EXPECT_EQ(m_model.FindFeature(L"CoreHelp"), m_model.GetFeatureTree().FindFeatureInPart(L"CoreHelp", kCoreCode));
    EXPECT_EQ(nullptr, m_model.GetFeatureTree().FindFeatureInPart(L"ExtrasMenu", kExtrasCode));
    EXPECT_FALSE(m_model.IsOdwBuiltDistribution());
    EXPECT_FALSE(m_model.GetFeatureTree().AnyFeatureMarked());

    CPart::RelatedPart& installedExtras = m_model.GetPart(1)->GetRelatedPartList().GetAt(0);
    EXPECT_FALSE(installedExtras.IsInDistribution(m_model));  // another package code than the part's
    CPart::RelatedPart& oldCore = m_model.GetPart(0)->GetRelatedPartList().GetAt(0);
    EXPECT_TRUE(oldCore.InstalledProductListsName(L"B"));
    EXPECT_FALSE(oldCore.InstalledProductListsName(L"C"));
}

// MSISize is counted unsigned: a package above 2 GiB keeps its size.
TEST_F(ModelTest, PackageSizeIsUnsigned)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    EXPECT_EQ(3000000000u, m_model.GetPart(0)->GetPackageSize());
}

// A ProductCode that names no summary row, also one that ends in a quote (the configuration's
// values are never part of a query's text). The part lies on the second volume, whose package is
// not read with the configuration.
TEST_F(ModelTest, PartMissingFromTheSummaryCancelsTheLoad)
{
    for (const char* code : {"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A77}", "{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}'"}) {
        SCOPED_TRACE(code);
        std::string ini = Ini(code);
        ini.replace(ini.find("[Core]\r\n"), 8, "[Core]\r\nVolume=2\r\n");
        testsupport::WriteFileBytes(m_dir.File(L"setup.ini"), ini);
        CConfigInfo config;
        config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        config.PopulateMsiInfo();
        config.LoadLanguageResource();
        config.Populate();
        modeltest::MessageBoxRecorder boxes;
        boxes.texts.clear();
        m_app.cancelLoadingCalls = 0;
        CDistribution model;
        testsupport::ScopedDistributionServices modelServices(&model);
        try {
            model.PopulateFromIniInfo(config, nullptr, nullptr);
            ADD_FAILURE() << "no error";
        } catch (const OperationAborted& e) {
            EXPECT_EQ(L"CPart::Populate", W(e.Argument<1>()));
        }
        EXPECT_EQ((std::vector<std::wstring>{L"Initialization aborted. Part section [Core] in setup.ini file contains "
                                             L"an invalid ProductCode key value (="
                      + std::wstring(code, code + strlen(code)) + L")."}),
            boxes.texts);
        EXPECT_EQ(1, m_app.cancelLoadingCalls);
        EXPECT_EQ(0u, model.GetPartCount());
        config.FreeResourceModules();
    }
}

// A package on the first volume that is not the product its section names (another part's
// package, or a ProductCode entry naming another product) is refused with the configuration; the
// letter case of the code does not matter; the other volumes' packages and the transformed ones
// are not read here.
TEST_F(ModelTest, PackageOfAnotherProductIsRefusedWithTheConfiguration)
{
    const std::wstring root = m_dir.Path() + L"\\";
    const struct {
        const char* name;
        std::string coreSection;  // after [Core]'s Path and ProductCode
        std::string path;         // the Path of [Core]
        std::wstring errors;      // the list, empty when the configuration is accepted
    } cases[] = {
        {"another part's package", "", "extras.msi",
            L"1. Bad Value: [Core] ProductCode = {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11} (the package " + root
                + L"extras.msi is the product {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21})\r\n"},
        {"the language's ProductCode", "ProductCode1033={6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21}\r\n", "core.msi",
            L"1. Bad Value: [Core] ProductCode1033 = {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21} (the package " + root
                + L"core.msi is the product {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11})\r\n"},
        {"the code in lower case", "ProductCode1033={6d1f3b20-7a4c-4e5d-8b9a-0c1d2e3f4a11}\r\n", "core.msi", L""},
        {"on the second volume", "Volume=2\r\n", "extras.msi", L""},
        // A language transform may change the ProductCode: the run's own check holds.
        {"with a language transform", "LangXfm1033=core.mst\r\n", "extras.msi", L""},
    };
    testsupport::WriteFileBytes(m_dir.File(L"core.mst"), "");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string ini = Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}");
        ini.replace(ini.find("[Core]\r\nPath=core.msi\r\n"), 22, "[Core]\r\nPath=" + c.path + "\r\n" + c.coreSection);
        testsupport::WriteFileBytes(m_dir.File(L"setup.ini"), ini);
        CConfigInfo config;
        config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        config.PopulateMsiInfo();
        config.LoadLanguageResource();
        std::wostringstream errors;
        try {
            config.Populate();
        } catch (const IniFileErrors& e) {
            errors << e.Argument<1>();
        }
        EXPECT_EQ(c.errors, errors.str());
        config.FreeResourceModules();
    }
}

// A part whose ProductCode ends in a quote finds its summary, media, upgrade and part-product
// rows: the code is bound as a parameter of every query.
TEST_F(ModelTest, QuotedProductCodeFindsItsRows)
{
    const wchar_t quoted[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AAA}'";
    EditMerged(
        {
            L"INSERT INTO `ZKSummaryProduct` (`ProductCode`, `PackageCode`, `ProductLanguage`, `ProductVersion`, "
            L"`ProductName`, `UpgradeCode`, `Uniquifier`, `MSISize`) VALUES (?, "
            L"'{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AAB}', 'Intel;1033', '2.0.0', 'Quoted Core', "
            L"'{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A12}', '1', 100)",
            L"INSERT INTO `ZKMediaProduct` (`ProductCode`, `VolumeLabel`) VALUES (?, 'QUOTED')",
            L"INSERT INTO `ZKUpgradeProduct` (`UpgradeCode_`, `ProductCode`, `VersionMin_`, `VersionMax_`, "
            L"`Language_`, `Attributes_`, `ActionProperty`, `Remove`, `PreventsInstall`) VALUES "
            L"('{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A12}', ?, '0.5', '2.0.0', '', 256, 'OLDCORE', 'ALL', '0')",
            L"INSERT INTO `ZKProductPartProduct` (`ProductCode`, `PartProductCode_`) VALUES (?, "
            L"'{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21}')",
        },
        quoted);
    std::string ini = Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AAA}'");
    ini.replace(ini.find("[Core]\r\n"), 8, "[Core]\r\nVolume=2\r\n");
    Configure(ini);
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    std::vector<CString> claims;
    for (size_t i = 0; i < m_model.GetPartCount(); ++i)
        m_model.GetPart(i)->ResolvePartProducts(m_model, claims);

    ASSERT_EQ(2u, m_model.GetPartCount());
    // The upgrade row makes the older core exclusive: a major upgrade.
    EXPECT_EQ(L"Quoted Core {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AAA}' up {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A12} "
              L"pkg {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AAB} v2.0.0 size 100 lang 1033 labels QUOTED "
              L"arp 1 3rd 0 state -1 related [{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A31} Model Core Old v1.0.0 lang 1033 "
              L"excl 1] modes 0/2/1 (Major Upgrade) allows 1 exclusive {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A31} "
              L"core Quoted Core claims Model Extras",
        Describe(*m_model.GetPart(0)));
    EXPECT_EQ(L"QUOTED", W(m_model.GetVolume(2).GetLabel()));
}

// The merged package as the engine shows it to the upgrade-row reading: its query fails, or its
// table is missing.
enum class UpgradeTableSeen { kQueryFails, kMissing };
UpgradeTableSeen g_upgradeTableSeen = UpgradeTableSeen::kQueryFails;

UINT WINAPI OpenViewOfUpgradeRows(MSIHANDLE database, LPCWSTR query, MSIHANDLE* view)
{
    const std::wstring text(query);
    if (g_upgradeTableSeen == UpgradeTableSeen::kQueryFails
        && text.find(L"FROM ZKUpgradeProduct") != std::wstring::npos)
        return ERROR_BAD_QUERY_SYNTAX;
    if (g_upgradeTableSeen == UpgradeTableSeen::kMissing && text.find(L"`_Tables`") != std::wstring::npos
        && text.find(L"'ZKUpgradeProduct'") != std::wstring::npos)
        return MsiDatabaseOpenViewW(database, L"SELECT `Name` FROM `_Tables` WHERE `Name`='ZKNoSuchTable'", view);
    return MsiDatabaseOpenViewW(database, query, view);
}

// A failing upgrade-row query ends the load: a part without its rows would no longer see its
// major upgrades. Without the table the parts simply have no upgrade rows.
TEST_F(ModelTest, FailingUpgradeRowQueryEndsTheLoad)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    MsiApiOverride<decltype(MsiApiTable::MsiDatabaseOpenViewW)> openView(
        MsiApi().MsiDatabaseOpenViewW, &OpenViewOfUpgradeRows);
    g_upgradeTableSeen = UpgradeTableSeen::kQueryFails;
    try {
        m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        ADD_FAILURE() << "no error";
    } catch (const MsiInstallerError& e) {
        EXPECT_EQ(static_cast<UINT>(ERROR_BAD_QUERY_SYNTAX), e.GetCode());
    }
    EXPECT_EQ(0u, m_model.GetPartCount());

    g_upgradeTableSeen = UpgradeTableSeen::kMissing;
    CDistribution model;
    testsupport::ScopedDistributionServices modelServices(&model);
    model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    ASSERT_EQ(2u, model.GetPartCount());
    EXPECT_EQ(0u, model.GetPart(0)->GetUpgradeTable()->GetExclusiveCount());
}

TEST_F(ModelTest, AbortStopsTheLoadBeforeTheNextPart)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.Abort();
    EXPECT_THROW(m_model.PopulateFromIniInfo(m_config, nullptr, nullptr), OperationAborted);
    EXPECT_EQ(0u, m_model.GetPartCount());
    EXPECT_TRUE(m_model.IsAborted());
}

TEST_F(ModelTest, FailingSystemInformationIsReported)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_app.systemInfo.failWith = E_FAIL;
    EXPECT_THROW(m_model.PopulateFromIniInfo(m_config, nullptr, nullptr), ZKSystemInfoFailure);
}

// Failures of the component while the feature tree loads name the feature tree; out of memory
// is the allocation failure.
TEST_F(ModelTest, ComponentFailuresWhileBuildingTheFeatureTree)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    for (HRESULT failure : {E_FAIL, E_OUTOFMEMORY}) {
        SCOPED_TRACE(failure);
        CDistribution model;
        testsupport::ScopedDistributionServices modelServices(&model);
        m_app.systemInfo.failWith = S_OK;
        model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        m_app.systemInfo.failWith = failure;
        try {
            model.BuildFeatureTree();
            ADD_FAILURE() << "no error";
        } catch (const ZKSystemInfoFailure& e) {
            EXPECT_EQ(E_FAIL, failure);
            EXPECT_EQ(std::wstring(L"Unexpected error while creating the feature tree. Result=80004005"),
                e.GetDebugMessage());
        } catch (const std::bad_alloc& e) {
            EXPECT_EQ(E_OUTOFMEMORY, failure);
            EXPECT_STREQ("bad allocation", e.what());
        }
    }
}

// A Windows Installer error while the Add/Remove Programs flag is read (its property name, with
// a uniquifier the engine cannot query) is a failure of that step: ZKSystemInfoFailure.
TEST_F(ModelTest, InstallerErrorWhileReadingTheArpFlag)
{
    EditMerged({L"UPDATE `ZKSummaryProduct` SET `Uniquifier` = ? WHERE `ProductCode` = "
                L"'{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}'"},
        L"7'");
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    try {
        m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        ADD_FAILURE() << "no error";
    } catch (const ZKSystemInfoFailure& e) {
        EXPECT_EQ(std::wstring(L"Unexpected error while accessing the ZKProductInfo object. Make sure the versions "
                               L"of ZKSysInfo.dll and of OrbelInstaller are compatible."),
            e.GetDebugMessage());
    }
    EXPECT_EQ(0u, m_model.GetPartCount());
}

// Baseline providers: the row of an UpgradeCode that ends in a quote is found (the code is a
// parameter of the query); a provider on a volume the distribution does not have is refused
// before it joins, and no volume record is read outside the records.
TEST_F(ModelTest, BaselineProviderRowsAndVolumes)
{
    EditMerged(
        {
            L"CREATE TABLE `ZKKolBaselineSummaryProduct` (`ProductCode` CHAR(38) NOT NULL, `UpgradeCode` CHAR(38), "
            L"`ProductName` CHAR(255), `ProductVersion` CHAR(72), `ZKArpVisible` CHAR(8), `PackageCode` CHAR(38), "
            L"`Template` CHAR(255), `VolumeLabel` CHAR(72) PRIMARY KEY `ProductCode`)",
            L"INSERT INTO `ZKKolBaselineSummaryProduct` (`ProductCode`, `UpgradeCode`, `ProductName`, "
            L"`ProductVersion`, `ZKArpVisible`, `PackageCode`, `Template`, `VolumeLabel`) VALUES "
            L"('{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4BB2}', ?, 'Provider', '3.0.0.0', '0', "
            L"'{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4BB3}', 'Intel;1033', 'BASE')",
        },
        L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4BB1}'");
    // Providers are read in key order: Far (on volume 3), then Near.
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}")
        + "[KolBaseProviders]\r\nNear=\r\nFar=\r\n"
          "[Near]\r\nPath=extras.msi\r\nUpgradeCode={6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4BB1}'\r\n"
          "ProductVersion=3.0.0.0\r\n"
          "[Far]\r\nPath=extras.msi\r\nVolume=3\r\nUpgradeCode={6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4BB1}'\r\n"
          "ProductVersion=3.0.0.0\r\n");
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    ASSERT_EQ(1u, m_model.GetVolumeCount());

    m_model.ReadPartFromMergedPackage(*m_config.GetBaselinePartInfo(1), true);
    ASSERT_EQ(3u, m_model.GetPartCount());
    EXPECT_EQ(L"Provider", W(m_model.GetPart(2)->GetProductName()));
    EXPECT_EQ(L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4BB2}", W(m_model.GetPart(2)->GetProductCode()));

    try {
        m_model.ReadPartFromMergedPackage(*m_config.GetBaselinePartInfo(0), true);
        ADD_FAILURE() << "no error";
    } catch (const ValueOutOfRange& e) {
        EXPECT_EQ(L"Volume Number", W(e.Argument<1>()));
        EXPECT_EQ(3, e.Argument<2>());
        EXPECT_EQ(std::wstring(L"The distribution has no volume 3."), e.GetDebugMessage());
    }
    EXPECT_EQ(3u, m_model.GetPartCount());
    for (unsigned int volume : {0u, 2u})
        EXPECT_THROW(m_model.GetVolume(volume), ValueOutOfRange) << volume;
}

TEST_F(ModelTest, LoadDescribesTheDistributionAndItsParts)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);

    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const std::wstring root = m_dir.Path() + L"\\";
    EXPECT_EQ((std::vector<std::wstring>{
                  L"PutGuid {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AEE}",
                  L"PutPackageGuid ",
                  L"PutLanguages 1033",
                  L"PutVersion 1.0.0.0",
                  L"PutRootPath 1 " + root,
                  L"PutSetupPath " + std::wstring(program),  // not under the root: the full path
                  L"PutTitle Model Sample",
                  L"AddPart {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11} {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A14} 0 "
                  L"core.msi 1033 2.0.0 1",
                  L"AddPart {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21} {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A24} 0 "
                  L"extras.msi 1033 1.5.0 1",
              }),
        m_app.systemInfo.described);
    EXPECT_EQ(root, W(m_model.GetCurrentRootPath()));
    // Both parts on volume 1: one record, labelled by the first part's first media label.
    ASSERT_EQ(1u, m_model.GetVolumeCount());
    EXPECT_EQ(L"DISK1", W(m_model.GetVolume(1).GetLabel()));
}

// Volume records run from 1 to the highest volume of any part; a volume between without a
// configured label and without a part to name it ends the load.
TEST_F(ModelTest, VolumeRecordsAndTheirFolders)
{
    std::string ini = Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}");
    ini.replace(ini.find("[Extras]\r\n"), 10, "[Extras]\r\nVolume=3\r\n");
    Configure(ini + "[Volume Labels]\r\n2=SECOND\r\n");
    m_app.SetVolumePath(3, L"elsewhere");
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);

    ASSERT_EQ(3u, m_model.GetVolumeCount());
    EXPECT_EQ(L"DISK1", W(m_model.GetVolume(1).GetLabel()));
    EXPECT_EQ(L"SECOND", W(m_model.GetVolume(2).GetLabel()));
    EXPECT_EQ(L"DISK2", W(m_model.GetVolume(3).GetLabel()));
    const std::wstring root = m_dir.Path() + L"\\";
    const std::wstring parent = root.substr(0, root.rfind(L'\\', root.size() - 2) + 1);
    CString first, second;
    m_model.GetVolume(2).ResolvePaths(first, second);
    EXPECT_EQ(parent + L"SECOND", W(first));
    EXPECT_EQ(root, W(second));
    m_model.GetVolume(3).ResolvePaths(first, second);  // the command line's folder alone
    EXPECT_EQ(root + L"elsewhere", W(first));
    EXPECT_EQ(L"", W(second));

    CDistribution unlabelled;
    testsupport::ScopedDistributionServices unlabelledServices(&unlabelled);
    Configure(ini);
    try {
        unlabelled.PopulateFromIniInfo(m_config, nullptr, nullptr);
        ADD_FAILURE() << "no error";
    } catch (const ValueOutOfRange& e) {
        EXPECT_EQ(L"Volume Number", W(e.Argument<1>()));
        EXPECT_EQ(2, e.Argument<2>());
    }
}

TEST_F(ModelTest, ComponentFailuresDuringTheLoad)
{
    struct Case {
        HRESULT create;
        const wchar_t* failingCall;
        HRESULT failure;
        const wchar_t* debugText;  // null: the standard out-of-memory exception
    };
    const Case cases[] = {
        {E_FAIL, L"", E_FAIL, L"Failed to create a ZKDistributionInfo object. Result=80004005"},
        {E_OUTOFMEMORY, L"", E_FAIL, nullptr},
        {S_OK, L"PutLanguages", E_FAIL,
            L"Unexpected error while accessing the ZKDistributionInfo object. Make sure the versions of ZKSysInfo.dll "
            L"and of OrbelInstaller are compatible."},
        {S_OK, L"PutTitle", E_OUTOFMEMORY, nullptr},
        {S_OK, L"AddPart", E_INVALIDARG,
            L"Unexpected error while accessing the ZKDistributionInfo object. Result=80070057"},
        {S_OK, L"AddPart", E_OUTOFMEMORY, nullptr},
    };
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::wstring(c.failingCall) + L" " + std::to_wstring(c.create));
        m_app.systemInfo.createResult = c.create;
        m_app.systemInfo.failingCall = c.failingCall;
        m_app.systemInfo.describeFailure = c.failure;
        CDistribution model;
        testsupport::ScopedDistributionServices modelServices(&model);
        try {
            model.PopulateFromIniInfo(m_config, nullptr, nullptr);
            ADD_FAILURE() << "no error";
        } catch (const ZKSystemInfoFailure& e) {
            EXPECT_NE(nullptr, c.debugText);
            EXPECT_EQ(std::wstring(c.debugText ? c.debugText : L""), e.GetDebugMessage());
        } catch (const std::bad_alloc& e) {
            EXPECT_EQ(nullptr, c.debugText);
            EXPECT_STREQ("bad allocation", e.what());
        }
        EXPECT_EQ(0u, model.GetPartCount());  // a part the component refused is not kept
    }
}

// The post-processing program before and after a part: its command lines, the wait and the log.
TEST_F(ModelTest, PostProcessingProgramRunsAroundAPart)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    const CPart& notInstalled = *m_model.GetPart(0);  // product state -1
    const CPart& installed = *m_model.GetPart(1);     // product state 5
    const std::wstring program = L"\"" + m_dir.File(L"post.exe") + L"\"";
    EXPECT_EQ(program + L" /undo", W(m_model.GetPartHelperCommand(true, installed)));
    EXPECT_EQ(program + L" /qnm", W(m_model.GetPartHelperCommand(false, notInstalled)));
    EXPECT_EQ(program + L" /q", W(m_model.GetPartHelperCommand(false, installed)));

    const std::wstring logPath = m_dir.File(L"post.log");
    m_app.Log().Open(logPath.c_str(), false);
    ASSERT_TRUE(
        CopyFileW((testsupport::ModuleDir() + L"\\exitwith.exe").c_str(), m_dir.File(L"post.exe").c_str(), FALSE));
    m_model.RunPartHelper(true, installed);
    DeleteFileW(m_dir.File(L"post.exe").c_str());
    m_model.RunPartHelper(false, installed);  // cannot start: logged, nothing thrown
    m_app.Log().Close();

    const testsupport::LogFile log = testsupport::ReadLogFile(logPath);
    ASSERT_EQ(6u, log.lines.size()) << log.text;
    EXPECT_EQ(0u, log.lines[0].find(L"OrbelInstaller: --- Starting ZKPie pre-part: "));
    EXPECT_EQ(L"OrbelInstaller: Command: " + program + L" /undo", log.lines[1]);
    EXPECT_EQ(0u, log.lines[2].find(L"OrbelInstaller: --- Finished ZKPie pre-part: "));
    EXPECT_EQ(0u, log.lines[3].find(L"OrbelInstaller: --- Starting ZKPie post-part: "));
    EXPECT_EQ(L"OrbelInstaller: Command: " + program + L" /q", log.lines[4]);
    // One line: the system's text without its line break.
    EXPECT_EQ(0u, log.lines[5].find(L"OrbelInstaller: --- ZKPie post-part failed: File not found. : ")) << log.text;
}

namespace {

int g_extrasStateQueries = 0;

// The second part's product breaks while the part is read: found installed among its related
// products, then in a bad configuration.
INSTALLSTATE WINAPI ExtrasBreakingState(LPCWSTR product)
{
    if (std::wstring(product) != modeltest::kExtrasCode)
        return MsiQueryProductStateW(product);
    return ++g_extrasStateQueries == 1 ? MsiQueryProductStateW(product) : INSTALLSTATE_BADCONFIG;
}

}  // namespace

// A part whose product Windows Installer reports in a bad configuration when the part is read is
// treated after it as one that was not installed before.
TEST_F(ModelTest, PostProcessingAfterAPartInBadConfiguration)
{
    g_extrasStateQueries = 0;
    MsiApiOverride<decltype(MsiApiTable::MsiQueryProductStateW)> state{
        MsiApi().MsiQueryProductStateW, &ExtrasBreakingState};
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    const CPart& extras = *m_model.GetPart(1);
    ASSERT_EQ(INSTALLSTATE_BADCONFIG, extras.GetProductState());
    EXPECT_EQ(L"\"" + m_dir.File(L"post.exe") + L"\" /qnm", W(m_model.GetPartHelperCommand(false, extras)));
}

// One restriction on a folder: the path and the folder both get a trailing backslash and are
// compared ignoring case; attribute 1 counts subfolders, 2 requires the folder, 4 swaps roles.
TEST(DirectoryRestriction, PathAgainstOneFolder)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* folder;
        int attributes;
        bool allowed;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Vendor", L"C:\\Program Files\\Vendor\\", 2, true},
        {L"C:\\Program Files\\Vendor\\Sub", L"C:\\Program Files\\Vendor", 2, false},
        {L"C:\\Program Files\\Vendor\\Sub", L"C:\\Program Files\\Vendor", 3, true},
        {L"C:\\Program Files\\Vendor", L"C:\\Program Files\\Vendor", 3, true},
        {L"c:\\program files\\vendor", L"C:\\Program Files\\Vendor", 2, true},
        {L"C:\\Windows", L"C:\\Windows\\", 0, false},
        {L"C:\\Windows\\Sub", L"C:\\Windows", 0, true},
        {L"C:\\Windows\\Sub", L"C:\\Windows", 1, false},
        {L"C:\\Application", L"C:\\App", 0, true},  // not inside C:\App
        {L"C:\\Application", L"C:\\App", 2, false},
        {L"C:\\Program Files", L"C:\\Program Files", 6, true},
        {L"C:\\Program Files", L"C:\\Program Files\\Vendor", 6, false},
        {L"C:\\Program Files", L"C:\\Program Files\\Vendor", 7, true},  // the folder lies inside the path
        {L"C:\\Program Files\\Vendor\\Sub", L"C:\\Program Files\\Vendor", 7, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::wstring(c.path) + L" / " + c.folder + L" / " + std::to_wstring(c.attributes));
        EXPECT_EQ(c.allowed, CDistribution::IsPathAllowedByRestriction(c.path, c.folder, c.attributes));
    }
}

TEST_F(ModelTest, DirectoryRestrictionsOfTheMergedPackage)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    CString programFiles;
    ASSERT_TRUE(m_model.GetProperty(L"ProgramFilesFolder", programFiles));
    const std::wstring velmo = W(programFiles) + L"Velmo";

    CString text = L"untouched";
    EXPECT_TRUE(m_model.ValidateDirectory(L"INSTALLDIR", (velmo + L"\\Sub").c_str(), text, false));
    EXPECT_EQ(L"untouched", W(text));
    EXPECT_FALSE(m_model.ValidateDirectory(L"INSTALLDIR", L"C:\\Elsewhere", text, false));
    EXPECT_EQ(L"Choose a folder under Velmo.", W(text));
    // A directory without rows takes any path; a key with a quote is only a key.
    EXPECT_TRUE(m_model.ValidateDirectory(L"ProgramFilesFolder", L"C:\\Elsewhere", text, false));
    EXPECT_TRUE(m_model.ValidateDirectory(L"INSTALLDIR' OR ''='", L"C:\\Elsewhere", text, false));
    try {
        m_model.ValidateDirectory(L"TARGETDIR", L"C:\\Elsewhere", text, false);
        ADD_FAILURE() << "no error";
    } catch (const BadCondition& e) {
        EXPECT_EQ(L"((", W(e.Argument<1>()));
    }
    EXPECT_THROW(m_model.GetTargetPath(L"NoSuchDirectory", text), MsiInstallerError);
}

// Subsets of the merged package resolved against the tree: named ones with their attribute
// values (a null value reads 0), the implicit empty-named one with all the part's features.
TEST_F(ModelTest, FeatureSubsetsOfTheParts)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    CFeatureSubsetTable subsets;
    subsets.Load(*m_model.GetSession()->GetActiveDatabase(), m_model);
    CPart& core = *m_model.GetPart(0);
    EXPECT_THROW(subsets.Find(core, L"Docs"), UninitializedObject);

    std::vector<SubsetResolveError> errors;
    ASSERT_TRUE(subsets.Resolve(m_model, errors));
    EXPECT_TRUE(errors.empty());
    auto names = [](const FeatureSubsetMap& subset) {
        std::wstring text;
        for (const auto& entry : subset)
            text += std::wstring(entry.first->GetName()) + L"=" + std::to_wstring(entry.second) + L" ";
        return text;
    };
    const FeatureSubsetMap& docs = subsets.Find(core, L"Docs");
    EXPECT_EQ(2u, docs.size());
    EXPECT_EQ(1u, docs.at(m_model.FindFeature(L"CoreDocs")));
    EXPECT_EQ(0u, docs.at(m_model.FindFeature(L"CoreHelp")));
    EXPECT_EQ(core.GetFeatureCount(), subsets.Find(core, L"").size()) << names(subsets.Find(core, L""));
    EXPECT_EQ(3u, core.GetFeatureCount());
    EXPECT_THROW(subsets.Find(core, L"docs"), ObjectNotFound);   // names are case-sensitive
    EXPECT_THROW(subsets.Find(core, L"Tools"), ObjectNotFound);  // another part's subset
    EXPECT_TRUE(core.HasFeatureSubsetNamed(L"Docs"));
    EXPECT_TRUE(core.HasFeatureSubsetNamed(L"Docs.{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    EXPECT_FALSE(core.HasFeatureSubsetNamed(L".Docs"));
    EXPECT_FALSE(core.HasFeatureSubsetNamed(L"Tools"));
    EXPECT_TRUE(m_model.GetPart(1)->HasFeatureSubsetNamed(L"Tools"));
    // The core part has no owner: no exclusion, whatever this Windows is.
    EXPECT_EQ(1, m_model.GetPartOSExclusion(core));
    EXPECT_FALSE(core.IsOSExcluded(2));
    EXPECT_FALSE(core.IsOSExcluded(3));
}

// A subset that names a feature the tree does not have is reported and not given to its part,
// even with its other features found; the part's other subsets still are.
TEST_F(ModelTest, ASubsetNamingAMissingFeatureIsNotGivenToItsPart)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    MsiSmartPtr<MsiDatabase> database = m_model.GetSession()->GetActiveDatabase();
    for (const wchar_t* row : {
             L"INSERT INTO `ZKFeatureSubsetProduct` (`FeatureSubset`, `SubsetName`, `ProductCode`) VALUES "
             L"('BrokenSubset', 'Broken', '{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}') TEMPORARY",
             L"INSERT INTO `ZKFeatureSubsetFeature` (`FeatureSubset_`, `Feature_`) VALUES "
             L"('BrokenSubset', 'CoreDocs') TEMPORARY",
             L"INSERT INTO `ZKFeatureSubsetFeature` (`FeatureSubset_`, `Feature_`) VALUES "
             L"('BrokenSubset', 'NoSuchFeature') TEMPORARY"})
        database->OpenView(L"%s", row)->Execute();
    CFeatureSubsetTable subsets;
    subsets.Load(*database, m_model);
    std::vector<SubsetResolveError> errors;
    EXPECT_FALSE(subsets.Resolve(m_model, errors));
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(L"Broken", W(errors[0].subsetName));
    EXPECT_EQ(L"NoSuchFeature", W(errors[0].featureName));
    CPart& core = *m_model.GetPart(0);
    EXPECT_EQ(&core, errors[0].part);
    EXPECT_FALSE(core.HasFeatureSubsetNamed(L"Broken"));
    EXPECT_TRUE(core.HasFeatureSubsetNamed(L"Docs"));
}

// A part is excluded on a kind of Windows by a property of its owner's: ZKPROD32BITOSEXC names
// kind 2 (asked only under WOW64), ZKPROD64BITOSEXC kind 3, each also with a suffix; a property
// without a value excludes nothing.
TEST_F(ModelTest, OwnersPropertyExcludesAPartOnAKindOfWindows)
{
    struct Case {
        const wchar_t* property;
        const wchar_t* value;  // none: the property is not set
        int kind;
    };
    const Case cases[] = {
        {L"ZKPROD32BITOSEXC_X", L"1", 2},
        {L"ZKPROD64BITOSEXC.Extras", L"yes", 3},
        {L"ZKPROD32BITOSEXC", nullptr, 1},
        {L"ZKPRODOTHER", L"1", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.property, c.property + wcslen(c.property)));
        CopyModelFiles(m_dir);
        std::vector<std::wstring> statements = {L"INSERT INTO ZKPropertyProduct (Property_, ProductCode) VALUES ('"
            + std::wstring(c.property) + L"', '" + kCoreCode + L"')"};
        if (c.value)
            statements.push_back(L"INSERT INTO Property (Property, Value) VALUES ('" + std::wstring(c.property)
                + L"', '" + c.value + L"')");
        EditMerged(statements);
        CDistribution model;
        testsupport::ScopedDistributionServices scope(&model);
        Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
        model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        std::vector<CString> claims;
        for (size_t i = 0; i < model.GetPartCount(); ++i)
            model.GetPart(i)->ResolvePartProducts(model, claims);
        const CPart& extras = *model.GetPart(1);
        ASSERT_EQ(model.GetPart(0), extras.GetCorePart());
        EXPECT_EQ(c.kind, model.GetPartOSExclusion(extras));
    }
}

TEST_F(ModelTest, ConfiguredPropertiesAndTheInstallList)
{
    std::string ini = Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}");
    ini.replace(ini.find("[Core]\r\n"), 8, "[Core]\r\nProperties=CoreProps\r\n");
    Configure(ini + "[CoreProps]\r\nFEATUREINCLUDED=mine\r\nEXTRA=1\r\n");
    m_app.SetCommandLineProperty(L"FROMCOMMANDLINE", L"given");
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    m_model.ApplyConfiguredProperties();
    CString value;
    EXPECT_TRUE(m_model.GetProperty(L"FROMCOMMANDLINE", value));
    EXPECT_EQ(L"given", W(value));
    MsiSmartPtr<MsiSession> session = m_model.GetSession();
    modeltest::RunCosting(*session);

    // Nothing changes: no part to process.
    for (CFeature* feature : m_model.GetFeatureTree().GetFeatures())
        feature->m_actionState = feature->GetCurrentState();
    std::vector<CPart*> list;
    m_model.PopulateProductInstallInfo(list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(0, m_model.GetPartCountToInstall());

    m_model.FindFeature(L"CoreDocs")->m_actionState = INSTALLSTATE_LOCAL;
    m_model.PopulateProductInstallInfo(list);
    ASSERT_EQ((std::vector<CPart*>{m_model.GetPart(0)}), list);
    EXPECT_EQ(1, m_model.GetPartCountToInstall());
    const CPart& core = *m_model.GetPart(0);
    std::wstring names;
    for (const auto& entry : core.GetDirectories())
        names += W(entry.first) + L" ";
    EXPECT_EQ(L"INSTALLDIR TARGETDIR ", names);  // no lower-case names
    names.clear();
    for (const auto& entry : core.GetProperties())
        names += W(entry.first) + L"=" + W(entry.second) + L" ";
    // The part's own properties win; INCLUDED and DETECTED suffixes only; the user-information
    // properties even when empty.
    EXPECT_EQ(L"COMPANYNAME= DRIVERDETECTED=1.2 EXTRA=1 FEATUREINCLUDED=mine USERNAME= ", names);
}

// A component's states from the features that hold it, and the cost of a planned change.
TEST_F(ModelTest, ComponentStatesAndFeatureCosts)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    MsiSmartPtr<MsiSession> session = m_model.GetSession();
    modeltest::RunCosting(*session);
    for (CFeature* feature : m_model.GetFeatureTree().GetFeatures())
        feature->m_actionState = feature->GetCurrentState();
    MsiSmartPtr<MsiDatabase> database = session->GetActiveDatabase();
    CFeature& core = *m_model.FindFeature(L"Core");

    int installed = 0, action = 0;
    CFeature* decider = &core;
    core.ComputeComponentStates(*database, L"NoSuchComponent", installed, action, &decider, false);
    EXPECT_EQ(INSTALLSTATE_ABSENT, installed);
    EXPECT_EQ(INSTALLSTATE_ABSENT, action);
    EXPECT_EQ(nullptr, decider);

    core.ComputeComponentStates(*database, L"CoreComponent", installed, action, &decider, false);
    EXPECT_EQ(INSTALLSTATE_ABSENT, installed);
    EXPECT_EQ(INSTALLSTATE_UNKNOWN, action);  // nobody changes
    EXPECT_EQ(0, core.ComputeSubtreeCost(false));
    EXPECT_EQ(1, core.GetComponentCount());

    core.m_actionState = INSTALLSTATE_LOCAL;
    core.ComputeComponentStates(*database, L"CoreComponent", installed, action, &decider, false);
    EXPECT_EQ(INSTALLSTATE_LOCAL, action);
    EXPECT_EQ(&core, decider);
    // The tree asks its features the same questions; a tree without features has no decider.
    decider = nullptr;
    m_model.GetFeatureTree().GetComponentStates(*database, L"CoreComponent", installed, action, &decider);
    EXPECT_EQ(INSTALLSTATE_LOCAL, action);
    EXPECT_EQ(&core, decider);
    CDistribution empty;
    empty.GetFeatureTree().GetComponentAction(*database, L"CoreComponent", L"", 0, installed, action, &decider);
    EXPECT_EQ(INSTALLSTATE_ABSENT, installed);
    EXPECT_EQ(INSTALLSTATE_UNKNOWN, action);
    EXPECT_EQ(nullptr, decider);
    EXPECT_GE(core.ComputeSubtreeCost(false), 0);

    // An abort requested while costing ends the call; a call that resets the event clears it.
    CFeature::SignalAbort();
    try {
        core.ComputeSubtreeCost(true);
        ADD_FAILURE() << "no abort";
    } catch (const OperationAborted& e) {
        EXPECT_EQ(L"Feature Costing", W(e.Argument<1>()));
    }
    EXPECT_NO_THROW(core.ComputeSubtreeCost(false));
}

TEST(VolumeCost, EnoughSpace)
{
    const struct {
        int64_t required, available;
        bool enough;
    } cases[] = {{100, 100, true}, {101, 100, false}, {-5, 0, true}, {1LL << 40, -1, true}};
    for (const auto& c : cases) {
        VolumeCost volume;
        volume.required = c.required;
        volume.available = c.available;
        EXPECT_EQ(c.enough, volume.HasEnoughSpace()) << c.required << " of " << c.available;
    }
    VolumeCostSet volumes;
    VolumeCost* record = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, CDistribution::GetVolumeFreeSpace(volumes, L"C:", record));
    EXPECT_GE(record->available, 0);
    VolumeCost* again = nullptr;
    CDistribution::GetVolumeFreeSpace(volumes, L"c:", again);  // the same volume, any case
    EXPECT_EQ(record, again);
    EXPECT_NE(ERROR_SUCCESS, CDistribution::GetVolumeFreeSpace(volumes, L"Q:", record));
    EXPECT_EQ(-1, record->available);
    EXPECT_TRUE(record->HasEnoughSpace());
    EXPECT_EQ(2u, volumes.size());
}

namespace {

// The free space the volumes report: C:\ what the test sets, D:\ not ready.
int64_t g_freeOnC = 0;
BOOL WINAPI FakeFreeSpace(LPCWSTR root, PULARGE_INTEGER available, PULARGE_INTEGER total, PULARGE_INTEGER free)
{
    if (lstrcmpiW(root, L"C:\\") != 0) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    available->QuadPart = static_cast<ULONGLONG>(g_freeOnC);
    total->QuadPart = free->QuadPart = static_cast<ULONGLONG>(g_freeOnC);
    return TRUE;
}

FARPROC WINAPI FindFakeFreeSpace(HMODULE module, LPCSTR name)
{
    if (lstrcmpA(name, "GetDiskFreeSpaceExW") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&FakeFreeSpace));
    return ::GetProcAddress(module, name);
}

// The engine's costs of a component installed locally: 8000000 units (4 more for rollback) on
// C:, more bytes than 32 bits hold, and 3 on D:; nothing for other states. A failure code
// replaces the first answer when set.
UINT g_enumFailure = ERROR_SUCCESS;
UINT WINAPI FakeComponentCosts(
    MSIHANDLE, LPCWSTR, DWORD index, INSTALLSTATE state, LPWSTR drive, LPDWORD length, INT* cost, INT* temporary)
{
    if (g_enumFailure != ERROR_SUCCESS)
        return g_enumFailure;
    if (state != INSTALLSTATE_LOCAL || index > 1)
        return ERROR_NO_MORE_ITEMS;
    if (*length < 3)
        return ERROR_MORE_DATA;
    lstrcpyW(drive, index == 0 ? L"C:" : L"D:");
    *length = 2;
    *cost = index == 0 ? 8000000 : 3;
    *temporary = index == 0 ? 4 : 0;
    return ERROR_SUCCESS;
}

std::wstring Describe(const VolumeCostSet& volumes)
{
    std::wostringstream out;
    for (const auto& entry : volumes)
        out << W(entry.second.volume) << L" " << entry.second.required << L" of " << entry.second.available << L"; ";
    return out.str();
}

}  // namespace

// The disk cost of the plan: the engine's costs of every component that a feature decides, and
// on the Windows volume the packages that the engine keeps of the parts it installs (and frees
// of the parts it removes).
TEST_F(ModelTest, DiskCostOfThePlan)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    MsiSmartPtr<MsiSession> session = m_model.GetSession();
    modeltest::RunCosting(*session);
    ScopedOverride<decltype(g_platformApi.GetProcAddress)> freeSpace(g_platformApi.GetProcAddress, &FindFakeFreeSpace);
    MsiApiOverride<decltype(MsiApiTable::MsiEnumComponentCostsW)> costs(
        MsiApi().MsiEnumComponentCostsW, &FakeComponentCosts);
    wchar_t windows[MAX_PATH] = L"";
    GetWindowsDirectoryW(windows, MAX_PATH);
    ASSERT_EQ(L'C', windows[0]);

    // Core (not installed, package of 3000000000 bytes) and Extras (installed, 2048 bytes).
    const int64_t coreInstall = 3000000000LL + (8000000LL + 4) * 512;
    const struct {
        const char* name;
        const wchar_t* local;   // the feature to install, or null
        const wchar_t* absent;  // the feature to remove, or null
        int64_t freeOnC;
        UINT enumFailure;
        UINT result;
        std::wstring volumes;
    } cases[] = {
        {"nothing changes", nullptr, nullptr, 1000, ERROR_SUCCESS, ERROR_SUCCESS, L"C: 0 of 1000; "},
        {"Core installed", L"Core", nullptr, 8000000000LL, ERROR_SUCCESS, ERROR_SUCCESS,
            L"C: 7096002048 of 8000000000; D: 1536 of -1; "},
        {"exactly the free space", L"Core", nullptr, coreInstall, ERROR_SUCCESS, ERROR_SUCCESS,
            L"C: 7096002048 of 7096002048; D: 1536 of -1; "},
        {"one byte more than free", L"Core", nullptr, coreInstall - 1, ERROR_SUCCESS, ERROR_DISK_FULL,
            L"C: 7096002048 of 7096002047; D: 1536 of -1; "},
        {"far too little space", L"Core", nullptr, 100, ERROR_SUCCESS, ERROR_DISK_FULL,
            L"C: 7096002048 of 100; D: 1536 of -1; "},
        {"Extras removed", nullptr, L"Extras", 0, ERROR_SUCCESS, ERROR_SUCCESS, L"C: -2048 of 0; "},
        {"Extras changed: its package is kept already", L"ExtrasTools", nullptr, 0, ERROR_SUCCESS, ERROR_SUCCESS,
            L"C: 0 of 0; "},
        {"the engine's costing fails", L"Core", nullptr, 8000000000LL, ERROR_FUNCTION_FAILED, ERROR_FUNCTION_FAILED,
            L"C: 3000000000 of 8000000000; "},
        {"lack of space beats a failure", L"Core", nullptr, 10, ERROR_FUNCTION_FAILED, ERROR_DISK_FULL,
            L"C: 3000000000 of 10; "},
    };
    for (const auto& c : cases) {
        for (CFeature* feature : m_model.GetFeatureTree().GetFeatures())
            feature->m_actionState = feature->GetCurrentState();
        if (c.local)
            m_model.FindFeature(c.local)->m_actionState = INSTALLSTATE_LOCAL;
        if (c.absent)
            m_model.FindFeature(c.absent)->m_actionState = INSTALLSTATE_ABSENT;
        g_freeOnC = c.freeOnC;
        g_enumFailure = c.enumFailure;
        VolumeCostSet volumes;
        EXPECT_EQ(c.result, m_model.ComputeDiskCost(volumes)) << c.name;
        EXPECT_EQ(c.volumes, Describe(volumes)) << c.name;
    }
    g_enumFailure = ERROR_SUCCESS;
}

// A feature that no part supplies costs what its subtree's changes cost: here a grouping
// feature over a feature of the core part that holds the core's component.
TEST_F(ModelTest, GroupingFeatureIsCostedFromItsChildren)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    RunOnSession(m_model,
        L"INSERT INTO `Feature` (`Feature`, `Feature_Parent`, `Title`, `Display`, `Level`, `Attributes`) "
        L"VALUES ('OrphanTool', 'Orphan', 'Tool', 7, 1, 0) TEMPORARY");
    RunOnSession(m_model,
        L"INSERT INTO `FeatureComponents` (`Feature_`, `Component_`) VALUES ('OrphanTool', 'CoreComponent') TEMPORARY");
    RunOnSession(m_model,
        L"INSERT INTO `ZKFeatureProduct` (`Feature_`, `ProductCode`) "
        L"VALUES ('OrphanTool', '{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}') TEMPORARY");
    m_model.BuildFeatureTree();
    MsiSmartPtr<MsiSession> session = m_model.GetSession();
    modeltest::RunCosting(*session);
    MsiApiOverride<decltype(MsiApiTable::MsiEnumComponentCostsW)> costs(
        MsiApi().MsiEnumComponentCostsW, &FakeComponentCosts);
    for (CFeature* feature : m_model.GetFeatureTree().GetFeatures())
        feature->m_actionState = feature->GetCurrentState();
    CFeature& group = *m_model.FindFeature(L"Orphan");
    CFeature& tool = *m_model.FindFeature(L"OrphanTool");
    ASSERT_EQ(CFeature::kNoPart, group.GetKind());
    ASSERT_EQ(&group, tool.GetParent());
    EXPECT_EQ(0, group.ComputeSubtreeCost(false));  // nothing changes

    tool.m_actionState = INSTALLSTATE_LOCAL;
    group.m_actionState = INSTALLSTATE_LOCAL;
    // 8000000 units on C: and 3 on D: for the component installed locally.
    EXPECT_EQ(8000003, tool.ComputeSubtreeCost(false));
    EXPECT_EQ(8000003, group.ComputeSubtreeCost(false));
}

namespace {

// The size of a stream of the package, through the engine.
DWORD StreamSize(const std::wstring& package, const wchar_t* name)
{
    MSIHANDLE database = 0, view = 0, record = 0;
    EXPECT_EQ(ERROR_SUCCESS, MsiOpenDatabaseW(package.c_str(), MSIDBOPEN_READONLY, &database));
    EXPECT_EQ(ERROR_SUCCESS, MsiDatabaseOpenViewW(database, L"SELECT Data FROM _Streams WHERE Name=?", &view));
    MSIHANDLE parameters = MsiCreateRecord(1);
    MsiRecordSetStringW(parameters, 1, name);
    MsiViewExecute(view, parameters);
    DWORD size = 0;
    if (MsiViewFetch(view, &record) == ERROR_SUCCESS)
        size = MsiRecordDataSize(record, 1);
    for (MSIHANDLE handle : {record, parameters, view, database})
        MsiCloseHandle(handle);
    return size;
}

}  // namespace

// Without the engine's component costing the Component table's cost columns count: the cost
// on the directory's volume, the rollback share on the temporary volume when it counts, and
// 36 % of the whole on the temporary volume in any case. Here every volume is C:.
TEST_F(ModelTest, ComponentCostFromTheComponentTable)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    MsiSmartPtr<MsiSession> session = m_model.GetSession();
    modeltest::RunCosting(*session);
    MsiSmartPtr<MsiDatabase> database = session->GetActiveDatabase();
    for (const wchar_t* column :
        {L"NoRbLocalCost", L"NoRbSourceCost", L"NoRbRemoveCost", L"LocalCost", L"SourceCost", L"RemoveCost"})
        database->OpenView(L"ALTER TABLE `Component` ADD `%s` LONG TEMPORARY HOLD", column)->Execute();
    // 8000000 units are more bytes than 32 bits hold.
    database
        ->OpenView(L"UPDATE `Component` SET `NoRbLocalCost`=8000000, `LocalCost`=8000004, `NoRbRemoveCost`=-2, "
                   L"`RemoveCost`=-2 WHERE `Component`='CoreComponent'")
        ->Execute();
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    ASSERT_EQ(L'C', temp[0]);
    ScopedOverride<decltype(g_platformApi.GetProcAddress)> freeSpace(g_platformApi.GetProcAddress, &FindFakeFreeSpace);
    CFeature* core = m_model.FindFeature(L"Core");
    core->m_actionState = INSTALLSTATE_LOCAL;  // the part has an action: the rollback share may count

    const struct {
        const char* name;
        int action;
        bool countTemporary;
        int64_t freeOnC;
        UINT result;
        int64_t required;
    } cases[] = {
        {"local with rollback", INSTALLSTATE_LOCAL, true, 6000000000LL, ERROR_SUCCESS,
            4096000000LL + 2048 + 1474560737},
        {"local without rollback", INSTALLSTATE_LOCAL, false, 6000000000LL, ERROR_SUCCESS, 4096000000LL + 1474560737},
        {"the directory's volume is full", INSTALLSTATE_LOCAL, false, 4095999999LL, ERROR_DISK_FULL,
            4096000000LL + 1474560737},
        {"removed", INSTALLSTATE_ABSENT, true, 0, ERROR_SUCCESS, -1024 - 368},
        {"from source: no costs given", INSTALLSTATE_SOURCE, true, 0, ERROR_SUCCESS, 0},
        {"no change", INSTALLSTATE_UNKNOWN, true, 0, ERROR_SUCCESS, 0},
    };
    for (const auto& c : cases) {
        g_freeOnC = c.freeOnC;
        VolumeCostSet volumes;
        EXPECT_EQ(
            c.result, m_model.AddComponentCost(volumes, L"CoreComponent", c.action, core, c.countTemporary, nullptr))
            << c.name;
        const int64_t required = volumes.empty() ? 0 : volumes.begin()->second.required;
        EXPECT_EQ(c.required, required) << c.name;
        EXPECT_LE(volumes.size(), 1u) << c.name;
    }
    VolumeCostSet volumes;
    EXPECT_EQ(
        ERROR_SUCCESS, m_model.AddComponentCost(volumes, L"NoSuchComponent", INSTALLSTATE_LOCAL, core, true, nullptr));
    EXPECT_EQ(
        ERROR_SUCCESS, m_model.AddComponentCost(volumes, L"CoreComponent", INSTALLSTATE_LOCAL, nullptr, true, nullptr));
    EXPECT_TRUE(volumes.empty());
}

// A package's size without its embedded cabinets: only Media rows naming a stream count.
TEST(PackageSize, WithoutEmbeddedCabinets)
{
    testsupport::TempDir dir;
    const std::wstring package = dir.File(L"core.msi");
    ASSERT_TRUE(CopyFileW(testsupport::TestDataPath(L"model_core.msi").c_str(), package.c_str(), FALSE));
    const uint64_t fileSize = OrbelToolbox::GetFileSize(package.c_str(), ~0ull);
    const DWORD cabinet = StreamSize(package, L"core.cab");
    ASSERT_GT(cabinet, 0u);
    EXPECT_EQ(fileSize - cabinet, CDistribution::GetPackageSizeWithoutCabinets(package.c_str()));

    // A cabinet beside the package is not part of it.
    MSIHANDLE database = 0, view = 0;
    ASSERT_EQ(ERROR_SUCCESS, MsiOpenDatabaseW(package.c_str(), MSIDBOPEN_TRANSACT, &database));
    ASSERT_EQ(ERROR_SUCCESS, MsiDatabaseOpenViewW(database, L"UPDATE Media SET Cabinet='core.cab'", &view));
    EXPECT_EQ(ERROR_SUCCESS, MsiViewExecute(view, 0));
    MsiCloseHandle(view);
    EXPECT_EQ(ERROR_SUCCESS, MsiDatabaseCommit(database));
    MsiCloseHandle(database);
    EXPECT_EQ(OrbelToolbox::GetFileSize(package.c_str(), ~0ull),
        CDistribution::GetPackageSizeWithoutCabinets(package.c_str()));
}

// Levels and display values chosen by condition, the browse restriction and the directory value.
TEST_F(ModelTest, FeatureConditionsDisplayAndDirectory)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    const std::wstring logPath = m_dir.File(L"conditions.log");
    m_app.Log().Open(logPath.c_str(), false);
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    const struct {
        const wchar_t* feature;
        int level, display;
    } cases[] = {
        {L"CoreHelp", 7, 4},    // the last true row decides
        {L"CoreDocs", 5, 2},    // a row with a syntax error changes nothing
        {L"Extras", 0, 3},      // a true level 0 ends the rows
        {L"Core", 1, 7},        // the false display row changes nothing
        {L"ExtrasMenu", 1, 0},  // a display of 0 counts
    };
    for (const auto& c : cases) {
        CFeature& feature = *m_model.FindFeature(c.feature);
        feature.EvaluateConditionTable();
        feature.EvaluateFeatureDisplayTable();
        EXPECT_EQ(c.level, feature.GetLevel()) << W(feature.GetName());
        EXPECT_EQ(c.display, feature.GetDisplay()) << W(feature.GetName());
    }
    m_app.Log().Close();
    const testsupport::LogFile log = testsupport::ReadLogFile(logPath);
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ(0u,
        log.lines.back().find(L"OrbelInstaller: ERROR! Feature: CoreDocs Condition: (( The conditional "
                              L"expression has a syntax error in the Condition table"))
        << log.text;
    EXPECT_EQ(1u, std::count_if(log.lines.begin(), log.lines.end(), [](const std::wstring& line) {
        return line.find(L"ERROR!") != std::wstring::npos;
    }));

    bool disabled = false;
    MsiSmartPtr<MsiSession> session = m_model.GetSession();
    m_model.FindFeature(L"CoreDocs")->ReadDisableDirectoryBrowse(*session, disabled);
    EXPECT_FALSE(disabled);
    m_model.FindFeature(L"Core")->ReadDisableDirectoryBrowse(*session, disabled);
    EXPECT_TRUE(disabled);

    modeltest::RunCosting(*session);
    CString path;
    EXPECT_TRUE(m_model.FindFeature(L"Core")->GetDirectoryValue(path));
    EXPECT_NE(-1, path.Find(L"VelmoModel"));
    EXPECT_FALSE(m_model.FindFeature(L"CoreDocs")->GetDirectoryValue(path));  // no directory
    EXPECT_TRUE(path.IsEmpty());
    // Not an upgrade: the question does not arise.
    EXPECT_EQ(0, m_model.FindFeature(L"Core")->IsInstalledInRelatedProduct());
}

// The tree's features take the tables the load found instead of asking the database each time:
// tables that the load found absent are not read, whatever the database holds now.
TEST_F(ModelTest, FeaturesUseTheTablesTheLoadFound)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    CFeature& feature = *m_model.FindFeature(L"CoreHelp");
    auto absent = std::make_shared<FeatureTables>(*m_model.GetSession()->GetActiveDatabase());
    ASSERT_TRUE(absent->condition && absent->featureDisplay);
    absent->condition = false;
    absent->featureDisplay = false;
    feature.UseTables(absent);
    feature.m_level = 1;
    feature.m_display = 1;
    feature.EvaluateConditionTable();
    feature.EvaluateFeatureDisplayTable();
    EXPECT_EQ(1, feature.GetLevel());
    EXPECT_EQ(1, feature.GetDisplay());
}

// The costing prepares the merged session: installed copies, run-state properties, the execute
// sequence with the model's hooks.
TEST_F(ModelTest, CostingActionsPrepareTheMergedSession)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_app.systemInfo.installedDistributions = {
        {L"{6d1f3b20-7a4c-4e5d-8b9a-0c1d2e3f4aee}", L"1.0.0.0", L"Old"},  // this one, other letter case
        {L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AEE}", L"2.0.0.0", L"Newer"},
        {L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A00}", L"9.0.0.0", L"Another"},
    };
    m_app.SetInstallLevel(100);
    m_app.SetUiMode(0);  // a quiet run
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_app.systemInfo.described.clear();
    m_model.RunCostingActions();

    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } properties[] = {
        {L"ZKTHISDISTRIBUTIONDETECTED", L"YES"},
        {L"ZKTHISDISTRIBUTIONINSTALLEDVERSION", L"2.0.0.0"},
        {L"ZKTHISDISTRIBUTIONINSTALLEDTITLE", L"Newer"},
        {L"ZKTHISDISTRIBUTIONSAMEVERSIONDETECTED", L"YES"},
        {L"ZKRUNNINGINMAINTENANCEMODE", L""},
        {L"ZKORBELLANGID", L"1033"},
        {L"ZKRUNNINGINMERGED", L"1"},
        {L"ZKRUNNINGINSILENTMODE", L"1"},
        {L"ZKORBELDISTTITLE", L"Model Sample"},
        {L"INSTALLLEVEL", L"100"},
    };
    for (const auto& p : properties) {
        CString value;
        m_model.GetProperty(p.name, value);
        EXPECT_EQ(p.value, W(value)) << p.name;
    }
    CString root;
    m_model.GetProperty(L"ZKORBELDISTROOT", root);
    EXPECT_EQ(m_dir.Path() + L"\\", W(root));
    // The tree was built before CostInitialize, the valid states read after CostFinalize, and
    // the component told which parts show features.
    ASSERT_NE(nullptr, m_model.GetFeatureTree().GetRoot());
    EXPECT_NE(0u, m_model.FindFeature(L"Core")->m_validStates);
    EXPECT_EQ((std::vector<std::wstring>{L"PutFeaturesVisible {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11} 1",
                  L"PutFeaturesVisible {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21} 1"}),
        m_app.systemInfo.described);
    CString path;
    EXPECT_TRUE(m_model.FindFeature(L"Core")->GetDirectoryValue(path));  // the directories are costed

    // An abort stops the walk before the next action.
    CDistribution aborted;
    IDistributionServices* previous = InstallDistributionServices(&aborted);
    m_app.systemInfo.installedDistributions.clear();
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    aborted.PopulateFromIniInfo(m_config, nullptr, nullptr);
    aborted.Abort();
    try {
        aborted.RunCostingActions();
        ADD_FAILURE() << "no abort";
    } catch (const OperationAborted& e) {
        EXPECT_EQ(std::wstring(L"Costing aborted."), e.GetDebugMessage());
    }
    CString detected;
    aborted.GetProperty(L"ZKTHISDISTRIBUTIONDETECTED", detected);
    EXPECT_EQ(L"NO", W(detected));
    InstallDistributionServices(previous);
}

TEST_F(ModelTest, ConditionsOnTheModelsFeatureStates)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    CFeature& docs = *m_model.FindFeature(L"CoreDocs");
    CFeature& orphan = *m_model.FindFeature(L"Orphan");
    orphan.m_installedState = INSTALLSTATE_ABSENT;
    const struct {
        const wchar_t* condition;
        int docsAction;
        const wchar_t* rewritten;
        MSICONDITION result;
    } cases[] = {
        {L"&CoreDocs=3", INSTALLSTATE_LOCAL, L"3=3", MSICONDITION_TRUE},
        {L"&CoreDocs=3", INSTALLSTATE_ABSENT, L"2=3", MSICONDITION_FALSE},
        {L"&CoreDocs>2", INSTALLSTATE_SOURCE, L"4>2", MSICONDITION_TRUE},
        {L"(&CoreDocs=4 OR !Orphan=3)", INSTALLSTATE_LOCAL, L"(3=4 OR 2=3)", MSICONDITION_FALSE},
        {L"\"a&\"=\"a&\" AND \"!\"=\"!\"", INSTALLSTATE_LOCAL, L"\"a&\"=\"a&\" AND \"!\"=\"!\"", MSICONDITION_TRUE},
        {L"", INSTALLSTATE_LOCAL, L"", MSICONDITION_NONE},
    };
    for (const auto& c : cases) {
        docs.m_actionState = c.docsAction;
        EXPECT_EQ(std::wstring(c.rewritten), std::wstring(m_model.ReplaceFeatureStates(c.condition))) << W(c.condition);
        EXPECT_EQ(c.result, m_model.EvaluateFeatureCondition(c.condition)) << W(c.condition);
    }
    // Names run over letters, digits, '.' and '_'; unknown names stay for the engine.
    EXPECT_EQ(std::wstring(L"&Core.Docs_2<>3"), std::wstring(m_model.ReplaceFeatureStates(L"&Core.Docs_2<>&CoreDocs")));
}

namespace {

// Runs a statement on the merged session's database (temporary rows stay with the session).
void RunOnSession(CDistribution& model, const wchar_t* sql)
{
    model.GetSession()->GetActiveDatabase()->OpenView(L"%s", sql)->Execute();
}

BOOL WINAPI ReportWow64(HANDLE, PBOOL wow64)
{
    *wow64 = TRUE;
    return TRUE;
}

FARPROC WINAPI FindWow64Kernel(HMODULE module, LPCSTR name)
{
    if (lstrcmpA(name, "IsWow64Process") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&ReportWow64));
    return ::GetProcAddress(module, name);
}

}  // namespace

// The folder and path properties after costing: each failure is shown once, cancels the load
// and aborts with its text; the first failure ends the check.
TEST_F(ModelTest, SystemFolderAndPathPropertiesAreValidated)
{
    struct Case {
        const char* name;
        std::vector<std::pair<const wchar_t*, const wchar_t*>> properties;
        const wchar_t* text;  // null: valid
        bool wow64;
    };
    const Case cases[] = {
        {"required path property without a value", {},
            L"Fatal Error!! Required ZKPathsDir property DATADIR is undefined.\r\n", false},
        {"all set", {{L"DATADIR", L"C:\\Data"}}, nullptr, false},
        {"folder on no volume", {{L"DATADIR", L"C:\\Data"}, {L"PersonalFolder", L"Q:\\Nowhere\\"}},
            L"Fatal Error!! Required MSI directory property PersonalFolder is in an invalid location "
            L"\"Q:\\Nowhere\\\".\r\n",
            false},
        {"no TARGETDIR", {{L"TARGETDIR", L""}, {L"PersonalFolder", L"Q:\\Nowhere\\"}},
            L"TARGETDIR is undefined, the Directory table seems malformed. Aborting...", false},
        {"64-bit folders not looked at outside WOW64",
            {{L"DATADIR", L"C:\\Data"}, {L"System64Folder", L"Q:\\Nowhere\\"}}, nullptr, false},
        {"64-bit folders under WOW64", {{L"DATADIR", L"C:\\Data"}, {L"System64Folder", L"Q:\\Nowhere\\"}},
            L"Fatal Error!! Required MSI directory property System64Folder is in an invalid location "
            L"\"Q:\\Nowhere\\\".\r\n",
            true},
    };
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_config.GetMergedPartInfo()->ReleaseSession();
        CDistribution model;
        IDistributionServices* previous = InstallDistributionServices(&model);
        model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        MsiSmartPtr<MsiSession> session = model.GetSession();
        modeltest::RunCosting(*session);
        for (const auto& property : c.properties)
            model.SetProperty(property.first, property.second);
        modeltest::MessageBoxRecorder boxes;
        boxes.texts.clear();
        m_app.cancelLoadingCalls = 0;
        ScopedOverride<decltype(g_platformApi.GetProcAddress)> wow64(
            g_platformApi.GetProcAddress, c.wow64 ? &FindWow64Kernel : g_platformApi.GetProcAddress);
        try {
            model.ValidateZKPathDirAndSysFolderProps();
            EXPECT_EQ(nullptr, c.text);
        } catch (const OperationAborted& e) {
            ASSERT_NE(nullptr, c.text);
            EXPECT_EQ(L"ValidateSystemFolderProperties", W(e.Argument<1>()));
            EXPECT_EQ(std::wstring(c.text), e.GetDebugMessage());
            EXPECT_EQ(std::vector<std::wstring>{c.text}, boxes.texts);
            EXPECT_EQ(1, m_app.cancelLoadingCalls);
        }
        InstallDistributionServices(previous);
    }
}

TEST_F(ModelTest, PartsClaimedTwiceAreReportedTogether)
{
    // A second part of the core product claims the extras part again.
    std::string ini = Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}");
    ini.replace(ini.find("Extras=\r\n"), 9, "Extras=\r\nAgain=\r\n");
    Configure(ini + "[Again]\r\nPath=core.msi\r\nProductCode={6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}\r\n");
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    try {
        m_model.ResolveCoreParts();
        ADD_FAILURE() << "no error";
    } catch (const MultipleCoreParts& e) {
        ASSERT_EQ(1u, e.Argument<1>().size());
        EXPECT_EQ(L"Model Extras {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21}\r\nis claimed by the following core parts:\r\n"
                  L"   Model Core {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}\r\n"
                  L"   Model Core {6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}\r\n",
            W(e.Argument<1>()[0]));
    }
}

TEST_F(ModelTest, FeatureTreeAndLaunchConditionsAreChecked)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.ValidateFeatureTree();
    m_model.CheckLaunchConditions();

    RunOnSession(m_model,
        L"INSERT INTO `Feature` (`Feature`, `Feature_Parent`, `Display`, `Level`, `Attributes`) "
        L"VALUES ('Stray', 'Nowhere', 0, 1, 0) TEMPORARY");
    RunOnSession(m_model,
        L"INSERT INTO `Feature` (`Feature`, `Feature_Parent`, `Display`, `Level`, `Attributes`) "
        L"VALUES ('Lost', 'Gone', 0, 1, 0) TEMPORARY");
    try {
        m_model.ValidateFeatureTree();
        ADD_FAILURE() << "no error";
    } catch (const InvalidFeatureTree& e) {
        std::wstring lines;
        for (const CString& line : e.Argument<1>())
            lines += W(line) + L"\n";
        EXPECT_EQ(
            L"1. Feature 'Stray' has invalid parent 'Nowhere'\n2. Feature 'Lost' has invalid parent 'Gone'\n", lines);
    }

    m_model.SetProperty(L"BLOCKINSTALL", L"1");
    try {
        m_model.CheckLaunchConditions();
        ADD_FAILURE() << "no error";
    } catch (const LaunchConditionFailed& e) {
        EXPECT_EQ(L"NOT BLOCKINSTALL", W(e.Argument<1>()));
        EXPECT_EQ(L"This distribution is blocked.", W(e.Argument<2>()));
    }
    m_model.SetProperty(L"BLOCKINSTALL", L"");
    RunOnSession(m_model,
        L"INSERT INTO `ZKDistributionLaunchCondition` (`Condition`, `Description`) "
        L"VALUES ('((', 'Unreadable.') TEMPORARY");
    EXPECT_THROW(m_model.CheckLaunchConditions(), MsiInstallerError);
}

// Features switched off for a distribution built by the packaging tool, and the 64-bit-only
// path definitions.
TEST_F(ModelTest, FeaturesDisabledForTheBuildAndPathDefinitions)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    EXPECT_TRUE(m_model.IsPathDefinition64BitOnly(L"DATADIR"));
    EXPECT_FALSE(m_model.IsPathDefinition64BitOnly(L"INSTALLDIR"));
    EXPECT_FALSE(m_model.IsPathDefinition64BitOnly(L"UNDEFINED"));

    RunOnSession(m_model,
        L"INSERT INTO `Condition` (`Feature_`, `Level`, `Condition`) "
        L"VALUES ('ExtrasTools', 0, 'ZKODW_DISABLED_THIS_FEATURE AND VersionNT') TEMPORARY");
    RunOnSession(m_model,
        L"INSERT INTO `Condition` (`Feature_`, `Level`, `Condition`) "
        L"VALUES ('CoreDocs', 0, 'ZKODW_DISABLED_THIS_FEATURE = \"2\"') TEMPORARY");
    m_model.SetProperty(L"ZKODW_DISABLED_THIS_FEATURE", L"1");
    CFeature& tools = *m_model.FindFeature(L"ExtrasTools");
    EXPECT_FALSE(m_model.IsFeatureDisabledForBuild(tools));  // not built by the tool: asked once

    // A new session marked as built by the tool before a model reads it.
    m_config.GetMergedPartInfo()->ReleaseSession();
    m_config.GetMergedPartInfo()->GetSession()->SetProperty(L"ZKODWBUILTDIST", L"1");
    CDistribution built;
    IDistributionServices* previous = InstallDistributionServices(&built);
    built.PopulateFromIniInfo(m_config, nullptr, nullptr);
    built.BuildFeatureTree();
    RunOnSession(built,
        L"INSERT INTO `Condition` (`Feature_`, `Level`, `Condition`) "
        L"VALUES ('ExtrasTools', 0, 'ZKODW_DISABLED_THIS_FEATURE AND VersionNT') TEMPORARY");
    RunOnSession(built,
        L"INSERT INTO `Condition` (`Feature_`, `Level`, `Condition`) "
        L"VALUES ('CoreDocs', 0, 'ZKODW_DISABLED_THIS_FEATURE = \"2\"') TEMPORARY");
    built.SetProperty(L"ZKODW_DISABLED_THIS_FEATURE", L"1");
    EXPECT_TRUE(built.IsFeatureDisabledForBuild(*built.FindFeature(L"ExtrasTools")));
    EXPECT_FALSE(built.IsFeatureDisabledForBuild(*built.FindFeature(L"CoreDocs")));
    EXPECT_FALSE(built.IsFeatureDisabledForBuild(*built.FindFeature(L"CoreHelp")));  // true, but unmarked
    // The feature asks its distribution, also a feature that no part supplies.
    RunOnSession(built,
        L"INSERT INTO `Condition` (`Feature_`, `Level`, `Condition`) "
        L"VALUES ('ExtrasMenu', 0, 'ZKODW_DISABLED_THIS_FEATURE') TEMPORARY");
    EXPECT_TRUE(built.FindFeature(L"ExtrasTools")->IsDisabledByCondition());
    EXPECT_FALSE(built.FindFeature(L"CoreDocs")->IsDisabledByCondition());
    EXPECT_TRUE(built.FindFeature(L"ExtrasMenu")->IsDisabledByCondition());
    EXPECT_FALSE(built.FindFeature(L"Orphan")->IsDisabledByCondition());
    EXPECT_FALSE(tools.IsDisabledByCondition());  // not built by the tool
    built.SetProperty(L"ZKODWBUILTDIST", L"");
    EXPECT_TRUE(built.IsFeatureDisabledForBuild(*built.FindFeature(L"ExtrasTools")));  // the answer is kept
    InstallDistributionServices(previous);
}

// The installed old core (replaced by the core part) has dependents: those the core part
// would not satisfy and whose feature is installed locally are broken; the old core itself,
// depending on its own family, is fixed by the core part.
TEST_F(ModelTest, BrokenDependenciesOfInstalledProducts)
{
    using modeltest::FakeDependent;
    const FakeDependency refuses{kCoreUpgrade, L"", L"", L"", L"", L"Extras", L"", 0, 0};
    const FakeDependency acceptsAll{kCoreUpgrade, L"", L"", L"", L"", L"Extras", L"", 0, 1};
    const FakeDependency acceptsDocs{kCoreUpgrade, L"Docs", L"", L"", L"", L"Extras", L"", 0, 1};
    const FakeDependency acceptsMissingSubset{kCoreUpgrade, L"Nope", L"", L"", L"", L"Extras", L"", 0, 1};
    const FakeDependency refusesUninstalled{kCoreUpgrade, L"", L"", L"", L"", L"NoSuchFeature", L"", 0, 0};
    const FakeDependency oldCoreOnItself{kCoreUpgrade, L"", L"", L"", L"", L"OldFeature", L"", 0, 0};
    m_app.systemInfo.partInfos = {
        {kOldCoreCode, {}, kCoreUpgrade,
            {FakeDependent{1, refuses}, FakeDependent{1, acceptsAll}, FakeDependent{1, acceptsDocs},
                FakeDependent{1, acceptsMissingSubset}, FakeDependent{1, refusesUninstalled},
                FakeDependent{0, oldCoreOnItself}}},
        {kExtrasCode, {}, kExtrasUpgrade, {}},
    };
    LoadWithBrokenDependencies();
    ASSERT_FALSE(HasFatalFailure());

    ASSERT_EQ(1u, m_model.GetBrokenDependencyCount());
    CBrokenDependency& broken = m_model.GetBrokenDependency(0);
    CPart* core = m_model.GetPart(0);
    EXPECT_EQ(core, broken.GetPart());
    std::wstring items;
    for (size_t n = 0; n < broken.GetItemCount(); ++n) {
        SysInfoText code;
        broken.GetDependency(n)->GetProductCode(code.Out());
        items += W(code.ToString()) + L" fixed by";
        for (size_t m = 0; m < broken.GetPartCount(n); ++m)
            items += L" " + W(broken.GetPart(n, m)->GetProductName());
        items += L"\n";
    }
    EXPECT_EQ(std::wstring(kExtrasCode) + L" fixed by\n" + kExtrasCode + L" fixed by\n" + kOldCoreCode
            + L" fixed by Model Core\n",
        items);
    EXPECT_FALSE(broken.CanBeFixed());
    EXPECT_FALSE(broken.IsItemFixed(2));
    CFeature& coreFeature = *m_model.FindFeature(L"Core");
    EXPECT_EQ(0, coreFeature.CountUnfixableBrokenDependencies());  // not to be installed
    EXPECT_FALSE(coreFeature.CanFixBrokenDependencies());
    for (CFeature* feature : core->GetFeatures())
        feature->m_actionState = INSTALLSTATE_LOCAL;  // the core part is to be installed
    EXPECT_TRUE(broken.IsItemFixed(2));
    EXPECT_FALSE(broken.IsItemFixed(0));
    EXPECT_FALSE(broken.IsFixedBySelection());
    EXPECT_EQ(1, coreFeature.CountUnfixableBrokenDependencies());
    CFeature& extras = *m_model.FindFeature(L"Extras");
    EXPECT_EQ(0, extras.CountUnfixableBrokenDependencies());
    EXPECT_TRUE(extras.CanFixBrokenDependencies());
    ASSERT_EQ(core->GetFeatureCount(), 3u);
    for (CFeature* feature : core->GetFeatures()) {
        ASSERT_EQ(1u, feature->GetBrokenDependencyCount());
        EXPECT_EQ(&broken, feature->GetBrokenDependencyAt(0));
    }
    EXPECT_EQ(0u, m_model.GetPart(1)->GetFeatures()[0]->GetBrokenDependencyCount());
    try {
        m_model.GetBrokenDependency(1);
        ADD_FAILURE() << "no error";
    } catch (const ValueOutOfRange& e) {
        EXPECT_EQ(L"BrokenDependency Index", W(e.Argument<1>()));
        EXPECT_EQ(1, e.Argument<2>());
    }
}

// A broken dependency whose every dependent product has a fixing part can be fixed, and the
// selection fixes it once the fixing part is installed.
TEST_F(ModelTest, BrokenDependenciesTheSelectionFixes)
{
    const FakeDependency oldCoreOnItself{kCoreUpgrade, L"", L"", L"", L"", L"OldFeature", L"", 0, 0};
    m_app.systemInfo.partInfos = {
        {kOldCoreCode, {}, kCoreUpgrade, {modeltest::FakeDependent{0, oldCoreOnItself}}},
    };
    LoadWithBrokenDependencies();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(1u, m_model.GetBrokenDependencyCount());

    CFeature& docs = *m_model.FindFeature(L"CoreDocs");
    ASSERT_EQ(1u, docs.GetBrokenDependencyCount());
    EXPECT_TRUE(docs.CanFixBrokenDependencies());
    docs.m_actionState = INSTALLSTATE_SOURCE;  // the part changes, through another feature of it
    EXPECT_EQ(0, docs.CountUnfixableBrokenDependencies());
}

TEST_F(ModelTest, ComponentFailuresWhileFindingBrokenDependencies)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_app.systemInfo.failWith = E_FAIL;
    try {
        m_model.FindBrokenDependencies();
        ADD_FAILURE() << "no error";
    } catch (const ZKSystemInfoFailure& e) {
        EXPECT_EQ(
            L"Unexpected error while finding broken dependencies. Result=80004005", std::wstring(e.GetDebugMessage()));
    }
    m_app.systemInfo.failWith = E_OUTOFMEMORY;
    EXPECT_THROW(m_model.FindBrokenDependencies(), std::bad_alloc);
}

// The initialisation runs its steps in order with a progress step after each; a step that fails
// ends it after the previous step's progress, and an abort is seen after the step that runs.
TEST_F(ModelTest, InitializationStepsAndTheirProgress)
{
    modeltest::MessageBoxRecorder boxes;
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    std::vector<int> events;
    try {
        m_model.Initialize(&ProgressRecorder, &events);
        ADD_FAILURE() << "the folder check of step 5 is expected to stop the run";
    } catch (const OperationAborted& e) {
        // The fixture's required path properties have no values.
        EXPECT_EQ(L"ValidateSystemFolderProperties", W(e.Argument<1>()));
    }
    EXPECT_EQ((std::vector<int>{4, 1, 1, 1, 1}), events);  // four steps done, none after the failing one
    EXPECT_EQ(1u, boxes.texts.size());
    EXPECT_NE(nullptr, m_model.GetFeatureTree().GetRoot());

    CDistribution aborted;
    testsupport::ScopedDistributionServices scope(&aborted);
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    aborted.PopulateFromIniInfo(m_config, nullptr, nullptr);
    aborted.Abort();
    events.clear();
    try {
        aborted.Initialize(&ProgressRecorder, &events);
        ADD_FAILURE() << "no abort";
    } catch (const OperationAborted& e) {
        EXPECT_EQ(L"CDistribution::Initialize", W(e.Argument<1>()));
    }
    EXPECT_EQ((std::vector<int>{4, 1}), events);  // the first step still runs
}

// The install level: kept without a selection, then the initial selection for it.
TEST_F(ModelTest, InstallLevelAndTheInitialSelection)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.RunCostingActions();
    for (CFeature* feature : m_model.GetFeatureTree().GetFeatures())
        feature->m_actionState = INSTALLSTATE_UNKNOWN;
    m_model.SetInstallLevel(3, true);
    EXPECT_EQ(3, m_model.GetInstallLevel());
    CString level;
    m_model.GetProperty(L"INSTALLLEVEL", level);
    EXPECT_EQ(L"3", W(level));
    EXPECT_EQ(INSTALLSTATE_UNKNOWN, m_model.FindFeature(L"Core")->GetActionState());  // no selection yet

    m_model.SetInstallLevel(3, false);
    EXPECT_EQ(INSTALLSTATE_LOCAL, m_model.FindFeature(L"Core")->GetActionState());
    m_model.PushFeatureStatesToSession();
    EXPECT_TRUE(m_model.GetPart(0)->HasAction());
}

namespace {

// "name=state" for every feature of the model in tree order, of the given member.
std::wstring FeatureValues(CDistribution& model, int CFeature::*member)
{
    std::wstring text;
    CFeatureTree& tree = model.GetFeatureTree();
    for (CFeature* f = tree.GetRoot(); f; f = tree.GetNext(f))
        text += W(f->GetName()) + L"=" + std::to_wstring(f->*member) + L" ";
    return text;
}

}  // namespace

// The initial selection's last user requests: the level state, but for the features of an
// installed part shown among the installed programs their installed state, unless the parent of
// the same product was not chosen or the feature is transitive below an installed feature. (The
// fixture's Extras has level 0 by condition; ExtrasTools is transitive and not installed;
// ExtrasMenu stands for something outside the part.)
TEST_F(ModelTest, InitialSelectionGivesLastUserRequests)
{
    struct Case {
        const char* name;
        bool extrasShown;
        bool extrasInstalled;
        const wchar_t* lastUserRequests;
    };
    const Case cases[] = {
        {"an installed part among the installed programs", true, true,
            L"Orphan=5 Core=5 CoreDocs=5 CoreHelp=5 Extras=3 ExtrasTools=5 ExtrasMenu=5 InstalledProd1=5 "},
        {"below a parent of the same product that is not installed", true, false,
            L"Orphan=5 Core=5 CoreDocs=5 CoreHelp=5 Extras=2 ExtrasTools=5 ExtrasMenu=5 InstalledProd1=5 "},
        {"an installed part hidden from the installed programs", false, true,
            L"Orphan=5 Core=5 CoreDocs=5 CoreHelp=5 Extras=2 ExtrasTools=5 ExtrasMenu=5 InstalledProd1=5 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestAppServices app;
        app.systemInfo = m_app.systemInfo;
        if (c.extrasShown)
            app.systemInfo.products.push_back({kExtrasCode, 1, {}});
        app.RequestFeature(L"CoreDocs", INSTALLSTATE_SOURCE);
        app.DisallowAbsent(L"CoreHelp");
        CDistribution model;
        testsupport::ScopedDistributionServices scope(&model);
        Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
        model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        model.RunCostingActions();
        if (!c.extrasInstalled)
            model.FindFeature(L"Extras")->m_installedState = INSTALLSTATE_ABSENT;
        model.SetInstallLevel(10, false);
        EXPECT_EQ(c.lastUserRequests, FeatureValues(model, &CFeature::m_lastUserRequest));
    }
}

// A level set again recomputes the selection only when it differs from the last one or a
// feature carries the change mark, which every application of requests leaves.
TEST_F(ModelTest, InstallLevelSetAgainRecomputesOnlyWhenNeeded)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.RunCostingActions();
    CFeature* core = m_model.FindFeature(L"Core");
    auto clearMarks = [this] {
        for (CFeature* feature : m_model.GetFeatureTree().GetFeatures())
            feature->m_changed = false;
    };
    m_model.SetInstallLevel(10, false);
    ASSERT_EQ(INSTALLSTATE_LOCAL, core->GetActionState());

    // The user's change marks the feature: the same level recomputes the selection.
    ASSERT_EQ(INSTALLSTATE_ABSENT, core->RequestState(INSTALLSTATE_ABSENT, false, nullptr, nullptr));
    m_model.SetInstallLevel(10, false);
    EXPECT_EQ(INSTALLSTATE_LOCAL, core->GetActionState());
    EXPECT_TRUE(core->IsChanged());

    // Nothing marked: the same level keeps the selection as it stands.
    clearMarks();
    core->m_actionState = INSTALLSTATE_ABSENT;
    m_model.SetInstallLevel(10, false);
    EXPECT_EQ(INSTALLSTATE_ABSENT, core->GetActionState());

    // Another level recomputes it, marks or not.
    m_model.SetInstallLevel(3, false);
    EXPECT_EQ(INSTALLSTATE_LOCAL, core->GetActionState());
    EXPECT_EQ(3, m_model.GetInstallLevel());
}

// Dependency rows resolved against the parts: inconsistencies of the tables in one numbered
// report; a placeholder's unsatisfied row is not reported.
TEST_F(ModelTest, DependencyResolutionReportsEveryInconsistency)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
    m_model.BuildFeatureTree();
    m_model.PopulateZkDependencyInfo();  // no dependency tables: the subsets only
    m_model.m_dependencyRows.clear();
    CPart* core = m_model.GetPart(0);
    m_model.m_dependencyRows.emplace_back(L"{00000000-0000-0000-0000-00000000000A}", L"", L"1.0", L"2.0", L"1033,1031",
        0x100 | 0x400, L"CoreDocs", core, L"", nullptr);
    m_model.m_dependencyRows.emplace_back(
        L"{00000000-0000-0000-0000-00000000000B}", L"", L"", L"", L"", 0, L"InstalledProd1", nullptr, L"", nullptr);
    m_model.m_dependencyRows.emplace_back(kExtrasUpgrade, L"", L"", L"", L"", 0, L"NoSuchFeature", core, L"", nullptr);
    m_model.m_dependencyRows.emplace_back(
        kExtrasUpgrade, L"Unknown", L"", L"", L"", 0, L"CoreHelp", core, L"", nullptr);
    m_model.m_dependencyRows.emplace_back(
        L"{00000000-0000-0000-0000-00000000000C}", L"", L"", L"", L"", 0, L"CoreDocs", core, L"VersionNT < 1", nullptr);
    try {
        m_model.ResolveDependencies();
        ADD_FAILURE() << "no report";
    } catch (const InvalidDependencies& e) {
        EXPECT_EQ(L"1. Product Model Core ({6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}) depends on\n"
                  L"    product with upgrade code {00000000-0000-0000-0000-00000000000A},\n"
                  L"    version [1.0,2.0), language not in {1033,1031}\n"
                  L"    which is not in the distibution.\n\n"
                  L"2. Feature NoSuchFeature listed in ZKDependency table,\n"
                  L"    but not in Feature table of Model Core\n({6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11})\n\n"
                  L"3. FeatureSubset Unknown in Model Extras ({6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21})\n"
                  L"    requested by Model Core ({6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}) but is not defined.\n\n",
            W(e.Argument<1>()));
    }

    // A row a part satisfies gives the feature one dependency group, and the level is set again.
    m_model.m_dependencyRows.clear();
    m_model.m_dependencyRows.emplace_back(kExtrasUpgrade, L"Tools", L"", L"", L"", 0, L"CoreDocs", core, L"", nullptr);
    m_model.ResolveDependencies();
    EXPECT_EQ(1u, m_model.FindFeature(L"CoreDocs")->GetDependencyGroups().size());
    bool required = true;
    EXPECT_EQ(1, m_model.CheckThirdPartyDependencies(required));
    EXPECT_FALSE(required);
}
