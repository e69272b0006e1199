#include "CommandLineInfo.h"
#include "WinApp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SplitCase {
    const wchar_t* commandLine;
    std::vector<std::wstring> expected;  // program name first
};

TEST(CommandLine, SplitsLikeTheRunTime)
{
    const SplitCase cases[] = {
        {L"setup.exe", {L"setup.exe"}},
        {L"setup.exe   ", {L"setup.exe"}},
        {L"", {L""}},
        {L"setup /q /l*v log.txt", {L"setup", L"/q", L"/l*v", L"log.txt"}},
        {L"setup\t-a\t\tb", {L"setup", L"-a", L"b"}},
        {L"\"C:\\Program Files\\setup.exe\" /x", {L"C:\\Program Files\\setup.exe", L"/x"}},
        {L"C:\\dir\\\"odd\" a", {L"C:\\dir\\\"odd\"", L"a"}},
        {L"p \"two words\" x\"y z\"w", {L"p", L"two words", L"xy zw"}},
        {L"p \"\"", {L"p", L""}},
        {L"p \"a\"\"b\" c", {L"p", L"a\"b", L"c"}},
        {L"p a\\\\b c:\\dir\\", {L"p", L"a\\\\b", L"c:\\dir\\"}},
        {L"p a\\\"b", {L"p", L"a\"b"}},
        {L"p a\\\\\"b c\"", {L"p", L"a\\b c"}},
        {L"p a\\\\\\\"b", {L"p", L"a\\\"b"}},
        {L"p \"C:\\dir\\\\\" next", {L"p", L"C:\\dir\\", L"next"}},
        {L"p /prop=\"A=1,B=two words\"", {L"p", L"/prop=A=1,B=two words"}},
        {L"p \"unterminated arg", {L"p", L"unterminated arg"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(c.expected, AfxSplitCommandLine(c.commandLine)) << c.commandLine;
    }
}

struct Call {
    std::wstring param;
    BOOL flag;
    BOOL last;
    bool operator==(const Call& o) const { return param == o.param && flag == o.flag && last == o.last; }
};

class Recorder : public CCommandLineInfo {
public:
    void ParseParam(const wchar_t* param, BOOL flag, BOOL last) override { calls.push_back({param, flag, last}); }
    std::vector<Call> calls;
};

TEST(CommandLine, ParamsWithFlagAndLast)
{
    Recorder r;
    AfxParseCommandLine(r, L"setup.exe /q -L \"file name\" / x");
    const std::vector<Call> expected = {
        {L"q", TRUE, FALSE},
        {L"L", TRUE, FALSE},
        {L"file name", FALSE, FALSE},
        {L"", TRUE, FALSE},
        {L"x", FALSE, TRUE},
    };
    EXPECT_EQ(expected, r.calls);

    Recorder none;
    AfxParseCommandLine(none, L"\"setup.exe\"  ");
    EXPECT_TRUE(none.calls.empty());
}

TEST(CommandLine, ParseCommandLineReadsTheProcessCommandLine)
{
    // The test runs with no arguments of its own unless gtest options were given.
    CWinApp app;
    Recorder r;
    app.ParseCommandLine(r);
    EXPECT_EQ(AfxSplitCommandLine(::GetCommandLineW()).size() - 1, r.calls.size());
}

}  // namespace
