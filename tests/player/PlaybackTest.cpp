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

TEST_F(Playback, LargerRatioScalesAndTheOverflowIsCutOff) {
    ASSERT_NO_FATAL_FAILURE(MakeFullScreenPlayer());
    // A show twice as wide as high on a 4:3 screen: the height decides.
    uint16_t w = static_cast<uint16_t>(sw), h = static_cast<uint16_t>(sw / 2);
    auto show = MakeShow({{100, 100, 0, 0, 1, 0},
                          {110, 110, 0, kBlue, 1, PF_FILL},
                          {100, 100, 0, kRed, 2, 0},
                          {200, 100, 0, kRed, 2, PF_PEN_DOWN}},
                         w, h);
    Start(*show);
    float expected = static_cast<float>(sh) / static_cast<float>(h);
    EXPECT_EQ(expected, player->scale);
    PlayToEnd(*player);
    EXPECT_TRUE(player->ok) << player->message;
    SurfaceImage drawing(player->drawingSurface);
    // The whole screen is covered by the fill, the right part of the show is cut.
    RECT whole = {0, 0, sw, sh};
    int red = drawing.Count(whole, kRed);
    EXPECT_EQ(sw * sh, drawing.Count(whole, kBlue) + red);
    int y = static_cast<int>(100 * expected);
    EXPECT_TRUE(Near(kRed, drawing.At(static_cast<int>(150 * expected), y)));
}

TEST_F(Playback, PreviewUsesTheTopPartOfThePainting) {
    ASSERT_NO_FATAL_FAILURE(MakePreviewPlayer(300, 100));
    // The preview is three times as wide as high: of a 1024 x 768 show only
    // rows 0 to 340 are shown. A black line at row 341 splits the painting.
    auto show = MakeShow({{0, 341, 0, kBlack, 1, 0},
                          {1023, 341, 0, kBlack, 1, PF_PEN_DOWN},
                          {500, 700, 0, kRed, 1, PF_FILL},
                          {500, 100, 0, kBlue, 1, PF_FILL}});
    Start(*show);
    EXPECT_EQ(300.0f / 1024.0f, player->scale);
    PlayToEnd(*player);
    EXPECT_TRUE(player->ok) << player->message;
    SurfaceImage drawing(player->drawingSurface);
    RECT whole = {0, 0, 300, 100};
    EXPECT_EQ(300 * 100, drawing.Count(whole, kBlue)) << "no red, no black, no desktop";
}

TEST_F(Playback, SignatureIsDrawnFromTheFirstFrame) {
    ASSERT_NO_FATAL_FAILURE(MakeFullScreenPlayer());
    auto show = MakeShow({{10, 10, 0, 0, 1, 0}, {20, 20, 30000, 0, 1, 0}, {30, 30, 0, 0, 1, 0}},
                         1024, 768, "Abc");
    Start(*show, 1);
    EXPECT_STREQ("Abc ", player->signatureText);
    EXPECT_EQ(4, player->signatureLength);
    HDC dc = nullptr;
    TEXTMETRICA metrics = {};
    ASSERT_EQ(DD_OK, player->drawingSurface->GetDC(&dc));
    GetTextMetricsA(dc, &metrics);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, "Abc ", 4, &extent);
    player->drawingSurface->ReleaseDC(dc);
    EXPECT_EQ(sw - 4 * metrics.tmAveCharWidth - 40, player->signatureX);
    EXPECT_EQ(sh - 40, player->signatureY);

    ASSERT_TRUE(player->PlayStep());
    SurfaceImage drawing(player->drawingSurface);
    RECT text = {player->signatureX, player->signatureY, player->signatureX + extent.cx,
                 player->signatureY + metrics.tmHeight};
    int area = extent.cx * metrics.tmHeight;
    int black = drawing.Count(text, kBlack);
    EXPECT_GT(black, 10);
    EXPECT_GT(drawing.Count(text, kWhite), area / 3) << "black text on the DC's white";
    EXPECT_EQ(0, drawing.Count(text, kDesktopBottomRight)) << "opaque text background";
    RECT before = {player->signatureX - 20, player->signatureY, player->signatureX,
                   player->signatureY + metrics.tmHeight};
    EXPECT_EQ(20 * metrics.tmHeight, drawing.Count(before, kDesktopBottomRight));
}

TEST_F(Playback, WarningModeTwoCrawlsAndWraps) {
    ASSERT_NO_FATAL_FAILURE(MakeFullScreenPlayer());
    auto show = MakeShow({{10, 10, 0, 0, 1, 0}, {20, 20, 30000, 0, 1, 0}, {30, 30, 0, 0, 1, 0}});
    Start(*show, 0, 2);
    EXPECT_EQ(sw, player->warningX);
    EXPECT_EQ(293, player->warningLength);
    EXPECT_GT(player->warningWidth, 293);
    player->DelayNextPoint(60000);
    for (int present = 1; present <= 3; ++present) {
        ASSERT_TRUE(player->PlayStep());
        EXPECT_EQ(sw - 2 * present, player->warningX);
    }
    // Text at the top right where the warning entered, desktop at the left.
    player->warningX = sw / 2;
    ASSERT_TRUE(player->PlayStep());
    SurfaceImage drawing(player->drawingSurface);
    RECT right = {sw / 2, 0, sw, 12};
    RECT left = {0, 0, sw / 2, 12};
    EXPECT_GT(drawing.Count(right, kBlack), 50);
    EXPECT_EQ(sw / 2 * 12, drawing.Count(left, kDesktopTopLeft));

    player->warningX = -player->warningWidth;
    ASSERT_TRUE(player->PlayStep());
    EXPECT_EQ(sw, player->warningX) << "once wholly off screen it re-enters at the right";
}

TEST_F(Playback, WarningModeOneIsOnlyARedMark) {
    ASSERT_NO_FATAL_FAILURE(MakeFullScreenPlayer());
    auto show = MakeShow({{10, 10, 0, 0, 1, 0}, {20, 20, 0, 0, 1, 0}});
    Start(*show, 0, 1);
    player->DelayNextPoint(60000);
    int x = player->warningX;
    ASSERT_TRUE(player->PlayStep());
    EXPECT_EQ(x, player->warningX);
    SurfaceImage drawing(player->drawingSurface);
    RECT mark = {player->markX, 0, sw, 16};
    EXPECT_GT(drawing.Count(mark, kRed), 5);
    RECT rest = {0, 0, player->markX, 16};
    EXPECT_EQ(player->markX * 16, drawing.Count(rest, kDesktopTopLeft) +
                                      drawing.Count(rest, kDesktopTopRight));
}

TEST_F(Playback, PreviewDrawsNeitherWarningNorSignature) {
    ASSERT_NO_FATAL_FAILURE(MakePreviewPlayer(200, 150));
    for (uint8_t mode = 0; mode <= 2; ++mode) {
        auto show = MakeShow({{10, 10, 0, 0, 1, 0}, {20, 20, 0, 0, 1, 0}}, 1024, 768, "Someone");
        Start(*show, 0, mode);
        player->DelayNextPoint(60000);
        player->warningX = 10;
        player->markX = 10;
        player->signatureX = 10;
        player->signatureY = 10;
        ASSERT_TRUE(player->PlayStep());
        EXPECT_EQ(10, player->warningX);
        SurfaceImage drawing(player->drawingSurface);
        SurfaceImage desktop(player->desktopSurface);
        int different = 0;
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x)
                if (drawing.At(x, y) != desktop.At(x, y)) ++different;
        EXPECT_EQ(0, different) << "mode " << int(mode);
    }
}

TEST_F(Playback, PensCarryOverBetweenShows) {
    ASSERT_NO_FATAL_FAILURE(MakeFullScreenPlayer());
    auto first = MakeShow({{10, 10, 0, 0, 1, 0}, {50, 10, 0, kRed, 3, PF_PEN_DOWN}});
    Start(*first);
    PlayToEnd(*player);
    HPEN pen = player->drawingPen;
    ASSERT_NE(nullptr, pen);
    EXPECT_EQ(kRed, player->penColor);
    EXPECT_EQ(3u, player->penSize);

    auto same = MakeShow({{10, 20, 0, 0, 1, 0}, {50, 20, 0, kRed, 3, PF_PEN_DOWN}});
    Start(*same);
    EXPECT_EQ(kRed, player->penColor) << "StartShow keeps the pens";
    PlayToEnd(*player);
    EXPECT_EQ(pen, player->drawingPen) << "same colour and size: not rebuilt";

    auto other = MakeShow({{10, 30, 0, 0, 1, 0}, {50, 30, 0, kBlue, 3, PF_PEN_DOWN}});
    Start(*other);
    PlayToEnd(*player);
    EXPECT_EQ(kBlue, player->penColor);
    SurfaceImage drawing(player->drawingSurface);
    EXPECT_TRUE(Near(kBlue, drawing.At(30, 30)));
    EXPECT_TRUE(Near(DesktopAt(30, 10), drawing.At(30, 10))) << "a fresh desktop per show";
}

TEST_F(Playback, CharacterTipStandsOnThePointWithItsBackgroundTransparent) {
    ASSERT_NO_FATAL_FAILURE(MakeFullScreenPlayer());
    auto show = MakeShow({{300, 300, 0, 0, 1, 0}, {400, 300, 0, 0, 1, 0}});
    Start(*show, 0);
    player->DelayNextPoint(60000);
    ASSERT_TRUE(player->PlayStep());
    EXPECT_EQ(300, player->curScreenX);
    // The present put the character on the back buffer; drawn on the Drawing
    // surface it can be read back without the screen.
    EXPECT_TRUE(player->DrawCharacter(player->drawingSurface, player->curScreenX,
                                      player->curScreenY));
    SurfaceImage drawing(player->drawingSurface);
    EXPECT_TRUE(Near(kBlack, drawing.At(300, 300)));
    EXPECT_TRUE(Near(kBlack, drawing.At(302, 302)));
    EXPECT_TRUE(Near(DesktopAt(299, 300), drawing.At(299, 300)));
    EXPECT_TRUE(Near(DesktopAt(300, 299), drawing.At(300, 299)));
    // The rest of the bitmap is its transparent magenta: the desktop shows.
    RECT bitmap = {298, 235, 338, 315};
    EXPECT_EQ(40 * 80 - 9, drawing.Count(bitmap, kDesktopTopLeft) +
                               drawing.Count(bitmap, kDesktopTopRight) +
                               drawing.Count(bitmap, kDesktopBottomLeft) +
                               drawing.Count(bitmap, kDesktopBottomRight));
    // A character bitmap whose transparent colour is not white works alike.
    EXPECT_NE(0xFFFFu, player->characterColorKey.dwColorSpaceLowValue);
}

TEST_F(Playback, ShowWithoutPointsEndsAtOnce) {
    ASSERT_NO_FATAL_FAILURE(MakeFullScreenPlayer());
    auto empty = MakeShow({});
    ASSERT_TRUE(player->StartShow(empty.get(), character, 50, 2)) << player->message;
    EXPECT_EQ(nullptr, player->currentPoint);
    int x = player->warningX;
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(player->PlayStep());
    EXPECT_TRUE(player->ok);
    EXPECT_EQ(x, player->warningX) << "nothing presented";
    // The object stays usable for the next show.
    auto next = MakeShow({{10, 10, 0, 0, 1, 0}, {60, 10, 0, kRed, 2, PF_PEN_DOWN}});
    Start(*next);
    PlayToEnd(*player);
    EXPECT_TRUE(player->ok);
    SurfaceImage drawing(player->drawingSurface);
    EXPECT_TRUE(Near(kRed, drawing.At(30, 10)));
}

TEST_F(Playback, ShowOfNoSizeIsRefusedWithAText) {
    ASSERT_NO_FATAL_FAILURE(MakePreviewPlayer(160, 120));
    auto show = MakeShow({{10, 10, 0, 0, 1, 0}, {20, 20, 0, kRed, 1, PF_PEN_DOWN}}, 0, 768);
    EXPECT_FALSE(player->StartShow(show.get(), character, 50, 0));
    EXPECT_EQ(0u, std::string(player->message)
                      .find("CreateFloodFillSurface() CreateSurface() failed.\nIf this"))
        << player->message;
    EXPECT_TRUE(player->ok) << "a refused show leaves the object as it was";
    auto good = MakeShow({{10, 10, 0, 0, 1, 0}, {20, 20, 0, kRed, 1, PF_PEN_DOWN}});
    Start(*good);
    PlayToEnd(*player);
    EXPECT_TRUE(player->ok);
}

TEST_F(Playback, EditorFormStartsTheShowInTheConstructor) {
    HWND window = windows.MakeFullScreenWindow();
    auto show = MakeShow({{10, 10, 0, 0, 1, 0}, {60, 10, 0, kRed, 2, PF_PEN_DOWN}});
    player.reset(new ShowPlayer(window, show.get(), character, 100, 0));
    ASSERT_TRUE(player->ok) << player->message;
    EXPECT_EQ(show.get(), player->document);
    EXPECT_NE(nullptr, player->currentPoint);
    player->Shutdown();
    player.reset(new ShowPlayer(window, nullptr, character, 100, 0));
    EXPECT_FALSE(player->ok) << "no document, no show";
}

TEST_F(Playback, LostSurfacesEndTheShowInsteadOfHanging) {
    ASSERT_NO_FATAL_FAILURE(MakeFullScreenPlayer());
    auto show = MakeShow({{10, 10, 0, 0, 1, 0}, {20, 20, 60000, 0, 1, 0}, {30, 30, 0, 0, 1, 0}});
    Start(*show, 0);
    ASSERT_TRUE(player->PlayStep());
    // Losing the focus takes exclusive full screen away: the surfaces are lost.
    SendMessageA(player->window, WM_ACTIVATEAPP, FALSE, 0);
    PumpMessages();
    int steps = 0;
    while (steps < 50 && player->PlayStep()) ++steps;
    EXPECT_LT(steps, 50);
    EXPECT_FALSE(player->ok);
    // Wine still takes the blit into the lost back buffer, so it is the Flip
    // that keeps failing and is given up after about a second.
    EXPECT_EQ(0u, std::string(player->message)
                      .find("PresentFullScreen() Flip() failed.\nIf this continues"))
        << player->message;
}
}  // namespace
