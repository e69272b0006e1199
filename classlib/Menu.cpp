#include "Menu.h"

#include "AfxThreadState.h"
#include "HandleMap.h"
#include "Wnd.h"

namespace {

AfxHandleMap<HMENU, CMenu>& Menus()
{
    static auto* map = new AfxHandleMap<HMENU, CMenu>;  // never destroyed, like the window map
    return *map;
}

}  // namespace

CMenu::~CMenu()
{
    DestroyMenu();
}

CMenu* CMenu::FromHandlePermanent(HMENU menu)
{
    return menu ? Menus().Find(menu) : nullptr;
}

CMenu* CMenu::FromHandle(HMENU menu)
{
    if (!menu)
        return nullptr;
    if (CMenu* permanent = FromHandlePermanent(menu))
        return permanent;
    CMenu*& temp = AfxGetThreadState().tempMenus[menu];
    if (!temp) {
        temp = new CMenu;
        temp->m_hMenu = menu;
    }
    return temp;
}

BOOL CMenu::Attach(HMENU menu)
{
    if (!menu || m_hMenu)
        return FALSE;
    Menus().Add(menu, this);
    m_hMenu = menu;
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU menu = m_hMenu;
    if (menu)
        Menus().Remove(menu, this);
    m_hMenu = nullptr;
    return menu;
}

BOOL CMenu::DestroyMenu()
{
    if (!m_hMenu)
        return FALSE;
    return ::DestroyMenu(Detach());
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect)
{
    // Nested tracking (a menu opened from a menu's command) gets the outer menu back.
    class TrackedScope {
    public:
        explicit TrackedScope(CMenu* menu) : m_state(AfxGetThreadState()), m_saved(m_state.pTrackedMenu)
        {
            m_state.pTrackedMenu = menu;
        }
        ~TrackedScope() { m_state.pTrackedMenu = m_saved; }
        TrackedScope(const TrackedScope&) = delete;
        TrackedScope& operator=(const TrackedScope&) = delete;

    private:
        AfxThreadState& m_state;
        CMenu* m_saved;
    };
    TrackedScope scope(this);
    return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, CWnd::HandleOf(owner), rect);
}

void CMenu::DrawItem(LPDRAWITEMSTRUCT) { }

void CMenu::MeasureItem(LPMEASUREITEMSTRUCT) { }

BOOL AfxRouteOwnerDrawnMenu(UINT message, LPARAM lParam, LRESULT* result)
{
    if (message == WM_DRAWITEM) {
        auto* draw = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam);
        if (!draw || draw->CtlType != ODT_MENU)
            return FALSE;
        CMenu* menu = CMenu::FromHandlePermanent(reinterpret_cast<HMENU>(draw->hwndItem));
        if (!menu)
            return FALSE;
        menu->DrawItem(draw);
        *result = TRUE;
        return TRUE;
    }
    if (message == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam);
        CMenu* menu = AfxGetThreadState().pTrackedMenu;
        if (!measure || measure->CtlType != ODT_MENU || !menu)
            return FALSE;
        menu->MeasureItem(measure);
        *result = TRUE;
        return TRUE;
    }
    return FALSE;
}
