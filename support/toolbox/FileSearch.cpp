#include "FileSearch.h"

#include "ErrorModeGuard.h"
#include "ToolboxFailure.h"

namespace OrbelToolbox {

namespace {

constexpr wchar_t kFind[] = L"OrbelToolbox::FileSearch::Find";

}  // namespace

FileSearch::FileSearch(const wchar_t* pattern)
    : m_findData(), m_handle(nullptr), m_pattern(pattern, StrictPath::AllowWild),
      m_directory(pattern, StrictPath::AllowWild), m_current(0)
{
    m_directory.GetParentDirectory();
}

FileSearch::FileSearch(const wchar_t* directory, const wchar_t* namePattern)
    : m_findData(), m_handle(nullptr), m_pattern(directory, StrictPath::Directory | StrictPath::AllowWild),
      m_directory(directory, StrictPath::Directory | StrictPath::AllowWild), m_current(0)
{
    m_pattern.Append(namePattern, StrictPath::FileName);
}

FileSearch::~FileSearch()
{
    if (IsOpen()) {
        FindClose(m_handle);
    }
}

bool FileSearch::Find(DWORD flags)
{
    if (m_handle == INVALID_HANDLE_VALUE) {
        Refuse(-30, L"%s failed on previous call. It should not be called again.", kFind);
    }
    const bool first = m_handle == nullptr;
    if (!Advance(first, flags)) {
        return false;
    }
    // Directories the caller does not want, and those whose names begin with a dot, are passed.
    while ((m_findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        && ((flags & SkipDirectories) || m_findData.cFileName[0] == L'.')) {
        if (!Advance(false, flags)) {
            if (first) {
                FindClose(m_handle);
                m_handle = INVALID_HANDLE_VALUE;
                if (flags & ReportFailures) {
                    Refuse(
                        -32, L"%s failed because directories were found that match, but no files were found.", kFind);
                }
            }
            return false;
        }
    }
    const bool directory = (m_findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    m_current = m_directory;
    m_current.Append(m_findData.cFileName, directory ? StrictPath::Directory : StrictPath::FileName);
    return true;
}

bool FileSearch::Advance(bool first, DWORD flags)
{
    ErrorModeGuard errorMode;
    if (!first) {
        return FindNextFileW(m_handle, &m_findData) != FALSE;
    }
    m_handle = FindFirstFileW(m_pattern.GetText(), &m_findData);
    if (m_handle == INVALID_HANDLE_VALUE) {
        if (flags & ReportFailures) {
            RefuseLastWindowsError(L"FindFirstFile");
        }
        return false;
    }
    return true;
}

bool FileSearch::IsFile() const
{
    return IsOpen() && !(m_findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileSearch::IsDirectory() const
{
    return IsOpen() && (m_findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace OrbelToolbox
