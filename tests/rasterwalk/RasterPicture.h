// Test helpers for the bitmap scanners: pictures read back from bitmap files,
// shows read back as point lists, and a plain reference of the stroke search
// to compare rasterwalk2 against.
#pragma once

#include "ShowDocument.h"

#include <windows.h>

#include <string>
#include <vector>

// A bitmap file's pixels, snapped to the display levels.
struct SnappedPicture {
    int width = 0;  // the bitmap's full width
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const { return pixels[y * width + x]; }
};
SnappedPicture LoadSnappedPicture(const std::string& path);

struct ShowFile {
    bool loaded = false;
    ShowHeader header = {};
    std::vector<ShowPoint> points;
};
ShowFile ReadShowFile(const std::string& path);

// The stroke search written out step by step with GetPixel on a memory DC,
// without any of rasterwalk2's shortcuts. Returns its points.
std::vector<ShowPoint> ReferenceStrokes(const std::string& bitmapPath, uint16_t milliseconds);
