// CWinApp: the application object and the program's main routine AfxWinMain.
//
// The program defines exactly one global object of a class derived from CWinApp. Its
// constructor only records `this`, so it may run at any point of static initialisation;
// AfxWinMain fills its fields and runs it.
#pragma once

#include <windows.h>

#include "CString.h"
#include "CommandLineInfo.h"
#include "WinThread.h"
#include "Wnd.h"

class CWinApp : public CWinThread {
public:
    explicit CWinApp(const wchar_t* appName = nullptr) noexcept;
    ~CWinApp() override;

    // Default: TRUE.
    BOOL InitInstance() override;
    // The message loop; with no main window there is nothing to wait for and it ends at once.
    int Run() override;
    int ExitInstance() override;
    // Help requests: the library starts no help; derived classes override.
    virtual void WinHelp(DWORD_PTR data, UINT command = HELP_CONTEXT);

    // Each argument after the program name, as the C run time splits the process's command
    // line, to info.ParseParam (see AfxParseCommandLine).
    void ParseCommandLine(CCommandLineInfo& info);

    CWnd* m_pMainWnd;             // the main window while it exists
    HINSTANCE m_hInstance;        // the program's module
    LPWSTR m_lpCmdLine;           // the command line without the program name
    const wchar_t* m_pszAppName;  // the program file's name without extension

private:
    friend int AfxWinMain(HINSTANCE, HINSTANCE, LPWSTR, int);
    CString m_strAppName;
};

CWinApp* AfxGetApp() noexcept;
// The application's main window, from any thread; null before there is one.
CWnd* AfxGetMainWnd() noexcept;

// The program's main routine: fills the registered application object's fields, calls
// InitInstance, then ExitInstance (FALSE) or Run (TRUE), and returns their result as the
// process exit code. Exceptions that escape go to the exception hook and give -1.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);
