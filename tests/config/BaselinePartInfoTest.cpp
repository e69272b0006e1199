// The baseline providers: [UpgradeCodes], [KolBaseProviders] and the provider sections, with
// the installed related products supplied through the engine's function table.
#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CStringText.h"
#include "ConfigInfo.h"
#include "IniErrorList.h"
#include "KolBaselinePartInfo.h"
#include "MsiApi.h"
#include "PartsTestSupport.h"

using testsupport::Text;

namespace {

const wchar_t kUpgradeCode[] = L"{4C0E9A51-2B7D-4F3A-9E61-0A5B7C3D2E90}";

// The installed products related to kUpgradeCode: product code to VersionString ("" when the
// version cannot be read).
std::vector<std::pair<std::wstring, std::wstring>> g_related;
std::vector<std::wstring> g_enumeratedCodes;

UINT WINAPI FakeEnumRelatedProducts(LPCWSTR upgrade, DWORD, DWORD index, LPWSTR product)
{
    g_enumeratedCodes.push_back(upgrade ? upgrade : L"<null>");
    if (!upgrade || std::wstring(upgrade) != kUpgradeCode)
        return ERROR_INVALID_PARAMETER;
    if (index >= g_related.size())
        return ERROR_NO_MORE_ITEMS;
    wcscpy(product, g_related[index].first.c_str());
    return ERROR_SUCCESS;
}

UINT WINAPI FakeGetProductInfo(LPCWSTR product, LPCWSTR name, LPWSTR buffer, LPDWORD count)
{
    if (std::wstring(name) != INSTALLPROPERTY_VERSIONSTRING || *count != 255)
        return ERROR_INVALID_PARAMETER;
    for (const auto& entry : g_related) {
        if (entry.first == product) {
            if (entry.second.empty())
                return ERROR_UNKNOWN_PROPERTY;
            wcscpy(buffer, entry.second.c_str());
            *count = static_cast<DWORD>(entry.second.size());
            return ERROR_SUCCESS;
        }
    }
    return ERROR_UNKNOWN_PRODUCT;
}

class BaselinePartInfoTest : public ::testing::Test {
protected:
    BaselinePartInfoTest()
        : m_enum(MsiApi().MsiEnumRelatedProductsW, &FakeEnumRelatedProducts),
          m_info(MsiApi().MsiGetProductInfoW, &FakeGetProductInfo)
    {
        g_enumeratedCodes.clear();
        g_related = {{L"{00000000-0000-0000-0000-000000000001}", L"2.0.0.0"},
            {L"{00000000-0000-0000-0000-000000000002}", L""}, {L"{00000000-0000-0000-0000-000000000003}", L"10.0.0.0"},
            {L"{00000000-0000-0000-0000-000000000004}", L"9.5.0.0"}};
    }

    int Read(const std::string& ini)
    {
        m_sample.WriteIni(ini);
        m_config.SetIniFile(m_sample.Path().c_str(), L"setup.ini");
        return m_config.ReadBaselineProviders(m_errors);
    }
    std::wstring ErrorText() const
    {
        std::wostringstream out;
        out << m_errors;
        return out.str();
    }

    testsupport::StandInServices m_services;
    testsupport::CurrentFolderGuard m_keeper;
    partstest::SampleFolder m_sample;
    MsiApiOverride<decltype(MsiApiTable::MsiEnumRelatedProductsW)> m_enum;
    MsiApiOverride<decltype(MsiApiTable::MsiGetProductInfoW)> m_info;
    CConfigInfo m_config;
    IniErrorList m_errors;
};

}  // namespace

TEST_F(BaselinePartInfoTest, NoProvidersSectionGivesNoProviderAndNoError)
{
    EXPECT_EQ(0, Read("[UpgradeCodes]\r\nKOLCORE={CORE}\r\n"));
    EXPECT_EQ(0u, m_config.GetKolBaselinePartInfoCount());
    EXPECT_TRUE(m_errors.IsEmpty());
    EXPECT_EQ(L"{CORE}", Text(m_config.GetKolCoreUpgradeCode()));
}

TEST_F(BaselinePartInfoTest, ProviderFieldsAndTheHighestInstalledVersion)
{
    std::string ini = std::string("[KolBaseProviders]\r\nRuntime=\r\nOld=\r\n"
                                  "[Runtime]\r\nPath=parta.msi\r\nVersions=1.0,2.0\r\nDriverProperty=RUNTIMEDIR\r\n"
                                  "VersionMin=1.2.3.4\r\nVersionMax=\r\nSecondaryDriverProperty=RUNTIME2\r\n"
                                  "SecondaryVersionMin=0.0.1\r\nSecondaryVersionMax=65535.0.0.1\r\n"
                                  "UpgradeCode=")
        + "{4C0E9A51-2B7D-4F3A-9E61-0A5B7C3D2E90}\r\nProductVersion=10.0.0.0\r\n"
          "[Old]\r\nPath=parta.msi\r\nUpgradeCode={4C0E9A51-2B7D-4F3A-9E61-0A5B7C3D2E90}\r\n"
          "ProductVersion=9.1.0.0\r\n";
    EXPECT_EQ(2, Read(ini));
    EXPECT_TRUE(m_errors.IsEmpty()) << ErrorText();
    ASSERT_EQ(2u, m_config.GetKolBaselinePartInfoCount());

    // Key order: "Old" before "Runtime".
    CConfigInfo::KolBaselinePartInfo* old = m_config.GetBaselinePartInfo(0);
    CConfigInfo::KolBaselinePartInfo* runtime = m_config.GetBaselinePartInfo(1);
    EXPECT_EQ(L"Old", Text(old->GetName()));
    EXPECT_EQ(L"Runtime", Text(runtime->GetName()));
    EXPECT_EQ(L"parta.msi", Text(runtime->GetPath()));
    EXPECT_EQ(L"1.0,2.0", Text(runtime->GetVersions()));
    EXPECT_EQ(L"RUNTIMEDIR", Text(runtime->GetDriverProperty()));
    EXPECT_EQ(0x0001000200030004ull, runtime->GetVersionMin());
    EXPECT_EQ(0u, runtime->GetVersionMax());
    EXPECT_EQ(L"RUNTIME2", Text(runtime->GetSecondaryDriverProperty()));
    EXPECT_EQ(0x0000000000010000ull, runtime->GetSecondaryVersionMin());
    EXPECT_EQ(0xFFFF000000000001ull, runtime->GetSecondaryVersionMax());
    EXPECT_EQ(kUpgradeCode, Text(runtime->GetUpgradeCode()));

    // 10.0.0.0 beats 2.0.0.0 and 9.5.0.0 as a number; the unreadable version is skipped.
    EXPECT_EQ(0x000A000000000000ull, runtime->GetHighestInstalledVersion());
    EXPECT_EQ(0x000A000000000000ull, runtime->GetProductVersion());
    EXPECT_FALSE(runtime->IsHigherVersionInstalled());
    EXPECT_TRUE(old->IsHigherVersionInstalled());
}

TEST_F(BaselinePartInfoTest, MissingKeysNameTheProvider)
{
    EXPECT_EQ(1, Read("[KolBaseProviders]\r\nCore=\r\n[Core]\r\nDriverProperty=X\r\n"));
    EXPECT_EQ(L"1. Missing Key: [Core] Path\r\n"
              L"2. Missing Key: [UpgradeCode] Core\r\n"
              L"3. Missing Key: [ProductVersion] Core\r\n",
        ErrorText());
    CConfigInfo::KolBaselinePartInfo* core = m_config.GetBaselinePartInfo(0);
    EXPECT_EQ(0u, core->GetHighestInstalledVersion());
    EXPECT_EQ(0u, core->GetProductVersion());
    EXPECT_FALSE(core->IsHigherVersionInstalled());
    // The empty code found nothing.
    EXPECT_EQ((std::vector<std::wstring>{L""}), g_enumeratedCodes);
}
