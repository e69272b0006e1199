// The destination-folder page's configuration record: its directory rows (directory property
// and edit label).
#pragma once

#include <utility>
#include <vector>

#include "ConfigInfo.h"

class CConfigInfo::SingleDirectoryDialogInfo : public CConfigInfo::DialogInfo {
public:
    explicit SingleDirectoryDialogInfo(const wchar_t* sectionName) : DialogInfo(sectionName) {}

    // Row `index` (0-based): its directory property and label; nothing is written for an index
    // outside the rows.
    void GetDirectory(int index, CString& property, CString& label) const
    {
        if (index < 0 || static_cast<size_t>(index) >= m_directories.size())
            return;
        property = m_directories[static_cast<size_t>(index)].first;
        label = m_directories[static_cast<size_t>(index)].second;
    }
    size_t GetDirectoryCount() const { return m_directories.size(); }
    void AddDirectory(const CString& property, const CString& label) { m_directories.emplace_back(property, label); }

private:
    std::vector<std::pair<CString, CString>> m_directories;
};
