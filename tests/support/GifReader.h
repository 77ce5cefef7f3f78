// A small GIF reader for the tests: decodes every frame of an animation onto
// the logical screen as a viewer shows it. No system call, so the native
// fuzz build uses it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct GifShownFrame {
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, the whole screen after this frame
    int delay = 0;                 // hundredths of a second
    int left = 0, top = 0, width = 0, height = 0;  // the frame's own rectangle
    bool transparent = false;
};

struct GifMovie {
    int width = 0;
    int height = 0;
    int paletteSize = 0;
    bool loopsForever = false;
    std::vector<GifShownFrame> frames;
    std::string error;  // empty when the whole file was read
};

// Decodes the bytes; error says where it stopped on a broken file.
GifMovie ReadGif(const uint8_t* data, size_t size);

// Decodes LZW image data (minimum code size byte and sub-blocks) into at most
// count indices; false on a broken stream. *used gets the bytes consumed.
bool GifDecompress(const uint8_t* data, size_t size, size_t count, std::vector<uint8_t>& out,
                   size_t* used);
