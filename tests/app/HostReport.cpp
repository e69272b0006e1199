#include "HostReport.h"

#include "TestSupport.h"

namespace hostreport {

namespace {

std::wstring g_reportFile;

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int length
        = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &result[0], length, nullptr, nullptr);
    return result;
}

}  // namespace

void SetReportFile(const std::wstring& path)
{
    g_reportFile = path;
}

int WINAPI RecordMessageBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type)
{
    std::wstring flat;
    for (const wchar_t* p = text ? text : L""; *p; ++p) {
        if (*p == L'\n')
            flat += L"\\n";
        else if (*p == L'\r')
            flat += L"\\r";
        else
            flat += *p;
    }
    wchar_t typeText[16];
    wsprintfW(typeText, L"%X", type);
    const std::string line
        = "BOX|" + ToUtf8(typeText) + "|" + ToUtf8(caption ? caption : L"") + "|" + ToUtf8(flat) + "\n";
    HANDLE file = CreateFileW(g_reportFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }
    return IDOK;
}

std::vector<std::string> ReadBoxes(const std::wstring& reportFile)
{
    std::vector<std::string> boxes;
    const std::string bytes = testsupport::ReadFileBytes(reportFile);
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos)
            end = bytes.size();
        if (bytes.compare(pos, 4, "BOX|") == 0)
            boxes.push_back(bytes.substr(pos + 4, end - pos - 4));
        pos = end + 1;
    }
    return boxes;
}

INT_PTR RecordFatalErrorDialog(CFatalErrorDialog& dialog)
{
    CString text = dialog.GetMessage();
    if (dialog.IsDetailsButtonShown()) {
        text += L"\r\n\r\n";
        text += dialog.GetDetails();
    }
    return RecordMessageBox(nullptr, text, dialog.GetCaption(), MB_OK | dialog.GetIconType());
}

}  // namespace hostreport
