// The system-information object of the application: the distribution's own server against the
// registered one (the stand-in ZKSysInfo.dll, its version and failures set in its data file),
// the objects each creates, the failures of the load and the copy made of a server on a CD-ROM.
#include <gtest/gtest.h>

#include <string>

#include "ConfigInfo.h"
#include "Distribution.h"
#include "DistributionServices.h"
#include "InstallerErrors.h"
#include "ScopedOverride.h"
#include "TestSupport.h"
#include "VelmoInstaller.h"
#include "ZKSysInfoInterfaces.h"

using namespace testsupport;

namespace {

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::wstring ServerDataFile(const std::wstring& dll)
{
    return dll.substr(0, dll.size() - 4) + L".ini";
}

void WriteServerData(const std::wstring& dll, const std::string& data)
{
    ASSERT_TRUE(WriteFileBytes(ServerDataFile(dll), data));
}

unsigned long long VersionOf(IUnknown* object)
{
    IZKSystemInfo* systemInfo = nullptr;
    EXPECT_EQ(S_OK, object->QueryInterface(IID_IZKSystemInfo, reinterpret_cast<void**>(&systemInfo)));
    if (!systemInfo)
        return 0;
    unsigned long high = 0;
    unsigned long low = 0;
    EXPECT_EQ(S_OK, systemInfo->GetVersionHigh(&high));
    EXPECT_EQ(S_OK, systemInfo->GetVersionLow(&low));
    systemInfo->Release();
    return (static_cast<unsigned long long>(high) << 32) | low;
}

// A distribution in a temporary folder whose [Utilities] ZKSysInfo names a copy of the stand-in
// ("sysinfo.dll"); a second copy under another name can be registered. The application gets this
// configuration and an unloaded component for the test and everything back afterwards.
class SystemInfoTest : public ::testing::Test {
protected:
    SystemInfoTest() : m_currentFolder(CurrentFolder())
    {
        m_shipped = m_dir.File(L"sysinfo.dll");
        m_registered = m_dir.File(L"registered.dll");
        const std::wstring server = ModuleDir() + L"\\ZKSysInfo.dll";
        EXPECT_TRUE(CopyFileW(server.c_str(), m_shipped.c_str(), FALSE));
        EXPECT_TRUE(CopyFileW(server.c_str(), m_registered.c_str(), FALSE));
        EXPECT_TRUE(WriteFileBytes(m_dir.File(L"post.exe"), ""));
        EXPECT_TRUE(WriteFileBytes(m_dir.File(L"setup.ini"),
            "[MsiEngine]\r\nWinNTPath=post.exe\r\nCommandLine=/q\r\n"
            "[Localization]\r\nLanguages=1033\r\nCustomRes1033="
                + Narrow(ModuleDir())
                + "\\sample\\res\\custom1033.dll\r\n"
                  "[Distribution]\r\nTitle=1\r\nGUID={6F1C1A52-1B47-4C8E-9D1E-2B0B5C7A4E10}\r\n"
                  "Version=1.0.0.0\r\n"
                  "[Utilities]\r\nUpgradeManagerPostProcessor=post.exe\r\nZKSysInfo=sysinfo.dll\r\n"));
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        theApp.m_pConfigInfo = &m_config;
        theApp.m_pSystemInfo = nullptr;
        theApp.m_hSysInfoModule = CVelmoInstallerApp::SysInfoNotLoaded();
    }
    void SetUp() override
    {
        try {
            m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
            m_config.PopulateMsiInfo();
            m_config.LoadLanguageResource();
        } catch (const ZKInstallerError::IInstallerError& error) {
            FAIL() << testing::PrintToString(std::wstring(error.GetFullText()));
        }
    }
    ~SystemInfoTest() override
    {
        if (theApp.m_pSystemInfo)
            theApp.m_pSystemInfo->Release();
        CallServerExport(m_registered, "DllUnregisterServer");
        if (m_config.GetDistributionInfo())
            m_config.FreeResourceModules();
        CoUninitialize();
    }

    void Register() { ASSERT_EQ(S_OK, CallServerExport(m_registered, "DllRegisterServer")); }

    // The run's system-information object's version.
    unsigned long long ChosenVersion()
    {
        IUnknown* object = nullptr;
        theApp.GetSystemInfo(&object);
        const unsigned long long version = VersionOf(object);
        object->Release();
        return version;
    }

    // Creates a distribution description through the application and has it record itself: the
    // data file of the server that made it receives the record.
    void DescribeDistribution(const wchar_t* guid)
    {
        IZKDistributionInfo* info = nullptr;
        ASSERT_EQ(S_OK,
            theApp.CreateSystemInfoObject(
                CLSID_ZKDistributionInfo, IID_IZKDistributionInfo, reinterpret_cast<void**>(&info)));
        BSTR text = SysAllocString(guid);
        EXPECT_EQ(S_OK, info->PutGuid(text));
        EXPECT_EQ(S_OK, info->Update());
        SysFreeString(text);
        info->Release();
    }
    static bool Records(const std::wstring& dll, const std::string& guid)
    {
        return ReadFileBytes(ServerDataFile(dll)).find("[Distribution " + guid + "]") != std::string::npos;
    }

    TempDir m_dir;
    std::wstring m_shipped;
    std::wstring m_registered;

private:
    CConfigInfo m_config;
    // The application's own values, put back after the test.
    ScopedOverride<CConfigInfo*> m_configInfo{theApp.m_pConfigInfo};
    ScopedOverride<IUnknown*> m_systemInfo{theApp.m_pSystemInfo};
    ScopedOverride<HMODULE> m_sysInfoModule{theApp.m_hSysInfoModule};
    CurrentFolderGuard m_currentFolder;
};

TEST_F(SystemInfoTest, WithoutARegisteredServerTheDistributionsOwnServes)
{
    WriteServerData(m_shipped, "[Server]\r\nVersion=1.5\r\n");
    EXPECT_EQ(0x100000005ull, ChosenVersion());
    EXPECT_EQ(GetModuleHandleW(m_shipped.c_str()), theApp.m_hSysInfoModule);
    ASSERT_NE(nullptr, theApp.m_hSysInfoModule);
    DescribeDistribution(L"{D1}");
    EXPECT_TRUE(Records(m_shipped, "{D1}"));
}

TEST_F(SystemInfoTest, TheNewerServerServesAndTheRegisteredOneWinsATie)
{
    struct Case {
        const char* shipped;
        const char* registered;
        bool registeredServes;
        unsigned long long version;
    };
    const Case cases[] = {
        {"Version=1.5", "Version=2.0", true, 0x200000000ull},
        {"Version=1.5", "Version=1.5", true, 0x100000005ull},
        {"Version=2.0", "Version=1.4294967295", false, 0x200000000ull},
        // A registered server whose version cannot be read counts as version 0.
        {"Version=0.1", "Version=9.0\r\nVersionResult=0x80004005", false, 0x1ull},
        {"Version=0.0", "Version=9.0\r\nVersionResult=0x80004005", true, 0},
    };
    Register();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.shipped) + " / " + c.registered);
        WriteServerData(m_shipped, std::string("[Server]\r\n") + c.shipped + "\r\n");
        WriteServerData(m_registered, std::string("[Server]\r\n") + c.registered + "\r\n");
        if (theApp.m_pSystemInfo)
            theApp.m_pSystemInfo->Release();
        theApp.m_pSystemInfo = nullptr;
        theApp.m_hSysInfoModule = CVelmoInstallerApp::SysInfoNotLoaded();

        if (c.registeredServes) {
            // The version of the chosen object cannot be read back when it refuses to tell it.
            IUnknown* object = nullptr;
            theApp.GetSystemInfo(&object);
            object->Release();
            EXPECT_EQ(nullptr, theApp.m_hSysInfoModule);
            if (c.version) {
                EXPECT_EQ(c.version, ChosenVersion());
            }
            DescribeDistribution(L"{CoCreated}");
            EXPECT_TRUE(Records(m_registered, "{CoCreated}"));
        } else {
            EXPECT_EQ(c.version, ChosenVersion());
            EXPECT_EQ(GetModuleHandleW(m_shipped.c_str()), theApp.m_hSysInfoModule);
            DescribeDistribution(L"{Shipped}");
            EXPECT_TRUE(Records(m_shipped, "{Shipped}"));
        }
    }
}

// Each failure names the failing call and its result; the load stays undone, and the next
// request tries it again.
TEST_F(SystemInfoTest, AFailedLoadNamesItsCauseAndIsTriedAgain)
{
    struct Case {
        const char* shipped;  // data file of the shipped server; null: the module is no server
        bool registered;
        int line;
        std::wstring debugText;
    };
    const Case cases[] = {
        {"ClassObjectResult=0x80040111", false, 1643, L"Failed to get class object for ZKSystemInfo. Result=80040111"},
        {"CreateResult=0x8007000E", false, 1650, L"Failed to create distribution ZKSystemInfo object. Result=8007000e"},
        {"VersionResult=0x80004005", true, 1673,
            L"Failed to get distribution ZKSystemInfo object version. Result=80004005"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        WriteServerData(m_shipped, std::string("[Server]\r\n") + c.shipped + "\r\n");
        if (c.registered)
            Register();
        IUnknown* object = nullptr;
        try {
            theApp.GetSystemInfo(&object);
            ADD_FAILURE() << "no error";
        } catch (const ZKSystemInfoFailure& error) {
            EXPECT_EQ(10014, error.GetCode());
            EXPECT_EQ(c.line, error.GetLine());
            EXPECT_EQ(c.debugText, error.GetDebugMessage());
        }
        EXPECT_EQ(nullptr, object);
        EXPECT_EQ(CVelmoInstallerApp::SysInfoNotLoaded(), theApp.m_hSysInfoModule);

        WriteServerData(m_shipped, "[Server]\r\nVersion=3.0\r\n");
        EXPECT_EQ(0x300000000ull, ChosenVersion());
        if (theApp.m_pSystemInfo)
            theApp.m_pSystemInfo->Release();
        theApp.m_pSystemInfo = nullptr;
        theApp.m_hSysInfoModule = CVelmoInstallerApp::SysInfoNotLoaded();
        CallServerExport(m_registered, "DllUnregisterServer");
    }
}

TEST_F(SystemInfoTest, AModuleThatIsNoServerFailsTheLoad)
{
    struct Case {
        std::string content;  // of the file named as the server; empty: a module without the export
        int line;
    };
    const std::wstring module = ModuleDir() + L"\\sample\\res\\custom1033.dll";
    const Case cases[] = {{"not a module", 1631}, {"", 1636}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::wstring path = m_dir.File(c.content.empty() ? L"resources.dll" : L"text.dll");
        if (c.content.empty())
            ASSERT_TRUE(CopyFileW(module.c_str(), path.c_str(), FALSE));
        else
            ASSERT_TRUE(WriteFileBytes(path, c.content));
        // The configuration names the file.
        ASSERT_TRUE(DeleteFileW(m_shipped.c_str()) || GetLastError() == ERROR_ACCESS_DENIED);
        ASSERT_TRUE(CopyFileW(path.c_str(), m_shipped.c_str(), FALSE));
        try {
            theApp.LoadSystemInfo();
            ADD_FAILURE() << "no error";
        } catch (const ZKSystemInfoFailure& error) {
            EXPECT_EQ(c.line, error.GetLine());
            const std::wstring expected = c.line == 1631 ? L"CoLoadLibrary failed on " + m_shipped
                                                         : L"GetProcAddress failed on DllGetClassObject";
            EXPECT_EQ(expected, error.GetDebugMessage());
        }
        EXPECT_EQ(CVelmoInstallerApp::SysInfoNotLoaded(), theApp.m_hSysInfoModule);
    }
}

UINT WINAPI CdRomDrive(LPCWSTR)
{
    return DRIVE_CDROM;
}

// A server on a CD-ROM is loaded from a temporary copy, which is deleted at exit.
TEST_F(SystemInfoTest, AServerOnACdRomIsLoadedFromATemporaryCopy)
{
    ScopedOverride<UINT(WINAPI*)(LPCWSTR)> cdRom(CVelmoInstallerApp::s_pfnGetDriveTypeW, &CdRomDrive);
    const size_t copiesBefore = theApp.m_tempFiles.size();
    theApp.LoadSystemInfo();
    ASSERT_EQ(copiesBefore + 1, theApp.m_tempFiles.size());
    const std::wstring copy(static_cast<const wchar_t*>(theApp.m_tempFiles.back()));
    EXPECT_EQ(GetModuleHandleW(copy.c_str()), theApp.m_hSysInfoModule);
    EXPECT_NE(nullptr, theApp.m_hSysInfoModule);
    EXPECT_EQ(std::wstring(L"zki"), copy.substr(copy.find_last_of(L'\\') + 1, 3));
    theApp.m_tempFiles.pop_back();
}

// The loader of the sample distribution asks the model for the installed products; the model
// gets them from the server the sample ships.
TEST(SystemInfoLoad, TheSampleDistributionLoadsWithTheServerItShips)
{
    CurrentFolderGuard folder(CurrentFolder());
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CConfigInfo config;
    CDistribution distribution;
    ScopedOverride<CConfigInfo*> configSlot(theApp.m_pConfigInfo, &config);
    ScopedOverride<CDistribution*> distributionSlot(theApp.m_pDistribution, &distribution);
    IDistributionServices* savedServices = InstallDistributionServices(&distribution);
    ScopedOverride<IUnknown*> objectSlot(theApp.m_pSystemInfo, nullptr);
    ScopedOverride<HMODULE> moduleSlot(theApp.m_hSysInfoModule, CVelmoInstallerApp::SysInfoNotLoaded());
    const std::wstring sample = ModuleDir() + L"\\sample";
    try {
        config.SetIniFile(sample.c_str(), L"setup.ini");
        config.PopulateMsiInfo();
        config.LoadLanguageResource();
        EXPECT_EQ(0, theApp.LoadPackage());
    } catch (const ZKInstallerError::IInstallerError& error) {
        ADD_FAILURE() << testing::PrintToString(std::wstring(error.GetFullText()));
    }
    EXPECT_EQ(2u, distribution.GetPartCount());
    EXPECT_EQ(GetModuleHandleW((sample + L"\\tools\\ZKSysInfo.dll").c_str()), theApp.m_hSysInfoModule);
    EXPECT_NE(nullptr, theApp.m_hSysInfoModule);

    if (theApp.m_pSystemInfo)
        theApp.m_pSystemInfo->Release();
    if (config.GetDistributionInfo())
        config.FreeResourceModules();
    InstallDistributionServices(savedServices);
    CoUninitialize();
}

}  // namespace
