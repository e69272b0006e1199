#include "resource.h"
#include "EndDialogInfo.h"

#include <cwchar>
#include <cwctype>

#include "DistributionInfo.h"
#include "IniErrorList.h"

namespace {

const wchar_t kEndSection[] = L"EndDialog";
const wchar_t kButtonsSection[] = L"EndDialogButtons";
const wchar_t kCheckboxPrefix[] = L"CheckboxText";
const wchar_t kLaunchUrl[] = L"LaunchURL";
const wchar_t kLaunchExe[] = L"LaunchExe";

// The standard module's texts after a failure and after a cancel.
const UINT kErrorExitId = IDS_END_ERROR_EXIT_TEXT;
const UINT kUserExitId = IDS_END_USER_EXIT_TEXT;

// A readme box with a border and a scroll bar that takes the focus, or one that looks like
// plain static text.
const DWORD kBoxStyles = WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_AUTOVSCROLL;
const DWORD kBoxExStyles = WS_EX_CLIENTEDGE;

const wchar_t* SkipBlanks(const wchar_t* text)
{
    while (*text && std::iswspace(*text))
        ++text;
    return text;
}

bool StartsWith(const wchar_t* text, const wchar_t* prefix)
{
    return std::wcsncmp(text, prefix, std::wcslen(prefix)) == 0;
}

}  // namespace

const RECT CConfigInfo::EndDialogInfo::kDefaultReadmeRect = {7, 43, 377, 100};
const RECT CConfigInfo::EndDialogInfo::kDefaultButtonRect = {31, 198, 103, 216};

CConfigInfo::DialogInfo* CConfigInfo::EndDialogInfoFactory::CreateDialogInfo(
    CConfigInfo& config, const wchar_t* pageName)
{
    return new EndDialogInfo(config, pageName);
}

CConfigInfo::EndDialogInfo::EndDialogInfo(CConfigInfo& config, const wchar_t* pageName) : DialogInfo(config, pageName)
{
}

CConfigInfo::EndDialogInfo::~EndDialogInfo()
{
    for (const auto& entry : m_checkboxes.GetEntries())
        delete entry.second;
}

void CConfigInfo::EndDialogInfo::Load(IniErrorList& errors)
{
    DialogInfo::Load(errors);
    if (!IsShown())
        return;

    ReadReadmeControl(kEndSection, L"Readme", GetCustomModule(), m_pReadme);

    CString executes;
    m_config.ReadString(kEndSection, L"EndExecute", executes);
    IniStringList names;
    CConfigInfo::SplitString(executes, L',', names);
    m_endExecutes.insert(m_endExecutes.end(), names.begin(), names.end());

    CString checkboxText;
    if (m_config.ReadString(kEndSection, kCheckboxPrefix, checkboxText))
        ReadCheckboxes();
    ReadButtons();

    ReadExitText(L"ErrorExit", kErrorExitId, m_strErrorExit);
    ReadExitText(L"UserExit", kUserExitId, m_strUserExit);
}

void CConfigInfo::EndDialogInfo::ReadCheckboxes()
{
    IniSectionMap entries;
    m_config.ReadSection(kEndSection, entries);
    const size_t prefixLength = std::wcslen(kCheckboxPrefix);
    const RECT noRect = {};
    for (const auto& entry : entries) {
        if (!StartsWith(entry.first, kCheckboxPrefix))
            continue;
        LANGID language = static_cast<LANGID>(std::wcstol(entry.first.GetString() + prefixLength, nullptr, 10));
        if (language == 0)
            language = GetFirstLanguage();
        std::unique_ptr<CheckboxInfo> checkbox(new CheckboxInfo);
        // Without a rectangle the page places the check box itself.
        ParseButton(entry.second, GetCustomModule(), noRect, *checkbox);
        if (m_checkboxes.Insert(language, checkbox.get()))
            checkbox.release();
    }

    CString value;
    if (m_config.ReadString(kEndSection, L"CheckboxDefaultState", value)) {
        const bool ticked = ParseSignedNumber(value) != 0;
        for (const auto& entry : m_checkboxes.GetEntries())
            entry.second->SetDefaultState(ticked);
    }
    if (m_config.ReadString(kEndSection, L"CheckboxStateProp", value)) {
        for (const auto& entry : m_checkboxes.GetEntries())
            entry.second->SetStateProperty(value);
    }
}

void CConfigInfo::EndDialogInfo::ReadButtons()
{
    IniSectionMap entries;
    m_config.ReadSection(kButtonsSection, entries);
    for (const auto& entry : entries) {
        std::unique_ptr<ButtonInfo> button(new ButtonInfo);
        if (ParseButton(entry.second, GetCustomModule(), kDefaultButtonRect, *button))
            m_buttons.push_back(std::move(button));
    }
}

void CConfigInfo::EndDialogInfo::ReadExitText(const wchar_t* key, UINT defaultId, CString& text)
{
    CString value;
    if (m_config.ReadString(kEndSection, key, value)) {
        m_config.LoadStringResource(GetCustomModule(), static_cast<UINT>(ParseLeadingNumber(value)), text);
        return;
    }
    DistributionInfo* distribution = m_config.GetDistributionInfo();
    HMODULE standard = distribution ? distribution->GetStandardResourceModule() : ::GetModuleHandleW(nullptr);
    m_config.LoadStringResource(standard, defaultId, text);
}

void CConfigInfo::EndDialogInfo::ReadReadmeControl(
    const wchar_t* section, const wchar_t* key, HMODULE module, std::unique_ptr<TextCtrlInfo>& record)
{
    CString value;
    m_config.ReadString(section, key, value);
    IniStringList items;
    CConfigInfo::SplitString(value, L';', items);
    if (items.empty()) {
        record.reset(new TextCtrlInfo);
        record->SetRect(kDefaultReadmeRect);
        return;
    }
    if (items.back().Compare(L"RTF") == 0)
        record.reset(new RTFTextCtrlInfo);
    else
        record.reset(new TextCtrlInfo);

    const wchar_t* rest = nullptr;
    const bool valid = ParseControlValue(value, module, *record, rest);
    record->SetValid(valid);
    if (!valid)
        return;
    if (record->IsDefaultRect())
        record->SetRect(kDefaultReadmeRect);
    rest = SkipBlanks(rest);
    if (*rest == L';')
        rest = SkipBlanks(rest + 1);
    if (_wcsicmp(rest, L"static") == 0) {
        record->SetStyles(0, kBoxStyles);
        record->SetExStyles(0, kBoxExStyles);
    } else {
        record->SetStyles(kBoxStyles, 0);
        record->SetExStyles(kBoxExStyles, 0);
    }
}

bool CConfigInfo::EndDialogInfo::ParseButton(
    const wchar_t* value, HMODULE module, const RECT& defaultRect, ButtonInfo& record)
{
    const wchar_t* rest = nullptr;
    if (!ParseControlValue(value, module, record, rest))
        return false;
    if (record.IsDefaultRect())
        record.SetRect(defaultRect);
    if (*rest == L';')
        ++rest;

    const bool url = StartsWith(rest, kLaunchUrl);
    const bool exe = !url && StartsWith(rest, kLaunchExe);
    if (!url && !exe)
        return true;
    rest += std::wcslen(url ? kLaunchUrl : kLaunchExe);
    if (*rest != L',')
        return false;
    ++rest;
    record.SetCommand(url ? ButtonInfo::kCommandUrl : ButtonInfo::kCommandExe, rest);
    if (exe)
        m_endExecutes.insert(m_endExecutes.begin(), CString(rest));
    return true;
}

bool CConfigInfo::EndDialogInfo::GetButton(int index, ButtonInfo*& button) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_buttons.size())
        return false;
    button = m_buttons[static_cast<size_t>(index)].get();
    return true;
}

bool CConfigInfo::EndDialogInfo::GetEndExecute(int index, CString& name) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_endExecutes.size())
        return false;
    name = m_endExecutes[static_cast<size_t>(index)];
    return true;
}

bool CConfigInfo::EndDialogInfo::GetCheckbox(CheckboxInfo*& checkbox) const
{
    if (m_checkboxes.IsEmpty())
        return false;
    DistributionInfo* distribution = m_config.GetDistributionInfo();
    const LANGID language = distribution ? distribution->GetUiLanguage() : GetFirstLanguage();
    checkbox = LangIdMap<CheckboxInfo*>::Lookup(language, m_checkboxes, GetFirstLanguage());
    return true;
}
