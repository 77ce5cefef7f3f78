// A scanline flood fill over pixel memory (a locked DirectDraw surface or a
// DIB section). It fills exactly what ExtFloodFill(x, y, colour at (x, y),
// FLOODFILLSURFACE) fills with a solid brush, without GDI's per-row recursion,
// which overflows the stack on winding regions.
#pragma once

#include <windows.h>

#include <cstdint>

// A view of pixel rows; nothing is owned.
struct PixelMemory {
    uint8_t* bits;      // first byte of row 0
    int pitch;          // bytes from one row to the next (may be negative for bottom-up DIBs)
    int width;
    int height;
    int bytesPerPixel;  // 1 (palette index), 2, 3 or 4
};

// The pixel value of a colour in a format given by its channel masks, the way
// GDI puts a solid colour on such a surface (each channel keeps its top bits).
uint32_t PixelValueFromColor(COLORREF colour, uint32_t redMask, uint32_t greenMask,
                             uint32_t blueMask);

uint32_t ReadPixelValue(const PixelMemory& memory, int x, int y);

// Replaces the 4-connected area that holds the pixel value found at (x, y) with
// fillValue. Returns the number of pixels changed, or -1 when (x, y) lies
// outside the memory.
long SpanFloodFill(const PixelMemory& memory, int x, int y, uint32_t fillValue);
