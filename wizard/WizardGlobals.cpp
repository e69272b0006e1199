// The wizard's process-wide objects, in their order of construction.
#include "ByteSizeFormatter.h"
#include "FeatureTreeCtrlItem.h"
#include "RichTextModifiers.h"

std::set<HWND> g_rescaledWindows;
ParaLeftIndentModifier g_leftIndentModifier(180, 0);
ParaRightIndentModifier g_rightIndentModifier(180, 0);
FontEffectModifier<1> g_boldModifier(1);
FontColorModifier g_redColorModifier(255);
const IFormatModifier* const g_bodyIndentModifiers[] = {&g_leftIndentModifier, &g_rightIndentModifier, nullptr};
const IFormatModifier* const g_warningModifiers[] = {&g_boldModifier, &g_redColorModifier, nullptr};
std::set<CMsiFeatureTreeCtrlItem*> g_msiFeatureItems;
std::set<CLinkedDistFeatureTreeCtrlItem*> g_linkedDistFeatureItems;
CByteSizeFormatter g_sizeUnits;
