// Language resource modules: a loaded standard module's strings and error templates win over
// the program's until the modules are freed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "CString.h"
#include "ErrorResourceModule.h"
#include "InstallerErrors.h"
#include "LanguageModules.h"
#include "Resources.h"
#include "SystemErrorClasses.h"
#include "TestSupport.h"

namespace {

std::wstring ModulePath()
{
    return testsupport::ModuleDir() + L"\\config_test_standard_module.dll";
}

std::wstring Load(UINT id)
{
    return LoadResourceString(id).GetString();
}

std::wstring CmdLineErrorMessage()
{
    CmdLineError error(__FILE__, __LINE__, false);
    return error.GetUserMessage();
}

}  // namespace

TEST(LanguageModules, AStandardModulesStringsWinUntilItIsFreed)
{
    const std::wstring programUsage = Load(30000);
    const std::wstring programError = CmdLineErrorMessage();
    ASSERT_EQ(0u, programUsage.find(L"%1 [Specfile] [/q]"));
    ASSERT_EQ(L"Invalid command line parameters.", programError);
    {
        CLanguageModules modules;
        modules.LoadStandardModule(ModulePath().c_str());
        HMODULE module = modules.GetStandardModule();
        ASSERT_NE(GetModuleHandleW(nullptr), module);
        EXPECT_EQ(module, AfxGetResourceHandle());
        EXPECT_EQ(module, ErrorResourceModule(0));
        EXPECT_EQ(L"Module usage of %1", Load(30000));
        EXPECT_EQ(L"Module: the command line is not valid.", CmdLineErrorMessage());

        modules.Free();
        EXPECT_EQ(AfxGetInstanceHandle(), AfxGetResourceHandle());
        EXPECT_EQ(GetModuleHandleW(nullptr), ErrorResourceModule(0));
        EXPECT_EQ(GetModuleHandleW(nullptr), modules.GetStandardModule());
        EXPECT_EQ(nullptr, GetModuleHandleW(ModulePath().c_str())) << "module still loaded";
    }
    EXPECT_EQ(programUsage, Load(30000));
    EXPECT_EQ(programError, CmdLineErrorMessage());
}

TEST(LanguageModules, ACustomModuleServesItsOwnStringsOnly)
{
    CLanguageModules modules;
    EXPECT_EQ(nullptr, modules.GetCustomModule());
    modules.LoadCustomModule(ModulePath().c_str());
    ASSERT_NE(nullptr, modules.GetCustomModule());
    wchar_t text[64] = {};
    EXPECT_GT(LoadStringW(modules.GetCustomModule(), 30000, text, 64), 0);
    EXPECT_STREQ(L"Module usage of %1", text);
    // The program's resources are untouched.
    EXPECT_EQ(AfxGetInstanceHandle(), AfxGetResourceHandle());
    EXPECT_EQ(0u, Load(30000).find(L"%1 [Specfile]"));
}

TEST(LanguageModules, AModuleThatCannotBeLoadedThrowsInvalidResourceModule)
{
    std::wstring path = testsupport::ModuleDir() + L"\\no-such-module.dll";
    CLanguageModules modules;
    try {
        modules.LoadStandardModule(path.c_str());
        FAIL() << "no error";
    } catch (const InvalidResourceModule& e) {
        EXPECT_EQ(10007, e.GetCode());
        std::wstring debug = e.GetDebugMessage();
        EXPECT_EQ(0u, debug.find(L"Unable to load " + path + L" because Windows Error ")) << debug;
        EXPECT_NE(std::wstring::npos, debug.find(L"while attempting to load  " + path)) << debug;
    }
    EXPECT_EQ(AfxGetInstanceHandle(), AfxGetResourceHandle());
    EXPECT_EQ(GetModuleHandleW(nullptr), modules.GetStandardModule());
}
