#include "InstallTypeDialogInfo.h"

#include <cwchar>
#include <typeinfo>
#include <vector>

#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "LinkedDistributionInfo.h"

namespace {

const char kSource[] = "InstallTypeDialogInfo";
const wchar_t kTypesSection[] = L"Installation Types";
const DWORD kSectionBufferStep = 256;

// The section's lines in file order; none when it is absent or empty.
std::vector<CString> ReadSectionLines(const wchar_t* iniPath, const wchar_t* section)
{
    std::vector<wchar_t> buffer(kSectionBufferStep);
    DWORD length = 0;
    for (;;) {
        length = ::GetPrivateProfileSectionW(section, buffer.data(), static_cast<DWORD>(buffer.size()), iniPath);
        // A section that did not fit comes back cut at size - 2: read it again with more room.
        if (length < buffer.size() - 2)
            break;
        buffer.resize(buffer.size() * 2);
    }
    std::vector<CString> lines;
    for (const wchar_t* line = buffer.data(); line < buffer.data() + length && *line; line += std::wcslen(line) + 1)
        lines.emplace_back(line);
    return lines;
}

}  // namespace

CConfigInfo::DialogInfo* CConfigInfo::InstallTypeDialogInfoFactory::CreateDialogInfo(
    CConfigInfo& config, const wchar_t* pageName)
{
    return new InstallTypeDialogInfo(config, pageName);
}

void CConfigInfo::InstallTypeDialogInfo::Load(IniErrorList& errors)
{
    DialogInfo::Load(errors);
    if (!IsShown())
        return;
    for (const CString& name : ReadSectionLines(m_config.GetIniPath(), kTypesSection))
        ReadType(errors, name);
}

void CConfigInfo::InstallTypeDialogInfo::ReadType(IniErrorList& errors, const CString& name)
{
    IniSectionMap entries;
    if (m_config.ReadSection(name, entries) == 0) {
        errors.Add(3, name);
        return;
    }
    InstallationType type;
    type.name = name;
    LinkedDistributionInfo* linked = m_config.GetLinkedDistributionInfo();
    for (const auto& entry : entries) {
        const CString& key = entry.first;
        const CString& value = entry.second;
        if (key.Compare(L"Label") == 0) {
            m_config.LoadStringResource(GetCustomModule(), static_cast<UINT>(ParseLeadingNumber(value)), type.label);
        } else if (key.Compare(L"Text") == 0) {
            m_config.LoadStringResource(GetCustomModule(), static_cast<UINT>(ParseLeadingNumber(value)), type.text);
        } else if (key.Compare(L"Icon") == 0) {
            if (value.CompareNoCase(L"Custom") == 0)
                type.icon = InstallationType::kCustomIcon;
            else if (value.CompareNoCase(L"Typical") == 0)
                type.icon = InstallationType::kTypicalIcon;
            else if (value.CompareNoCase(L"Complete") == 0)
                type.icon = InstallationType::kCompleteIcon;
            else
                errors.Add(6, kTypesSection, L"Icon", value);
        } else if (key.Compare(L"Level") == 0) {
            type.level = ParseSignedNumber(value);
        } else if (key.Compare(L"Custom") == 0) {
            type.custom = ParseSignedNumber(value) != 0;
        } else {
            // Any other key names a linked distribution by its section.
            try {
                if (!linked)
                    throw ObjectNotFound(kSource, __LINE__, typeid(CLinkedDistribution), L".ini key", key);
                type.linkedLevels[&linked->FindLinkedDistribution(key)] = ParseSignedNumber(value);
            } catch (const ObjectNotFound&) {
                errors.Add(1, name, key);
            }
        }
    }
    m_types.push_back(type);
}

const InstallationType& CConfigInfo::InstallTypeDialogInfo::GetInstallationType(int index) const
{
    if (index < 0 || index >= GetInstallTypeCount()) {
        CString key;
        key.Format(L"%d", index);
        throw ObjectNotFound(kSource, __LINE__, typeid(InstallationType), L"index", key);
    }
    return m_types[static_cast<size_t>(index)];
}
