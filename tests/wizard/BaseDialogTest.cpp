// The dialog base: the window barrier's rows and the design-font rescale.
#include "BaseDialog.h"
#include "DelayLoadException.h"
#include "InstallerErrors.h"
#include "ServiceStandIns.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace testsupport;

namespace {

const UINT kLargeFontDialog = 400;
const UINT kNoFontDialog = 410;
const int kLabel = 401;
const int kEdit = 402;
const int kButton = 403;

// Records what was reported.
class RecordingWizard : public StandInWizardServices {
public:
    struct Report {
        std::wstring message;
        std::wstring details;
        BOOL showDetailsButton;
        BOOL logDetails;
    };
    std::vector<Report> reports;
    void ReportFatalError(const wchar_t* message, const wchar_t* details, BOOL showDetailsButton, BOOL logDetails,
        const CCrashReport*) override
    {
        reports.push_back({message ? message : L"", details ? details : L"", showDetailsButton, logDetails});
    }
};

// A dialog that runs `action` from a message once it is up, then ends with 5.
class CActionDialog : public CBaseDialog {
public:
    CActionDialog(UINT templateId, std::function<void(CActionDialog&)> action)
        : CBaseDialog(templateId, nullptr), m_action(std::move(action))
    {
    }
    HWND marked = nullptr;
    CRect markedRect;
    bool markOnCreate = false;

    LRESULT DoWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_INITDIALOG && markOnCreate) {
            // Sized by the dialog itself before the layout: kept as it is.
            marked = ::CreateWindowExW(0, L"STATIC", L"mine", WS_CHILD | WS_VISIBLE, 3, 4, 50, 20, m_hWnd, nullptr,
                nullptr, nullptr);
            MarkWindowRescaled(marked);
        }
        if (message == WM_APP + 1) {
            m_action(*this);
            EndDialog(5);
            return 0;
        }
        if (message == WM_APP + 2) {
            EndDialog(5);
            return 0;
        }
        LRESULT result = CBaseDialog::DoWindowProc(message, wParam, lParam);
        if (message == WM_INITDIALOG)
            PostMessage(WM_APP + 1);
        return result;
    }
    int DesignX() const { return m_nDesignBaseUnitX; }
    int DesignY() const { return m_nDesignBaseUnitY; }
    int ActualX() const { return m_nActualBaseUnitX; }
    int ActualY() const { return m_nActualBaseUnitY; }

private:
    std::function<void(CActionDialog&)> m_action;
};

CRect ChildRect(HWND dialog, int id)
{
    CRect rect;
    ::GetWindowRect(::GetDlgItem(dialog, id), &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<LPPOINT>(&rect), 2);
    return rect;
}

// The design font's units, measured independently: "MS Sans Serif" 8.
void DesignUnits(HWND window, int& x, int& y)
{
    HDC dc = ::GetDC(window);
    LOGFONTW font = {};
    font.lfHeight = -::MulDiv(8, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
    font.lfWeight = FW_NORMAL;
    wcscpy(font.lfFaceName, L"MS Sans Serif");
    HFONT handle = ::CreateFontIndirectW(&font);
    HGDIOBJ old = ::SelectObject(dc, handle);
    TEXTMETRICW metrics;
    ::GetTextMetricsW(dc, &metrics);
    SIZE size;
    ::GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &size);
    ::SelectObject(dc, old);
    ::DeleteObject(handle);
    ::ReleaseDC(window, dc);
    x = (size.cx / 26 + 1) / 2;
    y = size.cy;
}

struct BarrierRow {
    const char* name;
    std::function<void(CActionDialog&)> raise;
    std::wstring message;  // empty: not compared
    BOOL showDetailsButton;
    BOOL logDetails;
    int quitCode;  // 0: the loop goes on
};

TEST(WindowBarrierTest, ReportsEveryKindAndEndsTheLoopWithItsCode)
{
    StandInServices services;
    RecordingWizard wizard;
    ScopedWizardServices scope(&wizard);
    const BarrierRow rows[] = {
        {"user error", [](CActionDialog&) { throw NoAdminPriv("BarrierTest", 1); }, L"", FALSE, FALSE, -12004},
        {"procedure not found",
            [](CActionDialog&) { throw DelayLoadException(DelayLoadException::kProcedureNotFound, "msi.dll", "MsiFoo"); },
            L"Unable to load procedure <Unknown> from module msi.dll.", TRUE, FALSE, 127},
        {"standard exception", [](CActionDialog&) { throw std::runtime_error("plain failure"); }, L"plain failure", TRUE, FALSE, -1},
        {"unknown kind",
            [](CActionDialog& self) {
                self.PostMessage(WM_APP + 2);  // the loop goes on and reaches this
                throw 42;
            }, L"Unknown Error", TRUE, FALSE, 0},
    };
    for (const BarrierRow& row : rows) {
        SCOPED_TRACE(row.name);
        wizard.reports.clear();
        CActionDialog dialog(kNoFontDialog, [&](CActionDialog& self) { row.raise(self); });
        const INT_PTR result = dialog.DoModal();
        ASSERT_EQ(1u, wizard.reports.size());
        const RecordingWizard::Report& report = wizard.reports[0];
        if (!row.message.empty()) {
            EXPECT_EQ(row.message, report.message);
        }
        EXPECT_EQ(row.showDetailsButton, report.showDetailsButton);
        EXPECT_EQ(row.logDetails, report.logDetails);
        MSG msg;
        const bool quit = ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
        if (row.quitCode != 0) {
            // The quit message ended the dialog's loop and was posted again for the thread.
            EXPECT_EQ(row.quitCode, result);
            ASSERT_TRUE(quit);
            EXPECT_EQ(row.quitCode, static_cast<int>(msg.wParam));
        } else {
            EXPECT_EQ(L"No details available", report.details);
            EXPECT_EQ(5, result);  // the loop went on to the dialog's own end
            EXPECT_FALSE(quit);
        }
    }
}

TEST(BaseDialogTest, RescalesTemplateControlsToTheDesignFontAndGivesThemTheDialogFont)
{
    StandInServices services;
    HFONT dialogFont = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
    services.app.dialogFont = dialogFont;
    CRect mappedOk(140, 100, 190, 114);
    CRect ok, label;
    HWND edit = nullptr, button = nullptr, dialogWindow = nullptr;
    HFONT editFont = nullptr, buttonFont = nullptr;
    int designX = 0, designY = 0;
    CActionDialog dialog(kLargeFontDialog, [&](CActionDialog& self) {
        dialogWindow = self.m_hWnd;
        ::MapDialogRect(self.m_hWnd, &mappedOk);
        ok = ChildRect(self.m_hWnd, IDOK);
        edit = ::GetDlgItem(self.m_hWnd, kEdit);
        button = ::GetDlgItem(self.m_hWnd, kButton);
        editFont = reinterpret_cast<HFONT>(::SendMessageW(edit, WM_GETFONT, 0, 0));
        buttonFont = reinterpret_cast<HFONT>(::SendMessageW(button, WM_GETFONT, 0, 0));
        EXPECT_TRUE(CBaseDialog::IsWindowRescaled(edit));
        EXPECT_TRUE(CBaseDialog::IsWindowRescaled(self.m_hWnd));
        DesignUnits(self.m_hWnd, designX, designY);
        EXPECT_EQ(designX, self.DesignX());
        EXPECT_EQ(designY, self.DesignY());
        EXPECT_LT(self.DesignX(), self.ActualX());  // the template's 14-point font is larger
    });
    ASSERT_EQ(5, dialog.DoModal());
    EXPECT_EQ(::MulDiv(mappedOk.left, dialog.DesignX(), dialog.ActualX()), ok.left);
    EXPECT_EQ(::MulDiv(mappedOk.bottom, dialog.DesignY(), dialog.ActualY()), ok.bottom);
    EXPECT_EQ(dialogFont, buttonFont);
    EXPECT_NE(dialogFont, editFont);  // edits keep the template's font
    // The dialog's entries went with it, so a window that gets one of these handles is rescaled.
    EXPECT_FALSE(CBaseDialog::IsWindowRescaled(edit));
    EXPECT_FALSE(CBaseDialog::IsWindowRescaled(dialogWindow));
}

TEST(BaseDialogTest, AWindowMarkedBeforeTheLayoutKeepsItsSizeAndFont)
{
    StandInServices services;
    services.app.dialogFont = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
    CRect kept;
    HFONT font = nullptr;
    CActionDialog dialog(kLargeFontDialog, [&](CActionDialog& self) {
        kept = CRect(0, 0, 0, 0);
        ::GetWindowRect(self.marked, &kept);
        ::MapWindowPoints(nullptr, self.m_hWnd, reinterpret_cast<LPPOINT>(&kept), 2);
        font = reinterpret_cast<HFONT>(::SendMessageW(self.marked, WM_GETFONT, 0, 0));
    });
    dialog.markOnCreate = true;
    ASSERT_EQ(5, dialog.DoModal());
    const CRect expected(3, 4, 53, 24);
    EXPECT_TRUE(::EqualRect(&expected, &kept));
    EXPECT_NE(services.app.dialogFont, font);
}

TEST(BaseDialogTest, MissingTemplateFailsCreateAndTheModalRun)
{
    StandInServices services;
    CBaseDialog missing(999, nullptr);
    EXPECT_EQ(-1, missing.DoModal());
    CBaseDialog page;
    EXPECT_FALSE(page.Create(999u));
}

}  // namespace
