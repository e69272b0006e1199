// The destination-folder page's record ([SingleDirectoryDialog]): up to six directory rows
// (directory property and edit label) and two explanatory texts.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "DialogInfo.h"

class CConfigInfo::SingleDirectoryDialogInfo : public CConfigInfo::DialogInfo {
public:
    // Rows beyond this many are reported as Bad Key (and kept).
    static constexpr int kMaxDirectories = 6;

    SingleDirectoryDialogInfo(CConfigInfo& config, const wchar_t* pageName);

    // The base record, then, when the page is shown, Dir1, Dir2... up to the first absent one
    // (none at all gives the row "ZKDIR"), their labels and DirText1 and DirText2.
    void Load(IniErrorList& errors) override;

    // Row `index` (0-based): its directory property and label; nothing is written for an index
    // outside the rows.
    void GetDirectory(int index, CString& property, CString& label) const;
    size_t GetDirectoryCount() const { return m_directories.size(); }
    // The rectangle of the last directory text that is set; all 0 when neither is.
    void GetTextRect(RECT& rect) const { rect = m_textRect; }
    // On 32-bit Windows (not under WOW64) drops the rows whose property the distribution marks
    // 64-bit only; under WOW64 keeps every row.
    void Remove64BitDirectories();

private:
    // The label of row `row`: Dir<row>EditLabel of the custom module, else the program's string
    // "Destination Directory".
    CString ReadLabel(IniErrorList& errors, int row);
    // DirText1 or DirText2 as a text item whose rectangle becomes the text rectangle, when set.
    void AddDirectoryText(IniErrorList& errors, const wchar_t* key, const RECT& defaultRect, const COLORREF* color);

    std::vector<std::pair<CString, CString>> m_directories;
    RECT m_textRect;
};
