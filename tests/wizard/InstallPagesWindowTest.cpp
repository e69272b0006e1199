// The installation-type and destination-directory pages drawn for real in the frame: three types
// with their icons and etched lines, three directory rows under the page's text, and a type whose
// volume is short: the disk-cost dialog over the page, which stays while the volume is short.
#include <gtest/gtest.h>

#include <string>

#include "DiskCostDlg.h"
#include "InstallPagesFixture.h"
#include "Screenshot.h"
#include "resource.h"

using namespace pagestest;

namespace {

const UINT_PTR kShownTimer = 1;
const int64_t kGigabyte = 1024LL * 1024 * 1024;

// The disk-cost dialog over a short C: volume; once shown it saves a screenshot of the frame
// with the dialog on top and closes.
class CShortVolumeDialog : public CDiskCostDlg {
public:
    CShortVolumeDialog(CWnd* parent, HWND frame) : CDiskCostDlg(parent, nullptr, true), m_frame(frame) { }
    std::wstring screenshot;

protected:
    void ComputeVolumeCosts(VolumeCostSet& volumes) override
    {
        VolumeCost volume;
        volume.volume = L"C:";
        volume.required = 3 * kGigabyte;
        volume.available = kGigabyte;
        volumes[volume.volume] = volume;
    }
    BOOL OnInitDialog() override
    {
        const BOOL result = CDiskCostDlg::OnInitDialog();
        SetTimer(kShownTimer, 200);
        return result;
    }
    void OnTimer(UINT_PTR id)
    {
        KillTimer(id);
        ::UpdateWindow(m_hWnd);
        screenshot = SaveScreenshot(m_frame, L"installation-types-disk-short");
        SendMessage(WM_COMMAND, IDCANCEL, 0);
    }
    DECLARE_MESSAGE_MAP()

private:
    HWND m_frame;
};

BEGIN_MESSAGE_MAP(CShortVolumeDialog, CDiskCostDlg)
    ON_WM_TIMER()
END_MESSAGE_MAP()

// The pixels of `rect` (client coordinates of the page) that differ from the page's background.
int CountDrawnPixels(CWnd& page, const RECT& rect)
{
    HDC dc = ::GetDC(page.m_hWnd);
    const COLORREF background = ::GetSysColor(COLOR_BTNFACE);
    int drawn = 0;
    for (int y = rect.top; y < rect.bottom; y += 2) {
        for (int x = rect.left; x < rect.right; x += 2)
            drawn += ::GetPixel(dc, x, y) != background ? 1 : 0;
    }
    ::ReleaseDC(page.m_hWnd, dc);
    return drawn;
}

}  // namespace

TEST(InstallationTypeWindow, ShowsEachTypeWithItsIconAndFocusesTheChosenOne)
{
    PagesFixture fixture({kInstallationTypeDialog, kFeatureTreeDialog, kConfirmStartDialog},
        PagesFixture::StandardIni());
    CTopDialog& frame = fixture.Show(true);
    CInstallationTypeDialog* page = fixture.TypePage();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->GetOptionCount(), 3u);
    page->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    PagesFixture::Pump(100);
    for (size_t i = 0; i < 3; ++i) {
        const InstallTypeOption& option = page->GetOption(i);
        EXPECT_NE(option.icon, nullptr) << i;
        // The icon is drawn: its square holds more than the page's background.
        EXPECT_GT(CountDrawnPixels(*page, option.iconRect), 0) << i;
        // The description lies right of the icon, below the radio button.
        RECT text;
        ::GetWindowRect(option.description.m_hWnd, &text);
        ::MapWindowPoints(nullptr, page->m_hWnd, reinterpret_cast<POINT*>(&text), 2);
        EXPECT_EQ(text.left, option.iconRect.right + CInstallationTypeDialog::kGap);
        EXPECT_GT(text.bottom - text.top, 0);
    }
    EXPECT_EQ(::GetFocus(), page->GetOption(0).radio.m_hWnd);
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"installation-types").empty());

    // Arrow keys move the choice among the types.
    MSG msg = {page->GetOption(0).radio.m_hWnd, WM_KEYDOWN, VK_DOWN, 0, 0, {}};
    AfxPreTranslateMessage(&msg);
    PagesFixture::Pump(100);
    EXPECT_EQ(page->GetOption(1).radio.GetCheck(), BST_CHECKED);
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"installation-types-custom").empty());
}

TEST(InstallationTypeWindow, AShortVolumeShowsTheDiskDialogOverThePageWhichStays)
{
    PagesFixture fixture({kInstallationTypeDialog, kFeatureTreeDialog, kConfirmStartDialog},
        PagesFixture::StandardIni());
    std::wstring screenshot;
    fixture.script.cost = ERROR_DISK_FULL;
    fixture.script.dialog = [&](CWnd& page) {
        CShortVolumeDialog dialog(&page, fixture.Frame().m_hWnd);
        const INT_PTR result = dialog.DoModal();
        screenshot = dialog.screenshot;
        return result;
    };
    CTopDialog& frame = fixture.Show(true);
    ASSERT_NE(fixture.TypePage(), nullptr);
    fixture.Click(IDC_FRAME_NEXT);
    EXPECT_EQ(fixture.script.dialogs, 1);
    EXPECT_FALSE(screenshot.empty());
    EXPECT_EQ(fixture.CurrentState(), kInstallationTypeDialog);
    EXPECT_TRUE(::IsWindowEnabled(frame.m_hWnd));
}

TEST(DirectoryWindow, ShowsThreeRowsWithTheirFoldersAndTabFollowsTheRows)
{
    PagesFixture fixture({kSingleDirectoryDialog, kConfirmStartDialog}, PagesFixture::StandardIni());
    fixture.script.targetPaths = {{L"INSTALLDIR", L"C:\\Program Files\\Velmo Window Test Product\\"},
        {L"DATADIR", L"C:\\ProgramData\\Velmo\\"}, {L"HELPDIR", L"C:\\Program Files\\Velmo Window Test Product\\Help\\"}};
    CTopDialog& frame = fixture.Show(true);
    CSingleDirectoryDialog* page = fixture.DirectoryPage();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->GetRowCount(), 3u);
    CRect client;
    page->GetClientRect(client);
    RECT last;
    ::GetWindowRect(page->GetRow(2).group.m_hWnd, &last);
    ::MapWindowPoints(nullptr, page->m_hWnd, reinterpret_cast<POINT*>(&last), 2);
    EXPECT_LE(last.bottom, client.bottom);
    EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"destination-directories").empty());

    // Tab goes edit, Browse, next row's edit.
    HWND order[] = {page->GetRow(0).edit.m_hWnd, page->GetRow(0).browse.m_hWnd, page->GetRow(1).edit.m_hWnd};
    EXPECT_EQ(::GetNextDlgTabItem(page->m_hWnd, order[0], FALSE), order[1]);
    EXPECT_EQ(::GetNextDlgTabItem(page->m_hWnd, order[1], FALSE), order[2]);
}

TEST(DirectoryWindow, TwoAndSixRowsShareThePageBelowTheTextInOrder)
{
    for (int rows : {2, 6}) {
        SCOPED_TRACE(rows);
        PagesFixture fixture({kSingleDirectoryDialog, kConfirmStartDialog}, PagesFixture::IniWith(3, rows));
        for (int i = 1; i <= rows; ++i)
            fixture.script.targetPaths[L"DIR" + std::to_wstring(i)] = L"C:\\Velmo\\Folder " + std::to_wstring(i) + L"\\";
        CTopDialog& frame = fixture.Show(true);
        CSingleDirectoryDialog* page = fixture.DirectoryPage();
        ASSERT_NE(page, nullptr);
        ASSERT_EQ(page->GetRowCount(), static_cast<size_t>(rows));
        CRect client;
        page->GetClientRect(client);
        RECT previous = {};
        for (int i = 0; i < rows; ++i) {
            RECT group;
            ::GetWindowRect(page->GetRow(static_cast<size_t>(i)).group.m_hWnd, &group);
            ::MapWindowPoints(nullptr, page->m_hWnd, reinterpret_cast<POINT*>(&group), 2);
            EXPECT_LE(group.bottom, client.bottom) << i;
            // Two rows have room between them; six take the page's step even where it is smaller
            // than a row, as the rows are placed.
            if (i > 0 && rows == 2) {
                EXPECT_GE(group.top, previous.bottom) << i;
            } else if (i > 0) {
                EXPECT_GT(group.top, previous.top) << i;
            }
            previous = group;
        }
        EXPECT_FALSE(SaveScreenshot(frame.m_hWnd, L"destination-directories-" + std::to_wstring(rows)).empty());
    }
}
