// Installing a part of a sample distribution: the command line built from the features' action
// states, the part's directories and properties and the language transform; Windows Installer's
// user interface around the call; where the package lies; the product's cached source list; and
// one real installation of the part's package.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CStringText.h"
#include "ConfigInfo.h"
#include "Distribution.h"
#include "DistributionInfo.h"
#include "Feature.h"
#include "InstallerErrors.h"
#include "ModelFixture.h"
#include "ModelTestSupport.h"
#include "MsiApi.h"
#include "MsiSession.h"
#include "PackedGuid.h"
#include "Part.h"
#include "ScopedOverride.h"
#include "TestSupport.h"

using modeltest::LoadedModel;
using testsupport::Text;

namespace {

const wchar_t kCoreCode[] = L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11}";
const wchar_t kCorePacked[] = L"02B3F1D6C4A7D5E4B8A9C0D1E2F3A411";

// What the Windows Installer seams saw.
std::vector<std::wstring> g_calls;
UINT g_installResult = ERROR_SUCCESS;
// The state the engine reports for every product once an installation was recorded (before it,
// the real state).
INSTALLSTATE g_stateAfterInstall = INSTALLSTATE_DEFAULT;
bool g_installRecorded = false;

UINT WINAPI RecordInstall(LPCWSTR package, LPCWSTR commandLine)
{
    g_calls.push_back(std::wstring(L"install ") + package + L" | " + commandLine);
    g_installRecorded = true;
    return g_installResult;
}

INSTALLSTATE WINAPI RecordedProductState(LPCWSTR product)
{
    return g_installRecorded ? g_stateAfterInstall : MsiQueryProductStateW(product);
}

HWND const kPreviousOwner = reinterpret_cast<HWND>(0x1234);
HWND const kOwner = reinterpret_cast<HWND>(0x5678);

INSTALLUILEVEL WINAPI RecordInternalUI(INSTALLUILEVEL level, HWND* window)
{
    g_calls.push_back(L"internal " + std::to_wstring(level) + L" "
        + (window ? std::to_wstring(reinterpret_cast<UINT_PTR>(*window)) : std::wstring(L"-")));
    if (window)
        *window = kPreviousOwner;
    return INSTALLUILEVEL_FULL;
}

INT WINAPI PreviousHandler(LPVOID, UINT, LPCWSTR)
{
    return 0;
}

INT WINAPI Handler(LPVOID, UINT, LPCWSTR)
{
    return 0;
}

INSTALLUI_HANDLERW WINAPI RecordExternalUI(INSTALLUI_HANDLERW handler, DWORD filter, LPVOID context)
{
    const wchar_t* name = handler == &Handler ? L"handler" : handler == &PreviousHandler ? L"previous" : L"other";
    g_calls.push_back(std::wstring(L"external ") + name + L" " + std::to_wstring(filter) + L" "
        + std::to_wstring(reinterpret_cast<UINT_PTR>(context)));
    return &PreviousHandler;
}

UINT WINAPI CdRomDrive(LPCWSTR)
{
    return DRIVE_CDROM;
}

// Windows Installer's user interface and installation calls recorded instead of made.
class RecordedInstaller {
public:
    RecordedInstaller()
    {
        g_calls.clear();
        g_installResult = ERROR_SUCCESS;
        g_stateAfterInstall = INSTALLSTATE_DEFAULT;
        g_installRecorded = false;
    }

private:
    MsiApiOverride<decltype(MsiApiTable::MsiInstallProductW)> m_install{MsiApi().MsiInstallProductW, &RecordInstall};
    MsiApiOverride<decltype(MsiApiTable::MsiQueryProductStateW)> m_state{
        MsiApi().MsiQueryProductStateW, &RecordedProductState};
    MsiApiOverride<decltype(MsiApiTable::MsiSetInternalUI)> m_internal{MsiApi().MsiSetInternalUI, &RecordInternalUI};
    MsiApiOverride<decltype(MsiApiTable::MsiSetExternalUIW)> m_external{MsiApi().MsiSetExternalUIW, &RecordExternalUI};
};

class PartInstallTest : public ::testing::Test {
protected:
    PartInstallTest()
    {
        modeltest::CopyModelFiles(m_dir);
        testsupport::WriteFileBytes(m_dir.File(L"core.mst"), "");
    }

    std::wstring Root() const { return m_dir.Path() + L"\\"; }
    // The properties every package receives, in command-line order.
    std::wstring StandardProperties(const LoadedModel& loaded) const
    {
        return L"PROMPTROLLBACKCOST=\"D\" REBOOT=\"Suppress\" REINSTALLMODE=\"vemus\" ZKORBELDISTROOT=\"" + Root()
            + L"\" ZKORBELDISTTITLE=\"" + loaded.Title() + L"\" ZKORBELLANGID=\"1033\" ZKORBELLAUNCHED=\"1\" ";
    }
    std::vector<std::wstring> ReadLog(const std::wstring& path)
    {
        m_app.Log().Close();
        return testsupport::ReadLogFile(path).lines;
    }

    testsupport::CurrentFolderGuard m_currentFolder;
    testsupport::TempDir m_dir;
    modeltest::TestAppServices m_app;
};

const int kUnknown = INSTALLSTATE_UNKNOWN;
const int kAdvertised = INSTALLSTATE_ADVERTISED;
const int kAbsent = INSTALLSTATE_ABSENT;
const int kLocal = INSTALLSTATE_LOCAL;
const int kSource = INSTALLSTATE_SOURCE;
const int kDefault = INSTALLSTATE_DEFAULT;

}  // namespace

TEST(PackGuid, ReversesGroupsAndSwapsPairs)
{
    struct Case {
        const wchar_t* guid;
        const wchar_t* packed;
    };
    const Case cases[] = {
        {kCoreCode, kCorePacked},
        {L"{6d1f3b20-7a4c-4e5d-8b9a-0c1d2e3f4a11}", L"02b3f1d6c4a7d5e4b8a9c0d1e2f3a411"},
        {L"{01234567-89AB-CDEF-0123-456789ABCDEF}", L"76543210BA98FEDC1032547698BADCFE"},
        // Not a braced GUID: nothing to pack.
        {L"", L""},
        {L"6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11", L""},
        {L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A1}", L""},
        {L"{6D1F3B20x7A4C-4E5D-8B9A-0C1D2E3F4A11}", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.packed, Text(PackGuid(c.guid))) << c.guid;
    EXPECT_EQ(L"", Text(PackGuid(nullptr)));
}

TEST_F(PartInstallTest, FeatureListsFollowTheActionStates)
{
    struct State {
        const wchar_t* feature;
        int installed;
        int action;
    };
    struct Case {
        const char* name;
        std::vector<State> states;
        bool reinstall;
        int upgradeMode;
        const wchar_t* lists;
    };
    const Case cases[] = {
        {"each action state to its list",
            {{L"Core", kAbsent, kLocal}, {L"CoreDocs", kAbsent, kSource}, {L"CoreHelp", kAbsent, kAdvertised}}, false,
            CPart::UpgradeTable::kFreshInstall, L"ADDLOCAL=\"Core\" ADDSOURCE=\"CoreDocs\" ADVERTISE=\"CoreHelp\"   "},
        {"unchanged states are listed too",
            {{L"Core", kLocal, kLocal}, {L"CoreDocs", kAbsent, kAbsent}, {L"CoreHelp", kLocal, kAbsent}}, false,
            CPart::UpgradeTable::kFreshInstall, L"ADDLOCAL=\"Core\"   REMOVE=\"CoreDocs,CoreHelp\"  "},
        {"a reinstall asked for reinstalls what is installed",
            {{L"Core", kLocal, kLocal}, {L"CoreDocs", kAbsent, kLocal}, {L"CoreHelp", kSource, kLocal}}, true,
            CPart::UpgradeTable::kFreshInstall, L"ADDLOCAL=\"CoreDocs\"    REINSTALL=\"Core,CoreHelp\" "},
        {"a minor upgrade reinstalls what is local",
            {{L"Core", kLocal, kLocal}, {L"CoreDocs", kAbsent, kLocal}, {L"CoreHelp", kUnknown, kUnknown}}, false,
            CPart::UpgradeTable::kMinorUpgrade, L"ADDLOCAL=\"CoreDocs\"    REINSTALL=\"Core\" "},
        {"a reinstall of the same version is no reinstall",
            {{L"Core", kLocal, kLocal}, {L"CoreDocs", kUnknown, kUnknown}, {L"CoreHelp", kUnknown, kUnknown}}, false,
            CPart::UpgradeTable::kReinstall, L"ADDLOCAL=\"Core\"     "},
        {"other states are not passed",
            {{L"Core", kLocal, kUnknown}, {L"CoreDocs", kLocal, kDefault}, {L"CoreHelp", kUnknown, 0}}, true,
            CPart::UpgradeTable::kFreshInstall, L"     "},
    };
    RecordedInstaller installer;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadedModel loaded(m_dir, modeltest::ModelIni());
        for (const State& state : c.states)
            loaded.SetStates(state.feature, state.installed, state.action);
        loaded.SetStates(L"Extras", kAbsent, kLocal);  // another part's feature
        m_app.SetReinstall(c.reinstall);
        const_cast<CPart::UpgradeTable*>(loaded.Core().GetUpgradeTable())->m_upgradeMode = c.upgradeMode;
        g_calls.clear();

        EXPECT_EQ(0u, loaded.Core().InstallPackage(loaded.model));

        ASSERT_EQ(1u, g_calls.size());
        EXPECT_EQ(L"install " + Root() + L"core.msi | " + c.lists + StandardProperties(loaded), g_calls[0]);
    }
}

TEST_F(PartInstallTest, DirectoriesAndPropertiesOfThePart)
{
    LoadedModel loaded(m_dir, modeltest::ModelIni());
    loaded.SetStates(L"Core", kAbsent, kLocal);
    loaded.SetStates(L"CoreDocs", kAbsent, kUnknown);
    loaded.SetStates(L"CoreHelp", kAbsent, kUnknown);
    CPart& core = loaded.Core();
    core.AddProperty(L"REBOOT", L"Force");
    core.PopulateInstallInfo(*loaded.model.GetSession(), {{L"INSTALLDIR", L"C:\\A \"quoted\" dir\\"}},
        {{L"REBOOT", L"ReallySuppress"}, {L"NOTE", L"say \"hi\""}, {L"REINSTALLMODE", L"omus"}});
    RecordedInstaller installer;
    g_installResult = 1603;

    EXPECT_EQ(1603u, core.InstallSilently(loaded.model));

    ASSERT_EQ(3u, g_calls.size());
    // Directories pass unchanged; quotes of property values are doubled; what the part was given
    // wins over the distribution's properties and the standard ones.
    EXPECT_EQ(L"install " + Root()
            + L"core.msi | ADDLOCAL=\"Core\"     INSTALLDIR=\"C:\\A \"quoted\" dir\\\" "
              L"NOTE=\"say \"\"hi\"\"\" PROMPTROLLBACKCOST=\"D\" REBOOT=\"Force\" REINSTALLMODE=\"omus\" "
              L"ZKORBELDISTROOT=\""
            + Root() + L"\" ZKORBELDISTTITLE=\"" + loaded.Title() + L"\" ZKORBELLANGID=\"1033\" ZKORBELLAUNCHED=\"1\" ",
        g_calls[1]);
    // The standard properties stay in the part's map.
    EXPECT_EQ(L"D", Text(core.GetProperties().at(L"PROMPTROLLBACKCOST")));
    EXPECT_EQ(0u, core.GetProperties().count(L"ZKODWBUILTDIST"));
}

TEST_F(PartInstallTest, StandardPropertiesWithTheBuildMarker)
{
    LoadedModel loaded(m_dir, modeltest::ModelIni());
    loaded.model.SetProperty(L"ZKODWBUILTDIST", L"Build 7");
    loaded.model.RunCostingActions();
    std::map<CString, CString> properties{{L"REBOOT", L"Force"}};

    loaded.Core().AddStandardProperties(properties);

    std::wstring text;
    for (const auto& entry : properties)
        text += Text(entry.first) + L"=" + Text(entry.second) + L"\n";
    EXPECT_EQ(L"PROMPTROLLBACKCOST=D\nREBOOT=Force\nREINSTALLMODE=vemus\nZKODWBUILTDIST=Build 7\nZKORBELDISTROOT="
            + Root() + L"\nZKORBELDISTTITLE=" + loaded.Title() + L"\nZKORBELLANGID=1033\nZKORBELLAUNCHED=1\n",
        text);
}

TEST_F(PartInstallTest, LanguageTransform)
{
    struct Case {
        const char* configured;  // LangXfm1033 of the part, or null
        const wchar_t* given;    // TRANSFORMS given to the part, or null
        std::wstring passed;     // TRANSFORMS on the command line, empty when none
    };
    const std::wstring absolute = m_dir.File(L"core.mst");
    const std::string absoluteNarrow(absolute.begin(), absolute.end());
    const Case cases[] = {
        {"core.mst", nullptr, Root() + L"core.mst"},
        {"\\core.mst", nullptr, Root() + L"core.mst"},
        {absoluteNarrow.c_str(), nullptr, absolute},
        {"core.mst", L"first.mst", L"first.mst;core.mst"},
        {"\\core.mst", L"", L"\\core.mst"},
        {nullptr, L"first.mst", L"first.mst"},
        {nullptr, nullptr, L""},
    };
    RecordedInstaller installer;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.configured ? c.configured : "no transform");
        LoadedModel loaded(
            m_dir, modeltest::ModelIni(c.configured ? std::string("LangXfm1033=") + c.configured + "\r\n" : ""));
        if (c.given)
            loaded.Core().AddProperty(L"TRANSFORMS", c.given);
        g_calls.clear();

        loaded.Core().InstallPackage(loaded.model);

        ASSERT_EQ(1u, g_calls.size());
        const size_t at = g_calls[0].find(L"TRANSFORMS=");
        if (c.passed.empty()) {
            EXPECT_EQ(std::wstring::npos, at) << g_calls[0];
        } else {
            ASSERT_NE(std::wstring::npos, at) << g_calls[0];
            EXPECT_EQ(L"TRANSFORMS=\"" + c.passed + L"\" ", g_calls[0].substr(at, c.passed.size() + 14));
        }
    }
}

TEST_F(PartInstallTest, UserInterfaceIsSetAroundTheInstallation)
{
    LoadedModel loaded(m_dir, modeltest::ModelIni());
    RecordedInstaller installer;
    auto installs = [](const std::vector<std::wstring>& calls) {
        std::vector<std::wstring> kept;
        for (const std::wstring& call : calls)
            kept.push_back(call.substr(0, call.find(L' ')) == L"install" ? L"install" : call);
        return kept;
    };
    const std::wstring previousOwner = std::to_wstring(reinterpret_cast<UINT_PTR>(kPreviousOwner));

    loaded.Core().InstallWithExternalUI(loaded.model, &Handler, 0x10f, reinterpret_cast<void*>(7));
    EXPECT_EQ((std::vector<std::wstring>{L"internal 2 0", L"external handler 271 7", L"install",
                  L"external previous 0 0", L"internal 5 " + previousOwner}),
        installs(g_calls));

    g_calls.clear();
    loaded.Core().InstallWithBasicUI(loaded.model, kOwner);
    EXPECT_EQ((std::vector<std::wstring>{L"internal 3 " + std::to_wstring(reinterpret_cast<UINT_PTR>(kOwner)),
                  L"install", L"internal 5 " + previousOwner}),
        installs(g_calls));

    // A part on another volume: the error leaves, the settings are back.
    LoadedModel elsewhere(m_dir, modeltest::ModelIni("", "Volume=3\r\n") + "[Volume Labels]\r\n2=SECOND\r\n");
    g_calls.clear();
    EXPECT_THROW(elsewhere.Extras().InstallSilently(elsewhere.model), IncorrectVolume);
    EXPECT_EQ((std::vector<std::wstring>{L"internal 2 0", L"internal 5 " + previousOwner}), installs(g_calls));
}

TEST_F(PartInstallTest, PackagePathOnTheCurrentVolume)
{
    const std::wstring absolute = m_dir.File(L"core.msi");
    const std::string absoluteNarrow(absolute.begin(), absolute.end());
    {
        LoadedModel loaded(m_dir, modeltest::ModelIni("", "Volume=3\r\n") + "[Volume Labels]\r\n2=SECOND\r\n");
        EXPECT_EQ(Root() + L"core.msi", Text(loaded.Core().GetSourcePackagePath()));
        // A folder found through a media prompt has no trailing backslash: one is put between.
        loaded.model.m_currentRootPath = m_dir.Path().c_str();
        EXPECT_EQ(Root() + L"core.msi", Text(loaded.Core().GetSourcePackagePath()));
        try {
            loaded.Extras().GetSourcePackagePath();
            ADD_FAILURE() << "no error";
        } catch (const IncorrectVolume& e) {
            EXPECT_EQ(L"extras.msi", Text(e.Argument<1>()));
            EXPECT_EQ(m_dir.Path(), Text(e.Argument<2>()));
            EXPECT_EQ(1u, e.Argument<3>());
            EXPECT_EQ(3u, e.Argument<4>());
        }
    }
    for (const std::string& path : {std::string("\\core.msi"), absoluteNarrow}) {
        std::string ini = modeltest::ModelIni();
        ini.replace(ini.find("Path=core.msi"), 13, "Path=" + path);
        LoadedModel loaded(m_dir, ini);
        EXPECT_EQ(absolute, Text(loaded.Core().GetSourcePackagePath())) << path;
    }
}

TEST_F(PartInstallTest, SourceListOfAnUnknownProductIsLeftAlone)
{
    LoadedModel loaded(m_dir, modeltest::ModelIni());
    const std::wstring logPath = m_dir.File(L"setup.log");
    m_app.Log().Open(logPath.c_str(), false);

    loaded.Core().UpdateVolumeCache(L"Title");

    EXPECT_EQ(
        (std::vector<std::wstring>{
            L"OrbelInstaller: Attempting to update volume location cache for Model Core",
            std::wstring(L"OrbelInstaller: VolumeCache: Did not find keys in HKEY_CLASSES_ROOT\\Installer\\Products\\")
                + kCorePacked + L"\\SourceList\\Media",
            std::wstring(L"OrbelInstaller: VolumeCache: Did not find keys in HKEY_CURRENT_USER\\Software\\Microsoft\\"
                         L"Installer\\Products\\")
                + kCorePacked + L"\\SourceList\\Media",
        }),
        ReadLog(logPath));
}

TEST_F(PartInstallTest, SourceListMediaOfAKnownProduct)
{
    const std::wstring product = std::wstring(L"Software\\Microsoft\\Installer\\Products\\") + kCorePacked;
    const std::wstring media = product + L"\\SourceList\\Media";
    LoadedModel loaded(m_dir, modeltest::ModelIni());
    auto value = [&](const wchar_t* name) {
        wchar_t text[512] = {};
        DWORD size = sizeof(text);
        const LONG result = RegGetValueW(HKEY_CURRENT_USER, media.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size);
        return result == ERROR_SUCCESS ? std::wstring(text) : L"<" + std::to_wstring(result) + L">";
    };
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
        RegCreateKeyExW(HKEY_CURRENT_USER, media.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    RegCloseKey(key);
    const std::wstring logPath = m_dir.File(L"setup.log");
    m_app.Log().Open(logPath.c_str(), false);

    loaded.Core().UpdateVolumeCache(L"My Title");
    {
        // From a CD-ROM Windows Installer also learns the package's folder.
        ScopedOverride<decltype(CPart::s_pfnGetDriveTypeW)> drive(CPart::s_pfnGetDriveTypeW, &CdRomDrive);
        loaded.Core().UpdateVolumeCache(L"Other");
    }
    const std::vector<std::wstring> log = ReadLog(logPath);

    EXPECT_EQ(L"DISK1;Other", value(L"1"));
    EXPECT_EQ(L"DISK1B;Other", value(L"2"));
    EXPECT_EQ(L"<2>", value(L"3"));
    EXPECT_EQ(L"Please insert the disk labeled \"Other\"", value(L"DiskPrompt"));
    const std::wstring folder = Root().substr(2);  // without the drive
    EXPECT_EQ(folder, value(L"MediaPackage"));
    ASSERT_EQ(6u, log.size());
    EXPECT_EQ(L"OrbelInstaller: VolumeCache: Modified keys in HKEY_CURRENT_USER\\" + media, log[2]);
    EXPECT_EQ(L"OrbelInstaller: VolumeCache: Modified keys in HKEY_CURRENT_USER\\" + media, log[5]);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, product.c_str()));
}

TEST_F(PartInstallTest, InstallsAndRemovesThePackage)
{
    LoadedModel loaded(m_dir, modeltest::ModelIni());
    loaded.SetStates(L"Core", kAbsent, kLocal);
    loaded.SetStates(L"CoreDocs", kAbsent, kUnknown);
    loaded.SetStates(L"CoreHelp", kAbsent, kUnknown);
    const std::wstring logPath = m_dir.File(L"setup.log");
    m_app.Log().Open(logPath.c_str(), false);

    const UINT result = loaded.Core().InstallSilently(loaded.model);
    const INSTALLSTATE installed = MsiQueryProductStateW(kCoreCode);
    loaded.SetStates(L"Core", kLocal, kAbsent);
    const UINT removal = loaded.Core().InstallSilently(loaded.model);
    const std::vector<std::wstring> log = ReadLog(logPath);

    EXPECT_EQ(0u, result);
    EXPECT_EQ(INSTALLSTATE_DEFAULT, installed);
    EXPECT_EQ(0u, removal);
    EXPECT_EQ(INSTALLSTATE_UNKNOWN, MsiQueryProductStateW(kCoreCode));
    if (MsiQueryProductStateW(kCoreCode) != INSTALLSTATE_UNKNOWN)
        MsiInstallProductW(m_dir.File(L"core.msi").c_str(), L"REMOVE=ALL");
    // The installation's summary: its lists one per line, the long properties line wrapped.
    ASSERT_EQ(34u, log.size());
    EXPECT_EQ(L"OrbelInstaller: --- Installing Part Model Core ---", log[0]);
    EXPECT_EQ((std::vector<std::wstring>{L"OrbelInstaller: ADDLOCAL: ADDLOCAL=\"Core\"", L"OrbelInstaller: ADDSOURCE: ",
                  L"OrbelInstaller: ADVERTISE: ", L"OrbelInstaller: REMOVE: ", L"OrbelInstaller: REINSTALL: ",
                  L"OrbelInstaller: Directories: ",
                  L"OrbelInstaller: Properties: PROMPTROLLBACKCOST=\"D\" REBOOT=\"Suppress\" REINSTALLMODE=\"vemus\""}),
        std::vector<std::wstring>(log.begin() + 2, log.begin() + 9));
    EXPECT_EQ(L"OrbelInstaller: Attempting to update volume location cache for Model Core", log[11]);
    EXPECT_EQ(L"OrbelInstaller: Part returned 0", log[14]);
    EXPECT_EQ(L"OrbelInstaller: --- Finished Running Part Model Core ---", log[15]);
    EXPECT_EQ(L"OrbelInstaller: REMOVE: REMOVE=\"Core\"", log[22]);
    // The installed product's source list learns the distribution's media.
    EXPECT_EQ(std::wstring(L"OrbelInstaller: VolumeCache: Modified keys in HKEY_CLASSES_ROOT\\Installer\\Products\\")
            + kCorePacked + L"\\SourceList\\Media",
        log[29]);
}

// A run that was to install the part and after which Windows Installer does not report its
// product (the package is another product's) fails, whatever the engine returned; a removal and
// a failure keep their results.
TEST_F(PartInstallTest, PartWhoseProductIsAbsentAfterItsRunFails)
{
    struct Case {
        const char* name;
        int action;  // of the part's feature Core
        UINT engineResult;
        INSTALLSTATE stateAfter;
        UINT result;
    };
    const Case cases[] = {
        {"installed, product reported", kLocal, ERROR_SUCCESS, INSTALLSTATE_DEFAULT, ERROR_SUCCESS},
        {"installed, product absent", kLocal, ERROR_SUCCESS, INSTALLSTATE_UNKNOWN, ERROR_INSTALL_FAILURE},
        {"restart asked, product absent", kLocal, ERROR_SUCCESS_REBOOT_REQUIRED, INSTALLSTATE_UNKNOWN,
            ERROR_INSTALL_FAILURE},
        {"failed, product absent", kLocal, ERROR_INSTALL_USEREXIT, INSTALLSTATE_UNKNOWN, ERROR_INSTALL_USEREXIT},
        {"removed, product absent", kAbsent, ERROR_SUCCESS, INSTALLSTATE_UNKNOWN, ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadedModel loaded(m_dir, modeltest::ModelIni());
        loaded.SetStates(L"Core", c.action == kLocal ? kAbsent : kLocal, c.action);
        loaded.SetStates(L"CoreDocs", kAbsent, kUnknown);
        loaded.SetStates(L"CoreHelp", kAbsent, kUnknown);
        const std::wstring logPath = m_dir.File(L"absent.log");
        DeleteFileW(logPath.c_str());
        m_app.Log().Open(logPath.c_str(), false);
        RecordedInstaller installer;
        g_installResult = c.engineResult;
        g_stateAfterInstall = c.stateAfter;

        EXPECT_EQ(c.result, loaded.Core().InstallSilently(loaded.model));

        const std::vector<std::wstring> log = ReadLog(logPath);
        const std::wstring refused = L"OrbelInstaller: Windows Installer does not report the product Model Core "
                                     L"{6D1F3B20-7A4C-4E5D-8B9A-0C1D2E3F4A11} as installed after its part's run: "
                                     L"the part failed.";
        const bool logged = std::find(log.begin(), log.end(), refused) != log.end();
        EXPECT_EQ(c.result != c.engineResult, logged);
    }
}
