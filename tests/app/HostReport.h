// The report of a test host program: each message box the host was asked to show becomes one
// line "BOX|type|caption|text" (type in hexadecimal, line breaks written as \n and \r) in a
// report file that the test reads after the host ended.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace hostreport {

// Host side: the report file, and the message-box replacement that records into it.
void SetReportFile(const std::wstring& path);
int WINAPI RecordMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// Test side: the "type|caption|text" of every recorded box, in order.
std::vector<std::string> ReadBoxes(const std::wstring& reportFile);

}  // namespace hostreport
