// Crash reports of structured exceptions with a stack trace.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "VelmoExceptionStackTrace.h"

namespace {

const DWORD kProbeCode = 0xE0545354u;

// Lets the probe's exception continue once every report is written.
LONG CALLBACK ContinueAfterProbe(EXCEPTION_POINTERS* pointers)
{
    return pointers->ExceptionRecord->ExceptionCode == kProbeCode ? EXCEPTION_CONTINUE_EXECUTION
                                                                  : EXCEPTION_CONTINUE_SEARCH;
}

__attribute__((noinline)) void RaiseFromStackTraceProbe()
{
    RaiseException(kProbeCode, 0, 0, nullptr);
}

__attribute__((noinline)) void CallStackTraceProbe()
{
    RaiseFromStackTraceProbe();
}

class ContinueProbe {
public:
    ContinueProbe() : m_handler(AddVectoredExceptionHandler(0, ContinueAfterProbe)) { }
    ~ContinueProbe() { RemoveVectoredExceptionHandler(m_handler); }

private:
    PVOID m_handler;
};

}  // namespace

TEST(ExceptionStackTrace, NamesTheFunctionsOnTheStackOfTheException)
{
    ContinueProbe probe;
    VelmoExceptionStackTrace trace;
    ASSERT_TRUE(trace.Register());
    CallStackTraceProbe();
    const std::wstring report = trace.GetReport();
    EXPECT_EQ(0u, report.find(L"Exception code: E0545354 (")) << report;
    EXPECT_NE(std::wstring::npos, report.find(L"\nStack Trace\n")) << report;
    const size_t raiser = report.find(L"RaiseFromStackTraceProbe");
    const size_t caller = report.find(L"CallStackTraceProbe");
    EXPECT_NE(std::wstring::npos, raiser) << report;
    EXPECT_NE(std::wstring::npos, caller) << report;
    EXPECT_LT(raiser, caller) << report;
}

TEST(ExceptionStackTrace, EveryRegisteredTraceReportsAndAnyMayLeaveFirst)
{
    ContinueProbe probe;
    auto first = std::make_unique<VelmoExceptionStackTrace>();
    VelmoExceptionStackTrace second;
    ASSERT_TRUE(first->Register());
    ASSERT_TRUE(second.Register());
    first.reset();  // unlinked from behind the head
    CallStackTraceProbe();
    EXPECT_NE(std::wstring::npos, second.GetReport().find(L"E0545354"));
}

TEST(ExceptionStackTrace, NamesTheCommonExceptionCodes)
{
    const struct {
        DWORD code;
        const wchar_t* name;
    } cases[] = {
        {STATUS_ACCESS_VIOLATION, L"ACCESS_VIOLATION"},
        {STATUS_INTEGER_DIVIDE_BY_ZERO, L"INT_DIVIDE_BY_ZERO"},
        {STATUS_STACK_OVERFLOW, L"STACK_OVERFLOW"},
        {STATUS_FLOAT_DIVIDE_BY_ZERO, L"FLT_DIVIDE_BY_ZERO"},
        {STATUS_PRIVILEGED_INSTRUCTION, L"PRIV_INSTRUCTION"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.name), ExceptionStackTrace::GetExceptionName(c.code)) << std::hex << c.code;
}

TEST(ExceptionStackTrace, LocatesCodeByModuleSectionAndOffset)
{
    HMODULE module = nullptr;
    std::wstring path;
    DWORD section = 0;
    DWORD_PTR offset = 0;
    const void* code = reinterpret_cast<const void*>(&CallStackTraceProbe);
    ASSERT_TRUE(ExceptionStackTrace::GetLogicalAddress(code, module, path, section, offset));
    EXPECT_EQ(GetModuleHandleW(nullptr), module);
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    EXPECT_EQ(std::wstring(program), path);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const BYTE*>(module) + dos->e_lfanew);
    const IMAGE_SECTION_HEADER& text = IMAGE_FIRST_SECTION(nt)[section - 1];
    EXPECT_EQ(0, memcmp(text.Name, ".text", 5));
    EXPECT_EQ(static_cast<const BYTE*>(code), reinterpret_cast<const BYTE*>(module) + text.VirtualAddress + offset);
}
