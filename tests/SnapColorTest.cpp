#include "SnapColor.h"

#include <gtest/gtest.h>

#include <set>

TEST(SnapColor, WidensTopBitsOfEachComponent)
{
    EXPECT_EQ(SnapColor(RGB(0, 0, 0)), RGB(0, 0, 0));
    // 200 = 25 * 8 -> 200 + 6; 100 = 25 * 4 -> 100 + 1; 37 -> 32 + 1
    EXPECT_EQ(SnapColor(200, 100, 37), RGB(206, 101, 33));
    EXPECT_EQ(SnapColor(RGB(247, 251, 247)), RGB(247 / 8 * 8 + 7, 251 / 4 * 4 + 3, 247 / 8 * 8 + 7));
}

TEST(SnapColor, KeepsPureWhiteApartFromNearWhite)
{
    EXPECT_EQ(SnapColor(255, 255, 255), RGB(255, 255, 255));
    EXPECT_EQ(SnapColor(248, 252, 248), RGB(247, 251, 247));
    EXPECT_EQ(SnapColor(255, 255, 254), RGB(247, 251, 247));
    // Below the near-white corner in one component: the normal rule.
    EXPECT_EQ(SnapColor(255, 251, 255), RGB(255, 251 / 4 * 4 + 3, 255));
}

TEST(SnapColor, GivesExactlyTheLevelsOfA565Display)
{
    // Away from the near-white corner: 32 red, 64 green and 32 blue levels,
    // each of which snaps to itself.
    std::set<int> reds, greens, blues;
    for (int v = 0; v < 256; v++) {
        COLORREF red = SnapColor(v, 0, 0);
        COLORREF green = SnapColor(0, v, 0);
        COLORREF blue = SnapColor(0, 0, v);
        reds.insert(GetRValue(red));
        greens.insert(GetGValue(green));
        blues.insert(GetBValue(blue));
        EXPECT_EQ(SnapColor(red), red) << v;
        EXPECT_EQ(SnapColor(green), green) << v;
        EXPECT_EQ(SnapColor(blue), blue) << v;
    }
    EXPECT_EQ(reds.size(), 32u);
    EXPECT_EQ(greens.size(), 64u);
    EXPECT_EQ(blues.size(), 32u);
    EXPECT_EQ(*reds.rbegin(), 255);
    EXPECT_EQ(SnapColor(RGB(247, 251, 247)), RGB(247, 251, 247));
}

TEST(SnapColor, NearWhiteCornerNeedsAllThreeComponents)
{
    EXPECT_EQ(SnapColor(248, 252, 247), RGB(255, 255, 247 / 8 * 8 + 7));
    EXPECT_EQ(SnapColor(247, 252, 248), RGB(247, 255, 255));
    EXPECT_EQ(SnapColor(RGB(250, 253, 249)), RGB(247, 251, 247));
}
