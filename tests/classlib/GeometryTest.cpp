#include "Geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(Geometry, RectHelpers)
{
    CRect r(10, 20, 110, 70);
    EXPECT_EQ(100, r.Width());
    EXPECT_EQ(50, r.Height());
    EXPECT_FALSE(r.IsRectEmpty());
    EXPECT_TRUE(CRect().IsRectEmpty());
    EXPECT_TRUE(r.PtInRect(CPoint(10, 20)));
    EXPECT_FALSE(r.PtInRect(CPoint(110, 20)));  // right and bottom are outside

    CRect both;
    EXPECT_TRUE(both.IntersectRect(r, CRect(100, 0, 200, 30)));
    EXPECT_EQ(CRect(100, 20, 110, 30).Width(), both.Width());
    EXPECT_EQ(20, both.top);
    EXPECT_FALSE(both.IntersectRect(r, CRect(0, 0, 5, 5)));
    EXPECT_TRUE(both.IsRectEmpty());

    r.OffsetRect(-10, 5);
    EXPECT_EQ(0, r.TopLeft().x);
    EXPECT_EQ(25, r.TopLeft().y);
    r.BottomRight() = CPoint(1, 2);
    EXPECT_EQ(1, r.right);
    EXPECT_EQ(2, r.bottom);
    r.SetRect(1, 2, 3, 4);
    LPCRECT p = r;
    EXPECT_EQ(4, p->bottom);

    CSize s(3, 4);
    EXPECT_EQ(3, s.cx);
    EXPECT_EQ(4, s.cy);
}

}  // namespace
