// The confirmation page and the feature-information pages drawn for real over the sample model,
// in the program's frame: the summary with its blocks, the nothing-to-do summary, feature
// information plain and fatal, with screenshots.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <string>
#include <vector>

#include "ConfirmStartDialog.h"
#include "Feature.h"
#include "FeatureInfoDialog.h"
#include "FeatureTree.h"
#include "FrameTestSupport.h"
#include "PrivateMessages.h"
#include "RichEditCtrl.h"
#include "SampleModelFixture.h"
#include "Screenshot.h"
#include "SummaryBlocks.h"
#include "TopDialog.h"
#include "WinApp.h"
#include "WizardDistribution.h"
#include "WizardServicesImpl.h"
#include "resource.h"

using namespace modeltest;

namespace {

using frametest::Pump;

std::wstring Text(HWND window)
{
    wchar_t buffer[4096] = {};
    ::GetWindowTextW(window, buffer, 4096);
    return buffer;
}

class SummaryPagesTest : public wizardtest::SampleModelTest {
protected:
    SummaryPagesTest()
    {
        LoadConfig();
        BuildModel();
        m_app.configInfo = &m_config;
        m_previous = SetWizardDistribution(&m_model);
        Feature(L"ExtrasMenu")->m_display = 0;
    }
    ~SummaryPagesTest() override
    {
        m_frame.reset();
        m_winApp.m_pMainWnd = nullptr;
        SetWizardDistribution(m_previous);
    }

    CTopDialog& Frame()
    {
        if (!m_frame) {
            m_frame.reset(new CTopDialog(nullptr));
            m_winApp.m_pMainWnd = m_frame.get();
            EXPECT_TRUE(m_frame->Create(0u, nullptr));
            m_frame->CenterWindow();
            m_frame->ShowWindow(SW_SHOW);
            ::SetForegroundWindow(m_frame->m_hWnd);
            Pump(100);
        }
        return *m_frame;
    }
    HWND FrameItem(int id) { return ::GetDlgItem(Frame().m_hWnd, id); }
    // Shows the page of `state`; null when the frame does not show it.
    template <class Page> Page* Show(eDialogState state)
    {
        if (!Frame().ShowPage(state))
            return nullptr;
        Pump(300);
        return dynamic_cast<Page*>(Frame().GetCurrentPage());
    }

    testsupport::ScopedWizardServices m_wizard{&GetWizardServicesImpl()};
    CDistribution* m_previous = nullptr;
    CWinApp m_winApp;
    std::unique_ptr<CTopDialog> m_frame;
};

}  // namespace

// Blocks with headings and bullets; the instruction shown, Next enabled, Save File added. Then
// nothing to do: only the installation summary, Next disabled, the instruction hidden; and back
// to a choice with content, the instruction shows again.
TEST_F(SummaryPagesTest, ConfirmationSummaryAndNothingToDo)
{
    AfxInitRichEdit2();
    AllUnchanged(INSTALLSTATE_LOCAL);
    Feature(L"ExtrasMenu")->m_display = 6;  // cannot be installed: its own block
    Plan(L"CoreDocs", INSTALLSTATE_ABSENT, INSTALLSTATE_LOCAL);
    Plan(L"ExtrasTools", INSTALLSTATE_ABSENT, INSTALLSTATE_LOCAL);
    Plan(L"Extras", INSTALLSTATE_ABSENT, INSTALLSTATE_LOCAL);
    Plan(L"CoreHelp", INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT);
    CConfirmStartDialog* page = Show<CConfirmStartDialog>(kConfirmStartDialog);
    ASSERT_NE(nullptr, page);
    HWND summary = page->GetSummaryControl().m_hWnd;
    const std::wstring text = Text(summary);
    EXPECT_NE(std::wstring::npos, text.find(L"Cannot install\r\nExtras\r\nMenu (higher version already installed)"));
    EXPECT_NE(std::wstring::npos, text.find(L"Adding or Changing\r\nCore\r\nHelp\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"Removing\r\nOnly the following Core feature(s):\r\nDocs\r\nAll of Extras\r\nTools"));
    HWND instruction = ::GetDlgItem(page->m_hWnd, IDC_CONFIRM_INSTRUCTION);
    EXPECT_TRUE(::IsWindowVisible(instruction));
    EXPECT_TRUE(::IsWindowEnabled(FrameItem(IDC_FRAME_NEXT)));
    EXPECT_EQ(L"&Save File...", Text(::GetDlgItem(Frame().m_hWnd, 5000)));
    EXPECT_FALSE(SaveScreenshot(Frame().m_hWnd, L"confirm-summary").empty());

    // The warning lines of the upgrading block as the page writes them: one per visible feature,
    // "WARNING:" bold red.
    page->GetSummaryControl().SetReadOnly(FALSE);
    page->GetSummaryControl().SetSel(0, -1);
    page->GetSummaryControl().Clear();
    Feature(L"ExtrasMenu")->m_display = 0;
    Feature(L"ExtrasTools")->m_display = 0;
    RichEditSummaryWriter writer(page->GetSummaryControl());
    const CString warning = L"WARNING:";
    FeatureListBlock::RenderLines(
        {{Feature(L"Core"), CString(), CString(), false}, {Feature(L"CoreDocs"), CString(), CString(), false},
            {Feature(L"ExtrasMenu"), L"System components of Extras will no longer be available", warning, true},
            {Feature(L"ExtrasTools"), L"System components of Extras will no longer be available", warning, true},
            {Feature(L"CoreHelp"), L"Help will not be available", CString(), true}},
        false, writer);
    page->GetSummaryControl().SetReadOnly(TRUE);
    Pump(100);
    EXPECT_EQ(L"Core\r\nDocs\r\nWARNING: System components of Extras will no longer be available\r\n"
              L"Help will not be available\r\n",
        Text(summary));
    EXPECT_FALSE(SaveScreenshot(Frame().m_hWnd, L"confirm-warning-lines").empty());

    // Nothing to do.
    AllUnchanged(INSTALLSTATE_LOCAL);
    page = Show<CConfirmStartDialog>(kConfirmStartDialog);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(L"Installation Summary\r\nNo software will be installed or removed.\r\n", Text(summary));
    EXPECT_FALSE(::IsWindowVisible(instruction));
    EXPECT_FALSE(::IsWindowEnabled(FrameItem(IDC_FRAME_NEXT)));
    EXPECT_TRUE(::IsWindowEnabled(FrameItem(IDCANCEL)));
    EXPECT_FALSE(SaveScreenshot(Frame().m_hWnd, L"confirm-nothing-to-do").empty());

    // A new choice brings the instruction back.
    Plan(L"CoreDocs", INSTALLSTATE_ABSENT, INSTALLSTATE_LOCAL);
    page = Show<CConfirmStartDialog>(kConfirmStartDialog);
    ASSERT_NE(nullptr, page);
    EXPECT_TRUE(::IsWindowVisible(instruction));
    EXPECT_TRUE(::IsWindowEnabled(FrameItem(IDC_FRAME_NEXT)));
}

// State 7 with a plain row: bold header and text, Next enabled; the rows get marked. With a
// fatal row only the fatal ones stay: "Installation Cannot Proceed", Next disabled.
TEST_F(SummaryPagesTest, FeatureInformationPlainAndFatal)
{
    AfxInitRichEdit2();
    AllUnchanged(INSTALLSTATE_LOCAL);
    // Docs are new: its conditioned row applies.
    Plan(L"CoreDocs", INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT);
    Feature(L"Orphan")->m_actionState = INSTALLSTATE_ABSENT;
    Feature(L"Orphan")->m_installedState = INSTALLSTATE_ABSENT;
    Plan(L"Extras", INSTALLSTATE_LOCAL, INSTALLSTATE_LOCAL);
    CFeatureInfoDialog* page = Show<CFeatureInfoDialog>(kFeatureInfoDialog);
    ASSERT_NE(nullptr, page);
    EXPECT_FALSE(page->IsFatal());
    const std::wstring text = Text(page->GetInfoControl().m_hWnd);
    EXPECT_NE(std::wstring::npos, text.find(L"Docs local\r\nDocs are installed locally")) << text.size();
    EXPECT_TRUE(::IsWindowEnabled(FrameItem(IDC_FRAME_NEXT)));
    EXPECT_FALSE(SaveScreenshot(Frame().m_hWnd, L"feature-info-plain").empty());

    // The docs left out: the core's fatal row about it, shown alone (the core's other row
    // applies too, but is not fatal).
    Plan(L"CoreDocs", INSTALLSTATE_ABSENT, INSTALLSTATE_LOCAL);
    page = Show<CFeatureInfoDialog>(kFeatureInfoDialog);
    ASSERT_NE(nullptr, page);
    EXPECT_TRUE(page->IsFatal());
    EXPECT_EQ(IDS_FEATURE_INFO_FATAL_TITLE, page->GetTitleId());
    ASSERT_EQ(1u, page->GetRows().size());
    const auto& row = page->GetRows().front();
    EXPECT_EQ(Feature(L"Core"), row.first);
    EXPECT_EQ(L"Docs absent", std::wstring(row.second.m_header.GetString()));
    EXPECT_NE(0, row.second.m_attributes & ExtraFeatureInfo::kAttrFatal);
    EXPECT_EQ(IDS_FEATURE_INFO_FATAL_ONE, page->GetSubtitleId());
    EXPECT_FALSE(::IsWindowEnabled(FrameItem(IDC_FRAME_NEXT)));
    EXPECT_FALSE(SaveScreenshot(Frame().m_hWnd, L"feature-info-fatal").empty());
}

// With the feature-information cache the rows are recorded, the page is not shown, and a fatal
// row ends the wizard with the quiet run's code for it.
TEST_F(SummaryPagesTest, CachedFeatureInformationEndsOnAFatalRow)
{
    AfxInitRichEdit2();
    m_app.cachingFeatureInfo = true;
    AllUnchanged(INSTALLSTATE_LOCAL);
    Plan(L"CoreDocs", INSTALLSTATE_ABSENT, INSTALLSTATE_LOCAL);
    EXPECT_EQ(nullptr, Show<CFeatureInfoDialog>(kFeatureInfoDialog));
    EXPECT_EQ(1, m_app.cacheFileWrites);
    ASSERT_LE(1u, m_app.cacheEntries.count(L"featureInfo"));
    for (auto it = m_app.cacheEntries.lower_bound(L"featureInfo"); it != m_app.cacheEntries.upper_bound(L"featureInfo");
         ++it)
        EXPECT_EQ(L"true", std::wstring(it->second.at(L"isFatal").GetString()));
    EXPECT_TRUE(Frame().IsWizardEnded());
    EXPECT_EQ(-10004, Frame().GetResultCode());
}
