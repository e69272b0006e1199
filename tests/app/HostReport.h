// The report of a test host program: each message box the host was asked to show becomes one
// line "BOX|type|caption|text" (type in hexadecimal, line breaks written as \n and \r) in a
// report file that the test reads after the host ended.
#pragma once

#include <windows.h>

#include "FatalErrorDialog.h"

#include <string>
#include <vector>

namespace hostreport {

// Host side: the report file, and the message-box replacement that records into it.
void SetReportFile(const std::wstring& path);
int WINAPI RecordMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
// The fatal-error dialog's run replaced (g_pfnRunFatalErrorDialog): recorded as a box of its
// icon type with OK, the message and, when the Details button is offered, a blank line and the
// details.
INT_PTR RecordFatalErrorDialog(CFatalErrorDialog& dialog);

// Test side: the "type|caption|text" of every recorded box, in order.
std::vector<std::string> ReadBoxes(const std::wstring& reportFile);

}  // namespace hostreport
