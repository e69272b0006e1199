#include "UserInfoDialogInfo.h"

#include "IniErrorList.h"

namespace {
// Stands for an absent key: no configured value contains it.
const wchar_t kAbsent[] = L"\x01\x02";
}  // namespace

CConfigInfo::DialogInfo* CConfigInfo::UserInfoDialogInfoFactory::CreateDialogInfo(
    CConfigInfo& config, const wchar_t* pageName)
{
    return new UserInfoDialogInfo(config, pageName);
}

CConfigInfo::UserInfoDialogInfo::UserInfoDialogInfo(CConfigInfo& config, const wchar_t* pageName)
    : DialogInfo(config, pageName), m_extraTextRect()
{
}

void CConfigInfo::UserInfoDialogInfo::ReadProperty(
    IniErrorList& errors, const wchar_t* key, const wchar_t* defaultName, CString& property)
{
    CString value;
    m_config.ReadString(GetSectionName(), key, value, kAbsent);
    if (value.Compare(kAbsent) == 0) {
        property = defaultName;
    } else {
        property = value;
        if (value.IsEmpty())
            errors.Add(2, GetSectionName(), key);
    }
}

void CConfigInfo::UserInfoDialogInfo::Load(IniErrorList& errors)
{
    DialogInfo::Load(errors);
    if (!IsShown())
        return;

    ReadProperty(errors, L"RegUserProp", L"USERNAME", m_strUserProperty);
    ReadProperty(errors, L"RegCompanyProp", L"COMPANYNAME", m_strCompanyProperty);
    m_config.ReadString(GetSectionName(), L"User", m_strInitialUser);
    m_config.ReadString(GetSectionName(), L"Company", m_strInitialCompany);
    ReadText(GetSectionName(), L"ExtraText", GetCustomModule(), m_strExtraText, &m_extraTextRect);
}
