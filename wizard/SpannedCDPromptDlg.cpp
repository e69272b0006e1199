#include "SpannedCDPromptDlg.h"

#include "DistributionInfo.h"
#include "IdFile.h"
#include "resource.h"

CSpannedCDPromptDlg::CSpannedCDPromptDlg() : m_settings(nullptr), m_volume(0) { }

void CSpannedCDPromptDlg::SetVolume(const CConfigInfo::DistributionInfo& settings, int volume, const CString& path)
{
    m_settings = &settings;
    m_volume = volume;
    settings.FormatDiskPrompt(m_strPrompt, volume);
    m_strCaption = LoadResourceString(IDS_INSERT_SOURCE_CAPTION);
    m_strPath = path;
}

bool CSpannedCDPromptDlg::ValidatePath(const CString& folder)
{
    bool matches = false;
    if (m_settings) {
        const CString& idPath = m_settings->GetIdFilePath();
        CIdFile idFile(false);
        matches = ReadIdFile(folder, idPath.Mid(idPath.ReverseFind(L'\\') + 1), idFile)
            && idFile.GetDistributionGuid().CompareNoCase(m_settings->GetDistributionGuid()) == 0
            && idFile.GetDistributionVersion() == m_settings->GetVersion() && idFile.GetVolume() == m_volume;
    }
    if (!matches)
        m_strError = LoadResourceString(IDS_WRONG_VOLUME);
    return matches;
}
