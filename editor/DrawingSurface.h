// The painting behind the editor's main window: a DIB section of the
// painting's size in a memory DC, and the window's own DC, on which live
// strokes are drawn as well. Both hold the drawing pen while the surface
// lives; everything is given back by the destructor, in the right order.
#pragma once

#include "FloodFill.h"
#include "ScopedWin.h"

#include <windows.h>

#include <optional>

class DrawingSurface {
public:
    DrawingSurface(HWND window, int width, int height);
    DrawingSurface(const DrawingSurface&) = delete;
    DrawingSurface& operator=(const DrawingSurface&) = delete;

    // False when the window DC, the bitmap or the memory DC could not be had.
    bool Ok() const { return bits_ && bitmapSelection_.Selected(); }
    HDC dc() const { return memoryDC_; }
    HDC windowDC() const { return windowDC_; }
    int width() const { return width_; }
    int height() const { return height_; }
    PixelMemory Pixels() const;

    // Selects a solid pen of this width and colour into both DCs. When GDI can
    // make no pen, both draw with their own DC pen in that colour, one pixel wide.
    void SetPen(int width, COLORREF colour);
    void FillWhite(int width, int height);

private:
    int width_;
    int height_;
    void* bits_ = nullptr;
    int bytesPerPixel_ = 4;
    ScopedGetDC windowDC_;
    ScopedMemoryDC memoryDC_;
    ScopedBitmap bitmap_;
    ScopedSelectObject bitmapSelection_;  // the memory DC's first bitmap goes back before bitmap_ goes
    ScopedPen pen_;
    std::optional<ScopedSelectObject> penInWindow_;
    std::optional<ScopedSelectObject> penInMemory_;
};

// Selects the DC pen in this colour: what a DC draws with when no pen of its
// own can be made. Gives what was selected before.
HGDIOBJ SelectColourPen(HDC dc, COLORREF colour);
