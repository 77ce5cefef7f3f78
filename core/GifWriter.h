// Animated GIF files (GIF89a): one global palette, frames that hold only the
// rectangle that changed since the frame before, with a transparent index for
// the pixels inside it that stayed, and a loop that never ends. No system call:
// the bytes go to a sink the caller gives, so the writer builds and is tested
// without Windows. docs/gif-export.md describes what is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Colours are 0x00RRGGBB here, the layout of a 32-bit DIB pixel.
typedef uint32_t Rgb;

// Receives the file's bytes in order; false stops the writer (a full disk).
typedef bool (*GifSink)(const uint8_t* data, size_t size, void* context);

// The GIF's LZW compression of one frame's palette indices, as the image data
// sub-blocks that follow the image descriptor (minimum code size byte first,
// terminator block last).
void GifCompress(const uint8_t* indices, size_t count, int minimumCodeSize,
                 std::vector<uint8_t>& out);

// The bits per index a palette of count entries needs in the file (1 to 8).
int GifPaletteBits(int count);

class GifAnimation {
public:
    GifAnimation(GifSink sink, void* context);

    // Writes the header, the palette (at most 255 colours: one more index is
    // kept for transparency) and the endless loop.
    bool Begin(int width, int height, const std::vector<Rgb>& palette);
    // One frame of width x height palette indices (row by row), shown for
    // delay hundredths of a second. A frame equal to the one before only
    // lengthens that one's delay.
    bool AddFrame(const uint8_t* indices, int delayCentiseconds);
    // Writes the last frame and the trailer.
    bool Finish();

    int FramesWritten() const { return framesWritten; }
    uint8_t TransparentIndex() const { return transparentIndex; }

private:
    struct Rect {
        int left, top, right, bottom;  // right and bottom exclusive
    };

    bool Put(const void* data, size_t size);
    bool PutWord(int value);
    bool WritePending();
    Rect ChangedRect(const uint8_t* indices) const;

    GifSink sink;
    void* context;
    int width = 0;
    int height = 0;
    int paletteBits = 1;
    uint8_t transparentIndex = 0;
    std::vector<uint8_t> shown;    // what a viewer shows after the written frames
    std::vector<uint8_t> pending;  // the frame not written yet (its delay may grow)
    int pendingDelay = 0;
    bool hasPending = false;
    int framesWritten = 0;
    std::vector<uint8_t> rectIndices;
    std::vector<uint8_t> packed;
};
