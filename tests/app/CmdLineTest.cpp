// The command line: a table of command lines and the fields they give.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "CStringText.h"
#include "CommandLineInfo.h"
#include "LinkedDistributionLaunch.h"
#include "VelmoCmdLine.h"

using testsupport::Text;

namespace {

// Parses the arguments as the class library does for the process's own command line.
void Parse(CVelmoCmdLine& cmd, const std::wstring& arguments)
{
    std::wstring commandLine = L"setup.exe " + arguments;
    AfxParseCommandLine(cmd, commandLine.c_str());
}

using Check = std::function<void(const CVelmoCmdLine&)>;

struct Case {
    const wchar_t* arguments;
    bool error;
    Check check;
};

const Check kNothing = [](const CVelmoCmdLine&) {};

}  // namespace

TEST(CmdLine, Defaults)
{
    CVelmoCmdLine cmd;
    Parse(cmd, L"");
    EXPECT_FALSE(cmd.m_bParseError);
    EXPECT_FALSE(cmd.m_bShowHelp);
    EXPECT_EQ(UiFull, cmd.m_nUiMode);
    EXPECT_EQ(-1, cmd.m_nAcceptLicenses);
    EXPECT_EQ(0, cmd.m_nRebootMode);
    EXPECT_EQ(0, cmd.m_langId);
    EXPECT_EQ(0, cmd.m_nInstallLevel);
    EXPECT_EQ(nullptr, cmd.m_hMasterWnd);
    EXPECT_TRUE(cmd.m_strSpecFile.IsEmpty());
    EXPECT_TRUE(cmd.m_volumePaths.empty());
    EXPECT_TRUE(cmd.m_properties.empty());
}

TEST(CmdLine, Table)
{
    const Case cases[] = {
        // Quiet and basic modes.
        {L"/q", true, [](auto& c) { EXPECT_EQ(UiQuiet, c.m_nUiMode); }},
        {L"/q /acceptlicenses yes", false,
            [](auto& c) {
                EXPECT_EQ(UiQuiet, c.m_nUiMode);
                EXPECT_EQ(1, c.m_nAcceptLicenses);
            }},
        {L"-qn -AcceptLicenses NO", false,
            [](auto& c) {
                EXPECT_EQ(UiQuiet, c.m_nUiMode);
                EXPECT_EQ(0, c.m_nAcceptLicenses);
            }},
        {L"/qnx /acceptlicenses yes", false, [](auto& c) { EXPECT_EQ(UiQuiet, c.m_nUiMode); }},
        {L"/Q /acceptlicenses yes", true, [](auto& c) { EXPECT_EQ(UiFull, c.m_nUiMode); }},
        {L"/qs", false, [](auto& c) { EXPECT_EQ(UiBasic, c.m_nUiMode); }},
        {L"/qs-", false, [](auto& c) { EXPECT_EQ(UiBasicNoCancel, c.m_nUiMode); }},
        {L"/qsz", false, [](auto& c) { EXPECT_EQ(UiBasic, c.m_nUiMode); }},
        {L"/qf", true, kNothing},
        {L"/q /acceptlicenses maybe", true, [](auto& c) { EXPECT_EQ(-1, c.m_nAcceptLicenses); }},
        {L"/acceptlicenses yes", false, [](auto& c) { EXPECT_EQ(1, c.m_nAcceptLicenses); }},
        // Restart.
        {L"/r", false, [](auto& c) { EXPECT_EQ(1, c.m_nRebootMode); }},
        {L"/r:n", false, [](auto& c) { EXPECT_EQ(1, c.m_nRebootMode); }},
        {L"/r:f", false, [](auto& c) { EXPECT_EQ(2, c.m_nRebootMode); }},
        {L"/r:N", true, kNothing},
        {L"/r:", true, kNothing},
        {L"/R", true, kNothing},
        {L"/root C:\\dist /runkey ZKInstaller1", false,
            [](auto& c) {
                EXPECT_EQ(0, c.m_nRebootMode);
                EXPECT_EQ(L"C:\\dist", Text(c.m_strRootDir));
                EXPECT_EQ(L"ZKInstaller1", Text(c.m_strRunKey));
            }},
        // Linking.
        {L"/k", false, [](auto& c) { EXPECT_TRUE(c.m_bNoLinking); }},
        {L"/K:N", false, [](auto& c) { EXPECT_TRUE(c.m_bNoLinking); }},
        {L"/k:x", false, [](auto& c) { EXPECT_FALSE(c.m_bNoLinking); }},
        // Cache.
        {L"/cache c.xml", false,
            [](auto& c) {
                EXPECT_TRUE(c.m_bCacheFeatureInfo);
                EXPECT_TRUE(c.m_bCacheCustomExecutes);
                EXPECT_EQ(L"c.xml", Text(c.m_strCacheFile));
            }},
        {L"/CACHE:FX c.xml", false, [](auto& c) { EXPECT_TRUE(c.m_bCacheFeatureInfo && c.m_bCacheCustomExecutes); }},
        {L"/cache:xf c.xml", false,
            [](auto& c) {
                EXPECT_FALSE(c.m_bCacheFeatureInfo);
                EXPECT_TRUE(c.m_bCacheCustomExecutes);
            }},
        {L"/cache:f c.xml", false,
            [](auto& c) {
                EXPECT_TRUE(c.m_bCacheFeatureInfo);
                EXPECT_FALSE(c.m_bCacheCustomExecutes);
            }},
        {L"/cache", true, kNothing},
        {L"/cache:z c.xml", true, kNothing},
        {L"/cachex c.xml", true, kNothing},
        // Log.
        {L"/log my.log", false,
            [](auto& c) {
                EXPECT_TRUE(c.m_bLog);
                EXPECT_TRUE(c.m_bCostLog);
                EXPECT_EQ(L"l*v", Text(c.m_strLogModes));
                EXPECT_EQ(L"my.log", Text(c.m_strLogFile));
            }},
        {L"/lOG my.log", false, [](auto& c) { EXPECT_EQ(L"l*v", Text(c.m_strLogModes)); }},
        {L"/Log my.log", true, kNothing},
        {L"-l*v+! my.log", false,
            [](auto& c) {
                EXPECT_EQ(L"l*v+!", Text(c.m_strLogModes));
                EXPECT_FALSE(c.m_bCostLog);
            }},
        {L"/lvx my.log", true, [](auto& c) { EXPECT_EQ(L"lvx", Text(c.m_strLogModes)); }},
        {L"/lv", true, kNothing},
        {L"/costlog", false,
            [](auto& c) {
                EXPECT_TRUE(c.m_bCostLog);
                EXPECT_FALSE(c.m_bLog);
            }},
        // Help.
        {L"/?", false, [](auto& c) { EXPECT_TRUE(c.m_bShowHelp); }},
        {L"-h", false, [](auto& c) { EXPECT_TRUE(c.m_bShowHelp); }},
        {L"/help", false, [](auto& c) { EXPECT_TRUE(c.m_bShowHelp); }},
        {L"/hello", false, [](auto& c) { EXPECT_TRUE(c.m_bShowHelp); }},
        {L"/?x", false, [](auto& c) { EXPECT_TRUE(c.m_bShowHelp); }},
        {L"/nosuchswitch /?", true, [](auto& c) { EXPECT_TRUE(c.m_bShowHelp); }},
        // Pending values and the plain argument.
        {L"/ini /reinstall b.ini", false,
            [](auto& c) {
                EXPECT_TRUE(c.m_bReinstall);
                EXPECT_EQ(L"b.ini", Text(c.m_strIniFile));
                EXPECT_TRUE(c.m_strSpecFile.IsEmpty());
            }},
        {L"/ini /tree a.ini", false,
            [](auto& c) {
                EXPECT_TRUE(c.m_bTreeStart);
                EXPECT_TRUE(c.m_strIniFile.IsEmpty());
                EXPECT_EQ(L"a.ini", Text(c.m_strSpecFile));
            }},
        {L"/ini a.ini b.spec", false,
            [](auto& c) {
                EXPECT_EQ(L"a.ini", Text(c.m_strIniFile));
                EXPECT_EQ(L"b.spec", Text(c.m_strSpecFile));
            }},
        {L"first.spec second.spec", false, [](auto& c) { EXPECT_EQ(L"second.spec", Text(c.m_strSpecFile)); }},
        {L"/ini", false, [](auto& c) { EXPECT_TRUE(c.m_strIniFile.IsEmpty()); }},
        {L"\"C:\\My Dist\\unattended spec.ini\" /root \"D:\\a b\"", false,
            [](auto& c) {
                EXPECT_EQ(L"C:\\My Dist\\unattended spec.ini", Text(c.m_strSpecFile));
                EXPECT_EQ(L"D:\\a b", Text(c.m_strRootDir));
            }},
        {L"/delexe /gdb /siv", false, [](auto& c) { EXPECT_TRUE(c.m_bDeleteExe && c.m_bDebugLayout && c.m_bSiv); }},
        {L"/linked", false, [](auto& c) { EXPECT_EQ(UiLinked, c.m_nUiMode); }},
        {L"/LinkedCustom", false, [](auto& c) { EXPECT_EQ(UiLinkedCustom, c.m_nUiMode); }},
        // Language.
        {L"/lang nld", false, [](auto& c) { EXPECT_EQ(19, c.m_langId); }},
        {L"/lang Dutch", false, [](auto& c) { EXPECT_EQ(19, c.m_langId); }},
        {L"/LANG CHINESETRADITIONAL", false, [](auto& c) { EXPECT_EQ(1028, c.m_langId); }},
        {L"/lang jpn", false, [](auto& c) { EXPECT_EQ(17, c.m_langId); }},
        {L"/lang 1033", false, [](auto& c) { EXPECT_EQ(1033, c.m_langId); }},
        {L"/lang 70000", false, [](auto& c) { EXPECT_EQ(4464, c.m_langId); }},
        {L"/lang x1", true, [](auto& c) { EXPECT_EQ(0, c.m_langId); }},
        // Install level.
        {L"/level 5", false, [](auto& c) { EXPECT_EQ(5, c.m_nInstallLevel); }},
        {L"/level 0", true, kNothing},
        {L"/level abc", true, kNothing},
        // Master window.
        {L"/masterhWnd 1a2b", false, [](auto& c) { EXPECT_EQ(6699, reinterpret_cast<LONG_PTR>(c.m_hMasterWnd)); }},
        {L"/MasterHwnd 0x1A2B", false, [](auto& c) { EXPECT_EQ(6699, reinterpret_cast<LONG_PTR>(c.m_hMasterWnd)); }},
        {L"/masterhWnd zz", true, kNothing},
        // Volume paths.
        {L"/VolumePath%d3 E:\\ /volumepath%D3 F:\\", false,
            [](auto& c) {
                CString path;
                EXPECT_TRUE(c.GetVolumePath(3, path));
                EXPECT_EQ(L"E:\\", Text(path));
                EXPECT_FALSE(c.GetVolumePath(2, path));
                EXPECT_EQ(L"E:\\", Text(path));
            }},
        {L"/VolumePath%d0 E:\\", true, kNothing},
        {L"/VolumePath2 E:\\", true, kNothing},
        // Properties.
        {L"/prop A=1,B=2\\,3", false,
            [](auto& c) {
                EXPECT_EQ(2u, c.m_properties.size());
                EXPECT_EQ(L"1", Text(c.m_properties.at(L"A")));
                EXPECT_EQ(L"2,3", Text(c.m_properties.at(L"B")));
            }},
        {L"/prop A=1,A=2,a=3", false,
            [](auto& c) {
                EXPECT_EQ(L"1", Text(c.m_properties.at(L"A")));
                EXPECT_EQ(L"3", Text(c.m_properties.at(L"a")));
            }},
        {L"/prop A=x\\\\,B=2", false,
            [](auto& c) {
                EXPECT_EQ(1u, c.m_properties.size());
                EXPECT_EQ(L"x\\,B=2", Text(c.m_properties.at(L"A")));
            }},
        {L"/prop \"TITLE=a b=c\\d,\"", false,
            [](auto& c) { EXPECT_EQ(L"a b=c\\d", Text(c.m_properties.at(L"TITLE"))); }},
        {L"/prop =1", true, kNothing},
        {L"/prop A", true, kNothing},
        {L"/prop ,A=1", true, [](auto& c) { EXPECT_TRUE(c.m_properties.empty()); }},
        {L"/prop A=1,,B=2", true,
            [](auto& c) {
                EXPECT_EQ(1u, c.m_properties.size());
                EXPECT_EQ(0u, c.m_properties.count(L"B"));
            }},
        // Unknown switches.
        {L"/nosuchswitch", true, kNothing},
        {L"/", true, kNothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "arguments: " << std::wstring(c.arguments));
        CVelmoCmdLine cmd;
        Parse(cmd, c.arguments);
        EXPECT_EQ(c.error, cmd.m_bParseError);
        c.check(cmd);
    }
}

TEST(CmdLine, EndChecks)
{
    struct EndCase {
        const wchar_t* arguments;
        bool error;
    } cases[] = {
        {L"/l*v", true},             // log switch without a file
        {L"/l*v x.log /q", true},    // quiet without /acceptlicenses
        {L"/l*v x.log /qs", false},  // /qs needs no /acceptlicenses
        {L"/l*v x.log /q /acceptlicenses no", false},
        {L"/q /acceptlicenses yes /cache:x", true},                 // cache without a file
        {L"/cache:x c.xml", false}, {L"/acceptlicenses /q", true},  // the pending value stays unfilled
    };
    for (const EndCase& c : cases) {
        CVelmoCmdLine cmd;
        Parse(cmd, c.arguments);
        EXPECT_EQ(c.error, cmd.m_bParseError) << std::wstring(c.arguments);
    }
}

TEST(CmdLine, ASwitchOnlyCommandLineRunsTheEndChecksOnItsLastArgument)
{
    // The last flag comes with a plain argument too.
    CVelmoCmdLine cmd;
    cmd.ParseParam(L"q", TRUE, FALSE);
    EXPECT_FALSE(cmd.m_bParseError);
    cmd.ParseParam(L"spec.ini", FALSE, TRUE);
    EXPECT_TRUE(cmd.m_bParseError);
    EXPECT_EQ(L"spec.ini", Text(cmd.m_strSpecFile));
}

TEST(CmdLine, ANegativeLevelIsAccepted)
{
    // The class library passes "-3" as a switch; given as a plain value it is accepted.
    CVelmoCmdLine cmd;
    cmd.ParseParam(L"level", TRUE, FALSE);
    cmd.ParseParam(L"-3", FALSE, TRUE);
    EXPECT_FALSE(cmd.m_bParseError);
    EXPECT_EQ(-3, cmd.m_nInstallLevel);

    CVelmoCmdLine viaCommandLine;
    Parse(viaCommandLine, L"/level -3");
    EXPECT_TRUE(viaCommandLine.m_bParseError);
}

// A linked child gets the master's properties back unchanged: the master's command line goes
// through the child's own splitting and property parser. Every value is given at once, so that
// each one is also followed by another property.
TEST(CmdLine, LinkedChildGetsTheMastersPropertiesUnchanged)
{
    const wchar_t* const values[] = {
        L"plain",
        L"",
        L"C:\\Program Files\\Velmo\\",  // a folder: its trailing backslash before the next property
        L"C:\\Dir\\\\",                 // two trailing backslashes
        L"\\",
        L"a,b",
        L",leading and trailing,",
        L",,",
        L"a\\,b",    // a backslash before a comma of the value
        L"a\\\\,b",  // two of them
        L"say \"hi\", go",
        L"\"",
        L"end quote\\\"",  // a backslash before a quote
        L"tab\tand  blanks ",
        L" ",
        L"x=y,z=w",
        L"/q",
    };
    std::map<CString, CString> properties;
    for (int i = 0; i < static_cast<int>(sizeof(values) / sizeof(values[0])); ++i) {
        CString name;
        name.Format(L"P%02d", i);
        properties[name] = values[i];
    }
    properties[L"ADIR"] = L"C:\\Program Files\\Velmo\\";
    properties[L"BNAME"] = L"plain";

    for (bool quiet : {false, true}) {
        LinkedChildCommand command;
        command.program = L"E:\\Disk 2\\setup.exe";
        command.quiet = quiet;
        command.properties = properties;
        const CString line = BuildLinkedChildCommandLine(command);
        SCOPED_TRACE(testing::Message() << "command line: " << Text(line));

        CVelmoCmdLine child;
        AfxParseCommandLine(child, line);
        EXPECT_FALSE(child.m_bParseError);
        EXPECT_EQ(quiet ? UiQuiet : UiLinkedCustom, child.m_nUiMode);
        EXPECT_EQ(properties.size(), child.m_properties.size());
        for (const auto& sent : properties) {
            const auto got = child.m_properties.find(sent.first);
            ASSERT_NE(child.m_properties.end(), got) << Text(sent.first);
            EXPECT_EQ(Text(sent.second), Text(got->second)) << Text(sent.first);
        }
    }
}
