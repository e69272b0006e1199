#include "FrameTestSupport.h"

namespace frametest {

void Pump(DWORD ms)
{
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!AfxPreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        ::Sleep(10);
    } while (::GetTickCount() - start < ms);
}

namespace {

FrameFixture* g_fixture = nullptr;

int WINAPI RecordQuestion(HWND, LPCWSTR text, LPCWSTR, UINT)
{
    g_fixture->questions.push_back(text ? text : L"");
    return g_fixture->answer;
}

}  // namespace

class FrameFixture::Factory : public INestedInstallerDialogFactory {
public:
    Factory(eDialogState state, FrameFixture& fixture) : m_state(state), m_fixture(fixture) { }
    CNestedInstallerDialog* CreateDialog(CTopDialog* frame) override
    {
        return new CTestPage(m_state, frame, m_fixture.Script(m_state));
    }

private:
    eDialogState m_state;
    FrameFixture& m_fixture;
};

FrameFixture::FrameFixture(const std::vector<eDialogState>& states)
    : m_savedRegistry(CNestedInstallerDialog::M_DialogInfoMap), m_savedBox(CNestedInstallerDialog::s_pfnMessageBoxW)
{
    g_fixture = this;
    app.configInfo = &config;
    CNestedInstallerDialog::M_DialogInfoMap = new CNestedInstallerDialog::DialogInfoMap;
    for (eDialogState state : states) {
        m_factories.emplace_back(new Factory(state, *this));
        CNestedInstallerDialog::DialogInfo row = {m_factories.back().get(), L"TestPage", nullptr, kEveryUiMode};
        CNestedInstallerDialog::M_DialogInfoMap->emplace(state, row);
        m_scripts[state];
    }
    CNestedInstallerDialog::s_pfnMessageBoxW = &RecordQuestion;
}

FrameFixture::~FrameFixture()
{
    m_frame.reset();
    m_app.m_pMainWnd = nullptr;
    delete CNestedInstallerDialog::M_DialogInfoMap;
    CNestedInstallerDialog::M_DialogInfoMap = m_savedRegistry;
    CNestedInstallerDialog::s_pfnMessageBoxW = m_savedBox;
    g_fixture = nullptr;
}

CTopDialog& FrameFixture::CreateFrame()
{
    m_frame.reset(new CTopDialog(nullptr));
    m_app.m_pMainWnd = m_frame.get();
    m_frame->Create(0u, nullptr);
    return *m_frame;
}

void FrameFixture::Click(UINT id)
{
    HWND button = ::GetDlgItem(m_frame->m_hWnd, static_cast<int>(id));
    m_frame->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

}  // namespace frametest
