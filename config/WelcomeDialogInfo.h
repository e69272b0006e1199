// The welcome page's record: its title and text, the load-progress bar ([InitProgress]) and
// automatic advance ([Settings] WelcomeAutoAdvance).
#pragma once

#include <windows.h>

#include "DialogInfo.h"

class CConfigInfo::WelcomeDialogInfo : public CConfigInfo::DialogInfo {
public:
    WelcomeDialogInfo(CConfigInfo& config, const wchar_t* pageName);

    // The base record, then, when the page is shown, the title ([Strings] WelcomeTitle, 12 points
    // bold), the text ([Strings] WelcomeText), the progress bar and the auto-advance flag.
    void Load(IniErrorList& errors) override;

    // The progress bar's rectangle in dialog units and its colour.
    const RECT& GetProgressRect() const { return m_progressRect; }
    COLORREF GetProgressColor() const { return m_progressColor; }
    // Whether the welcome page moves on by itself once the load is done (the spec file may
    // change it).
    bool IsAutoAdvance() const { return m_bAutoAdvance; }
    void SetAutoAdvance(bool autoAdvance) { m_bAutoAdvance = autoAdvance; }

    // Seam: the screen's vertical pixels per inch, which sizes the title's font.
    static int (*s_pfnGetScreenPixelsPerInchY)();

private:
    // One [Strings] text added as an item; a missing string resource is recorded instead.
    void AddStringsText(IniErrorList& errors, const wchar_t* key, const RECT& defaultRect, const LOGFONTW* fontMask,
        const LOGFONTW* fontValues);

    RECT m_progressRect;
    COLORREF m_progressColor;
    bool m_bAutoAdvance;
};
