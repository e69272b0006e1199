#include "FeatureTreeCtrlItem.h"

#include <msi.h>

#include "DC.h"
#include "Feature.h"
#include "FeatureTreeCtrl.h"
#include "FeatureTreeCtrlMenu.h"
#include "Resources.h"
#include "UniqueHandle.h"
#include "resource.h"

using OrbelToolbox::UniqueIcon;

namespace {

// The colour that becomes transparent when a composite enters the image list.
const COLORREF kMaskColour = RGB(1, 1, 1);
// Composite keys: the state index times this, plus the flags.
const int kFlagsRange = 8;

// The composite caches of each item kind, by image list.
std::map<HIMAGELIST, std::map<int, int>>& MsiCaches()
{
    static auto* caches = new std::map<HIMAGELIST, std::map<int, int>>;
    return *caches;
}
std::map<HIMAGELIST, std::map<int, int>>& LinkedCaches()
{
    static auto* caches = new std::map<HIMAGELIST, std::map<int, int>>;
    return *caches;
}

HICON LoadLayerIcon(UINT id)
{
    return static_cast<HICON>(::LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(id), IMAGE_ICON,
        CMenuTreeCtrl::kImageWidth, CMenuTreeCtrl::kImageHeight, 0));
}

void DrawLayer(HDC dc, UINT id)
{
    UniqueIcon icon(LoadLayerIcon(id));
    if (icon.Get())
        ::DrawIconEx(
            dc, 0, 0, icon.Get(), CMenuTreeCtrl::kImageWidth, CMenuTreeCtrl::kImageHeight, 0, nullptr, DI_NORMAL);
}

// The cached index of `key`, made with `make` when it is new; -1 when making fails.
template <class Make> int CachedImage(std::map<int, int>& cache, int key, Make make)
{
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    const int index = make();
    if (index >= 0)
        cache[key] = index;
    return index;
}

}  // namespace

std::vector<UINT> MsiCompositeIcons(int state, int flags)
{
    static const UINT kStateIcons[]
        = {IDI_STATE_WILL_BE_ABSENT, IDI_STATE_WILL_BE_LOCAL, IDI_STATE_ABSENT, IDI_STATE_LOCAL, IDI_STATE_SOURCE_CD,
            IDI_STATE_SOURCE_NETWORK, IDI_STATE_ADVERTISED, IDI_STATE_BLOCKED_NEWER, IDI_STATE_BLOCKED_INCOMPATIBLE};
    std::vector<UINT> icons = {static_cast<UINT>((flags & kImageMixed) ? IDI_FEATURE_BASE_MIXED : IDI_FEATURE_BASE)};
    if (state >= 0 && state <= kImageBlockedIncompatible)
        icons.push_back(kStateIcons[state]);
    if (state >= 0 && state <= kImageAdvertised)
        icons.push_back(IDI_FEATURE_MENU_ARROW);
    return icons;
}

UINT MsiOverlayIcon(int flags)
{
    if (flags & kImageBroken)
        return IDI_FEATURE_BROKEN;
    if (flags & kImageSubtreeBroken)
        return IDI_FEATURE_SUBTREE_BROKEN;
    return 0;
}

std::vector<UINT> LinkedCompositeIcons(int type)
{
    static const UINT kTypeIcons[] = {IDI_STATE_ABSENT, IDI_INSTALL_COMPLETE, IDI_INSTALL_TYPICAL, IDI_INSTALL_CUSTOM};
    if (type < 0 || type > 3)
        return std::vector<UINT>();
    return {IDI_FEATURE_BASE, kTypeIcons[type], IDI_FEATURE_MENU_ARROW};
}

void ForgetCompositeCaches(HIMAGELIST list)
{
    MsiCaches().erase(list);
    LinkedCaches().erase(list);
}

CFeatureTreeCtrlItem::CFeatureTreeCtrlItem(CMenuTreeCtrl* tree, CFeature* feature)
    : CMenuTreeCtrlItem(tree), m_dirty(true)
{
    m_data = feature;
}

void CFeatureTreeCtrlItem::DrawOverlay(CDC*, int) { }

int CFeatureTreeCtrlItem::AddComposite(const std::vector<UINT>& icons, int flags)
{
    const int width = CMenuTreeCtrl::kImageWidth;
    const int height = CMenuTreeCtrl::kImageHeight;
    CClientDC screen(nullptr);
    CDC memory;
    CBitmap bitmap;
    if (!memory.CreateCompatibleDC(&screen) || !bitmap.CreateCompatibleBitmap(&screen, width, height))
        return -1;
    HGDIOBJ old = memory.SelectObject(bitmap.m_hObject);
    CRect all(0, 0, width, height);
    memory.FillSolidRect(&all, kMaskColour);
    for (UINT id : icons)
        DrawLayer(memory.m_hDC, id);
    DrawOverlay(&memory, flags);
    memory.SelectObject(old);
    return m_tree->GetItemImageList().Add(&bitmap, kMaskColour);
}

CMsiFeatureTreeCtrlItem::CMsiFeatureTreeCtrlItem(CFeatureTreeCtrl* tree, CFeature* feature)
    : CFeatureTreeCtrlItem(tree, feature), m_imageCache(&MsiCaches()[tree->GetItemImageList().GetSafeHandle()]),
      m_changeCount(0), m_owner(tree)
{
    g_msiFeatureItems.insert(this);
}

CMsiFeatureTreeCtrlItem::~CMsiFeatureTreeCtrlItem()
{
    g_msiFeatureItems.erase(this);
}

MsiImageKey CMsiFeatureTreeCtrlItem::GetImageKey(CFeature& f, bool showHidden)
{
    const int action = f.GetActionState();
    const bool lookForMixed = action != INSTALLSTATE_ABSENT;
    bool mixed = false;
    bool subtreeBroken = false;
    for (CFeature* d = f.GetNextInSubtree(nullptr); d; d = f.GetNextInSubtree(d)) {
        if (!showHidden && d->IsHidden(false))
            continue;
        if (lookForMixed && d->GetActionState() != action)
            mixed = true;
        if (d->CountUnfixableBrokenDependencies() != 0)
            subtreeBroken = true;
        if (subtreeBroken && (mixed || !lookForMixed))
            break;
    }

    MsiImageKey key = {kImageWillBeLocal, 0};
    int reason = CFeature::kNotBlocked;
    const bool blocked = f.IsBlocked(&reason);
    if (blocked) {
        key.state = reason == CFeature::kBlockedByUpgrade ? kImageBlockedNewer : kImageBlockedIncompatible;
    } else {
        switch (action) {
        case INSTALLSTATE_ADVERTISED:
            key.state = kImageAdvertised;
            break;
        case INSTALLSTATE_ABSENT:
            key.state = kImageWillBeAbsent;
            break;
        case INSTALLSTATE_SOURCE:
            key.state = f.IsNetworkSource() ? kImageSourceNetwork : kImageSourceCd;
            break;
        default:
            key.state = kImageWillBeLocal;
            break;
        }
        if (f.GetCurrentState() == action) {
            if (key.state == kImageWillBeAbsent)
                key.state = kImageAbsent;
            else if (key.state == kImageWillBeLocal)
                key.state = kImageLocal;
        }
    }
    if (!blocked && f.CountUnfixableBrokenDependencies() != 0)
        key.flags |= kImageBroken;
    else if (subtreeBroken)
        key.flags |= kImageSubtreeBroken;
    if (mixed)
        key.flags |= kImageMixed;
    return key;
}

bool CMsiFeatureTreeCtrlItem::GetImages(int& image, int& selectedImage)
{
    const MsiImageKey key = GetImageKey(*GetFeature(), m_owner->GetShowHidden());
    image = CachedImage(*m_imageCache, key.state * kFlagsRange + key.flags,
        [&] { return AddComposite(MsiCompositeIcons(key.state, key.flags), key.flags); });
    selectedImage = image;
    return true;
}

void CMsiFeatureTreeCtrlItem::DrawOverlay(CDC* dc, int flags)
{
    if (UINT overlay = MsiOverlayIcon(flags))
        DrawLayer(dc->m_hDC, overlay);
}

CMenuTreeCtrlMenu* CMsiFeatureTreeCtrlItem::CreateMenu(CMenuTreeCtrl* tree)
{
    return new CMsiFeatureMenu(tree, GetFeature());
}

void CMsiFeatureTreeCtrlItem::OnFeatureChanged(CFeature* feature, void* data)
{
    auto* item = static_cast<CMsiFeatureTreeCtrlItem*>(data);
    item->m_owner->MarkFeatureDirty(feature);
    ++item->m_changeCount;
}

bool CMsiFeatureTreeCtrlItem::OnCommand(UINT id)
{
    int state = 0;
    bool withSubfeatures = false;
    switch (id) {
    case ID_FEATURE_SHOW_DEPENDENTS:
    case ID_FEATURE_SHOW_BROKEN:
        ::PostMessageW(::GetParent(m_owner->m_hWnd), WM_COMMAND, id, 0);
        return false;
    case ID_FEATURE_LOCAL:
        state = INSTALLSTATE_LOCAL;
        break;
    case ID_FEATURE_LOCAL_ALL:
        state = INSTALLSTATE_LOCAL;
        withSubfeatures = true;
        break;
    case ID_FEATURE_SOURCE:
        state = INSTALLSTATE_SOURCE;
        break;
    case ID_FEATURE_SOURCE_ALL:
        state = INSTALLSTATE_SOURCE;
        withSubfeatures = true;
        break;
    case ID_FEATURE_ADVERTISE:
        state = INSTALLSTATE_ADVERTISED;
        break;
    case ID_FEATURE_ABSENT:
        state = INSTALLSTATE_ABSENT;
        withSubfeatures = true;
        break;
    default:
        return false;
    }
    m_changeCount = 0;
    GetFeature()->RequestState(state, withSubfeatures, &OnFeatureChanged, this);
    if (m_changeCount == 0)
        return false;
    m_owner->MarkBrokenDependenciesDirty();
    return true;
}

CLinkedDistFeatureTreeCtrlItem::CLinkedDistFeatureTreeCtrlItem(CFeatureTreeCtrl* tree, CFeature* feature)
    : CFeatureTreeCtrlItem(tree, feature), m_imageCache(&LinkedCaches()[tree->GetItemImageList().GetSafeHandle()])
{
    g_linkedDistFeatureItems.insert(this);
}

CLinkedDistFeatureTreeCtrlItem::~CLinkedDistFeatureTreeCtrlItem()
{
    g_linkedDistFeatureItems.erase(this);
}

bool CLinkedDistFeatureTreeCtrlItem::GetImages(int& image, int& selectedImage)
{
    const CFeature::LinkedDistFakeFeature& menu = GetFeature()->GetLinkedDistFakeFeature();
    const int selected = menu.GetSelectedItem();
    if (selected < 0 || selected >= menu.GetMenuItemCount())
        return false;
    const int type = menu.GetMenuItemType(selected);
    const std::vector<UINT> icons = LinkedCompositeIcons(type);
    if (icons.empty())
        return false;
    image = CachedImage(*m_imageCache, type, [&] { return AddComposite(icons, 0); });
    selectedImage = image;
    return image >= 0;
}

CMenuTreeCtrlMenu* CLinkedDistFeatureTreeCtrlItem::CreateMenu(CMenuTreeCtrl* tree)
{
    return new CLinkedDistFeatureMenu(tree, GetFeature());
}

bool CLinkedDistFeatureTreeCtrlItem::OnCommand(UINT id)
{
    CFeature::LinkedDistFakeFeature& menu = GetFeature()->GetLinkedDistFakeFeature();
    if (id < ID_LINKED_FIRST || id >= ID_LINKED_FIRST + kLinkedMenuMaxItems)
        return false;
    const int chosen = static_cast<int>(id - ID_LINKED_FIRST);
    if (chosen == menu.GetSelectedItem() || chosen >= menu.GetMenuItemCount())
        return false;
    menu.SelectMenuItem(chosen);
    MarkDirty();
    return true;
}
