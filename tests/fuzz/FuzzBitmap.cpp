// libFuzzer target: the bitmap check the scanners, tovarenpack and the saver
// make before a file reaches the system's loader. Whatever it passes must be
// decodable from the file's own bytes: every row of uncompressed pixels is
// there, and the runs of compressed pixels land inside the picture.
#include "BitmapFile.h"

#include <cstdlib>
#include <cstring>

namespace {

volatile uint32_t g_sink;

void ReadUncompressed(const uint8_t* data, const BitmapFacts& f)
{
    uint32_t sum = 0;
    size_t rowBytes = (size_t(f.width) * f.bitCount + 7) / 8;
    for (int32_t y = 0; y < f.height; y++) {
        const uint8_t* row = data + f.pixelOffset + size_t(y) * f.stride;
        sum += row[0] + row[rowBytes - 1];
    }
    g_sink = sum;
}

// Decodes the runs as the system does, clipping a run at its row's end.
void DecodeRuns(const uint8_t* data, size_t size, const BitmapFacts& f)
{
    const uint8_t* p = data + f.pixelOffset;
    size_t left = size - f.pixelOffset;
    int64_t x = 0, y = 0;
    uint64_t painted = 0;
    auto paint = [&](int64_t count) {
        for (int64_t i = 0; i < count; i++, x++) {
            if (x < f.width) {
                if (y < 0 || y >= f.height)
                    abort();
                painted++;
            }
        }
    };
    while (left >= 2) {
        uint8_t count = p[0], code = p[1];
        p += 2;
        left -= 2;
        if (count) {
            paint(count);
        } else if (code == 0) {
            x = 0;
            y++;
        } else if (code == 1) {
            break;
        } else if (code == 2) {
            if (left < 2)
                abort();
            x += p[0];
            y += p[1];
            p += 2;
            left -= 2;
        } else {
            size_t bytes = f.compression == BITMAP_RLE4 ? (code + 1u) / 2 : code;
            bytes = (bytes + 1) & ~size_t(1);
            if (left < bytes)
                abort();
            uint32_t sum = 0;
            for (size_t i = 0; i < bytes; i++)
                sum += p[i];
            g_sink = sum;
            paint(code);
            p += bytes;
            left -= bytes;
        }
    }
    g_sink = static_cast<uint32_t>(painted);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BitmapFacts f;
    const char* reason = CheckBitmapFile(data, size, &f);
    if (reason) {
        if (!reason[0])
            abort();
        return 0;
    }
    if (f.width < 1 || f.width > kMaxBitmapSide || f.height < 1 || f.height > kMaxBitmapSide ||
        int64_t(f.width) * f.height > kMaxBitmapPixels || f.pixelOffset > size)
        abort();
    if (f.compression == BITMAP_RLE8 || f.compression == BITMAP_RLE4)
        DecodeRuns(data, size, f);
    else
        ReadUncompressed(data, f);
    return 0;
}
