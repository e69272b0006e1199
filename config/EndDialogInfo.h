// The end page's record ([EndDialog], [EndDialogButtons]): the readme box, the launch buttons,
// the check box per language, the custom executes to run at the end and the texts shown after a
// failure and after a cancel.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "CtrlInfo.h"
#include "DialogInfo.h"
#include "LangIdMap.h"

class CConfigInfo::EndDialogInfo : public CConfigInfo::DialogInfo {
public:
    // Where the readme box and the launch buttons go when their value gives no rectangle.
    static const RECT kDefaultReadmeRect;
    static const RECT kDefaultButtonRect;

    EndDialogInfo(CConfigInfo& config, const wchar_t* pageName);
    ~EndDialogInfo() override;

    // The base record, then, when the page is shown: the readme, the end executes, the check
    // boxes, the buttons and the two exit texts. A string id the custom module lacks throws
    // ResourceNotFound; a file that cannot be copied throws TempCopyCreationFailed.
    void Load(IniErrorList& errors) override;

    // The readme box: a TextCtrlInfo or an RTFTextCtrlInfo; invalid when no value parsed.
    TextCtrlInfo* GetReadme() const { return m_pReadme.get(); }
    bool GetButton(int index, ButtonInfo*& button) const;
    int GetButtonCount() const { return static_cast<int>(m_buttons.size()); }
    bool GetEndExecute(int index, CString& name) const;
    int GetEndExecuteCount() const { return static_cast<int>(m_endExecutes.size()); }
    // The check box of the distribution's user-interface language; false when none is
    // configured.
    bool GetCheckbox(CheckboxInfo*& checkbox) const;
    // True when a check box is configured for any language.
    bool HasCheckbox() const { return !m_checkboxes.GetEntries().empty(); }
    const CString& GetErrorExitText() const { return m_strErrorExit; }
    const CString& GetUserExitText() const { return m_strUserExit; }

    // The readme value of [section] key: text part, optional rectangle, then optionally "static"
    // (a plain static look) or "RTF" (a rich-text box from the named file) as the last item.
    void ReadReadmeControl(
        const wchar_t* section, const wchar_t* key, HMODULE module, std::unique_ptr<TextCtrlInfo>& record);
    // A button or check-box value: caption, optional rectangle (else `defaultRect`), then
    // optionally "LaunchURL," or "LaunchExe," and the command. A LaunchExe command also goes to
    // the front of the end executes. False when the value does not parse.
    bool ParseButton(const wchar_t* value, HMODULE module, const RECT& defaultRect, ButtonInfo& record);

private:
    void ReadCheckboxes();
    void ReadButtons();
    // An exit text: a string id of the custom module in `key`, else the standard module's
    // string `defaultId`.
    void ReadExitText(const wchar_t* key, UINT defaultId, CString& text);

    std::unique_ptr<TextCtrlInfo> m_pReadme;
    std::vector<std::unique_ptr<ButtonInfo>> m_buttons;
    std::vector<CString> m_endExecutes;
    CString m_strErrorExit;
    CString m_strUserExit;
    LangIdMap<CheckboxInfo*> m_checkboxes;
};
