// The volume ID file read from small files: every key, the missing keys reported together in
// their order, and the parsing of the version and the volume number.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "CStringText.h"
#include "IdFile.h"
#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "TestSupport.h"

using testsupport::Text;

namespace {

const char kNoFile[] = "";

struct IdFileCase {
    const char* name;
    std::string content;  // kNoFile: the file does not exist
    bool exePathRequired;
    std::wstring missing;  // the keys reported, each followed by a blank
    std::wstring exePath, guid;
    uint64_t version;
    int volume;
};

// The keys of the entries, each followed by a blank; every entry must be a missing key of the
// section.
std::wstring MissingKeys(const IniErrorList& errors)
{
    std::wstring keys;
    for (const IniErrorRecord& record : errors) {
        EXPECT_EQ(kIniMissingKey, record.GetCode());
        EXPECT_EQ(L"Volume Id", Text(record.GetSection()));
        keys += Text(record.GetKey()) + L" ";
    }
    return keys;
}

}  // namespace

TEST(IdFile, ReadsTheKeysAndReportsTheMissingOnesTogether)
{
    const IdFileCase cases[] = {
        {"every key",
            "[Volume Id]\r\nExePath=\\disk1\\setup.exe\r\nDistributionGUID={A1}\r\nDistributionVersion=1.2.3.4\r\n"
            "Volume=3\r\n",
            true, L"", L"\\disk1\\setup.exe", L"{A1}", 0x0001000200030004ull, 3},
        {"only the volume, ExePath required", "[Volume Id]\r\nVolume=2\r\n", true,
            L"ExePath DistributionGUID DistributionVersion ", L"", L"", 0, 2},
        {"only the volume, ExePath not required", "[Volume Id]\r\nVolume=2\r\n", false,
            L"DistributionGUID DistributionVersion ", L"", L"", 0, 2},
        {"no file", kNoFile, true, L"ExePath DistributionGUID DistributionVersion Volume ", L"", L"", 0, 0},
        {"empty values count as missing",
            "[Volume Id]\r\nExePath=\r\nDistributionGUID={A1}\r\nDistributionVersion=\r\nVolume=1\r\n", true,
            L"ExePath DistributionVersion ", L"", L"{A1}", 0, 1},
        {"another section", "[Volume]\r\nDistributionGUID={A1}\r\nDistributionVersion=1.0\r\nVolume=1\r\n", false,
            L"DistributionGUID DistributionVersion Volume ", L"", L"", 0, 0},
        {"two version numbers, volume digits followed by letters",
            "[Volume Id]\r\nDistributionGUID={A1}\r\nDistributionVersion=1.2\r\nVolume=2abc\r\n", false, L"", L"",
            L"{A1}", 0x0001000200000000ull, 2},
        {"a volume without digits is present",
            "[Volume Id]\r\nDistributionGUID={A1}\r\nDistributionVersion=7.0.0.1\r\nVolume=abc\r\n", false, L"", L"",
            L"{A1}", 0x0007000000000001ull, 0},
    };
    testsupport::TempDir dir;
    for (const IdFileCase& c : cases) {
        const std::wstring path = dir.File(L"zkdist.id");
        DeleteFileW(path.c_str());
        if (!c.content.empty())
            testsupport::WriteFileBytes(path, c.content);
        CIdFile file(c.exePathRequired);
        std::wstring missing;
        try {
            file.Read(path.c_str());
        } catch (const IniFileErrors& e) {
            missing = MissingKeys(e.Argument<1>());
            EXPECT_EQ(std::wstring(L"Found while attemping to read the volume id file."), e.GetDebugMessage())
                << c.name;
        }
        EXPECT_EQ(c.missing, missing) << c.name;
        // The fields keep what was read, errors or not.
        EXPECT_EQ(path, Text(file.GetPath())) << c.name;
        EXPECT_EQ(c.exePath, Text(file.GetExePath())) << c.name;
        EXPECT_EQ(c.guid, Text(file.GetDistributionGuid())) << c.name;
        EXPECT_EQ(c.version, file.GetDistributionVersion()) << c.name;
        EXPECT_EQ(c.volume, file.GetVolume()) << c.name;
    }
}
