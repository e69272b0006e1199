#include "MediaPromptDlg.h"

#include <windows.h>

#include <vector>

CMediaPromptDlg::CMediaPromptDlg()
{
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    if (length > 0) {
        std::vector<wchar_t> folder(length);
        if (GetCurrentDirectoryW(length, folder.data()) < length)
            m_strPath = folder.data();
    }
}

CMediaPromptDlg::~CMediaPromptDlg() = default;

bool CMediaPromptDlg::IsMediaPresent()
{
    return ValidatePath(m_strPath);
}
