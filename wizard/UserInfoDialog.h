// The user-information page (state 2): the user's name and organisation, filled in from the
// unattended spec file, the configuration or the merged package's properties, and stored on
// Next as properties of the merged session, so that every part receives them.
#pragma once

#include "Edit.h"
#include "MsiSmartPtr.h"
#include "NestedInstallerDialog.h"

class MsiSession;

class CUserInfoDialog : public CNestedInstallerDialog {
public:
    CUserInfoDialog(eDialogState state, CTopDialog* frame);

    UINT GetTitleId() override;
    UINT GetSubtitleId() override;
    // The name and the organisation trimmed into their properties; always true.
    BOOL OnNext() override;

    const CString& GetUserName() const { return m_strName; }
    const CString& GetCompany() const { return m_strCompany; }

    // The first value of: the spec file's, the configured one, the property named by
    // `property` (when one is named), the standard property `standardProperty`.
    static CString ChooseInitialValue(MsiSession& session, const CString& specValue, const CString& configured,
        const CString& property, const wchar_t* standardProperty);
    // Trims `value`, then sets it as the property named by `property` (when one is named) and
    // as the standard property.
    static void StoreValue(MsiSession& session, const CString& property, const wchar_t* standardProperty, CString& value);

    // Seam: the merged package's session (the wizard's distribution's).
    static MsiSmartPtr<MsiSession> (*s_pfnMergedSession)();

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    // After the page's own handling: the focus on the name.
    void OnShowWindow(BOOL show, UINT status);
    DECLARE_MESSAGE_MAP()

    CEdit m_extraText;
    CString m_strName;
    CString m_strCompany;
    CString m_strUserProperty;     // RegUserProp
    CString m_strCompanyProperty;  // RegCompanyProp
};
