// The install list's baseline providers over the model's merged package: which providers the
// driver properties call for, and the distribution's own parts of a provider's family that keep
// it out.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ConfigInfo.h"
#include "Distribution.h"
#include "IInstallerError.h"
#include "MsiInstallerError.h"
#include "ModelFixture.h"
#include "MsiSession.h"
#include "Part.h"
#include "TestSupport.h"

using modeltest::ModelTest;
using namespace modeltest::fixture;

namespace {

// A third part of the second part's family ({...4A22}), listed after it, on the second volume
// (whose package the configuration does not read).
const wchar_t kSecondCode[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A41}";

// One baseline provider: its section's keys beside Path, UpgradeCode and ProductVersion, its
// UpgradeCode, and the driver property values of the merged session.
struct Provider {
    const char* name;
    const char* keys;
    const wchar_t* upgradeCode;
    std::vector<std::pair<const wchar_t*, const wchar_t*>> driverValues;
};

// Named so that their configuration order (by key) is the order of this table.
const Provider kProviders[] = {
    {"AVersions", "Versions=v1.0,v2.0\r\nDriverProperty=DRIVERA\r\n", L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4C01}",
        {{L"DRIVERA", L"2.0"}}},
    // A substring of the listed text is enough.
    {"BVersionsSubstring", "Versions=v2.0\r\nDriverProperty=DRIVERB\r\n", L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4C02}",
        {{L"DRIVERB", L"2"}}},
    // The listed versions count only behind a "v".
    {"CVersionsWithoutV", "Versions=1.0,2.0\r\nDriverProperty=DRIVERC\r\n", L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4C03}",
        {{L"DRIVERC", L"2.0"}}},
    {"DLowerBoundIncluded", "DriverProperty=DRIVERD\r\nVersionMin=1.0.0.0\r\n",
        L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4C04}", {{L"DRIVERD", L"1.0.0.0"}}},
    {"EUpperBoundExcluded", "DriverProperty=DRIVERE\r\nVersionMax=2.0.0.0\r\n",
        L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4C05}", {{L"DRIVERE", L"2.0.0.0"}}},
    {"FBelowUpperBound", "DriverProperty=DRIVERF\r\nVersionMin=1.0.0.0\r\nVersionMax=2.0.0.0\r\n",
        L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4C06}", {{L"DRIVERF", L"1.99"}}},
    {"GSecondaryRange", "DriverProperty=DRIVERG\r\nSecondaryDriverProperty=DRIVERG2\r\nSecondaryVersionMax=3.0.0.0\r\n",
        L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4C07}", {{L"DRIVERG2", L"2.5"}}},
    // Of the second part's family: wanted by its driver, unless a part of that family is installed
    // or changed by the run.
    {"HOwnFamily", "Versions=v1\r\nDriverProperty=DRIVERH\r\n", kExtrasUpgrade, {{L"DRIVERH", L"1"}}},
};

class InstallListTest : public ModelTest {
protected:
    // The model's merged package with a baseline summary row for every provider and the third
    // part, configured with the core part as the baseline core; the model populated and costed.
    void Load(CConfigInfo& config, CDistribution& model)
    {
        CopyModelFiles(m_dir);
        std::vector<std::wstring> statements = {
            L"CREATE TABLE `ZKKolBaselineSummaryProduct` (`ProductCode` CHAR(38) NOT NULL, `UpgradeCode` CHAR(38), "
            L"`ProductName` CHAR(255), `ProductVersion` CHAR(72), `ZKArpVisible` CHAR(8), `PackageCode` CHAR(38), "
            L"`Template` CHAR(255), `VolumeLabel` CHAR(72) PRIMARY KEY `ProductCode`)",
            L"INSERT INTO `ZKSummaryProduct` (`ProductCode`, `PackageCode`, `ProductLanguage`, `ProductVersion`, "
            L"`ProductName`, `UpgradeCode`, `Uniquifier`, `MSISize`) VALUES ('"
                + std::wstring(kSecondCode) + L"', '{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A44}', 'Intel;1033', '1.6.0', "
                + L"'Model Second', '" + kExtrasUpgrade + L"', '8', 1024)",
            L"INSERT INTO `ZKMediaProduct` (`ProductCode`, `VolumeLabel`) VALUES ('" + std::wstring(kSecondCode)
                + L"', 'DISK2B')",
        };
        std::string ini = ModelIni("", "",
            "[Second]\r\nPath=extras.msi\r\nVolume=2\r\nProductCode=" + Narrow(kSecondCode)
                + "\r\n[UpgradeCodes]\r\nKOLCORE=" + Narrow(kCoreUpgrade) + "\r\n[KolBaseProviders]\r\n");
        std::string sections;
        int index = 0;
        for (const Provider& provider : kProviders) {
            ++index;
            const std::wstring productCode = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4D0" + std::to_wstring(index) + L"}";
            const std::wstring name(provider.name, provider.name + strlen(provider.name));
            statements.push_back(L"INSERT INTO `ZKKolBaselineSummaryProduct` (`ProductCode`, `UpgradeCode`, "
                                 L"`ProductName`, `ProductVersion`, `ZKArpVisible`, `PackageCode`, `Template`, "
                                 L"`VolumeLabel`) VALUES ('"
                + productCode + L"', '" + provider.upgradeCode + L"', '" + name + L"', '9.0.0.0', '0', '" + productCode
                + L"', 'Intel;1033', 'BASE')");
            ini += std::string(provider.name) + "=\r\n";
            sections += "[" + std::string(provider.name) + "]\r\nPath=extras.msi\r\nUpgradeCode="
                + Narrow(provider.upgradeCode) + "\r\nProductVersion=9.0.0.0\r\n" + provider.keys;
        }
        const std::string parts = "[Parts]\r\nCore=\r\nExtras=\r\n";
        ini.replace(ini.find(parts), parts.size(), parts + "Second=\r\n");
        EditMerged(statements);
        testsupport::WriteFileBytes(m_dir.File(L"setup.ini"), ini + sections);
        config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        config.PopulateMsiInfo();
        config.LoadLanguageResource();
        config.Populate();
        model.PopulateFromIniInfo(config, nullptr, nullptr);
        MsiSmartPtr<MsiSession> session = model.GetSession();
        RunCosting(*session);
        for (const Provider& provider : kProviders) {
            for (const auto& value : provider.driverValues)
                model.SetProperty(value.first, value.second);
        }
    }

    static std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
};

// Without the tree no feature changes: only the parts given the forced action are processed.
// The providers a driver calls for follow them in configuration order.
TEST_F(InstallListTest, ProvidersTheDriversCallForUnlessTheirFamilyIsInTheRun)
{
    const std::wstring called = L"AVersions BVersionsSubstring DLowerBoundIncluded FBelowUpperBound GSecondaryRange ";
    struct Case {
        const char* name;
        std::vector<const wchar_t*> forced;  // besides the core part
        std::wstring expected;
    };
    const Case cases[] = {
        {"no part of the family in the run", {}, L"Model Core " + called + L"HOwnFamily "},
        {"the family's first part in the run", {kExtrasCode}, L"Model Core Model Extras " + called},
        {"the family's second part in the run", {kSecondCode}, L"Model Core Model Second " + called},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CConfigInfo config;
        CDistribution model;
        testsupport::ScopedDistributionServices scope(&model);
        std::vector<CPart*> list;
        try {
            Load(config, model);
            ASSERT_EQ(3u, model.GetPartCount());
            model.GetPartByProductCode(kCoreCode).ForceInstall();
            for (const wchar_t* code : c.forced)
                model.GetPartByProductCode(code).ForceInstall();
            model.PopulateProductInstallInfo(list);
        } catch (const ZKInstallerError::IInstallerError& error) {
            FAIL() << Narrow(error.GetFullText());
        } catch (const MsiInstallerError& error) {
            FAIL() << "Windows Installer error " << error.GetCode();
        }
        std::wstring names;
        for (const CPart* part : list)
            names += W(part->GetProductName()) + L" ";
        EXPECT_EQ(c.expected, names);
        EXPECT_EQ(static_cast<int>(list.size()), model.GetPartCountToInstall());
        config.FreeResourceModules();
    }
}

}  // namespace
