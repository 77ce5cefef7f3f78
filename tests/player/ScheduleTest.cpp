// The playback schedule: delays scaled by the speed, accumulated on the
// schedule, re-anchored by zero delays; pausing and resuming.
#include "PlayerTestSupport.h"

#include <gtest/gtest.h>

namespace {

class Schedule : public testing::Test {
protected:
    void SetUp() override {
        character = MakeCharacterBitmap();
        player.reset(new ShowPlayer(windows.MakePreviewWindow(160, 120)));
        ASSERT_TRUE(player->ok) << player->message;
    }
    void TearDown() override {
        player->Shutdown();
        DeleteObject(character);
    }
    void Start(ShowDocument& show, int speed) {
        ASSERT_TRUE(player->StartShow(&show, character, speed, 0)) << player->message;
    }
    // The index of the point the character stands on.
    int CurrentIndex(ShowDocument& show) const {
        int index = 0;
        for (PointNode* node = show.head.next; node; node = node->next, ++index)
            if (node == player->currentPoint) return index;
        return -1;
    }

    TestWindows windows;
    HBITMAP character = nullptr;
    std::unique_ptr<ShowPlayer> player;
};

TEST_F(Schedule, SpeedFiftyHalvesDelaysThatAccumulateAndCatchUp) {
    auto show = MakeShow({{0, 0, 7000, 0, 1, 0},  // the first point's delay is never used
                          {1, 1, 100, 0, 1, 0},
                          {2, 2, 40, 0, 1, 0},
                          {3, 3, 20000, 0, 1, 0},  // far off even on a busy machine
                          {4, 4, 0, 0, 1, 0}});
    Start(*show, 50);
    EXPECT_EQ(0.5f, player->speedFactor);
    uint32_t start = player->nextDueMs;
    ASSERT_TRUE(player->PlayStep());
    EXPECT_EQ(1, CurrentIndex(*show));
    EXPECT_EQ(start + 50, player->nextDueMs);

    Sleep(200);  // a late player draws everything due in one step
    ASSERT_TRUE(player->PlayStep());
    EXPECT_EQ(3, CurrentIndex(*show));
    EXPECT_EQ(start + 50 + 20 + 10000, player->nextDueMs) << "measured from the schedule";
}

TEST_F(Schedule, ZeroDelayReAnchorsToTheClock) {
    auto show = MakeShow({{0, 0, 0, 0, 1, 0}, {1, 1, 0, 0, 1, 0}, {2, 2, 1000, 0, 1, 0},
                          {3, 3, 0, 0, 1, 0}});
    Start(*show, 0);
    player->nextDueMs -= 5000;  // five seconds behind
    uint32_t before = timeGetTime();
    ASSERT_TRUE(player->PlayStep());
    uint32_t after = timeGetTime();
    EXPECT_EQ(2, CurrentIndex(*show));
    EXPECT_GE(player->nextDueMs, before + 1000);
    EXPECT_LE(player->nextDueMs, after + 1000);
}

TEST_F(Schedule, SpeedHundredNeverWaits) {
    std::vector<Pt> points;
    for (uint16_t i = 0; i < 20; ++i) points.push_back({i, i, 5000, 0, 1, 0});
    auto show = MakeShow(points);
    Start(*show, 100);
    EXPECT_EQ(0.0f, player->speedFactor);
    uint32_t start = player->nextDueMs;
    EXPECT_FALSE(player->PlayStep()) << "all twenty points in one step";
    EXPECT_TRUE(player->ok);
    EXPECT_EQ(start, player->nextDueMs);
}

TEST_F(Schedule, AfterTheEndNothingIsPresentedAgain) {
    auto show = MakeShow({{0, 0, 0, 0, 1, 0}, {1, 1, 0, 0, 1, 0}});
    Start(*show, 100);
    EXPECT_FALSE(player->PlayStep());
    EXPECT_EQ(nullptr, player->currentPoint);
    // A present would rebuild the Drawing surface and clear the flag.
    player->floodDirty = true;
    for (int i = 0; i < 10; ++i) EXPECT_FALSE(player->PlayStep());
    EXPECT_TRUE(player->floodDirty);
    EXPECT_TRUE(player->ok);
}

TEST_F(Schedule, DelayNextPointHoldsAndResetClockResumes) {
    auto show = MakeShow({{0, 0, 0, 0, 1, 0}, {1, 1, 0, 0, 1, 0}, {2, 2, 0, 0, 1, 0}});
    Start(*show, 0);
    uint32_t before = timeGetTime();
    player->DelayNextPoint(5000);  // long enough for three steps on a busy machine
    uint32_t after = timeGetTime();
    EXPECT_GE(player->nextDueMs, before + 5000);
    EXPECT_LE(player->nextDueMs, after + 5000);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(player->PlayStep()) << "presents, draws nothing";
    EXPECT_EQ(0, CurrentIndex(*show));

    player->DelayNextPoint(120000);
    EXPECT_TRUE(player->PlayStep());
    EXPECT_EQ(0, CurrentIndex(*show));
    before = timeGetTime();
    player->ResetClock();
    EXPECT_GE(player->nextDueMs, before);
    EXPECT_LE(player->nextDueMs, timeGetTime());
    EXPECT_FALSE(player->PlayStep()) << "both zero-delay points at once, then the end";
    EXPECT_TRUE(player->ok);
}

// A speed above 100 (a registry value typed by hand, a standalone trailer up to
// 127) plays as 100: no point waits and the schedule never runs backwards.
TEST_F(Schedule, SpeedAboveHundredPlaysAsHundred) {
    std::vector<Pt> points;
    for (uint16_t i = 0; i < 20; ++i) points.push_back({i, i, 65535, 0, 1, 0});
    auto show = MakeShow(points);
    Start(*show, 127);
    EXPECT_EQ(0.0f, player->speedFactor);
    uint32_t start = player->nextDueMs;
    EXPECT_FALSE(player->PlayStep()) << "all twenty points in one step";
    EXPECT_TRUE(player->ok);
    EXPECT_EQ(start, player->nextDueMs);
}

}  // namespace
