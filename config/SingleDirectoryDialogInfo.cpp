#include "resource.h"
#include "SingleDirectoryDialogInfo.h"

#include <algorithm>

#include "DistributionServices.h"
#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "PlatformChecks.h"

namespace {

// The row of a directory page that names no directory.
const wchar_t kDefaultDirectory[] = L"ZKDIR";
// The program's "Destination Directory".
const UINT kDefaultLabelId = IDS_DESTINATION_DIRECTORY;

const RECT kText1Rect = {40, 68, 307, 107};
const RECT kText2Rect = {40, 115, 307, 154};
const COLORREF kText2Color = RGB(0, 0, 128);

}  // namespace

CConfigInfo::DialogInfo* CConfigInfo::SingleDirectoryDialogInfoFactory::CreateDialogInfo(
    CConfigInfo& config, const wchar_t* pageName)
{
    return new SingleDirectoryDialogInfo(config, pageName);
}

CConfigInfo::SingleDirectoryDialogInfo::SingleDirectoryDialogInfo(CConfigInfo& config, const wchar_t* pageName)
    : DialogInfo(config, pageName), m_textRect()
{
}

void CConfigInfo::SingleDirectoryDialogInfo::GetDirectory(int index, CString& property, CString& label) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_directories.size())
        return;
    property = m_directories[static_cast<size_t>(index)].first;
    label = m_directories[static_cast<size_t>(index)].second;
}

CString CConfigInfo::SingleDirectoryDialogInfo::ReadLabel(IniErrorList& errors, int row)
{
    CString key;
    key.Format(L"Dir%dEditLabel", row);
    CString label;
    try {
        if (m_config.ReadString(GetSectionName(), key, label, L"", GetCustomModule()))
            return label;
    } catch (const ResourceNotFound&) {
        errors.Add(5, GetSectionName(), key);
        return CString();
    }
    label.LoadString(kDefaultLabelId);
    return label;
}

void CConfigInfo::SingleDirectoryDialogInfo::AddDirectoryText(
    IniErrorList& errors, const wchar_t* key, const RECT& defaultRect, const COLORREF* color)
{
    CString text;
    RECT rect = defaultRect;
    try {
        ReadText(GetSectionName(), key, GetCustomModule(), text, &rect);
    } catch (const ResourceNotFound&) {
        errors.Add(5, GetSectionName(), key);
        return;
    }
    if (text.IsEmpty())
        return;
    AddText(text, rect, 0, color);
    m_textRect = rect;
}

void CConfigInfo::SingleDirectoryDialogInfo::Load(IniErrorList& errors)
{
    DialogInfo::Load(errors);
    if (!IsShown())
        return;

    for (int row = 1;; ++row) {
        CString key;
        key.Format(L"Dir%d", row);
        CString property;
        if (!m_config.ReadString(GetSectionName(), key, property)) {
            if (row == 1)
                m_directories.emplace_back(CString(kDefaultDirectory), ReadLabel(errors, row));
            break;
        }
        m_directories.emplace_back(property, ReadLabel(errors, row));
        if (row > kMaxDirectories)
            errors.Add(1, key, property);
    }

    AddDirectoryText(errors, L"DirText1", kText1Rect, nullptr);
    AddDirectoryText(errors, L"DirText2", kText2Rect, &kText2Color);
}

void CConfigInfo::SingleDirectoryDialogInfo::Remove64BitDirectories()
{
    if (IsWow64())
        return;
    const IDistributionServices& distribution = DistributionServices();
    m_directories.erase(std::remove_if(m_directories.begin(), m_directories.end(),
                            [&distribution](const std::pair<CString, CString>& row) {
                                return distribution.IsPathDefinition64BitOnly(row.first);
                            }),
        m_directories.end());
}
