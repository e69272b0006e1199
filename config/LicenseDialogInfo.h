// The licence pages' record ([Files]): one or more licence texts, each a file per language
// beside the configuration file, with a caption per language. The page "License" shows the
// texts of LicenseTextFile<LANGID>; "License2" those of License2TextFile<LANGID>,
// License3TextFile<LANGID> and so on.
#pragma once

#include <windows.h>

#include <vector>

#include "CPath.h"
#include "CString.h"
#include "DialogInfo.h"
#include "LangIdMap.h"

class CConfigInfo::LicenseDialogInfo : public CConfigInfo::DialogInfo {
public:
    LicenseDialogInfo(CConfigInfo& config, const wchar_t* pageName);

    // The base record, then, when the page is shown, the licence texts. A file that does not
    // exist is reported (and kept); a page that finds no text reports its first missing key.
    void Load(IniErrorList& errors) override;

    int GetTextFileCount() const { return static_cast<int>(m_texts.size()); }
    bool IsFirstPage() const { return m_bFirstPage; }
    // Licence text `index` for the user's default language; ObjectNotFound past the end.
    const CPath& GetTextFile(int index) const;
    const CString& GetTextFileLabel(int index) const;

private:
    // The [Files] entries of one key prefix as the next licence text; false when none matched.
    bool ReadTextFiles(IniErrorList& errors, const IniSectionMap& files, const CString& prefix);
    void CheckIndex(int index) const;

    std::vector<LangIdMap<CPath>> m_texts;
    std::vector<LangIdMap<CString>> m_captions;
    bool m_bFirstPage;
};
