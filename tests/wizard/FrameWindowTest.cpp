// The wizard frame drawn for real: the welcome page while loading and once loaded (screenshots),
// its automatic advance and Cancel, a page's banner subtitle, and the keyboard across a page and
// the frame's buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <string>
#include <vector>

#include "ConfigInfo.h"
#include "FrameTestSupport.h"
#include "PrivateMessages.h"
#include "Screenshot.h"
#include "ServiceStandIns.h"
#include "TestSupport.h"
#include "TopDialog.h"
#include "WelcomeDialog.h"
#include "WinApp.h"
#include "WizardServicesImpl.h"
#include "resource.h"

using namespace testsupport;

namespace {

using frametest::Pump;

HWND Item(CWnd& window, int id)
{
    return ::GetDlgItem(window.m_hWnd, id);
}

int g_questions = 0;
int g_answer = IDYES;
int WINAPI CountQuestion(HWND, LPCWSTR, LPCWSTR, UINT)
{
    ++g_questions;
    return g_answer;
}

// A plain page of the frame tests' template with the banner subtitle given (0: none).
class CPlainPage : public CNestedInstallerDialog {
public:
    CPlainPage(eDialogState state, CTopDialog* frame, UINT subtitle)
        : CNestedInstallerDialog(frametest::kTestPageTemplate, state, frame), m_subtitle(subtitle)
    {
    }
    UINT GetTitleId() override { return 0; }
    UINT GetSubtitleId() override { return m_subtitle; }

private:
    UINT m_subtitle;
};

// The program's page of `state` replaced by a CPlainPage while the object lives (the state's
// configuration record stays the program's).
class ScopedPlainPage : public INestedInstallerDialogFactory {
public:
    ScopedPlainPage(eDialogState state, UINT subtitle)
        : m_state(state), m_subtitle(subtitle), m_row(CNestedInstallerDialog::M_DialogInfoMap->at(state)),
          m_saved(m_row.pFactory)
    {
        m_row.pFactory = this;
    }
    ~ScopedPlainPage() override { m_row.pFactory = m_saved; }
    CNestedInstallerDialog* CreateDialog(CTopDialog* frame) override
    {
        return new CPlainPage(m_state, frame, m_subtitle);
    }

private:
    eDialogState m_state;
    UINT m_subtitle;
    CNestedInstallerDialog::DialogInfo& m_row;
    INestedInstallerDialogFactory* m_saved;
};

// The colours of a window's pixels in `rect` (client coordinates), row by row.
std::vector<COLORREF> Pixels(HWND window, const RECT& rect)
{
    std::vector<COLORREF> pixels;
    HDC dc = ::GetDC(window);
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            pixels.push_back(::GetPixel(dc, x, y));
    ::ReleaseDC(window, dc);
    return pixels;
}

// The smallest rectangle around the points of `area` whose pixels differ between `a` and `b`
// (both `area`'s pixels row by row); empty when there are none.
CRect DifferingBounds(const RECT& area, const std::vector<COLORREF>& a, const std::vector<COLORREF>& b)
{
    CRect bounds(0, 0, 0, 0);
    const int width = area.right - area.left;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i] == b[i])
            continue;
        const LONG x = area.left + static_cast<LONG>(i % width);
        const LONG y = area.top + static_cast<LONG>(i / width);
        if (bounds.IsRectEmpty())
            bounds = CRect(x, y, x + 1, y + 1);
        bounds.left = std::min(bounds.left, x);
        bounds.right = std::max(bounds.right, x + 1);
        bounds.bottom = std::max(bounds.bottom, y + 1);
    }
    return bounds;
}

// A rectangle's edges (left, top, right, bottom), comparable and printable.
std::vector<LONG> Edges(const RECT& rect)
{
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// A page's text item `index`: text, rectangle (dialog units) and drawing flags.
struct TextItem {
    std::wstring text;
    RECT rect = {};
    UINT flags = 0;
};

TextItem GetTextItem(CNestedInstallerDialog& page, int index)
{
    TextItem item;
    CString text;
    LOGFONTW font = {};
    COLORREF color = 0;
    EXPECT_TRUE(page.GetText(index, text, item.rect, font, item.flags, color)) << index;
    item.text = text.GetString();
    return item;
}

// The program's page registry over a configuration of the test's own: the welcome page with
// its texts, a banner bitmap and a white loading bar; every other page skipped.
class WelcomeFixture {
public:
    explicit WelcomeFixture(const std::string& more = std::string())
    {
        WriteFileBytes(m_dir.File(L"post.exe"), "post");
        WriteFileBytes(m_dir.File(L"sysinfo.dll"), "sysinfo");
        const std::wstring module = ModuleDir() + L"\\wizard_welcome.dll";
        const std::string languages = "Languages=1033\r\nCustomRes1033=" + std::string(module.begin(), module.end())
            + "\r\n";
        WriteFileBytes(m_dir.File(L"setup.ini"),
            DistributionIni(languages,
                "[Graphics]\r\nFullScreen=300\r\n[Strings]\r\nWelcomeTitle=200\r\nWelcomeText=201\r\n"
                "[InitProgress]\r\nleft=60\r\ntop=185\r\nright=330\r\nbottom=195\r\nred=255\r\ngreen=255\r\n"
                "blue=255\r\n"
                // The pages this version does not have.
                "[Dialogs]\r\nUserInfo=0\r\nFeatureInfo1=0\r\nSingleDirectory=0\r\nInstallationType=0\r\n"
                "FeatureTree=0\r\nFeatureInfo=0\r\nLicense=0\r\nLicense2=0\r\nConfirmStart=0\r\n"
                    + more));
        m_config.SetIniFile(m_dir.Path().c_str(), L"setup.ini");
        m_config.LoadLanguageResource();
        m_config.PopulateDialogInfo();
        services.app.configInfo = &m_config;
        // Every page but the welcome page (they read the distribution; the run's pages would
        // install): not in these tests.
        services.app.disabledPages = {kUserInfoDialog, kFeatureInfo1Dialog, kSingleDirectoryDialog, kInstallationTypeDialog,
            kFeatureTreeDialog, kFeatureInfoDialog, kLicenseDialog, kLicense2Dialog, kConfirmStartDialog, kProgressDialog,
            kEndExecuteDialog, kEndDialog};
        g_questions = 0;
        g_answer = IDYES;
        m_box = CNestedInstallerDialog::s_pfnMessageBoxW;
        CNestedInstallerDialog::s_pfnMessageBoxW = &CountQuestion;
    }
    ~WelcomeFixture()
    {
        m_frame.reset();
        m_app.m_pMainWnd = nullptr;
        CNestedInstallerDialog::s_pfnMessageBoxW = m_box;
        m_config.FreeResourceModules();
    }

    CTopDialog& Show()
    {
        m_frame.reset(new CTopDialog(nullptr));
        m_app.m_pMainWnd = m_frame.get();
        EXPECT_TRUE(m_frame->Create(0u, nullptr));
        m_frame->CenterWindow();
        m_frame->ShowWindow(SW_SHOW);
        ::SetForegroundWindow(m_frame->m_hWnd);
        Pump(200);
        return *m_frame;
    }

    StandInServices services;

private:
    ScopedWizardServices m_wizard{&GetWizardServicesImpl()};
    TempDir m_dir;
    CConfigInfo m_config;
    CWinApp m_app;
    std::unique_ptr<CTopDialog> m_frame;
    int(WINAPI* m_box)(HWND, LPCWSTR, LPCWSTR, UINT);
};

TEST(WelcomeWindow, ShowsTheLoadThenEnablesNext)
{
    WelcomeFixture fixture;
    CTopDialog& frame = fixture.Show();
    CWelcomeDialog* welcome = frame.GetWelcomeDialog();
    ASSERT_NE(nullptr, welcome);
    EXPECT_EQ(L"Velmo Window Test Product", [&] {
        CString caption;
        frame.GetWindowText(caption);
        return std::wstring(caption.GetString());
    }());

    welcome->PostMessage(WM_LOAD_PROGRESS_RANGE, 0, 355);
    welcome->PostMessage(WM_LOAD_PROGRESS_SETSTEP, 1, 0);
    for (int i = 0; i < 140; ++i)
        welcome->PostMessage(WM_LOAD_PROGRESS_STEP, 0, 0);
    Pump(300);
    EXPECT_EQ(140, welcome->GetLoadingBar().GetPos());
    EXPECT_TRUE(welcome->GetLoadingBar().IsWindowVisible());
    EXPECT_FALSE(::IsWindowEnabled(Item(frame, IDC_FRAME_NEXT)));
    EXPECT_FALSE(::IsWindowEnabled(Item(frame, IDC_FRAME_BACK)));
    // The focus rests on the one button that can take it.
    EXPECT_EQ(Item(frame, IDCANCEL), ::GetFocus());

    // The bar in its configured place; the loading line, the page's last text item, centred in
    // the strip of 10 dialog units just above it.
    RECT configuredBar = {60, 185, 330, 195};
    welcome->MapScaledDialogRect(configuredBar);
    CRect bar;
    welcome->GetLoadingBar().GetWindowRect(bar);
    welcome->ScreenToClient(static_cast<LPRECT>(bar));
    EXPECT_EQ(Edges(configuredBar), Edges(bar));
    const int configuredTexts = welcome->GetTextCount() - 1;
    const TextItem line = GetTextItem(*welcome, configuredTexts);
    EXPECT_EQ(L"Please wait while the installer initializes.", line.text);
    EXPECT_EQ(UINT(DT_CENTER), line.flags);
    EXPECT_EQ((std::vector<LONG>{60, 175, 330, 185}), Edges(line.rect));
    RECT strip = line.rect;
    welcome->MapScaledDialogRect(strip);
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"welcome-loading").empty());
    const std::vector<COLORREF> loadingStrip = Pixels(welcome->m_hWnd, strip);

    welcome->PostMessage(WM_LOAD_DONE, 0, reinterpret_cast<LPARAM>(frame.m_hWnd));
    Pump(300);
    // The loading line is gone from the page's texts and from the screen at once.
    EXPECT_EQ(configuredTexts, welcome->GetTextCount());
    const std::vector<COLORREF> loadedStrip = Pixels(welcome->m_hWnd, strip);
    EXPECT_TRUE(welcome->IsLoaded());
    EXPECT_FALSE(welcome->GetLoadingBar().IsWindowVisible());
    EXPECT_TRUE(::IsWindowEnabled(Item(frame, IDC_FRAME_NEXT)));
    EXPECT_EQ(Item(frame, IDC_FRAME_NEXT), ::GetFocus());
    EXPECT_EQ(MAKELONG(IDC_FRAME_NEXT, DC_HASDEFID), static_cast<LONG>(frame.SendMessage(DM_GETDEFID)));
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"welcome-loaded").empty());
    // The screenshot repainted the whole page: the strip as it is drawn without the line.
    const std::vector<COLORREF> repaintedStrip = Pixels(welcome->m_hWnd, strip);
    EXPECT_NE(repaintedStrip, loadingStrip);
    EXPECT_EQ(repaintedStrip, loadedStrip);

    // Every later page is one this version does not have: Next ends the wizard.
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    Pump(100);
    EXPECT_TRUE(frame.IsWizardEnded());
    EXPECT_EQ(0, frame.GetResultCode());
}

TEST(WelcomeWindow, StepsStopAtTheEndAndAFullBarKeepsItsRange)
{
    WelcomeFixture fixture;
    CTopDialog& frame = fixture.Show();
    CWelcomeDialog* welcome = frame.GetWelcomeDialog();
    ASSERT_NE(nullptr, welcome);
    welcome->SendMessage(WM_LOAD_PROGRESS_RANGE, 0, 10);
    welcome->SendMessage(WM_LOAD_PROGRESS_SETSTEP, 4, 0);
    for (int i = 0; i < 3; ++i)
        welcome->SendMessage(WM_LOAD_PROGRESS_STEP);
    EXPECT_EQ(10, welcome->GetLoadingBar().GetPos());
    welcome->SendMessage(WM_LOAD_PROGRESS_RANGE, 0, 500);
    int lower = 0, upper = 0;
    welcome->GetLoadingBar().GetRange(lower, upper);
    EXPECT_EQ(10, upper);
}

TEST(WelcomeWindow, AutoAdvanceHidesNextAndBackWhileLoadingThenMovesOn)
{
    WelcomeFixture fixture("[Settings]\r\nWelcomeAutoAdvance=1\r\n");
    CTopDialog& frame = fixture.Show();
    CWelcomeDialog* welcome = frame.GetWelcomeDialog();
    ASSERT_NE(nullptr, welcome);
    EXPECT_FALSE(::IsWindowVisible(Item(frame, IDC_FRAME_NEXT)));
    EXPECT_FALSE(::IsWindowVisible(Item(frame, IDC_FRAME_BACK)));
    EXPECT_EQ(Item(frame, IDCANCEL), ::GetFocus());
    welcome->PostMessage(WM_LOAD_DONE, 0, reinterpret_cast<LPARAM>(frame.m_hWnd));
    Pump(200);
    // No page after the welcome page in this version: moving on ends the wizard.
    EXPECT_TRUE(::IsWindowVisible(Item(frame, IDC_FRAME_NEXT)));
    EXPECT_TRUE(frame.IsWizardEnded());
}

// The load ending moves on by itself only while the welcome page is the frame's current page:
// from another page shown meanwhile the frame goes nowhere.
TEST(WelcomeWindow, AutoAdvanceMovesOnOnlyFromTheCurrentWelcomePage)
{
    for (bool welcomeCurrent : {true, false}) {
        SCOPED_TRACE(welcomeCurrent ? "welcome page current" : "another page current");
        WelcomeFixture fixture("[Settings]\r\nWelcomeAutoAdvance=1\r\n");
        fixture.services.app.disabledPages.erase(kConfirmStartDialog);
        ScopedPlainPage later(kConfirmStartDialog, 0);
        CTopDialog& frame = fixture.Show();
        CWelcomeDialog* welcome = frame.GetWelcomeDialog();
        ASSERT_NE(nullptr, welcome);
        if (!welcomeCurrent) {
            ASSERT_TRUE(frame.ShowPage(kConfirmStartDialog));
        }
        welcome->SendMessage(WM_LOAD_DONE, 0, reinterpret_cast<LPARAM>(frame.m_hWnd));
        Pump(100);
        EXPECT_EQ(kConfirmStartDialog, frame.m_eCurrentState);
        EXPECT_FALSE(frame.IsWizardEnded());
        EXPECT_EQ(welcomeCurrent ? std::list<eDialogState>{kWelcomeDialog} : std::list<eDialogState>(),
            frame.GetHistory());
    }
}

TEST(WelcomeWindow, CancelWhileLoadingCancelsTheLoadAndAfterItOnlyTheWizard)
{
    for (bool loaded : {false, true}) {
        SCOPED_TRACE(loaded ? "loaded" : "loading");
        WelcomeFixture fixture;
        CTopDialog& frame = fixture.Show();
        if (loaded) {
            frame.GetWelcomeDialog()->SendMessage(WM_LOAD_DONE, 0, reinterpret_cast<LPARAM>(frame.m_hWnd));
        }
        // The close box acts as Cancel.
        frame.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        Pump(100);
        EXPECT_EQ(1, g_questions);
        EXPECT_EQ(loaded ? 0 : 1, fixture.services.app.cancelLoadingCalls);
        EXPECT_TRUE(frame.IsWizardEnded());
        EXPECT_EQ(1602, frame.GetResultCode());
    }
}

// A page's banner subtitle: a text item in (47, 17)-(243, 46) dialog units, drawn from the top
// left of that rectangle and inside it (what differs from the same page without a subtitle).
TEST(FrameBanner, TheSubtitleIsDrawnInItsRectangle)
{
    WelcomeFixture fixture;
    fixture.services.app.disabledPages.erase(kConfirmStartDialog);
    fixture.services.app.disabledPages.erase(kFeatureInfoDialog);
    ScopedPlainPage plain(kFeatureInfoDialog, 0);
    ScopedPlainPage subtitled(kConfirmStartDialog, IDS_SINGLE_DIRECTORY_SUBTITLE);
    CTopDialog& frame = fixture.Show();

    ASSERT_TRUE(frame.ShowPage(kFeatureInfoDialog));
    Pump(200);
    CNestedInstallerDialog& without = *frame.GetCurrentPage();
    EXPECT_EQ(0, without.GetTextCount());
    RECT aboveControls = {0, 0, 398, 55};
    without.MapScaledDialogRect(aboveControls);
    ::RedrawWindow(without.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const std::vector<COLORREF> plainPixels = Pixels(without.m_hWnd, aboveControls);

    ASSERT_TRUE(frame.ShowPage(kConfirmStartDialog));
    Pump(200);
    CNestedInstallerDialog& page = *frame.GetCurrentPage();
    ASSERT_EQ(1, page.GetTextCount());
    const TextItem subtitle = GetTextItem(page, 0);
    EXPECT_EQ(L"Select the primary installation directory.", subtitle.text);
    EXPECT_EQ((std::vector<LONG>{47, 17, 243, 46}), Edges(subtitle.rect));
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"frame-banner-subtitle").empty());

    RECT place = subtitle.rect;
    page.MapScaledDialogRect(place);
    const CRect drawn = DifferingBounds(aboveControls, plainPixels, Pixels(page.m_hWnd, aboveControls));
    ASSERT_FALSE(drawn.IsRectEmpty());
    EXPECT_LE(place.left, drawn.left);
    EXPECT_GE(place.left + 3, drawn.left);
    EXPECT_LE(place.top, drawn.top);
    EXPECT_GE(place.top + 6, drawn.top);
    EXPECT_GE(place.right, drawn.right);
    EXPECT_GE(place.bottom, drawn.bottom);
}

// Tab through a page's controls and the frame's buttons; mnemonics, Enter and Escape with the
// focus in the page.
TEST(FrameKeyboard, TabMnemonicsEnterAndEscapeWorkAcrossPageAndFrame)
{
    using namespace frametest;
    FrameFixture fixture({1, 2, 5});
    CTopDialog& frame = fixture.CreateFrame();
    frame.CenterWindow();
    frame.ShowWindow(SW_SHOW);
    ::SetForegroundWindow(frame.m_hWnd);
    Pump(200);
    CNestedInstallerDialog* page = frame.GetCurrentPage();
    ASSERT_NE(nullptr, page);
    HWND edit = Item(*page, kTestPageEdit);
    HWND options = Item(*page, kTestPageButton);
    ::SetFocus(edit);

    // Back is disabled on the first page: skipped.
    std::vector<HWND> order;
    for (int i = 0; i < 4; ++i) {
        ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        Pump(50);
        order.push_back(::GetFocus());
    }
    EXPECT_EQ((std::vector<HWND>{options, Item(frame, IDC_FRAME_NEXT), Item(frame, IDCANCEL), edit}), order);
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"frame-test-page").empty());

    // Escape in the page: nothing. Alt+N from the page: Next.
    ::PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    Pump(50);
    EXPECT_TRUE(fixture.questions.empty());
    ::PostMessageW(edit, WM_SYSCHAR, 'n', 1 << 29);
    Pump(100);
    EXPECT_EQ(2, frame.m_eCurrentState);
    // The focus moved to a button that can take it, never into the hidden page.
    EXPECT_TRUE(::IsWindowVisible(::GetFocus()) && ::IsWindowEnabled(::GetFocus()));

    // Alt+B goes back; Enter in the page's edit box is Next.
    ::PostMessageW(::GetFocus(), WM_SYSCHAR, 'b', 1 << 29);
    Pump(100);
    EXPECT_EQ(1, frame.m_eCurrentState);
    ::SetFocus(edit);
    ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    Pump(100);
    EXPECT_EQ(2, frame.m_eCurrentState);

    // Escape on the frame's buttons asks to cancel.
    fixture.answer = IDNO;
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    Pump(100);
    EXPECT_EQ(1u, fixture.questions.size());
    EXPECT_FALSE(frame.IsWizardEnded());
}

}  // namespace
