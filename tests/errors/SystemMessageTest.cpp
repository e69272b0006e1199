// System messages with inserts: filled with the given text, or dropped with the blank before
// them; never left as "%1".
#include "SystemMessage.h"

#include <gtest/gtest.h>

#include "CStringText.h"

TEST(SystemMessage, InsertsAreFilledOrDropped)
{
    const struct {
        const wchar_t* text;
        const wchar_t* insert;
        const wchar_t* expected;
    } cases[] = {
        {L"Bad EXE format for %1.", L"C:\\tools\\post.txt", L"Bad EXE format for C:\\tools\\post.txt."},
        {L"Bad EXE format for %1.", nullptr, L"Bad EXE format for."},
        {L"%1 is not a valid application.", L"x.exe", L"x.exe is not a valid application."},
        {L"%1 is not a valid application.", nullptr, L"is not a valid application."},
        {L"Copy %1 to %2!s! now", L"f", L"Copy f to f now"},
        {L"Item %12 of %3", nullptr, L"Item of"},
        {L"100%% done, %0 kept", L"v", L"100%% done, %0 kept"},
        {L"Ends with %", L"v", L"Ends with %"},
        {L"No inserts.", L"v", L"No inserts."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::wstring(c.expected), testsupport::Text(FillMessageInserts(c.text, c.insert))) << c.text;
    }
}

// The system's text for a program that is no program names the program.
TEST(SystemMessage, SystemTextGetsTheInsert)
{
    const CString text = SystemMessageText(ERROR_BAD_EXE_FORMAT, 0, 0, L"C:\\tools\\post.txt");
    ASSERT_FALSE(text.IsEmpty());
    EXPECT_EQ(-1, text.Find(L"%1")) << testsupport::Text(text);
    EXPECT_EQ(-1, SystemMessageText(ERROR_BAD_EXE_FORMAT).Find(L"%1"));
    // Cut after filling.
    EXPECT_EQ(5, SystemMessageText(ERROR_BAD_EXE_FORMAT, 0, 5, L"C:\\tools\\post.txt").GetLength());
}
