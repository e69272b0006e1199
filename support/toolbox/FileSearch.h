// One directory enumeration that hands out StrictPath results. Names that begin with a dot
// ("." and ".." among them) are never returned for directories.
#pragma once

#include <windows.h>

#include "StrictPath.h"

namespace OrbelToolbox {

class FileSearch {
public:
    // Flags of Find.
    static constexpr DWORD SkipDirectories = 1;
    static constexpr DWORD ReportFailures = 2;

    // A pattern with its directory ("C:\dir\*.txt").
    explicit FileSearch(const wchar_t* pattern);
    // A name pattern in a directory.
    FileSearch(const wchar_t* directory, const wchar_t* namePattern);
    ~FileSearch();
    FileSearch(const FileSearch&) = delete;
    FileSearch& operator=(const FileSearch&) = delete;

    // Advances to the next match; false at the end. After a failed first search (or one that
    // found only skipped directories) the search is spent and a further call is refused (-30).
    bool Find(DWORD flags = 0);

    bool IsFile() const;
    bool IsDirectory() const;
    // The full path of the current match: a Directory for a directory, else the file's path.
    const StrictPath& GetPath() const { return m_current; }
    const WIN32_FIND_DATAW& GetFindData() const { return m_findData; }

private:
    bool IsOpen() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    bool Advance(bool first, DWORD flags);

    WIN32_FIND_DATAW m_findData;
    HANDLE m_handle;
    StrictPath m_pattern;
    StrictPath m_directory;
    StrictPath m_current;
};

}  // namespace OrbelToolbox
