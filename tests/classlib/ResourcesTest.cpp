#include "CString.h"
#include "Resources.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

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
        m_module = ::LoadLibraryExW((testsupport::ModuleDir() + L"\\classlib_test_lang.dll").c_str(),
                                    nullptr, LOAD_LIBRARY_AS_DATAFILE);
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

}  // namespace
