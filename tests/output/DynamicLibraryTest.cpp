// Libraries and functions bound by name, and the process's module list.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DynamicLibrary.h"
#include "OrbelOutput.h"
#include "PlatformApi.h"
#include "ScopedOverride.h"
#include "TestSupport.h"
#include "UniqueHandle.h"

using namespace OrbelToolbox;

namespace {

const char kExportName[] = "ZK_OrbelToolbox_OrbelOutput_GetSharedGlobalData";

template <class Action> int ReportedCode(Action action)
{
    try {
        action();
    } catch (const OrbelOutput::PrivateException&) {
        return OrbelOutput::GetErrorCode();
    }
    return 0;
}

ModuleSet SnapshotModules()
{
    ModuleSet modules;
    UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId()));
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Module32FirstW(snapshot.Get(), &entry); more; more = Module32NextW(snapshot.Get(), &entry))
        modules.insert(entry.hModule);
    return modules;
}

DWORD WINAPI StandInProcessId()
{
    return 42;
}

bool g_standInMissing = false;

FARPROC WINAPI StandInLookUp(HMODULE module, LPCSTR name)
{
    if (strcmp(name, "GetCurrentProcessId") != 0)
        return ::GetProcAddress(module, name);
    return g_standInMissing ? nullptr : reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&StandInProcessId));
}

}  // namespace

// A test's stand-in for the look-up reaches a holder that resolved before, and leaves nothing
// behind when it goes.
TEST(DynamicFunction, AReplacedLookUpIsAskedOnEveryUseAndNotKept)
{
    DynamicLibrary kernel32(L"kernel32.dll");
    DynamicFunction<DWORD> processId(&kernel32, "GetCurrentProcessId");
    ASSERT_TRUE(processId.IsLoaded());
    EXPECT_EQ(GetCurrentProcessId(), processId());
    {
        ScopedOverride<decltype(g_platformApi.GetProcAddress)> standIn(g_platformApi.GetProcAddress, &StandInLookUp);
        EXPECT_TRUE(processId.IsLoaded());
        EXPECT_EQ(42u, processId());
        g_standInMissing = true;
        EXPECT_FALSE(processId.IsLoaded());
        g_standInMissing = false;
        EXPECT_TRUE(processId.IsLoaded());
    }
    EXPECT_TRUE(processId.IsLoaded());
    EXPECT_EQ(GetCurrentProcessId(), processId());
}

TEST(DynamicFunction, TheUnicodeFormBindsTheExportNamedWithW)
{
    DynamicLibrary shlwapi(L"shlwapi.dll");
    DynamicFunctionW<BOOL> isRelative(&shlwapi, "PathIsRelative");
    EXPECT_STREQ("PathIsRelativeW", isRelative.GetName());
    ASSERT_TRUE(isRelative.IsLoaded());
    EXPECT_EQ(GetProcAddress(shlwapi.GetHandle(), "PathIsRelativeW"), isRelative.GetProc());
    EXPECT_TRUE(isRelative(L"folder\\file.txt"));
    EXPECT_FALSE(isRelative(L"C:\\folder"));
}

TEST(DynamicFunction, AMissingFunctionIsLoggedThenReportedWhenFetched)
{
    testsupport::TempDir dir;
    const std::wstring log = dir.File(L"debug.log");
    OrbelOutput::SetDebugLogFile(log.c_str());
    OrbelOutput::EnableDebugLog(true);
    DynamicLibrary kernel32(L"kernel32.dll");
    DynamicFunction<BOOL> missing(&kernel32, "NoSuchFunctionAnywhere");
    EXPECT_FALSE(missing.IsLoaded());
    EXPECT_FALSE(missing.IsLoaded());
    EXPECT_EQ(-12, ReportedCode([&] { missing.GetProc(); }));
    OrbelOutput::EnableDebugLog(false);
    const std::vector<std::wstring> lines = testsupport::ReadLogFile(log).lines;
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(L"OrbelToolbox: Dynamic library function NoSuchFunctionAnywhere was not loaded from library "
              L"kernel32.dll.",
        lines[0]);
}

TEST(DynamicLibrary, ALibraryThatCannotBeLoadedIsReportedAndTriedAgain)
{
    const std::wstring later = testsupport::ModuleDir() + L"\\output_test_later.dll";
    DeleteFileW(later.c_str());
    {
        DynamicLibrary library(L"output_test_later.dll");
        EXPECT_EQ(-40, ReportedCode([&] { library.Load(); }));
        EXPECT_EQ(nullptr, library.GetHandle());
        ASSERT_TRUE(CopyFileW((testsupport::ModuleDir() + L"\\output_test_module.dll").c_str(), later.c_str(), FALSE));
        EXPECT_NE(nullptr, library.Load());
    }
    EXPECT_TRUE(DeleteFileW(later.c_str()));
}

TEST(DynamicLibrary, LoadsFromAGivenFolder)
{
    DynamicLibrary library(L"output_test_module.dll");
    HMODULE module = library.Load(testsupport::ModuleDir().c_str());
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(module, GetModuleHandleW(L"output_test_module.dll"));
}

TEST(ModuleEnumeration, FindsEveryModuleOnceAlsoBeyondTheFirstBuffer)
{
    // More modules than the first 256-byte buffer holds.
    const wchar_t* extra[] = {L"comctl32.dll", L"comdlg32.dll", L"gdi32.dll", L"user32.dll", L"shell32.dll",
        L"ole32.dll", L"oleaut32.dll", L"advapi32.dll", L"version.dll", L"setupapi.dll", L"rpcrt4.dll", L"shlwapi.dll",
        L"psapi.dll", L"dbghelp.dll", L"imagehlp.dll", L"winmm.dll", L"ws2_32.dll", L"crypt32.dll", L"wininet.dll",
        L"urlmon.dll", L"msi.dll", L"riched20.dll", L"riched32.dll", L"uxtheme.dll", L"iphlpapi.dll", L"netapi32.dll",
        L"secur32.dll", L"userenv.dll", L"winspool.drv", L"mpr.dll", L"msimg32.dll", L"winhttp.dll", L"wintrust.dll",
        L"imm32.dll", L"cabinet.dll"};
    std::vector<UniqueModule> loaded;
    for (const wchar_t* name : extra)
        loaded.emplace_back(LoadLibraryW(name));
    ModuleSet modules;
    EnumerateModules(modules);
    EXPECT_GT(modules.size() * sizeof(HMODULE), 256u);
    EXPECT_EQ(SnapshotModules(), modules);
}

TEST(ModuleEnumeration, WithoutTheProcessStatusLibraryWalksTheAddressSpaceFromTheProgramUp)
{
    PsapiLibrary().Unload(L"output_test_no_such_library.dll");
    ModuleSet walked;
    EnumerateModules(walked);
    PsapiLibrary().Unload(L"psapi.dll");
    const HMODULE program = GetModuleHandleW(nullptr);
    ModuleSet expected;
    for (HMODULE module : SnapshotModules()) {
        if (module >= program)
            expected.insert(module);
    }
    EXPECT_EQ(expected, walked);
}

TEST(ModuleList, FindsTheModulesThatExportAName)
{
    UniqueModule module(LoadLibraryW((testsupport::ModuleDir() + L"\\output_test_module.dll").c_str()));
    ASSERT_TRUE(module);
    ModuleSet expected = {GetModuleHandleW(nullptr), module.Get()};
    ModuleSet found;
    ModuleList list;
    while (list.FindNextExporting(kExportName))
        found.insert(list.GetHandle());
    EXPECT_EQ(expected, found);
    EXPECT_FALSE(list.FindNextExporting(kExportName));
}

TEST(LibraryModule, IsTheModuleThatHoldsTheCode)
{
    EXPECT_EQ(GetModuleHandleW(nullptr), GetLibraryModule());
    UniqueModule module(LoadLibraryW((testsupport::ModuleDir() + L"\\output_test_module.dll").c_str()));
    ASSERT_TRUE(module);
    using LibraryModuleOf = HMODULE (*)();
    auto libraryModuleOf = reinterpret_cast<LibraryModuleOf>(
        reinterpret_cast<void (*)()>(GetProcAddress(module.Get(), "OutputTestModuleLibraryModule")));
    ASSERT_NE(nullptr, libraryModuleOf);
    EXPECT_EQ(module.Get(), libraryModuleOf());
}
