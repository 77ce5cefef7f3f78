// Start-up, picture loading, pixel access and output shared by the two bitmap
// scanners, rasterwalk (rows of runs) and rasterwalk2 (brush strokes).
#pragma once

#include "ShowDocument.h"

#include <windows.h>
#include <cstdint>

const uint16_t kMaxMilliseconds = 65000;

struct RasterState {
    uint16_t milliseconds = 0;         // delay of the recorded points
    uint16_t quarterMilliseconds = 0;  // delay of rasterwalk2's leftover dots
    HBITMAP bitmap = nullptr;          // the picture as loaded from the file
    int32_t width = 0;                 // the bitmap's width minus 1: the last column is never scanned
    int32_t height = 0;
    int32_t bitmapWidth = 0;  // the full size of the picture, for bounds checks
    int32_t bitmapHeight = 0;
    HDC screenDC = nullptr;   // the whole screen, only for the progress display
    HDC pictureDC = nullptr;  // holds the picture; every pixel is read here
    // The picture DC draws into a 32-bit top-down DIB section, so pixels are
    // read from its memory instead of one GetPixel call each.
    HBITMAP pictureDib = nullptr;
    HGDIOBJ pictureDcOldBitmap = nullptr;
    uint32_t* pixels = nullptr;  // bitmapWidth * bitmapHeight, 0x00RRGGBB
    COLORREF background = 0;
    char outputPath[MAX_PATH + 8] = {};
    ShowDocumentPtr document;
    uint16_t osFlags = 0;  // HF_OS_DOS on the DOS family
    // A one-row DIB for drawing progress a row at a time.
    HDC rowDC = nullptr;
    HBITMAP rowDib = nullptr;
    HGDIOBJ rowDcOldBitmap = nullptr;
    uint32_t* rowPixels = nullptr;
};

extern RasterState g_raster;

// Checks and loads the picture into the picture DC and names the output;
// false after a message. ReleasePicture gives everything back.
bool LoadPicture(const char* path);
void ReleasePicture();

// Runs a scanner from its command line to the saved show and repaints the
// screen repaintDelayMs after it; returns the exit status. scan returns false
// when the show could not be built whole.
int RunScanner(int argc, char** argv, bool (*scan)(), DWORD repaintDelayMs);

inline bool InPicture(int x, int y)
{
    return x >= 0 && y >= 0 && x < g_raster.bitmapWidth && y < g_raster.bitmapHeight;
}

// The snapped colour of a pixel of the picture DC. The picture is snapped once
// when it is loaded; snapping a snapped colour gives it back unchanged, so the
// value read is the snapped colour of the pixel. Call only inside the picture,
// and after GdiFlush once GDI has drawn on the picture DC.
inline COLORREF PicturePixel(int x, int y)
{
    uint32_t value = g_raster.pixels[y * g_raster.bitmapWidth + x];
    return ((value >> 16) & 0xFF) | (value & 0xFF00) | ((value & 0xFF) << 16);
}

// The picture's memory form of a colour, for comparing without converting
// every pixel read.
inline uint32_t PictureValue(COLORREF colour)
{
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

inline uint32_t PictureValueAt(int x, int y)
{
    return g_raster.pixels[y * g_raster.bitmapWidth + x];
}

inline void SetPicturePixel(int x, int y, COLORREF colour)
{
    g_raster.pixels[y * g_raster.bitmapWidth + x] = PictureValue(colour);
}

// Progress row: colours written with SetRowPixel appear on the screen at row y
// with one BitBlt by ShowProgressRow.
void SetRowPixel(int x, COLORREF colour);
void ShowProgressRow(int y);

bool AddShowPoint(int x, int y, uint16_t delay, COLORREF colour, uint8_t penSize, uint8_t flags);
