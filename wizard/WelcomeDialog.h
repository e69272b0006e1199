// The welcome page (state 1): the configured full-page bitmap and welcome texts, and while the
// loader builds the distribution model a loading bar and a loading line. Next is enabled once
// loading has finished; with WelcomeAutoAdvance, Next and Back stay hidden while loading and the
// page moves on by itself.
#pragma once

#include <cstdint>

#include "NestedInstallerDialog.h"
#include "VelmoProgress.h"

class CWelcomeDialog : public CNestedInstallerDialog {
public:
    CWelcomeDialog(eDialogState state, CTopDialog* frame);

    bool IsLoaded() const { return m_bLoaded; }
    CVelmoProgress& GetLoadingBar() { return m_loadingBar; }

    UINT GetTitleId() override { return 0; }
    UINT GetSubtitleId() override { return 0; }
    // The default question; Yes while loading also cancels the load.
    bool ConfirmCancel() override;
    // Next only once loaded; Back disabled.
    void SetupButtons() override;
    // While loading, one more text: the loading line above the bar.
    int GetTextCount() override;
    bool GetText(int index, CString& text, RECT& rect, LOGFONTW& font, UINT& drawFlags, COLORREF& color) override;

    // The version of the system's comctl32.dll, read by the first page made; below 4.71 the
    // bar takes its range in 16 bits.
    static uint64_t s_comctlVersion;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;

    LRESULT OnLoadProgressRange(WPARAM low, LPARAM high);
    LRESULT OnLoadProgressStep(WPARAM wParam, LPARAM lParam);
    LRESULT OnLoadProgressSetStep(WPARAM size, LPARAM lParam);
    LRESULT OnLoadDone(WPARAM wParam, LPARAM frameWindow);
    DECLARE_MESSAGE_MAP()

    CVelmoProgress m_loadingBar;
    CString m_loadingText;
    RECT m_loadingTextRect;  // in scaled dialog units: the strip above the bar
    bool m_bLoaded;
    bool m_bAutoAdvance;
};
