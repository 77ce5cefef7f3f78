// The check of a bitmap file (.bmp) before it is handed to the system's
// loader. Wine's LoadImage makes up pixels for many malformed files and
// allocates whatever a header claims, so a file is read and checked first:
// headers, colour table, and that its pixel data is there and decodes inside
// the picture. No system call: the fuzzers feed it bytes directly.
#pragma once

#include <cstddef>
#include <cstdint>

// Larger pictures are refused before anything is allocated for them.
const int32_t kMaxBitmapSide = 16384;
const int64_t kMaxBitmapPixels = int64_t(1) << 25;
// A file of a picture within those limits is never larger than this.
const int64_t kMaxBitmapFileBytes = 14 + 124 + 1024 + kMaxBitmapPixels * 4;

enum : uint32_t {
    BITMAP_RGB = 0,
    BITMAP_RLE8 = 1,
    BITMAP_RLE4 = 2,
    BITMAP_BITFIELDS = 3,
};

struct BitmapFacts {
    int32_t width;
    int32_t height;  // always positive; topDown tells the row order
    bool topDown;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t headerSize;
    uint32_t colourCount;  // entries of the colour table
    uint32_t pixelOffset;  // where the pixel data starts in the file
    uint32_t stride;       // bytes of one row of uncompressed pixels
};

// Checks a whole bitmap file. Null when it can be loaded; otherwise the
// reason, a text for the user such as "the file is cut short".
const char* CheckBitmapFile(const uint8_t* bytes, size_t size, BitmapFacts* facts);
