// The page registry as the global page factories leave it, and its look-ups.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeindex>

#include "ConfigInfo.h"
#include "DialogInfo.h"
#include "EndDialogInfo.h"
#include "InstallTypeDialogInfo.h"
#include "LicenseDialogInfo.h"
#include "SingleDirectoryDialogInfo.h"
#include "UserInfoDialogInfo.h"
#include "WelcomeDialogInfo.h"
#include "FeatureInfoDialog.h"
#include "InstallerErrors.h"
#include "NestedInstallerDialog.h"
#include "ScopedOverride.h"
#include "ServiceStandIns.h"

namespace {

struct Page {
    eDialogState state;
    unsigned int mask;
    const wchar_t* name;
};

const Page kPages[] = {
    {1, 7, L"Welcome"},
    {2, 4, L"UserInfo"},
    {3, 4, L"FeatureInfo1"},
    {4, 4, L"SingleDirectory"},
    {5, 4, L"InstallationType"},
    {6, 20, L"FeatureTree"},
    {7, 20, L"FeatureInfo"},
    {8, 4, L"License"},
    {9, 20, L"License2"},
    {10, 20, L"ConfirmStart"},
    {11, 31, L"Progress"},
    {12, 5, L"EndExecute"},
    {13, 5, L"End"},
};

TEST(PageRegistry, HoldsThirteenPagesAfterStaticInitialisation)
{
    ASSERT_NE(nullptr, CNestedInstallerDialog::M_DialogInfoMap);
    ASSERT_EQ(13u, CNestedInstallerDialog::M_DialogInfoMap->size());
    CConfigInfo config;
    for (const Page& page : kPages) {
        SCOPED_TRACE(page.state);
        const CNestedInstallerDialog::DialogInfo& row = CNestedInstallerDialog::M_DialogInfoMap->at(page.state);
        EXPECT_EQ(page.mask, row.nModeMask);
        EXPECT_STREQ(page.name, row.pszName);
        std::unique_ptr<CConfigInfo::DialogInfo> record(CNestedInstallerDialog::CreateDialogConfig(page.state, config));
        EXPECT_STREQ(page.name, record->GetPageName());
        EXPECT_EQ(std::wstring(page.name) + L"Dialog", record->GetSectionName().GetString());
    }
}

TEST(PageRegistry, EachPageGetsTheRecordClassOfItsSettings)
{
    using Config = CConfigInfo;
    const std::type_index classes[] = {
        typeid(Config::WelcomeDialogInfo),
        typeid(Config::UserInfoDialogInfo),
        typeid(Config::DialogInfo),
        typeid(Config::SingleDirectoryDialogInfo),
        typeid(Config::InstallTypeDialogInfo),
        typeid(Config::DialogInfo),
        typeid(Config::DialogInfo),
        typeid(Config::LicenseDialogInfo),
        typeid(Config::LicenseDialogInfo),
        typeid(Config::DialogInfo),
        typeid(Config::DialogInfo),
        typeid(Config::DialogInfo),
        typeid(Config::EndDialogInfo),
    };
    CConfigInfo config;
    for (eDialogState state = kWelcomeDialog; state <= kEndDialog; ++state) {
        SCOPED_TRACE(state);
        std::unique_ptr<CConfigInfo::DialogInfo> record(CNestedInstallerDialog::CreateDialogConfig(state, config));
        EXPECT_EQ(classes[state - 1], std::type_index(typeid(*record)));
    }
}

TEST(PageRegistry, NextStateWalksInAscendingOrder)
{
    EXPECT_EQ(1, CNestedInstallerDialog::GetNextDialogState(0));
    for (eDialogState state = 1; state < 13; ++state)
        EXPECT_EQ(state + 1, CNestedInstallerDialog::GetNextDialogState(state));
    EXPECT_EQ(0, CNestedInstallerDialog::GetNextDialogState(13));
    EXPECT_THROW(CNestedInstallerDialog::GetNextDialogState(14), ValueOutOfRange);
}

TEST(PageRegistry, ModeMaskSharesABit)
{
    struct Case {
        eDialogState state;
        unsigned int mode;
        bool shown;
    };
    const Case cases[] = {
        {1, 1, true},
        {1, 8, false},
        {2, 4, true},
        {2, 1, false},
        {6, 16, true},
        {6, 8, false},
        {11, 8, true},
        {13, 1, true},
        {13, 2, false},
        {12, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.state) + "/" + std::to_string(c.mode));
        EXPECT_EQ(c.shown, CNestedInstallerDialog::IsDialogInMode(c.state, c.mode));
    }
    EXPECT_THROW(CNestedInstallerDialog::IsDialogInMode(0, 4), ValueOutOfRange);
}

TEST(PageRegistry, UnknownStatesAreErrors)
{
    CConfigInfo config;
    try {
        CNestedInstallerDialog::CreateDialogConfig(14, config);
        FAIL() << "no error";
    } catch (const ValueOutOfRange& error) {
        EXPECT_EQ(10011, error.GetCode());
        EXPECT_EQ(542, error.GetLine());
        EXPECT_NE(nullptr, wcsstr(error.GetDebugMessage(), L"id=14"));
    }
    try {
        CNestedInstallerDialog::CreateDialog(0, nullptr);
        FAIL() << "no error";
    } catch (const ObjectNotFound& error) {
        EXPECT_EQ(461, error.GetLine());
        EXPECT_NE(nullptr, wcsstr(error.GetDebugMessage(), L"eDialogState=0"));
    }
}

TEST(PageRegistry, FeatureInformationPagesAreSeparateObjects)
{
    // Pages read their records from the run's configuration.
    testsupport::StandInServices services;
    CConfigInfo config;
    services.app.configInfo = &config;
    std::unique_ptr<CNestedInstallerDialog> first(CNestedInstallerDialog::CreateDialog(3, nullptr));
    std::unique_ptr<CNestedInstallerDialog> second(CNestedInstallerDialog::CreateDialog(7, nullptr));
    ASSERT_NE(nullptr, dynamic_cast<CFeatureInfoDialog*>(first.get()));
    ASSERT_NE(nullptr, dynamic_cast<CFeatureInfoDialog*>(second.get()));
    EXPECT_EQ(3, first->GetState());
    EXPECT_EQ(7, second->GetState());
}

TEST(PageRegistry, BeforeTheFirstRegistrationTheRegistryIsUninitialised)
{
    ScopedOverride registry(CNestedInstallerDialog::M_DialogInfoMap, nullptr);
    CConfigInfo config;
    EXPECT_THROW(CNestedInstallerDialog::CreateDialogConfig(1, config), UninitializedObject);
    EXPECT_THROW(CNestedInstallerDialog::IsDialogInMode(1, 4), UninitializedObject);

    // Registering creates it; unregistering the last row deletes it and hands back the factory.
    CConfigInfo::IDialogConfigFactory* factory = new CConfigInfo::DialogInfoFactory;
    CNestedInstallerDialog::Register(5, nullptr, 4, L"Test", factory);
    ASSERT_NE(nullptr, CNestedInstallerDialog::M_DialogInfoMap);
    CConfigInfo::IDialogConfigFactory* returned = nullptr;
    CNestedInstallerDialog::Unregister(5, returned);
    EXPECT_EQ(factory, returned);
    EXPECT_EQ(nullptr, CNestedInstallerDialog::M_DialogInfoMap);
    delete returned;
}

}  // namespace
