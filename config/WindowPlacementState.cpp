#include "WindowPlacementState.h"

#include "WindowHelpers.h"

WindowPlacementState::WindowPlacementState()
    : m_hTarget(nullptr), m_hInsertAfter(nullptr), m_placement(),
      m_uPositionFlags(SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW)
{
    m_placement.length = sizeof(WINDOWPLACEMENT);
}

void WindowPlacementState::Save(HWND source, HWND target)
{
    m_hTarget = target;
    m_uPositionFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW;
    if (GetTopLevelWindow(GetForegroundWindow()) != source)
        m_uPositionFlags |= SWP_NOACTIVATE;

    m_placement = WINDOWPLACEMENT();
    m_placement.length = sizeof(WINDOWPLACEMENT);
    GetWindowPlacement(source, &m_placement);

    // The window directly above the source that counts: the first visible one that is not the
    // target, or a topmost one; the last one looked at when none of them counts.
    m_hInsertAfter = nullptr;
    for (HWND above = GetWindow(source, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
        m_hInsertAfter = above;
        if ((IsWindowVisible(above) && above != target) || (GetWindowLongPtrW(above, GWL_EXSTYLE) & WS_EX_TOPMOST))
            break;
    }
}

UINT WindowPlacementState::NoActivateShowCommand(UINT showCommand)
{
    switch (showCommand) {
    case SW_HIDE:
        return SW_SHOWNOACTIVATE;
    case SW_SHOWMINIMIZED:
        return SW_SHOWMINNOACTIVE;
    case SW_SHOW:
        return SW_SHOWNA;
    default:
        return showCommand;
    }
}

void WindowPlacementState::ApplyTo(bool keepShowState)
{
    SetWindowPos(m_hTarget, m_hInsertAfter ? m_hInsertAfter : HWND_TOP, 0, 0, 0, 0, m_uPositionFlags);

    // The source's place with the target's own size.
    WINDOWPLACEMENT own = {};
    own.length = sizeof(WINDOWPLACEMENT);
    GetWindowPlacement(m_hTarget, &own);
    WINDOWPLACEMENT placement = m_placement;
    placement.length = sizeof(WINDOWPLACEMENT);
    placement.rcNormalPosition.right
        = placement.rcNormalPosition.left + (own.rcNormalPosition.right - own.rcNormalPosition.left);
    placement.rcNormalPosition.bottom
        = placement.rcNormalPosition.top + (own.rcNormalPosition.bottom - own.rcNormalPosition.top);
    if (keepShowState)
        placement.showCmd = NoActivateShowCommand(placement.showCmd);
    SetWindowPlacement(m_hTarget, &placement);

    if (!(m_uPositionFlags & SWP_NOACTIVATE))
        SetForegroundWindow(m_hTarget);
}
