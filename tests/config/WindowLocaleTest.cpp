// Dialog units, dialog templates, top-level windows, flashing, language names and C run-time
// locale names.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "LocaleNames.h"
#include "PlatformChecks.h"
#include "Resources.h"
#include "ScopedOverride.h"
#include "WindowHelpers.h"

namespace {

const UINT kTemplateId = 100;  // the test program's own dialog template

INT_PTR CALLBACK EmptyDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// A modeless dialog from the test program's template, destroyed at scope end.
class TestDialog {
public:
    TestDialog()
    {
        HGLOBAL resource = LoadDialogResourceFrom(GetModuleHandleW(nullptr), kTemplateId);
        if (resource != nullptr) {
            m_hwnd = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                static_cast<LPCDLGTEMPLATEW>(LockResource(resource)), nullptr, &EmptyDialogProc, 0);
        }
    }
    ~TestDialog()
    {
        if (m_hwnd != nullptr) {
            DestroyWindow(m_hwnd);
        }
    }
    HWND Get() const { return m_hwnd; }

private:
    HWND m_hwnd = nullptr;
};

FLASHWINFO g_flash;
int g_flashCalls = 0;

BOOL WINAPI RecordFlashWindowEx(PFLASHWINFO info)
{
    g_flash = *info;
    ++g_flashCalls;
    return TRUE;
}

bool g_withoutFlashWindowEx = false;

FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR name)
{
    if (strcmp(name, "FlashWindowEx") == 0) {
        return g_withoutFlashWindowEx ? nullptr
                                      : reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RecordFlashWindowEx));
    }
    return ::GetProcAddress(module, name);
}

}  // namespace

TEST(DialogResources, LoadsTemplatesOfAModuleAndOfTheResourceModule)
{
    HMODULE self = GetModuleHandleW(nullptr);
    EXPECT_NE(nullptr, LoadDialogResourceFrom(self, kTemplateId));
    EXPECT_EQ(nullptr, LoadDialogResourceFrom(self, kTemplateId + 1));
    EXPECT_NE(nullptr, LoadDialogResourceFromByName(self, MAKEINTRESOURCEW(kTemplateId)));
    EXPECT_EQ(nullptr, LoadDialogResourceFromByName(self, L"NOSUCHDIALOG"));
    EXPECT_NE(nullptr, LoadDialogResourceById(kTemplateId));  // the program is the resource module
    EXPECT_EQ(nullptr, LoadDialogResourceByName(L"NOSUCHDIALOG"));
}

TEST(DialogUnits, PixelsToDialogUnits)
{
    TestDialog dialog;
    ASSERT_NE(nullptr, dialog.Get());
    RECT thousand = {0, 0, 1000, 1000};
    ASSERT_TRUE(MapDialogRect(dialog.Get(), &thousand));

    RECT rect = {0, 0, thousand.right, thousand.bottom};
    EXPECT_TRUE(PixelsToDialogUnits(dialog.Get(), rect));
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(1000, rect.right);
    EXPECT_EQ(1000, rect.bottom);

    rect = {thousand.right / 2, thousand.bottom / 4, thousand.right, thousand.bottom};
    EXPECT_TRUE(PixelsToDialogUnits(dialog.Get(), rect));
    EXPECT_NEAR(500, rect.left, 1);
    EXPECT_NEAR(250, rect.top, 1);

    RECT unchanged = {1, 2, 3, 4};
    EXPECT_FALSE(PixelsToDialogUnits(nullptr, unchanged));
    EXPECT_EQ(3, unchanged.right);
}

TEST(Windows, TopLevelWindowAndFlashing)
{
    TestDialog dialog;
    ASSERT_NE(nullptr, dialog.Get());
    HWND button = GetDlgItem(dialog.Get(), 1);
    ASSERT_NE(nullptr, button);
    EXPECT_EQ(dialog.Get(), GetTopLevelWindow(button));
    EXPECT_EQ(dialog.Get(), GetTopLevelWindow(dialog.Get()));

    ScopedOverride findFunction(g_platformApi.GetProcAddress, &FakeGetProcAddress);
    g_flashCalls = 0;
    FlashWindowTimes(dialog.Get(), 3);
    EXPECT_EQ(1, g_flashCalls);
    EXPECT_EQ(sizeof(FLASHWINFO), g_flash.cbSize);
    EXPECT_EQ(dialog.Get(), g_flash.hwnd);
    EXPECT_EQ(static_cast<DWORD>(FLASHW_ALL), g_flash.dwFlags);
    EXPECT_EQ(3u, g_flash.uCount);
    EXPECT_EQ(0u, g_flash.dwTimeout);

    g_withoutFlashWindowEx = true;
    FlashWindowTimes(dialog.Get(), 3);  // FlashWindow once instead
    EXPECT_EQ(1, g_flashCalls);
    g_withoutFlashWindowEx = false;
}

TEST(LanguageNames, OnlyExactIdsOfTheTableHaveAName)
{
    const struct {
        LANGID language;
        UINT expected;
    } cases[] = {
        {0x07, 166},
        {0x09, 168},
        {0x0C, 170},
        {0x11, 177},
        {0x12, 180},
        {0x13, 187},
        {0x0404, 184},
        {0x0804, 185},
        {0x0407, 0},
        {0x0409, 0},
        {0x0417, 0},
        {0x0C04, 0},
        {0x04, 0},
        {0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, GetLanguageNameStringId(c.language)) << std::hex << c.language;
    }
}

TEST(LanguageNames, LocalesAreNamedByPrimaryLanguageExceptTheChineseVariants)
{
    const struct {
        LCID locale;
        UINT expected;
    } cases[] = {
        {0x0407, 166}, {0x0C07, 166}, {0x0409, 168}, {0x0809, 168}, {0x040C, 170}, {0x0411, 177}, {0x0412, 180},
        {0x0413, 187}, {0x0813, 187}, {0x0417, 0},  // Romansh: its low four bits are German's 7, its name is not
        {0x0419, 0}, {0x0404, 184}, {0x0804, 185}, {0x0C04, 0}, {0x1004, 0},
        {0x00010407, 166},  // an alternative sort of the same language
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, GetLocaleLanguageNameStringId(c.locale)) << std::hex << c.locale;
    }
}

TEST(CrtLocaleName, NamesLanguageCountryAndFourDigitCodePage)
{
    EXPECT_STREQ(L"English_United States.1252", GetCrtLocaleName(0x0409).GetString());
    EXPECT_STREQ(L"Japanese_Japan.0932", GetCrtLocaleName(0x0411).GetString());
}
