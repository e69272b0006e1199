// Format modifiers of the rich-text builder (paragraph indents, font effects, colour). For now
// they hold their values; applying them comes with the rich-text builder.
#pragma once

#include <windows.h>

class ParaLeftIndentModifier {
public:
    ParaLeftIndentModifier(long indent, int relative) : m_indent(indent), m_relative(relative) { }
    long m_indent;
    int m_relative;
};

class ParaRightIndentModifier {
public:
    ParaRightIndentModifier(long indent, int relative) : m_indent(indent), m_relative(relative) { }
    long m_indent;
    int m_relative;
};

template <int Effect> class FontEffectModifier {
public:
    explicit FontEffectModifier(int on) : m_on(on) { }
    int m_on;
};

class FontColorModifier {
public:
    explicit FontColorModifier(COLORREF color) : m_color(color) { }
    COLORREF m_color;
};

extern ParaLeftIndentModifier g_leftIndentModifier;
extern ParaRightIndentModifier g_rightIndentModifier;
extern FontEffectModifier<1> g_boldModifier;
extern FontColorModifier g_redColorModifier;
