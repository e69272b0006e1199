// The media prompt drawn for real: its texts, the folder box and the red error line under a
// folder that does not hold the medium, kept as a screenshot.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "MediaPromptDlg.h"
#include "Screenshot.h"
#include "resource.h"

namespace {

const UINT_PTR kShownTimer = 1;

// A prompt whose medium is nowhere; once shown it runs `check` and is cancelled.
class CShownPrompt : public CMediaPromptDlg {
public:
    explicit CShownPrompt(void (*check)(CShownPrompt&)) : m_check(check)
    {
        m_strCaption = L"Insert Source";
        m_strPrompt = L"Please insert the disk labeled Prompt Sample Disk 2.";
    }
    bool ValidatePath(const CString&) override
    {
        m_strError = L"The specified folder does not contain the correct volume.";
        return false;
    }

    std::wstring screenshot;
    int redPixels = 0;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CMediaPromptDlg::OnInitDialog();
        SetTimer(kShownTimer, 100);
        return result;
    }
    void OnTimer(UINT_PTR id)
    {
        KillTimer(id);
        m_check(*this);
        EndDialog(IDCANCEL);
    }
    DECLARE_MESSAGE_MAP()

private:
    void (*m_check)(CShownPrompt&);
};

BEGIN_MESSAGE_MAP(CShownPrompt, CMediaPromptDlg)
    ON_WM_TIMER()
END_MESSAGE_MAP()

// The pixels of the window `control` drawn in pure red.
int CountRedPixels(HWND control)
{
    RECT rect;
    ::GetClientRect(control, &rect);
    HDC dc = ::GetDC(control);
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            if (::GetPixel(dc, x, y) == RGB(255, 0, 0))
                ++count;
    ::ReleaseDC(control, dc);
    return count;
}

}  // namespace

TEST(MediaPromptWindowTest, TheErrorLineIsDrawnInRedUnderTheFolder)
{
    CShownPrompt prompt([](CShownPrompt& self) {
        ::UpdateWindow(self.m_hWnd);
        self.redPixels = CountRedPixels(::GetDlgItem(self.m_hWnd, IDC_MEDIA_ERROR));
        self.screenshot = SaveScreenshot(self.m_hWnd, L"media-prompt-error-line");
    });
    prompt.SetPath(L"C:\\no medium here");
    EXPECT_EQ(IDCANCEL, prompt.DoModal());
    EXPECT_FALSE(prompt.screenshot.empty());
    EXPECT_GT(prompt.redPixels, 20);
}
