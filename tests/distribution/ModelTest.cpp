// The model of a sample distribution built in-process: two parts of a merged package, an older
// product of the first part's family and the second part itself installed in the test prefix,
// and an in-memory system-information component that knows the installed products and their
// dependencies. The parts, the feature tree and the dependency rows are asserted whole.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <sstream>
#include <string>
#include <vector>

#include "ConfigInfo.h"
#include "Distribution.h"
#include "DistributionServices.h"
#include "Feature.h"
#include "InstallerErrors.h"
#include "ModelTestSupport.h"
#include "Part.h"
#include "PartInfo.h"
#include "TestSupport.h"

using modeltest::FakeDependency;
using modeltest::TestAppServices;

namespace {

const wchar_t kCoreCode[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}";
const wchar_t kCoreUpgrade[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A12}";
const wchar_t kExtrasCode[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21}";
const wchar_t kExtrasUpgrade[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A22}";
const wchar_t kOldCoreCode[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A31}";
const wchar_t kUnknownCode[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AFF}";

std::string Ini(const char* coreProductCode)
{
    return std::string("[MsiEngine]\r\nWinNTPath=engine.exe\r\nCommandLine=/q\r\n"
                       "[Localization]\r\nLanguages=1033\r\nCustomRes1033=custom.dll\r\n"
                       "[Distribution]\r\nTitle=100\r\nGUID={6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4AEE}\r\n"
                       "Version=1.0.0.0\r\n"
                       "[Utilities]\r\nUpgradeManagerPostProcessor=post.exe\r\nZKSysInfo=sysinfo.dll\r\n"
                       "[Merged]\r\nPath=merged.msi\r\n"
                       "[Parts]\r\nCore=\r\nExtras=\r\n"
                       "[Core]\r\nPath=core.msi\r\nProductCode=") +
           coreProductCode +
           "\r\n"
           "[Extras]\r\nPath=extras.msi\r\nProductCode={6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21}\r\n";
}

std::wstring W(const CString& s)
{
    return s.GetString();
}

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

void Install(const wchar_t* package)
{
    const UINT result = MsiInstallProductW(testsupport::TestDataPath(package).c_str(), L"");
    ASSERT_EQ(ERROR_SUCCESS, result) << "installing " << std::string(package, package + wcslen(package));
}

class ModelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        Install(L"model_coreold.msi");
        Install(L"model_extras.msi");
    }
    static void TearDownTestSuite()
    {
        MsiConfigureProductW(kOldCoreCode, 0, INSTALLSTATE_ABSENT);
        MsiConfigureProductW(kExtrasCode, 0, INSTALLSTATE_ABSENT);
    }

    ModelTest()
    {
        CopyFileW(testsupport::TestDataPath(L"model_merged.msi").c_str(), m_dir.File(L"merged.msi").c_str(), FALSE);
        CopyFileW(testsupport::TestDataPath(L"model_core.msi").c_str(), m_dir.File(L"core.msi").c_str(), FALSE);
        CopyFileW(testsupport::TestDataPath(L"model_extras.msi").c_str(), m_dir.File(L"extras.msi").c_str(), FALSE);
        CopyFileW((testsupport::ModuleDir() + L"\\model_custom.dll").c_str(), m_dir.File(L"custom.dll").c_str(), FALSE);
        for (const wchar_t* name : {L"engine.exe", L"post.exe", L"sysinfo.dll"})
            testsupport::WriteFileBytes(m_dir.File(name), "");

        m_app.systemInfo.products = {{kCoreCode, 1, {}}, {kOldCoreCode, 0, {L"A", L"B"}}};
        m_app.systemInfo.installed = {
            {kOldCoreCode,
             {{kExtrasUpgrade, L"Tools", L"1.0", L"", L"1033", L"OldFeature", L"VersionNT", 0x100},
              {kExtrasUpgrade, L"", L"", L"", L"", L"Missing", L"", 0}}},
            {kExtrasCode, {{kCoreUpgrade, L"", L"", L"", L"", L"Extras", L"", 0}}},
            {kUnknownCode, {{kExtrasUpgrade, L"", L"", L"", L"", L"Any", L"", 0}}},
            {kOldCoreCode, {{kCoreUpgrade, L"", L"", L"", L"", L"OldFeature", L"", 0}}},
        };
        m_app.RequestFeature(L"CoreDocs", INSTALLSTATE_SOURCE);
        m_app.DisallowAbsent(L"CoreHelp");
    }
    ~ModelTest() override { m_config.FreeResourceModules(); }

    void Configure(const std::string& ini)
    {
        testsupport::WriteFileBytes(m_dir.File(L"setup.ini"), ini);
        m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        m_config.PopulateMsiInfo();
        m_config.LoadLanguageResource();
        m_config.Populate();
    }

    testsupport::CurrentFolderGuard m_currentFolder;
    testsupport::TempDir m_dir;
    TestAppServices m_app;
    CConfigInfo m_config;
    CDistribution m_model;
    testsupport::ScopedDistributionServices m_modelServices{&m_model};
};

}  // namespace

TEST_F(ModelTest, BuildsPartsFeatureTreeAndDependencyRows)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}"));
    std::vector<int> events;
    m_model.PopulateFromIniInfo(m_config, &ProgressRecorder, &events);
    m_model.Initialize(&ProgressRecorder, &events);
    std::vector<CString> claims;
    for (size_t i = 0; i < m_model.GetPartCount(); ++i)
        m_model.GetPart(i)->ResolvePartProducts(m_model, claims);

    EXPECT_EQ((std::vector<int>{1, 1, 4, 1, 3}), events);
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
              L"arp 0 3rd 1 state 5 related [{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A21} Model Extras v1.5.0 lang 1033 "
              L"excl 0] modes 1/3/2 (Reinstall) allows 1 exclusive core Model Core claims",
              Describe(*m_model.GetPart(1)));

    EXPECT_EQ(
        L"Orphan kind 1 part - pkgname '' display 0 level 1 attr 0 trans 0/0 spec -1 installed 2 dir '' 'Orphan'\n"
        L"Core kind 0 part Model Core pkgname 'Core' display 1 level 1 attr 0 trans 0/0 spec -1 installed -1 "
        L"dir 'INSTALLDIR' 'Core'\n"
        L"  CoreDocs kind 0 part Model Core pkgname 'CoreDocs' display 2 level 3 attr 0 trans 0/0 spec 4 "
        L"installed -1 dir '' 'Docs'\n"
        L"  CoreHelp kind 0 part Model Core pkgname 'CoreHelp' display 4 level 3 attr 16 trans 0/0 spec 3 "
        L"installed -1 dir '' 'Help'\n"
        L"Extras kind 0 part Model Extras pkgname 'Extras' display 3 level 1 attr 0 trans 0/0 spec -1 "
        L"installed 3 dir '' 'Extras'\n"
        L"  ExtrasTools kind 0 part Model Extras pkgname 'ExtrasTools' display 5 level 1 attr 0 trans 1/1 "
        L"spec -1 installed -1 dir '' 'Tools'\n"
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

TEST_F(ModelTest, PartMissingFromTheSummaryCancelsTheLoad)
{
    Configure(Ini("{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A77}"));
    modeltest::MessageBoxRecorder boxes;
    try {
        m_model.PopulateFromIniInfo(m_config, nullptr, nullptr);
        FAIL() << "no error";
    } catch (const OperationAborted& e) {
        EXPECT_EQ(L"CPart::Populate", W(e.Argument<1>()));
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Initialization aborted. Part section [Core] in setup.ini file contains an "
                                         L"invalid ProductCode key value (={6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A77})."}),
              boxes.texts);
    EXPECT_EQ(1, m_app.cancelLoadingCalls);
    EXPECT_EQ(0u, m_model.GetPartCount());
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
