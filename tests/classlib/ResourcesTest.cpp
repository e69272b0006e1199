#include "CString.h"
#include "Resources.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace {

std::wstring Repeat(const wchar_t* prefix, int count)
{
    std::wstring text;
    wchar_t part[16];
    for (int i = 0; i < count; ++i) {
        swprintf(part, 16, L"%ls%03d-", prefix, i);
        text += part;
    }
    return text;
}

// Loads the test's language module and makes it the resource module for one test.
class ResourceChain : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = ::LoadLibraryExW(
            (testsupport::ModuleDir() + L"\\classlib_test_lang.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, m_module) << ::GetLastError();
    }
    void TearDown() override
    {
        AfxSetResourceHandle(nullptr);
        if (m_module) {
            ::FreeLibrary(m_module);
        }
    }
    HMODULE m_module = nullptr;
};

TEST(Resources, HandlesDefaultToTheProgram)
{
    EXPECT_EQ(::GetModuleHandleW(nullptr), AfxGetInstanceHandle());
    EXPECT_EQ(AfxGetInstanceHandle(), AfxGetResourceHandle());
}

TEST(Resources, ProgramStrings)
{
    CString s(L"unchanged");
    EXPECT_TRUE(s.LoadString(100));
    EXPECT_EQ(L"Program text", s);
    EXPECT_TRUE(s.LoadString(102));  // longer than any fixed buffer
    EXPECT_EQ(Repeat(L"P", 120).c_str(), s);
    EXPECT_EQ(600, s.GetLength());

    s = L"unchanged";
    EXPECT_FALSE(s.LoadString(104));  // only in the language module
    EXPECT_FALSE(s.LoadString(9999));
    EXPECT_EQ(L"unchanged", s);

    s.FormatMessage(103u, L"first", 2);
    EXPECT_EQ(L"Program first then 2", s);
    s.FormatMessage(9999u, L"x");
    EXPECT_EQ(L"", s);
}

TEST_F(ResourceChain, LanguageModuleWinsThenTheProgram)
{
    AfxSetResourceHandle(m_module);
    EXPECT_EQ(m_module, AfxGetResourceHandle());
    EXPECT_EQ(::GetModuleHandleW(nullptr), AfxGetInstanceHandle());

    CString s;
    EXPECT_TRUE(s.LoadString(100));
    EXPECT_EQ(L"Language text", s);
    EXPECT_TRUE(s.LoadString(101));  // missing in the module: the program's copy
    EXPECT_EQ(L"Only in the program", s);
    EXPECT_TRUE(s.LoadString(104));
    EXPECT_EQ(Repeat(L"L", 100).c_str(), s);
    EXPECT_FALSE(s.LoadString(9999));

    s.FormatMessage(103u, L"first", 2);
    EXPECT_EQ(L"Language 2 before first", s);

    AfxSetResourceHandle(AfxGetInstanceHandle());
    EXPECT_TRUE(s.LoadString(100));
    EXPECT_EQ(L"Program text", s);
}

// A corrupt string table never leads a read outside the block or the module: the strings it
// cannot hold are missing, whether the module is loaded as an image or as a data file.
TEST(Resources, CorruptStringBlocksAreReadInsideTheirBounds)
{
    using testsupport::RawStringBlock;
    testsupport::TempDir dir;
    const std::wstring good = testsupport::ModuleDir() + L"\\classlib_test_lang.dll";
    const DWORD image = testsupport::ImageSizeOf(good);
    ASSERT_NE(0u, image);
    // Block 7 holds the strings 96 to 111; 100 is its fifth entry.
    const struct {
        const wchar_t* name;
        std::string raw;  // the block's new bytes; empty: its entry is moved to rva/size
        DWORD rva;
        DWORD size;
        bool found;  // string 100 is read ("ok")
    } cases[] = {
        {L"fine", RawStringBlock({{0, L""}, {0, L""}, {0, L""}, {0, L""}, {2, L"ok"}}), 0, 0, true},
        {L"a length past the end", RawStringBlock({{0, L""}, {0, L""}, {0, L""}, {0, L""}, {40000, L"ok"}}), 0, 0,
            false},
        {L"an earlier length past the end", RawStringBlock({{0, L""}, {60000, L"x"}, {0, L""}, {0, L""}, {2, L"ok"}}),
            0, 0, false},
        {L"a block that ends before the entry", RawStringBlock({{0, L""}, {0, L""}, {0, L""}}), 0, 0, false},
        {L"half a count", std::string(9, '\0'), 0, 0, false},
        {L"data outside the image", "", image + 0x10000, 64, false},
        {L"data running past the image", "", image - 16, 0x100000, false},
    };
    int made = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.name, c.name + wcslen(c.name)));
        const std::wstring copy = dir.File(L"corrupt" + std::to_wstring(++made) + L".dll");
        ASSERT_TRUE(c.raw.empty() ? testsupport::CopyWithStringBlockAt(good, copy, 7, c.rva, c.size)
                                  : testsupport::CopyWithRawStringBlock(good, copy, 7, c.raw));
        int loaded = 0;
        for (DWORD flags : {0ul, static_cast<unsigned long>(LOAD_LIBRARY_AS_DATAFILE)}) {
            HMODULE module = ::LoadLibraryExW(copy.c_str(), nullptr, flags);
            if (!module)
                continue;  // refused by the loader: nothing to read
            ++loaded;
            const wchar_t* text = nullptr;
            int length = 0;
            const bool found = FindStringResource(module, 100, text, length);
            const DWORD error = ::GetLastError();
            EXPECT_EQ(c.found, found) << flags;
            if (found)
                EXPECT_EQ(L"ok", std::wstring(text, length));
            else
                EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), error);
            ::FreeLibrary(module);
        }
        EXPECT_LT(0, loaded);
    }
}

}  // namespace
