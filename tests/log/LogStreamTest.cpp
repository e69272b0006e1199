// The log stream: line format, wrapping, levels, byte-order mark, a second writer, threads.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "IInstallerError.h"
#include "InstallerErrors.h"
#include "ScopedOverride.h"
#include "TestSupport.h"
#include "VelmoLogStream.h"

using testsupport::LogFile;
using testsupport::ReadLogFile;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

const std::wstring kPrefix = L"OrbelInstaller: ";

LogFile ReadLog(const std::wstring& path)
{
    LogFile log = ReadLogFile(path);
    EXPECT_EQ(L"", log.rest) << "text after the last line end";
    return log;
}

std::string Utf16(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

bool NotNtFamily()
{
    return false;
}

// Writes `before` at the default width, then `input` at width `width`; the lines written.
std::vector<std::wstring> WriteWrapped(DWORD width, const std::wstring& input, const std::wstring& before = {})
{
    TempDir dir;
    std::wstring path = dir.File(L"wrap.log");
    {
        VelmoLogOStream log;
        log.Open(path.c_str(), false);
        log << before;
        log.SetLineWidth(width);
        log << input;
        log.Close();
    }
    return ReadLog(path).lines;
}

}  // namespace

TEST(LogStream, LinesCarryThePrefixAndEndInCrLf)
{
    TempDir dir;
    std::wstring path = dir.File(L"a.log");
    {
        VelmoLogOStream log;
        log.Open(path.c_str(), false);
        log << L"first " << 42 << std::endl << L"\n" << L"two\nlines\n" << L"pending";
    }  // destruction writes the pending partial line
    LogFile file = ReadLog(path);
    EXPECT_TRUE(file.bom);
    std::vector<std::wstring> expected
        = {kPrefix + L"first 42", kPrefix, kPrefix + L"two", kPrefix + L"lines", kPrefix + L"pending"};
    EXPECT_EQ(expected, file.lines);
}

struct WrapCase {
    const char* name;
    DWORD width;
    std::wstring input;
    std::vector<std::wstring> expected;  // without the prefix
};

TEST(LogStream, WrapsAtTheLastBlank)
{
    // The prefix is 16 columns, so width 30 leaves 14 for the text.
    const WrapCase cases[] = {
        {"exactly the width is not broken", 30, L"aaaa bbbb cccc\n", {L"aaaa bbbb cccc"}},
        {"one column more breaks at the last blank", 30, L"aaaa bbbb ccccc\n", {L"aaaa bbbb", L"ccccc"}},
        {"a run of blanks is neither written nor carried", 30, L"aaaa   bbbbbbbbbbbbb\n", {L"aaaa", L"bbbbbbbbbbbbb"}},
        {"an over-long word is written whole once white space follows", 30, L"abcdefghijklmnopqrstu vw\n",
            {L"abcdefghijklmnopqrstu", L"vw"}},
        {"an over-long word at the end is written whole by the line end", 30, L"abcdefghijklmnopqrstu\n",
            {L"abcdefghijklmnopqrstu"}},
        {"a tab counts eight columns and is written as one character", 30, L"a\tbbbbb\n", {L"a\tbbbbb"}},
        {"a tab that pushes past the width is a break point", 30, L"a\tbbbbbb\n", {L"a", L"bbbbbb"}},
        {"a break among leading blanks keeps one blank after the prefix", 30, L"  bbbbbbbbbbbbbbbbb\n",
            {L" ", L"bbbbbbbbbbbbbbbbb"}},
        {"CR LF and LF give the same line", 0, L"x\r\ny\n", {L"x", L"y"}},
        {"a CR inside a line stays", 0, L"a\rb\n", {L"a\rb"}},
        {"width 0 never wraps", 0, std::wstring(200, L'w') + L" z\n", {std::wstring(200, L'w') + L" z"}},
    };
    for (const WrapCase& c : cases) {
        std::vector<std::wstring> expected;
        for (const std::wstring& line : c.expected)
            expected.push_back(kPrefix + line);
        EXPECT_EQ(expected, WriteWrapped(c.width, c.input)) << c.name;
    }
}

TEST(LogStream, Width70KeepsEveryLineWithinTheWidth)
{
    std::wstring text;
    for (int i = 0; i < 60; ++i)
        text += L"word" + std::to_wstring(i) + L" ";
    std::vector<std::wstring> lines = WriteWrapped(70, text + L"\n");
    ASSERT_GT(lines.size(), 3u);
    std::wstring joined;
    for (const std::wstring& line : lines) {
        EXPECT_LE(line.size(), 70u) << line;
        ASSERT_EQ(0u, line.find(kPrefix));
        if (!joined.empty())
            joined += L" ";
        joined += line.substr(kPrefix.size());
    }
    EXPECT_EQ(text, joined);
}

TEST(LogStream, SmallerWidthForAPendingLineLosesNoLineEnd)
{
    // The line breaks at its last blank; the carried word still gets its own line end.
    std::vector<std::wstring> expected = {kPrefix + L"aaaa bbbb cccc dddd", kPrefix + L"eeee", kPrefix + L"next"};
    EXPECT_EQ(expected, WriteWrapped(26, L"\nnext\n", L"aaaa bbbb cccc dddd eeee"));
}

// Lines far longer than the width wrap as short ones do: a word is never broken, however long,
// and a long text of words breaks at the last blank that fits, line after line.
TEST(LogStream, LongLinesWrapAsShortOnes)
{
    const std::wstring longWord(100000, L'w');
    EXPECT_EQ(std::vector<std::wstring>{kPrefix + longWord}, WriteWrapped(100, longWord + L"\n"));
    EXPECT_EQ((std::vector<std::wstring>{kPrefix + L"aa", kPrefix + longWord, kPrefix + L"bb cc"}),
        WriteWrapped(30, L"aa " + longWord + L" bb cc\n"));

    // Width 100 leaves 84 columns after the prefix: eight words of nine letters and their blanks.
    const int kLines = 2000;
    const std::wstring eightWords = L"abcdefghi abcdefghi abcdefghi abcdefghi abcdefghi abcdefghi abcdefghi abcdefghi";
    std::wstring text = eightWords;
    for (int i = 1; i < kLines; ++i)
        text += L" " + eightWords;
    EXPECT_EQ(std::vector<std::wstring>(kLines, kPrefix + eightWords), WriteWrapped(100, text + L"\n"));
}

// A carriage return ends the last white space of a line; once it is dropped before the line end,
// a narrower width breaks the line at the blank before it.
TEST(LogStream, ALineEndAfterADroppedCarriageReturnBreaksAtTheBlankBeforeIt)
{
    std::vector<std::wstring> expected = {kPrefix + L"aaaa bbbb cccc dddd", kPrefix + L"eeee"};
    EXPECT_EQ(expected, WriteWrapped(26, L"\n", L"aaaa bbbb cccc dddd eeee\r"));
}

TEST(LogStream, ByteOrderMarkOnNewAndTruncatedFilesOnly)
{
    TempDir dir;
    const std::wstring old = kPrefix + L"old\r\n";
    struct Case {
        const char* name;
        bool exists;
        bool append;
        bool nt;
        bool bom;
        bool keepsOld;
    } cases[] = {
        {"new file", false, false, true, true, false},
        {"new file, append", false, true, true, true, false},
        {"existing file, append", true, true, true, false, true},
        {"existing file, truncate", true, false, true, true, false},
        {"new file on Windows 9x", false, false, false, false, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        ScopedOverride nt(
            VelmoLogStreamBuf::s_pfnIsWindowsNT, c.nt ? VelmoLogStreamBuf::s_pfnIsWindowsNT : &NotNtFamily);
        std::wstring path = dir.File(L"bom" + std::to_wstring(++n) + L".log");
        if (c.exists) {
            ASSERT_TRUE(WriteFileBytes(path, Utf16(old)));
        }
        {
            VelmoLogOStream log;
            log.Open(path.c_str(), c.append);
            log << L"new" << std::endl;
        }
        LogFile file = ReadLog(path);
        EXPECT_EQ(c.bom, file.bom) << c.name;
        std::wstring expected = (c.keepsOld ? old : std::wstring()) + kPrefix + L"new\r\n";
        EXPECT_EQ(expected, file.text) << c.name;
    }
}

TEST(LogStream, ASecondWritersLinesAreNeverOverwritten)
{
    TempDir dir;
    std::wstring path = dir.File(L"shared.log");
    VelmoLogOStream log;
    log.Open(path.c_str(), false);
    log << L"one" << std::endl << L"two, half";

    // Windows Installer appends to the same file through a handle of its own.
    HANDLE other = CreateFileW(
        path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    SetFilePointer(other, 0, nullptr, FILE_END);
    std::string engine = Utf16(L"engine line 1\r\nengine line 2\r\n");
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(other, engine.data(), static_cast<DWORD>(engine.size()), &written, nullptr));

    log << L" done" << std::endl;
    SetFilePointer(other, 0, nullptr, FILE_END);
    ASSERT_TRUE(WriteFile(other, engine.data(), static_cast<DWORD>(engine.size()), &written, nullptr));
    CloseHandle(other);
    log << L"three" << std::endl;
    log.Close();

    std::vector<std::wstring> expected = {kPrefix + L"one", L"engine line 1", L"engine line 2",
        kPrefix + L"two, half done", L"engine line 1", L"engine line 2", kPrefix + L"three"};
    EXPECT_EQ(expected, ReadLog(path).lines);
}

TEST(LogStream, LevelsOutsideTheMaskAreDropped)
{
    TempDir dir;
    std::wstring path = dir.File(L"levels.log");
    {
        VelmoLogOStream log;
        log.Open(path.c_str(), false);
        EXPECT_EQ(0xFFFFFFFFu, log.SetLevelMask(0x10));
        EXPECT_EQ(2u, log.SetMessageLevel(0x10));
        log << L"info ";
        log.SetMessageLevel(2);
        log << L"error\n";  // dropped, the line end too
        log.SetMessageLevel(0x1010);
        log << L"detail\n";  // 0x1000 is outside the mask
        log.SetMessageLevel(0x10);
        log << L"continued" << std::endl;
        log.SetLevelMask(0xFFFFFFFF);
        log.SetMessageLevel(0x1002);
        log << L"all again" << std::endl;
    }
    std::vector<std::wstring> expected = {kPrefix + L"info continued", kPrefix + L"all again"};
    EXPECT_EQ(expected, ReadLog(path).lines);
}

TEST(LogStream, NothingIsWrittenWhileClosed)
{
    TempDir dir;
    std::wstring path = dir.File(L"closed.log");
    VelmoLogOStream log;
    log << L"before open" << std::endl;
    EXPECT_FALSE(log.IsOpen());
    log.Open(path.c_str(), false);
    EXPECT_TRUE(log.IsOpen());
    log.flush();  // only the prefix pending: writes nothing
    log << L"inside";
    log.Close();
    log << L"after close" << std::endl;
    EXPECT_FALSE(log.IsOpen());
    LogFile file = ReadLog(path);
    EXPECT_EQ(std::vector<std::wstring>{kPrefix + L"inside"}, file.lines);
}

TEST(LogStream, AFileThatCannotBeOpenedThrowsLogFileError)
{
    TempDir dir;
    std::wstring path = dir.File(L"no such folder\\x.log");
    VelmoLogOStream log;
    try {
        log.Open(path.c_str(), true);
        FAIL() << "no error";
    } catch (const LogFileError& e) {
        EXPECT_EQ(12007, e.GetCode());
        EXPECT_EQ(static_cast<unsigned long>(ERROR_PATH_NOT_FOUND), e.Argument<2>());  // the Windows error
        std::wstring message = e.GetUserMessage();
        EXPECT_EQ(0u, message.find(L"Unable to open log file '" + path + L"'.\n")) << message;
    }
    EXPECT_FALSE(log.IsOpen());
}

TEST(LogStream, StringObjectsAreWrittenUpToTheirFirstNul)
{
    TempDir dir;
    std::wstring path = dir.File(L"cstring.log");
    {
        VelmoLogOStream log;
        log.Open(path.c_str(), false);
        CString text(L"abc\0def", 7);
        log << text << std::endl;
    }
    EXPECT_EQ(std::vector<std::wstring>{kPrefix + L"abc"}, ReadLog(path).lines);
}

// ---------------------------------------------------------------------------------------------
// Statements from several threads

namespace {

struct WriterArgs {
    VelmoLogOStream* log;
    int thread;
};

const int kThreads = 4;
const int kStatements = 150;

// Even threads: level 2, no wrapping, one long line per statement. Odd threads: level 0x1010
// (outside the mask: nothing may reach the file) or 0x10 at width 40.
DWORD WINAPI Writer(LPVOID param)
{
    WriterArgs* args = static_cast<WriterArgs*>(param);
    for (int i = 0; i < kStatements; ++i) {
        if (args->thread % 2 == 0) {
            VelmoLogGuard(*args->log, 2, 0)
                << L"T" << args->thread << L" n=" << i << L" " << std::wstring(60, L'x') << L" end" << std::endl;
        } else if (i % 2 == 0) {
            VelmoLogGuard(*args->log, 0x1010, 0) << L"hidden T" << args->thread << std::endl;
        } else {
            VelmoLogGuard(*args->log, 0x10, 40)
                << L"W" << args->thread << L" n=" << i << L" aaaa bbbb cccc dddd" << std::endl;
        }
        if (i % 16 == 0)
            Sleep(0);
    }
    return 0;
}

}  // namespace

TEST(LogStream, StatementsOfSeveralThreadsNeverInterleave)
{
    TempDir dir;
    std::wstring path = dir.File(L"threads.log");
    VelmoLogOStream log;
    log.Open(path.c_str(), false);
    log.SetLevelMask(0xFFF);

    WriterArgs args[kThreads];
    HANDLE threads[kThreads];
    for (int t = 0; t < kThreads; ++t) {
        args[t] = {&log, t};
        threads[t] = CreateThread(nullptr, 0, Writer, &args[t], 0, nullptr);
        ASSERT_NE(nullptr, threads[t]);
    }
    WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
    for (HANDLE h : threads)
        CloseHandle(h);
    log.Close();

    std::vector<std::wstring> lines = ReadLog(path).lines;
    std::vector<int> longLines(kThreads, 0);
    std::vector<int> wrapped(kThreads, 0);
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(0u, lines[i].find(kPrefix)) << lines[i];
        std::wstring text = lines[i].substr(kPrefix.size());
        ASSERT_EQ(std::wstring::npos, text.find(L"hidden")) << text;
        if (text[0] == L'T') {
            int t = text[1] - L'0';
            std::wstring expected = L"T" + std::to_wstring(t) + L" n=" + std::to_wstring(longLines[t]) + L" "
                + std::wstring(60, L'x') + L" end";
            ASSERT_EQ(expected, text);
            ++longLines[t];
        } else {
            // Wrapped at 40: "W1 n=7 aaaa bbbb" (fits) then "cccc dddd".
            ASSERT_EQ(L'W', text[0]) << text;
            int t = text[1] - L'0';
            int n = 2 * wrapped[t] + 1;
            std::wstring first = L"W" + std::to_wstring(t) + L" n=" + std::to_wstring(n) + L" aaaa bbbb";
            std::wstring head = first + L" cccc";
            std::wstring expectedFirst = (kPrefix.size() + head.size() <= 40) ? head : first;
            ASSERT_EQ(expectedFirst, text);
            ASSERT_LT(i + 1, lines.size());
            std::wstring rest = lines[++i].substr(kPrefix.size());
            ASSERT_EQ(expectedFirst == head ? L"dddd" : L"cccc dddd", rest);
            ++wrapped[t];
        }
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(t % 2 == 0 ? kStatements : 0, longLines[t]) << t;
        EXPECT_EQ(t % 2 == 0 ? 0 : kStatements / 2, wrapped[t]) << t;
    }
}

TEST(LogStream, ANestedStatementRestoresTheOuterLevelAndWidth)
{
    TempDir dir;
    std::wstring path = dir.File(L"nested.log");
    VelmoLogOStream log;
    log.Open(path.c_str(), false);
    log.SetLevelMask(0x10);
    {
        VelmoLogGuard outer(log, 0x10, 0);
        outer << L"outer ";
        {
            VelmoLogGuard(log, 2, 20) << L"inner dropped\n";
        }
        outer << L"still level 16 and never wrapped at twenty" << std::endl;
    }
    log.Close();
    EXPECT_EQ(
        std::vector<std::wstring>{kPrefix + L"outer still level 16 and never wrapped at twenty"}, ReadLog(path).lines);
}
