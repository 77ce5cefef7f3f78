// Display set-up and tear-down: mode choice, surfaces, desktop capture,
// failure texts.
#include "PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kHint =
    "\nIf this continues and restarting your computer doesn't help, your computer\n"
    "or video card may not have enough memory to run this program.";

int ScreenBitsPerPixel() {
    HDC dc = GetDC(nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits;
}

int SurfaceBits(IDirectDrawSurface4* surface) {
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    surface->GetSurfaceDesc(&desc);
    return static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount);
}

void ExpectAllReleased(const ShowPlayer& player) {
    EXPECT_EQ(nullptr, player.directDraw);
    EXPECT_EQ(nullptr, player.primarySurface);
    EXPECT_EQ(nullptr, player.backBuffer);
    EXPECT_EQ(nullptr, player.desktopSurface);
    EXPECT_EQ(nullptr, player.drawingSurface);
    EXPECT_EQ(nullptr, player.floodFillSurface);
    EXPECT_EQ(nullptr, player.characterSurface);
    EXPECT_EQ(nullptr, player.clipper);
    EXPECT_EQ(nullptr, player.drawingPen);
    EXPECT_EQ(nullptr, player.floodFillPen);
    EXPECT_FALSE(player.ok);
    EXPECT_STREQ("", player.message);
}

// Mode choice by the window's rectangle alone, on a shut-down object.
struct ModeCase {
    int left, top, right, bottom;  // right and bottom relative to the screen size when <= 0
    bool fullScreen;
};

TEST(PlayerModeChoice, WindowRectangleDecidesTheMode) {
    TestWindows windows;
    int sw = ScreenWidth(), sh = ScreenHeight();
    HWND window = windows.MakePopup(10, 10, 100, 100);
    // Built once for a small window: exclusive full screen would resize it.
    ShowPlayer player(window);
    player.Shutdown();
    const ModeCase cases[] = {
        {0, 0, sw, sh, true},                 // the callers' pop-up of screen size
        {10, 10, 210, 160, false},            // room right and bottom: a preview
        {0, 0, sw - 1, sh - 1, false},        // one pixel short of both edges
        {10, 10, sw, 160, true},              // reaches the right edge
        {10, 10, 210, sh, true},              // reaches the bottom edge
        {-1, 10, 200, 160, true},             // negative left
        {10, -1, 200, 160, true},             // negative top
        {-20, -20, sw + 20, sh + 20, true},   // larger than the screen
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top << "," << c.right << ","
                                        << c.bottom);
        MoveWindow(window, c.left, c.top, c.right - c.left, c.bottom - c.top, FALSE);
        player.ResetFields();
        player.window = window;
        player.ComputeDisplayRects();
        EXPECT_EQ(c.fullScreen, player.fullScreen);
        EXPECT_EQ(sw, player.screenRect.right);
        EXPECT_EQ(sh, player.screenRect.bottom);
        EXPECT_EQ(c.right - c.left, player.windowArea.right);
        EXPECT_EQ(c.bottom - c.top, player.windowArea.bottom);
        EXPECT_EQ(c.left, player.windowRect.left);
        const RECT& expected = c.fullScreen ? player.screenRect : player.windowArea;
        EXPECT_TRUE(EqualRect(&expected, &player.drawArea));
    }
}

TEST(PlayerSetUp, FullScreenRepeatedly) {
    int bitsBefore = ScreenBitsPerPixel();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        TestWindows windows;
        HWND window = windows.MakeFullScreenWindow();
        ShowPlayer player(window);
        ASSERT_TRUE(player.ok) << player.message;
        EXPECT_TRUE(player.fullScreen);
        ASSERT_NE(nullptr, player.primarySurface);
        ASSERT_NE(nullptr, player.backBuffer);
        ASSERT_NE(nullptr, player.desktopSurface);
        ASSERT_NE(nullptr, player.drawingSurface);
        EXPECT_NE(nullptr, player.clipper);
        EXPECT_EQ(nullptr, player.clipList);
        EXPECT_EQ(16, SurfaceBits(player.primarySurface));
        EXPECT_EQ(16, SurfaceBits(player.drawingSurface));
        EXPECT_EQ(16, ScreenBitsPerPixel());
        EXPECT_EQ(1.0f, player.speedFactor);
        EXPECT_EQ(nullptr, player.currentPoint);
        EXPECT_FALSE(player.PlayStep()) << "no show started yet";
        player.Shutdown();
        ExpectAllReleased(player);
        EXPECT_EQ(bitsBefore, ScreenBitsPerPixel()) << "display mode restored";
    }
}

TEST(PlayerSetUp, WindowedRepeatedly) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        TestWindows windows;
        HWND window = windows.MakePreviewWindow(152, 112);
        ShowPlayer player(window);
        ASSERT_TRUE(player.ok) << player.message;
        EXPECT_FALSE(player.fullScreen);
        EXPECT_NE(nullptr, player.primarySurface);
        EXPECT_EQ(nullptr, player.backBuffer);
        EXPECT_NE(nullptr, player.clipper);
        ASSERT_NE(nullptr, player.drawingSurface);
        SurfaceImage drawing(player.drawingSurface);
        EXPECT_EQ(152, drawing.width);
        EXPECT_EQ(112, drawing.height);
        EXPECT_EQ(152, player.drawArea.right);
        player.Shutdown();
        ExpectAllReleased(player);
    }
}

TEST(PlayerSetUp, DestructorReleasesWhatShutdownWasNotCalledFor) {
    int bitsBefore = ScreenBitsPerPixel();
    TestWindows windows;
    HWND window = windows.MakeFullScreenWindow();
    {
        ShowPlayer player(window);
        ASSERT_TRUE(player.ok) << player.message;
    }
    EXPECT_EQ(bitsBefore, ScreenBitsPerPixel());
}

// A set-up that fails half way: the mode is changed, a surface cannot be made.
TEST(PlayerSetUp, ShutdownAfterFailedSetUpReleasesOnlyWhatExists) {
    int bitsBefore = ScreenBitsPerPixel();
    TestWindows windows;
    HWND window = windows.MakeFullScreenWindow();
    ShowPlayer player(window);
    player.Shutdown();

    player.window = window;
    player.ComputeDisplayRects();
    ASSERT_TRUE(player.fullScreen);
    ASSERT_TRUE(player.InitializeDD()) << player.message;
    ASSERT_EQ(DD_OK, player.directDraw->SetCooperativeLevel(
                         window, DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE));
    ASSERT_EQ(DD_OK, player.directDraw->SetDisplayMode(ScreenWidth(), ScreenHeight(), 16, 0, 0));
    ASSERT_TRUE(player.CreatePrimaryAndAttachedSurface()) << player.message;
    RECT empty = {0, 0, 0, 0};
    EXPECT_FALSE(player.CreateDesktopSurface(empty));
    EXPECT_EQ(nullptr, player.desktopSurface);
    std::string text = player.message;
    EXPECT_EQ(0u, text.find("CreateDesktopSurface() CreateSurface() failed." + kHint + "\n"))
        << text;
    EXPECT_EQ(16, ScreenBitsPerPixel());

    player.Shutdown();
    ExpectAllReleased(player);
    EXPECT_EQ(bitsBefore, ScreenBitsPerPixel()) << "display mode restored";
    player.Shutdown();  // a second call finds nothing left to release
    ExpectAllReleased(player);
}

TEST(PlayerSetUp, SurfaceFailureTextsNameTheOperation) {
    TestWindows windows;
    HWND window = windows.MakePreviewWindow(152, 112);
    ShowPlayer player(window);
    ASSERT_TRUE(player.ok) << player.message;
    RECT empty = {0, 0, 0, 0};
    struct {
        bool (ShowPlayer::*create)(const RECT&);
        const char* text;
    } cases[] = {
        {&ShowPlayer::CreateDrawingSurface, "CreateDrawingSurface() CreateSurface() failed."},
        {&ShowPlayer::CreateFloodFillSurface,
         "CreateFloodFillSurface() CreateSurface() failed."},
        {&ShowPlayer::CreateCharacterSurface,
         "CreateCharacterSurface() CreateSurface() failed."},
    };
    IDirectDrawSurface4* keptDrawing = player.drawingSurface;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        player.drawingSurface = nullptr;
        player.message[0] = '\0';
        EXPECT_FALSE((player.*c.create)(empty));
        std::string text = player.message;
        // Wine refuses a surface of no size as invalid parameters.
        EXPECT_EQ(std::string(c.text) + kHint +
                      "\nOne or more of the parameters passed to the method are incorrect. ",
                  text);
    }
    player.drawingSurface = keptDrawing;
    player.Shutdown();
}

TEST(PlayerSetUp, DDErrorTextsAreAppended) {
    struct {
        uint32_t result;
        const char* text;
    } table[] = {
        {0x80004001, "\nThe operation is not supported."},
        {0x80004005, "\nThere is an undefined error condition."},
        {0x8007000E, "\nDirectDraw does not have enough memory to perform the operation. "},
        {0x80070057, "\nOne or more of the parameters passed to the method are incorrect. "},
        {0x8876005F,
         "\nThe primary surface creation request does not match the existing primary surface. "},
        {0x88760064,
         "\nOne or more of the capability bits passed to the callback function are incorrect. "},
        {0x88760078, "\nDirectDraw does not support the requested mode."},
        {0x88760082, "\nDirectDraw received a pointer that was an invalid DirectDraw object. "},
        {0x88760091, "\nThe pixel format was invalid as specified. "},
        {0x887600A0,
         "\nOne or more surfaces are locked, causing the failure of the requested operation."},
        {0x887600B4,
         "\nNo alpha acceleration hardware is present or available, causing the failure of the "
         "requested operation. "},
        {0x887600D4,
         "\nA create function is called without the IDirectDraw4::SetCooperativeLevel method "
         "being called. "},
        {0x887600E1,
         "\nThe operation requires the application to have exclusive mode, but the application "
         "does not have exclusive mode. "},
        {0x887600E6, "\nFlipping visible surfaces is not supported. "},
        {0x88760104,
         "\nThe operation cannot be carried out because no overlay hardware is present or "
         "available. "},
        {0x88760154,
         "\nThe operation to create a Z-buffer in display memory or to perform a blit using a "
         "Z-buffer cannot be carried out because there is no hardware support for Z-buffers. "},
        {0x8876017C, "\nDirectDraw does not have enough display memory to perform the operation. "},
        {0x887601AE,
         "\nAccess to the surface is refused because the surface is locked by another thread."},
        {0x8876021C,
         "\nThe previous blit operation that is transferring information to or from this surface "
         "is incomplete."},
        {0x88760233,
         "\nHardware-only DirectDraw object creation is not possible; the driver does not "
         "support any hardware. "},
        {0x88760234, "\nThis process has already created a primary surface. "},
        {0x88760235, "\nSoftware emulation is not available. "},
        {0x8876024E, "\nThe display is currently in an unsupported mode. "},
        {0x8876024F,
         "\nThe operation cannot be carried out because no mipmap capable texture mapping "
         "hardware is present or available. "},
        {0x887601C2 /* surface lost */, "\nUnknown error cause."},
        {0x12345678, "\nUnknown error cause."},
        {0, "\nUnknown error cause."},
    };
    TestWindows windows;
    ShowPlayer player(windows.MakePreviewWindow(64, 64));
    player.Shutdown();
    for (const auto& entry : table) {
        SCOPED_TRACE(testing::Message() << std::hex << entry.result);
        strcpy(player.message, "Before.");
        player.AppendDDErrorText(static_cast<HRESULT>(entry.result));
        EXPECT_EQ(std::string("Before.") + entry.text, player.message);
    }
    // A text near the end of the field is cut, never overrun.
    std::string full(kPlayerMessageSize - 5, 'x');
    strcpy(player.message, full.c_str());
    player.AppendDDErrorText(static_cast<HRESULT>(0x88760078));
    EXPECT_EQ(static_cast<size_t>(kPlayerMessageSize - 1), strlen(player.message));
    EXPECT_EQ(full + "\nDir", player.message);
}

TEST(PlayerSetUp, FullScreenDesktopSurfaceHoldsWhatTheScreenShowed) {
    TestWindows windows;
    windows.PaintDesktopPattern();
    HWND window = windows.MakeFullScreenWindow();
    ASSERT_TRUE(TestWindows::WaitForDesktopPattern());
    ShowPlayer player(window);
    ASSERT_TRUE(player.ok) << player.message;
    SurfaceImage desktop(player.desktopSurface);
    int sw = ScreenWidth(), sh = ScreenHeight();
    ASSERT_EQ(sw, desktop.width);
    ASSERT_EQ(sh, desktop.height);
    const POINT probes[] = {{0, 0},           {sw / 2 - 1, sh / 2 - 1}, {sw / 2, 0},
                            {sw - 1, sh / 2 - 1}, {0, sh / 2},          {sw / 2 - 1, sh - 1},
                            {sw / 2, sh / 2},  {sw - 1, sh - 1},        {sw / 4, sh / 4}};
    for (const POINT& p : probes) {
        EXPECT_TRUE(Near(DesktopColourAt(p.x, p.y, sw, sh), desktop.At(p.x, p.y)))
            << p.x << "," << p.y << " " << std::hex << desktop.At(p.x, p.y);
    }
    player.Shutdown();
}

TEST(PlayerSetUp, WindowedDesktopSurfaceHoldsWhatWasUnderTheWindow) {
    TestWindows windows;
    windows.PaintDesktopPattern();
    // The parent paints the same pattern over its own client area, so the
    // child at (20, 20) of a 240 x 180 parent sees the parent's quadrants.
    HWND window = windows.MakePreviewWindow(200, 140);
    ShowPlayer player(window);
    ASSERT_TRUE(player.ok) << player.message;
    SurfaceImage desktop(player.desktopSurface);
    ASSERT_EQ(200, desktop.width);
    RECT parent;
    GetClientRect(GetParent(window), &parent);
    for (int y = 5; y < 140; y += 30) {
        for (int x = 5; x < 200; x += 40) {
            COLORREF expected = DesktopColourAt(x + 20, y + 20, parent.right, parent.bottom);
            EXPECT_TRUE(Near(expected, desktop.At(x, y)))
                << x << "," << y << " " << std::hex << desktop.At(x, y);
        }
    }
    player.Shutdown();
}

}  // namespace
