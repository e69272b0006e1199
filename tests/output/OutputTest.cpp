// The process's output object and the reports of the support library.
#include <windows.h>
#include <delayimp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

#include "ContextMessage.h"
#include "OrbelOutput.h"
#include "StructuredExceptionTranslator.h"
#include "TestSupport.h"
#include "UniqueHandle.h"

using namespace OrbelToolbox;

namespace {

const char kExportName[] = "ZK_OrbelToolbox_OrbelOutput_GetSharedGlobalData";

using Lines = std::vector<std::wstring>;

// Sends the debug log of one test to a fresh file and reads it back.
class DebugLog {
public:
    DebugLog() : m_path(m_dir.File(L"debug.log"))
    {
        OrbelOutput::SetDebugLogFile(m_path.c_str());
        OrbelOutput::EnableDebugLog(true);
    }
    ~DebugLog() { OrbelOutput::EnableDebugLog(false); }

    testsupport::LogFile Read() const { return testsupport::ReadLogFile(m_path); }
    Lines ReadLines() const { return Read().lines; }

private:
    testsupport::TempDir m_dir;
    std::wstring m_path;
};

// Runs `action` and returns the code of the report it raised (0 when it raised none).
template <class Action> int ReportedCode(Action action)
{
    try {
        action();
    } catch (const OrbelOutput::PrivateException&) {
        return OrbelOutput::GetErrorCode();
    }
    return 0;
}

// Drains the user log queue.
Lines UserLog()
{
    Lines lines;
    while (const wchar_t* line = OrbelOutput::GetNextUserLogMessage())
        lines.push_back(line);
    return lines;
}

void Inner()
{
    ContextMessageHolder context(L"OrbelToolbox: Error in %s function", L"Inner");
    OrbelOutput::Error(-12, L"inner step %d failed", 7);
}

void Middle()
{
    ContextMessageHolder context(L"OrbelToolbox: Error in %s function", L"Middle");
    Inner();
}

void Outer()
{
    ContextMessageHolder context(L"OrbelToolbox: Error in %s function", L"Outer");
    Middle();
}

}  // namespace

TEST(SharedOutput, TheProgramsExportYieldsTheObjectItMade)
{
    OrbelOutput::ISharedData* made = &OrbelOutput::GetSharedData();
    using Export = int (*)(void**);
    auto exported = reinterpret_cast<Export>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(nullptr), kExportName)));
    ASSERT_NE(nullptr, exported);
    void* found = nullptr;
    EXPECT_EQ(0, exported(&found));
    EXPECT_EQ(made, found);
    EXPECT_EQ(made, OrbelOutput::FindSharedData());
}

TEST(SharedOutput, AModuleLoadedLaterUsesTheSameObject)
{
    OrbelOutput::ISharedData* made = &OrbelOutput::GetSharedData();
    UniqueModule module(LoadLibraryW((testsupport::ModuleDir() + L"\\output_test_module.dll").c_str()));
    ASSERT_TRUE(module);
    using Export = int (*)(void**);
    auto moduleExport
        = reinterpret_cast<Export>(reinterpret_cast<void (*)()>(GetProcAddress(module.Get(), kExportName)));
    ASSERT_NE(nullptr, moduleExport);
    void* cached = &cached;
    moduleExport(&cached);
    EXPECT_EQ(nullptr, cached);  // the module has not used the output yet

    using SharedDataOf = void* (*)();
    auto sharedDataOf = reinterpret_cast<SharedDataOf>(
        reinterpret_cast<void (*)()>(GetProcAddress(module.Get(), "OutputTestModuleSharedData")));
    ASSERT_NE(nullptr, sharedDataOf);
    EXPECT_EQ(made, sharedDataOf());
    moduleExport(&cached);
    EXPECT_EQ(made, cached);
}

TEST(OutputReport, AFailureThreeCallsDeepListsItsContextOutermostFirst)
{
    DebugLog log;
    EXPECT_EQ(-12, ReportedCode(Outer));
    EXPECT_EQ(0, OrbelOutput::GetErrorCode());
    const Lines expected = {
        L"",
        L">  ",
        L"> OrbelToolbox error report",
        L"> Error: A Windows function failed or a function could not be bound (code -12).",
        L"> OrbelToolbox: Error in Outer function",
        L"> OrbelToolbox: Error in Middle function",
        L"> OrbelToolbox: Error in Inner function",
        L"> inner step 7 failed",
        L"> The operation was not completed.",
        L"> End of error report.",
        L">  ",
    };
    EXPECT_EQ(expected, log.ReadLines());
}

TEST(OutputReport, ReportLinesReachTheUserLogQueue)
{
    UserLog();
    EXPECT_EQ(-3, ReportedCode([] { OrbelOutput::ReportError(-3); }));
    const Lines expected = {
        L" ",
        L"OrbelToolbox error report",
        L"Error: Unknown error (code -3).",
        L"The operation was not completed.",
        L"End of error report.",
        L" ",
    };
    EXPECT_EQ(expected, UserLog());
}

TEST(OutputReport, PrintedReportsAreReadOnlyThroughTheReportCursor)
{
    while (OrbelOutput::GetNextLogMessage()) { }
    OrbelOutput::SetLoggingMode(OrbelOutput::OutputUserLogMessages);
    EXPECT_EQ(-3, ReportedCode([] { OrbelOutput::ReportError(-3); }));
    Lines reported;
    while (const wchar_t* line = OrbelOutput::GetNextLogMessage())
        reported.push_back(line);
    EXPECT_EQ(-30, ReportedCode([] { OrbelOutput::GetNextUserLogMessage(); }));
    OrbelOutput::SetLoggingMode(OrbelOutput::LoggingModeDefault);
    ASSERT_EQ(6u, reported.size());
    EXPECT_EQ(L"Error: Unknown error (code -3).", reported[2]);
}

TEST(OutputReport, CodeZeroWithoutAReportDoesNothing)
{
    UserLog();
    EXPECT_EQ(0, ReportedCode([] { OrbelOutput::ReportError(0); }));
    EXPECT_EQ(Lines(), UserLog());
}

TEST(OutputReport, ASecondErrorDuringAReportAddsALineAndDoesNotRaise)
{
    DebugLog log;
    try {
        OrbelOutput::Error(-13, L"first");
    } catch (const OrbelOutput::PrivateException&) {
        EXPECT_NO_THROW(OrbelOutput::ReportError(-12));
        EXPECT_EQ(-13, OrbelOutput::GetErrorCode());
    }
    const Lines lines = log.ReadLines();
    ASSERT_EQ(9u, lines.size());
    EXPECT_EQ(L"> A further error occurred while an error was being reported.", lines[4]);
    EXPECT_EQ(L"> first", lines[5]);
}

TEST(OutputReport, ACancellationWritesOnlyItsTextAndClearsTheRequest)
{
    DebugLog log;
    OrbelOutput::CheckAbort();  // nothing requested: nothing raised
    OrbelOutput::RequestAbort();
    EXPECT_EQ(-100, ReportedCode([] { OrbelOutput::CheckAbort(); }));
    EXPECT_FALSE(OrbelOutput::IsAbortRequested());
    const Lines expected = {
        L"",
        L">  ",
        L"> OrbelToolbox error report",
        L"> The operation was cancelled.",
        L"> End of error report.",
        L">  ",
    };
    EXPECT_EQ(expected, log.ReadLines());
}

TEST(OutputReport, AFailedCallNamesTheFunctionAndItsErrorCode)
{
    const struct {
        void (*fail)();
        int code;
        const wchar_t* context;
    } cases[] = {
        {[] { OrbelOutput::ReportWindowsError(ERROR_FILE_NOT_FOUND, L"CreateFileW"); }, -12,
            L"> Windows function CreateFileW returned an error. Error code: 2"},
        {[] {
             errno = ENOENT;
             OrbelOutput::ReportCrtError(L"_wfopen");
         },
            -13, L"> C Runtime function _wfopen returned an error. Error code: 2"},
    };
    for (const auto& c : cases) {
        DebugLog log;
        EXPECT_EQ(c.code, ReportedCode(c.fail));
        const Lines lines = log.ReadLines();
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), c.context)) << c.code;
    }
}

TEST(OutputReport, AStructuredExceptionIsReportedWithTheTextOfItsKind)
{
    DelayLoadInfo info = {};
    info.szDll = "missing.dll";
    info.dlp.fImportByName = TRUE;
    info.dlp.szProcName = "MissingFunction";
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = 0xC06D007Fu;
    record.NumberParameters = 1;
    record.ExceptionInformation[0] = reinterpret_cast<ULONG_PTR>(&info);
    EXCEPTION_POINTERS pointers = {&record, nullptr};
    const struct {
        unsigned int code;
        const EXCEPTION_POINTERS* pointers;
        Lines context;
    } cases[] = {
        {0xC0000005u, nullptr, {L"> Access violation! Structured exception code 3221225477"}},
        {0xC0000094u, nullptr, {L"> Divide by zero error! Structured exception code 3221225620"}},
        {0xE0000001u, nullptr, {L"> Runtime error! Structured exception code 3758096385"}},
        {0xC06D007Fu, &pointers,
            {L"> Error 0 occurred in delay-loaded module! Structured exception code 3228369023",
                L"> Module name: missing.dll Module handle: 0", L"> Proc name: MissingFunction",
                L"> Proc ordinal: 0 Proc Address: 0 Actual proc: 0"}},
    };
    for (const auto& c : cases) {
        DebugLog log;
        EXPECT_EQ(-10, ReportedCode([&] { OrbelOutput::TranslateStructuredException(c.code, c.pointers); }));
        const Lines lines = log.ReadLines();
        ASSERT_EQ(c.context.size() + 7, lines.size()) << c.code;
        EXPECT_EQ(c.context, Lines(lines.begin() + 4, lines.begin() + 4 + c.context.size())) << c.code;
    }
}

namespace {

// Volatile, so that the optimiser keeps the faulting access.
volatile int* volatile g_badAddress = reinterpret_cast<volatile int*>(0x10);

__attribute__((noinline)) int ReadBadAddress()
{
    return *g_badAddress;
}

struct FaultOutcome {
    int reportedCode = 0;
    bool otherException = false;
    bool armedAfterDeclining = true;
};

// On a thread of its own, so that the translator does not stay with the test's thread.
DWORD WINAPI FaultWithOutputTranslator(void* parameter)
{
    FaultOutcome& outcome = *static_cast<FaultOutcome*>(parameter);
    OrbelOutput::InstallSehTranslator(false);
    outcome.armedAfterDeclining = StructuredExceptionTranslatorScope::IsArmed();
    OrbelOutput::InstallSehTranslator(true);
    try {
        outcome.reportedCode = ReportedCode([] { ReadBadAddress(); });
    } catch (...) {
        outcome.otherException = true;
    }
    SetThreadStructuredExceptionTranslator(nullptr);
    return 0;
}

}  // namespace

TEST(OutputReport, TheInstalledTranslatorReportsAThreadsHardwareFault)
{
    DebugLog log;
    FaultOutcome outcome;
    UniqueKernelHandle thread(CreateThread(nullptr, 0, FaultWithOutputTranslator, &outcome, 0, nullptr));
    ASSERT_TRUE(thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.Get(), 10000));
    EXPECT_FALSE(outcome.armedAfterDeclining);
    EXPECT_FALSE(outcome.otherException);
    EXPECT_EQ(-10, outcome.reportedCode);
    const Lines lines = log.ReadLines();
    ASSERT_LE(5u, lines.size());
    EXPECT_EQ(L"> Access violation! Structured exception code 3221225477", lines[4]);
}

TEST(OutputReport, ACatchPointDefersTheReportUntilItIsRaisedAgain)
{
    static auto translate = [] {
        try {
            throw;
        } catch (const std::runtime_error&) {
            OrbelOutput::ReportError(-21);
        }
    };
    OrbelOutput::ErrorHandler handler = +translate;
    OrbelOutput::RegisterHandler(handler);
    int caught = 0;
    try {
        throw std::runtime_error("outside the library");
    } catch (...) {
        caught = OrbelOutput::CatchError();
    }
    EXPECT_EQ(-21, caught);
    EXPECT_EQ(-21, OrbelOutput::GetErrorCode());  // deferred: still open
    EXPECT_EQ(-21, ReportedCode([] { OrbelOutput::ThrowIfDeferred(); }));
    EXPECT_EQ(0, OrbelOutput::GetErrorCode());
    OrbelOutput::UnregisterHandler(handler);
    EXPECT_EQ(0, OrbelOutput::GetSharedData().GetHandlerCount());
}

TEST(OutputHandlers, UnregisteringAHandlerRegisteredTwiceKeepsItOnce)
{
    OrbelOutput::ErrorHandler handler = [] {};
    OrbelOutput::ISharedData& data = OrbelOutput::GetSharedData();
    OrbelOutput::RegisterHandler(handler);
    OrbelOutput::RegisterHandler(handler);
    OrbelOutput::UnregisterHandler(handler);
    ASSERT_EQ(1, data.GetHandlerCount());
    EXPECT_EQ(1, data.GetHandlerRegistrations(0));
    OrbelOutput::UnregisterHandler(handler);
    EXPECT_EQ(0, data.GetHandlerCount());
}

TEST(DebugLogFile, EveryLineEndsInOneCarriageReturnLineFeed)
{
    DebugLog log;
    OrbelOutput::DebugPrint(L"lone cr\r");
    OrbelOutput::DebugPrint(L"lone lf\n");
    OrbelOutput::DebugPrint(L"both\r\n");
    OrbelOutput::DebugPrint(L"none %s", L"here");
    const testsupport::LogFile file = log.Read();
    EXPECT_TRUE(file.bom);
    EXPECT_EQ(L"lone cr\r\nlone lf\r\nboth\r\nnone here\r\n", file.text);
}

TEST(DebugLogFile, ATimestampOnlyOnTheNextLineWhenAskedOnce)
{
    DebugLog log;
    OrbelOutput::TimestampNextMessage();
    OrbelOutput::DebugPrint(L"stamped");
    OrbelOutput::DebugPrint(L"plain");
    const Lines lines = log.ReadLines();
    ASSERT_EQ(2u, lines.size());
    const size_t close = lines[0].find(L"] ");
    ASSERT_NE(std::wstring::npos, close);
    EXPECT_EQ(L'[', lines[0][0]);
    EXPECT_GE(std::stod(lines[0].substr(1, close - 1)), 0.0);  // the seconds since the start
    EXPECT_EQ(L"stamped", lines[0].substr(close + 2));
    EXPECT_EQ(L"plain", lines[1]);
}

TEST(DebugLogFile, CannotBeRenamedWhileOpen)
{
    DebugLog log;
    EXPECT_EQ(-30, ReportedCode([] { OrbelOutput::SetDebugLogFile(L"C:\\other.log"); }));
}

TEST(Progress, IsFormattedAndPassedToTheCallback)
{
    static std::wstring seen;
    static int seenValue = 0;
    OrbelOutput::SetProgressCallback([](const wchar_t* text, int value, int) {
        seen = text;
        seenValue = value;
    });
    OrbelOutput::PostProgress(40, 100, OrbelOutput::kStringInsert, L"copying a.txt");
    OrbelOutput::SetProgressCallback(nullptr);
    EXPECT_EQ(L"copying a.txt", seen);
    EXPECT_EQ(40, seenValue);
    int value = 0;
    int maximum = 0;
    EXPECT_EQ(std::wstring(L"copying a.txt"), OrbelOutput::GetProgress(&value, &maximum));
    EXPECT_EQ(100, maximum);
}

TEST(OutputLanguage, ShortIdsBecomeFullLanguageIds)
{
    const struct {
        LANGID in;
        LANGID out;
    } cases[] = {
        {9, 1033},
        {12, 1036},
        {17, 1041},
        {18, 1042},
        {7, 1031},
        {1033, 1033},
        {0x0419, 0x0419},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.out, OrbelOutput::GetFullLanguageId(c.in)) << c.in;
}
