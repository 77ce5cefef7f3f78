#include "FloodFill.h"

#include <vector>

namespace {

int LowestBit(uint32_t mask) {
    int shift = 0;
    while (shift < 32 && !(mask & (1u << shift))) ++shift;
    return shift;
}

int BitCount(uint32_t mask) {
    int count = 0;
    for (; mask; mask &= mask - 1) ++count;
    return count;
}

uint32_t PutChannel(uint32_t value8, uint32_t mask) {
    if (!mask) return 0;
    int bits = BitCount(mask);
    uint32_t field = bits <= 8 ? value8 >> (8 - bits) : value8 << (bits - 8);
    return (field << LowestBit(mask)) & mask;
}

// Row access specialised by pixel size keeps the inner loops free of switches.
template <int Bytes>
struct Row {
    static uint32_t Get(const uint8_t* row, int x) {
        const uint8_t* p = row + x * Bytes;
        if (Bytes == 1) return p[0];
        if (Bytes == 2) return *reinterpret_cast<const uint16_t*>(p);
        if (Bytes == 4) return *reinterpret_cast<const uint32_t*>(p);
        return p[0] | (p[1] << 8) | (p[2] << 16);
    }
    static void Put(uint8_t* row, int x, uint32_t value) {
        uint8_t* p = row + x * Bytes;
        if (Bytes == 1) {
            p[0] = static_cast<uint8_t>(value);
        } else if (Bytes == 2) {
            *reinterpret_cast<uint16_t*>(p) = static_cast<uint16_t>(value);
        } else if (Bytes == 4) {
            *reinterpret_cast<uint32_t*>(p) = value;
        } else {
            p[0] = static_cast<uint8_t>(value);
            p[1] = static_cast<uint8_t>(value >> 8);
            p[2] = static_cast<uint8_t>(value >> 16);
        }
    }
};

struct Seed {
    int x;
    int y;
};

// Each seed is a pixel of the target value; its whole run on the row is
// filled, then the rows above and below are scanned under that run and one
// seed is pushed per run of target pixels found there.
template <int Bytes>
long Fill(const PixelMemory& m, int startX, int startY, uint32_t target, uint32_t fill) {
    std::vector<Seed> seeds;
    seeds.reserve(1024);
    seeds.push_back({startX, startY});
    long changed = 0;
    while (!seeds.empty()) {
        Seed seed = seeds.back();
        seeds.pop_back();
        uint8_t* row = m.bits + static_cast<ptrdiff_t>(seed.y) * m.pitch;
        if (Row<Bytes>::Get(row, seed.x) != target) continue;
        int left = seed.x;
        while (left > 0 && Row<Bytes>::Get(row, left - 1) == target) --left;
        int right = seed.x;
        while (right + 1 < m.width && Row<Bytes>::Get(row, right + 1) == target) ++right;
        for (int x = left; x <= right; ++x) Row<Bytes>::Put(row, x, fill);
        changed += right - left + 1;
        for (int dy = -1; dy <= 1; dy += 2) {
            int y = seed.y + dy;
            if (y < 0 || y >= m.height) continue;
            const uint8_t* next = m.bits + static_cast<ptrdiff_t>(y) * m.pitch;
            bool inRun = false;
            for (int x = left; x <= right; ++x) {
                bool isTarget = Row<Bytes>::Get(next, x) == target;
                if (isTarget && !inRun) seeds.push_back({x, y});
                inRun = isTarget;
            }
        }
    }
    return changed;
}

}  // namespace

uint32_t PixelValueFromColor(COLORREF colour, uint32_t redMask, uint32_t greenMask,
                             uint32_t blueMask) {
    return PutChannel(GetRValue(colour), redMask) | PutChannel(GetGValue(colour), greenMask) |
           PutChannel(GetBValue(colour), blueMask);
}

uint32_t ReadPixelValue(const PixelMemory& memory, int x, int y) {
    const uint8_t* row = memory.bits + static_cast<ptrdiff_t>(y) * memory.pitch;
    switch (memory.bytesPerPixel) {
    case 1: return Row<1>::Get(row, x);
    case 2: return Row<2>::Get(row, x);
    case 3: return Row<3>::Get(row, x);
    case 4: return Row<4>::Get(row, x);
    default: return 0;
    }
}

long SpanFloodFill(const PixelMemory& memory, int x, int y, uint32_t fillValue) {
    if (!memory.bits || x < 0 || y < 0 || x >= memory.width || y >= memory.height) return -1;
    // Pixels are read only in the sizes the rows are made of.
    if (memory.bytesPerPixel < 1 || memory.bytesPerPixel > 4) return -1;
    uint32_t target = ReadPixelValue(memory, x, y);
    switch (memory.bytesPerPixel) {
    case 1: fillValue &= 0xFF; break;
    case 2: fillValue &= 0xFFFF; break;
    case 3: fillValue &= 0xFFFFFF; break;
    default: break;
    }
    // Filling with the colour already there changes nothing (and would never end).
    if (target == fillValue) return 0;
    switch (memory.bytesPerPixel) {
    case 1: return Fill<1>(memory, x, y, target, fillValue);
    case 2: return Fill<2>(memory, x, y, target, fillValue);
    case 3: return Fill<3>(memory, x, y, target, fillValue);
    case 4: return Fill<4>(memory, x, y, target, fillValue);
    default: return -1;
    }
}
