#include "UserInfoDialog.h"

#include "ApplicationServices.h"
#include "Distribution.h"
#include "MsiSession.h"
#include "TopDialog.h"
#include "UserInfoDialogInfo.h"
#include "WizardDistribution.h"
#include "resource.h"

namespace {

const wchar_t kStandardUserProperty[] = L"USERNAME";
const wchar_t kStandardCompanyProperty[] = L"COMPANYNAME";

MsiSmartPtr<MsiSession> DistributionSession()
{
    return WizardDistribution().GetSession();
}

}  // namespace

MsiSmartPtr<MsiSession> (*CUserInfoDialog::s_pfnMergedSession)() = &DistributionSession;

BEGIN_MESSAGE_MAP(CUserInfoDialog, CNestedInstallerDialog)
    ON_WM_SHOWWINDOW()
END_MESSAGE_MAP()

CUserInfoDialog::CUserInfoDialog(eDialogState state, CTopDialog* frame)
    : CNestedInstallerDialog(IDD_USER_INFO_PAGE, state, frame)
{
}

UINT CUserInfoDialog::GetTitleId()
{
    return IDS_USER_INFO_TITLE;
}

UINT CUserInfoDialog::GetSubtitleId()
{
    return IDS_USER_INFO_SUBTITLE;
}

void CUserInfoDialog::DoDataExchange(CDataExchange* dx)
{
    CNestedInstallerDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_USER_EXTRA_TEXT, m_extraText);
    DDX_Text(dx, IDC_USER_NAME, m_strName);
    DDX_Text(dx, IDC_USER_COMPANY, m_strCompany);
}

CString CUserInfoDialog::ChooseInitialValue(MsiSession& session, const CString& specValue, const CString& configured,
    const CString& property, const wchar_t* standardProperty)
{
    if (!specValue.IsEmpty())
        return specValue;
    if (!configured.IsEmpty())
        return configured;
    CString value;
    if (!property.IsEmpty())
        value = session.GetMfcProperty(property);
    if (value.IsEmpty())
        value = session.GetMfcProperty(standardProperty);
    return value;
}

void CUserInfoDialog::StoreValue(
    MsiSession& session, const CString& property, const wchar_t* standardProperty, CString& value)
{
    value.Trim();
    if (!property.IsEmpty())
        session.SetProperty(property, value);
    session.SetProperty(standardProperty, value);
}

BOOL CUserInfoDialog::OnInitDialog()
{
    CNestedInstallerDialog::OnInitDialog();
    auto* info = dynamic_cast<CConfigInfo::UserInfoDialogInfo*>(m_pDialogInfo);
    CString configuredUser;
    CString configuredCompany;
    if (info) {
        m_strUserProperty = info->GetUserProperty();
        m_strCompanyProperty = info->GetCompanyProperty();
        configuredUser = info->GetInitialUser();
        configuredCompany = info->GetInitialCompany();
    }
    CString specName;
    CString specCompany;
    AppServices().GetSpecFileUserInfo(specName, specCompany);
    MsiSmartPtr<MsiSession> session = s_pfnMergedSession();
    m_strName = ChooseInitialValue(*session, specName, configuredUser, m_strUserProperty, kStandardUserProperty);
    m_strCompany = ChooseInitialValue(
        *session, specCompany, configuredCompany, m_strCompanyProperty, kStandardCompanyProperty);
    UpdateData(FALSE);

    if (info) {
        CString extraText;
        RECT place = {};
        info->GetExtraText(extraText, place);
        if (!extraText.IsEmpty()) {
            m_extraText.SetWindowText(extraText);
            if (place.right > place.left && place.bottom > place.top) {
                MapScaledDialogRect(place);
                m_extraText.MoveWindow(&place, FALSE);
                MarkWindowRescaled(m_extraText.m_hWnd);
            }
            m_extraText.ShowWindow(SW_SHOW);
        }
    }
    return TRUE;
}

void CUserInfoDialog::OnShowWindow(BOOL show, UINT status)
{
    CNestedInstallerDialog::OnShowWindow(show, status);
    if (show)
        m_pFrame->SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(m_hWnd, IDC_USER_NAME)), TRUE);
}

BOOL CUserInfoDialog::OnNext()
{
    UpdateData(TRUE);
    MsiSmartPtr<MsiSession> session = s_pfnMergedSession();
    StoreValue(*session, m_strUserProperty, kStandardUserProperty, m_strName);
    StoreValue(*session, m_strCompanyProperty, kStandardCompanyProperty, m_strCompany);
    return TRUE;
}
