// The wizard frame over pages of the test's own: a registry of stand-in pages in place of the
// program's, the application's page switches and answers as the test sets them, and the frame
// as the main window.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ConfigInfo.h"
#include "NestedInstallerDialog.h"
#include "ServiceStandIns.h"
#include "TopDialog.h"
#include "WinApp.h"

namespace frametest {

// Dispatches the thread's messages through the pre-translation of the windows for `ms`.
void Pump(DWORD ms);

const UINT kTestPageTemplate = 500;
const int kTestPageEdit = 501;
const int kTestPageButton = 502;

// What a test page answers and what happened to it.
struct PageScript {
    bool needed = true;
    // Opinions on later pages: state -> shown.
    std::map<eDialogState, bool> visibility;
    BOOL nextAnswer = TRUE;
    std::function<void(CNestedInstallerDialog&)> onNext;  // runs inside OnNext
    std::function<void(CNestedInstallerDialog&)> onShown;
    LRESULT autoPlayAnswer = 0;
    std::vector<UINT> extraButtons;  // ids clicked
    // The page's variable behind its edit box (data exchange).
    CString typed;
    int shown = 0;
    int hidden = 0;
};

class CTestPage : public CNestedInstallerDialog {
public:
    CTestPage(eDialogState state, CTopDialog* frame, PageScript& script)
        : CNestedInstallerDialog(kTestPageTemplate, state, frame), m_script(script)
    {
    }
    bool IsPageNeeded() override { return m_script.needed; }
    BOOL QueryPageVisibility(eDialogState state, bool& show) override
    {
        auto it = m_script.visibility.find(state);
        if (it == m_script.visibility.end())
            return FALSE;
        show = it->second;
        return TRUE;
    }
    BOOL OnNext() override
    {
        if (m_script.onNext)
            m_script.onNext(*this);
        return m_script.nextAnswer;
    }
    void OnPageShown() override
    {
        ++m_script.shown;
        if (m_script.onShown)
            m_script.onShown(*this);
    }
    void OnPageHidden() override { ++m_script.hidden; }
    void OnExtraButton(UINT id) override { m_script.extraButtons.push_back(id); }
    LRESULT CancelAutoPlay() override { return m_script.autoPlayAnswer; }
    UINT GetTitleId() override { return 0; }
    UINT GetSubtitleId() override { return 0; }

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        CNestedInstallerDialog::DoDataExchange(dx);
        DDX_Text(dx, kTestPageEdit, m_script.typed);
    }

private:
    PageScript& m_script;
};

// Answers the application's questions: enabled pages, a restart wanted; cancels counted.
class FrameServices : public testsupport::StandInApplicationServices {
public:
    bool IsDialogEnabled(int state, bool, bool) override { return disabled.count(state) == 0; }
    std::set<int> disabled;
};

// The registry of test pages, in place of the program's for the fixture's life.
class FrameFixture {
public:
    explicit FrameFixture(const std::vector<eDialogState>& states);
    ~FrameFixture();

    PageScript& Script(eDialogState state) { return m_scripts[state]; }
    // Creates the frame (the main window) without showing it; it shows page 1 if it may.
    CTopDialog& CreateFrame();
    CTopDialog& Frame() { return *m_frame; }
    void Click(UINT id);
    // The message boxes asked (captions are the frame's) and the answer they get.
    std::vector<std::wstring> questions;
    int answer = IDYES;

    FrameServices app;
    testsupport::StandInDistributionServices distribution;
    CConfigInfo config;

private:
    class Factory;
    CWinApp m_app;
    testsupport::ScopedApplicationServices m_appScope{&app};
    CNestedInstallerDialog::DialogInfoMap* m_savedRegistry;
    std::vector<std::unique_ptr<Factory>> m_factories;
    std::map<eDialogState, PageScript> m_scripts;
    std::unique_ptr<CTopDialog> m_frame;
    int (WINAPI* m_savedBox)(HWND, LPCWSTR, LPCWSTR, UINT);
};

}  // namespace frametest
