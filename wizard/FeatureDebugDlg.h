// CFeatureDebugDlg: "Feature Peek", the internals of one feature as a property list. The feature
// page opens it by its hidden accelerator (Ctrl+Shift+D) and updates it whenever it shows
// another feature while the dialog exists.
//
//   CFeatureDebugDlg::ShowFor(peek, page, feature);  // created on first use, then shown
#pragma once

#include <memory>

#include "BaseDialog.h"
#include "ListCtrl.h"

class CFeature;

class CFeatureDebugDlg : public CBaseDialog {
public:
    CFeatureDebugDlg();

    // Creates `dialog` on first use (owned by `owner`'s window, at the screen's top-left
    // corner), shows `feature` in it and shows it; false when it cannot be created.
    static bool ShowFor(std::unique_ptr<CFeatureDebugDlg>& dialog, CWnd* owner, CFeature* feature);

    void ShowFeature(CFeature* feature);
    CListCtrl& GetList() { return m_list; }

    // The names the list shows for install states and for a part's modes.
    static const wchar_t* StateName(int state);
    static const wchar_t* UpgradeModeName(int mode);
    static const wchar_t* VersionModeName(int mode);
    static const wchar_t* LanguageModeName(int mode);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnSize(UINT type, int cx, int cy);
    DECLARE_MESSAGE_MAP()

protected:
    CListCtrl m_list;

private:
    void AddRow(const wchar_t* property, const wchar_t* value);

    // Distances kept on a resize, in pixels.
    int m_closeBottom;
    int m_listRight;
    int m_listBottom;
    int m_groupRight;
    int m_editRight;
};
