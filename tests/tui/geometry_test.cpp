// Points and rectangles.
#include <gtest/gtest.h>

#include "geometry.h"

namespace tui {
namespace {

TEST(geometryTest, PointArithmeticAndDistance)
{
    point a(3, 4);
    EXPECT_EQ(a + point(1, 2), point(4, 6));
    EXPECT_EQ(a - point(1, 2), point(2, 2));
    a += point(1, 1);
    EXPECT_EQ(a, point(4, 5));
    EXPECT_EQ(point(0, 0).distance(point(3, 4)), 5);
    EXPECT_EQ(point(0, 0).distance(point(2, 2)), 2);  // floor of 2.83
    EXPECT_EQ(point(1, 1).distance(point(1, 1)), 0);
    EXPECT_EQ(point(5, 1).dx(point(2, 9)), 3);
    EXPECT_EQ(point(5, 1).dy(point(2, 9)), 8);
}

TEST(geometryTest, RectangleFromCornersAndContainment)
{
    rect r(point(7, 2), point(3, 5));
    EXPECT_EQ(r.origin(), point(3, 2));
    EXPECT_EQ(r.width(), 5);
    EXPECT_EQ(r.height(), 4);
    EXPECT_TRUE(r.contains(point(7, 5)));
    EXPECT_FALSE(r.contains(point(8, 5)));
    EXPECT_TRUE(r.contains(rect(4, 3, 2, 2)));
    EXPECT_FALSE(r.contains(rect(4, 3, 5, 2)));
}

TEST(geometryTest, IntersectionsIncludeCrossShapedOverlaps)
{
    rect wide(0, 2, 10, 2);
    rect tall(4, 0, 2, 10);
    EXPECT_TRUE(wide.intersects(tall));
    rect o = wide.intersection(tall);
    EXPECT_EQ(o.origin(), point(4, 2));
    EXPECT_EQ(o.width(), 2);
    EXPECT_EQ(o.height(), 2);
    EXPECT_FALSE(wide.intersects(rect(10, 2, 3, 3)));
    EXPECT_LE(wide.intersection(rect(20, 20, 1, 1)).width(), 0);
}

}  // namespace
}  // namespace tui
