// The INI primitives of the configuration: values, numbers, whole sections, list values, string
// resources, configured texts and paths; and the numbered text of the INI error list.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "CStringText.h"
#include "ConfigInfo.h"
#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "TestSupport.h"

using testsupport::TempDir;
using testsupport::Text;
using testsupport::WriteFileBytes;

namespace {

// A configuration over one INI file written by the test, in a folder of its own.
class IniReaderTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (m_module)
            ::FreeLibrary(m_module);
    }

    void WriteIni(const std::string& content)
    {
        ASSERT_TRUE(WriteFileBytes(m_dir.File(L"setup.ini"), content));
        m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
    }

    HMODULE Strings()
    {
        if (!m_module)
            m_module = ::LoadLibraryW((testsupport::ModuleDir() + L"\\config_test_strings.dll").c_str());
        EXPECT_NE(nullptr, m_module);
        return m_module;
    }

    TempDir m_dir;
    CConfigInfo m_config;
    HMODULE m_module = nullptr;
    testsupport::CurrentFolderGuard m_currentFolder;
};

TEST(IniErrorListText, WritesOneNumberedLinePerRecordWithTheTextOfItsCode)
{
    struct Case {
        int code;
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* value;
        const wchar_t* line;
    };
    const Case cases[] = {
        {0, L"S", L"K", L"V", L"No Error: [S] K = V"},
        {1, L"Settings", L"Reboot", L"Later", L"Bad Key: [Settings] Reboot = Later"},
        {2, L"Localization", L"Languages", nullptr, L"Missing Key: [Localization] Languages"},
        {3, L"Parts", nullptr, nullptr, L"Missing Section: [Parts]"},
        {4, L"Utilities", L"ZKSysInfo", L"C:\\d\\zk.dll",
            L"Specified file not found: [Utilities] ZKSysInfo = C:\\d\\zk.dll"},
        {5, L"Welcome", L"Bitmap", L"", L"Specified resource not found: [Welcome] Bitmap"},
        {6, L"Debug", L"Logging", L"xv f", L"Bad Value: [Debug] Logging = xv f"},
        {7, L"Features", L"F1", L"On", L"Duplicate Key: [Features] F1 = On"},
        {9, L"S", nullptr, L"v", L"<Unrecognized Error>: [S] = v"},
        {-1, L"S", nullptr, nullptr, L"<Unrecognized Error>: [S]"},
    };
    IniErrorList list;
    std::wstring expected;
    int number = 0;
    for (const Case& c : cases) {
        list.Add(c.code, c.section, c.key, c.value);
        expected += std::to_wstring(++number) + L". " + c.line + L"\r\n";
    }
    std::wostringstream out;
    out << list;
    EXPECT_EQ(expected, out.str());

    std::wostringstream empty;
    empty << IniErrorList();
    EXPECT_EQ(L"", empty.str());
}

TEST_F(IniReaderTest, SectionComesInOrdinalKeyOrderAndTheFirstDuplicateWins)
{
    WriteIni("[S]\r\nb=1\r\nA=2\r\na=3\r\nb=4\r\nnoequals\r\n");
    IniSectionMap section;
    EXPECT_EQ(5, m_config.ReadSection(L"S", section));
    std::wstring keys;
    for (const auto& entry : section)
        keys += Text(entry.first) + L"=" + Text(entry.second) + L";";
    EXPECT_EQ(L"A=2;a=3;b=1;noequals=;", keys);
}

TEST_F(IniReaderTest, LongSectionsAndValuesAreReadWhole)
{
    std::string longValue(700, 'v');
    std::string ini = "[Big]\r\n";
    for (int i = 0; i < 40; ++i)
        ini += "Key" + std::to_string(100 + i) + "=value" + std::to_string(i) + "\r\n";
    ini += "[V]\r\nLong=" + longValue + "\r\nEdge=" + std::string(255, 'e') + "\r\n";
    WriteIni(ini);

    IniSectionMap section;
    EXPECT_EQ(40, m_config.ReadSection(L"Big", section));
    ASSERT_EQ(40u, section.size());
    EXPECT_EQ(L"value39", Text(section[L"Key139"]));

    CString value;
    EXPECT_TRUE(m_config.ReadString(L"V", L"Long", value));
    EXPECT_EQ(std::wstring(700, L'v'), Text(value));
    EXPECT_TRUE(m_config.ReadString(L"V", L"Edge", value));
    EXPECT_EQ(std::wstring(255, L'e'), Text(value));
}

TEST_F(IniReaderTest, MissingSectionAndMissingFile)
{
    WriteIni("[S]\r\nk=v\r\n");
    IniSectionMap section;
    section[L"old"] = L"x";
    EXPECT_EQ(0, m_config.ReadSection(L"Nothing", section));
    EXPECT_TRUE(section.empty());

    ASSERT_TRUE(::DeleteFileW(m_dir.File(L"setup.ini").c_str()));
    try {
        m_config.ReadSection(L"S", section);
        FAIL() << "no error";
    } catch (const NoIniFile& error) {
        EXPECT_EQ(m_dir.File(L"setup.ini"), Text(error.Argument<1>()));
    }
    // A single value does not test the file: the default comes back.
    CString value;
    EXPECT_TRUE(m_config.ReadString(L"S", L"k", value, L"dflt"));
    EXPECT_EQ(L"dflt", Text(value));
}

TEST_F(IniReaderTest, EmptyValuesCountAsMissingAndMissingKeysGiveTheDefault)
{
    WriteIni("[S]\r\nEmpty=\r\nSet=abc\r\n");
    CString value;
    EXPECT_FALSE(m_config.ReadString(L"S", L"Empty", value, L"dflt"));
    EXPECT_EQ(L"", Text(value));
    EXPECT_TRUE(m_config.ReadString(L"S", L"Absent", value, L"dflt"));
    EXPECT_EQ(L"dflt", Text(value));
    EXPECT_FALSE(m_config.ReadString(L"S", L"Absent", value));
    EXPECT_TRUE(m_config.ReadString(L"S", L"Set", value));
    EXPECT_EQ(L"abc", Text(value));
}

TEST_F(IniReaderTest, NumbersReadTheirLeadingDigits)
{
    WriteIni("[N]\r\nMixed=12abc\r\nLetters=abc\r\nNegative=-7\r\nEmpty=\r\n");
    struct Case {
        const wchar_t* key;
        int defaultValue;
        bool result;
        int value;
    };
    const Case cases[] = {
        {L"Mixed", 0, true, 12},
        {L"Letters", 5, false, 0},
        {L"Negative", 0, true, -7},
        {L"Empty", 5, false, 0},
        {L"Absent", 10, true, 10},
    };
    for (const Case& c : cases) {
        int value = 99;
        EXPECT_EQ(c.result, m_config.ReadInt(L"N", c.key, value, c.defaultValue)) << c.key;
        EXPECT_EQ(c.value, value) << c.key;
    }
}

TEST(SplitString, AppendsTrimmedPieces)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* pieces;  // joined with '|'
        int count;
    };
    const Case cases[] = {
        {L" 1033 , 1031,", L"1033|1031|", 2},
        {L"a,,b", L"a||b|", 3},
        {L"a, ", L"a||", 2},
        {L"  single ", L"single|", 1},
        {L"", L"", 0},
    };
    for (const Case& c : cases) {
        IniStringList pieces;
        pieces.push_back(L"kept");
        EXPECT_EQ(c.count, CConfigInfo::SplitString(c.text, L',', pieces)) << c.text;
        std::wstring joined;
        for (size_t i = 1; i < pieces.size(); ++i)
            joined += Text(pieces[i]) + L"|";
        EXPECT_EQ(c.pieces, joined) << c.text;
        EXPECT_EQ(L"kept", Text(pieces[0]));
    }
}

TEST_F(IniReaderTest, ValuesReadWithAModuleAreStringIds)
{
    WriteIni("[Distribution]\r\nTitle=105\r\nLong=106 long\r\nWord=Title\r\nEmpty=\r\n");
    CString value;
    EXPECT_TRUE(m_config.ReadString(L"Distribution", L"Title", value, L"", Strings()));
    EXPECT_EQ(L"The product title", Text(value));
    EXPECT_TRUE(m_config.ReadString(L"Distribution", L"Long", value, L"", Strings()));
    EXPECT_EQ(
        L"A text longer than sixty-four characters, so that the string buffer must grow twice over.", Text(value));
    EXPECT_FALSE(m_config.ReadString(L"Distribution", L"Empty", value, L"", Strings()));

    // A value without digits names string 0, which no module has.
    try {
        m_config.ReadString(L"Distribution", L"Word", value, L"", Strings());
        FAIL() << "no error";
    } catch (const ResourceNotFound& error) {
        EXPECT_EQ(0u, error.Argument<3>().GetId());
        EXPECT_EQ(L"RT_STRING", Text(error.Argument<2>()));
        std::wstring debug = error.GetDebugMessage();
        EXPECT_NE(std::wstring::npos, debug.find(L"From [Distribution] Word")) << debug;
    }
}

TEST_F(IniReaderTest, LabelTextsWithALeadingNonZeroNumberAreStringIds)
{
    struct Case {
        const wchar_t* value;
        const wchar_t* text;
    };
    const Case cases[] = {
        {L"5", L"Disk five"},
        {L"12 apples", L"Twelve"},
        {L"  12", L"Twelve"},
        {L"Disk A", L"Disk A"},
        {L"0", L"0"},
        {L"005x", L"Disk five"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        CString text;
        m_config.ResolveTextValue(Strings(), c.value, text);
        EXPECT_EQ(c.text, Text(text)) << c.value;
    }
    CString text;
    EXPECT_THROW(m_config.ResolveTextValue(Strings(), L"77", text), ResourceNotFound);
}

TEST_F(IniReaderTest, RelativePathsAreResolvedAgainstTheConfigurationFolder)
{
    WriteIni("[S]\r\n");
    const std::wstring folder = m_dir.Path() + L"\\";
    struct Case {
        const wchar_t* value;
        std::wstring path;
    };
    const Case cases[] = {
        {L"engine\\msi.exe", folder + L"engine\\msi.exe"},
        {L"\\engine\\msi.exe", folder + L"engine\\msi.exe"},
        {L"msi.exe", folder + L"msi.exe"},
        {L"D:\\other\\msi.exe", L"D:\\other\\msi.exe"},
        {L"\\\\server\\share\\msi.exe", L"\\\\server\\share\\msi.exe"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.path, Text(m_config.ResolveConfigPath(c.value))) << c.value;
}

}  // namespace
