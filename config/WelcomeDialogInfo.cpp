#include "WelcomeDialogInfo.h"

#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "WindowHelpers.h"

namespace {

const wchar_t kStringsSection[] = L"Strings";
const wchar_t kProgressSection[] = L"InitProgress";

const RECT kTitleRect = {60, 92, 320, 120};
const RECT kTextRect = {60, 120, 320, 222};
const int kTitlePoints = 12;
const LONG kTitleWeight = 800;

int ScreenPixelsPerInchY()
{
    return GetWindowDeviceCaps(nullptr, LOGPIXELSY);
}

}  // namespace

int (*CConfigInfo::WelcomeDialogInfo::s_pfnGetScreenPixelsPerInchY)() = ScreenPixelsPerInchY;

CConfigInfo::DialogInfo* CConfigInfo::WelcomeDialogInfoFactory::CreateDialogInfo(
    CConfigInfo& config, const wchar_t* pageName)
{
    return new WelcomeDialogInfo(config, pageName);
}

CConfigInfo::WelcomeDialogInfo::WelcomeDialogInfo(CConfigInfo& config, const wchar_t* pageName)
    : DialogInfo(config, pageName), m_progressRect(), m_progressColor(RGB(0, 0, 0)), m_bAutoAdvance(false)
{
}

void CConfigInfo::WelcomeDialogInfo::AddStringsText(IniErrorList& errors, const wchar_t* key, const RECT& defaultRect,
    const LOGFONTW* fontMask, const LOGFONTW* fontValues)
{
    CString text;
    RECT rect = defaultRect;
    try {
        ReadText(kStringsSection, key, GetCustomModule(), text, &rect);
    } catch (const ResourceNotFound&) {
        errors.Add(5, kStringsSection, key);
        return;
    }
    AddText(text, rect, fontMask, fontValues, 0, nullptr);
}

void CConfigInfo::WelcomeDialogInfo::Load(IniErrorList& errors)
{
    DialogInfo::Load(errors);
    if (!IsShown())
        return;

    LOGFONTW titleMask = {};
    LOGFONTW titleFont = {};
    titleMask.lfHeight = 1;
    titleMask.lfWeight = 1;
    titleFont.lfHeight = -::MulDiv(kTitlePoints, s_pfnGetScreenPixelsPerInchY(), 72);
    titleFont.lfWeight = kTitleWeight;
    AddStringsText(errors, L"WelcomeTitle", kTitleRect, &titleMask, &titleFont);
    AddStringsText(errors, L"WelcomeText", kTextRect, nullptr, nullptr);

    int left = 0, top = 0, right = 0, bottom = 0;
    m_config.ReadInt(kProgressSection, L"left", left, 0);
    m_config.ReadInt(kProgressSection, L"top", top, 0);
    m_config.ReadInt(kProgressSection, L"right", right, 0);
    m_config.ReadInt(kProgressSection, L"bottom", bottom, 0);
    m_progressRect = RECT{left, top, right, bottom};
    int red = 0, green = 0, blue = 0;
    m_config.ReadInt(kProgressSection, L"red", red, 0);
    m_config.ReadInt(kProgressSection, L"green", green, 0);
    m_config.ReadInt(kProgressSection, L"blue", blue, 0);
    m_progressColor = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);

    int autoAdvance = 0;
    m_config.ReadInt(L"Settings", L"WelcomeAutoAdvance", autoAdvance, 0);
    m_bAutoAdvance = autoAdvance != 0;
}
