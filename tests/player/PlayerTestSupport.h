// Windows, shows and surface read-back for the ShowPlayer tests.
#pragma once

#include "ShowDocument.h"
#include "ShowPlayer.h"

#include <windows.h>

#include <memory>
#include <vector>

// The desktop the tests paint before a player captures it: four quadrants in
// colours that a 16-bit surface holds exactly.
const COLORREF kDesktopTopLeft = RGB(255, 255, 0);
const COLORREF kDesktopTopRight = RGB(0, 255, 255);
const COLORREF kDesktopBottomLeft = RGB(0, 255, 0);
const COLORREF kDesktopBottomRight = RGB(255, 0, 255);
COLORREF DesktopColourAt(int x, int y, int width, int height);

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);

int ScreenWidth();
int ScreenHeight();
// Delivers pending messages of this thread's windows.
void PumpMessages();

// The windows the callers make: a top-most pop-up of screen size for full
// screen, a child window inside a parent for the preview. The desktop pattern
// is a window of its own, painted before them.
class TestWindows {
public:
    TestWindows();
    ~TestWindows();
    void PaintDesktopPattern();
    HWND MakeFullScreenWindow();
    // Waits until the screen shows the pattern (the X server may lag behind);
    // false if it never does.
    static bool WaitForDesktopPattern();
    // A child of width x height at (left, top) in a parent placed at (100, 100).
    HWND MakePreviewWindow(int width, int height, int left = 20, int top = 20);
    HWND MakePopup(int left, int top, int width, int height);

private:
    std::vector<HWND> windows;
};

// The character: a bitmap whose pixel (1, 1) colour is transparent, with a
// black 3 x 3 block whose top left pixel is the brush tip (2, 65).
HBITMAP MakeCharacterBitmap(COLORREF transparent = RGB(255, 0, 255));

struct Pt {
    uint16_t x, y, delay;
    COLORREF colour;
    uint8_t penSize, flags;
};
// A show held in memory as the players get it from Load.
std::unique_ptr<ShowDocument> MakeShow(const std::vector<Pt>& points, uint16_t width = 1024,
                                       uint16_t height = 768, const char* signature = nullptr);

// A copy of a surface's picture, read through its DC.
class SurfaceImage {
public:
    explicit SurfaceImage(IDirectDrawSurface4* surface);
    // The screen as a DC read of it shows it.
    static SurfaceImage OfScreen();
    COLORREF At(int x, int y) const;
    int width = 0;
    int height = 0;
    // Pixels in the rectangle whose colour is near the given one.
    int Count(const RECT& area, COLORREF colour) const;

private:
    SurfaceImage() = default;
    void CopyFrom(HDC dc, int width, int height);
    std::vector<COLORREF> pixels;
};

// Colours read back from a 16-bit surface come back with their low bits
// rebuilt, so comparisons allow a small difference per channel.
bool Near(COLORREF a, COLORREF b, int tolerance = 8);

// Steps until the show ends (or maxSteps); returns the number of steps.
int PlayToEnd(ShowPlayer& player, int maxSteps = 1000);
