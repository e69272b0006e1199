// CFeatureListDlg: base of the feature page's two modeless dependency dialogs. A header text
// drawn above a one-column report list, an action button and a close button centred below it.
// The dialog lives as long as the page: created hidden with the feature tree as its parent,
// refilled for a feature and shown, hidden again by its buttons or Escape.
//
//   CFeatureDependenciesDlg dialog(&tree);
//   dialog.CreateHidden();
//   dialog.ShowFor(feature);  // fills the list and shows the dialog
#pragma once

#include "BaseDialog.h"
#include "ListCtrl.h"

class CFeature;
class CFeatureTreeCtrl;

class CFeatureListDlg : public CBaseDialog {
public:
    // The column's heading is string `headingId`, or `heading` for 0. `drawFlags`: DrawText
    // options of the header besides word breaking.
    CFeatureListDlg(UINT templateId, UINT listId, UINT actionId, UINT closeId, UINT headingId, const wchar_t* heading,
        UINT drawFlags, CFeatureTreeCtrl* tree);

    // Creates the hidden dialog, owned through the tree's window; FALSE on failure.
    BOOL CreateHidden();
    // Refills the dialog for `feature` (Run) and shows it; the number Run gave.
    size_t ShowFor(CFeature* feature);
    // Fills the dialog for `feature`; the caller shows it afterwards.
    virtual size_t Run(CFeature* feature) = 0;

    CFeature* GetFeature() const { return m_feature; }
    const CString& GetHeader() const { return m_header; }
    CListCtrl& GetList() { return m_list; }

protected:
    // Whether the action button is offered for the feature shown.
    virtual bool IsActionAllowed() const = 0;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnSize(UINT type, int cx, int cy);
    void OnPaint();
    void OnShowWindow(BOOL show, UINT status);
    DECLARE_MESSAGE_MAP()

protected:
    // A new row with `text` and `data` as its parameter, after the last.
    void AppendRow(const wchar_t* text, DWORD_PTR data);
    // Sizes the column to its rows (and its heading with `withHeading`), redraws, lays out.
    void FinishFill(bool withHeading);
    // Places the header, the list and the buttons for the current header and feature.
    void Layout();

    CListCtrl m_list;
    CFeatureTreeCtrl* m_tree;
    CFeature* m_feature;
    CString m_header;
    CRect m_headerRect;

private:
    // The header's rectangle for the current client width and header text.
    void MeasureHeader();
    // The dialog font when the application has one, else the dialog's own.
    HFONT HeaderFont() const;

    UINT m_listId;
    UINT m_actionId;
    UINT m_closeId;
    UINT m_headingId;
    const wchar_t* m_heading;
    UINT m_drawFlags;
};
