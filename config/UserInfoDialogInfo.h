// The user-information page's record ([UserInfoDialog]): the properties that receive the user's
// name and company, their initial values and an extra text.
#pragma once

#include <windows.h>

#include "DialogInfo.h"

class CConfigInfo::UserInfoDialogInfo : public CConfigInfo::DialogInfo {
public:
    UserInfoDialogInfo(CConfigInfo& config, const wchar_t* pageName);

    // The base record, then, when the page is shown, the section's keys. A present but empty
    // RegUserProp or RegCompanyProp is a Missing Key; a string id of ExtraText that the custom
    // module lacks throws ResourceNotFound.
    void Load(IniErrorList& errors) override;

    const CString& GetUserProperty() const { return m_strUserProperty; }
    const CString& GetCompanyProperty() const { return m_strCompanyProperty; }
    const CString& GetInitialUser() const { return m_strInitialUser; }
    const CString& GetInitialCompany() const { return m_strInitialCompany; }
    void GetExtraText(CString& text, RECT& rect) const
    {
        text = m_strExtraText;
        rect = m_extraTextRect;
    }

private:
    // A property key: absent gives the default, present and empty a Missing Key.
    void ReadProperty(IniErrorList& errors, const wchar_t* key, const wchar_t* defaultName, CString& property);

    CString m_strUserProperty;
    CString m_strCompanyProperty;
    CString m_strInitialUser;
    CString m_strInitialCompany;
    CString m_strExtraText;
    RECT m_extraTextRect;
};
