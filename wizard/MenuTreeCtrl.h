// CMenuTreeCtrl: a tree view in which every item is an item object (CMenuTreeCtrlItem) that
// supplies its own images and popup menu (CMenuTreeCtrlMenu) and handles that menu's commands.
// A click on an item's image, Space, Ctrl+Down and Alt+Down open the menu of the selected item;
// the chosen command reaches OnItemCommand with the item selected when it arrives. Items that
// say they changed get their images again from RefreshItemImages.
//
// The tree item's parameter value is its item object; the tree's delete notification hands the
// object to DeleteItem. The window procedure is the wizard's exception barrier.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <set>

#include "ImageList.h"
#include "Menu.h"
#include "TreeCtrl.h"
#include "VelmoWnd.h"

class CMenuTreeCtrl;

// The popup menu of one item, alive while it is tracked.
class CMenuTreeCtrlMenu : public CMenu {
public:
    explicit CMenuTreeCtrlMenu(CMenuTreeCtrl* tree) : m_tree(tree) { }
    // Makes the popup menu and its entries; false when it has none.
    virtual bool Build() = 0;

protected:
    CMenuTreeCtrl* m_tree;
};

// The object behind one tree item.
class CMenuTreeCtrlItem {
public:
    explicit CMenuTreeCtrlItem(CMenuTreeCtrl* tree) : m_tree(tree), m_hItem(nullptr), m_data(nullptr) { }
    virtual ~CMenuTreeCtrlItem() { }
    CMenuTreeCtrlItem(const CMenuTreeCtrlItem&) = delete;
    CMenuTreeCtrlItem& operator=(const CMenuTreeCtrlItem&) = delete;

    virtual bool IsDirty() const = 0;
    virtual void ClearDirty() = 0;
    // The images for the item; false when it has none.
    virtual bool GetImages(int& image, int& selectedImage) = 0;
    // A new menu object for the item (deleted by the tree after tracking); null when none.
    virtual CMenuTreeCtrlMenu* CreateMenu(CMenuTreeCtrl* tree) = 0;
    // A command of the item's menu; true when it changed something.
    virtual bool OnCommand(UINT id) = 0;

    void* GetData() const { return m_data; }
    // On the item's own tree item.
    BOOL GetRect(LPRECT rect) const;  // around the text only
    BOOL GetImage(int& image, int& selectedImage) const;
    UINT GetState(UINT mask) const;
    BOOL GetCheck() const;
    BOOL SetCheck(BOOL check);
    BOOL SetText(const wchar_t* text);
    CString GetText() const;
    // Clears the dirty mark, then sets both images.
    BOOL SetImages(int image, int selectedImage);
    BOOL SetState(UINT state, UINT mask);
    HIMAGELIST GetImageList(int kind) const;

    CMenuTreeCtrl* m_tree;
    HTREEITEM m_hItem;
    void* m_data;
};

class CMenuTreeCtrl : public TVelmoWnd<CTreeCtrl> {
public:
    // The tree view's special insertion positions, wherever an item object is taken.
    static CMenuTreeCtrlItem* const ITEM_ROOT;
    static CMenuTreeCtrlItem* const ITEM_FIRST;
    static CMenuTreeCtrlItem* const ITEM_LAST;
    static CMenuTreeCtrlItem* const ITEM_SORT;
    // Size of the item images.
    static const int kImageWidth = 32;
    static const int kImageHeight = 16;

    CMenuTreeCtrl() = default;
    ~CMenuTreeCtrl() override;

    using CTreeCtrl::DeleteItem;

    // A new item object for `data`; null when none.
    virtual CMenuTreeCtrlItem* CreateItem(void* data) = 0;
    virtual void DeleteItem(CMenuTreeCtrlItem* item) = 0;
    // The item's menu, built; null when it has no entries.
    virtual CMenuTreeCtrlMenu* CreateItemMenu(CMenuTreeCtrlItem* item);
    virtual void DestroyItemMenu(CMenuTreeCtrlMenu* menu);
    // A registered command for `item` (null when nothing is selected); nonzero when handled.
    virtual LRESULT OnItemCommand(UINT id, CMenuTreeCtrlItem* item) = 0;

    // The tree-view handle for an item object: null stays null, the special positions become
    // TVI_ROOT, TVI_FIRST, TVI_LAST and TVI_SORT.
    static HTREEITEM ToHandle(const CMenuTreeCtrlItem* item);
    // The item object of a tree-view handle; null for none.
    CMenuTreeCtrlItem* ItemFromHandle(HTREEITEM item) const;

    // Creates the item object for `data` and inserts it; null when either fails.
    CMenuTreeCtrlItem* InsertItemObject(const wchar_t* text, int image, int selectedImage, UINT state, UINT stateMask,
        void* data, CMenuTreeCtrlItem* parent, CMenuTreeCtrlItem* after);
    CMenuTreeCtrlItem* GetNextItemObject(CMenuTreeCtrlItem* item, UINT relation) const
    {
        return ItemFromHandle(GetNextItem(ToHandle(item), relation));
    }
    CMenuTreeCtrlItem* GetRootItemObject() const { return ItemFromHandle(GetRootItem()); }
    CMenuTreeCtrlItem* GetChildItemObject(CMenuTreeCtrlItem* item) const { return GetNextItemObject(item, TVGN_CHILD); }
    CMenuTreeCtrlItem* GetNextSiblingItemObject(CMenuTreeCtrlItem* item) const
    {
        return GetNextItemObject(item, TVGN_NEXT);
    }
    CMenuTreeCtrlItem* GetPrevSiblingItemObject(CMenuTreeCtrlItem* item) const
    {
        return GetNextItemObject(item, TVGN_PREVIOUS);
    }
    CMenuTreeCtrlItem* GetParentItemObject(CMenuTreeCtrlItem* item) const
    {
        return GetNextItemObject(item, TVGN_PARENT);
    }
    CMenuTreeCtrlItem* GetFirstVisibleItemObject() const { return ItemFromHandle(GetFirstVisibleItem()); }
    CMenuTreeCtrlItem* GetNextVisibleItemObject(CMenuTreeCtrlItem* item) const
    {
        return GetNextItemObject(item, TVGN_NEXTVISIBLE);
    }
    CMenuTreeCtrlItem* GetPrevVisibleItemObject(CMenuTreeCtrlItem* item) const
    {
        return GetNextItemObject(item, TVGN_PREVIOUSVISIBLE);
    }
    CMenuTreeCtrlItem* GetDropHilightItemObject() const { return ItemFromHandle(GetDropHilightItem()); }
    CMenuTreeCtrlItem* GetSelectedItemObject() const { return ItemFromHandle(GetSelectedItem()); }
    // Null clears the selection; FALSE when the parent vetoed the change.
    BOOL SelectItemObject(CMenuTreeCtrlItem* item) { return SelectItem(ToHandle(item)); }
    BOOL SelectItemObjectEx(CMenuTreeCtrlItem* item, UINT relation) { return Select(ToHandle(item), relation); }
    BOOL SetFirstVisibleItemObject(CMenuTreeCtrlItem* item) { return SelectSetFirstVisible(ToHandle(item)); }
    BOOL SelectDropTargetItemObject(CMenuTreeCtrlItem* item) { return SelectDropTarget(ToHandle(item)); }
    BOOL ExpandItemObject(CMenuTreeCtrlItem* item, UINT code) { return Expand(ToHandle(item), code); }
    BOOL DeleteItemObject(CMenuTreeCtrlItem* item) { return DeleteItem(ToHandle(item)); }
    BOOL EnsureVisibleItemObject(CMenuTreeCtrlItem* item) { return EnsureVisible(ToHandle(item)); }
    BOOL SortChildrenItemObject(CMenuTreeCtrlItem* item) { return SortChildren(ToHandle(item)); }
    BOOL SetInsertMarkItemObject(CMenuTreeCtrlItem* item, BOOL after) { return SetInsertMark(ToHandle(item), after); }
    HWND EditLabelItemObject(CMenuTreeCtrlItem* item) { return EditLabel(ToHandle(item)); }
    HIMAGELIST CreateDragImageItemObject(CMenuTreeCtrlItem* item) { return CreateDragImage(ToHandle(item)); }
    BOOL ItemObjectHasChildren(CMenuTreeCtrlItem* item) const { return ItemHasChildren(ToHandle(item)); }
    CMenuTreeCtrlItem* HitTestItemObject(POINT point, UINT* flags) const
    {
        return ItemFromHandle(HitTest(point, flags));
    }
    CMenuTreeCtrlItem* HitTestItemObject(TVHITTESTINFO* info) const { return ItemFromHandle(HitTest(info)); }

    // Registers a menu command that is routed to the selected item; the number registered.
    size_t RegisterCommand(UINT id);
    bool IsCommandRegistered(UINT id) const { return m_commandIds.count(id) != 0; }
    // OnItemCommand when `id` is registered; else 0.
    LRESULT SendItemCommand(CMenuTreeCtrlItem* item, UINT id);
    // Opens the item's menu below it, with the tree as the menu's owner.
    void ShowItemMenu(CMenuTreeCtrlItem* item);
    // Sets the images of every item (`all`) or of the dirty ones, in pre-order.
    void RefreshItemImages(bool all);

    CImageList& GetItemImageList() { return m_imageList; }

protected:
    // The item that follows `item` in pre-order; null at the end.
    HTREEITEM GetNextInPreOrder(HTREEITEM item) const;
    // Deletes every item object without the tree's notifications (a derived class's destructor
    // calls it, while DeleteItem still reaches it) and leaves the tree items without objects.
    void ReleaseItemObjects();
    // Makes the image list anew and shows it; false on failure.
    bool SetUpImageList();

    void PreSubclassWindow() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    int OnCreate(LPCREATESTRUCTW create);
    void OnLButtonDown(UINT flags, POINT point);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    void OnSysKeyDown(UINT key, UINT repeat, UINT flags);
    void OnDeleteItem(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    void ShowSelectedItemMenu();

    std::set<UINT> m_commandIds;
    CImageList m_imageList;
};
