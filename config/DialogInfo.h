// The configuration record of one wizard page: whether the page is shown, the bitmap drawn on
// it and the extra texts it carries, each with its rectangle in dialog units, font, colour and
// alignment. Pages that need more derive their own records (WelcomeDialogInfo.h,
// UserInfoDialogInfo.h, SingleDirectoryDialogInfo.h, InstallTypeDialogInfo.h,
// LicenseDialogInfo.h, EndDialogInfo.h).
//
// The records are built by CConfigInfo::PopulateDialogInfo before the wizard starts; the pages
// only read them. Only a graphic changes afterwards, when it chooses its bitmap on first use.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "CString.h"
#include "ConfigInfo.h"
#include "ResourceIdOrName.h"

class CtrlInfo;
class IniErrorList;

// Reads up to four comma-separated decimal numbers into left, top, right and bottom of `rect`;
// members not given keep their values. Stops at anything but a digit (signs and blanks end the
// numbers). With `end`, white space after the numbers is skipped and the position returned.
void ParseRectangle(const wchar_t* text, RECT& rect, const wchar_t** end = nullptr);

// One configured text of a page.
class DialogTextInfo {
public:
    // The drawing flags of a new item: word break, expanded tabs, no prefix, word ellipsis.
    static constexpr UINT kDefaultDrawFlags = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_WORD_ELLIPSIS;

    DialogTextInfo(const wchar_t* text, const RECT& rect);

    // The font members the item sets: those whose member in `mask` is not zero, with their
    // values in `values`.
    void SetCharFormats(const LOGFONTW& mask, const LOGFONTW& values);
    // `defaultFont` with the item's members put over it.
    void GetCharFormat(const LOGFONTW& defaultFont, LOGFONTW& font) const;
    void SetColor(COLORREF color);
    // The item's colour, else the system's window text colour.
    COLORREF GetColor() const;
    bool HasColor() const { return m_bHasColor; }
    // Replaces the horizontal alignment by `flags` added to the drawing flags; 0 keeps them.
    void SetAlignment(UINT flags);
    // DT_RIGHT when set, else the DT_CENTER bit (0 for left-aligned text).
    UINT GetHorizontalAlignment() const;

    const CString& GetText() const { return m_text; }
    const RECT& GetRect() const { return m_rect; }
    void SetRect(const RECT& rect) { m_rect = rect; }
    UINT GetDrawFlags() const { return m_drawFlags; }

private:
    CString m_text;
    LOGFONTW m_fontMask;
    LOGFONTW m_fontValues;
    COLORREF m_color;
    bool m_bHasColor;
    RECT m_rect;
    UINT m_drawFlags;
};

// The bitmap of a page: candidate resources of one module, of which the one that fits the
// target and the display best is chosen on first use.
class DialogGraphicInfo {
public:
    // How an edge of the target is placed in the page's client area.
    enum Anchor {
        kAnchorNone = 0,    // the converted edge as it is
        kAnchorLeft = 1,    // left edge measured from the client area's left edge
        kAnchorRight = 2,   // right edge from the client area's right edge
        kAnchorTop = 3,     // top edge from the client area's top edge
        kAnchorBottom = 4,  // bottom edge from the client area's bottom edge
        kAnchorAspect = 5,  // edge computed from the bitmap's aspect ratio
    };
    // The anchors of the left, right, top and bottom edges.
    struct Anchors {
        int left;
        int right;
        int top;
        int bottom;
    };

    DialogGraphicInfo(const std::vector<ResourceIdOrName>& candidates, HMODULE module);
    // The chosen bitmap lives until the end of the process: pages keep drawing it.
    ~DialogGraphicInfo() { }
    DialogGraphicInfo(const DialogGraphicInfo&) = delete;
    DialogGraphicInfo& operator=(const DialogGraphicInfo&) = delete;

    // The target in dialog units and its anchors (null: all kAnchorNone).
    void SetPlacement(const RECT& target, const Anchors* anchors);
    // Places the target in the page window's client area and, while none is chosen, chooses
    // the bitmap (only when a target is asked for). Every out argument may be null.
    void ChooseBitmap(HWND page, HBITMAP* bitmap, RECT* target, RECT* bitmapSize);

    const std::vector<ResourceIdOrName>& GetCandidates() const { return m_candidates; }
    HMODULE GetModule() const { return m_module; }
    const RECT& GetTarget() const { return m_target; }
    const Anchors& GetAnchors() const { return m_anchors; }

    // Seam: the display's colour depth for a window (GetDeviceCaps BITSPIXEL of its DC).
    static int (*s_pfnGetDisplayBitsPerPixel)(HWND window);

private:
    void Choose(HWND page, const RECT& target);

    std::vector<ResourceIdOrName> m_candidates;
    HMODULE m_module;
    HBITMAP m_hBitmap;
    RECT m_bitmapSize;
    RECT m_target;
    Anchors m_anchors;
};

class CConfigInfo::DialogInfo : public CConfigInfo::InfoBase {
public:
    // Sets the names: `pageName` and the section name, the page name followed by "Dialog".
    DialogInfo(CConfigInfo& config, const wchar_t* pageName);
    ~DialogInfo() override;

    // Reads the page's bitmap ([Graphics]) and its shown flag ([Dialogs]). The records that
    // derive from it call it first and read their own keys only when the page is shown.
    void Load(IniErrorList& errors) override;

    bool IsShown() const { return m_bShown; }
    const CString& GetPageName() const { return m_strPageName; }
    const CString& GetSectionName() const { return m_strSectionName; }

    // Appends a text item and returns its index. The font is kept only when both blocks are
    // given; `drawFlags` replaces the alignment (0 keeps the default flags).
    int AddText(const wchar_t* text, const RECT& rect, const LOGFONTW* fontMask, const LOGFONTW* fontValues,
        UINT drawFlags, const COLORREF* color);
    int AddText(const wchar_t* text, const RECT& rect, UINT drawFlags, const COLORREF* color);
    int GetCtrlInfoCount() const { return static_cast<int>(m_texts.size()); }
    // Item `index` with its font merged over `defaultFont`; false past the end.
    bool GetText(int index, const LOGFONTW& defaultFont, CString& text, RECT& rect, LOGFONTW& font, UINT& drawFlags,
        COLORREF& color) const;
    const DialogTextInfo* GetTextInfo(int index) const;

    int GetGraphicCount() const { return static_cast<int>(m_graphics.size()); }
    // Graphic `index` placed on the page window (ChooseBitmap); false past the end.
    bool GetGraphic(int index, HWND page, HBITMAP* bitmap, RECT* target, RECT* bitmapSize);
    const DialogGraphicInfo* GetGraphicInfo(int index) const;

    // A configured text: a value whose leading number is not 0 names that string of `module`
    // (ResourceNotFound when it lacks it), any other value is the text. With `rect`, a
    // rectangle after the first ';' replaces the members it gives.
    void ReadText(const wchar_t* section, const wchar_t* key, HMODULE module, CString& text, RECT* rect) const;

    // The text part of a control value (a string id of `module` or a file whose content becomes
    // the text) and its optional rectangle, into `record`; `rest` is left after them. False for
    // a null or empty value.
    bool ParseControlValue(const wchar_t* value, HMODULE module, CtrlInfo& record, const wchar_t*& rest) const;
    // The file named by the value up to its first ';', made absolute against the configuration
    // folder; `rest` is left at that ';' (or the end).
    void ResolveFileValue(const wchar_t* value, const wchar_t*& rest, CString& path) const;

protected:
    // The custom resource module of the distribution settings (null without one).
    HMODULE GetCustomModule() const;
    // The distribution's first listed language (0 without distribution settings).
    LANGID GetFirstLanguage() const;

private:
    CString m_strPageName;
    CString m_strSectionName;
    bool m_bShown;
    std::vector<std::unique_ptr<DialogTextInfo>> m_texts;
    std::vector<std::unique_ptr<DialogGraphicInfo>> m_graphics;
};
