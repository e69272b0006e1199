// Items of the feature tree and the registries of the live ones. For now only the registries
// (empty at start-up, filled by the feature tree).
#pragma once

#include <windows.h>

#include <set>

class CMsiFeatureTreeCtrlItem;
class CLinkedDistFeatureTreeCtrlItem;

extern std::set<CMsiFeatureTreeCtrlItem*> g_msiFeatureItems;
extern std::set<CLinkedDistFeatureTreeCtrlItem*> g_linkedDistFeatureItems;

// Windows whose dialog layout has already been rescaled.
extern std::set<HWND> g_rescaledWindows;
