// The page records: one per registered page, shown flags, bitmaps, configured texts, and the
// welcome, user-information and destination-folder settings.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CStringText.h"
#include "DialogInfo.h"
#include "InstallerErrors.h"
#include "PagesTestSupport.h"
#include "PlatformApi.h"
#include "ScopedOverride.h"
#include "SingleDirectoryDialogInfo.h"
#include "UserInfoDialogInfo.h"
#include "WelcomeDialogInfo.h"

using pagestest::Narrow;
using pagestest::PagesFixture;
using pagestest::RectText;
using pagestest::SameRect;
using testsupport::Text;

namespace {

using DialogInfo = CConfigInfo::DialogInfo;

TEST(ParseRectangle, ReadsUpToFourNumbersAndKeepsTheRest)
{
    struct Case {
        const wchar_t* text;
        RECT expected;
        const wchar_t* rest;
    };
    const Case cases[] = {
        {L"10,20,30,40", {10, 20, 30, 40}, L""},
        {L"10,20", {10, 20, -3, -4}, L""},
        {L"1,2,3,4,5", {1, 2, 3, 4}, L"5"},
        {L"7,8 ;static", {7, 8, -3, -4}, L";static"},
        {L"-5,6", {-1, -2, -3, -4}, L"-5,6"},
        {L"5, 6", {5, -2, -3, -4}, L"6"},
        {L"", {-1, -2, -3, -4}, L""},
    };
    for (const Case& c : cases) {
        RECT rect = {-1, -2, -3, -4};
        const wchar_t* end = nullptr;
        ParseRectangle(c.text, rect, &end);
        EXPECT_TRUE(SameRect(c.expected, rect)) << Narrow(c.text) << ": " << RectText(rect);
        EXPECT_STREQ(c.rest, end) << Narrow(c.text);
    }
}

TEST(PageRecords, EveryRegisteredPageGetsItsRecordAndShownFlag)
{
    PagesFixture pages;
    EXPECT_EQ(L"",
        pages.Populate("[Dialogs]\r\nWelcome=0\r\nFeatureTree=0\r\nProgress=2\r\n"
                       "License=0\r\nLicense2=0\r\n"));
    struct Row {
        int state;
        const wchar_t* name;
        bool shown;
    };
    const Row rows[] = {
        {1, L"Welcome", true},
        {2, L"UserInfo", true},
        {3, L"FeatureInfo1", true},
        {4, L"SingleDirectory", true},
        {5, L"InstallationType", true},
        {6, L"FeatureTree", false},
        {7, L"FeatureInfo", true},
        {8, L"License", false},
        {9, L"License2", false},
        {10, L"ConfirmStart", true},
        {11, L"Progress", true},
        {12, L"EndExecute", true},
        {13, L"End", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        DialogInfo* record = pages.Page<DialogInfo>(row.state);
        ASSERT_NE(nullptr, record);
        EXPECT_EQ(row.name, Text(record->GetPageName()));
        EXPECT_EQ(std::wstring(row.name) + L"Dialog", Text(record->GetSectionName()));
        EXPECT_EQ(row.shown, record->IsShown());
        EXPECT_EQ(row.shown, pages.Config().IsDialogShown(row.state));
        EXPECT_EQ(1, record->GetGraphicCount());
    }
    EXPECT_NE(nullptr, pages.Page<CConfigInfo::WelcomeDialogInfo>(1));
    EXPECT_NE(nullptr, pages.Page<CConfigInfo::UserInfoDialogInfo>(2));
    EXPECT_NE(nullptr, pages.Page<CConfigInfo::SingleDirectoryDialogInfo>(4));
    EXPECT_FALSE(pages.Config().IsDialogShown(0));
    EXPECT_FALSE(pages.Config().IsDialogShown(14));
}

TEST(PageRecords, BadEntriesOfAllPagesComeInOneList)
{
    PagesFixture pages;
    // The user-information page is not shown: its empty property is not read.
    const std::wstring list = pages.Populate("[Dialogs]\r\nUserInfo=0\r\nLicense2=0\r\n"
                                             "[Graphics]\r\nFullScreen=301, missing\r\nTopBar=BANNER,302\r\n"
                                             "[UserInfoDialog]\r\nRegUserProp=\r\n"
                                             "[SingleDirectoryDialog]\r\nDir1EditLabel=999\r\n");
    EXPECT_EQ(L"1. Specified resource not found: [Graphics] FullScreen = 301, missing\r\n"
              L"2. Specified resource not found: [SingleDirectoryDialog] Dir1EditLabel\r\n"
              L"3. Missing Key: [Files] LicenseTextFile\r\n",
        list);
    // The records stay as far as they were read.
    const DialogGraphicInfo* graphic = pages.Page<DialogInfo>(2)->GetGraphicInfo(0);
    ASSERT_EQ(2u, graphic->GetCandidates().size());
    EXPECT_EQ(L"BANNER", std::wstring(graphic->GetCandidates()[0].Get()));
    EXPECT_EQ(302u, graphic->GetCandidates()[1].GetId());
    EXPECT_EQ(pages.CustomModule(), graphic->GetModule());
}

TEST(PageRecords, RecordsOfAPageStateOutsideTheSlotsAreRefused)
{
    PagesFixture pages;
    pages.wizard.pages[14] = {L"Extra", pages.wizard.pages[1].factory};
    pages.Configure("[Dialogs]\r\nLicense=0\r\nLicense2=0\r\n");
    EXPECT_THROW(pages.Config().PopulateDialogInfo(), ValueOutOfRange);
}

TEST(PageRecords, GraphicPlacementOfWelcomeAndOtherPages)
{
    PagesFixture pages;
    EXPECT_EQ(L"", pages.Populate("[Dialogs]\r\nLicense=0\r\nLicense2=0\r\n[Graphics]\r\nTopBar=\r\n"));
    const DialogGraphicInfo* full = pages.Page<DialogInfo>(1)->GetGraphicInfo(0);
    EXPECT_TRUE(SameRect(RECT{0, 0, 0, 0}, full->GetTarget()));
    EXPECT_EQ(1, full->GetAnchors().left);
    EXPECT_EQ(2, full->GetAnchors().right);
    EXPECT_EQ(3, full->GetAnchors().top);
    EXPECT_EQ(4, full->GetAnchors().bottom);
    const DialogGraphicInfo* bar = pages.Page<DialogInfo>(13)->GetGraphicInfo(0);
    EXPECT_TRUE(SameRect(RECT{0, 0, 0, 36}, bar->GetTarget()));
    EXPECT_EQ(0, bar->GetAnchors().bottom);
    EXPECT_TRUE(bar->GetCandidates().empty());
    EXPECT_EQ(nullptr, pages.Page<DialogInfo>(13)->GetGraphicInfo(1));
}

// --- Choosing the bitmap ----------------------------------------------------------------------

// Dialog units are pixels here, so that targets can be compared with bitmap sizes.
class PixelWizard : public testsupport::StandInWizardServices {
public:
    void MapScaledDialogRect(HWND, RECT&) override { }
};

int g_displayBits = 24;
int FakeDisplayBits(HWND)
{
    return g_displayBits;
}

class GraphicTest : public ::testing::Test {
protected:
    GraphicTest()
    {
        m_module = ::LoadLibraryW((testsupport::ModuleDir() + L"\\config_pages_custom.dll").c_str());
        // A window whose client area is 100 x 50.
        RECT frame = {0, 0, 100, 50};
        ::AdjustWindowRectEx(&frame, WS_POPUP, FALSE, 0);
        m_window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, frame.right - frame.left,
            frame.bottom - frame.top, nullptr, nullptr, nullptr, nullptr);
    }
    ~GraphicTest() override
    {
        ::DestroyWindow(m_window);
        ::FreeLibrary(m_module);
    }

    // Whether `bitmap` holds the pixels of bitmap resource `id` of the module.
    bool SamePixels(HBITMAP bitmap, UINT id) const
    {
        HBITMAP resource = static_cast<HBITMAP>(
            ::LoadImageW(m_module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        BITMAP a = {};
        BITMAP b = {};
        const bool same = resource && ::GetObjectW(bitmap, sizeof(a), &a) && ::GetObjectW(resource, sizeof(b), &b)
            && a.bmBits && b.bmBits && a.bmWidthBytes == b.bmWidthBytes && a.bmHeight == b.bmHeight
            && memcmp(a.bmBits, b.bmBits, static_cast<size_t>(a.bmWidthBytes) * a.bmHeight) == 0;
        ::DeleteObject(resource);
        return same;
    }

    PixelWizard m_wizard;
    testsupport::ScopedWizardServices m_scope{&m_wizard};
    ScopedOverride<int (*)(HWND)> m_bits{DialogGraphicInfo::s_pfnGetDisplayBitsPerPixel, &FakeDisplayBits};
    HMODULE m_module = nullptr;
    HWND m_window = nullptr;
};

TEST_F(GraphicTest, SizeOutweighsDepthAndTheFirstOfEqualsWins)
{
    struct Case {
        const char* name;
        std::vector<UINT> candidates;
        RECT target;
        int displayBits;
        int chosenWidth;
        int chosenBits;
        UINT chosen;
    };
    // Targets 40 and 20 wide, 9 high; candidates 301 (40x9x24), 302 (20x9x24), 303 (40x9x8),
    // 304 (40x9x32), 305 (40x9x24, other pixels than 301).
    const Case cases[] = {
        {"closest width", {302, 301}, {0, 0, 40, 9}, 24, 40, 24, 301},
        {"closest width, other target", {301, 302}, {0, 0, 20, 9}, 24, 20, 24, 302},
        {"depth equal to the display", {303, 304, 301}, {0, 0, 40, 9}, 24, 40, 24, 301},
        {"deeper than the display loses", {304, 303}, {0, 0, 40, 9}, 24, 40, 8, 303},
        {"first of equals", {301, 305}, {0, 0, 40, 9}, 24, 40, 24, 301},
        {"first of equals, the other first", {305, 301}, {0, 0, 40, 9}, 24, 40, 24, 305},
        {"deeper display", {303, 301}, {0, 0, 40, 9}, 32, 40, 24, 301},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_displayBits = c.displayBits;
        std::vector<ResourceIdOrName> candidates(c.candidates.begin(), c.candidates.end());
        DialogGraphicInfo graphic(candidates, m_module);
        graphic.SetPlacement(c.target, nullptr);
        HBITMAP bitmap = nullptr;
        RECT target = {};
        RECT size = {};
        graphic.ChooseBitmap(m_window, &bitmap, &target, &size);
        ASSERT_NE(nullptr, bitmap);
        BITMAP info = {};
        ASSERT_NE(0, ::GetObjectW(bitmap, sizeof(info), &info));
        EXPECT_EQ(c.chosenWidth, info.bmWidth);
        EXPECT_EQ(c.chosenBits, info.bmBitsPixel);
        EXPECT_TRUE(SamePixels(bitmap, c.chosen));
        EXPECT_TRUE(SameRect(RECT{0, 0, c.chosenWidth, 9}, size)) << RectText(size);
        EXPECT_TRUE(SameRect(c.target, target)) << RectText(target);
    }
}

TEST_F(GraphicTest, AnchorsPlaceTheTargetInTheClientArea)
{
    g_displayBits = 24;
    // The whole client area (100 x 50), then a band with its left edge from the aspect ratio.
    DialogGraphicInfo full({ResourceIdOrName(302u)}, m_module);
    const DialogGraphicInfo::Anchors fullAnchors = {1, 2, 3, 4};
    full.SetPlacement(RECT{0, 0, 0, 0}, &fullAnchors);
    RECT target = {};
    full.ChooseBitmap(m_window, nullptr, &target, nullptr);
    EXPECT_TRUE(SameRect(RECT{0, 0, 100, 50}, target)) << RectText(target);

    DialogGraphicInfo aspect({ResourceIdOrName(302u)}, m_module);
    const DialogGraphicInfo::Anchors aspectAnchors = {5, 2, 3, 0};
    aspect.SetPlacement(RECT{0, 0, 0, 18}, &aspectAnchors);
    aspect.ChooseBitmap(m_window, nullptr, &target, nullptr);
    // 20 x 9 scaled to a height of 18: 40 wide, right-aligned.
    EXPECT_TRUE(SameRect(RECT{60, 0, 100, 18}, target)) << RectText(target);
}

TEST_F(GraphicTest, ChosenOnceAndRetriedWhileNoneLoads)
{
    DialogGraphicInfo graphic({ResourceIdOrName(L"NOSUCH"), ResourceIdOrName(301u)}, m_module);
    graphic.SetPlacement(RECT{0, 0, 40, 9}, nullptr);
    HBITMAP first = nullptr;
    HBITMAP second = nullptr;
    graphic.ChooseBitmap(m_window, &first, nullptr, nullptr);
    EXPECT_EQ(nullptr, first);  // no target asked for: nothing is chosen yet
    RECT target = {};
    graphic.ChooseBitmap(m_window, &first, &target, nullptr);
    graphic.ChooseBitmap(m_window, &second, &target, nullptr);
    EXPECT_NE(nullptr, first);
    EXPECT_EQ(first, second);

    // Nothing loads: no bitmap, no size, and an edge anchored to the aspect ratio stays placed.
    DialogGraphicInfo none({ResourceIdOrName(L"NOSUCH")}, m_module);
    const DialogGraphicInfo::Anchors aspectAnchors = {5, 2, 3, 0};
    none.SetPlacement(RECT{0, 0, 0, 18}, &aspectAnchors);
    RECT size = {1, 1, 1, 1};
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
    none.ChooseBitmap(m_window, &bitmap, &target, &size);
    EXPECT_EQ(nullptr, bitmap);
    EXPECT_TRUE(SameRect(RECT{0, 0, 0, 0}, size));
    EXPECT_TRUE(SameRect(RECT{0, 0, 100, 18}, target)) << RectText(target);
}

// --- Texts ----------------------------------------------------------------------------------

TEST(PageTexts, ReadTextTakesStringIdsOrLiteralTextWithAnOptionalRectangle)
{
    struct Case {
        const char* value;
        const wchar_t* text;
        RECT rect;
    };
    const Case cases[] = {
        {"12;10,20", L"Twelve", {10, 20, 300, 400}},
        {"12", L"Twelve", {1, 2, 300, 400}},
        {"Hello", L"Hello", {1, 2, 300, 400}},
        {"0", L"0", {1, 2, 300, 400}},
        {"abc;5,6,7,8", L"abc;5,6,7,8", {5, 6, 7, 8}},
        {"12;", L"Twelve", {1, 2, 300, 400}},
        {"", L"", {1, 2, 300, 400}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        PagesFixture pages;
        CConfigInfo& config = pages.Configure(std::string("[Strings]\r\nText=") + c.value + "\r\n");
        DialogInfo page(config, L"Test");
        CString text;
        RECT rect = {1, 2, 300, 400};
        page.ReadText(L"Strings", L"Text", pages.CustomModule(), text, &rect);
        EXPECT_EQ(c.text, Text(text));
        EXPECT_TRUE(SameRect(c.rect, rect)) << RectText(rect);
    }
    PagesFixture pages;
    CConfigInfo& config = pages.Configure("[Strings]\r\nText=999\r\n");
    DialogInfo page(config, L"Test");
    CString text;
    EXPECT_THROW(page.ReadText(L"Strings", L"Text", pages.CustomModule(), text, nullptr), ResourceNotFound);
}

TEST(PageTexts, FontsColoursAndAlignmentOfTextItems)
{
    PagesFixture pages;
    DialogInfo page(pages.Configure(""), L"Test");
    LOGFONTW mask = {};
    LOGFONTW values = {};
    mask.lfWeight = 1;
    mask.lfItalic = 1;
    wcscpy(mask.lfFaceName, L"x");
    values.lfWeight = 700;
    values.lfItalic = TRUE;
    values.lfHeight = 99;  // not in the mask
    wcscpy(values.lfFaceName, L"Arial");
    const COLORREF red = RGB(255, 0, 0);
    EXPECT_EQ(0, page.AddText(L"first", RECT{1, 2, 3, 4}, &mask, &values, DT_CENTER, &red));
    EXPECT_EQ(1, page.AddText(L"second", RECT{5, 6, 7, 8}, &mask, nullptr, 0, nullptr));
    EXPECT_EQ(2, page.GetCtrlInfoCount());

    LOGFONTW defaultFont = {};
    defaultFont.lfHeight = -11;
    defaultFont.lfWeight = 400;
    wcscpy(defaultFont.lfFaceName, L"Tahoma");
    CString text;
    RECT rect = {};
    LOGFONTW font = {};
    UINT flags = 0;
    COLORREF color = 0;
    ASSERT_TRUE(page.GetText(0, defaultFont, text, rect, font, flags, color));
    EXPECT_EQ(L"first", Text(text));
    EXPECT_EQ(-11, font.lfHeight);
    EXPECT_EQ(700, font.lfWeight);
    EXPECT_EQ(TRUE, font.lfItalic);
    EXPECT_STREQ(L"Arial", font.lfFaceName);
    EXPECT_EQ(static_cast<UINT>(DialogTextInfo::kDefaultDrawFlags | DT_CENTER), flags);
    EXPECT_EQ(red, color);
    EXPECT_EQ(static_cast<UINT>(DT_CENTER), page.GetTextInfo(0)->GetHorizontalAlignment());

    // One font block only: no font; no colour: the window text colour; 0: the default flags.
    ASSERT_TRUE(page.GetText(1, defaultFont, text, rect, font, flags, color));
    EXPECT_EQ(400, font.lfWeight);
    EXPECT_STREQ(L"Tahoma", font.lfFaceName);
    EXPECT_EQ(0x40850u, flags);
    EXPECT_EQ(::GetSysColor(COLOR_WINDOWTEXT), color);
    EXPECT_FALSE(page.GetText(2, defaultFont, text, rect, font, flags, color));

    // A new alignment replaces the old one.
    DialogTextInfo item(L"x", RECT{});
    item.SetAlignment(DT_RIGHT);
    item.SetAlignment(DT_CENTER);
    EXPECT_EQ(static_cast<UINT>(DialogTextInfo::kDefaultDrawFlags | DT_CENTER), item.GetDrawFlags());
}

// --- Welcome, user information, destination folder ------------------------------------------

const char kNoLicences[] = "[Dialogs]\r\nLicense=0\r\nLicense2=0\r\n";

int FakePixelsPerInch()
{
    return 120;
}

TEST(WelcomePage, TitleTextProgressBarAndAutoAdvance)
{
    ScopedOverride<int (*)()> dpi(CConfigInfo::WelcomeDialogInfo::s_pfnGetScreenPixelsPerInchY, &FakePixelsPerInch);
    PagesFixture pages;
    EXPECT_EQ(L"",
        pages.Populate(std::string(kNoLicences)
            + "[Strings]\r\nWelcomeTitle=200\r\nWelcomeText=201;10,130\r\n"
              "[InitProgress]\r\nleft=10\r\ntop=200\r\nright=300\r\nbottom=210\r\n"
              "red=255\r\ngreen=256\r\nblue=0x80\r\n"
              "[Settings]\r\nWelcomeAutoAdvance=1\r\n"));
    auto* welcome = pages.Page<CConfigInfo::WelcomeDialogInfo>(1);
    ASSERT_NE(nullptr, welcome);
    ASSERT_EQ(2, welcome->GetCtrlInfoCount());
    LOGFONTW base = {};
    CString text;
    RECT rect = {};
    LOGFONTW font = {};
    UINT flags = 0;
    COLORREF color = 0;
    welcome->GetText(0, base, text, rect, font, flags, color);
    EXPECT_EQ(L"Welcome to the product", Text(text));
    EXPECT_TRUE(SameRect(RECT{60, 92, 320, 120}, rect));
    EXPECT_EQ(-20, font.lfHeight);  // 12 points at 120 pixels per inch
    EXPECT_EQ(800, font.lfWeight);
    welcome->GetText(1, base, text, rect, font, flags, color);
    EXPECT_EQ(L"This wizard installs the product.", Text(text));
    EXPECT_TRUE(SameRect(RECT{10, 130, 320, 222}, rect));
    EXPECT_EQ(0, font.lfWeight);
    EXPECT_TRUE(SameRect(RECT{10, 200, 300, 210}, welcome->GetProgressRect()));
    EXPECT_EQ(RGB(255, 0, 0), welcome->GetProgressColor());
    EXPECT_TRUE(welcome->IsAutoAdvance());
}

TEST(WelcomePage, DefaultsAndMissingStrings)
{
    PagesFixture pages;
    EXPECT_EQ(L"", pages.Populate(kNoLicences));
    auto* welcome = pages.Page<CConfigInfo::WelcomeDialogInfo>(1);
    ASSERT_EQ(2, welcome->GetCtrlInfoCount());
    EXPECT_EQ(L"", Text(welcome->GetTextInfo(0)->GetText()));
    EXPECT_TRUE(SameRect(RECT{0, 0, 0, 0}, welcome->GetProgressRect()));
    EXPECT_EQ(RGB(0, 0, 0), welcome->GetProgressColor());
    EXPECT_FALSE(welcome->IsAutoAdvance());

    EXPECT_EQ(L"1. Specified resource not found: [Strings] WelcomeTitle\r\n",
        pages.Populate(std::string(kNoLicences) + "[Strings]\r\nWelcomeTitle=998\r\nWelcomeText=Hi\r\n"));
    welcome = pages.Page<CConfigInfo::WelcomeDialogInfo>(1);
    ASSERT_EQ(1, welcome->GetCtrlInfoCount());
    EXPECT_EQ(L"Hi", Text(welcome->GetTextInfo(0)->GetText()));
}

TEST(UserInfoPage, PropertiesInitialValuesAndExtraText)
{
    struct Case {
        const char* section;
        const wchar_t* userProperty;
        const wchar_t* companyProperty;
        const wchar_t* errors;
    };
    const Case cases[] = {
        {"", L"USERNAME", L"COMPANYNAME", L""},
        {"RegUserProp=MYUSER\r\nRegCompanyProp=MYCOMPANY\r\n", L"MYUSER", L"MYCOMPANY", L""},
        {"RegUserProp=\r\n", L"", L"COMPANYNAME", L"1. Missing Key: [UserInfoDialog] RegUserProp\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section);
        PagesFixture pages;
        EXPECT_EQ(c.errors,
            pages.Populate(std::string(kNoLicences) + "[UserInfoDialog]\r\n" + c.section
                + "User=Ann\r\nCompany=Acme\r\nExtraText=12;5,6,7,8\r\n"));
        auto* page = pages.Page<CConfigInfo::UserInfoDialogInfo>(2);
        ASSERT_NE(nullptr, page);
        EXPECT_EQ(c.userProperty, Text(page->GetUserProperty()));
        EXPECT_EQ(c.companyProperty, Text(page->GetCompanyProperty()));
        EXPECT_EQ(L"Ann", Text(page->GetInitialUser()));
        EXPECT_EQ(L"Acme", Text(page->GetInitialCompany()));
        CString text;
        RECT rect = {};
        page->GetExtraText(text, rect);
        EXPECT_EQ(L"Twelve", Text(text));
        EXPECT_TRUE(SameRect(RECT{5, 6, 7, 8}, rect));
    }
    // A missing string of the extra text ends the step at once.
    PagesFixture pages;
    pages.Configure(std::string(kNoLicences) + "[UserInfoDialog]\r\nExtraText=997\r\n");
    EXPECT_THROW(pages.Config().PopulateDialogInfo(), ResourceNotFound);
}

TEST(DirectoryPage, RowsLabelsAndTexts)
{
    struct Case {
        const char* section;
        std::vector<std::pair<std::wstring, std::wstring>> rows;
        const wchar_t* errors;
    };
    const Case cases[] = {
        {"", {{L"ZKDIR", L"Destination Directory"}}, L""},
        {"Dir1EditLabel=230\r\n", {{L"ZKDIR", L"Install to:"}}, L""},
        {"Dir1=INSTALLDIR\r\nDir2=DATADIR\r\nDir2EditLabel=231\r\nDir4=GAP\r\n",
            {{L"INSTALLDIR", L"Destination Directory"}, {L"DATADIR", L"Data folder:"}}, L""},
        {"Dir1=A\r\nDir2=B\r\nDir3=C\r\nDir4=D\r\nDir5=E\r\nDir6=F\r\nDir7=G\r\n",
            {{L"A", L"Destination Directory"}, {L"B", L"Destination Directory"}, {L"C", L"Destination Directory"},
                {L"D", L"Destination Directory"}, {L"E", L"Destination Directory"}, {L"F", L"Destination Directory"},
                {L"G", L"Destination Directory"}},
            L"1. Bad Key: [Dir7] G\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section);
        PagesFixture pages;
        EXPECT_EQ(c.errors, pages.Populate(std::string(kNoLicences) + "[SingleDirectoryDialog]\r\n" + c.section));
        auto* page = pages.Page<CConfigInfo::SingleDirectoryDialogInfo>(4);
        ASSERT_NE(nullptr, page);
        ASSERT_EQ(c.rows.size(), page->GetDirectoryCount());
        for (size_t i = 0; i < c.rows.size(); ++i) {
            CString property;
            CString label;
            page->GetDirectory(static_cast<int>(i), property, label);
            EXPECT_EQ(c.rows[i].first, Text(property));
            EXPECT_EQ(c.rows[i].second, Text(label));
        }
        CString untouched(L"kept");
        CString label;
        page->GetDirectory(static_cast<int>(c.rows.size()), untouched, label);
        EXPECT_EQ(L"kept", Text(untouched));
        RECT rect = {1, 1, 1, 1};
        page->GetTextRect(rect);
        EXPECT_TRUE(SameRect(RECT{0, 0, 0, 0}, rect));
        EXPECT_EQ(0, page->GetCtrlInfoCount());
    }
}

TEST(DirectoryPage, ExplanatoryTextsTakeTheLastRectangle)
{
    PagesFixture pages;
    EXPECT_EQ(L"1. Specified resource not found: [SingleDirectoryDialog] DirText2\r\n",
        pages.Populate(std::string(kNoLicences) + "[SingleDirectoryDialog]\r\nDirText1=240\r\nDirText2=996\r\n"));
    auto* page = pages.Page<CConfigInfo::SingleDirectoryDialogInfo>(4);
    ASSERT_EQ(1, page->GetCtrlInfoCount());
    RECT rect = {};
    page->GetTextRect(rect);
    EXPECT_TRUE(SameRect(RECT{40, 68, 307, 107}, rect));

    EXPECT_EQ(L"",
        pages.Populate(
            std::string(kNoLicences) + "[SingleDirectoryDialog]\r\nDirText1=240\r\nDirText2=Note;41,116\r\n"));
    page = pages.Page<CConfigInfo::SingleDirectoryDialogInfo>(4);
    ASSERT_EQ(2, page->GetCtrlInfoCount());
    EXPECT_EQ(RGB(0, 0, 128), page->GetTextInfo(1)->GetColor());
    EXPECT_FALSE(page->GetTextInfo(0)->HasColor());
    page->GetTextRect(rect);
    EXPECT_TRUE(SameRect(RECT{41, 116, 307, 154}, rect));
}

BOOL WINAPI ReportsWow64(HANDLE, PBOOL wow64)
{
    *wow64 = TRUE;
    return TRUE;
}

FARPROC WINAPI FindFakeWow64(HMODULE module, LPCSTR name)
{
    if (std::string(name) == "IsWow64Process")
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&ReportsWow64));
    return ::GetProcAddress(module, name);
}

TEST(DirectoryPage, SixtyFourBitRowsGoOnlyOn32BitWindows)
{
    PagesFixture pages;
    pages.services.distribution.Mark64BitOnly(L"PROGRAMS64");
    const std::string ini = std::string(kNoLicences) + "[SingleDirectoryDialog]\r\nDir1=PROGRAMS64\r\nDir2=DATA\r\n";
    EXPECT_EQ(L"", pages.Populate(ini));
    {
        ScopedOverride<decltype(g_platformApi.GetProcAddress)> wow64(g_platformApi.GetProcAddress, &FindFakeWow64);
        pages.Page<CConfigInfo::SingleDirectoryDialogInfo>(4)->Remove64BitDirectories();
        EXPECT_EQ(2u, pages.Page<CConfigInfo::SingleDirectoryDialogInfo>(4)->GetDirectoryCount());
    }
    auto* page = pages.Page<CConfigInfo::SingleDirectoryDialogInfo>(4);
    page->Remove64BitDirectories();  // this 64-bit test program does not run under WOW64
    ASSERT_EQ(1u, page->GetDirectoryCount());
    CString property;
    CString label;
    page->GetDirectory(0, property, label);
    EXPECT_EQ(L"DATA", Text(property));
}

}  // namespace
