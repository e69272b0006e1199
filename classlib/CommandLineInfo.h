// CCommandLineInfo: receives the program's arguments one by one (CWinApp::ParseCommandLine).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;
    // One argument after the program name. A leading "/" or "-" is removed and `bFlag` set;
    // `bLast` is set for the final argument. The default does nothing.
    virtual void ParseParam(const wchar_t* param, BOOL bFlag, BOOL bLast);
};

// Splits a whole command line (program name first) as the C run time does for __wargv: blanks
// and tabs separate arguments, double quotes group words ("" inside quotes is one quote),
// 2n backslashes before a quote give n backslashes and the quote groups, 2n+1 backslashes
// give n backslashes and a literal quote, other backslashes are literal. The program name
// ends at the first blank, or at the closing quote when it starts with one.
std::vector<std::wstring> AfxSplitCommandLine(const wchar_t* commandLine);

// Passes every argument of `commandLine` after the program name to `info.ParseParam`.
void AfxParseCommandLine(CCommandLineInfo& info, const wchar_t* commandLine);
