#include "FeatureTreeCtrlMenu.h"

#include <msi.h>

#include "DC.h"
#include "Feature.h"
#include "Resources.h"
#include "resource.h"

using OrbelToolbox::UniqueIcon;

namespace {

// Layout of an entry: the icon at its left, the text after it.
const int kIconWidth = 32;
const int kIconHeight = 16;
const int kTextLeft = 34;
const int kTextTop = 1;
const int kExtraWidth = 43;
const int kExtraHeight = 6;
// Dependents counted for the menu: every filter but "only placeholders".
const DWORD kMenuDependentFlags = CFeature::kCountOnlyInstalling | CFeature::kCountSkipInsideSubtree
    | CFeature::kCountSkipSelf | CFeature::kCountSkipAlternativeStates | CFeature::kCountChildren
    | CFeature::kCountSkipRequiredChildren;

// The commands an ordinary feature's menu can send.
const UINT kMsiCommands[] = {ID_FEATURE_LOCAL, ID_FEATURE_LOCAL_ALL, ID_FEATURE_SOURCE, ID_FEATURE_SOURCE_ALL,
    ID_FEATURE_NETWORK, ID_FEATURE_NETWORK_ALL, ID_FEATURE_ADVERTISE, ID_FEATURE_ABSENT, ID_FEATURE_ABSENT_GRAYED,
    ID_FEATURE_SHOW_DEPENDENTS, ID_FEATURE_SHOW_BROKEN};

HICON LoadMenuIcon(UINT id)
{
    return static_cast<HICON>(
        ::LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(id), IMAGE_ICON, kIconWidth, kIconHeight, 0));
}

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

}  // namespace

CFeatureTreeCtrlMenu::CFeatureTreeCtrlMenu(CMenuTreeCtrl* tree, CFeature* feature)
    : CMenuTreeCtrlMenu(tree), m_feature(feature)
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        m_font.CreateFontIndirect(&metrics.lfMenuFont);
}

CFeatureTreeCtrlMenu::~CFeatureTreeCtrlMenu()
{
    // The menu goes before the entries it points to.
    DestroyMenu();
}

bool CFeatureTreeCtrlMenu::Build()
{
    DestroyMenu();
    m_entries.clear();
    if (!CreatePopupMenu())
        return false;
    if (FillItems() > 0)
        return true;
    DestroyMenu();
    return false;
}

void CFeatureTreeCtrlMenu::AppendSeparator(UINT id)
{
    m_entries.emplace_back(new FeatureMenuEntry{MF_OWNERDRAW | MF_SEPARATOR, CString(), UniqueIcon(), false});
    AppendMenu(m_entries.back()->flags, id, static_cast<const void*>(m_entries.back().get()));
}

void CFeatureTreeCtrlMenu::AppendEntry(UINT id, const CString& text, UINT iconId, bool grayed)
{
    m_entries.emplace_back(new FeatureMenuEntry{static_cast<UINT>(MF_OWNERDRAW | (grayed ? MF_GRAYED : 0)), text,
        UniqueIcon(iconId ? LoadMenuIcon(iconId) : nullptr), grayed});
    AppendMenu(m_entries.back()->flags, id, static_cast<const void*>(m_entries.back().get()));
}

void CFeatureTreeCtrlMenu::MeasureItem(LPMEASUREITEMSTRUCT measure)
{
    const auto* entry = reinterpret_cast<const FeatureMenuEntry*>(measure->itemData);
    if (!entry)
        return;
    if (entry->flags & MF_SEPARATOR) {
        measure->itemHeight = static_cast<UINT>(::GetSystemMetrics(SM_CYMENU) / 2);
        measure->itemWidth = 0;
        return;
    }
    CClientDC dc(nullptr);
    HGDIOBJ old = m_font.m_hObject ? dc.SelectObject(m_font.m_hObject) : nullptr;
    CRect rect;
    dc.DrawText(entry->text, &rect, DT_CALCRECT);
    if (old)
        dc.SelectObject(old);
    measure->itemWidth = static_cast<UINT>(rect.Width() - ::GetSystemMetrics(SM_CXMENUCHECK) + kExtraWidth);
    measure->itemHeight = static_cast<UINT>(rect.Height() + kExtraHeight);
}

void CFeatureTreeCtrlMenu::DrawItem(LPDRAWITEMSTRUCT draw)
{
    const auto* entry = reinterpret_cast<const FeatureMenuEntry*>(draw->itemData);
    if (!entry)
        return;
    HDC dc = draw->hDC;
    CRect rect = draw->rcItem;
    if (entry->flags & MF_SEPARATOR) {
        CRect edge = rect;
        edge.top = (rect.top + rect.bottom) / 2;
        ::DrawEdge(dc, &edge, EDGE_ETCHED, BF_TOP);
        return;
    }
    const bool selected = (draw->itemState & ODS_SELECTED) != 0;
    const bool inactive = (draw->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    if (selected && (draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) && !inactive) {
        ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_HIGHLIGHT));
        ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_HIGHLIGHT));
    } else if (selected || !(draw->itemAction & ODA_SELECT) || inactive) {
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
    } else {
        ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    }
    const UINT disabled = entry->disabled ? DSS_DISABLED : 0;
    HGDIOBJ old = m_font.m_hObject ? ::SelectObject(dc, m_font.m_hObject) : nullptr;
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(entry->text.GetString()),
        static_cast<WPARAM>(entry->text.GetLength()), rect.left + kTextLeft, rect.top + kTextTop, 0, 0,
        DST_TEXT | disabled);
    if (entry->icon.Get())
        ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(entry->icon.Get()), 0, rect.left, rect.top,
            kIconWidth, kIconHeight, DST_ICON | disabled);
    ::SetBkMode(dc, oldMode);
    if (old)
        ::SelectObject(dc, old);
    // A grayed entry keeps the button face when the keyboard reaches it: a focus frame shows
    // where the highlight is.
    if (selected && inactive)
        ::DrawFocusRect(dc, &rect);
}

CMsiFeatureMenu::CMsiFeatureMenu(CMenuTreeCtrl* tree, CFeature* feature) : CFeatureTreeCtrlMenu(tree, feature)
{
    for (UINT id : kMsiCommands)
        tree->RegisterCommand(id);
}

MsiFeatureMenuFacts CMsiFeatureMenu::ReadFacts(CFeature& f)
{
    MsiFeatureMenuFacts facts = {};
    facts.localAllowed = f.CanInstallLocal();
    facts.sourceAllowed = f.CanRunFromSource();
    facts.absentAllowed = f.CanBeAbsent();
    facts.advertiseAllowed = f.CanAdvertise();
    facts.network = f.IsNetworkSource();
    facts.visibleChildren = f.HasVisibleChild();
    facts.currentState = f.GetCurrentState();
    facts.dependents = f.CountDependents(kMenuDependentFlags);
    facts.unfixableBroken = f.CountUnfixableBrokenDependencies();
    facts.blocked = f.IsBlocked();
    return facts;
}

std::vector<MsiFeatureMenuRow> CMsiFeatureMenu::Rows(const MsiFeatureMenuFacts& f)
{
    std::vector<MsiFeatureMenuRow> rows;
    if (f.blocked)
        return rows;
    auto add = [&rows](bool condition, UINT id, UINT icon, UINT text, bool grayed = false) {
        if (condition)
            rows.push_back({id, icon, text, grayed});
    };
    const bool local = f.currentState == INSTALLSTATE_LOCAL;
    const bool source = f.currentState == INSTALLSTATE_SOURCE;
    const bool fromSource = f.sourceAllowed && !f.network;
    const bool fromNetwork = f.sourceAllowed && f.network;
    const bool noDependents = f.dependents == 0;
    add(f.localAllowed, ID_FEATURE_LOCAL, IDI_MENU_LOCAL, local ? IDS_MENU_LEAVE_LOCAL : IDS_MENU_INSTALL_LOCAL);
    add(f.visibleChildren && f.localAllowed, ID_FEATURE_LOCAL_ALL, IDI_MENU_LOCAL_ALL,
        local ? IDS_MENU_LEAVE_LOCAL_ALL : IDS_MENU_INSTALL_LOCAL_ALL);
    add(f.localAllowed && (f.sourceAllowed || f.advertiseAllowed || f.absentAllowed), ID_FEATURE_SEPARATOR_LOCAL, 0, 0);
    add(fromSource, ID_FEATURE_SOURCE, IDI_MENU_SOURCE, source ? IDS_MENU_LEAVE_SOURCE : IDS_MENU_INSTALL_SOURCE);
    add(f.visibleChildren && fromSource, ID_FEATURE_SOURCE_ALL, IDI_MENU_SOURCE_ALL,
        source ? IDS_MENU_LEAVE_SOURCE_ALL : IDS_MENU_INSTALL_SOURCE_ALL);
    add(fromSource && (f.advertiseAllowed || f.absentAllowed), ID_FEATURE_SEPARATOR_SOURCE, 0, 0);
    add(fromNetwork, ID_FEATURE_NETWORK, IDI_MENU_NETWORK, source ? IDS_MENU_LEAVE_NETWORK : IDS_MENU_INSTALL_NETWORK);
    add(f.visibleChildren && fromNetwork, ID_FEATURE_NETWORK_ALL, IDI_MENU_NETWORK_ALL,
        source ? IDS_MENU_LEAVE_NETWORK_ALL : IDS_MENU_INSTALL_NETWORK_ALL);
    add(fromNetwork && (f.advertiseAllowed || f.absentAllowed), ID_FEATURE_SEPARATOR_NETWORK, 0, 0);
    add(f.advertiseAllowed && noDependents, ID_FEATURE_ADVERTISE, IDI_MENU_ADVERTISE,
        f.currentState == INSTALLSTATE_ADVERTISED ? IDS_MENU_LEAVE_ADVERTISED : IDS_MENU_ADVERTISE);
    add(f.advertiseAllowed && f.absentAllowed && noDependents, ID_FEATURE_SEPARATOR_ADVERTISE, 0, 0);
    add(f.absentAllowed && noDependents, ID_FEATURE_ABSENT, IDI_MENU_ABSENT,
        f.currentState == INSTALLSTATE_ABSENT ? IDS_MENU_LEAVE_ABSENT : IDS_MENU_REMOVE);
    add(f.absentAllowed && !noDependents, ID_FEATURE_ABSENT_GRAYED, IDI_MENU_ABSENT, IDS_MENU_LEAVE_ABSENT, true);
    add(!noDependents, ID_FEATURE_SHOW_DEPENDENTS, IDI_MENU_DEPENDENTS, IDS_MENU_SHOW_DEPENDENTS);
    add(f.unfixableBroken > 0, ID_FEATURE_SHOW_BROKEN, IDI_MENU_BROKEN, IDS_MENU_SHOW_BROKEN);
    return rows;
}

int CMsiFeatureMenu::FillItems()
{
    if (!m_feature)
        return 0;
    int count = 0;
    for (const MsiFeatureMenuRow& row : Rows(ReadFacts(*m_feature))) {
        if (row.icon == 0)
            AppendSeparator(0);
        else
            AppendEntry(row.id, LoadText(row.text), row.icon, row.grayed);
        ++count;
    }
    return count;
}

CLinkedDistFeatureMenu::CLinkedDistFeatureMenu(CMenuTreeCtrl* tree, CFeature* feature)
    : CFeatureTreeCtrlMenu(tree, feature)
{
    for (UINT id = ID_LINKED_FIRST; id <= ID_LINKED_FIRST + kLinkedMenuMaxItems; ++id)
        tree->RegisterCommand(id);
}

UINT CLinkedDistFeatureMenu::IconOfType(int type)
{
    switch (type) {
    case 0:
        return IDI_MENU_ABSENT;
    case 1:
        return IDI_INSTALL_COMPLETE;
    case 2:
        return IDI_INSTALL_TYPICAL;
    case 3:
        return IDI_INSTALL_CUSTOM;
    default:
        return 0;
    }
}

int CLinkedDistFeatureMenu::FillItems()
{
    if (!m_feature || !m_feature->IsFakeFeature(CFeature::kLinkedDist))
        return 0;
    const CFeature::LinkedDistFakeFeature& menu = m_feature->GetLinkedDistFakeFeature();
    const int items = menu.GetMenuItemCount();
    m_entries.reserve(static_cast<size_t>(items));
    int count = 0;
    for (int i = 0; i < items && i < kLinkedMenuMaxItems; ++i) {
        const CFeature::LinkedDistFakeFeature::MenuItem& item = menu.GetMenuItem(i);
        if (item.type == -1) {
            AppendSeparator(0);
            continue;
        }
        AppendEntry(ID_LINKED_FIRST + static_cast<UINT>(i), item.title, IconOfType(item.type), false);
        ++count;
    }
    return count;
}
