#include "MenuTreeCtrl.h"

#include <cstdint>
#include <memory>

namespace {

// The special positions: 0xFF00 in the high 16 bits of a 32-bit value, 0 to 3 in the low ones.
CMenuTreeCtrlItem* SpecialPosition(uintptr_t low)
{
    return reinterpret_cast<CMenuTreeCtrlItem*>(static_cast<uintptr_t>(0xFF000000u) | low);
}

// The menu opens below the item's text, moved left to the start of its image.
const int kMenuLeftOfText = 35;

}  // namespace

CMenuTreeCtrlItem* const CMenuTreeCtrl::ITEM_ROOT = SpecialPosition(0);
CMenuTreeCtrlItem* const CMenuTreeCtrl::ITEM_FIRST = SpecialPosition(1);
CMenuTreeCtrlItem* const CMenuTreeCtrl::ITEM_LAST = SpecialPosition(2);
CMenuTreeCtrlItem* const CMenuTreeCtrl::ITEM_SORT = SpecialPosition(3);

BOOL CMenuTreeCtrlItem::GetRect(LPRECT rect) const
{
    return m_tree->GetItemRect(m_hItem, rect, TRUE);
}

BOOL CMenuTreeCtrlItem::GetImage(int& image, int& selectedImage) const
{
    return m_tree->GetItemImage(m_hItem, image, selectedImage);
}

UINT CMenuTreeCtrlItem::GetState(UINT mask) const
{
    return m_tree->GetItemState(m_hItem, mask);
}

BOOL CMenuTreeCtrlItem::GetCheck() const
{
    return m_tree->GetCheck(m_hItem);
}

BOOL CMenuTreeCtrlItem::SetCheck(BOOL check)
{
    return m_tree->SetCheck(m_hItem, check);
}

BOOL CMenuTreeCtrlItem::SetText(const wchar_t* text)
{
    return m_tree->SetItemText(m_hItem, text);
}

CString CMenuTreeCtrlItem::GetText() const
{
    return m_tree->GetItemText(m_hItem);
}

BOOL CMenuTreeCtrlItem::SetImages(int image, int selectedImage)
{
    ClearDirty();
    return m_tree->SetItemImage(m_hItem, image, selectedImage);
}

BOOL CMenuTreeCtrlItem::SetState(UINT state, UINT mask)
{
    return m_tree->SetItemState(m_hItem, state, mask);
}

HIMAGELIST CMenuTreeCtrlItem::GetImageList(int kind) const
{
    return m_tree->GetImageList(kind);
}

BEGIN_MESSAGE_MAP(CMenuTreeCtrl, TVelmoWnd<CTreeCtrl>)
    ON_WM_CREATE()
    ON_WM_LBUTTONDOWN()
    ON_WM_KEYDOWN()
    ON_WM_SYSKEYDOWN()
    ON_NOTIFY_REFLECT(TVN_DELETEITEMW, OnDeleteItem)
END_MESSAGE_MAP()

CMenuTreeCtrl::~CMenuTreeCtrl()
{
    m_imageList.DeleteImageList();
}

HTREEITEM CMenuTreeCtrl::ToHandle(const CMenuTreeCtrlItem* item)
{
    if (!item)
        return nullptr;
    if (item == ITEM_ROOT)
        return TVI_ROOT;
    if (item == ITEM_FIRST)
        return TVI_FIRST;
    if (item == ITEM_LAST)
        return TVI_LAST;
    if (item == ITEM_SORT)
        return TVI_SORT;
    return item->m_hItem;
}

CMenuTreeCtrlItem* CMenuTreeCtrl::ItemFromHandle(HTREEITEM item) const
{
    return item ? reinterpret_cast<CMenuTreeCtrlItem*>(GetItemData(item)) : nullptr;
}

CMenuTreeCtrlItem* CMenuTreeCtrl::InsertItemObject(const wchar_t* text, int image, int selectedImage, UINT state,
    UINT stateMask, void* data, CMenuTreeCtrlItem* parent, CMenuTreeCtrlItem* after)
{
    CMenuTreeCtrlItem* item = CreateItem(data);
    if (!item)
        return nullptr;
    item->m_data = data;
    HTREEITEM handle = InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM, text, image,
        selectedImage, state, stateMask, reinterpret_cast<LPARAM>(item), ToHandle(parent), ToHandle(after));
    if (!handle) {
        DeleteItem(item);
        return nullptr;
    }
    item->m_hItem = handle;
    return item;
}

size_t CMenuTreeCtrl::RegisterCommand(UINT id)
{
    m_commandIds.insert(id);
    return m_commandIds.size();
}

LRESULT CMenuTreeCtrl::SendItemCommand(CMenuTreeCtrlItem* item, UINT id)
{
    return IsCommandRegistered(id) ? OnItemCommand(id, item) : 0;
}

CMenuTreeCtrlMenu* CMenuTreeCtrl::CreateItemMenu(CMenuTreeCtrlItem* item)
{
    CMenuTreeCtrlMenu* menu = item->CreateMenu(this);
    if (!menu)
        return nullptr;
    bool built = false;
    try {
        built = menu->Build();
    } catch (...) {
        DestroyItemMenu(menu);
        throw;
    }
    if (built)
        return menu;
    DestroyItemMenu(menu);
    return nullptr;
}

void CMenuTreeCtrl::DestroyItemMenu(CMenuTreeCtrlMenu* menu)
{
    delete menu;
}

void CMenuTreeCtrl::ShowItemMenu(CMenuTreeCtrlItem* item)
{
    if (!item)
        return;
    CRect rect;
    if (!item->GetRect(&rect))
        return;  // not shown (a collapsed parent)
    rect.left -= kMenuLeftOfText;
    ClientToScreen(&rect);
    struct MenuDeleter {
        CMenuTreeCtrl* tree;
        void operator()(CMenuTreeCtrlMenu* menu) const { tree->DestroyItemMenu(menu); }
    };
    std::unique_ptr<CMenuTreeCtrlMenu, MenuDeleter> menu(CreateItemMenu(item), MenuDeleter{this});
    if (!menu)
        return;
    menu->TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, rect.left, rect.bottom, this);
}

HTREEITEM CMenuTreeCtrl::GetNextInPreOrder(HTREEITEM item) const
{
    if (HTREEITEM child = GetChildItem(item))
        return child;
    for (HTREEITEM at = item; at; at = GetParentItem(at)) {
        if (HTREEITEM next = GetNextSiblingItem(at))
            return next;
    }
    return nullptr;
}

void CMenuTreeCtrl::RefreshItemImages(bool all)
{
    for (HTREEITEM handle = GetRootItem(); handle; handle = GetNextInPreOrder(handle)) {
        CMenuTreeCtrlItem* item = ItemFromHandle(handle);
        if (!item || !(all || item->IsDirty()))
            continue;
        int image = -1;
        int selectedImage = -1;
        // An item without images shows none.
        if (!item->GetImages(image, selectedImage))
            image = selectedImage = -1;
        item->SetImages(image, selectedImage);
    }
}

void CMenuTreeCtrl::ReleaseItemObjects()
{
    if (!m_hWnd || !::IsWindow(m_hWnd))
        return;
    for (HTREEITEM handle = GetRootItem(); handle; handle = GetNextInPreOrder(handle)) {
        CMenuTreeCtrlItem* item = ItemFromHandle(handle);
        if (!item)
            continue;
        TVITEMW tv = {};
        tv.hItem = handle;
        tv.mask = TVIF_PARAM;
        tv.lParam = 0;
        SetItem(&tv);
        DeleteItem(item);
    }
}

bool CMenuTreeCtrl::SetUpImageList()
{
    if (!m_imageList.Create(kImageWidth, kImageHeight, ILC_COLOR4 | ILC_MASK, 10, 1))
        return false;
    SetImageList(&m_imageList, TVSIL_NORMAL);
    return true;
}

void CMenuTreeCtrl::PreSubclassWindow()
{
    TVelmoWnd<CTreeCtrl>::PreSubclassWindow();
    SetUpImageList();
}

int CMenuTreeCtrl::OnCreate(LPCREATESTRUCTW)
{
    if (Default() == -1)
        return -1;
    return SetUpImageList() ? 0 : -1;
}

void CMenuTreeCtrl::OnLButtonDown(UINT, POINT point)
{
    UINT flags = 0;
    HTREEITEM hit = HitTest(point, &flags);
    Default();
    // Only on the item the click selected: when the parent vetoed the selection, the menu's
    // command would reach the item that is still selected.
    if (hit && (flags & TVHT_ONITEMICON) && GetSelectedItem() == hit)
        ShowItemMenu(ItemFromHandle(hit));
}

void CMenuTreeCtrl::ShowSelectedItemMenu()
{
    if (CMenuTreeCtrlItem* item = GetSelectedItemObject())
        ShowItemMenu(item);
}

void CMenuTreeCtrl::OnKeyDown(UINT key, UINT, UINT)
{
    if (key == VK_DOWN && ::GetKeyState(VK_CONTROL) < 0) {
        ShowSelectedItemMenu();
    } else if (key == VK_SPACE) {
        // The space character that follows would reach the menu as a mnemonic that matches
        // nothing.
        MSG pending;
        if (::PeekMessageW(&pending, m_hWnd, WM_CHAR, WM_CHAR, PM_NOREMOVE) && pending.wParam == L' ')
            ::PeekMessageW(&pending, m_hWnd, WM_CHAR, WM_CHAR, PM_REMOVE);
        ShowSelectedItemMenu();
    } else {
        Default();
    }
}

void CMenuTreeCtrl::OnSysKeyDown(UINT key, UINT, UINT)
{
    if (key == VK_DOWN)
        ShowSelectedItemMenu();
    else
        Default();
}

void CMenuTreeCtrl::OnDeleteItem(NMHDR* header, LRESULT* result)
{
    auto* view = reinterpret_cast<NMTREEVIEWW*>(header);
    if (auto* item = reinterpret_cast<CMenuTreeCtrlItem*>(view->itemOld.lParam))
        DeleteItem(item);
    *result = 0;
}

BOOL CMenuTreeCtrl::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    if (IsCommandRegistered(id) && OnItemCommand(id, GetSelectedItemObject()) != 0)
        return TRUE;
    return TVelmoWnd<CTreeCtrl>::OnCommand(wParam, lParam);
}
