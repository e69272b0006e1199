// CPoint, CSize, CRect: plain POINT, SIZE and RECT values with a few helpers.
#pragma once

#include <windows.h>

class CPoint : public POINT {
public:
    CPoint() noexcept : POINT{0, 0} { }
    CPoint(int initX, int initY) noexcept : POINT{initX, initY} { }
    CPoint(const POINT& pt) noexcept : POINT(pt) { }
};

class CSize : public SIZE {
public:
    CSize() noexcept : SIZE{0, 0} { }
    CSize(int initCX, int initCY) noexcept : SIZE{initCX, initCY} { }
    CSize(const SIZE& size) noexcept : SIZE(size) { }
};

class CRect : public RECT {
public:
    CRect() noexcept : RECT{0, 0, 0, 0} { }
    CRect(int l, int t, int r, int b) noexcept : RECT{l, t, r, b} { }
    CRect(const RECT& rc) noexcept : RECT(rc) { }

    int Width() const noexcept { return right - left; }
    int Height() const noexcept { return bottom - top; }
    BOOL IsRectEmpty() const noexcept { return ::IsRectEmpty(this); }
    BOOL PtInRect(POINT pt) const noexcept { return ::PtInRect(this, pt); }
    // Sets this rectangle to the intersection of the two; FALSE (and empty) when they do not meet.
    BOOL IntersectRect(LPCRECT a, LPCRECT b) noexcept { return ::IntersectRect(this, a, b); }
    void OffsetRect(int dx, int dy) noexcept { ::OffsetRect(this, dx, dy); }
    void OffsetRect(POINT pt) noexcept { ::OffsetRect(this, pt.x, pt.y); }
    void SetRect(int l, int t, int r, int b) noexcept
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }

    // The corners as points that write through to the rectangle (ScreenToClient(&rc.TopLeft())).
    CPoint& TopLeft() noexcept { return *reinterpret_cast<CPoint*>(&left); }
    CPoint& BottomRight() noexcept { return *reinterpret_cast<CPoint*>(&right); }
    const CPoint& TopLeft() const noexcept { return *reinterpret_cast<const CPoint*>(&left); }
    const CPoint& BottomRight() const noexcept { return *reinterpret_cast<const CPoint*>(&right); }

    operator LPRECT() noexcept { return this; }
    operator LPCRECT() const noexcept { return this; }
};

static_assert(sizeof(CPoint) == sizeof(POINT) && sizeof(CRect) == 4 * sizeof(LONG), "layout");
