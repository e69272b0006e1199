#include "WinApp.h"

#include "Resources.h"

namespace {

// Constant-initialised: set by the constructor whenever during static initialisation it runs.
CWinApp* g_pApp = nullptr;

CString ModuleBaseName(HINSTANCE module)
{
    wchar_t path[MAX_PATH + 1] = {};
    DWORD n = ::GetModuleFileNameW(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return CString();
    }
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p) {
        if (*p == L'\\' || *p == L'/' || *p == L':') {
            name = p + 1;
        }
    }
    CString result(name);
    int dot = result.ReverseFind(L'.');
    return dot > 0 ? result.Left(dot) : result;
}

}  // namespace

CWinApp::CWinApp(const wchar_t* appName) noexcept
    : m_pMainWnd(nullptr), m_hInstance(nullptr), m_lpCmdLine(nullptr), m_pszAppName(appName)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this) {
        g_pApp = nullptr;
    }
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    if (!m_pMainWnd) {
        ::PostQuitMessage(0);
    }
    return CWinThread::Run();
}

int CWinApp::ExitInstance()
{
    return CWinThread::ExitInstance();
}

void CWinApp::WinHelp(DWORD_PTR /*data*/, UINT /*command*/) { }

void CWinApp::ParseCommandLine(CCommandLineInfo& info)
{
    AfxParseCommandLine(info, ::GetCommandLineW());
}

CWinApp* AfxGetApp() noexcept
{
    return g_pApp;
}

CWnd* AfxGetMainWnd() noexcept
{
    CWinApp* app = g_pApp;
    return app ? app->m_pMainWnd : nullptr;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPWSTR lpCmdLine, int /*nCmdShow*/)
{
    CWinApp* app = AfxGetApp();
    if (!app) {
        return -1;
    }
    if (!hInstance) {
        hInstance = ::GetModuleHandleW(nullptr);
    }
    AfxSetInstanceHandle(hInstance);
    app->m_hInstance = hInstance;
    app->m_lpCmdLine = lpCmdLine;
    app->m_nThreadID = ::GetCurrentThreadId();
    if (!app->m_pszAppName) {
        app->m_strAppName = ModuleBaseName(hInstance);
        app->m_pszAppName = app->m_strAppName.GetString();
    }
    return app->RunThreadBody();
}
