// File and directory operations against real folders under the prefix's temporary folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "FileOperations.h"
#include "FileSearch.h"
#include "ContextMessage.h"
#include "OrbelOutput.h"
#include "TestSupport.h"
#include "TextFileReader.h"
#include "ToolboxReports.h"

using namespace OrbelToolbox;
using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;
using toolboxtest::ReportedCode;

namespace {

// Every match of a search, directories with their trailing backslash, relative to `base`.
std::set<std::wstring> Found(FileSearch& search, DWORD flags, const std::wstring& base)
{
    std::set<std::wstring> names;
    while (search.Find(flags)) {
        names.insert(std::wstring(search.GetPath().GetText()).substr(base.size() + 1));
    }
    return names;
}

FILETIME WriteTime(const std::wstring& file)
{
    FILETIME time = {};
    GetFileTime(file.c_str(), nullptr, nullptr, &time);
    return time;
}

// A source folder: a.txt, b.log, sub\c.txt and a directory whose name begins with a dot.
void MakeSourceTree(const TempDir& dir)
{
    CreateDirectoryW(dir.File(L"src").c_str(), nullptr);
    CreateDirectoryW(dir.File(L"src\\sub").c_str(), nullptr);
    CreateDirectoryW(dir.File(L"src\\.hidden").c_str(), nullptr);
    WriteFileBytes(dir.File(L"src\\a.txt"), "aaaa");
    WriteFileBytes(dir.File(L"src\\b.log"), "bb");
    WriteFileBytes(dir.File(L"src\\sub\\c.txt"), "cccccc");
}

}  // namespace

TEST(FileOperations, FileSizesAgainstALimit)
{
    TempDir dir;
    WriteFileBytes(dir.File(L"small"), "12345");
    EXPECT_EQ(5u, GetFileSize(dir.File(L"small").c_str(), 100));
    EXPECT_EQ(3u, GetFileSize(dir.File(L"small").c_str(), 3));
    EXPECT_EQ(-12, ReportedCode([&] { GetFileSize(dir.File(L"missing").c_str(), 100); }));

    // A sparse file of 5 GiB: the size beyond 32 bits is read whole and cut to the limit.
    const std::wstring big = dir.File(L"big");
    HANDLE file = CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = 5ll << 30;
    ASSERT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
    EXPECT_EQ(0xFFFFFFFFull, GetFileSize(big.c_str(), 0xFFFFFFFF));
    EXPECT_EQ(5ull << 30, GetFileSize(big.c_str(), ~0ull));
}

TEST(FileOperations, AFailureNamesTheFileInTheReport)
{
    TempDir dir;
    const std::wstring log = dir.File(L"debug.log");
    const std::wstring missing = dir.File(L"missing");
    OrbelOutput::SetDebugLogFile(log.c_str());
    OrbelOutput::EnableDebugLog(true);
    EXPECT_EQ(-12, ReportedCode([&] { GetFileSize(missing.c_str(), 100); }));
    OrbelOutput::EnableDebugLog(false);
    const std::vector<std::wstring> lines = testsupport::ReadLogFile(log).lines;
    for (const std::wstring& expected : {L"> File: " + missing,
             L"> OrbelToolbox: OrbelToolbox::GetFileSize failed. File: " + missing + L" Size limit: 100",
             std::wstring(L"> Windows function GetFileAttributes returned an error. Error code: 2")}) {
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), expected)) << expected;
    }
}

TEST(FileOperations, MegabyteConversions)
{
    EXPECT_EQ(0u, ConvertFileSizeBytesToMB((1u << 20) - 1));
    EXPECT_EQ(1u, ConvertFileSizeBytesToMB(1u << 20));
    EXPECT_EQ(0xFFFFFFFFu, ConvertFileSizeBytesToMB((1ull << 52) - 1));
    EXPECT_EQ(-40, ReportedCode([] { ConvertFileSizeBytesToMB(1ull << 52); }));
    EXPECT_EQ(3ull << 20, ConvertFileSizeMBToBytes(3));
}

TEST(FileSearch, ReturnsMatchesAsPathsAndSkipsDotDirectories)
{
    TempDir dir;
    MakeSourceTree(dir);
    const std::wstring src = dir.File(L"src");
    FileSearch all(src.c_str(), L"*");
    EXPECT_EQ((std::set<std::wstring>{L"a.txt", L"b.log", L"sub\\"}), Found(all, 0, src));
    FileSearch files(src.c_str(), L"*");
    EXPECT_EQ((std::set<std::wstring>{L"a.txt", L"b.log"}), Found(files, FileSearch::SkipDirectories, src));
    FileSearch pattern((src + L"\\*.txt").c_str());
    EXPECT_EQ((std::set<std::wstring>{L"a.txt"}), Found(pattern, 0, src));

    FileSearch one((src + L"\\a.txt").c_str());
    EXPECT_FALSE(one.IsFile());  // no search open yet
    ASSERT_TRUE(one.Find());
    EXPECT_TRUE(one.IsFile());
    EXPECT_FALSE(one.IsDirectory());
    EXPECT_FALSE(one.Find());
}

TEST(FileSearch, ASearchThatFindsOnlyDotDirectoriesIsSpent)
{
    TempDir dir;
    CreateDirectoryW(dir.File(L"empty").c_str(), nullptr);
    FileSearch quiet(dir.File(L"empty").c_str(), L"*");
    EXPECT_FALSE(quiet.Find());
    EXPECT_EQ(-30, ReportedCode([&] { quiet.Find(); }));

    FileSearch reporting(dir.File(L"empty").c_str(), L"*");
    EXPECT_EQ(-32, ReportedCode([&] { reporting.Find(FileSearch::ReportFailures); }));

    FileSearch missing(dir.File(L"missing").c_str(), L"*");
    EXPECT_EQ(-12, ReportedCode([&] { missing.Find(FileSearch::ReportFailures); }));
}

TEST(FileOperations, DirectorySizes)
{
    TempDir dir;
    MakeSourceTree(dir);
    const std::wstring src = dir.File(L"src");
    EXPECT_EQ(12u, GetDirectorySize(src.c_str(), 1000));
    EXPECT_EQ(12u, GetDirectorySize((src + L"\\").c_str(), 1000));
    EXPECT_EQ(10u, GetDirectorySize(src.c_str(), 10));  // the limit as soon as the total would pass it
    EXPECT_EQ(-32, ReportedCode([&] { GetDirectorySize(dir.File(L"src\\a.txt").c_str(), 1000); }));
    EXPECT_EQ(-12, ReportedCode([&] { GetDirectorySize(dir.File(L"missing").c_str(), 1000); }));
}

TEST(FileOperations, KindsAndAttributes)
{
    TempDir dir;
    MakeSourceTree(dir);
    const std::wstring file = dir.File(L"src\\a.txt");
    EXPECT_TRUE(IsFile(file.c_str()));
    EXPECT_FALSE(IsDirectory(file.c_str()));
    EXPECT_TRUE(IsDirectory(dir.File(L"src").c_str()));
    EXPECT_FALSE(IsFile(dir.File(L"missing").c_str()));
    EXPECT_FALSE(IsDirectory(dir.File(L"missing").c_str()));

    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    RemoveFileAttributes(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0u, GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(-12, ReportedCode([&] { RemoveFileAttributes(dir.File(L"missing").c_str(), 1); }));
}

namespace {

// CopyFileExW as Windows runs it: the progress routine is called with the sizes and can cancel
// the copy (Wine's never calls it).
BOOL WINAPI CopyWithProgress(
    LPCWSTR source, LPCWSTR target, LPPROGRESS_ROUTINE progress, LPVOID data, LPBOOL, DWORD flags)
{
    LARGE_INTEGER total, half;
    total.QuadPart = 70000;
    half.QuadPart = 35000;
    for (LARGE_INTEGER done : {half, total}) {
        if (progress(total, done, total, done, 1, CALLBACK_CHUNK_FINISHED, nullptr, nullptr, data) == PROGRESS_CANCEL) {
            SetLastError(ERROR_REQUEST_ABORTED);
            return FALSE;
        }
    }
    return CopyFileW(source, target, (flags & COPY_FILE_FAIL_IF_EXISTS) != 0);
}

FARPROC WINAPI FindCopyWithProgress(HMODULE module, LPCSTR name)
{
    if (strcmp(name, "CopyFileExW") == 0) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&CopyWithProgress));
    }
    return ::GetProcAddress(module, name);
}

std::vector<int> g_percents;

void RecordProgress(const wchar_t*, int value, int maximum)
{
    EXPECT_EQ(100, maximum);
    g_percents.push_back(value);
}

}  // namespace

TEST(FileOperations, CopyOverAReadOnlyTargetWithProgress)
{
    ScopedOverride<decltype(g_platformApi.GetProcAddress)> copy(g_platformApi.GetProcAddress, &FindCopyWithProgress);
    TempDir dir;
    const std::wstring source = dir.File(L"source.bin");
    const std::wstring target = dir.File(L"target.bin");
    WriteFileBytes(source, std::string(70000, 'x'));
    WriteFileBytes(target, "old");
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);

    g_percents.clear();
    OrbelOutput::SetProgressCallback(&RecordProgress);
    CopyFileIgnoreAttribs(source.c_str(), target.c_str(), false);
    OrbelOutput::SetProgressCallback(nullptr);
    EXPECT_EQ(std::string(70000, 'x'), ReadFileBytes(target));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesW(target.c_str()));
    EXPECT_EQ((std::vector<int>{50, 100}), g_percents);

    EXPECT_EQ(-12, ReportedCode([&] { CopyFileIgnoreAttribs(source.c_str(), target.c_str(), true); }));
    EXPECT_EQ(-12, ReportedCode([&] { CopyFileIgnoreAttribs(dir.File(L"none").c_str(), target.c_str(), false); }));
}

TEST(FileOperations, ARequestedAbortCancelsTheCopy)
{
    ScopedOverride<decltype(g_platformApi.GetProcAddress)> copy(g_platformApi.GetProcAddress, &FindCopyWithProgress);
    TempDir dir;
    WriteFileBytes(dir.File(L"source"), "data");
    OrbelOutput::RequestAbort();
    const int code
        = ReportedCode([&] { CopyFileIgnoreAttribs(dir.File(L"source").c_str(), dir.File(L"t").c_str(), false); });
    OrbelOutput::ClearAbortRequest();
    EXPECT_EQ(-100, code);
    EXPECT_FALSE(IsFile(dir.File(L"t").c_str()));
}

TEST(FileOperations, AnErrorOfTheProgressCallbackLeavesAfterTheCopy)
{
    ScopedOverride<decltype(g_platformApi.GetProcAddress)> copy(g_platformApi.GetProcAddress, &FindCopyWithProgress);
    TempDir dir;
    WriteFileBytes(dir.File(L"source"), "data");
    OrbelOutput::SetProgressCallback([](const wchar_t*, int, int) { throw std::runtime_error("progress"); });
    EXPECT_THROW(CopyFileIgnoreAttribs(dir.File(L"source").c_str(), dir.File(L"t").c_str(), false), std::runtime_error);
    OrbelOutput::SetProgressCallback(nullptr);
}

TEST(FileOperations, CopyFilesMirrorsAndRecurses)
{
    TempDir dir;
    MakeSourceTree(dir);
    const std::wstring mirror = dir.File(L"mirror");
    CreateDirectoryW(mirror.c_str(), nullptr);
    WriteFileBytes(mirror + L"\\stale.txt", "stale");
    WriteFileBytes(mirror + L"\\keep.log", "keep");
    CopyFiles(dir.File(L"src\\*.txt").c_str(), mirror.c_str(), nullptr, kCopyMirror);
    FileSearch mirrored(mirror.c_str(), L"*");
    EXPECT_EQ((std::set<std::wstring>{L"a.txt", L"keep.log"}), Found(mirrored, 0, mirror));

    const std::wstring deep = dir.File(L"new\\deep");
    CopyFiles(dir.File(L"src\\*").c_str(), deep.c_str(), L"", kCopyRecurse);
    EXPECT_EQ("aaaa", ReadFileBytes(deep + L"\\a.txt"));
    EXPECT_EQ("bb", ReadFileBytes(deep + L"\\b.log"));
    EXPECT_EQ("cccccc", ReadFileBytes(deep + L"\\sub\\c.txt"));
    EXPECT_FALSE(IsDirectory((deep + L"\\.hidden").c_str()));

    const std::wstring renamed = dir.File(L"renamed");
    CopyFiles(dir.File(L"src\\a.txt").c_str(), renamed.c_str(), L"z.dat", 0);
    EXPECT_EQ("aaaa", ReadFileBytes(renamed + L"\\z.dat"));
}

TEST(FileOperations, CopyFilesKeepsATargetThatIsNotOlder)
{
    TempDir dir;
    MakeSourceTree(dir);
    const std::wstring target = dir.File(L"t");
    CreateDirectoryW(target.c_str(), nullptr);
    const std::wstring copy = target + L"\\a.txt";
    WriteFileBytes(copy, "target");
    FILETIME sourceTime = WriteTime(dir.File(L"src\\a.txt"));
    SetFileTime(copy.c_str(), nullptr, nullptr, &sourceTime);
    CopyFiles(dir.File(L"src\\a.txt").c_str(), target.c_str(), nullptr, kCopySkipNotNewer);
    EXPECT_EQ("target", ReadFileBytes(copy));

    FILETIME older = sourceTime;
    older.dwHighDateTime -= 1;
    SetFileTime(copy.c_str(), nullptr, nullptr, &older);
    CopyFiles(dir.File(L"src\\a.txt").c_str(), target.c_str(), nullptr, kCopySkipNotNewer);
    EXPECT_EQ("aaaa", ReadFileBytes(copy));
}

TEST(FileOperations, CreateAndEraseDirectories)
{
    TempDir dir;
    const std::wstring deep = dir.File(L"x\\y\\z");
    CreateDirectoryRecurse(deep.c_str(), nullptr);
    EXPECT_TRUE(IsDirectory(deep.c_str()));
    CreateDirectoryRecurse((deep + L"\\").c_str(), nullptr);  // all there already
    CreateDirectoryRecurse(L"C:\\", nullptr);
    WriteFileBytes(dir.File(L"file"), "f");
    EXPECT_EQ(-12, ReportedCode([&] { CreateDirectoryRecurse(dir.File(L"file\\sub").c_str(), nullptr); }));

    WriteFileBytes(deep + L"\\f.txt", "f");
    EraseDirectoryContents(dir.File(L"x").c_str(), false);
    EXPECT_TRUE(IsDirectory(dir.File(L"x").c_str()));
    EXPECT_FALSE(IsDirectory(dir.File(L"x\\y").c_str()));
    EraseDirectoryContents(dir.File(L"x").c_str(), true);
    EXPECT_FALSE(IsDirectory(dir.File(L"x").c_str()));
    EraseDirectoryContents(dir.File(L"missing").c_str(), true);
}

TEST(FileOperations, FileTimesRoundTrip)
{
    TempDir dir;
    const std::wstring file = dir.File(L"f");
    WriteFileBytes(file, "f");
    FILETIME time = {0x12345600, 0x01D00000};
    SetFileTime(file.c_str(), nullptr, nullptr, &time);
    FILETIME read = WriteTime(file);
    EXPECT_EQ(0, CompareFileTime(&time, &read));
    EXPECT_EQ(-12, ReportedCode([&] { SetFileTime(dir.File(L"missing").c_str(), nullptr, nullptr, &time); }));
    EXPECT_EQ(-12, ReportedCode([&] { GetFileTime(dir.File(L"missing").c_str(), nullptr, nullptr, &read); }));
}

TEST(FileOperations, AppendPathResolvesAgainstADirectory)
{
    TempDir dir;
    CreateDirectoryW(dir.File(L"a").c_str(), nullptr);
    const std::wstring before = testsupport::CurrentFolder();
    wchar_t path[MAX_PATH] = {};
    wcscpy(path, dir.File(L"a").c_str());
    AppendPath(path, L"..\\b\\c.txt");
    EXPECT_EQ(dir.File(L"b\\c.txt"), path);
    AppendPath(path, L"");
    EXPECT_EQ(dir.File(L"b\\c.txt"), path);
    EXPECT_EQ(before, testsupport::CurrentFolder());

    wcscpy(path, dir.File(L"missing").c_str());
    EXPECT_EQ(-13, ReportedCode([&] { AppendPath(path, L"x"); }));
    EXPECT_EQ(-40, ReportedCode([&] { AppendPath(path, nullptr); }));
    EXPECT_EQ(before, testsupport::CurrentFolder());
}

namespace {

constexpr wchar_t kTestKey[] = L"Software\\VelmoToolboxTest\\Installer";

LSTATUS WINAPI OpenTestKey(HKEY, LPCWSTR, DWORD options, REGSAM access, PHKEY result)
{
    return RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, options, access, result);
}

}  // namespace

TEST(FileOperations, SharedDirectoryFromAStringValueOnly)
{
    ScopedOverride<decltype(g_platformApi.RegOpenKeyExW)> redirect(g_platformApi.RegOpenKeyExW, &OpenTestKey);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VelmoToolboxTest");
    StrictPath shared(StrictPath::Directory);
    EXPECT_EQ(-12, ReportedCode([&] { GetSharedDirectory(shared); }));  // no key

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CURRENT_USER, kTestKey, &key));
    const wchar_t value[] = L"C:\\Shared\\.\\Dir";
    RegSetValueExW(key, L"ZKSHAREDDIR", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof(value));
    GetSharedDirectory(shared);
    EXPECT_STREQ(L"C:\\Shared\\Dir\\", shared.GetText());

    const DWORD number = 5;
    RegSetValueExW(key, L"ZKSHAREDDIR", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    EXPECT_EQ(-12, ReportedCode([&] { GetSharedDirectory(shared); }));
    EXPECT_STREQ(L"C:\\Shared\\Dir\\", shared.GetText());
    RegSetValueExW(key, L"ZKSHAREDDIR", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
    EXPECT_EQ(-12, ReportedCode([&] { GetSharedDirectory(shared); }));
    RegCloseKey(key);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VelmoToolboxTest");
}

TEST(TextFileReader, ReadsLinesOfAnyLength)
{
    TempDir dir;
    const std::string longLine(600, 'L');
    WriteFileBytes(dir.File(L"t.txt"), "a\r\nb\n" + longLine + "\r\nlast");
    TextFileReader reader;
    ASSERT_TRUE(reader.Open(dir.File(L"t.txt").c_str()));
    std::wstring line;
    reader.ReadLine(line);
    EXPECT_EQ(L"a", line);
    reader.ReadLine(line);
    EXPECT_EQ(L"b", line);
    reader.ReadLine(line);
    EXPECT_EQ(std::wstring(600, L'L'), line);
    reader.ReadLine(line);
    EXPECT_EQ(L"last", line);
    EXPECT_TRUE(reader.IsEof());
    EXPECT_FALSE(TextFileReader().Open(dir.File(L"missing").c_str()));
}
