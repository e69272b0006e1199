// infstager in the test prefix's real registry and INF store. Every test INF is named
// "velmo_inftest..."; the fixture removes whatever such a test staged or recorded.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "InfStager.h"
#include "ScopedOverride.h"
#include "TestSupport.h"

namespace {

using testsupport::FileExists;
using testsupport::ReadFileBytes;
using testsupport::TempDir;

const char kKeyPath[] = "SOFTWARE\\Zekova Systems\\ZK-TARN\\Signed INFs";
const char kTestPrefix[] = "velmo_inftest";
// The program path of the in-process command lines (it is never opened).
const std::string kProgram = "C:\\tools\\infstager.exe";

std::string Narrow(const std::wstring& text)
{
    std::string result;
    for (wchar_t c : text)
        result += static_cast<char>(c);  // the test paths are plain ASCII
    return result;
}

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::string DataDir(const char* name)
{
    return Narrow(testsupport::TestDataPath(L"infstager\\" + Widen(name)));
}

std::string ReadFileA(const std::string& path)
{
    return ReadFileBytes(Widen(path));
}

bool FileExistsA(const std::string& path)
{
    return FileExists(Widen(path));
}

std::string InfStoreDir()
{
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\inf";
}

bool IsTestName(const std::string& name)
{
    return _strnicmp(name.c_str(), kTestPrefix, sizeof(kTestPrefix) - 1) == 0;
}

// The values recorded under the key for test INFs: source name -> staged name.
std::map<std::string, std::string> TestRecords()
{
    std::map<std::string, std::string> records;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return records;
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameSize = sizeof(name);
        BYTE data[512] = {};
        DWORD dataSize = sizeof(data) - 1;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        if (IsTestName(name))
            records[name] = reinterpret_cast<const char*>(data);
    }
    RegCloseKey(key);
    return records;
}

std::string StagedName(const std::string& sourceName)
{
    const auto records = TestRecords();
    const auto found = records.find(sourceName);
    return found == records.end() ? std::string() : found->second;
}

// Names of the files in the INF store.
std::set<std::string> InfStoreFiles()
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((InfStoreDir() + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.insert(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

void DeleteFileForced(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

std::string PrecompiledName(const std::string& stagedName)
{
    return stagedName.substr(0, stagedName.size() - 3) + "pnf";
}

// Removes every staged copy and record of a test INF.
void RemoveTestLeftovers()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        for (const auto& record : TestRecords()) {
            if (record.second.size() >= 4) {
                DeleteFileForced(InfStoreDir() + "\\" + record.second);
                DeleteFileForced(InfStoreDir() + "\\" + PrecompiledName(record.second));
            }
            RegDeleteValueA(key, record.first.c_str());
        }
        RegCloseKey(key);
    }
    for (const auto& name : InfStoreFiles()) {
        if (IsTestName(name))
            DeleteFileForced(InfStoreDir() + "\\" + name);
    }
}

void CopyFolderFiles(const std::string& from, const std::string& to)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "\\*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search) << from;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ASSERT_TRUE(
                CopyFileA((from + "\\" + found.cFileName).c_str(), (to + "\\" + found.cFileName).c_str(), FALSE))
                << found.cFileName;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void RunInfStager(const std::string& commandLine)
{
    EXPECT_EQ(0, infstager::Run(commandLine.c_str())) << commandLine;
}

std::string StageCommand(const std::string& folder)
{
    return kProgram + " installINFs " + folder;
}

class InfStagerTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveTestLeftovers(); }
    void TearDown() override { RemoveTestLeftovers(); }

    // Expects `sourceName` to be recorded, with a staged copy in the INF store whose content is
    // the file `sourcePath`; returns the staged name.
    static std::string ExpectStaged(const std::string& sourceName, const std::string& sourcePath)
    {
        const std::string staged = StagedName(sourceName);
        EXPECT_FALSE(staged.empty()) << sourceName << " is not recorded";
        if (!staged.empty()) {
            EXPECT_EQ(ReadFileA(sourcePath), ReadFileA(InfStoreDir() + "\\" + staged)) << sourceName;
        }
        return staged;
    }
};

TEST_F(InfStagerTest, StagesTheInfFilesOfAFolderAndRecordsTheirStagedNames)
{
    // The folder holds a blank: it is the whole rest of the command line.
    TempDir temp;
    const std::string folder = Narrow(temp.Path()) + "\\drivers dir";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    CopyFolderFiles(DataDir("folder"), folder);
    const std::string readOnly = folder + "\\velmo_inftest_plain.inf";
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD attributes = GetFileAttributesA(readOnly.c_str());
    ASSERT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
    const auto storeBefore = InfStoreFiles();

    RunInfStager(StageCommand(folder + "\\"));

    // ".inf" anywhere after the first character qualifies; "X.INF" and other files do not.
    const std::string plain = ExpectStaged("velmo_inftest_plain.inf", readOnly);
    const std::string mid = ExpectStaged("velmo_inftest_mid.inf.txt", folder + "\\velmo_inftest_mid.inf.txt");
    std::map<std::string, std::string> expected
        = {{"velmo_inftest_mid.inf.txt", mid}, {"velmo_inftest_plain.inf", plain}};
    EXPECT_EQ(expected, TestRecords());
    // Nothing else reached the INF store (Wine adds its own precompiled files beside the copies).
    const std::string skipped[] = {ReadFileA(folder + "\\VELMO_INFTEST_CAPS.INF"), ReadFileA(folder + "\\notes.txt")};
    for (const auto& name : InfStoreFiles()) {
        if (storeBefore.count(name))
            continue;
        for (const auto& content : skipped)
            EXPECT_NE(content, ReadFileA(InfStoreDir() + "\\" + name)) << name;
    }
    // The source file's attributes are put back after staging.
    EXPECT_EQ(attributes, GetFileAttributesA(readOnly.c_str()));
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(InfStagerTest, RemovingARecordedNameDeletesItsStagedCopyAndRecordOnly)
{
    const std::string folder = DataDir("single");
    RunInfStager(StageCommand(folder + "\\"));
    const std::string removed = ExpectStaged("velmo_inftest_remove.inf", folder + "\\velmo_inftest_remove.inf");
    const std::string kept = ExpectStaged("velmo_inftest_keep.inf", folder + "\\velmo_inftest_keep.inf");
    ASSERT_FALSE(removed.empty());
    ASSERT_FALSE(kept.empty());

    RunInfStager(kProgram + " velmo_inftest_remove.inf");

    EXPECT_FALSE(FileExistsA(InfStoreDir() + "\\" + removed));
    EXPECT_TRUE(FileExistsA(InfStoreDir() + "\\" + kept));
    EXPECT_EQ((std::map<std::string, std::string>{{"velmo_inftest_keep.inf", kept}}), TestRecords());
}

TEST_F(InfStagerTest, CommandLinesThatNameNoRecordOrNoFolderChangeNothing)
{
    const std::string folder = DataDir("unchanged");
    RunInfStager(StageCommand(folder + "\\"));
    ASSERT_FALSE(ExpectStaged("velmo_inftest_stay.inf", folder + "\\velmo_inftest_stay.inf").empty());

    // An empty folder must not turn into a search of the current folder: with C:\ current, the
    // pattern "*" and the path "\" + name would stage C:\velmo_inftest_cwd.inf.
    const std::string rootInf = "C:\\velmo_inftest_cwd.inf";
    ASSERT_TRUE(CopyFileA((DataDir("cwd") + "\\velmo_inftest_cwd.inf").c_str(), rootInf.c_str(), FALSE));
    testsupport::CurrentFolderGuard current(L"C:\\");

    const std::string cases[] = {
        kProgram + " velmo_inftest_unknown.inf",
        kProgram,                                            // no blank: the whole line is the name
        kProgram + "  velmo_inftest_stay.inf",               // two blanks: the name is empty
        kProgram + " installinfs " + DataDir("cwd") + "\\",  // the verb is case-sensitive
        kProgram + " installINFs",                           // no folder
        kProgram + " installINFs ",                          // an empty folder
    };
    for (const auto& commandLine : cases) {
        SCOPED_TRACE(commandLine);
        const auto recordsBefore = TestRecords();
        const auto storeBefore = InfStoreFiles();
        RunInfStager(commandLine);
        EXPECT_EQ(recordsBefore, TestRecords());
        EXPECT_EQ(storeBefore, InfStoreFiles());
    }
    DeleteFileA(rootInf.c_str());
}

TEST_F(InfStagerTest, FolderWithoutTrailingBackslashSearchesItsParentForNamesBeginningWithIt)
{
    // The pattern "...\velmo_inftest_pfx*" finds velmo_inftest_pfx_b.inf and velmo_inftest_pfx_c.inf
    // beside the folder, and each is opened inside it ("...\velmo_inftest_pfx\" + name): only c,
    // which the folder holds as well, is staged, from inside. The folder's own a is never found.
    const std::string folder = DataDir("noslash") + "\\velmo_inftest_pfx";
    RunInfStager(StageCommand(folder));

    const std::string staged = ExpectStaged("velmo_inftest_pfx_c.inf", folder + "\\velmo_inftest_pfx_c.inf");
    EXPECT_EQ((std::map<std::string, std::string>{{"velmo_inftest_pfx_c.inf", staged}}), TestRecords());
}

// Windows version reported through the seam.
DWORD g_majorVersion = 0;
DWORD g_minorVersion = 0;

BOOL WINAPI ReportVersion(LPOSVERSIONINFOA info)
{
    info->dwMajorVersion = g_majorVersion;
    info->dwMinorVersion = g_minorVersion;
    info->dwBuildNumber = 0;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    return TRUE;
}

class VersionSeam {
public:
    VersionSeam(DWORD major, DWORD minor)
    {
        g_majorVersion = major;
        g_minorVersion = minor;
    }

private:
    ScopedOverride<infstager::GetVersionExFn> m_getVersion{infstager::g_getVersionEx, &ReportVersion};
};

TEST_F(InfStagerTest, RemovalBeforeWindows51DeletesTheStagedInfAndItsPrecompiledFile)
{
    const struct {
        DWORD major, minor;
        bool deletesDirectly;
    } cases[] = {{4, 0, true}, {5, 0, true}, {5, 1, false}, {6, 0, false}, {10, 0, false}};
    const std::string folder = DataDir("old");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "Windows " << c.major << "." << c.minor);
        RunInfStager(StageCommand(folder + "\\"));
        const std::string staged = ExpectStaged("velmo_inftest_old.inf", folder + "\\velmo_inftest_old.inf");
        ASSERT_FALSE(staged.empty());
        const std::string inf = InfStoreDir() + "\\" + staged;
        const std::string pnf = InfStoreDir() + "\\" + PrecompiledName(staged);
        ASSERT_TRUE(testsupport::WriteFileBytes(Widen(pnf), "precompiled"));
        ASSERT_TRUE(SetFileAttributesA(pnf.c_str(), FILE_ATTRIBUTE_READONLY));

        {
            VersionSeam version(c.major, c.minor);
            RunInfStager(kProgram + " velmo_inftest_old.inf");
        }

        EXPECT_FALSE(FileExistsA(inf));
        EXPECT_TRUE(TestRecords().empty());
        // From 5.1 on the Setup API removes the staged INF; Wine's leaves the .pnf in place.
        EXPECT_EQ(!c.deletesDirectly, FileExistsA(pnf));
        DeleteFileForced(pnf);
    }
}

// A record that names anything but a plain file of the INF store deletes nothing outside it; the
// record goes all the same.
TEST_F(InfStagerTest, RecordsThatLeaveTheInfStoreDeleteNothing)
{
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string victim = std::string(windows) + "\\velmo_inftest_victim.txt";
    const std::string records[]
        = {"..\\velmo_inftest_victim.txt", "../velmo_inftest_victim.txt", victim, "C:velmo_inftest_victim.txt", ".."};
    for (const bool beforeXp : {false, true}) {
        for (const std::string& record : records) {
            SCOPED_TRACE(record + (beforeXp ? " (direct deletion)" : " (Setup API)"));
            ASSERT_TRUE(testsupport::WriteFileBytes(Widen(victim), "keep"));
            HKEY key = nullptr;
            ASSERT_EQ(ERROR_SUCCESS,
                RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
            RegSetValueExA(key, "velmo_inftest_evil.inf", 0, REG_SZ, reinterpret_cast<const BYTE*>(record.c_str()),
                static_cast<DWORD>(record.size() + 1));
            RegCloseKey(key);
            {
                VersionSeam version(beforeXp ? 5 : 6, 0);
                RunInfStager(kProgram + " velmo_inftest_evil.inf");
            }
            EXPECT_EQ("keep", ReadFileA(victim));
            EXPECT_TRUE(TestRecords().empty());
        }
    }
    DeleteFileForced(victim);
}

TEST_F(InfStagerTest, OverLongFolderStagesNothing)
{
    // The folder text is padded with ".\" (and a doubled backslash for odd lengths) to an exact
    // length; the search pattern (folder, "*", terminator) must fit 264 bytes.
    const struct {
        size_t length;
        bool staged;
    } cases[] = {{200, true}, {263, false}, {264, false}, {1000, false}};
    const std::string base = DataDir("long") + "\\";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        ASSERT_LT(base.size(), c.length);
        std::string folder = base;
        while (folder.size() + 2 <= c.length)
            folder += ".\\";
        if (folder.size() < c.length)
            folder += "\\";
        ASSERT_EQ(c.length, folder.size());

        RunInfStager(StageCommand(folder));

        EXPECT_EQ(c.staged, !StagedName("velmo_inftest_long.inf").empty());
        RemoveTestLeftovers();
    }
}

TEST_F(InfStagerTest, CreatesEveryMissingLevelOfTheRegistryKey)
{
    const LONG deleted = RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zekova Systems");
    ASSERT_TRUE(deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) << deleted;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zekova Systems", 0, KEY_READ, &key));

    const std::string folder = DataDir("nokey");
    RunInfStager(StageCommand(folder + "\\"));

    ExpectStaged("velmo_inftest_nokey.inf", folder + "\\velmo_inftest_nokey.inf");
}

TEST(InfStagerProgram, StagesAndRemovesWithExitCodeZero)
{
    RemoveTestLeftovers();
    const std::wstring program = testsupport::ModuleDir() + L"\\infstager.exe";
    const std::string folder = DataDir("proc");

    auto result = testsupport::RunProcess(program + L" installINFs " + Widen(folder) + L"\\");
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(0u, result.exitCode);
    const std::string staged = StagedName("velmo_inftest_proc.inf");
    ASSERT_FALSE(staged.empty());
    EXPECT_EQ(ReadFileA(folder + "\\velmo_inftest_proc.inf"), ReadFileA(InfStoreDir() + "\\" + staged));

    result = testsupport::RunProcess(program + L" velmo_inftest_proc.inf");
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_FALSE(FileExistsA(InfStoreDir() + "\\" + staged));
    EXPECT_TRUE(TestRecords().empty());
    RemoveTestLeftovers();
}

}  // namespace
