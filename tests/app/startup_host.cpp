// Test host of the start-up: setup's own start-up (the same application object and entry
// sequence) with the message boxes recorded instead of shown.
//
// The environment variable VELMO_TEST_REPORT names the report file: each box is appended as
// one UTF-8 line "BOX|<type in hex>|<caption>|<text>" (line feeds written as "\n", carriage
// returns as "\r"). The command line is the start-up's own.
#include <windows.h>

#include <string>

#include "MessageBox.h"
#include "VelmoInstaller.h"
#include "WinApp.h"

namespace {

std::wstring g_reportFile;

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &result[0], length, nullptr, nullptr);
    return result;
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
    std::string line = "BOX|" + ToUtf8(typeText) + "|" + ToUtf8(caption ? caption : L"") + "|" + ToUtf8(flat) + "\n";
    HANDLE file = CreateFileW(g_reportFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }
    return IDOK;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow)
{
    wchar_t report[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"VELMO_TEST_REPORT", report, MAX_PATH))
        return 2;
    g_reportFile = report;
    g_pfnMessageBoxW = &RecordMessageBox;
    if (!theApp.CheckPrerequisiteDlls())
        return -1;
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
