#include "BitmapFile.h"

namespace {

const size_t kFileHeaderBytes = 14;
const size_t kCoreHeaderBytes = 12;

uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Le32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool KnownInfoHeaderSize(uint32_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

const char* CheckKind(const BitmapFacts& f)
{
    switch (f.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return "the header names an unknown number of bits per pixel";
    }
    switch (f.compression) {
    case BITMAP_RGB: return nullptr;
    case BITMAP_RLE8: return f.bitCount == 8 ? nullptr : "the compression does not fit the bits per pixel";
    case BITMAP_RLE4: return f.bitCount == 4 ? nullptr : "the compression does not fit the bits per pixel";
    case BITMAP_BITFIELDS:
        return f.bitCount == 16 || f.bitCount == 32 ? nullptr : "the compression does not fit the bits per pixel";
    default: return "the pixels are compressed in a way this program does not read";
    }
}

// Walks the runs of RLE8 or RLE4 data: every run lies on a row of the picture
// (a run longer than its row is cut there, as the system does), and the data
// holds every byte its codes announce. Rows count from the bottom.
const char* CheckRunLengths(const uint8_t* data, size_t size, const BitmapFacts& f)
{
    const char* cutShort = "the compressed pixels are cut short";
    const char* outside = "the compressed pixels reach outside the picture";
    bool fourBits = f.compression == BITMAP_RLE4;
    int64_t x = 0;
    int64_t y = 0;
    size_t i = 0;
    for (;;) {
        if (size - i < 2)
            return y >= f.height ? nullptr : cutShort;
        uint8_t count = data[i];
        uint8_t code = data[i + 1];
        i += 2;
        if (count > 0) {
            if (y >= f.height)
                return outside;
            x += count;
            continue;
        }
        if (code == 0) {  // end of the row
            x = 0;
            if (++y > f.height)
                return outside;
        } else if (code == 1) {  // end of the picture
            return nullptr;
        } else if (code == 2) {  // a jump right and up
            if (size - i < 2)
                return cutShort;
            x += data[i];
            y += data[i + 1];
            i += 2;
            if (x > f.width || y > f.height)
                return outside;
        } else {  // code pixels given one by one, padded to 16 bits
            size_t bytes = fourBits ? (code + 1u) / 2 : code;
            bytes = (bytes + 1) & ~size_t(1);
            if (y >= f.height)
                return outside;
            if (size - i < bytes)
                return cutShort;
            x += code;
            i += bytes;
        }
    }
}

}  // namespace

const char* CheckBitmapFile(const uint8_t* bytes, size_t size, BitmapFacts* facts)
{
    BitmapFacts f = {};
    if (size < kFileHeaderBytes + kCoreHeaderBytes)
        return "the file is too short for a bitmap";
    if (bytes[0] != 'B' || bytes[1] != 'M')
        return "the file does not start as a bitmap does";
    f.pixelOffset = Le32(bytes + 10);
    f.headerSize = Le32(bytes + kFileHeaderBytes);
    const uint8_t* header = bytes + kFileHeaderBytes;
    int64_t width;
    int64_t height;
    uint16_t planes;
    uint32_t coloursUsed = 0;
    size_t entryBytes = 4;
    size_t maskBytes = 0;
    if (f.headerSize == kCoreHeaderBytes) {
        width = Le16(header + 4);
        height = Le16(header + 6);
        planes = Le16(header + 8);
        f.bitCount = Le16(header + 10);
        f.compression = BITMAP_RGB;
        entryBytes = 3;
    } else if (KnownInfoHeaderSize(f.headerSize)) {
        if (size - kFileHeaderBytes < f.headerSize)
            return "the header is cut short";
        width = static_cast<int32_t>(Le32(header + 4));
        height = static_cast<int32_t>(Le32(header + 8));
        planes = Le16(header + 12);
        f.bitCount = Le16(header + 14);
        f.compression = Le32(header + 16);
        coloursUsed = Le32(header + 32);
        if (f.headerSize == 40 && f.compression == BITMAP_BITFIELDS)
            maskBytes = 12;
    } else {
        return "the header is of a kind this program does not read";
    }
    if (planes != 1)
        return "the header does not describe one plane of pixels";
    if (const char* reason = CheckKind(f))
        return reason;
    if (width <= 0 || height == 0)
        return "the picture has no pixels";
    f.topDown = height < 0;
    if (f.topDown)
        height = -height;
    if (f.topDown && f.compression != BITMAP_RGB && f.compression != BITMAP_BITFIELDS)
        return "a compressed picture cannot be stored top-down";
    if (width > kMaxBitmapSide || height > kMaxBitmapSide || width * height > kMaxBitmapPixels)
        return "the header claims a picture larger than this program reads (at most 16384 pixels a "
               "side and 33554432 in all)";
    f.width = static_cast<int32_t>(width);
    f.height = static_cast<int32_t>(height);

    uint64_t paletteLimit = f.bitCount <= 8 ? (uint64_t(1) << f.bitCount) : 256;
    if (coloursUsed > paletteLimit)
        return "the colour table is larger than the pixels can use";
    f.colourCount = coloursUsed ? coloursUsed : (f.bitCount <= 8 ? uint32_t(paletteLimit) : 0);
    uint64_t tableEnd = kFileHeaderBytes + f.headerSize + maskBytes + uint64_t(f.colourCount) * entryBytes;
    if (tableEnd > size)
        return "the colour table is cut short";
    if (f.pixelOffset < tableEnd || f.pixelOffset > size)
        return "the pixel data does not start after the colour table";

    f.stride = static_cast<uint32_t>((uint64_t(f.width) * f.bitCount + 31) / 32 * 4);
    if (f.compression == BITMAP_RGB || f.compression == BITMAP_BITFIELDS) {
        if (uint64_t(f.stride) * f.height > size - f.pixelOffset)
            return "the pixel data is cut short";
    } else if (const char* reason = CheckRunLengths(bytes + f.pixelOffset, size - f.pixelOffset, f)) {
        return reason;
    }
    if (facts)
        *facts = f;
    return nullptr;
}
