// Format modifiers of the rich-text builder: small objects that each change one field of a
// paragraph or character format, applied in list order to copies of the process-wide default
// formats before plain text is appended to a rich edit control.
//
//   FormatModifierList warning(g_warningModifiers);  // bold, red
//   ParaLeftIndentModifier deeper(360, TRUE);
//   warning.Add(&deeper);
//   AppendRichText(control, L"WARNING:", warning, false);
#pragma once

#include <windows.h>

#include <richedit.h>

#include <vector>

class CRichEditCtrl;

class IFormatModifier {
public:
    virtual ~IFormatModifier() { }
    // Changes the two formats in place.
    virtual void Apply(PARAFORMAT& paragraph, CHARFORMATW& character) const = 0;
};

// Sets (on) or clears the character effect bit `Effect` (1 bold, 4 underline).
template <DWORD Effect> class FontEffectModifier : public IFormatModifier {
public:
    explicit FontEffectModifier(BOOL on) : m_on(on) { }
    void Apply(PARAFORMAT&, CHARFORMATW& character) const override
    {
        if (m_on)
            character.dwEffects |= Effect;
        else
            character.dwEffects &= ~Effect;
    }

private:
    BOOL m_on;
};

class FontColorModifier : public IFormatModifier {
public:
    explicit FontColorModifier(COLORREF color) : m_color(color) { }
    void Apply(PARAFORMAT&, CHARFORMATW& character) const override { character.crTextColor = m_color; }

private:
    COLORREF m_color;
};

// The character height in points.
class FontSizeModifier : public IFormatModifier {
public:
    explicit FontSizeModifier(LONG points) : m_twips(points * 20) { }
    void Apply(PARAFORMAT&, CHARFORMATW& character) const override { character.yHeight = m_twips; }

private:
    LONG m_twips;
};

// Numbering 1 (a bullet) when on, else none.
class ParaBulletModifier : public IFormatModifier {
public:
    explicit ParaBulletModifier(BOOL on) : m_on(on) { }
    void Apply(PARAFORMAT& paragraph, CHARFORMATW&) const override
    {
        paragraph.wNumbering = static_cast<WORD>(m_on ? PFN_BULLET : 0);
    }

private:
    BOOL m_on;
};

// The start indent in twips: added (relative) or set.
class ParaLeftIndentModifier : public IFormatModifier {
public:
    ParaLeftIndentModifier(LONG twips, BOOL relative) : m_twips(twips), m_relative(relative) { }
    void Apply(PARAFORMAT& paragraph, CHARFORMATW&) const override
    {
        paragraph.dxStartIndent = m_relative ? paragraph.dxStartIndent + m_twips : m_twips;
    }

private:
    LONG m_twips;
    BOOL m_relative;
};

// The right indent in twips: added (relative) or set.
class ParaRightIndentModifier : public IFormatModifier {
public:
    ParaRightIndentModifier(LONG twips, BOOL relative) : m_twips(twips), m_relative(relative) { }
    void Apply(PARAFORMAT& paragraph, CHARFORMATW&) const override
    {
        paragraph.dxRightIndent = m_relative ? paragraph.dxRightIndent + m_twips : m_twips;
    }

private:
    LONG m_twips;
    BOOL m_relative;
};

// The first line indented by `twips` against the following ones. Relative: added to the start
// indent and taken from the following lines' offset; absolute: the following lines keep their
// left edge and the first line moves by the value.
class ParaFirstIndentModifier : public IFormatModifier {
public:
    ParaFirstIndentModifier(LONG twips, BOOL relative) : m_twips(twips), m_relative(relative) { }
    void Apply(PARAFORMAT& paragraph, CHARFORMATW&) const override
    {
        if (m_relative) {
            paragraph.dxStartIndent += m_twips;
            paragraph.dxOffset -= m_twips;
        } else {
            paragraph.dxStartIndent = paragraph.dxStartIndent + paragraph.dxOffset + m_twips;
            paragraph.dxOffset = -m_twips;
        }
    }

private:
    LONG m_twips;
    BOOL m_relative;
};

// The process-wide default formats: built on the first call (user-interface thread), never
// rebuilt. The font is the application's dialog font when the user interface speaks the
// language of the distribution's texts; else one made for that language from the font
// template's face and size ("MS Sans Serif", 8 points without it).
void BuildDefaultRichTextFormats();
// Forgets the built defaults, so that the next use builds them again from the language and the
// dialog font of that moment (tests that build them for another language or font).
void ResetDefaultRichTextFormats();
// The defaults (built first when they are not yet).
const PARAFORMAT2& DefaultParaFormat();
const CHARFORMAT2W& DefaultCharFormat();

// The language of the distribution's texts (the configuration's chosen language); the wizard
// sets it once the configuration is read. 0 (the default) means the user interface's language.
void SetRichTextLanguage(LANGID language);
LANGID GetRichTextLanguage();

// An ordered list of modifiers that it never owns (they are globals or the caller's locals and
// outlive the list).
class FormatModifierList {
public:
    FormatModifierList();
    // From an array of pointers ending with a null one.
    explicit FormatModifierList(const IFormatModifier* const* modifiers);
    FormatModifierList(const FormatModifierList& other) = default;
    FormatModifierList& operator=(const FormatModifierList& other) = default;

    // Appends one; the new count.
    size_t Add(const IFormatModifier* modifier);
    size_t GetCount() const { return m_modifiers.size(); }

    // Copies of the defaults with every modifier applied in order.
    void Apply(PARAFORMAT& paragraph, CHARFORMATW& character) const;
    // Sets those formats on the selection: the paragraph format, then the character format.
    void ApplyToSelection(CRichEditCtrl& control) const;

private:
    std::vector<const IFormatModifier*> m_modifiers;
};

// The global modifiers: start and right indent of 180 twips, bold, pure red.
extern ParaLeftIndentModifier g_leftIndentModifier;
extern ParaRightIndentModifier g_rightIndentModifier;
extern FontEffectModifier<CFE_BOLD> g_boldModifier;
extern FontColorModifier g_redColorModifier;
// Null-terminated lists of them: the body's indents, and the warning's bold red.
extern const IFormatModifier* const g_bodyIndentModifiers[];
extern const IFormatModifier* const g_warningModifiers[];
