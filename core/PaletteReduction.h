// Palettes of at most 256 colours for pictures that may hold more: exact when
// the colours fit, otherwise median cut refined by k-means, both minimising
// the squared RGB error. No system call, so it builds and is tested natively.
#pragma once

#include "GifWriter.h"

#include <cstdint>
#include <vector>

struct ColourWeight {
    Rgb colour;
    uint32_t weight;  // how many pixels have it (or how much it matters)
};

// Counts colours; Colours() hands them out in no particular order.
class ColourHistogram {
public:
    void Add(Rgb colour, uint32_t weight = 1);
    void AddPixels(const Rgb* pixels, size_t count);
    std::vector<ColourWeight> Colours() const;
    size_t Size() const { return used; }

private:
    void Grow();
    std::vector<Rgb> keys;
    std::vector<uint32_t> weights;
    std::vector<bool> taken;
    size_t used = 0;
};

// The colours themselves when there are at most maxColours of them; otherwise
// maxColours colours that leave the least weighted squared error the
// refinement finds.
std::vector<Rgb> ReducePalette(std::vector<ColourWeight> colours, int maxColours);

// The nearest palette entry of a colour (squared RGB distance), remembered
// for the colours asked for before.
class PaletteLookup {
public:
    explicit PaletteLookup(const std::vector<Rgb>& palette);
    uint8_t IndexOf(Rgb colour);
    void Map(const Rgb* pixels, size_t count, uint8_t* indices);

private:
    uint8_t Search(Rgb colour) const;
    std::vector<Rgb> palette;
    std::vector<int> byGreen;  // palette indices sorted by green
    std::vector<Rgb> cacheColour;
    std::vector<uint8_t> cacheIndex;
    Rgb lastColour = 0;
    uint8_t lastIndex = 0;
    bool hasLast = false;
};

// Squared RGB distance.
inline int ColourDistance(Rgb a, Rgb b)
{
    int dr = static_cast<int>((a >> 16) & 0xFF) - static_cast<int>((b >> 16) & 0xFF);
    int dg = static_cast<int>((a >> 8) & 0xFF) - static_cast<int>((b >> 8) & 0xFF);
    int db = static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF);
    return dr * dr + dg * dg + db * db;
}
