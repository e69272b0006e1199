// String-table blocks read in an exact language, changed and written back to a module file.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "StringTable.h"
#include "TestSupport.h"
#include "ToolboxReports.h"

using namespace OrbelToolbox;
using toolboxtest::ReportedCode;

namespace {

std::wstring ModulePath()
{
    return testsupport::ModuleDir() + L"\\toolbox_strings.dll";
}

// The string through the size protocol: length first, then the text.
std::wstring ReadString(const wchar_t* moduleFile, UINT id, LANGID language)
{
    UINT size = 0;
    LoadStringFromResource(moduleFile, id, nullptr, &size, language);
    std::wstring text(size, L'\0');
    LoadStringFromResource(moduleFile, id, &text[0], &size, language);
    text.resize(size - 1);
    return text;
}

class DataModule {
public:
    explicit DataModule(const std::wstring& file)
        : m_module(LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
    {
    }
    ~DataModule() { FreeLibrary(m_module); }
    HMODULE Get() const { return m_module; }

private:
    HMODULE m_module;
};

}  // namespace

TEST(StringTable, ReadsAStringInTheExactLanguage)
{
    const std::wstring module = ModulePath();
    EXPECT_EQ(L"seventeen", ReadString(module.c_str(), 17, 0x0409));
    EXPECT_EQ(L"seventeen", ReadString(module.c_str(), 17, 9));  // a bare primary language is completed
    EXPECT_EQ(L"siebzehn", ReadString(module.c_str(), 17, 7));
    EXPECT_EQ(L"", ReadString(module.c_str(), 18, 0x0409));
    EXPECT_EQ(-12, ReportedCode([&] { ReadString(module.c_str(), 17, 0x040C); }));
    EXPECT_EQ(-12, ReportedCode([&] { ReadString(module.c_str(), 100, 0x0409); }));
    EXPECT_EQ(-12, ReportedCode([&] { ReadString(L"C:\\no\\such.dll", 17, 0x0409); }));
    UINT* noSize = nullptr;
    EXPECT_EQ(-30, ReportedCode([&] { LoadStringFromResource(module.c_str(), 17, nullptr, noSize, 0x0409); }));
}

TEST(StringTable, BlockSizesAndTheSizeProtocol)
{
    DataModule module(ModulePath());
    ASSERT_NE(nullptr, module.Get());
    StringBlock* block = LoadStringBlock(module.Get(), StringBlockNumber(17), 0x0409);
    EXPECT_EQ(2u, block->blockNumber);
    EXPECT_EQ(0x0409, block->language);
    EXPECT_STREQ(L"seventeen", block->strings[StringBlockIndex(17)]);

    wchar_t buffer[16] = L"untouched";
    UINT size = 0;
    GetString(block, StringBlockIndex(20), buffer, &size);  // "hello"
    EXPECT_EQ(6u, size);
    EXPECT_STREQ(L"untouched", buffer);
    GetString(block, StringBlockIndex(20), buffer, &size);
    EXPECT_STREQ(L"hello", buffer);
    EXPECT_EQ(6u, size);

    for (UINT i = 0; i < kStringsPerBlock; ++i) {
        SetString(block, i, L"");
    }
    EXPECT_EQ(32u, GetStringBlockSize(block));

    EXPECT_EQ(-30, ReportedCode([&] { SetString(block, 16, L"x"); }));
    EXPECT_EQ(-30, ReportedCode([&] { GetString(block, 16, buffer, &size); }));
    EXPECT_EQ(-30, ReportedCode([&] { GetString(block, 0, buffer, nullptr); }));
    EXPECT_EQ(-40, ReportedCode([&] { GetString(nullptr, 0, buffer, &size); }));
    EXPECT_EQ(-40, ReportedCode([&] { DeleteStringBlock(nullptr); }));
    DeleteStringBlock(block);
}

TEST(StringTable, ReplacesAStringOfAModuleFile)
{
    testsupport::TempDir dir;
    const std::wstring copy = dir.File(L"strings.dll");
    ASSERT_TRUE(CopyFileW(ModulePath().c_str(), copy.c_str(), FALSE));

    UpdateResourceString(copy.c_str(), 17, L"a much longer seventeenth string", 0x0409);
    EXPECT_EQ(L"a much longer seventeenth string", ReadString(copy.c_str(), 17, 0x0409));
    EXPECT_EQ(L"sixteen", ReadString(copy.c_str(), 16, 0x0409));
    EXPECT_EQ(L"hello", ReadString(copy.c_str(), 20, 0x0409));
    EXPECT_EQ(L"siebzehn", ReadString(copy.c_str(), 17, 0x0407));

    // A block the module does not have in that language cannot be added this way.
    EXPECT_EQ(-12, ReportedCode([&] { UpdateResourceString(copy.c_str(), 17, L"x", 0x040C); }));
    EXPECT_EQ(-30, ReportedCode([&] { UpdateResourceString(copy.c_str(), 17, nullptr, 0x0409); }));
}

TEST(StringTable, AReadOnlyModuleIsRefusedAndLeftAsItIs)
{
    testsupport::TempDir dir;
    const std::wstring copy = dir.File(L"strings.dll");
    ASSERT_TRUE(CopyFileW(ModulePath().c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string before = testsupport::ReadFileBytes(copy);

    EXPECT_EQ(-33, ReportedCode([&] { UpdateResourceString(copy.c_str(), 17, L"changed", 0x0409); }));
    EXPECT_EQ(before, testsupport::ReadFileBytes(copy));
    SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Both readers keep to the block's bounds: the quiet one answers false, the block loader reports
// the damage; string 33 is the second entry of block 3.
TEST(StringTable, DamagedBlocksAreReadInsideTheirBounds)
{
    using testsupport::RawStringBlock;
    testsupport::TempDir dir;
    const struct {
        const char* name;
        std::string raw;
        const wchar_t* text;  // null: not found
        bool damaged;
    } cases[] = {
        {"fine", RawStringBlock({{0, L""}, {2, L"ok"}}), L"ok", false},
        {"a length past the end", RawStringBlock({{0, L""}, {40000, L"ok"}}), nullptr, true},
        {"an earlier length past the end", RawStringBlock({{60000, L"x"}, {2, L"ok"}}), nullptr, true},
        {"a block that ends before the entry", RawStringBlock({{0, L""}}), nullptr, false},
        {"half a count", std::string(3, '\0'), nullptr, false},
    };
    int made = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring copy = dir.File(L"damaged" + std::to_wstring(++made) + L".dll");
        ASSERT_TRUE(testsupport::CopyWithRawStringBlock(ModulePath(), copy, 3, c.raw));
        DataModule module(copy);
        ASSERT_NE(nullptr, module.Get());
        std::wstring text;
        EXPECT_EQ(c.text != nullptr, FindTableString(module.Get(), 33, LANG_NEUTRAL, text));
        if (c.text) {
            EXPECT_EQ(c.text, text);
        }
        EXPECT_EQ(c.damaged ? -12 : 0, ReportedCode([&] {
            DeleteStringBlock(LoadStringBlock(module.Get(), StringBlockNumber(33), LANG_NEUTRAL));
        }));
    }
}
