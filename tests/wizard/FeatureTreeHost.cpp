#include "FeatureTreeHost.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include "FeatureTreeCtrlMenu.h"
#include "Screenshot.h"

namespace treehost {

namespace {

const UINT_PTR kStepTimer = 1;
const UINT kStepMilliseconds = 120;
// A step that is not done after this many ticks fails the test.
const int kMaxTicks = 40;

}  // namespace

CTreeHost::CTreeHost(CFeature* first) : CDialog(kHostDialog), m_first(first) { }

void CTreeHost::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, kTreeId, tree);
}

BOOL CTreeHost::OnInitDialog()
{
    CDialog::OnInitDialog();
    tree.Fill(m_first);
    SetTimer(kStepTimer, kStepMilliseconds);
    return TRUE;
}

void CTreeHost::OnTimer(UINT_PTR)
{
    // A screenshot pumps messages: no step runs inside another.
    if (m_running)
        return;
    m_running = true;
    if (m_next < steps.size()) {
        if (steps[m_next]()) {
            ++m_next;
            m_ticks = 0;
        } else if (++m_ticks > kMaxTicks) {
            failure = "step " + std::to_string(m_next) + " never finished";
            m_next = steps.size();
        }
    }
    if (m_next >= steps.size()) {
        KillTimer(kStepTimer);
        EndDialog(IDOK);
    }
    m_running = false;
}

void CTreeHost::OnTreeNotify(NMHDR* header, LRESULT* result)
{
    auto* notify = reinterpret_cast<FeatureTreeNotify*>(header);
    notifications.push_back(header->code);
    records.push_back(*notify);
    if (header->code == FTN_STATECHANGED)
        stateChanged.push_back(notify->oldFeature);
    *result = header->code == FTN_SELCHANGING && vetoSelection ? 1 : 0;
}

void CTreeHost::OnShowDependents()
{
    commands.push_back(ID_FEATURE_SHOW_DEPENDENTS);
}

void CTreeHost::OnShowBroken()
{
    commands.push_back(ID_FEATURE_SHOW_BROKEN);
}

BEGIN_MESSAGE_MAP(CTreeHost, CDialog)
    ON_WM_TIMER()
    ON_NOTIFY(FTN_SELCHANGED, kTreeId, OnTreeNotify)
    ON_NOTIFY(FTN_SELCHANGING, kTreeId, OnTreeNotify)
    ON_NOTIFY(FTN_STATECHANGED, kTreeId, OnTreeNotify)
    ON_COMMAND(ID_FEATURE_SHOW_DEPENDENTS, OnShowDependents)
    ON_COMMAND(ID_FEATURE_SHOW_BROKEN, OnShowBroken)
END_MESSAGE_MAP()

// The open popup menu's window; null when no menu is open.
HWND OpenMenu()
{
    HWND menu = ::FindWindowW(L"#32768", nullptr);
    return menu && ::IsWindowVisible(menu) ? menu : nullptr;
}

HMENU OpenMenuHandle()
{
    HWND window = OpenMenu();
    return window ? reinterpret_cast<HMENU>(::SendMessageW(window, MN_GETHMENU, 0, 0)) : nullptr;
}

// The command of the open menu's highlighted entry; 0 when none is.
UINT HighlightedCommand()
{
    HMENU menu = OpenMenuHandle();
    for (int i = 0; menu && i < ::GetMenuItemCount(menu); ++i) {
        if (::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE)
            return ::GetMenuItemID(menu, i);
    }
    return 0;
}

// The open menu's commands in order (0 for separators).
std::vector<UINT> MenuCommands()
{
    std::vector<UINT> ids;
    HMENU menu = OpenMenuHandle();
    for (int i = 0; menu && i < ::GetMenuItemCount(menu); ++i)
        ids.push_back(::GetMenuItemID(menu, i));
    return ids;
}

std::wstring SelectedTitle(CTreeHost& host)
{
    HTREEITEM selected = host.tree.GetSelectedItem();
    return selected ? std::wstring(host.tree.GetItemText(selected).GetString()) : std::wstring();
}

// Steps shared by the scripts.
Step PressKey(WORD key, const std::vector<WORD>& modifiers)
{
    return [key, modifiers] {
        Press(key, modifiers);
        return true;
    };
}
// Moves the tree's selection with the arrow keys until `title` is selected.
Step SelectByKeys(CTreeHost& host, const std::wstring& title, WORD key)
{
    return [&host, title, key] {
        if (SelectedTitle(host) == title)
            return true;
        Press(key);
        return false;
    };
}
Step WaitForMenu(bool open)
{
    return [open] { return (OpenMenu() != nullptr) == open; };
}
// Moves the open menu's highlight with the arrow keys to `id`.
Step MoveHighlightTo(UINT id)
{
    return [id] {
        if (HighlightedCommand() == id)
            return true;
        Press(VK_DOWN);
        return false;
    };
}
// The same, then chooses the entry with Enter.
Step ChooseByKeys(UINT id)
{
    return [id] {
        if (!MoveHighlightTo(id)())
            return false;
        Press(VK_RETURN);
        return true;
    };
}
Step Screenshot(CTreeHost& host, const wchar_t* name, HWND window)
{
    return [&host, name, window] {
        EXPECT_FALSE(SaveScreenshot(window ? window : host.m_hWnd, name).empty()) << "screenshot";
        return true;
    };
}
Step Check(std::function<void()> check)
{
    return [check] {
        check();
        return true;
    };
}

// A click on the item's image (or text) as the mouse sends it.
void Click(CTreeHost& host, const std::wstring& title, bool onImage)
{
    for (HTREEITEM item = host.tree.GetRootItem(); item; item = host.tree.GetNextVisibleItem(item)) {
        if (std::wstring(host.tree.GetItemText(item).GetString()) != title)
            continue;
        CRect text;
        host.tree.GetItemRect(item, &text, TRUE);
        const int x = onImage ? text.left - 30 : text.left + 5;
        const LPARAM at = MAKELPARAM(x, (text.top + text.bottom) / 2);
        UINT flags = 0;
        host.tree.HitTest(CPoint(x, (text.top + text.bottom) / 2), &flags);
        EXPECT_NE(0u, flags & (onImage ? TVHT_ONITEMICON : TVHT_ONITEMLABEL)) << flags;
        host.tree.PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
        host.tree.PostMessage(WM_LBUTTONUP, 0, at);
        return;
    }
    ADD_FAILURE() << "no item";
}

}  // namespace treehost
