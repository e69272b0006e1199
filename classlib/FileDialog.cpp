#include "FileDialog.h"

namespace {

// Room for a chosen path.
const size_t kPathRoom = 32768;

}  // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, const wchar_t* defaultExt, const wchar_t* fileName, DWORD flags,
    const wchar_t* filter, CWnd* parent)
    : m_ofn(), m_bOpenFileDialog(openFileDialog), m_defaultExt(defaultExt), m_fileName(kPathRoom, L'\0')
{
    if (fileName)
        wcsncpy(m_fileName.data(), fileName, kPathRoom - 1);
    if (filter) {
        for (const wchar_t* p = filter; *p; ++p)
            m_filter.push_back(*p == L'|' ? L'\0' : *p);
        m_filter.push_back(L'\0');
        m_filter.push_back(L'\0');
    }
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hwndOwner = CWnd::HandleOf(parent);
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.data();
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrFile = m_fileName.data();
    m_ofn.nMaxFile = static_cast<DWORD>(kPathRoom);
    m_ofn.lpstrDefExt = m_defaultExt.IsEmpty() ? nullptr : m_defaultExt.GetString();
    m_ofn.Flags = flags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal()
{
    BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}
