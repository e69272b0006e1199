// The application's services in this process: log settings, title and install level from the
// command line and the configuration, the user-interface language, the dialog font and the
// temporary copies.
#include <gtest/gtest.h>

#include <locale.h>

#include <list>
#include <string>

#include "ConfigInfo.h"
#include "DistributionInfo.h"
#include "InstallerErrors.h"
#include "Resources.h"
#include "RichTextModifiers.h"
#include "ScopedOverride.h"
#include "SystemErrorClasses.h"
#include "TestSupport.h"
#include "VelmoInstaller.h"
#include "WindowHelpers.h"

using namespace testsupport;

namespace {

// Gives the application another configuration and a clean command line for one test; puts
// everything back (the current directory too, which the configuration changes).
class AppState {
public:
    ~AppState()
    {
        if (m_config.GetDistributionInfo())
            m_config.FreeResourceModules();
    }
    CConfigInfo& Config() { return m_config; }
    // The first two configuration steps on `iniFile` in `root`.
    void Load(const std::wstring& root, const wchar_t* iniFile)
    {
        m_config.SetIniFile(root.c_str(), iniFile);
        m_config.PopulateMsiInfo();
        m_config.LoadLanguageResource();
    }

private:
    CConfigInfo m_config;
    ScopedOverride<CConfigInfo*> m_configInfo{theApp.m_pConfigInfo, &m_config};
    ScopedOverride<CVelmoCmdLine> m_cmdLine{theApp.m_cmdLine, CVelmoCmdLine()};
    CurrentFolderGuard m_currentFolder;
};

std::wstring SampleRoot()
{
    return ModuleDir() + L"\\sample";
}

TEST(AppServices, LogModeFlagsAndOptions)
{
    AppState state;
    struct Case {
        const wchar_t* modes;
        DWORD flags;
        DWORD options;
    };
    const Case cases[] = {
        {L"", 0x1FDF, 0},
        {L"l", 0x1FDF, 0},
        {L"l*v", 0x1FDF, 0},
        {L"L*V", 0x1FDF, 0},
        {L"lwe+", 0x6, 1},
        {L"l!", 0, 2},
        {L"l+!", 0, 3},
        {L"lmewuioarpcv", 0x1F9F, 0},
        {L"lIWEARUCMOPV", 0x1F9F, 0},
        {L"lxyz", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modes);
        theApp.m_cmdLine.m_strLogModes = c.modes;
        EXPECT_EQ(c.flags, theApp.GetLogModeFlags());
        EXPECT_EQ(c.options, theApp.GetLogFileOptions());
    }
}

// Before the configuration is read: the program's name, level 10, no log.
TEST(AppServices, DefaultsWithoutConfiguration)
{
    AppState state;
    EXPECT_EQ(CString(L"app_test"), theApp.GetTitle());
    EXPECT_EQ(10, theApp.GetInstallLevel());
    EXPECT_TRUE(theApp.GetLogFile().IsEmpty());
    EXPECT_TRUE(theApp.GetLogModes().IsEmpty());
    EXPECT_FALSE(theApp.IsCostLogEnabled());
    EXPECT_EQ(0x1FDFu, theApp.GetLogModeFlags());
    // No log named: OpenLog does nothing.
    theApp.OpenLog();
    EXPECT_FALSE(theApp.m_log.IsOpen());
}

// The sample distribution's configuration, and the command line over it.
TEST(AppServices, ConfigurationAndCommandLine)
{
    AppState state;
    state.Load(SampleRoot(), L"setup.ini");
    EXPECT_EQ(CString(L"Velmo Sample Distribution"), theApp.GetTitle());
    EXPECT_EQ(100, theApp.GetInstallLevel());
    EXPECT_EQ(CString(L"setup-sample.log"), theApp.GetLogFile());
    EXPECT_EQ(CString(L"l*v"), theApp.GetLogModes());
    EXPECT_FALSE(theApp.IsCostLogEnabled());

    theApp.m_cmdLine.m_nInstallLevel = 3;
    theApp.m_cmdLine.m_strLogFile = L"other.log";
    theApp.m_cmdLine.m_strLogModes = L"lwe+";
    theApp.m_cmdLine.m_bCostLog = true;
    EXPECT_EQ(3, theApp.GetInstallLevel());
    EXPECT_EQ(CString(L"other.log"), theApp.GetLogFile());
    EXPECT_EQ(0x6u, theApp.GetLogModeFlags());
    EXPECT_EQ(1u, theApp.GetLogFileOptions());
    EXPECT_TRUE(theApp.IsCostLogEnabled());
}

TEST(AppServices, CostLogOfTheConfiguration)
{
    AppState state;
    TempDir dir;
    const std::wstring sampleRoot = SampleRoot();
    const std::string root(sampleRoot.begin(), sampleRoot.end());
    ASSERT_TRUE(WriteFileBytes(dir.File(L"setup.ini"),
        "[MsiEngine]\r\nWinNTPath=" + root
            + "\\engine\\engine-installer.txt\r\nCommandLine=/q\r\n"
              "[Debug]\r\nLogging=l "
            + "%TEMP%\\x.log\r\nCostLog=1\r\n"));
    state.Config().SetIniFile(dir.Path().c_str(), nullptr);
    // The program's own name: app_test.ini, absent.
    EXPECT_THROW(state.Config().PopulateMsiInfo(), NoIniFile);
    state.Config().PopulateMsiInfo(dir.File(L"setup.ini").c_str());
    EXPECT_TRUE(theApp.IsCostLogEnabled());
    EXPECT_EQ(0x1FDFu, theApp.GetLogModeFlags());
}

// An unwritable log file fails the opening with LogFileError.
TEST(AppServices, OpenLogFailure)
{
    AppState state;
    TempDir dir;
    theApp.m_cmdLine.m_strLogFile = (dir.Path() + L"\\missing folder\\x.log").c_str();
    EXPECT_THROW(theApp.OpenLog(), LogFileError);
    EXPECT_FALSE(theApp.m_log.IsOpen());
}

// Without page records no page is shown; the mode test still runs and refuses an
// unregistered state.
TEST(AppServices, PageEnablingWithoutPageRecords)
{
    AppState state;
    theApp.m_cmdLine.m_nUiMode = UiFull;
    EXPECT_FALSE(theApp.IsDialogEnabled(13, false, true));
    EXPECT_FALSE(theApp.IsDialogEnabled(1, true, true));
    EXPECT_THROW(theApp.IsDialogEnabled(99, false, true), ValueOutOfRange);
    EXPECT_THROW(theApp.IsDialogEnabled(0, true, true), ValueOutOfRange);
}

// With the sample's page records: a page is enabled when it is shown and registered for the
// mode; a /linkedcustom run starts at the first such page. The sample switches off the pages
// between the welcome page and the progress page but the user-information and licence pages.
TEST(AppServices, PageEnablingFollowsThePageRecordsAndTheModes)
{
    AppState state;
    state.Load(SampleRoot(), L"setup.ini");
    state.Config().PopulateDialogInfo();
    struct Case {
        eDialogState page;
        int mode;
        bool anyMode;
        bool enabled;
    };
    const Case cases[] = {
        {kEndDialog, 4, false, true},
        {kEndDialog, 2, false, false},
        {kWelcomeDialog, 8, false, false},
        {kWelcomeDialog, 8, true, true},
        {kLicenseDialog, 4, false, true},
        {kLicenseDialog, 16, false, false},
        {kLicense2Dialog, 16, false, false},
        {kLicense2Dialog, 16, true, false},
        {kProgressDialog, 8, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.page) + "/" + std::to_string(c.mode));
        theApp.m_cmdLine.m_nUiMode = c.mode;
        EXPECT_EQ(c.enabled, theApp.IsDialogEnabled(c.page, c.anyMode, true));
    }
    theApp.m_cmdLine.m_nUiMode = 16;
    EXPECT_EQ(kProgressDialog, theApp.GetFirstEnabledDialog());
}

// A page that the spec file's [DisableDialogs] names is not enabled, unless the caller ignores
// the spec file; the pages it does not name keep their answer.
TEST(AppServices, PageEnablingHonoursTheSpecFile)
{
    AppState state;
    state.Load(SampleRoot(), L"setup.ini");
    state.Config().PopulateDialogInfo();
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File(L"spec.ini"), "[DisableDialogs]\r\nLicense=\r\n"));
    ScopedOverride<CSpecFileProcessor> spec(theApp.m_specFile, CSpecFileProcessor());
    theApp.m_specFile.SetSpecFile(dir.File(L"spec.ini").c_str());
    theApp.m_cmdLine.m_nUiMode = UiFull;
    struct Case {
        eDialogState page;
        bool ignoreSpecFile;
        bool enabled;
    };
    const Case cases[] = {
        {kLicenseDialog, false, false},
        {kLicenseDialog, true, true},
        {kUserInfoDialog, false, true},
        {kEndDialog, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.page) + (c.ignoreSpecFile ? " ignoring the spec file" : ""));
        EXPECT_EQ(c.enabled, theApp.IsDialogEnabled(c.page, false, c.ignoreSpecFile));
    }
}

TEST(AppServices, UiLanguageSetsTheLocales)
{
    const LCID savedThread = GetThreadLocale();
    theApp.SetUiLanguage(0x0407);
    EXPECT_EQ(0x0407u, theApp.m_uiLangId);
    EXPECT_EQ(static_cast<LCID>(0x0407), theApp.m_lcid);
    EXPECT_EQ(static_cast<LCID>(0x0407), GetThreadLocale());
    const wchar_t* crtLocale = _wsetlocale(LC_ALL, nullptr);
    ASSERT_NE(nullptr, crtLocale);
    EXPECT_EQ(0, wcsncmp(crtLocale, L"German_Germany.1252", 19)) << crtLocale;

    theApp.SetUiLanguage(0x0409);
    EXPECT_EQ(0x0409u, theApp.m_uiLangId);
    SetThreadLocale(savedThread);
    _wsetlocale(LC_ALL, L"C");
}

// The language the configuration chooses for the distribution reaches the pages' rich text
// (its default font and the code page of its RTF), whatever the user's own language.
TEST(AppServices, RichTextSpeaksTheChosenLanguage)
{
    const LCID savedThread = GetThreadLocale();
    for (LANGID requested : {LANGID(0x0407), LANGID(0x0409)}) {
        SCOPED_TRACE(requested);
        AppState state;
        theApp.m_cmdLine.m_langId = requested;
        state.Load(SampleRoot(), L"setup.ini");
        ASSERT_EQ(requested, state.Config().GetDistributionInfo()->GetUiLanguage());
        EXPECT_EQ(requested, GetRichTextLanguage());
    }
    SetRichTextLanguage(0);
    SetThreadLocale(savedThread);
    _wsetlocale(LC_ALL, L"C");
}

LOGFONTW FontOf(HFONT font)
{
    LOGFONTW logFont = {};
    GetObjectW(font, sizeof(logFont), &logFont);
    return logFont;
}

LONG HeightOf(int points)
{
    HDC screen = GetDC(nullptr);
    LONG height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    return height;
}

// Without template 233 in the resource module (the program's own, the feature peek, names the
// same font): MS Sans Serif, 8 points, in the character set of the language's ANSI code page.
TEST(AppServices, DialogFontDefaults)
{
    struct Case {
        LANGID language;
        BYTE charset;
    };
    const Case cases[]
        = {{0x0409, ANSI_CHARSET}, {0x0419, RUSSIAN_CHARSET}, {0x0411, SHIFTJIS_CHARSET}, {0x0408, GREEK_CHARSET}};
    HINSTANCE saved = AfxGetResourceHandle();
    for (HINSTANCE module : {GetModuleHandleW(L"kernel32.dll"), saved}) {
        AfxSetResourceHandle(module);
        EXPECT_EQ(module == saved, LoadDialogResourceById(233) != nullptr);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.language);
            theApp.CreateDialogFont(c.language);
            LOGFONTW font = FontOf(theApp.m_hDialogFont);
            EXPECT_STREQ(L"MS Sans Serif", font.lfFaceName);
            EXPECT_EQ(HeightOf(8), font.lfHeight);
            EXPECT_EQ(FW_NORMAL, font.lfWeight);
            EXPECT_EQ(c.charset, font.lfCharSet);
        }
    }
    AfxSetResourceHandle(saved);
}

// Template 233 of the language's resource module names the face and the size.
TEST(AppServices, DialogFontFromTheTemplate)
{
    HMODULE module = LoadLibraryW((ModuleDir() + L"\\app_test_dialogfont.dll").c_str());
    ASSERT_NE(nullptr, module);
    HINSTANCE saved = AfxGetResourceHandle();
    AfxSetResourceHandle(module);
    theApp.CreateDialogFont(0x0409);
    AfxSetResourceHandle(saved);
    LOGFONTW font = FontOf(theApp.m_hDialogFont);
    EXPECT_STREQ(L"Tahoma", font.lfFaceName);
    EXPECT_EQ(HeightOf(9), font.lfHeight);
    FreeLibrary(module);
}

TEST(AppServices, DialogTemplateFonts)
{
    HMODULE module = LoadLibraryW((ModuleDir() + L"\\app_test_dialogfont.dll").c_str());
    ASSERT_NE(nullptr, module);
    struct Case {
        UINT id;
        bool hasFont;
        const wchar_t* face;
        WORD points;
    };
    const Case cases[] = {
        {233, true, L"Tahoma", 9},
        {234, true, L"A face name longer than thirty-", 10},  // cut to 31 characters
        {235, false, L"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        HGLOBAL resource = LoadDialogResourceFrom(module, c.id);
        ASSERT_NE(nullptr, resource);
        CString face;
        WORD points = 0;
        EXPECT_EQ(c.hasFont, ReadDialogTemplateFont(LockResource(resource), face, points));
        EXPECT_STREQ(c.face, face.GetString());
        EXPECT_EQ(c.points, points);
    }
    FreeLibrary(module);
}

UINT g_driveType = DRIVE_FIXED;
UINT WINAPI FakeDriveType(LPCWSTR)
{
    return g_driveType;
}

// Temporary copies go to the application's temporary folder; the test gives it one of its own.
class TempCopies : public ::testing::Test {
protected:
    int CopiesOnDisk()
    {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((m_temp.Path() + L"\\zki*.tmp").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return 0;
        int count = 0;
        do {
            ++count;
        } while (FindNextFileW(find, &data));
        FindClose(find);
        return count;
    }

    TempDir m_temp;
    TempDir m_source;
    ScopedOverride<CString> m_tempPath{theApp.m_strTempPath, (m_temp.Path() + L"\\").c_str()};
    ScopedOverride<std::list<CString>> m_tempFiles{theApp.m_tempFiles, std::list<CString>()};
    ScopedOverride<decltype(CVelmoInstallerApp::s_pfnGetDriveTypeW)> m_driveType{
        CVelmoInstallerApp::s_pfnGetDriveTypeW, &FakeDriveType};
};

TEST_F(TempCopies, CopiedFromRemovableNetworkAndCdRomDrivesOnly)
{
    const std::wstring source = m_source.File(L"module.dll");
    ASSERT_TRUE(WriteFileBytes(source, "module bytes"));
    SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY);
    struct Case {
        UINT type;
        bool copied;
    };
    const Case cases[] = {{DRIVE_REMOVABLE, true}, {DRIVE_REMOTE, true}, {DRIVE_CDROM, true}, {DRIVE_FIXED, false},
        {DRIVE_RAMDISK, false}, {DRIVE_UNKNOWN, false}, {DRIVE_NO_ROOT_DIR, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        g_driveType = c.type;
        const size_t before = theApp.m_tempFiles.size();
        CString used;
        EXPECT_EQ(c.copied, theApp.CopyIfOnCdRom(source.c_str(), used));
        if (!c.copied) {
            EXPECT_EQ(CString(source.c_str()), used);
            EXPECT_EQ(before, theApp.m_tempFiles.size());
            continue;
        }
        ASSERT_EQ(before + 1, theApp.m_tempFiles.size());
        EXPECT_EQ(theApp.m_tempFiles.back(), used);
        const std::wstring copy = used.GetString();
        EXPECT_EQ(0u, copy.find(m_temp.Path() + L"\\zki")) << used.GetString();
        EXPECT_EQ(L".tmp", copy.substr(copy.size() - 4));
        EXPECT_EQ("module bytes", ReadFileBytes(copy));
        EXPECT_EQ(0u, GetFileAttributesW(copy.c_str()) & FILE_ATTRIBUTE_READONLY);
    }
    EXPECT_EQ(3, CopiesOnDisk());
    // The exit deletes them.
    theApp.ExitInstanceImpl();
    EXPECT_EQ(0, CopiesOnDisk());
    SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(TempCopies, FailedCopyLeavesNothing)
{
    g_driveType = DRIVE_CDROM;
    CString used = L"unchanged";
    try {
        theApp.CopyIfOnCdRom(m_source.File(L"missing.dll").c_str(), used);
        ADD_FAILURE() << "no error";
    } catch (const TempCopyCreationFailed& error) {
        EXPECT_NE(nullptr, wcsstr(error.GetFullText(), L"missing.dll")) << error.GetFullText();
    }
    EXPECT_EQ(CString(L"unchanged"), used);
    EXPECT_TRUE(theApp.m_tempFiles.empty());
    EXPECT_EQ(0, CopiesOnDisk());

    // No temporary file can be made in a folder that does not exist.
    theApp.m_strTempPath = (m_temp.Path() + L"\\no such folder\\").c_str();
    const std::wstring source = m_source.File(L"present.dll");
    ASSERT_TRUE(WriteFileBytes(source, "x"));
    EXPECT_THROW(theApp.MakeTempCopy(source.c_str(), used), TempCopyCreationFailed);
    EXPECT_TRUE(theApp.m_tempFiles.empty());
}

}  // namespace
