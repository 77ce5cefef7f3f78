#include "SnapColor.h"

#include <gtest/gtest.h>

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
