// Language ids, code pages and text conversion of the support library.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "LanguageHelpers.h"
#include "OrbelOutput.h"
#include "ScopedOverride.h"
#include "StringBuffer.h"
#include "TextConversion.h"

using namespace OrbelToolbox;

namespace {

LANGID g_fakeUserLanguage = 0;

LANGID WINAPI FakeUserDefaultLangId()
{
    return g_fakeUserLanguage;
}

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

}  // namespace

TEST(UserDefaultLanguage, FoldsChineseVariantsOntoTheTwoSupported)
{
    const struct {
        LANGID read;
        LANGID expected;
    } cases[] = {
        {0x0C04, 0x0404},
        {0x1404, 0x0404},
        {0x1004, 0x0804},
        {0x0404, 0x0404},
        {0x0804, 0x0804},
        {0x0409, 0x0409},
        {0x0411, 0x0411},
    };
    ScopedOverride userLanguage(g_getUserDefaultLangId, &FakeUserDefaultLangId);
    for (const auto& c : cases) {
        g_fakeUserLanguage = c.read;
        EXPECT_EQ(c.expected, GetUserDefaultLanguage()) << std::hex << c.read;
    }
}

TEST(UserDefaultLanguage, ReadsTheUsersLanguage)
{
    EXPECT_EQ(GetUserDefaultLangID(), GetUserDefaultLanguage());
}

TEST(SentenceTerminator, GivesTheDoubleByteFullStopOfTheChineseLanguages)
{
    wchar_t out[10];
    GetSentenceTerminator(0x0804, out);
    EXPECT_EQ(std::wstring(L"\x00A1\x00A3"), out);
    GetSentenceTerminator(0x0404, out);
    EXPECT_EQ(std::wstring(L"\x00A1\x0043"), out);
    GetSentenceTerminator(0x0411, out);
    EXPECT_EQ(std::wstring(), out);
}

TEST(AnsiCodePage, OfLanguagesAndLocales)
{
    const struct {
        LANGID language;
        UINT expected;
    } cases[] = {
        {0x0409, 1252},
        {0x0411, 932},
        {0x0419, 1251},
        {0x0804, 936},
        {0x0404, 950},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, GetAnsiCodePage(c.language)) << std::hex << c.language;
        EXPECT_EQ(c.expected, GetAnsiCodePage(static_cast<LCID>(MAKELCID(c.language, SORT_DEFAULT))));
        EXPECT_EQ(c.expected, GetCodePageForLanguage(c.language));
    }
    EXPECT_EQ(0u, GetAnsiCodePage(static_cast<LCID>(0x12345678)));
}

TEST(AnsiCodePage, UnknownLanguageIsReportedByTheCodePageLookup)
{
    EXPECT_EQ(0u, GetAnsiCodePage(static_cast<LANGID>(0x7FFF)));
    EXPECT_EQ(-13, ReportedCode([] { GetCodePageForLanguage(0x7FFF); }));
    EXPECT_EQ(0, OrbelOutput::GetErrorCode());  // the report ended with its exception
}

TEST(TextConversion, IntoOwningBuffers)
{
    NarrowBuffer none(nullptr, CP_ACP);
    EXPECT_EQ(nullptr, none.Get());

    NarrowBuffer empty(L"", 1252);
    ASSERT_NE(nullptr, empty.Get());
    EXPECT_EQ('\0', empty.Get()[0]);

    NarrowBuffer japanese(L"\x65E5\x672C", 932);
    EXPECT_EQ(std::string("\x93\xFA\x96\x7B"), japanese.Get());

    WideBuffer back(japanese.Get(), 932);
    EXPECT_EQ(std::wstring(L"\x65E5\x672C"), back.Get());

    WideBuffer wideNone(nullptr, CP_ACP);
    EXPECT_EQ(nullptr, wideNone.Get());
}

TEST(TextConversion, IntoStandardStrings)
{
    std::string narrow = "old";
    WideToMultiByte(L"caf\x00E9", narrow, 1252);
    EXPECT_EQ(std::string("caf\xE9"), narrow);
    EXPECT_EQ(4u, narrow.size());

    std::wstring wide = L"old";
    MultiByteToWide("caf\xE9", wide, 1252);
    EXPECT_EQ(std::wstring(L"caf\x00E9"), wide);

    WideToMultiByte(nullptr, narrow, 1252);
    EXPECT_TRUE(narrow.empty());
    MultiByteToWide("", wide, 1252);
    EXPECT_TRUE(wide.empty());
}

TEST(TextConversion, UnknownCodePageIsReportedAsAWindowsError)
{
    const UINT unknown = 12345;
    EXPECT_EQ(-12, ReportedCode([&] { NarrowBuffer out(L"abc", unknown); }));
    EXPECT_EQ(-12, ReportedCode([&] { WideBuffer out("abc", unknown); }));
    std::string narrow = "kept?";
    EXPECT_EQ(-12, ReportedCode([&] { WideToMultiByte(L"abc", narrow, unknown); }));
    EXPECT_TRUE(narrow.empty());
    std::wstring wide;
    EXPECT_EQ(-12, ReportedCode([&] { MultiByteToWide("abc", wide, unknown); }));
}

TEST(StringBuffers, SetStringLengthEndsAtTheFirstNulOrTheGivenLength)
{
    const struct {
        const char* written;
        size_t room;
        int length;
        const char* expected;
    } cases[] = {
        {"abc", 8, -1, "abc"},
        {"abcdefgh", 8, -1, "abcdefg"},  // no NUL: at most room - 1
        {"abcdef", 8, 3, "abc"},
        {"abcdef", 8, 20, "abcdef\0\0"},  // at most the room
        {"", 0, -1, ""},
    };
    for (const auto& c : cases) {
        std::string text(c.room, '\0');
        memcpy(&text[0], c.written, strlen(c.written) < c.room ? strlen(c.written) : c.room);
        SetStringLength(text, c.length);
        size_t expectedLength = c.length > static_cast<int>(c.room) ? c.room : strlen(c.expected);
        EXPECT_EQ(std::string(c.expected, expectedLength), text) << c.written << " " << c.length;
    }
    std::wstring wide(5, L'x');
    wide[2] = L'\0';
    SetStringLength(wide, -1);
    EXPECT_EQ(std::wstring(L"xx"), wide);
}

TEST(StringBuffers, WStringBufferTakesWhatTheWriterWrote)
{
    std::wstring text = L"previous";
    {
        WStringBuffer buffer(text, 100);
        ASSERT_GE(buffer.Count(), 100u);
        wcscpy(buffer, L"written");
    }
    EXPECT_EQ(std::wstring(L"written"), text);
}
