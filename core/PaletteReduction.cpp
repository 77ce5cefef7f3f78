#include "PaletteReduction.h"

#include <algorithm>

namespace {

int Channel(Rgb colour, int channel) { return static_cast<int>((colour >> (16 - 8 * channel)) & 0xFF); }

Rgb MakeRgb(int r, int g, int b) { return (static_cast<Rgb>(r) << 16) | (static_cast<Rgb>(g) << 8) | b; }

size_t HashOf(Rgb colour) { return (colour * 2654435761u) >> 8; }

const Rgb kNoColour = 0xFFFFFFFF;  // colours have 24 bits: an empty cache slot

// A run of the colour list that becomes one palette entry.
struct Box {
    size_t begin, end;
    double error;  // weighted squared distance of its colours from their mean
    Rgb mean;
};

// Weighted sums of a box's colours per channel, and of their squares.
struct BoxSums {
    double sum[3] = {0, 0, 0}, squares[3] = {0, 0, 0}, total = 0;
};

BoxSums SumBox(const std::vector<ColourWeight>& colours, const Box& box)
{
    BoxSums s;
    for (size_t i = box.begin; i < box.end; ++i) {
        double w = colours[i].weight;
        s.total += w;
        for (int c = 0; c < 3; ++c) {
            double v = Channel(colours[i].colour, c);
            s.sum[c] += w * v;
            s.squares[c] += w * v * v;
        }
    }
    return s;
}

void Measure(const std::vector<ColourWeight>& colours, Box& box)
{
    BoxSums sums = SumBox(colours, box);
    const double* sum = sums.sum;
    const double* squares = sums.squares;
    double total = sums.total;
    box.error = 0;
    int mean[3];
    for (int c = 0; c < 3; ++c) {
        double m = total > 0 ? sum[c] / total : 0;
        box.error += squares[c] - total * m * m;
        mean[c] = static_cast<int>(m + 0.5);
    }
    box.mean = MakeRgb(mean[0], mean[1], mean[2]);
    if (box.end - box.begin < 2) box.error = 0;
}

// Splits at the weighted median of the channel that spreads most.
bool Split(std::vector<ColourWeight>& colours, Box& box, Box& second)
{
    BoxSums sums = SumBox(colours, box);
    const double* sum = sums.sum;
    const double* squares = sums.squares;
    double total = sums.total;
    int axis = 0;
    double widest = -1;
    for (int c = 0; c < 3; ++c) {
        double spread = squares[c] - (total > 0 ? sum[c] * sum[c] / total : 0);
        if (spread > widest) {
            widest = spread;
            axis = c;
        }
    }
    std::sort(colours.begin() + box.begin, colours.begin() + box.end,
              [axis](const ColourWeight& a, const ColourWeight& b) {
                  return Channel(a.colour, axis) < Channel(b.colour, axis);
              });
    double half = total / 2, running = 0;
    size_t cut = box.begin + 1;
    for (size_t i = box.begin; i + 1 < box.end; ++i) {
        running += colours[i].weight;
        cut = i + 1;
        if (running >= half) break;
    }
    second.begin = cut;
    second.end = box.end;
    box.end = cut;
    Measure(colours, box);
    Measure(colours, second);
    return true;
}

std::vector<Rgb> MedianCut(std::vector<ColourWeight>& colours, int maxColours)
{
    std::vector<Box> boxes(1);
    boxes[0].begin = 0;
    boxes[0].end = colours.size();
    Measure(colours, boxes[0]);
    while (static_cast<int>(boxes.size()) < maxColours) {
        size_t worst = 0;
        for (size_t i = 1; i < boxes.size(); ++i)
            if (boxes[i].error > boxes[worst].error) worst = i;
        if (boxes[worst].error <= 0) break;
        Box second;
        Split(colours, boxes[worst], second);
        boxes.push_back(second);
    }
    std::vector<Rgb> palette;
    for (const Box& box : boxes) palette.push_back(box.mean);
    return palette;
}

// Lloyd's refinement over the weighted colours: each entry moves to the
// mean of the colours nearest to it, until the total error stops falling.
void Refine(const std::vector<ColourWeight>& colours, std::vector<Rgb>& palette)
{
    const int kRounds = 12;
    size_t k = palette.size();
    std::vector<double> sums(k * 4);
    double lastError = -1;
    for (int round = 0; round < kRounds; ++round) {
        PaletteLookup lookup(palette);
        std::fill(sums.begin(), sums.end(), 0.0);
        double error = 0;
        size_t worstColour = 0;
        double worstError = -1;
        for (size_t i = 0; i < colours.size(); ++i) {
            Rgb colour = colours[i].colour;
            uint8_t index = lookup.IndexOf(colour);
            double w = colours[i].weight;
            double e = w * ColourDistance(colour, palette[index]);
            error += e;
            if (e > worstError) {
                worstError = e;
                worstColour = i;
            }
            double* s = &sums[index * 4];
            s[0] += w * Channel(colour, 0);
            s[1] += w * Channel(colour, 1);
            s[2] += w * Channel(colour, 2);
            s[3] += w;
        }
        if (lastError >= 0 && error >= lastError * 0.999) break;
        lastError = error;
        for (size_t j = 0; j < k; ++j) {
            const double* s = &sums[j * 4];
            if (s[3] > 0) {
                palette[j] = MakeRgb(static_cast<int>(s[0] / s[3] + 0.5),
                                     static_cast<int>(s[1] / s[3] + 0.5),
                                     static_cast<int>(s[2] / s[3] + 0.5));
            } else {
                // An entry nobody uses takes the colour served worst.
                palette[j] = colours[worstColour].colour;
            }
        }
    }
}

}  // namespace

void ColourHistogram::Grow()
{
    std::vector<Rgb> oldKeys;
    std::vector<uint32_t> oldWeights;
    std::vector<bool> oldTaken;
    oldKeys.swap(keys);
    oldWeights.swap(weights);
    oldTaken.swap(taken);
    size_t size = oldKeys.empty() ? 4096 : oldKeys.size() * 2;
    keys.assign(size, 0);
    weights.assign(size, 0);
    taken.assign(size, false);
    used = 0;
    for (size_t i = 0; i < oldKeys.size(); ++i)
        if (oldTaken[i]) Add(oldKeys[i], oldWeights[i]);
}

void ColourHistogram::Add(Rgb colour, uint32_t weight)
{
    if ((used + 1) * 2 > keys.size()) Grow();
    size_t mask = keys.size() - 1;
    for (size_t slot = HashOf(colour) & mask;; slot = (slot + 1) & mask) {
        if (!taken[slot]) {
            taken[slot] = true;
            keys[slot] = colour;
            weights[slot] = weight;
            ++used;
            return;
        }
        if (keys[slot] == colour) {
            weights[slot] += weight;
            return;
        }
    }
}

void ColourHistogram::AddPixels(const Rgb* pixels, size_t count)
{
    size_t i = 0;
    while (i < count) {
        size_t run = i + 1;
        while (run < count && pixels[run] == pixels[i]) ++run;
        Add(pixels[i] & 0xFFFFFF, static_cast<uint32_t>(run - i));
        i = run;
    }
}

std::vector<ColourWeight> ColourHistogram::Colours() const
{
    std::vector<ColourWeight> colours;
    colours.reserve(used);
    for (size_t i = 0; i < keys.size(); ++i)
        if (taken[i]) colours.push_back({keys[i], weights[i]});
    return colours;
}

std::vector<Rgb> ReducePalette(std::vector<ColourWeight> colours, int maxColours)
{
    std::vector<Rgb> palette;
    if (maxColours < 1) return palette;
    if (colours.size() <= static_cast<size_t>(maxColours)) {
        for (const ColourWeight& c : colours) palette.push_back(c.colour & 0xFFFFFF);
        std::sort(palette.begin(), palette.end());
        palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
        return palette;
    }
    palette = MedianCut(colours, maxColours);
    Refine(colours, palette);
    return palette;
}

PaletteLookup::PaletteLookup(const std::vector<Rgb>& palette)
    : palette(palette), cacheColour(1 << 16, kNoColour), cacheIndex(1 << 16)
{
    for (size_t i = 0; i < palette.size() && i < 256; ++i) byGreen.push_back(static_cast<int>(i));
    std::sort(byGreen.begin(), byGreen.end(), [&palette](int a, int b) {
        return Channel(palette[a], 1) < Channel(palette[b], 1);
    });
}

// Walks outwards from the colour's green in the green-sorted palette and
// stops once green alone is further than the best match.
uint8_t PaletteLookup::Search(Rgb colour) const
{
    if (byGreen.empty()) return 0;
    int green = Channel(colour, 1);
    size_t n = byGreen.size();
    size_t low = 0, high = n;
    while (low < high) {
        size_t mid = (low + high) / 2;
        if (Channel(palette[byGreen[mid]], 1) < green) low = mid + 1;
        else high = mid;
    }
    int best = byGreen[low < n ? low : n - 1];
    int bestDistance = ColourDistance(colour, palette[best]);
    size_t up = low, down = low;
    bool upOpen = true, downOpen = low > 0;
    while (upOpen || downOpen) {
        if (upOpen) {
            if (up >= n) {
                upOpen = false;
            } else {
                int index = byGreen[up];
                int dg = Channel(palette[index], 1) - green;
                if (dg * dg > bestDistance) {
                    upOpen = false;
                } else {
                    int d = ColourDistance(colour, palette[index]);
                    if (d < bestDistance || (d == bestDistance && index < best)) {
                        bestDistance = d;
                        best = index;
                    }
                    ++up;
                }
            }
        }
        if (downOpen) {
            if (down == 0) {
                downOpen = false;
            } else {
                int index = byGreen[down - 1];
                int dg = green - Channel(palette[index], 1);
                if (dg * dg > bestDistance) {
                    downOpen = false;
                } else {
                    int d = ColourDistance(colour, palette[index]);
                    if (d < bestDistance || (d == bestDistance && index < best)) {
                        bestDistance = d;
                        best = index;
                    }
                    --down;
                }
            }
        }
    }
    return static_cast<uint8_t>(best);
}

uint8_t PaletteLookup::IndexOf(Rgb colour)
{
    colour &= 0xFFFFFF;
    if (hasLast && colour == lastColour) return lastIndex;
    size_t slot = HashOf(colour) & 0xFFFF;
    uint8_t index;
    if (cacheColour[slot] == colour) {
        index = cacheIndex[slot];
    } else {
        index = Search(colour);
        cacheColour[slot] = colour;
        cacheIndex[slot] = index;
    }
    hasLast = true;
    lastColour = colour;
    lastIndex = index;
    return index;
}

void PaletteLookup::Map(const Rgb* pixels, size_t count, uint8_t* indices)
{
    for (size_t i = 0; i < count; ++i) indices[i] = IndexOf(pixels[i]);
}
