// The window core: attachment before the first message, message maps (order, bases, ranges,
// registered ids, writable entries, reflection), the modal loop with WM_QUIT, data exchange and
// the exception hook of the generic window procedure. Runs on the null display driver.
#include "Button.h"
#include "Dialog.h"
#include "Edit.h"
#include "ListCtrl.h"
#include "Menu.h"
#include "TreeCtrl.h"
#include "WinThread.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

const UINT kTestDialog = 300;
const UINT kEdit = 1001;
const UINT kPress = 1002;
const UINT kStatic = 1003;

UINT g_registeredId = 0;

// A plain window class whose procedure is the system's default.
const wchar_t* PlainClass()
{
    static ATOM atom = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VelmoWndTestPlain";
        return ::RegisterClassW(&wc);
    }();
    return atom ? L"VelmoWndTestPlain" : nullptr;
}

class CBaseTestWnd : public CWnd {
public:
    std::vector<UINT> seen;

    LRESULT OnBaseOnly(WPARAM, LPARAM)
    {
        seen.push_back(1);
        return 11;
    }
    LRESULT OnOverridden(WPARAM, LPARAM)
    {
        seen.push_back(2);
        return 12;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTestWnd, CWnd)
    ON_MESSAGE(WM_APP + 1, OnBaseOnly)
    ON_MESSAGE(WM_APP + 2, OnOverridden)
END_MESSAGE_MAP()

class CTestWnd : public CBaseTestWnd {
public:
    bool attachedAtCreate = false;
    bool attachedAtNcCreate = false;
    bool postNcDestroyCalled = false;
    std::vector<UINT> commands;

    int OnCreate(LPCREATESTRUCTW)
    {
        attachedAtCreate = FromHandlePermanent(m_hWnd) == this;
        return 0;
    }
    LRESULT OnNcCreate(WPARAM, LPARAM)
    {
        attachedAtNcCreate = FromHandlePermanent(m_hWnd) == this;
        return Default();
    }
    LRESULT OnDerived(WPARAM, LPARAM)
    {
        seen.push_back(3);
        return 13;
    }
    LRESULT OnRegistered(WPARAM wParam, LPARAM)
    {
        return static_cast<LRESULT>(wParam) + 100;
    }
    LRESULT OnFilled(WPARAM, LPARAM) { return 77; }
    LRESULT OnThrow(WPARAM, LPARAM) { throw std::runtime_error("handler failed"); }
    void OnRange(UINT id) { commands.push_back(id); }
    void OnSingle() { commands.push_back(1); }
    void PostNcDestroy() override { postNcDestroyCalled = true; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestWnd, CBaseTestWnd)
    ON_MESSAGE(WM_NCCREATE, OnNcCreate)
    ON_WM_CREATE()
    ON_MESSAGE(WM_APP + 2, OnDerived)
    ON_REGISTERED_MESSAGE(g_registeredId, OnRegistered)
    ON_COMMAND(1, OnSingle)
    ON_COMMAND_RANGE(5000, 5006, OnRange)
    ON_MESSAGE(WM_APP + 3, OnThrow)
    ON_PLACEHOLDER()
END_MESSAGE_MAP()

// Fills the placeholder as a start-up initialiser would.
void FillPlaceholder()
{
    AFX_MSGMAP_ENTRY* entry = CTestWnd::GetThisMessageMap()->lpEntries;
    while (entry->nMessage != kAfxPlaceholder)
        ++entry;
    typedef CTestWnd ThisClass;
    AFX_MSGMAP_ENTRY filled[] = {ON_MESSAGE(WM_APP + 4, OnFilled)};
    *entry = filled[0];
}

std::vector<std::exception_ptr> g_hooked;
void RecordHook(std::exception_ptr error)
{
    g_hooked.push_back(error);
}

TEST(WndTest, AttachesBeforeTheFirstMessageAndDetachesAtNcDestroy)
{
    CTestWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, PlainClass(), L"", WS_OVERLAPPED, CRect(0, 0, 10, 10), nullptr, 0));
    EXPECT_TRUE(wnd.attachedAtNcCreate);
    EXPECT_TRUE(wnd.attachedAtCreate);
    HWND hWnd = wnd.m_hWnd;
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(hWnd));
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_TRUE(wnd.postNcDestroyCalled);
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
}

TEST(WndTest, MapsSearchTheClassFirstThenItsBasesAndRouteCommands)
{
    CTestWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, PlainClass(), L"", WS_OVERLAPPED, CRect(0, 0, 10, 10), nullptr, 0));
    EXPECT_EQ(11, wnd.SendMessage(WM_APP + 1));
    EXPECT_EQ(13, wnd.SendMessage(WM_APP + 2));  // the derived entry hides the base's
    EXPECT_EQ((std::vector<UINT>{1, 3}), wnd.seen);

    // A registered id of 0 matches nothing (WM_NULL wakes loops); once set it matches.
    EXPECT_EQ(0, wnd.SendMessage(WM_NULL, 5));
    g_registeredId = ::RegisterWindowMessageW(L"VelmoWndTestRegistered");
    EXPECT_EQ(105, wnd.SendMessage(g_registeredId, 5));
    g_registeredId = 0;

    // Handled commands return 1, others 0; a range passes the id.
    EXPECT_EQ(1, wnd.SendMessage(WM_COMMAND, MAKEWPARAM(5003, BN_CLICKED)));
    EXPECT_EQ(1, wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1, 1)));  // accelerator
    EXPECT_EQ(0, wnd.SendMessage(WM_COMMAND, MAKEWPARAM(5007, BN_CLICKED)));
    EXPECT_EQ((std::vector<UINT>{5003, 1}), wnd.commands);

    // A placeholder matches nothing until it is written.
    EXPECT_EQ(0, wnd.SendMessage(WM_APP + 4));
    FillPlaceholder();
    EXPECT_EQ(77, wnd.SendMessage(WM_APP + 4));
}

TEST(WndTest, AnExceptionOfAHandlerGoesToTheHookAndGivesZero)
{
    g_hooked.clear();
    AfxSetExceptionHook(&RecordHook);
    CTestWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, PlainClass(), L"", WS_OVERLAPPED, CRect(0, 0, 10, 10), nullptr, 0));
    EXPECT_EQ(0, wnd.SendMessage(WM_APP + 3));
    AfxSetExceptionHook(nullptr);
    ASSERT_EQ(1u, g_hooked.size());
    EXPECT_THROW(std::rethrow_exception(g_hooked[0]), std::runtime_error);
}

// A button whose object counts the messages it sees and reflects notifications.
class CCountingButton : public CButton {
public:
    int preSubclassCalls = 0;
    int setTextSeen = 0;
    BOOL reflectResult = FALSE;
    int reflected = 0;

    void PreSubclassWindow() override { ++preSubclassCalls; }
    LRESULT OnSetText(WPARAM, LPARAM)
    {
        ++setTextSeen;
        return Default();
    }
    BOOL OnReflected(NMHDR*, LRESULT* result)
    {
        ++reflected;
        *result = 5;
        return reflectResult;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCountingButton, CButton)
    ON_MESSAGE(WM_SETTEXT, OnSetText)
    ON_NOTIFY_REFLECT_EX(NM_CLICK, OnReflected)
END_MESSAGE_MAP()

class CTestDialog : public CDialog {
public:
    CTestDialog() : CDialog(kTestDialog) { }

    CString text;
    CCountingButton press;
    int quitCode = 0;      // posted as WM_QUIT during the loop when not 0
    int endCode = 0;       // EndDialog from a posted message when not 0
    bool typeAndOk = false;
    int notifySeen = 0;
    HWND ownerSeenDisabled = nullptr;

    void DoDataExchange(CDataExchange* dx) override
    {
        CDialog::DoDataExchange(dx);
        DDX_Control(dx, kPress, press);
        DDX_Text(dx, kEdit, text);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        PostMessage(WM_APP + 10);
        return TRUE;
    }
    LRESULT OnStep(WPARAM, LPARAM)
    {
        HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
        if (owner && !::IsWindowEnabled(owner))
            ownerSeenDisabled = owner;
        if (quitCode)
            ::PostQuitMessage(quitCode);
        else if (typeAndOk) {
            ::SetDlgItemTextW(m_hWnd, kEdit, L"typed");
            ::SendMessageW(::GetDlgItem(m_hWnd, IDOK), BM_CLICK, 0, 0);
        } else if (endCode)
            EndDialog(endCode);
        return 0;
    }
    void OnNotifyClick(NMHDR*, LRESULT* result)
    {
        ++notifySeen;
        *result = 9;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestDialog, CDialog)
    ON_MESSAGE(WM_APP + 10, OnStep)
    ON_NOTIFY(NM_CLICK, kPress, OnNotifyClick)
END_MESSAGE_MAP()

TEST(DialogTest, DoModalRunsUntilEndDialogWithTheOwnerDisabledAndLoadsAndStoresData)
{
    CTestWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, PlainClass(), L"", WS_OVERLAPPED, CRect(0, 0, 10, 10), nullptr, 0));
    CTestDialog dialog;
    dialog.m_pParentWnd = &owner;
    dialog.text = L"loaded";
    dialog.typeAndOk = true;
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(owner.m_hWnd, dialog.ownerSeenDisabled);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_EQ(nullptr, dialog.m_hWnd);
    EXPECT_STREQ(L"typed", dialog.text);
    EXPECT_EQ(1, dialog.press.preSubclassCalls);  // subclassed once although exchanged twice

    CTestDialog ended;
    ended.endCode = 17;
    EXPECT_EQ(17, ended.DoModal());
}

TEST(DialogTest, QuitEndsTheModalLoopWithItsCodeAndIsPostedAgain)
{
    CTestDialog dialog;
    dialog.quitCode = 42;
    EXPECT_EQ(42, dialog.DoModal());
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(42u, msg.wParam);
}

TEST(DialogTest, DoModalWithoutTemplateGivesMinusOne)
{
    CDialog dialog(999);
    EXPECT_EQ(-1, dialog.DoModal());
}

TEST(DialogTest, ModelessDialogReflectsNotificationsToTheControlFirst)
{
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create(kTestDialog));
    dialog.UpdateData(FALSE);
    CCountingButton& press = dialog.press;
    ASSERT_EQ(::GetDlgItem(dialog.m_hWnd, kPress), press.m_hWnd);
    press.SetWindowText(L"Again");
    EXPECT_EQ(1, press.setTextSeen);

    NMHDR header = {press.m_hWnd, kPress, static_cast<UINT>(NM_CLICK)};
    // Not consumed by the control: the parent's map sees it too.
    press.reflectResult = FALSE;
    EXPECT_EQ(9, dialog.SendMessage(WM_NOTIFY, kPress, reinterpret_cast<LPARAM>(&header)));
    // Consumed: the parent's entry is skipped and the control's result stands.
    press.reflectResult = TRUE;
    EXPECT_EQ(5, dialog.SendMessage(WM_NOTIFY, kPress, reinterpret_cast<LPARAM>(&header)));
    EXPECT_EQ(2, press.reflected);
    EXPECT_EQ(1, dialog.notifySeen);

    // EndDialog without a loop hides the dialog.
    dialog.ShowWindow(SW_SHOW);
    dialog.EndDialog(IDOK);
    EXPECT_FALSE(dialog.IsWindowVisible());

    // The window of a template control outlives an object that was only attached to it.
    HWND control = press.m_hWnd;
    WNDPROC attached = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(control, GWLP_WNDPROC));
    EXPECT_EQ(control, press.UnsubclassWindow());
    EXPECT_NE(attached, reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(control, GWLP_WNDPROC)));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(control));
    EXPECT_TRUE(::IsWindow(control));
}

// Records which windows were offered a message, and takes it at `taker`.
class CWalkWnd : public CWnd {
public:
    std::vector<CWalkWnd*>* order = nullptr;
    bool take = false;
    BOOL PreTranslateMessage(MSG*) override
    {
        order->push_back(this);
        return take;
    }
};

TEST(WndTest, WalkOffersTheMessageFromItsWindowUpToTheStopWindow)
{
    std::vector<CWalkWnd*> order;
    CWalkWnd top, middle, child;
    top.order = middle.order = child.order = &order;
    ASSERT_TRUE(top.CreateEx(0, PlainClass(), L"", WS_OVERLAPPED, CRect(0, 0, 50, 50), nullptr, 0));
    ASSERT_TRUE(middle.CreateEx(0, PlainClass(), L"", WS_CHILD, CRect(0, 0, 40, 40), &top, 1));
    ASSERT_TRUE(child.CreateEx(0, PlainClass(), L"", WS_CHILD, CRect(0, 0, 30, 30), &middle, 2));
    MSG msg = {child.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};

    EXPECT_FALSE(CWnd::WalkPreTranslateTree(top.m_hWnd, &msg));
    EXPECT_EQ((std::vector<CWalkWnd*>{&child, &middle, &top}), order);

    order.clear();
    EXPECT_FALSE(CWnd::WalkPreTranslateTree(middle.m_hWnd, &msg));
    EXPECT_EQ((std::vector<CWalkWnd*>{&child, &middle}), order);

    order.clear();
    middle.take = true;
    EXPECT_TRUE(CWnd::WalkPreTranslateTree(top.m_hWnd, &msg));
    EXPECT_EQ((std::vector<CWalkWnd*>{&child, &middle}), order);
}

// Another thread's walk over these windows visits none of them.
DWORD WINAPI WalkFromOtherThread(void* param)
{
    MSG* msg = static_cast<MSG*>(param);
    return CWnd::WalkPreTranslateTree(nullptr, msg) ? 1 : 0;
}

TEST(WndTest, WalkVisitsOnlyWindowsOfTheCallingThread)
{
    std::vector<CWalkWnd*> order;
    CWalkWnd top;
    top.order = &order;
    top.take = true;
    ASSERT_TRUE(top.CreateEx(0, PlainClass(), L"", WS_OVERLAPPED, CRect(0, 0, 50, 50), nullptr, 0));
    MSG msg = {top.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    HANDLE thread = ::CreateThread(nullptr, 0, &WalkFromOtherThread, &msg, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ::WaitForSingleObject(thread, 10000);
    DWORD code = 2;
    ::GetExitCodeThread(thread, &code);
    ::CloseHandle(thread);
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(order.empty());
}

TEST(WndTest, TemporariesAreNonOwningAndFreedAtIdle)
{
    HWND window = ::CreateWindowExW(0, PlainClass(), L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
        ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    CWnd* temp = CWnd::FromHandle(window);
    ASSERT_NE(nullptr, temp);
    EXPECT_EQ(temp, CWnd::FromHandle(window));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(window));
    AfxDeleteTempMaps();
    EXPECT_TRUE(::IsWindow(window));
    {
        CEdit edit;  // created, so destroyed with the object
        ASSERT_TRUE(edit.Create(WS_CHILD, CRect(0, 0, 10, 10), CWnd::FromHandle(window), 3));
        EXPECT_EQ(&edit, CWnd::FromHandlePermanent(edit.m_hWnd));
        EXPECT_EQ(edit.m_hWnd, CWnd::FromHandle(window)->GetDlgItem(3)->m_hWnd);
    }
    EXPECT_EQ(nullptr, ::GetDlgItem(window, 3));
    AfxDeleteTempMaps();
    ::DestroyWindow(window);
}

// A menu that records which of its entries it was asked to draw and to measure.
class CRecordingMenu : public CMenu {
public:
    std::vector<ULONG_PTR> drawn;
    std::vector<ULONG_PTR> measured;
    void DrawItem(LPDRAWITEMSTRUCT draw) override { drawn.push_back(draw->itemData); }
    void MeasureItem(LPMEASUREITEMSTRUCT measure) override
    {
        measured.push_back(measure->itemData);
        measure->itemWidth = 40;
        measure->itemHeight = 12;
    }
};

void CALLBACK EndTrackedMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    ::EndMenu();
}

TEST(MenuTest, OwnerDrawnEntriesReachTheirMenuObjectThroughTheOwnersDefaultProcessing)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, PlainClass(), L"", WS_OVERLAPPED, CRect(0, 0, 10, 10), nullptr, 0));
    CRecordingMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    static const int entry = 0;
    ASSERT_TRUE(menu.AppendMenu(MF_OWNERDRAW, 10, static_cast<const void*>(&entry)));
    EXPECT_EQ(&menu, CMenu::FromHandlePermanent(menu.m_hMenu));
    const auto entryData = reinterpret_cast<ULONG_PTR>(&entry);

    // Drawing names the menu; measuring goes to the tracked menu.
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_MENU;
    draw.hwndItem = reinterpret_cast<HWND>(menu.m_hMenu);
    draw.itemData = entryData;
    EXPECT_EQ(TRUE, owner.SendMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
    EXPECT_EQ(std::vector<ULONG_PTR>{entryData}, menu.drawn);
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_MENU;
    measure.itemData = entryData;
    owner.SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
    EXPECT_TRUE(menu.measured.empty()) << "no menu is tracked";
    ::SetTimer(nullptr, 0, 100, &EndTrackedMenu);
    menu.TrackPopupMenu(TPM_LEFTALIGN, 0, 0, &owner);
    EXPECT_EQ(std::vector<ULONG_PTR>{entryData}, menu.measured);

    // A detached menu reaches no object; its temporary object does not destroy it.
    const size_t drawnBefore = menu.drawn.size();
    HMENU handle = menu.Detach();
    EXPECT_EQ(nullptr, CMenu::FromHandlePermanent(handle));
    owner.SendMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    EXPECT_EQ(drawnBefore, menu.drawn.size());
    CMenu* temp = CMenu::FromHandle(handle);
    ASSERT_NE(nullptr, temp);
    EXPECT_EQ(temp, CMenu::FromHandle(handle));
    AfxDeleteTempMaps();
    EXPECT_TRUE(::IsMenu(handle));
    // An attached one goes with its object.
    {
        CMenu owning;
        ASSERT_TRUE(owning.Attach(handle));
    }
    EXPECT_FALSE(::IsMenu(handle));
}

TEST(ControlsTest, TreeAndListWrappersReachTheirControls)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, PlainClass(), L"", WS_OVERLAPPED, CRect(0, 0, 300, 300), nullptr, 0));

    CTreeCtrl tree;
    ASSERT_TRUE(tree.Create(WS_CHILD | TVS_CHECKBOXES, CRect(0, 0, 200, 200), &parent, 1));
    const std::wstring longText(600, L'x');
    HTREEITEM root = tree.InsertItem(TVIF_TEXT | TVIF_PARAM, longText.c_str(), 0, 0, 0, 0, 77, TVI_ROOT, TVI_LAST);
    HTREEITEM child = tree.InsertItem(TVIF_TEXT, L"child", 0, 0, 0, 0, 0, root, TVI_LAST);
    ASSERT_NE(nullptr, child);
    EXPECT_EQ(longText, std::wstring(tree.GetItemText(root).GetString()));
    EXPECT_EQ(77u, tree.GetItemData(root));
    EXPECT_EQ(root, tree.GetRootItem());
    EXPECT_EQ(child, tree.GetChildItem(root));
    EXPECT_EQ(root, tree.GetParentItem(child));
    EXPECT_TRUE(tree.ItemHasChildren(root));
    EXPECT_TRUE(tree.SetCheck(child, TRUE));
    EXPECT_EQ(TRUE, tree.GetCheck(child));
    EXPECT_TRUE(tree.SetCheck(child, FALSE));
    EXPECT_EQ(FALSE, tree.GetCheck(child));
    EXPECT_TRUE(tree.SelectItem(child));
    EXPECT_EQ(child, tree.GetSelectedItem());
    EXPECT_TRUE(tree.DeleteAllItems());
    EXPECT_EQ(nullptr, tree.GetRootItem());

    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT, CRect(0, 0, 200, 200), &parent, 2));
    EXPECT_EQ(0, list.InsertColumn(0, L"Name"));
    EXPECT_EQ(1, list.InsertColumn(1, L"Size"));
    EXPECT_EQ(0, list.InsertItem(0, L"first"));
    EXPECT_EQ(1, list.InsertItem(1, L"second"));
    EXPECT_TRUE(list.SetItemText(1, 1, L"12 KB"));
    EXPECT_TRUE(list.SetItemData(1, 42));
    EXPECT_EQ(42u, list.GetItemData(1));
    EXPECT_TRUE(list.SetColumnWidth(0, LVSCW_AUTOSIZE_USEHEADER));
    EXPECT_EQ(2, list.GetItemCount());
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(0, list.GetItemCount());
}

}  // namespace
