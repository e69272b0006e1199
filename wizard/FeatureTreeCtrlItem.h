// Items of the feature tree and the registries of the live ones.
//
// Each item shows a composite 32 by 16 pixel image: a base (grey when visible descendants will
// be installed differently), the icon of the feature's planned state, a menu arrow on items
// with a menu and an overlay for broken dependencies of installed products. A composite is
// made the first time its key is asked for and kept in a cache of the tree's image list.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <vector>

#include "MenuTreeCtrl.h"

class CDC;
class CFeature;
class CFeatureTreeCtrl;
class CMsiFeatureTreeCtrlItem;
class CLinkedDistFeatureTreeCtrlItem;

extern std::set<CMsiFeatureTreeCtrlItem*> g_msiFeatureItems;
extern std::set<CLinkedDistFeatureTreeCtrlItem*> g_linkedDistFeatureItems;

// Windows whose dialog layout has already been rescaled.
extern std::set<HWND> g_rescaledWindows;

// Flags of an ordinary feature's composite.
const int kImageMixed = 1;          // base 501: a visible descendant acts differently
const int kImageBroken = 2;         // overlay 505: the feature breaks dependencies
const int kImageSubtreeBroken = 4;  // overlay 506: a visible descendant does
// State indexes of an ordinary feature's composite.
enum MsiImageState {
    kImageWillBeAbsent = 0,
    kImageWillBeLocal = 1,
    kImageAbsent = 2,
    kImageLocal = 3,
    kImageSourceCd = 4,
    kImageSourceNetwork = 5,
    kImageAdvertised = 6,
    kImageBlockedNewer = 7,
    kImageBlockedIncompatible = 8,
};

// The composite's key (state index and flags).
struct MsiImageKey {
    int state;
    int flags;
};

// The icons of an ordinary feature's composite in drawing order (base, state icon, menu
// arrow), and of its overlay (0 for none).
std::vector<UINT> MsiCompositeIcons(int state, int flags);
UINT MsiOverlayIcon(int flags);
// The icons of a linked distribution's composite for the type of its selected menu item; empty
// for a type without a picture.
std::vector<UINT> LinkedCompositeIcons(int type);
// Drops the composite caches of an image list that is about to be destroyed.
void ForgetCompositeCaches(HIMAGELIST list);

class CFeatureTreeCtrlItem : public CMenuTreeCtrlItem {
public:
    CFeatureTreeCtrlItem(CMenuTreeCtrl* tree, CFeature* feature);

    bool IsDirty() const override { return m_dirty; }
    void ClearDirty() override { m_dirty = false; }
    void MarkDirty() { m_dirty = true; }
    // Draws over the composite as its last layer; nothing by default.
    virtual void DrawOverlay(CDC* dc, int flags);

    CFeature* GetFeature() const { return static_cast<CFeature*>(m_data); }

protected:
    // Adds the composite of `icons` and the overlay for `flags` to the tree's image list; its
    // index, -1 on failure.
    int AddComposite(const std::vector<UINT>& icons, int flags);

    bool m_dirty;
};

class CMsiFeatureTreeCtrlItem : public CFeatureTreeCtrlItem {
public:
    CMsiFeatureTreeCtrlItem(CFeatureTreeCtrl* tree, CFeature* feature);
    ~CMsiFeatureTreeCtrlItem() override;

    bool GetImages(int& image, int& selectedImage) override;
    CMenuTreeCtrlMenu* CreateMenu(CMenuTreeCtrl* tree) override;
    // The state commands run the solver; the dialog commands go to the tree's parent.
    bool OnCommand(UINT id) override;
    void DrawOverlay(CDC* dc, int flags) override;

    // The composite's key for a feature, hidden descendants counted when they are shown.
    static MsiImageKey GetImageKey(CFeature& feature, bool showHidden);

private:
    static void OnFeatureChanged(CFeature* feature, void* item);

    std::map<int, int>* m_imageCache;
    int m_changeCount;
    CFeatureTreeCtrl* m_owner;
};

class CLinkedDistFeatureTreeCtrlItem : public CFeatureTreeCtrlItem {
public:
    CLinkedDistFeatureTreeCtrlItem(CFeatureTreeCtrl* tree, CFeature* feature);
    ~CLinkedDistFeatureTreeCtrlItem() override;

    bool GetImages(int& image, int& selectedImage) override;
    CMenuTreeCtrlMenu* CreateMenu(CMenuTreeCtrl* tree) override;
    // Chooses another of the linked distribution's menu items.
    bool OnCommand(UINT id) override;

private:
    std::map<int, int>* m_imageCache;
};
