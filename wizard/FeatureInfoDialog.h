// The feature-information pages: state 3 (before the feature selection) and state 7 (after it)
// show the distribution's extra information on the chosen features as rich text, a bold header
// above each text. On state 7 a fatal row turns the page into "Installation Cannot Proceed" with
// Next disabled. With the feature-information cache switch the rows go to the cache file instead
// of being shown.
#pragma once

#include "ExtraFeatureInfo.h"
#include "NestedInstallerDialog.h"
#include "RichEditCtrl.h"

#include <utility>
#include <vector>

class CFeature;
class MsiDatabase;
class MsiSession;

// The rows of one page in the order they are shown.
typedef std::vector<std::pair<CFeature*, ExtraFeatureInfo>> FeatureInfoRows;

// Expands each bracketed property reference ("[Name]", nested brackets counted, a bracket after a
// backslash not) of an RTF fragment through the session, the value escaped for RTF; an unclosed
// reference leaves the rest of the text as it is. Inserted values are never expanded again.
void ExpandPropertiesInRtf(CString& text, MsiSession& session);

// A row's header and information as shown, before RTF rows are wrapped into documents: RTF rows
// with their references expanded and escaped, plain rows formatted through the session.
void PrepareFeatureInfoTexts(const ExtraFeatureInfo& row, MsiSession& session, CString& header, CString& info);

// Marks the rows as shown on `page` in the temporary DisplayComplete column, found by feature,
// condition and header (an empty condition or header matches a null cell). A Windows Installer
// error ends the marking silently.
void MarkFeatureInfoRowsDisplayed(MsiDatabase& database, int page, const FeatureInfoRows& rows);

class CFeatureInfoDialog : public CNestedInstallerDialog {
public:
    CFeatureInfoDialog(eDialogState state, CTopDialog* frame);

    // Collects the rows of the page; on state 7 a fatal row leaves only the fatal ones. With the
    // cache switch the rows are recorded instead (a fatal page ends the wizard) and the page is
    // not needed.
    bool IsPageNeeded() override;
    // Renders the rows and marks them shown.
    void OnPageShown() override;
    UINT GetTitleId() override;
    UINT GetSubtitleId() override;
    // Configured banner texts 0 and 1 follow the fatal variant of the title and subtitle.
    bool GetText(int index, CString& text, RECT& rect, LOGFONTW& font, UINT& drawFlags, COLORREF& color) override;
    // Adds "&Save File..."; Next is enabled unless the page is fatal.
    void SetupButtons() override;
    void OnExtraButton(UINT commandId) override;

    bool IsFatal() const { return m_bFatal; }
    const FeatureInfoRows& GetRows() const { return m_rows; }
    CRichEditCtrl& GetInfoControl() { return m_info; }

protected:
    BOOL OnInitDialog() override;

    void RenderRows();
    void CacheRows();

    CRichEditCtrl m_info;
    FeatureInfoRows m_rows;
    bool m_bFatal;
    UINT m_saveButtonId;
};
