// The disk-cost dialog drawn for real: its rows per volume, the warning above the list in
// insufficient mode for as long as a volume is short, Recalculate, and the result of Close.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "DiskCostDlg.h"
#include "Screenshot.h"
#include "ServiceStandIns.h"
#include "resource.h"

namespace {

const UINT_PTR kShownTimer = 1;
const int64_t kGigabyte = 1024LL * 1024 * 1024;

// A dialog whose volumes come from the test; once shown it runs `check`, which closes it.
class CShownDiskCost : public CDiskCostDlg {
public:
    CShownDiskCost(bool insufficient, std::function<void(CShownDiskCost&)> check)
        : CDiskCostDlg(nullptr, nullptr, insufficient), m_check(std::move(check))
    {
    }

    std::vector<VolumeCost> volumes;
    int costings = 0;

    // The texts of row `row`, its columns joined by " | ".
    std::wstring Row(int row) const
    {
        std::wstring text;
        for (int column = 0; column < 4; ++column) {
            wchar_t buffer[128] = L"";
            LVITEMW item = {};
            item.iSubItem = column;
            item.pszText = buffer;
            item.cchTextMax = 128;
            ::SendMessageW(List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            text += (column ? L" | " : L"") + std::wstring(buffer);
        }
        return text;
    }
    int RowCount() const { return static_cast<int>(::SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
    HWND List() const { return ::GetDlgItem(m_hWnd, IDC_DISK_COST_LIST); }
    HWND Warning() const { return ::GetDlgItem(m_hWnd, IDC_DISK_COST_WARNING); }
    // The top of a control in the dialog's client coordinates.
    int Top(HWND control) const
    {
        RECT rect;
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect.top;
    }
    int Bottom(HWND control) const
    {
        RECT rect;
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect.bottom;
    }
    void Click(int id) { ::SendMessageW(::GetDlgItem(m_hWnd, id), BM_CLICK, 0, 0); }

protected:
    void ComputeVolumeCosts(VolumeCostSet& set) override
    {
        ++costings;
        for (const VolumeCost& volume : volumes)
            set[volume.volume] = volume;
    }
    BOOL OnInitDialog() override
    {
        const BOOL result = CDiskCostDlg::OnInitDialog();
        SetTimer(kShownTimer, 100);
        return result;
    }
    void OnTimer(UINT_PTR id)
    {
        KillTimer(id);
        ::UpdateWindow(m_hWnd);
        m_check(*this);
        if (ContinueModal())  // a check that stopped early
            EndDialog(-2);
    }
    DECLARE_MESSAGE_MAP()

private:
    std::function<void(CShownDiskCost&)> m_check;
};

BEGIN_MESSAGE_MAP(CShownDiskCost, CDiskCostDlg)
    ON_WM_TIMER()
END_MESSAGE_MAP()

// The services a dialog of the wizard needs.
class DiskCostDialogWindowTest : public ::testing::Test {
protected:
    testsupport::StandInServices m_services;
};

VolumeCost Volume(const wchar_t* name, int64_t required, int64_t available)
{
    VolumeCost volume;
    volume.volume = name;
    volume.required = required;
    volume.available = available;
    return volume;
}

}  // namespace

// Opened because a volume is short: the warning shows above the list; after space was freed,
// Recalculate hides it, the list moves up, and Close gives 0.
TEST_F(DiskCostDialogWindowTest, InsufficientModeWarnsUntilTheVolumesSuffice)
{
    std::wstring before, after;
    CShownDiskCost dialog(true, [&](CShownDiskCost& self) {
        EXPECT_TRUE(::IsWindowVisible(self.Warning()));
        EXPECT_EQ(self.Bottom(self.Warning()) + 2, self.Top(self.List()));
        ASSERT_EQ(3, self.RowCount());
        // Sorted by volume name (the list's word sort), whatever the costing's order.
        EXPECT_EQ(L"\\\\server\\share | Unable to determine. | 512 bytes | Unable to determine.", self.Row(0));
        EXPECT_EQ(L"C: | 1.50 GB | 2.00 GB | -512 MB", self.Row(1));
        EXPECT_EQ(L"D: | 1863 GB | 1.07 KB | 1863 GB", self.Row(2));
        before = SaveScreenshot(self.m_hWnd, L"disk-cost-insufficient");

        self.volumes[1].available = 3 * kGigabyte;  // space freed on C:
        self.Click(IDC_DISK_COST_RECALCULATE);
        EXPECT_EQ(2, self.costings);
        EXPECT_FALSE(::IsWindowVisible(self.Warning()));
        EXPECT_EQ(self.Top(self.Warning()), self.Top(self.List()));
        EXPECT_EQ(L"C: | 3.00 GB | 2.00 GB | 1.00 GB", self.Row(1));
        ::UpdateWindow(self.m_hWnd);
        after = SaveScreenshot(self.m_hWnd, L"disk-cost-recalculated");
        self.Click(IDCANCEL);
    });
    dialog.volumes = {Volume(L"D:", 1100, 2000000000000LL), Volume(L"C:", 2 * kGigabyte, 3 * kGigabyte / 2),
        Volume(L"\\\\server\\share", 512, -1)};
    EXPECT_EQ(0, dialog.DoModal());
    EXPECT_FALSE(before.empty());
    EXPECT_FALSE(after.empty());
}

// Opened from the page's button, the dialog never warns, even with a short volume, and Close
// (also Escape) tells the caller that the volume is still short.
TEST_F(DiskCostDialogWindowTest, PlainModeNeverWarnsAndCloseReportsAShortVolume)
{
    std::wstring shot;
    CShownDiskCost dialog(false, [&](CShownDiskCost& self) {
        EXPECT_FALSE(::IsWindowVisible(self.Warning()));
        EXPECT_EQ(self.Top(self.Warning()), self.Top(self.List()));
        EXPECT_EQ(L"C: | 100 bytes | 1.00 KB | -924 bytes", self.Row(0));
        shot = SaveScreenshot(self.m_hWnd, L"disk-cost-plain");
        self.Click(IDC_DISK_COST_RECALCULATE);
        EXPECT_FALSE(::IsWindowVisible(self.Warning()));
        ::SendMessageW(self.m_hWnd, WM_COMMAND, IDCANCEL, 0);  // Escape
    });
    dialog.volumes = {Volume(L"C:", 1024, 100)};
    EXPECT_EQ(ERROR_DISK_FULL, dialog.DoModal());
    EXPECT_FALSE(shot.empty());
}

// A volume that cannot say how much it offers counts as sufficient: the warning, shown at
// opening in insufficient mode, goes with the next recalculation, and Close gives 0.
TEST_F(DiskCostDialogWindowTest, AVolumeOfUnknownSpaceIsNotShort)
{
    CShownDiskCost dialog(true, [&](CShownDiskCost& self) {
        EXPECT_TRUE(::IsWindowVisible(self.Warning()));
        self.Click(IDC_DISK_COST_RECALCULATE);
        EXPECT_FALSE(::IsWindowVisible(self.Warning()));
        self.Click(IDCANCEL);
    });
    dialog.volumes = {Volume(L"Q:", 1LL << 40, -1)};
    EXPECT_EQ(0, dialog.DoModal());
}
