// The table of Windows Installer functions: binding by name, unloading, failures to bind and
// replaced entries.
#include <gtest/gtest.h>

#include <windows.h>

#include "DelayLoadException.h"
#include "MsiApi.h"

namespace {

struct ModuleNameScope {
    explicit ModuleNameScope(const wchar_t* name)
    {
        MsiApiUnload();
        MsiApiSetModuleName(name);
    }
    ~ModuleNameScope()
    {
        MsiApiUnload();
        MsiApiSetModuleName(nullptr);
    }
};

UINT WINAPI FakeCloseHandle(MSIHANDLE)
{
    return 4242;
}

}  // namespace

TEST(MsiApi, BindsOnFirstCallAndAgainAfterUnload)
{
    ASSERT_TRUE(MsiApiUnload());
    EXPECT_EQ(nullptr, MsiApiModule());
    MSIHANDLE record = MsiApi().MsiCreateRecord(2);
    ASSERT_NE(0u, record);
    EXPECT_NE(nullptr, MsiApiModule());
    EXPECT_EQ(2u, MsiApi().MsiRecordGetFieldCount(record));
    EXPECT_EQ(0u, MsiApi().MsiCloseHandle(record));

    EXPECT_TRUE(MsiApiUnload());
    EXPECT_EQ(nullptr, MsiApiModule());
    record = MsiApi().MsiCreateRecord(1);
    EXPECT_NE(0u, record);
    EXPECT_NE(nullptr, MsiApiModule());
    MsiApi().MsiCloseHandle(record);
}

TEST(MsiApi, MissingModuleThrowsModuleNotFound)
{
    ModuleNameScope scope(L"velmo_no_such_module.dll");
    try {
        MsiApi().MsiCreateRecord(1);
        FAIL() << "no exception";
    } catch (const DelayLoadException& e) {
        EXPECT_EQ(0xC06D007Eu, e.GetCode());
        EXPECT_STREQ("velmo_no_such_module.dll", e.GetDllName());
    }
    EXPECT_EQ(nullptr, MsiApiModule());
}

TEST(MsiApi, MissingEntryPointThrowsProcedureNotFound)
{
    ModuleNameScope scope(L"version.dll");
    try {
        MsiApi().MsiOpenDatabaseW(L"x", nullptr, nullptr);
        FAIL() << "no exception";
    } catch (const DelayLoadException& e) {
        EXPECT_EQ(0xC06D007Fu, e.GetCode());
        EXPECT_STREQ("MsiOpenDatabaseW", e.GetProcName());
        EXPECT_STREQ("version.dll", e.GetDllName());
    }
    // The optional function is simply absent there.
    EXPECT_EQ(nullptr, MsiApiEnumComponentCosts());
}

TEST(MsiApi, OptionalComponentCostsFunctionIsFoundInMsi)
{
    EXPECT_NE(nullptr, MsiApiEnumComponentCosts());
}

TEST(MsiApi, ReplacedEntryIsRestoredAndSurvivesBinding)
{
    auto original = MsiApi().MsiCloseHandle;
    {
        MsiApiOverride<decltype(MsiApiTable::MsiCloseHandle)> o(MsiApi().MsiCloseHandle, &FakeCloseHandle);
        EXPECT_EQ(4242u, MsiApi().MsiCloseHandle(0));
        // Binding other entries leaves the replacement in place.
        MSIHANDLE record = MsiApi().MsiCreateRecord(1);
        EXPECT_EQ(4242u, MsiApi().MsiCloseHandle(record));
        o.Previous()(record);
        EXPECT_EQ(&FakeCloseHandle, MsiApi().MsiCloseHandle);
    }
    EXPECT_EQ(original, MsiApi().MsiCloseHandle);
}

TEST(MsiApi, AReplacementSurvivesAnUnloadAndTheEntryBindsAgainAfterIt)
{
    MSIHANDLE record = MsiApi().MsiCreateRecord(1);
    ASSERT_EQ(0u, MsiApi().MsiCloseHandle(record));
    auto bound = MsiApi().MsiCloseHandle;  // a function of the loaded library
    {
        MsiApiOverride<decltype(MsiApiTable::MsiCloseHandle)> o(MsiApi().MsiCloseHandle, &FakeCloseHandle);
        ASSERT_TRUE(MsiApiUnload());
        EXPECT_EQ(&FakeCloseHandle, MsiApi().MsiCloseHandle);
        EXPECT_EQ(4242u, MsiApi().MsiCloseHandle(0));
    }
    // Not the function of the library that is gone: the entry binds again on its next call.
    EXPECT_NE(bound, MsiApi().MsiCloseHandle);
    record = MsiApi().MsiCreateRecord(1);
    ASSERT_NE(0u, record);
    EXPECT_EQ(0u, MsiApi().MsiCloseHandle(record));
    EXPECT_NE(nullptr, MsiApiModule());
}

TEST(MsiApi, UnloadFreesTheLibrary)
{
    const wchar_t kUnusedModule[] = L"dnsapi.dll";
    ModuleNameScope scope(kUnusedModule);
    ASSERT_EQ(nullptr, GetModuleHandleW(kUnusedModule));
    EXPECT_THROW(MsiApi().MsiCreateRecord(1), DelayLoadException);  // loaded, but has no such entry
    EXPECT_EQ(GetModuleHandleW(kUnusedModule), MsiApiModule());
    ASSERT_NE(nullptr, MsiApiModule());
    EXPECT_TRUE(MsiApiUnload());
    EXPECT_EQ(nullptr, GetModuleHandleW(kUnusedModule));
}
