// The popup menus of the feature tree's items: owner-drawn entries, each with a 32 by 16 pixel
// icon and a text, grouped by separators half a menu bar high. CMsiFeatureMenu offers the
// install states an ordinary feature may take (the texts depend on its current state) and the
// dialogs about its dependencies; CLinkedDistFeatureMenu lists a linked distribution's choices.
// The menus only build entries: the tree routes the chosen command to the item.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "CString.h"
#include "GdiObject.h"
#include "MenuTreeCtrl.h"
#include "UniqueHandle.h"

class CFeature;

// Commands of the feature menus.
const UINT ID_FEATURE_LOCAL = 32772;
const UINT ID_FEATURE_LOCAL_ALL = 32773;
const UINT ID_FEATURE_SEPARATOR_LOCAL = 32774;
const UINT ID_FEATURE_SOURCE = 32775;
const UINT ID_FEATURE_SOURCE_ALL = 32776;
const UINT ID_FEATURE_SEPARATOR_SOURCE = 32777;
const UINT ID_FEATURE_NETWORK = 32778;
const UINT ID_FEATURE_NETWORK_ALL = 32779;
const UINT ID_FEATURE_SEPARATOR_NETWORK = 32780;
const UINT ID_FEATURE_ADVERTISE = 32781;
const UINT ID_FEATURE_SEPARATOR_ADVERTISE = 32782;
const UINT ID_FEATURE_ABSENT = 32783;
const UINT ID_FEATURE_ABSENT_GRAYED = 32784;
const UINT ID_FEATURE_SHOW_DEPENDENTS = 33045;
const UINT ID_FEATURE_SHOW_BROKEN = 33046;
// A linked distribution's menu item n has the command ID_LINKED_FIRST + n.
const UINT ID_LINKED_FIRST = 32787;
const int kLinkedMenuMaxItems = 256;

// One entry of a menu: the record the platform hands back when the entry is measured and drawn.
struct FeatureMenuEntry {
    UINT flags;  // MF_OWNERDRAW, with MF_GRAYED or MF_SEPARATOR
    CString text;
    OrbelToolbox::UniqueIcon icon;
    bool disabled;
};

// What an ordinary feature's menu depends on.
struct MsiFeatureMenuFacts {
    bool localAllowed;
    bool sourceAllowed;
    bool absentAllowed;
    bool advertiseAllowed;
    bool network;
    bool visibleChildren;
    int currentState;
    int dependents;       // selected features that need this one
    int unfixableBroken;  // broken dependencies the selection does not fix
    bool blocked;
};

// One row of an ordinary feature's menu.
struct MsiFeatureMenuRow {
    UINT id;
    UINT icon;  // 0 for a separator
    UINT text;  // string id; 0 for a separator
    bool grayed;
};

class CFeatureTreeCtrlMenu : public CMenuTreeCtrlMenu {
public:
    CFeatureTreeCtrlMenu(CMenuTreeCtrl* tree, CFeature* feature);
    ~CFeatureTreeCtrlMenu() override;

    bool Build() override;
    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
    void MeasureItem(LPMEASUREITEMSTRUCT measureItem) override;
    // Appends the entries; the number of counted entries.
    virtual int FillItems() = 0;

    const std::vector<std::unique_ptr<FeatureMenuEntry>>& GetEntries() const { return m_entries; }

protected:
    void AppendSeparator(UINT id);
    // An entry with the icon `iconId` of the program's module (none for 0).
    void AppendEntry(UINT id, const CString& text, UINT iconId, bool grayed);

    CFeature* m_feature;
    CFont m_font;
    std::vector<std::unique_ptr<FeatureMenuEntry>> m_entries;
};

class CMsiFeatureMenu : public CFeatureTreeCtrlMenu {
public:
    // Registers the menu's commands with the tree.
    CMsiFeatureMenu(CMenuTreeCtrl* tree, CFeature* feature);
    int FillItems() override;

    // The facts of `feature` the menu is built from.
    static MsiFeatureMenuFacts ReadFacts(CFeature& feature);
    // The rows of the menu for those facts, in menu order.
    static std::vector<MsiFeatureMenuRow> Rows(const MsiFeatureMenuFacts& facts);
};

class CLinkedDistFeatureMenu : public CFeatureTreeCtrlMenu {
public:
    // Registers the commands of every possible item with the tree.
    CLinkedDistFeatureMenu(CMenuTreeCtrl* tree, CFeature* feature);
    int FillItems() override;

    // The icon of a menu item's type (0 for none).
    static UINT IconOfType(int type);
};
