// What playback puts on the surfaces, read back pixel by pixel.
#include "PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Playback : public testing::Test {
protected:
    void SetUp() override {
        windows.PaintDesktopPattern();
        character = MakeCharacterBitmap();
    }
    void TearDown() override {
        if (player) {
            player->Shutdown();
            player.reset();
        }
        DeleteObject(character);
    }
    void MakeFullScreenPlayer() {
        HWND window = windows.MakeFullScreenWindow();
        ASSERT_TRUE(TestWindows::WaitForDesktopPattern());
        player.reset(new ShowPlayer(window));
        ASSERT_TRUE(player->ok) << player->message;
        sw = ScreenWidth();
        sh = ScreenHeight();
    }
    void MakePreviewPlayer(int width, int height) {
        player.reset(new ShowPlayer(windows.MakePreviewWindow(width, height)));
        ASSERT_TRUE(player->ok) << player->message;
        sw = ScreenWidth();
        sh = ScreenHeight();
    }
    void Start(ShowDocument& show, int speed = 100, uint8_t warningMode = 0) {
        ASSERT_TRUE(player->StartShow(&show, character, speed, warningMode)) << player->message;
    }
    COLORREF DesktopAt(int x, int y) const { return DesktopColourAt(x, y, sw, sh); }

    TestWindows windows;
    HBITMAP character = nullptr;
    std::unique_ptr<ShowPlayer> player;
    int sw = 0, sh = 0;
};

// Rows at column x whose colour is near the given one, from y0 to y1.
int RowsOf(const SurfaceImage& image, int x, int y0, int y1, COLORREF colour) {
    RECT column = {x, y0, x + 1, y1};
    return image.Count(column, colour);
}

TEST_F(Playback, StrokeAtScaledPositionAndPenSizeFromTheFirstPoint) {
    ASSERT_NO_FATAL_FAILURE(MakeFullScreenPlayer());
    // Half the screen's size: scale 2. The first point asks for a fill and
    // a long wait; neither may happen.
    auto show = MakeShow({{100, 100, 5000, kBlue, 2, PF_FILL | PF_PEN_DOWN},
                          {200, 100, 1000, kRed, 4, PF_PEN_DOWN}},
                         static_cast<uint16_t>(sw / 2), static_cast<uint16_t>(sh / 2));
    Start(*show, 0);
    EXPECT_EQ(2.0f, player->scale);
    EXPECT_EQ(200, player->curScreenX);
    EXPECT_EQ(200, player->curScreenY);
    EXPECT_EQ(4, player->scaledPenSize);
    ASSERT_TRUE(player->PlayStep());  // the stroke is due at once, the end a second later
    ASSERT_NE(nullptr, player->currentPoint);
    EXPECT_EQ(nullptr, player->currentPoint->next);
    EXPECT_EQ(400, player->curScreenX);
    EXPECT_EQ(8, player->scaledPenSize);

    SurfaceImage drawing(player->drawingSurface);
    EXPECT_TRUE(Near(kRed, drawing.At(300, 200)));
    EXPECT_EQ(8, RowsOf(drawing, 300, 180, 220, kRed)) << "pen 4 scaled by 2";
    EXPECT_TRUE(Near(DesktopAt(300, 190), drawing.At(300, 190)));
    EXPECT_TRUE(Near(DesktopAt(150, 200), drawing.At(150, 200))) << "no line before x 200";

    SurfaceImage painting(player->floodFillSurface);
    EXPECT_EQ(sw / 2, painting.width);
    EXPECT_TRUE(Near(kRed, painting.At(150, 100)));
    EXPECT_EQ(4, RowsOf(painting, 150, 90, 110, kRed)) << "unscaled pen";
    EXPECT_TRUE(Near(kWhite, painting.At(50, 50))) << "the first point's fill was not done";
    EXPECT_TRUE(Near(kWhite, painting.At(80, 100)));

    player->ResetClock();
    EXPECT_FALSE(player->PlayStep());
    EXPECT_TRUE(player->ok);
}

TEST_F(Playback, FillCoversExactlyTheConnectedAreaNeverBoundedByTheDesktop) {
    ASSERT_NO_FATAL_FAILURE(MakeFullScreenPlayer());
    // A black square outline of pen 1 straddling all four desktop quadrants,
    // then a fill inside it and a fill of a closed-off corner outside.
    int l = sw / 2 - 100, t = sh / 2 - 100, r = sw / 2 + 100, b = sh / 2 + 100;
    auto u = [](int v) { return static_cast<uint16_t>(v); };
    auto show = MakeShow({{u(l), u(t), 0, kBlack, 1, 0},
                          {u(r), u(t), 0, kBlack, 1, PF_PEN_DOWN},
                          {u(r), u(b), 0, kBlack, 1, PF_PEN_DOWN},
                          {u(l), u(b), 0, kBlack, 1, PF_PEN_DOWN},
                          {u(l), u(t), 0, kBlack, 1, PF_PEN_DOWN},
                          {u(sw / 2 + 10), u(sh / 2 + 10), 0, kBlue, 1, PF_FILL}},
                         u(sw), u(sh));
    Start(*show);
    PlayToEnd(*player);
    EXPECT_TRUE(player->ok);
    EXPECT_FALSE(player->floodDirty);

    SurfaceImage painting(player->floodFillSurface);
    RECT inside = {l + 1, t + 1, r, b};
    EXPECT_EQ((r - l - 1) * (b - t - 1), painting.Count(inside, kBlue));
    RECT whole = {0, 0, sw, sh};
    EXPECT_EQ((r - l - 1) * (b - t - 1), painting.Count(whole, kBlue)) << "nothing outside";
    EXPECT_TRUE(Near(kBlack, painting.At(l, t + 50)));
    EXPECT_TRUE(Near(kWhite, painting.At(l - 1, t + 50)));

    SurfaceImage drawing(player->drawingSurface);
    EXPECT_EQ((r - l - 1) * (b - t - 1), drawing.Count(inside, kBlue));
    EXPECT_TRUE(Near(DesktopAt(10, 10), drawing.At(10, 10)));
    EXPECT_TRUE(Near(DesktopAt(sw - 10, sh - 10), drawing.At(sw - 10, sh - 10)));
    EXPECT_TRUE(Near(kBlack, drawing.At(r, t + 50)));
}

TEST_F(Playback, FillInUnpaintedSpaceCoversAllOfIt) {
    ASSERT_NO_FATAL_FAILURE(MakeFullScreenPlayer());
    auto show = MakeShow({{5, 5, 0, 0, 1, 0}, {10, 10, 0, kBlue, 1, PF_FILL}},
                         static_cast<uint16_t>(sw), static_cast<uint16_t>(sh));
    Start(*show);
    PlayToEnd(*player);
    SurfaceImage drawing(player->drawingSurface);
    RECT whole = {0, 0, sw, sh};
    EXPECT_EQ(sw * sh, drawing.Count(whole, kBlue));
}

TEST_F(Playback, WhiteStrokesAndFillsShowTheDesktopAfterTheNextPresent) {
    ASSERT_NO_FATAL_FAILURE(MakeFullScreenPlayer());
    int y = sh / 2 - 50;  // crosses the left and right top quadrants
    auto u = [](int v) { return static_cast<uint16_t>(v); };
    auto show = MakeShow({{100, u(y), 0, kRed, 20, 0},
                          {u(sw - 100), u(y), 0, kRed, 20, PF_PEN_DOWN},
                          {200, u(y), 0, kWhite, 6, 0},
                          {300, u(y), 0, kWhite, 6, PF_PEN_DOWN},  // a white stroke in the red band
                          {u(sw / 2 + 100), u(y - 15), 0, kBlack, 4, 0},
                          {u(sw / 2 + 100), u(y + 15), 0, kBlack, 4, PF_PEN_DOWN},  // cuts the band
                          {u(sw / 2 + 300), u(y), 0, kWhite, 1, PF_FILL}},  // the band's right end
                         u(sw), u(sh));
    Start(*show);
    PlayToEnd(*player);
    EXPECT_TRUE(player->ok);
    SurfaceImage drawing(player->drawingSurface);
    EXPECT_TRUE(Near(kRed, drawing.At(150, y)));
    EXPECT_TRUE(Near(DesktopAt(250, y), drawing.At(250, y))) << "white stroke shows desktop";
    EXPECT_TRUE(Near(kRed, drawing.At(sw / 2 + 50, y))) << "left of the cut stays red";
    EXPECT_TRUE(Near(DesktopAt(sw / 2 + 200, y), drawing.At(sw / 2 + 200, y)))
        << "white fill shows desktop";
    EXPECT_TRUE(Near(DesktopAt(sw - 110, y + 5), drawing.At(sw - 110, y + 5)));
}
}  // namespace
