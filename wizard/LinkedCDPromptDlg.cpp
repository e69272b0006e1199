#include "LinkedCDPromptDlg.h"

#include <windows.h>

#include "IdFile.h"
#include "PathHelpers.h"
#include "resource.h"

CLinkedCDPromptDlg::CLinkedCDPromptDlg() : m_linked(nullptr) { }

void CLinkedCDPromptDlg::SetLinkedDistribution(const CLinkedDistribution& linked, const CString& rootPath)
{
    m_linked = &linked;
    m_strPrompt = linked.m_strCdPrompt;
    m_strCaption = LoadResourceString(IDS_INSERT_SOURCE_CAPTION);
    CString root;
    const UINT driveType = GetVolumeRoot(rootPath, root) ? ::GetDriveTypeW(root) : DRIVE_UNKNOWN;
    if (driveType == DRIVE_CDROM || driveType == DRIVE_REMOVABLE)
        m_strPath = rootPath;
    else
        m_strPath = MakeAbsolutePath(rootPath, linked.m_strVolumeFolder);
}

bool CLinkedCDPromptDlg::ValidatePath(const CString& folder)
{
    bool matches = false;
    if (m_linked && !folder.IsEmpty()) {
        CIdFile idFile(true);
        matches = ReadIdFile(folder, m_linked->m_strIdFile, idFile)
            && idFile.GetDistributionGuid().CompareNoCase(m_linked->m_strGuid) == 0;
    }
    if (!matches)
        m_strError = LoadResourceString(IDS_WRONG_VOLUME);
    return matches;
}
