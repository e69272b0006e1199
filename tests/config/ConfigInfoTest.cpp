// The location of the INI file and the first configuration step: [MsiEngine] and [Debug].
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "CStringText.h"
#include "ConfigInfo.h"
#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "ScopedOverride.h"
#include "TestSupport.h"

using testsupport::CurrentFolder;
using testsupport::TempDir;
using testsupport::Text;
using testsupport::WriteFileBytes;

namespace {

std::wstring ListText(const IniFileErrors& error)
{
    std::wostringstream out;
    out << error.Argument<1>();
    return out.str();
}

// The program path that SetIniFile sees.
std::wstring g_programPath;

DWORD WINAPI FakeModuleFileName(HMODULE, LPWSTR buffer, DWORD size)
{
    DWORD length = static_cast<DWORD>(g_programPath.size());
    DWORD copied = length < size ? length : size - 1;
    g_programPath.copy(buffer, copied);
    buffer[copied] = L'\0';
    return length < size ? length : size;
}

class ConfigInfoTest : public ::testing::Test {
protected:
    void SetUp() override { m_savedDirectory = CurrentFolder(); }

    void FakeProgram(const std::wstring& path)
    {
        g_programPath = path;
        CConfigInfo::s_pfnGetModuleFileNameW = FakeModuleFileName;
    }

    // Writes setup.ini and an engine installer below the test folder, locates the INI file and
    // runs the first step; returns the error list's text ("" when the step succeeded).
    std::wstring PopulateMsiInfo(const std::string& ini)
    {
        EXPECT_TRUE(WriteFileBytes(m_dir.File(L"setup.ini"), ini));
        ::CreateDirectoryW(m_dir.File(L"engine").c_str(), nullptr);
        EXPECT_TRUE(WriteFileBytes(m_dir.File(L"engine\\instmsiw.exe"), "MZ"));
        m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        try {
            m_config.PopulateMsiInfo();
        } catch (const IniFileErrors& error) {
            return ListText(error);
        }
        return L"";
    }

    TempDir m_dir;
    CConfigInfo m_config;
    std::wstring m_savedDirectory;
    testsupport::CurrentFolderGuard m_currentFolder;
    ScopedOverride<decltype(CConfigInfo::s_pfnGetModuleFileNameW)> m_moduleFileName{
        CConfigInfo::s_pfnGetModuleFileNameW};
};

TEST_F(ConfigInfoTest, IniFileBesideTheProgramByDefault)
{
    FakeProgram(m_dir.File(L"setup.exe"));
    m_config.SetIniFile(nullptr, nullptr);
    EXPECT_EQ(m_dir.Path() + L"\\", Text(m_config.GetConfigFolder()));
    EXPECT_EQ(m_dir.File(L"setup.ini"), Text(m_config.GetIniPath()));
    EXPECT_EQ(0, _wcsicmp(m_dir.Path().c_str(), CurrentFolder().c_str())) << CurrentFolder();
}

TEST_F(ConfigInfoTest, RootAndIniFromTheCommandLine)
{
    FakeProgram(L"C:\\elsewhere\\setup.exe");
    TempDir other;
    const std::wstring absoluteIni = other.File(L"abs.ini");
    struct Case {
        std::wstring root;
        const wchar_t* ini;
        std::wstring folder;
        std::wstring iniPath;
    };
    const Case cases[] = {
        {m_dir.Path(), nullptr, m_dir.Path() + L"\\", m_dir.File(L"setup.ini")},
        {m_dir.Path() + L"\\", nullptr, m_dir.Path() + L"\\", m_dir.File(L"setup.ini")},
        {m_dir.Path(), L"other.ini", m_dir.Path() + L"\\", m_dir.File(L"other.ini")},
        {m_dir.Path(), L"sub\\x.ini", m_dir.Path() + L"\\", m_dir.File(L"sub\\x.ini")},
        {m_dir.Path(), absoluteIni.c_str(), m_dir.Path() + L"\\", absoluteIni},
        {L"C:", nullptr, L"C:\\", L"C:\\setup.ini"},
        {L"C:\\", L"a.ini", L"C:\\", L"C:\\a.ini"},
    };
    for (const Case& c : cases) {
        CConfigInfo config;
        config.SetIniFile(c.root.c_str(), c.ini);
        EXPECT_EQ(c.folder, Text(config.GetConfigFolder())) << c.root;
        EXPECT_EQ(c.iniPath, Text(config.GetIniPath())) << c.root;
    }
}

TEST_F(ConfigInfoTest, ProgramWithoutExtensionOrFolder)
{
    FakeProgram(m_dir.File(L"my.setup.exe"));
    m_config.SetIniFile(nullptr, nullptr);
    EXPECT_EQ(m_dir.File(L"my.setup.ini"), Text(m_config.GetIniPath()));

    ::SetCurrentDirectoryW(m_dir.Path().c_str());
    FakeProgram(L"install");
    CConfigInfo config;
    config.SetIniFile(nullptr, nullptr);
    EXPECT_EQ(m_dir.File(L"install.ini"), Text(config.GetIniPath()));
}

TEST_F(ConfigInfoTest, RootOutsideTheUsersCodePageIsRefused)
{
    const std::wstring root = L"C:\\\x4E2D\x6587";
    try {
        m_config.SetIniFile(root.c_str(), nullptr);
        FAIL() << "no error";
    } catch (const NoIniFile& error) {
        EXPECT_EQ(root, Text(error.Argument<1>()));
        std::wstring debug = error.GetDebugMessage();
        EXPECT_NE(std::wstring::npos,
            debug.find(L"The folder path '" + root + L"' contains an invalid character(s) for the system language ("))
            << debug;
    }
    EXPECT_EQ(m_savedDirectory, CurrentFolder());
}

TEST_F(ConfigInfoTest, PathsLongerThanTheLimitAreRefusedNotCut)
{
    const std::wstring longFolder = L"C:\\" + std::wstring(270, L'd');
    struct Case {
        const wchar_t* what;
        std::wstring program;
        std::wstring root;
        std::wstring ini;
    };
    const Case cases[] = {
        {L"program", longFolder + L"\\setup.exe", L"", L""},
        {L"root", L"C:\\p\\setup.exe", longFolder, L""},
        {L"ini", L"C:\\p\\setup.exe", L"C:\\", std::wstring(265, L'i') + L".ini"},
    };
    for (const Case& c : cases) {
        FakeProgram(c.program);
        CConfigInfo config;
        try {
            config.SetIniFile(c.root.empty() ? nullptr : c.root.c_str(), c.ini.empty() ? nullptr : c.ini.c_str());
            ADD_FAILURE() << c.what << ": no error";
        } catch (const NoIniFile& error) {
            std::wstring debug = error.GetDebugMessage();
            EXPECT_NE(std::wstring::npos, debug.find(L"is longer than the 259 characters")) << c.what << debug;
            EXPECT_GE(error.Argument<1>().GetLength(), MAX_PATH) << c.what;
        }
    }
}

TEST_F(ConfigInfoTest, MissingIniFileEndsTheStep)
{
    m_config.SetIniFile(m_dir.Path().c_str(), L"absent.ini");
    try {
        m_config.PopulateMsiInfo();
        FAIL() << "no error";
    } catch (const NoIniFile& error) {
        EXPECT_EQ(m_dir.File(L"absent.ini"), Text(error.Argument<1>()));
        EXPECT_EQ(-11005, -error.GetCode());
    }
    EXPECT_FALSE(m_config.IsMsiInfoPopulated());
}

TEST_F(ConfigInfoTest, EngineAndDebugSettings)
{
    ::SetEnvironmentVariableW(L"CFGCORE_LOGS", L"C:\\logs");
    EXPECT_EQ(L"",
        PopulateMsiInfo("[MsiEngine]\r\n"
                        "WinNTPath=engine\\instmsiw.exe\r\n"
                        "CommandLine=/q /c:\"msiinst /delayrebootq\"\r\n"
                        "RequiredVersion=2.0.2600.2\r\n"
                        "[Debug]\r\n"
                        "Logging=l*v %CFGCORE_LOGS%\\setup.log\r\n"
                        "CostLog=1\r\n"));
    EXPECT_TRUE(m_config.IsMsiInfoPopulated());
    const CConfigInfo::InstallEngineInfo* engine = m_config.GetInstallEngineInfo();
    ASSERT_NE(nullptr, engine);
    EXPECT_EQ(m_dir.File(L"engine\\instmsiw.exe"), Text(engine->GetInstallerNT()));
    EXPECT_EQ(L"", Text(engine->GetInstaller9x()));
    EXPECT_EQ(L"/q /c:\"msiinst /delayrebootq\"", Text(engine->GetCommandLine()));
    EXPECT_EQ(L"2.0.2600.2", Text(engine->GetRequiredVersion()));

    const CConfigInfo::DebugInfo* debug = m_config.GetDebugInfo();
    ASSERT_NE(nullptr, debug);
    EXPECT_EQ(L"l*v", Text(debug->GetLogMode()));
    EXPECT_EQ(L"C:\\logs\\setup.log", Text(debug->GetLogFile()));
    EXPECT_TRUE(debug->IsCostLog());
}

TEST_F(ConfigInfoTest, EngineDefaultsAndAbsolutePath)
{
    EXPECT_EQ(L"",
        PopulateMsiInfo("[MsiEngine]\r\nWinNTPath=" + std::string(m_dir.Path().begin(), m_dir.Path().end())
            + "\\engine\\instmsiw.exe\r\nCommandLine=/q\r\n[Debug]\r\nCostLog=1\r\n"));
    EXPECT_EQ(m_dir.File(L"engine\\instmsiw.exe"), Text(m_config.GetInstallEngineInfo()->GetInstallerNT()));
    EXPECT_EQ(L"1.0.0.0", Text(m_config.GetInstallEngineInfo()->GetRequiredVersion()));
    // CostLog counts only when Logging is given.
    EXPECT_FALSE(m_config.GetDebugInfo()->IsCostLog());
    EXPECT_EQ(L"", Text(m_config.GetDebugInfo()->GetLogMode()));
}

TEST_F(ConfigInfoTest, LoggingValues)
{
    struct Case {
        const char* logging;
        const wchar_t* mode;
        const wchar_t* file;
        bool valid;
    };
    const Case cases[] = {
        {"l f.log", L"l", L"f.log", true},
        {"Liwearucmopv*+! f.log", L"Liwearucmopv*+!", L"f.log", true},
        {"l*v\tC:\\a b.log", L"l*v", L"C:\\a b.log", true},
        {"lv", L"", L"", false},
        {"xv f.log", L"xv", L"f.log", false},
        {"l*z f.log", L"l*z", L"f.log", false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        ASSERT_TRUE(WriteFileBytes(dir.File(L"setup.ini"), std::string("[Debug]\r\nLogging=") + c.logging + "\r\n"));
        CConfigInfo config;
        config.SetIniFile(dir.Path().c_str(), L"setup.ini");
        IniErrorList errors;
        CConfigInfo::DebugInfo info(config);
        info.Load(errors);
        EXPECT_EQ(c.mode, Text(info.GetLogMode())) << c.logging;
        EXPECT_EQ(c.file, Text(info.GetLogFile())) << c.logging;
        EXPECT_EQ(c.valid ? 0u : 1u, errors.GetCount()) << c.logging;
        if (!c.valid && errors.GetCount() == 1) {
            EXPECT_EQ(6, errors[0].GetCode());
            EXPECT_EQ(L"Logging", Text(errors[0].GetKey()));
        }
    }
}

TEST_F(ConfigInfoTest, BadEntriesOfBothRecordsAreReportedOnce)
{
    std::wstring text = PopulateMsiInfo("[MsiEngine]\r\n"
                                        "WinNTPath=missing\\instmsiw.exe\r\n"
                                        "[Debug]\r\n"
                                        "Logging=lv\r\n"
                                        "CostLog=1\r\n");
    EXPECT_EQ(L"1. Specified file not found: [MsiEngine] WinNTPath = missing\\instmsiw.exe\r\n"
              L"2. Missing Key: [MsiEngine] CommandLine\r\n"
              L"3. Bad Value: [Debug] Logging = lv\r\n",
        text);
    // The records stay as far as they were read; the step is not done.
    EXPECT_FALSE(m_config.IsMsiInfoPopulated());
    ASSERT_NE(nullptr, m_config.GetDebugInfo());
    EXPECT_TRUE(m_config.GetDebugInfo()->IsCostLog());

    CConfigInfo config;
    ASSERT_TRUE(WriteFileBytes(m_dir.File(L"empty.ini"), "[Other]\r\nx=1\r\n"));
    config.SetIniFile(m_dir.Path().c_str(), L"empty.ini");
    try {
        config.PopulateMsiInfo();
        FAIL() << "no error";
    } catch (const IniFileErrors& error) {
        EXPECT_EQ(
            L"1. Missing Key: [MsiEngine] WinNTPath\r\n2. Missing Key: [MsiEngine] CommandLine\r\n", ListText(error));
        EXPECT_EQ(-11006, -error.GetCode());
    }
}

TEST_F(ConfigInfoTest, IniFileArgumentOfTheStepReplacesThePath)
{
    ASSERT_TRUE(WriteFileBytes(m_dir.File(L"setup.ini"), "[Other]\r\n"));
    ::CreateDirectoryW(m_dir.File(L"engine").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(m_dir.File(L"engine\\instmsiw.exe"), "MZ"));
    ASSERT_TRUE(WriteFileBytes(
        m_dir.File(L"second.ini"), "[MsiEngine]\r\nWinNTPath=engine\\instmsiw.exe\r\nCommandLine=/q\r\n"));
    m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
    m_config.PopulateMsiInfo(L"second.ini");
    EXPECT_EQ(m_dir.File(L"second.ini"), Text(m_config.GetIniPath()));
    EXPECT_TRUE(m_config.IsMsiInfoPopulated());
}

TEST(ConfigInfoModel, AccessorsOfAnEmptyConfiguration)
{
    CConfigInfo config;
    EXPECT_EQ(nullptr, config.GetPartInfo(0));
    EXPECT_EQ(nullptr, config.GetBaselinePartInfo(0));
    EXPECT_EQ(0u, config.GetKolBaselinePartInfoCount());
    CConfigInfo::DialogInfo* page = nullptr;
    for (int state : {0, 1, 13, 14}) {
        EXPECT_FALSE(config.GetDialogInfo(state, page)) << state;
        EXPECT_FALSE(config.IsDialogShown(state)) << state;
    }
    EXPECT_EQ(nullptr, config.GetInstallEngineInfo());
    EXPECT_EQ(nullptr, config.GetDebugInfo());
}

}  // namespace
