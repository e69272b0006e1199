// The installed products of the core part's family and what installing the part means for them:
// the upgrade rows of the merged package, the related products as Windows Installer lists them,
// the three modes of the upgrade table, whether the part may be installed and the part's action.
// The products are real installations in the test prefix, made from the old core's package with
// another ProductCode, version, language or package code.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include "Distribution.h"
#include "Feature.h"
#include "ModelFixture.h"
#include "MsiApi.h"
#include "Part.h"
#include "TestSupport.h"

using modeltest::LoadedModel;
using namespace modeltest::fixture;

namespace {

const wchar_t kCorePackage[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A14}";
const wchar_t kOtherCode[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A41}";
const wchar_t kOtherPackage[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A49}";

// An installed product of the core part's family (UpgradeCode ...A12).
struct Product {
    const wchar_t* productCode;
    const wchar_t* version;
    const wchar_t* language;
    const wchar_t* packageCode;
};

void Check(UINT result, const char* what)
{
    EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS), result) << what;
}

// Sets one property of the package's Property table (the value is bound; the name is not,
// since the engine cannot take a marker only in the WHERE clause).
void SetProperty(MSIHANDLE database, const wchar_t* name, const wchar_t* value)
{
    const std::wstring sql = std::wstring(L"UPDATE `Property` SET `Value`=? WHERE `Property`='") + name + L"'";
    MSIHANDLE view = 0;
    Check(MsiDatabaseOpenViewW(database, sql.c_str(), &view), "open the update");
    const MSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringW(record, 1, value);
    Check(MsiViewExecute(view, record), "update a property");
    MsiCloseHandle(record);
    MsiCloseHandle(view);
}

// Builds the product's package in `dir` from the old core's package and installs it.
void Install(const testsupport::TempDir& dir, const Product& product)
{
    const std::wstring path = dir.File(std::wstring(L"variant") + product.version + product.language + L".msi");
    ASSERT_TRUE(CopyFileW(testsupport::TestDataPath(L"model_coreold.msi").c_str(), path.c_str(), FALSE));
    MSIHANDLE database = 0;
    ASSERT_EQ(static_cast<UINT>(ERROR_SUCCESS), MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_TRANSACT, &database));
    SetProperty(database, L"ProductCode", product.productCode);
    SetProperty(database, L"ProductVersion", product.version);
    SetProperty(database, L"ProductLanguage", product.language);
    MSIHANDLE summary = 0;
    Check(MsiGetSummaryInformationW(database, nullptr, 2, &summary), "open the summary");
    Check(MsiSummaryInfoSetPropertyW(summary, PIDSI_REVNUMBER, VT_LPSTR, 0, nullptr, product.packageCode),
        "package code");
    const std::wstring languages = std::wstring(L"Intel;") + product.language;
    Check(MsiSummaryInfoSetPropertyW(summary, PIDSI_TEMPLATE, VT_LPSTR, 0, nullptr, languages.c_str()), "template");
    Check(MsiSummaryInfoPersist(summary), "persist the summary");
    MsiCloseHandle(summary);
    Check(MsiDatabaseCommit(database), "commit");
    MsiCloseHandle(database);
    ASSERT_EQ(static_cast<UINT>(ERROR_SUCCESS), MsiInstallProductW(path.c_str(), L"")) << "installing a variant";
}

// "modes language/version/upgrade allows 0|1 exclusive <codes> state <s>", then each related
// product "[<code> v<version> lang <language> excl 0|1]".
std::wstring Describe(CPart& part)
{
    const CPart::UpgradeTable& table = *part.GetUpgradeTable();
    std::wostringstream out;
    out << L"modes " << table.GetLanguageMode() << L"/" << table.GetVersionMode() << L"/" << table.GetUpgradeMode()
        << L" allows " << table.AllowsInstall() << L" exclusive";
    for (size_t i = 0; i < table.GetExclusiveCount(); ++i)
        out << L" " << W(table.GetExclusiveAt(i)->m_productCode).substr(34, 3);
    out << L" state " << part.GetProductState();
    const CPart::RelatedPartList& related = part.GetRelatedPartList();
    for (size_t i = 0; i < related.GetCount(); ++i) {
        const CPart::RelatedPart& r = related.GetAt(i);
        out << L" [" << W(r.m_productCode).substr(34, 3) << L" v" << W(r.m_versionString) << L" lang "
            << W(r.m_language) << L" excl " << r.m_exclusive << L"]";
    }
    return out.str();
}

// The products of the family are installed and removed by each test itself.
class RelatedProductsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr); }

    RelatedProductsTest() { m_app.systemInfo.products = {{kCoreCode, 1, {}}}; }
    ~RelatedProductsTest() override { RemoveProducts(); }

    void RemoveProducts()
    {
        for (const wchar_t* code : m_installed)
            MsiConfigureProductW(code, 0, INSTALLSTATE_ABSENT);
        m_installed.clear();
    }
    void InstallProducts(const std::vector<Product>& products)
    {
        for (const Product& product : products) {
            Install(m_dir, product);
            m_installed.push_back(product.productCode);
        }
    }

    // A fresh copy of the model's files with the statements run on its merged package.
    void PrepareFiles(const std::vector<std::wstring>& statements)
    {
        modeltest::CopyModelFiles(m_files);
        MSIHANDLE database = 0;
        ASSERT_EQ(static_cast<UINT>(ERROR_SUCCESS),
            MsiOpenDatabaseW(m_files.File(L"merged.msi").c_str(), MSIDBOPEN_TRANSACT, &database));
        for (const std::wstring& statement : statements) {
            MSIHANDLE view = 0;
            Check(MsiDatabaseOpenViewW(database, statement.c_str(), &view), "open a statement");
            Check(MsiViewExecute(view, 0), "run a statement");
            MsiCloseHandle(view);
        }
        Check(MsiDatabaseCommit(database), "commit the merged package");
        MsiCloseHandle(database);
    }

    testsupport::CurrentFolderGuard m_currentFolder;
    testsupport::TempDir m_dir;
    testsupport::TempDir m_files;
    modeltest::TestAppServices m_app;
    std::vector<const wchar_t*> m_installed;
};

// An upgrade row of the core part.
std::wstring UpgradeRow(const wchar_t* versionMin, const wchar_t* versionMax, const wchar_t* languages, int attributes,
    const wchar_t* remove, const wchar_t* preventsInstall)
{
    return std::wstring(L"INSERT INTO `ZKUpgradeProduct` (`UpgradeCode_`, `ProductCode`, `VersionMin_`, "
                        L"`VersionMax_`, `Language_`, `Attributes_`, `ActionProperty`, `Remove`, "
                        L"`PreventsInstall`) VALUES ('")
        + kCoreUpgrade + L"', '" + kCoreCode + L"', '" + versionMin + L"', '" + versionMax + L"', '" + languages
        + L"', " + std::to_wstring(attributes) + L", 'ROW', '" + remove + L"', '" + preventsInstall + L"')";
}

}  // namespace

// The core part is {...A11} 2.0.0 in 1033 with package code {...A14}. Its upgrade rows in the
// fixture: 0.5 (inclusive) to 2.0.0 removing ALL; a detect-only row from 0.1 that does not
// prevent installation; a row from 0.2 that removes single features. Each case adds rows and
// installs products; the part's action is asked with its features staying installed and with its
// top feature added.
TEST_F(RelatedProductsTest, UpgradeTableOfTheInstalledFamily)
{
    const std::wstring odwBuilt = L"INSERT INTO `Property` (`Property`, `Value`) VALUES ('ZKODWBUILTDIST', 'Build 1')";
    struct Case {
        const char* name;
        std::vector<std::wstring> statements;
        std::vector<Product> products;
        const wchar_t* expected;
        int actionStaying;  // every feature stays installed
        bool upgrading;     // the top feature is added
    };
    const Case cases[] = {
        {"lower version outside every taking row", {}, {{kOtherCode, L"0.3.0", L"1033", kOtherPackage}},
            L"modes 0/1/1 allows 1 exclusive state -1 [A41 v0.3.0 lang 1033 excl 0]", 2, false},
        {"lower version in a row", {}, {{kOtherCode, L"1.0.0", L"1033", kOtherPackage}},
            L"modes 0/2/1 allows 1 exclusive A41 state -1 [A41 v1.0.0 lang 1033 excl 1]", 2, true},
        {"higher version in no row", {}, {{kOtherCode, L"3.0.0", L"1033", kOtherPackage}},
            L"modes 0/4/1 allows 1 exclusive state -1 [A41 v3.0.0 lang 1033 excl 0]", 2, false},
        {"higher version in a row removing ALL", {UpgradeRow(L"2.5", L"", L"", 0, L"ALL", L"0")},
            {{kOtherCode, L"3.0.0", L"1033", kOtherPackage}},
            L"modes 0/5/1 allows 0 exclusive A41 state -1 [A41 v3.0.0 lang 1033 excl 1]", 2, false},
        {"Remove compared without case", {UpgradeRow(L"2.5", L"", L"", 0, L"all", L"0")},
            {{kOtherCode, L"3.0.0", L"1033", kOtherPackage}},
            L"modes 0/5/1 allows 0 exclusive A41 state -1 [A41 v3.0.0 lang 1033 excl 1]", 2, false},
        {"detect-only row that prevents installation", {UpgradeRow(L"2.5", L"", L"", 2, L"", L"1")},
            {{kOtherCode, L"3.0.0", L"1033", kOtherPackage}},
            L"modes 0/5/1 allows 0 exclusive A41 state -1 [A41 v3.0.0 lang 1033 excl 1]", 2, false},
        {"row bounds inclusive, version outside the language list",
            {UpgradeRow(L"3.0", L"3.0", L"1031", 0x300, L"", L"0")}, {{kOtherCode, L"3.0.0", L"1033", kOtherPackage}},
            L"modes 0/4/1 allows 1 exclusive state -1 [A41 v3.0.0 lang 1033 excl 0]", 2, false},
        {"row bounds inclusive, the language excluded by the row",
            {UpgradeRow(L"3.0", L"3.0", L"1031", 0x700, L"", L"0")}, {{kOtherCode, L"3.0.0", L"1033", kOtherPackage}},
            L"modes 0/5/1 allows 0 exclusive A41 state -1 [A41 v3.0.0 lang 1033 excl 1]", 2, false},
        {"same version in another language a row takes", {UpgradeRow(L"2.0", L"2.0.0", L"1031", 0x300, L"", L"0")},
            {{kOtherCode, L"2.0.0", L"1031", kOtherPackage}},
            L"modes 3/3/1 allows 0 exclusive A41 state -1 [A41 v2.0.0 lang 1031 excl 1]", 2, false},
        {"same version in another language no row takes", {}, {{kOtherCode, L"2.0.0", L"1031", kOtherPackage}},
            L"modes 2/3/1 allows 1 exclusive state -1 [A41 v2.0.0 lang 1031 excl 0]", 2, false},
        {"same version of another product", {}, {{kOtherCode, L"2.0.0", L"1033", kOtherPackage}},
            L"modes 1/3/1 allows 1 exclusive state -1 [A41 v2.0.0 lang 1033 excl 0]", 2, false},
        {"same version of another product, built by the packaging tool", {odwBuilt},
            {{kOtherCode, L"2.0.0", L"1033", kOtherPackage}},
            L"modes 1/3/4 allows 1 exclusive state -1 [A41 v2.0.0 lang 1033 excl 0]", 2, true},
        {"lower version of another product, built by the packaging tool", {odwBuilt},
            {{kOtherCode, L"1.0.0", L"1033", kOtherPackage}},
            L"modes 0/2/1 allows 1 exclusive A41 state -1 [A41 v1.0.0 lang 1033 excl 1]", 2, true},
        {"the part itself installed", {}, {{kCoreCode, L"2.0.0", L"1033", kOtherPackage}},
            L"modes 1/3/2 allows 1 exclusive state 5 [A11 v2.0.0 lang 1033 excl 0]", 2, false},
        {"the part itself installed from its own package", {}, {{kCoreCode, L"2.0.0", L"1033", kCorePackage}},
            L"modes 1/3/2 allows 1 exclusive state 5 [A11 v2.0.0 lang 1033 excl 0]", 2, false},
        {"the part's product in a lower version: minor upgrade", {}, {{kCoreCode, L"1.0.0", L"1033", kOtherPackage}},
            L"modes 0/2/3 allows 1 exclusive A11 state -1 [A11 v1.0.0 lang 1033 excl 1]", 3, true},
        {"the part's product and version in another language", {}, {{kCoreCode, L"2.0.0", L"1031", kOtherPackage}},
            L"modes 3/3/3 allows 0 exclusive A11 state -1 [A11 v2.0.0 lang 1031 excl 1]", 2, false},
        {"the part's package code in a lower version of its product", {},
            {{kCoreCode, L"1.0.0", L"1033", kCorePackage}},
            L"modes 0/2/5 allows 0 exclusive A11 state -1 [A11 v1.0.0 lang 1033 excl 1]", 2, false},
        {"the part's package code in another product", {}, {{kOtherCode, L"1.0.0", L"1033", kCorePackage}},
            L"modes 0/2/5 allows 0 exclusive A41 state -1 [A41 v1.0.0 lang 1033 excl 1]", 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrepareFiles(c.statements);
        InstallProducts(c.products);
        {
            LoadedModel loaded(m_files, modeltest::ModelIni());
            CPart& core = loaded.Core();
            EXPECT_EQ(c.expected, Describe(core));
            for (const wchar_t* feature : {L"Core", L"CoreDocs", L"CoreHelp"})
                loaded.SetStates(feature, INSTALLSTATE_LOCAL, INSTALLSTATE_LOCAL);
            core.ComputeAction();
            EXPECT_EQ(c.actionStaying, core.GetAction());
            // Adding a feature installs the part unless its upgrade table refuses it.
            loaded.SetStates(L"Core", INSTALLSTATE_ABSENT, INSTALLSTATE_LOCAL);
            core.ComputeAction();
            EXPECT_EQ(wcsstr(c.expected, L"allows 1") ? CPart::kActionInstall : CPart::kActionNone, core.GetAction());
            EXPECT_EQ(c.upgrading, core.IsUpgrading());
        }
        RemoveProducts();
    }
}

namespace {

UINT WINAPI ProductInfoWithoutVersionString(LPCWSTR product, LPCWSTR name, LPWSTR buffer, LPDWORD count)
{
    if (std::wstring(name) == INSTALLPROPERTY_VERSIONSTRING)
        return ERROR_UNKNOWN_PROPERTY;
    return MsiGetProductInfoW(product, name, buffer, count);
}

}  // namespace

// An engine that keeps no VersionString of a product: its packed Version gives major, minor and
// build, and the product is classified by that version.
TEST_F(RelatedProductsTest, VersionOfAProductWithoutVersionString)
{
    PrepareFiles({});
    InstallProducts({{kOtherCode, L"1.2.3", L"1033", kOtherPackage}});
    MsiApiOverride<decltype(MsiApiTable::MsiGetProductInfoW)> seam(
        MsiApi().MsiGetProductInfoW, &ProductInfoWithoutVersionString);
    LoadedModel loaded(m_files, modeltest::ModelIni());
    EXPECT_EQ(L"modes 0/2/1 allows 1 exclusive A41 state -1 [A41 v1.2.3.0 lang 1033 excl 1]", Describe(loaded.Core()));
}
