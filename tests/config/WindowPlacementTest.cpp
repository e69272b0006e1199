// WindowPlacementState: a window takes another's place, keeping its own size.
#include <gtest/gtest.h>

#include "WindowPlacementState.h"

namespace {

// A window of the static class, top-level or the child of `parent`, destroyed with the object.
class Window {
public:
    Window(int x, int y, int width, int height, HWND parent = nullptr)
        : m_hwnd(CreateWindowExW(0, L"STATIC", L"placement", parent ? WS_CHILD : WS_OVERLAPPEDWINDOW, x, y, width,
            height, parent, nullptr, GetModuleHandleW(nullptr), nullptr))
    {
    }
    ~Window() { DestroyWindow(m_hwnd); }
    HWND Get() const { return m_hwnd; }
    RECT NormalRect() const
    {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof(placement);
        GetWindowPlacement(m_hwnd, &placement);
        return placement.rcNormalPosition;
    }

private:
    HWND m_hwnd;
};

TEST(WindowPlacement, TargetTakesTheSourcePlaceWithItsOwnSize)
{
    Window source(100, 120, 400, 300);
    Window target(10, 20, 250, 150);
    ASSERT_NE(nullptr, source.Get());
    ASSERT_NE(nullptr, target.Get());

    WindowPlacementState state;
    state.Save(source.Get(), target.Get());
    EXPECT_EQ(target.Get(), state.GetTargetWindow());
    EXPECT_EQ(static_cast<UINT>(sizeof(WINDOWPLACEMENT)), state.GetPlacement().length);
    const UINT fixed = SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW;
    EXPECT_EQ(fixed, state.GetPositionFlags() & ~static_cast<UINT>(SWP_NOACTIVATE));
    // Neither window is in the foreground: the target is not activated.
    if (GetForegroundWindow() != source.Get()) {
        EXPECT_EQ(fixed | SWP_NOACTIVATE, state.GetPositionFlags());
    }

    state.ApplyTo(true);
    RECT placed = target.NormalRect();
    EXPECT_EQ(100, placed.left);
    EXPECT_EQ(120, placed.top);
    EXPECT_EQ(250, placed.right - placed.left);
    EXPECT_EQ(150, placed.bottom - placed.top);
    // The source's show state, in its no-activate form, shows the target.
    EXPECT_TRUE(IsWindowVisible(target.Get()));
}

// The target goes below the first window above the source that counts: hidden windows and
// the target itself are passed over. The windows are siblings under a parent of the test, so
// that other programs' windows cannot come between them.
TEST(WindowPlacement, InsertAfterTheFirstVisibleWindowAboveTheSource)
{
    // Each new child window starts at the bottom of its siblings' z-order.
    Window parent(0, 0, 600, 600);
    ShowWindow(parent.Get(), SW_SHOWNA);  // a child is visible only inside a visible parent
    Window visible(40, 40, 50, 50, parent.Get());
    Window hidden(30, 30, 50, 50, parent.Get());
    Window target(10, 20, 250, 150, parent.Get());
    Window source(100, 120, 400, 300, parent.Get());
    ShowWindow(target.Get(), SW_SHOWNA);
    ShowWindow(visible.Get(), SW_SHOWNA);
    ASSERT_EQ(target.Get(), GetWindow(source.Get(), GW_HWNDPREV));
    ASSERT_EQ(hidden.Get(), GetWindow(target.Get(), GW_HWNDPREV));
    ASSERT_EQ(visible.Get(), GetWindow(hidden.Get(), GW_HWNDPREV));

    WindowPlacementState state;
    state.Save(source.Get(), target.Get());
    EXPECT_EQ(visible.Get(), state.GetInsertAfterWindow());
    state.ApplyTo(true);
    EXPECT_EQ(target.Get(), GetWindow(visible.Get(), GW_HWNDNEXT));
}

TEST(WindowPlacement, NoActivateShowCommands)
{
    const UINT cases[][2] = {{SW_HIDE, SW_SHOWNOACTIVATE}, {SW_SHOWMINIMIZED, SW_SHOWMINNOACTIVE}, {SW_SHOW, SW_SHOWNA},
        {SW_SHOWNORMAL, SW_SHOWNORMAL}, {SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED}, {SW_SHOWNA, SW_SHOWNA}};
    for (const auto& c : cases)
        EXPECT_EQ(c[1], WindowPlacementState::NoActivateShowCommand(c[0])) << c[0];
}

}  // namespace
