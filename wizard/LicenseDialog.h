// The licence pages (states 8 and 9): the distribution's licence texts for the chosen language,
// one tab per text when there are several, and the choice between accepting and declining
// them. The page opens with "decline" selected, and Next is enabled only while "accept" is.
// On the first licence page of a beta distribution a notice is shown in bold red.
#pragma once

#include "CPath.h"
#include "GdiObject.h"
#include "LicenseDialogInfo.h"
#include "NestedInstallerDialog.h"
#include "RichEditCtrl.h"
#include "TabCtrl.h"

class CLicenseDialog : public CNestedInstallerDialog {
public:
    // The radio value: the index of the checked button of the group.
    enum { kAccept = 0, kDecline = 1 };

    CLicenseDialog(eDialogState state, CTopDialog* frame);

    UINT GetTitleId() override;
    UINT GetSubtitleId() override;
    // Next (focused) only while "accept" is selected; Back, Cancel and their captions.
    void SetupButtons() override;
    // The bold font on the notice whenever the page made one.
    void OnPaintExtra(CDC* dc) override;

    // Streams the file into the agreement, replacing what it showed. A file that cannot be
    // opened is reported with Retry and Cancel; Retry, or a Cancel that is not confirmed, tries
    // again; a confirmed Cancel ends the wizard as cancelled and loads nothing (false).
    bool LoadLicenseFile(const CString& path);

    int GetRadioValue() const { return m_nRadio; }
    int GetShownText() const { return m_nShown; }
    CTabCtrl& GetTabs() { return m_tabs; }
    CRichEditCtrl& GetAgreement() { return m_agreement; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnShowWindow(BOOL show, UINT status);
    void OnAccept();
    void OnDecline();
    HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT controlType);
    void OnTabChange(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    // One tab per text over the agreement's place, the agreement moved into the display area.
    void CreateTabs(int count);
    void FocusRadio();

    int m_nRadio;
    CConfigInfo::LicenseDialogInfo* m_pLicenseInfo;
    CRichEditCtrl m_agreement;
    CTabCtrl m_tabs;
    int m_nShown;
    CFont m_noticeFont;
};
