// The message-table reader on tables of our own (ANSI and UTF-16 texts), and the text of a
// structured exception from ntdll.dll.
#include "MessageTableReader.h"
#include "SEH_Exception.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

HMODULE LoadTestModule(const wchar_t* name)
{
    return ::LoadLibraryW((testsupport::ModuleDir() + L"\\" + name).c_str());
}

const wchar_t* const kTableModules[] = {L"errors_test_messages_ansi.dll", L"errors_test_messages_unicode.dll"};

const struct {
    DWORD id;
    DWORD result;
    const wchar_t* text;
} kLookups[] = {
    {100, ERROR_SUCCESS, L"First message.\n"},  // the block's LowId
    {101, ERROR_SUCCESS, L"Second message.\n"},
    {102, ERROR_SUCCESS, L"Third message of the first block.\n"},  // its HighId
    {200, ERROR_SUCCESS, L"Other block.\n"},                       // the second block
    {99, ERROR_RESOURCE_NAME_NOT_FOUND, L"untouched"},
    {150, ERROR_RESOURCE_NAME_NOT_FOUND, L"untouched"},
    {201, ERROR_RESOURCE_NAME_NOT_FOUND, L"untouched"},
};

}  // namespace

TEST(MessageTableTest, LooksUpMessagesByBlockAndEntry)
{
    for (const wchar_t* moduleName : kTableModules) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(moduleName)));
        HMODULE module = LoadTestModule(moduleName);
        ASSERT_NE(nullptr, module);
        CMessageTableReader reader(module, 0);
        for (const auto& lookup : kLookups) {
            SCOPED_TRACE(lookup.id);
            wchar_t buffer[64] = L"untouched";
            DWORD size = 64;
            EXPECT_EQ(lookup.result, reader.GetMessage(lookup.id, buffer, size));
            EXPECT_STREQ(lookup.text, buffer);
            if (lookup.result == ERROR_SUCCESS) {
                EXPECT_GE(size, std::wcslen(lookup.text) + 1);  // terminator and padding included
                EXPECT_LE(size, std::wcslen(lookup.text) + 4);
            } else {
                EXPECT_EQ(64u, size);
            }
        }
        ::FreeLibrary(module);
    }
}

TEST(MessageTableTest, TextTooLongForTheBufferIsCutAndTerminated)
{
    for (const wchar_t* moduleName : kTableModules) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(moduleName)));
        HMODULE module = LoadTestModule(moduleName);
        ASSERT_NE(nullptr, module);
        CMessageTableReader reader(module, 0);

        wchar_t buffer[8] = L"xxxxxxx";
        DWORD size = 6;
        EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), reader.GetMessage(100, buffer, size));
        EXPECT_STREQ(L"First", buffer);
        EXPECT_GE(size, 16u);  // room for the whole text

        DWORD needed = 0;
        EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), reader.GetMessage(100, nullptr, needed));
        EXPECT_GE(needed, 16u);
        ::FreeLibrary(module);
    }
}

TEST(MessageTableTest, ModuleWithoutTable)
{
    HMODULE module = LoadTestModule(L"errors_test_lang.dll");
    ASSERT_NE(nullptr, module);
    CMessageTableReader reader(module, 0);
    wchar_t buffer[16] = L"untouched";
    DWORD size = 16;
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND), reader.GetMessage(100, buffer, size));
    EXPECT_STREQ(L"untouched", buffer);
    EXPECT_EQ(16u, size);
    ::FreeLibrary(module);
}

TEST(MessageTableTest, StructuredExceptionTextComesFromNtdll)
{
    SEH_Exception error(EXCEPTION_ACCESS_VIOLATION, nullptr);
    wchar_t buffer[256] = L"untouched";
    DWORD length = error.GetMessage(buffer, 256);

    CMessageTableReader ntdll(::GetModuleHandleW(L"ntdll.dll"), 0);
    wchar_t probe[256] = {};
    DWORD probeSize = 256;
    if (ntdll.GetMessage(EXCEPTION_ACCESS_VIOLATION, probe, probeSize) == ERROR_SUCCESS) {
        EXPECT_STREQ(probe, buffer);  // a system with the table
    } else {
        // No text for the code (Wine's ntdll.dll has no table): the caller's buffer and size.
        EXPECT_STREQ(L"untouched", buffer);
        EXPECT_EQ(256u, length);
    }
}
