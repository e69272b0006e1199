// A window's place on the screen and in the z-order, saved from one window and applied to
// another: a child installer's frame takes its master's place, and a master takes back the
// place of a child's frame.
#pragma once

#include <windows.h>

class WindowPlacementState {
public:
    WindowPlacementState();

    // Saves the placement and the z-order position of `source` for `target`.
    void Save(HWND source, HWND target);
    // Puts the target where the source was, keeping the target's own size. With
    // `keepShowState` the source's show state is applied in its no-activate form.
    void ApplyTo(bool keepShowState);

    HWND GetTargetWindow() const { return m_hTarget; }
    HWND GetInsertAfterWindow() const { return m_hInsertAfter; }
    const WINDOWPLACEMENT& GetPlacement() const { return m_placement; }
    UINT GetPositionFlags() const { return m_uPositionFlags; }

    // The no-activate form of a show command: SW_HIDE and SW_SHOW become SW_SHOWNOACTIVATE and
    // SW_SHOWNA, SW_SHOWMINIMIZED becomes SW_SHOWMINNOACTIVE; others stay.
    static UINT NoActivateShowCommand(UINT showCommand);

private:
    HWND m_hTarget;
    HWND m_hInsertAfter;
    WINDOWPLACEMENT m_placement;
    UINT m_uPositionFlags;
};
