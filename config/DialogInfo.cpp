#include "DialogInfo.h"

#include <climits>
#include <cstdlib>
#include <cwchar>
#include <cwctype>

#include "CtrlInfo.h"
#include "DistributionInfo.h"
#include "IniErrorList.h"
#include "InstallerErrors.h"
#include "PathHelpers.h"
#include "WindowHelpers.h"
#include "WizardServices.h"

namespace {

const wchar_t kGraphicsSection[] = L"Graphics";
const wchar_t kDialogsSection[] = L"Dialogs";
const wchar_t kWelcomePage[] = L"Welcome";

// The band across the top of a page, 36 dialog units high, and the whole client area.
const RECT kTopBarTarget = {0, 0, 0, 36};
const RECT kFullScreenTarget = {0, 0, 0, 0};
const DialogGraphicInfo::Anchors kTopBarAnchors = {DialogGraphicInfo::kAnchorLeft, DialogGraphicInfo::kAnchorRight,
    DialogGraphicInfo::kAnchorTop, DialogGraphicInfo::kAnchorNone};
const DialogGraphicInfo::Anchors kFullScreenAnchors = {DialogGraphicInfo::kAnchorLeft, DialogGraphicInfo::kAnchorRight,
    DialogGraphicInfo::kAnchorTop, DialogGraphicInfo::kAnchorBottom};

int DisplayBitsPerPixel(HWND window)
{
    return GetWindowDeviceCaps(window, BITSPIXEL);
}

bool IsDigit(wchar_t ch)
{
    return ch >= L'0' && ch <= L'9';
}

bool AllDigits(const CString& text)
{
    for (int i = 0; i < text.GetLength(); ++i) {
        if (!IsDigit(text[i]))
            return false;
    }
    return true;
}

const wchar_t* SkipBlanks(const wchar_t* text)
{
    while (*text && std::iswspace(*text))
        ++text;
    return text;
}

unsigned int Distance(long a, long b)
{
    return a > b ? static_cast<unsigned int>(a - b) : static_cast<unsigned int>(b - a);
}

}  // namespace

void ParseRectangle(const wchar_t* text, RECT& rect, const wchar_t** end)
{
    LONG* members[] = {&rect.left, &rect.top, &rect.right, &rect.bottom};
    const wchar_t* at = text;
    for (LONG* member : members) {
        if (!IsDigit(*at))
            break;
        long long number = 0;
        for (; IsDigit(*at); ++at) {
            if (number <= INT_MAX)
                number = number * 10 + (*at - L'0');
        }
        *member = static_cast<LONG>(number > INT_MAX ? INT_MAX : number);
        if (*at == L',')
            ++at;
    }
    if (end)
        *end = SkipBlanks(at);
}

// ---------------------------------------------------------------------------------------------
// DialogTextInfo

DialogTextInfo::DialogTextInfo(const wchar_t* text, const RECT& rect)
    : m_text(text), m_fontMask(), m_fontValues(), m_color(0), m_bHasColor(false), m_rect(rect),
      m_drawFlags(kDefaultDrawFlags)
{
}

void DialogTextInfo::SetCharFormats(const LOGFONTW& mask, const LOGFONTW& values)
{
    m_fontMask = mask;
    m_fontValues = values;
}

void DialogTextInfo::GetCharFormat(const LOGFONTW& defaultFont, LOGFONTW& font) const
{
    font = defaultFont;
    const LOGFONTW& mask = m_fontMask;
    const LOGFONTW& values = m_fontValues;
    if (mask.lfHeight)
        font.lfHeight = values.lfHeight;
    if (mask.lfWidth)
        font.lfWidth = values.lfWidth;
    if (mask.lfEscapement)
        font.lfEscapement = values.lfEscapement;
    if (mask.lfOrientation)
        font.lfOrientation = values.lfOrientation;
    if (mask.lfWeight)
        font.lfWeight = values.lfWeight;
    if (mask.lfItalic)
        font.lfItalic = values.lfItalic;
    if (mask.lfUnderline)
        font.lfUnderline = values.lfUnderline;
    if (mask.lfStrikeOut)
        font.lfStrikeOut = values.lfStrikeOut;
    if (mask.lfCharSet)
        font.lfCharSet = values.lfCharSet;
    if (mask.lfOutPrecision)
        font.lfOutPrecision = values.lfOutPrecision;
    if (mask.lfClipPrecision)
        font.lfClipPrecision = values.lfClipPrecision;
    if (mask.lfQuality)
        font.lfQuality = values.lfQuality;
    if (mask.lfPitchAndFamily)
        font.lfPitchAndFamily = values.lfPitchAndFamily;
    if (mask.lfFaceName[0])
        std::wmemcpy(font.lfFaceName, values.lfFaceName, LF_FACESIZE);
}

void DialogTextInfo::SetColor(COLORREF color)
{
    m_color = color;
    m_bHasColor = true;
}

COLORREF DialogTextInfo::GetColor() const
{
    return m_bHasColor ? m_color : ::GetSysColor(COLOR_WINDOWTEXT);
}

UINT DialogTextInfo::GetHorizontalAlignment() const
{
    return (m_drawFlags & DT_RIGHT) ? DT_RIGHT : (m_drawFlags & DT_CENTER);
}

void DialogTextInfo::SetAlignment(UINT flags)
{
    if (!flags)
        return;
    m_drawFlags = (m_drawFlags & ~GetHorizontalAlignment()) | flags;
}

// ---------------------------------------------------------------------------------------------
// DialogGraphicInfo

int (*DialogGraphicInfo::s_pfnGetDisplayBitsPerPixel)(HWND) = DisplayBitsPerPixel;

DialogGraphicInfo::DialogGraphicInfo(const std::vector<ResourceIdOrName>& candidates, HMODULE module)
    : m_candidates(candidates), m_module(module), m_hBitmap(nullptr), m_bitmapSize(),
      m_target(), m_anchors{kAnchorNone, kAnchorNone, kAnchorNone, kAnchorNone}
{
}

void DialogGraphicInfo::SetPlacement(const RECT& target, const Anchors* anchors)
{
    m_target = target;
    m_anchors = anchors ? *anchors : Anchors{kAnchorNone, kAnchorNone, kAnchorNone, kAnchorNone};
}

void DialogGraphicInfo::ChooseBitmap(HWND page, HBITMAP* bitmap, RECT* target, RECT* bitmapSize)
{
    RECT client = {};
    ::GetClientRect(page, &client);

    RECT placed = m_target;
    if (target) {
        WizardServices().MapScaledDialogRect(page, placed);
        if (m_anchors.left == kAnchorLeft)
            placed.left += client.left;
        if (m_anchors.right == kAnchorRight)
            placed.right += client.right;
        if (m_anchors.top == kAnchorTop)
            placed.top += client.top;
        if (m_anchors.bottom == kAnchorBottom)
            placed.bottom += client.bottom;
        if (!m_hBitmap)
            Choose(page, placed);
    }

    if (bitmap)
        *bitmap = m_hBitmap;
    if (bitmapSize)
        *bitmapSize = m_bitmapSize;

    // Without a bitmap there is no aspect ratio: edges anchored to it stay as placed.
    if (target && m_bitmapSize.right > 0 && m_bitmapSize.bottom > 0) {
        const long width = std::labs(placed.right - placed.left);
        const long height = std::labs(placed.bottom - placed.top);
        const int bitmapWidth = m_bitmapSize.right;
        const int bitmapHeight = m_bitmapSize.bottom;
        if (m_anchors.left == kAnchorAspect)
            placed.left = placed.right - ::MulDiv(bitmapWidth, static_cast<int>(height), bitmapHeight);
        if (m_anchors.right == kAnchorAspect)
            placed.right = placed.left + ::MulDiv(bitmapWidth, static_cast<int>(height), bitmapHeight);
        if (m_anchors.top == kAnchorAspect)
            placed.top = placed.bottom - ::MulDiv(bitmapHeight, static_cast<int>(width), bitmapWidth);
        if (m_anchors.bottom == kAnchorAspect)
            placed.bottom = placed.top + ::MulDiv(bitmapHeight, static_cast<int>(width), bitmapWidth);
    }
    if (target)
        *target = placed;
}

void DialogGraphicInfo::Choose(HWND page, const RECT& target)
{
    const int displayBits = s_pfnGetDisplayBitsPerPixel(page);
    const long targetWidth = std::labs(target.right - target.left);
    const long targetHeight = std::labs(target.bottom - target.top);
    const bool widthCounts = m_anchors.left != kAnchorAspect && m_anchors.right != kAnchorAspect;
    const bool heightCounts = m_anchors.top != kAnchorAspect && m_anchors.bottom != kAnchorAspect;

    // The size difference weighs more than any difference of colour depth; a bitmap deeper
    // than the display wraps round to a bad depth score.
    unsigned int bestScore = UINT_MAX;
    for (const ResourceIdOrName& candidate : m_candidates) {
        HBITMAP loaded
            = static_cast<HBITMAP>(::LoadImageW(m_module, candidate.Get(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        if (!loaded)
            continue;
        BITMAP info = {};
        if (!::GetObjectW(loaded, sizeof(info), &info)) {
            ::DeleteObject(loaded);
            continue;
        }
        unsigned int score = 0;
        if (widthCounts)
            score += Distance(targetWidth, info.bmWidth) << 16;
        if (heightCounts)
            score += Distance(targetHeight, info.bmHeight) << 16;
        score += static_cast<unsigned int>(displayBits - info.bmBitsPixel) & 0xFFFFu;
        if (score < bestScore) {
            if (m_hBitmap)
                ::DeleteObject(m_hBitmap);
            m_hBitmap = loaded;
            bestScore = score;
            m_bitmapSize = RECT{0, 0, info.bmWidth, info.bmHeight};
        } else {
            ::DeleteObject(loaded);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// CConfigInfo::DialogInfo

CConfigInfo::DialogInfo::DialogInfo(CConfigInfo& config, const wchar_t* pageName)
    : InfoBase(config), m_strPageName(pageName), m_strSectionName(pageName), m_bShown(false)
{
    m_strSectionName += L"Dialog";
}

CConfigInfo::DialogInfo::~DialogInfo() { }

HMODULE CConfigInfo::DialogInfo::GetCustomModule() const
{
    DistributionInfo* distribution = m_config.GetDistributionInfo();
    return distribution ? distribution->GetCustomResourceModule() : nullptr;
}

LANGID CConfigInfo::DialogInfo::GetFirstLanguage() const
{
    DistributionInfo* distribution = m_config.GetDistributionInfo();
    return distribution && distribution->GetLanguageCount() ? distribution->GetLanguageId(0) : 0;
}

void CConfigInfo::DialogInfo::Load(IniErrorList& errors)
{
    const bool fullScreen = m_strPageName.Compare(kWelcomePage) == 0;
    const wchar_t* key = fullScreen ? L"FullScreen" : L"TopBar";

    CString value;
    m_config.ReadString(kGraphicsSection, key, value);
    IniStringList items;
    CConfigInfo::SplitString(value, L',', items);
    std::vector<ResourceIdOrName> candidates;
    for (const CString& item : items) {
        if (AllDigits(item))
            candidates.emplace_back(static_cast<UINT>(ParseLeadingNumber(item) & 0xFFFF));
        else
            candidates.emplace_back(item.GetString());
    }

    // The bitmaps live in the custom language module, else in the program.
    HMODULE module = GetCustomModule();
    if (!module)
        module = ::GetModuleHandleW(nullptr);
    for (const ResourceIdOrName& candidate : candidates) {
        if (!::FindResourceW(module, candidate.Get(), RT_BITMAP)) {
            errors.Add(5, kGraphicsSection, key, value);
            break;
        }
    }

    std::unique_ptr<DialogGraphicInfo> graphic(new DialogGraphicInfo(candidates, module));
    graphic->SetPlacement(
        fullScreen ? kFullScreenTarget : kTopBarTarget, fullScreen ? &kFullScreenAnchors : &kTopBarAnchors);
    m_graphics.push_back(std::move(graphic));

    // The welcome page is always shown.
    if (fullScreen) {
        m_bShown = true;
    } else {
        int shown = 1;
        m_config.ReadInt(kDialogsSection, m_strPageName, shown, 1);
        m_bShown = shown != 0;
    }
}

int CConfigInfo::DialogInfo::AddText(const wchar_t* text, const RECT& rect, const LOGFONTW* fontMask,
    const LOGFONTW* fontValues, UINT drawFlags, const COLORREF* color)
{
    std::unique_ptr<DialogTextInfo> item(new DialogTextInfo(text ? text : L"", rect));
    if (fontMask && fontValues)
        item->SetCharFormats(*fontMask, *fontValues);
    if (color)
        item->SetColor(*color);
    item->SetAlignment(drawFlags);
    m_texts.push_back(std::move(item));
    return static_cast<int>(m_texts.size()) - 1;
}

int CConfigInfo::DialogInfo::AddText(const wchar_t* text, const RECT& rect, UINT drawFlags, const COLORREF* color)
{
    return AddText(text, rect, nullptr, nullptr, drawFlags, color);
}

bool CConfigInfo::DialogInfo::GetText(int index, const LOGFONTW& defaultFont, CString& text, RECT& rect, LOGFONTW& font,
    UINT& drawFlags, COLORREF& color) const
{
    const DialogTextInfo* item = GetTextInfo(index);
    if (!item)
        return false;
    text = item->GetText();
    rect = item->GetRect();
    item->GetCharFormat(defaultFont, font);
    drawFlags = item->GetDrawFlags();
    color = item->GetColor();
    return true;
}

const DialogTextInfo* CConfigInfo::DialogInfo::GetTextInfo(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_texts.size())
        return nullptr;
    return m_texts[static_cast<size_t>(index)].get();
}

bool CConfigInfo::DialogInfo::GetGraphic(int index, HWND page, HBITMAP* bitmap, RECT* target, RECT* bitmapSize)
{
    if (index < 0 || static_cast<size_t>(index) >= m_graphics.size())
        return false;
    m_graphics[static_cast<size_t>(index)]->ChooseBitmap(page, bitmap, target, bitmapSize);
    return true;
}

const DialogGraphicInfo* CConfigInfo::DialogInfo::GetGraphicInfo(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_graphics.size())
        return nullptr;
    return m_graphics[static_cast<size_t>(index)].get();
}

void CConfigInfo::DialogInfo::ReadText(
    const wchar_t* section, const wchar_t* key, HMODULE module, CString& text, RECT* rect) const
{
    CString value;
    m_config.ReadString(section, key, value);
    const int id = ParseSignedNumber(value);
    if (id != 0)
        m_config.LoadStringResource(module, static_cast<UINT>(id), text);
    else
        text = value;

    const int semicolon = value.Find(L';');
    if (rect && semicolon >= 0 && semicolon + 1 < value.GetLength())
        ParseRectangle(value.GetString() + semicolon + 1, *rect);
}

bool CConfigInfo::DialogInfo::ParseControlValue(
    const wchar_t* value, HMODULE module, CtrlInfo& record, const wchar_t*& rest) const
{
    if (!value || !*value)
        return false;

    const wchar_t* at = value;
    int id = 0;
    if (IsStringIdValue(value, at, id)) {
        CString text;
        m_config.LoadStringResource(module, static_cast<UINT>(id), text);
        record.SetText(text);
    } else {
        CString path;
        ResolveFileValue(value, at, path);
        LoadFileToString(record, path);
    }

    at = SkipBlanks(at);
    if (*at == L';')
        at = SkipBlanks(at + 1);
    if (IsDigit(*at)) {
        record.SetDefaultRect(false);
        ParseRectangle(at, record.GetRect(), &at);
    } else {
        record.SetDefaultRect(true);
    }
    rest = at;
    return true;
}

void CConfigInfo::DialogInfo::ResolveFileValue(const wchar_t* value, const wchar_t*& rest, CString& path) const
{
    const wchar_t* semicolon = std::wcschr(value, L';');
    rest = semicolon ? semicolon : value + std::wcslen(value);
    CString name(value, static_cast<int>(rest - value));
    path = MakeAbsolutePath(m_config.GetConfigFolder(), name);
}
