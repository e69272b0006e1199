#include "FeatureInfoDialog.h"

#include "ApplicationServices.h"
#include "CacheEntries.h"
#include "ConfigInfo.h"
#include "DC.h"
#include "Distribution.h"
#include "Feature.h"
#include "FeatureTree.h"
#include "MsiDatabase.h"
#include "MsiInstallerError.h"
#include "MsiRecord.h"
#include "MsiSession.h"
#include "MsiView.h"
#include "PartInfo.h"
#include "PrivateMessages.h"
#include "RichText.h"
#include "TopDialog.h"
#include "WizardDistribution.h"
#include "resource.h"

namespace {

const int kFirstPageState = 3;
// The exit code of a run refused for a fatal row (the quiet run's aborted installation).
const int kFatalRowExitCode = -10004;
const wchar_t kAddDisplayColumn[] = L"ALTER TABLE `ZKExtraFeatureInfo` ADD `DisplayComplete` SHORT TEMPORARY HOLD";
const wchar_t kCacheElement[] = L"featureInfo";

const FontEffectModifier<CFE_BOLD> s_headerBoldModifier(TRUE);
const IFormatModifier* const s_headerModifiers[] = {&s_headerBoldModifier, nullptr};

MsiSmartPtr<MsiSession> MergedSession()
{
    return AppServices().GetConfigInfo().GetMergedPartInfo()->GetSession();
}

bool IsRichTextRow(const ExtraFeatureInfo& row)
{
    return (row.m_attributes & ExtraFeatureInfo::kAttrRichText) != 0;
}

bool IsFatalRow(const ExtraFeatureInfo& row)
{
    return (row.m_attributes & ExtraFeatureInfo::kAttrFatal) != 0;
}

// "`Column`=?" for a text, "`Column` IS NULL" for an empty one (Windows Installer's null).
CString MatchClause(const wchar_t* column, const CString& value)
{
    CString clause;
    clause.Format(value.IsEmpty() ? L"`%s` IS NULL" : L"`%s`=?", column);
    return clause;
}

}  // namespace

void ExpandPropertiesInRtf(CString& text, MsiSession& session)
{
    int position = 0;
    for (;;) {
        const int open = text.Find(L'[', position);
        if (open < 0)
            return;
        int depth = 1;
        int close = -1;
        for (int i = open + 1; i < text.GetLength(); ++i) {
            const wchar_t ch = text[i];
            const bool escaped = text[i - 1] == L'\\';
            if (ch == L'[' && !escaped) {
                ++depth;
            } else if (ch == L']' && !escaped && --depth == 0) {
                close = i;
                break;
            }
        }
        if (close < 0)
            return;
        CString value = session.FormatString(text.Mid(open, close - open + 1));
        EscapeRtfText(value);
        text = text.Left(open) + value + text.Mid(close + 1);
        position = open + value.GetLength();
    }
}

void PrepareFeatureInfoTexts(const ExtraFeatureInfo& row, MsiSession& session, CString& header, CString& info)
{
    if (IsRichTextRow(row)) {
        header = row.m_header;
        info = row.m_info;
        ExpandPropertiesInRtf(header, session);
        ExpandPropertiesInRtf(info, session);
    } else {
        header = session.FormatString(row.m_header);
        info = session.FormatString(row.m_info);
    }
}

void MarkFeatureInfoRowsDisplayed(MsiDatabase& database, int page, const FeatureInfoRows& rows)
{
    try {
        for (const auto& row : rows) {
            const ExtraFeatureInfo& entry = row.second;
            // The shown state travels as a marker too: every field of the record is bound to a
            // marker of the query, in order.
            const CString query = L"UPDATE `ZKExtraFeatureInfo` SET `DisplayComplete`=? WHERE `Feature_`=? AND "
                + MatchClause(L"Condition", entry.m_condition) + L" AND " + MatchClause(L"Header", entry.m_header);
            UINT fields = 2;
            fields += entry.m_condition.IsEmpty() ? 0 : 1;
            fields += entry.m_header.IsEmpty() ? 0 : 1;
            MsiSmartPtr<MsiRecord> record = MsiRecord::Create(fields);
            record->SetInteger(1, page);
            record->SetString(2, row.first->GetName());
            UINT field = 3;
            if (!entry.m_condition.IsEmpty())
                record->SetString(field++, entry.m_condition);
            if (!entry.m_header.IsEmpty())
                record->SetString(field++, entry.m_header);
            MsiSmartPtr<MsiView> view = database.OpenView(L"%s", static_cast<const wchar_t*>(query));
            view->Execute(record.Get());
        }
    } catch (const MsiInstallerError&) {
        // Marking is best effort: an unmarked row only shows again on the other page.
    }
}

CFeatureInfoDialog::CFeatureInfoDialog(eDialogState state, CTopDialog* frame)
    : CNestedInstallerDialog(IDD_FEATURE_INFO, state, frame), m_bFatal(false), m_saveButtonId(0)
{
    AfxInitRichEdit2();
    CConfigInfo::PartInfo* merged = AppServices().GetConfigInfo().GetMergedPartInfo();
    if (!merged)
        return;  // no distribution loaded: the page has nothing to show
    try {
        merged->GetDatabase()->OpenView(L"%s", kAddDisplayColumn)->Execute();
    } catch (const MsiInstallerError&) {
        // The other feature-information page added the column already.
    }
}

BOOL CFeatureInfoDialog::OnInitDialog()
{
    CNestedInstallerDialog::OnInitDialog();
    m_info.SubclassDlgItem(IDC_FEATURE_INFO_TEXT, this);
    return FALSE;
}

bool CFeatureInfoDialog::IsPageNeeded()
{
    m_rows.clear();
    CDistribution& distribution = WizardDistribution();
    ExtraFeatureInfoMap collected{FeatureTreeOrder(distribution.GetFeatureTree())};
    distribution.GetExtraFeatureInfo(GetState(), &collected);
    m_bFatal = false;
    if (GetState() != kFirstPageState) {
        for (const auto& row : collected)
            m_bFatal = m_bFatal || IsFatalRow(row.second);
    }
    for (const auto& row : collected) {
        if (!m_bFatal || IsFatalRow(row.second))
            m_rows.emplace_back(row.first, row.second);
    }
    if (!AppServices().IsCachingFeatureInfo())
        return !m_rows.empty();
    CacheRows();
    return false;
}

void CFeatureInfoDialog::CacheRows()
{
    MsiSmartPtr<MsiSession> session = MergedSession();
    for (const auto& row : m_rows) {
        CString header;
        CString info;
        PrepareFeatureInfoTexts(row.second, *session, header, info);
        CacheAttributes attributes;
        if (IsRichTextRow(row.second))
            attributes[L"isRtf"] = L"true";
        attributes[L"header"] = header;
        if (IsFatalRow(row.second))
            attributes[L"isFatal"] = L"true";
        AppServices().AddCacheEntry(kCacheElement, attributes, info);
    }
    AppServices().WriteCacheFile();
    if (m_bFatal && m_pFrame) {
        // The run ends as a quiet run refused for the same row would.
        m_pFrame->SendMessage(WM_INSTALL_RESULT, static_cast<WPARAM>(static_cast<INT_PTR>(kFatalRowExitCode)));
        m_pFrame->EndWizard();
    }
}

void CFeatureInfoDialog::OnPageShown()
{
    RenderRows();
    MarkFeatureInfoRowsDisplayed(*AppServices().GetConfigInfo().GetMergedPartInfo()->GetDatabase(), GetState(), m_rows);
}

void CFeatureInfoDialog::RenderRows()
{
    m_info.SetReadOnly(FALSE);
    m_info.SetSel(0, -1);
    m_info.Clear();
    m_info.SetReadOnly(TRUE);

    MsiSmartPtr<MsiSession> session = MergedSession();
    const FormatModifierList bold(s_headerModifiers);
    const FormatModifierList plain;
    bool first = true;
    for (const auto& row : m_rows) {
        const bool rtf = IsRichTextRow(row.second);
        CString header;
        CString info;
        PrepareFeatureInfoTexts(row.second, *session, header, info);
        if (rtf) {
            CClientDC dc(this);
            MakeRtfDocuments(header, info, dc.GetSafeHdc());
        }
        header += L"\r";
        if (!first)
            AppendRichText(m_info, L"\r\r", bold, false);
        first = false;
        AppendRichText(m_info, header, bold, rtf);
        AppendRichText(m_info, info, plain, rtf);
    }
    m_info.SetSel(0, 0);
}

UINT CFeatureInfoDialog::GetTitleId()
{
    return m_bFatal ? IDS_FEATURE_INFO_FATAL_TITLE : IDS_FEATURE_INFO_TITLE;
}

UINT CFeatureInfoDialog::GetSubtitleId()
{
    if (GetState() == kFirstPageState)
        return IDS_FEATURE_INFO_SUBTITLE_FIRST;
    if (m_bFatal)
        return m_rows.size() == 1 ? IDS_FEATURE_INFO_FATAL_ONE : IDS_FEATURE_INFO_FATAL_MANY;
    return IDS_FEATURE_INFO_SUBTITLE;
}

bool CFeatureInfoDialog::GetText(int index, CString& text, RECT& rect, LOGFONTW& font, UINT& drawFlags, COLORREF& color)
{
    if (!CNestedInstallerDialog::GetText(index, text, rect, font, drawFlags, color))
        return false;
    if (index == 0)
        text = LoadResourceString(GetTitleId());
    else if (index == 1)
        text = LoadResourceString(GetSubtitleId());
    return true;
}

void CFeatureInfoDialog::SetupButtons()
{
    m_saveButtonId = m_pFrame->AddButton(LoadResourceString(IDS_SAVE_FILE_CAPTION));
    EnableNext(!m_bFatal, !m_bFatal);
}

void CFeatureInfoDialog::OnExtraButton(UINT commandId)
{
    if (m_saveButtonId != 0 && commandId == m_saveButtonId)
        SaveRichTextToFile(m_info);
}
