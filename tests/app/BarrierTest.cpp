// The thread barriers' rows, provoked in barrier_host.exe on the main thread and on a worker:
// the exit code, what the report shows and what the log receives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HostReport.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

struct HostRun {
    DWORD exitCode = 0;
    std::vector<std::string> boxes;  // "type|caption|text"
    std::wstring log;
};

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// `option`: "quiet" (a quiet run) or "keep77" (the main thread's kept exit code is 77).
HostRun RunHost(const std::wstring& kind, const std::wstring& thread, const std::wstring& option = L"")
{
    TempDir dir;
    std::wstring report = dir.File(L"report.txt");
    std::wstring log = dir.File(L"host.log");
    std::wstring command = L"\"" + ModuleDir() + L"\\barrier_host.exe\" " + kind + L" " + thread + L" \"" + report
        + L"\" \"" + log + L"\" " + option;
    ProcessResult result = RunProcess(command, 30000);
    EXPECT_FALSE(result.timedOut);
    HostRun run;
    run.exitCode = result.exitCode;
    run.boxes = hostreport::ReadBoxes(report);
    run.log = ReadLogFile(log).text;
    return run;
}

struct Row {
    const wchar_t* kind;
    DWORD exitCode;
    const char* message;  // start of the message the report shows
    const char* details;  // part of the details; null: no Details (none shown, none logged)
    bool detailsLogged;
};

// Rows in the order the barrier tests them; the texts are the program's string table's.
const Row kRows[] = {
    {L"windows", 5, "Fatal Error. Unhandled Windows Error.", "Windows Error 5: ", true},
    {L"msi", 1603, "Fatal Error. Unhandled MSI Error.", "MsiError 1603: ", true},
    {L"installer", static_cast<DWORD>(-10004), "Fatal Error. Operation aborted.", "IInstallerError 10004", true},
    {L"user", static_cast<DWORD>(-12004), "You must have administrative privileges to run this installation.", nullptr,
        false},
    {L"delaydll", 126, "Unable to find required dll velmo_missing.dll.", "No details available", false},
    {L"delayproc", 127, "Unable to load procedure <Unknown> from module kernel32.dll.", "No details available", false},
    // Wine's system has no text for these exception codes: the details' text is the message.
    {L"av", 0xC0000005, "Structured Exception number 0xC0000005", "Structured Exception number 0xC0000005", true},
    {L"div0", 0xC0000094, "Structured Exception number 0xC0000094", "Structured Exception number 0xC0000094", true},
    // A fault inside system code passes the thread's translation by: the process's last resort
    // reports it as the row above and ends the process with its code.
    {L"sysav", 0xC0000005, "Structured Exception number 0xC0000005", "Structured Exception number 0xC0000005", true},
    {L"badalloc", 8, "", "No details available", false},
    {L"std", static_cast<DWORD>(-1), "Provoked standard failure", "No details available", false},
    // A type the barrier does not know keeps the exit code (-1 here, as the application's).
    {L"unknown", static_cast<DWORD>(-1), "Unknown Error", "No details available", false},
};

TEST(ThreadBarrier, EveryRowOnTheMainThreadAndOnAWorker)
{
    for (const wchar_t* thread : {L"main", L"worker"}) {
        for (const Row& row : kRows) {
            SCOPED_TRACE(std::wstring(thread) + L" " + row.kind);
            HostRun run = RunHost(row.kind, thread);
            EXPECT_EQ(row.exitCode, run.exitCode);

            // One report: caption = the program's name, warning icon, OK.
            ASSERT_EQ(1u, run.boxes.size());
            const std::string& box = run.boxes[0];
            EXPECT_EQ(0u, box.find("30|barrier_host|")) << box;
            std::string text = box.substr(box.find('|', box.find('|') + 1) + 1);
            EXPECT_EQ(0u, text.find(row.message)) << text;
            if (row.details)
                EXPECT_NE(std::string::npos, text.find(row.details)) << text;
            else
                EXPECT_EQ(std::string::npos, text.find("\\n")) << "no details expected: " << text;

            // The log: "ERROR! " + message, and the details only when they say something.
            EXPECT_NE(std::wstring::npos, run.log.find(L"OrbelInstaller: ERROR! " + Widen(row.message)))
                << run.log.c_str();
            if (row.detailsLogged)
                EXPECT_NE(std::wstring::npos, run.log.find(Widen(row.details))) << run.log.c_str();
            else
                EXPECT_EQ(std::wstring::npos, run.log.find(L"No details available")) << run.log.c_str();
        }
    }
}

// A message text as the system formats it, without its closing line break; empty when the
// system has none.
std::wstring MessageText(DWORD source, HMODULE module, DWORD code)
{
    wchar_t buffer[257] = {};
    DWORD length = FormatMessageW(source | FORMAT_MESSAGE_IGNORE_INSERTS, module, code, 0, buffer, 256, nullptr);
    std::wstring text(buffer, length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    return text;
}

// The memory and fault rows show the system's own texts: error 8 from the system's messages,
// the exception code from ntdll's. Where the system has no text for the exception code, the
// details' text stands in for it: the message is never empty.
TEST(ThreadBarrier, MemoryAndFaultRowsShowTheSystemsTexts)
{
    std::wstring faultText
        = MessageText(FORMAT_MESSAGE_FROM_HMODULE, GetModuleHandleW(L"ntdll.dll"), EXCEPTION_ACCESS_VIOLATION);
    if (faultText.empty())
        faultText = L"Structured Exception number 0xC0000005";
    const struct {
        const wchar_t* kind;
        std::wstring text;
    } rows[] = {
        {L"badalloc", MessageText(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_NOT_ENOUGH_MEMORY)},
        {L"av", faultText},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.kind);
        HostRun run = RunHost(row.kind, L"main");
        EXPECT_NE(std::wstring::npos, run.log.find(L"OrbelInstaller: ERROR! " + row.text + L"\r\nOrbelInstaller: "))
            << std::string(run.log.begin(), run.log.end());
        EXPECT_EQ(std::wstring::npos, run.log.find(L"OrbelInstaller: ERROR! \r\n"))
            << std::string(run.log.begin(), run.log.end());
    }
}

TEST(ThreadBarrier, QuietRunOnlyLogs)
{
    HostRun run = RunHost(L"installer", L"worker", L"quiet");
    EXPECT_EQ(static_cast<DWORD>(-10004), run.exitCode);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_NE(std::wstring::npos, run.log.find(L"OrbelInstaller: ERROR! Fatal Error. Operation aborted.\r\n"));
    EXPECT_NE(std::wstring::npos, run.log.find(L"IInstallerError 10004"));
}

TEST(ThreadBarrier, OnlyAnUnknownTypeKeepsTheExitCode)
{
    EXPECT_EQ(77u, RunHost(L"unknown", L"main", L"keep77").exitCode);
    EXPECT_EQ(static_cast<DWORD>(-1), RunHost(L"std", L"main", L"keep77").exitCode);
}

TEST(ThreadBarrier, WorkerEndsWithItsFunctionsResult)
{
    HostRun run = RunHost(L"code", L"worker");
    EXPECT_EQ(995u, run.exitCode);
    EXPECT_TRUE(run.boxes.empty());
}

}  // namespace
