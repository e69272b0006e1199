// The welcome page's configuration record: the load-progress bar and automatic advance.
#pragma once

#include "ConfigInfo.h"

class CConfigInfo::WelcomeDialogInfo : public CConfigInfo::DialogInfo {
public:
    explicit WelcomeDialogInfo(const wchar_t* sectionName) : DialogInfo(sectionName), m_bAutoAdvance(false) {}

    // Whether the welcome page moves on by itself once the load is done.
    bool IsAutoAdvance() const { return m_bAutoAdvance; }
    void SetAutoAdvance(bool autoAdvance) { m_bAutoAdvance = autoAdvance; }

private:
    bool m_bAutoAdvance;
};
