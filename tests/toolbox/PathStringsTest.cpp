// Path text edited in place: slashes, elements, names, bars, GUID texts and the URL form.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "PathStrings.h"
#include "ToolboxReports.h"

using namespace OrbelToolbox;
using toolboxtest::ReportedCode;
using toolboxtest::WithoutShellFunctions;

namespace {

template <class Edit> std::wstring Edited(const wchar_t* text, Edit edit)
{
    wchar_t buffer[MAX_PATH] = {};
    wcscpy(buffer, text);
    edit(buffer);
    return buffer;
}

}  // namespace

TEST(PathStrings, EditTheTextInPlace)
{
    const struct {
        void (*edit)(wchar_t*);
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {&AppendLastSlash, L"C:\\dir", L"C:\\dir\\"},
        {&AppendLastSlash, L"C:\\dir\\", L"C:\\dir\\"},
        {&AppendLastSlash, L"", L""},
        {&RemoveLastPathElement, L"C:\\a\\b\\", L"C:\\a\\"},
        {&RemoveLastPathElement, L"C:\\a", L"C:\\"},
        {&RemoveLastPathElement, L"abc", L""},
        {&StripToFileName, L"C:\\dir\\setup.exe", L"setup.exe"},
        {&StripToFileName, L"D:file", L"file"},
        {&StripToFileName, L"setup.exe", L"setup.exe"},
        {&StripToExtension, L"setup.tar.gz", L"gz"},
        {&StripToExtension, L"README", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, Edited(c.text, c.edit)) << c.text;
    }
}

TEST(PathStrings, RemoveLastSlashReturnsTheLastBackslash)
{
    wchar_t trailing[] = L"C:\\dir\\";
    EXPECT_EQ(trailing + 6, RemoveLastSlash(trailing));
    EXPECT_STREQ(L"C:\\dir", trailing);

    wchar_t inner[] = L"C:\\dir";
    EXPECT_EQ(inner + 2, RemoveLastSlash(inner));
    EXPECT_STREQ(L"C:\\dir", inner);

    wchar_t none[] = L"dir";
    EXPECT_EQ(nullptr, RemoveLastSlash(none));
}

TEST(PathStrings, NullTextIsRefused)
{
    EXPECT_EQ(-40, ReportedCode([] { AppendLastSlash(nullptr); }));
    EXPECT_EQ(-40, ReportedCode([] { RemoveLastSlash(nullptr); }));
    EXPECT_EQ(-40, ReportedCode([] { RemoveLastPathElement(nullptr); }));
    EXPECT_EQ(0, ReportedCode([] { StripToFileName(nullptr); }));
}

TEST(PathStrings, SplitAtLastBar)
{
    const struct {
        const wchar_t* text;
        const wchar_t* first;
        const wchar_t* second;
    } cases[] = {
        {L"a|b|c", L"a|b", L"c"},
        {L"abc", L"abc", L"abc"},
        {L"", L"", L""},
        {nullptr, L"", L""},
    };
    for (const auto& c : cases) {
        wchar_t first[16] = L"old";
        wchar_t second[16] = L"old";
        SplitAtLastBar(c.text, first, second);
        EXPECT_STREQ(c.first, first);
        EXPECT_STREQ(c.second, second);
    }
    wchar_t second[16] = {};
    SplitAtLastBar(L"x|y", nullptr, second);
    EXPECT_STREQ(L"y", second);
}

TEST(PathStrings, CreateGuidTextGivesANewBracedUppercaseGuid)
{
    wchar_t first[39] = {};
    wchar_t second[39] = {};
    CreateGuidText(first);
    CreateGuidText(second);
    ASSERT_EQ(38u, wcslen(first));
    EXPECT_EQ(L'{', first[0]);
    EXPECT_EQ(L'}', first[37]);
    for (const wchar_t* c = first; *c; ++c) {
        EXPECT_FALSE(iswlower(*c));
    }
    EXPECT_STRNE(first, second);
    CreateGuidText(nullptr);
}

TEST(PathStrings, UncPathsWithAndWithoutTheShell)
{
    for (bool shell : {true, false}) {
        auto hide = shell ? nullptr : new WithoutShellFunctions;
        EXPECT_TRUE(IsUncPath(L"\\\\srv\\share"));
        EXPECT_FALSE(IsUncPath(L"C:\\dir"));
        EXPECT_FALSE(IsUncPath(L"\\dir"));
        delete hide;
    }
}

TEST(PathStrings, EscapeUrlPathWithoutTheShell)
{
    WithoutShellFunctions noShell;
    const struct {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\My Dir\\a.txt", L"C:/My%20Dir/a.txt"}, {L"\\\\srv\\share\\a b", L"\\\\srv/share/a%20b"},
        {L"C:\\a#b", L"C:/a%23b"}, {L"C:\\a\tb", L"C:/a%09b"},
        // Characters outside the safe set go as their UTF-8 bytes.
        {L"C:\\\x20AC", L"C:/%e2%82%ac"}, {L"\\\\srv\\s\\\x3000", L"\\\\srv/s/%e3%80%80"},  // ideographic space
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, Edited(c.text, &EscapeUrlPath)) << c.text;
    }
}

TEST(PathStrings, EscapeUrlPathRefusesAResultThatDoesNotFit)
{
    WithoutShellFunctions noShell;
    std::wstring text = L"C:\\" + std::wstring(100, L' ');
    wchar_t buffer[kUrlPathUnits] = {};
    wcscpy(buffer, text.c_str());
    EXPECT_EQ(-41, ReportedCode([&] { EscapeUrlPath(buffer); }));
    EXPECT_EQ(text, buffer);
}

TEST(PathStrings, EscapeUrlPathThroughTheShell)
{
    EXPECT_EQ(L"C:/My%20Dir/a.txt", Edited(L"C:/My Dir/a.txt", &EscapeUrlPath));
}

TEST(PathStrings, IndexHelpers)
{
    const wchar_t* text = L"abc";
    EXPECT_EQ(text + 2, CharAt(text, 2));
    EXPECT_EQ(2u, ClampIndex(text, 2));
    EXPECT_EQ(3u, ClampIndex(text, 10));
}
