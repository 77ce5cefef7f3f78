#include "GifReader.h"

namespace {

struct Cursor {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool Has(size_t n) const { return at + n <= size; }
    int Byte() { return data[at++]; }
    int Word()
    {
        int value = data[at] | (data[at + 1] << 8);
        at += 2;
        return value;
    }
};

bool SkipBlocks(Cursor& c)
{
    for (;;) {
        if (!c.Has(1)) return false;
        int length = c.Byte();
        if (length == 0) return true;
        if (!c.Has(length)) return false;
        c.at += length;
    }
}

bool ReadTable(Cursor& c, int entries, std::vector<uint32_t>& table)
{
    if (!c.Has(static_cast<size_t>(entries) * 3)) return false;
    table.resize(entries);
    for (int i = 0; i < entries; ++i) {
        int r = c.Byte(), g = c.Byte(), b = c.Byte();
        table[i] = (static_cast<uint32_t>(r) << 16) | (g << 8) | b;
    }
    return true;
}

}  // namespace

bool GifDecompress(const uint8_t* data, size_t size, size_t count, std::vector<uint8_t>& out,
                   size_t* used)
{
    Cursor c{data, size};
    out.clear();
    if (!c.Has(1)) return false;
    int minimum = c.Byte();
    if (minimum < 2 || minimum > 8) return false;
    const int clearCode = 1 << minimum;
    const int endCode = clearCode + 1;
    std::vector<int> prefix(4096), suffix(4096), length(4096);
    for (int i = 0; i < clearCode; ++i) {
        prefix[i] = -1;
        suffix[i] = i;
        length[i] = 1;
    }
    int codeSize = minimum + 1, nextCode = endCode + 1, previous = -1;
    uint32_t buffer = 0;
    int bits = 0;
    int blockLeft = 0;
    bool ended = false;
    std::vector<uint8_t> string;
    while (!ended) {
        while (bits < codeSize) {
            if (blockLeft == 0) {
                if (!c.Has(1)) return false;
                blockLeft = c.Byte();
                if (blockLeft == 0) {
                    // Data ended without an end code: what came is kept.
                    if (used) *used = c.at;
                    return out.size() == count;
                }
            }
            if (!c.Has(1)) return false;
            buffer |= static_cast<uint32_t>(c.Byte()) << bits;
            bits += 8;
            --blockLeft;
        }
        int code = static_cast<int>(buffer & ((1u << codeSize) - 1));
        buffer >>= codeSize;
        bits -= codeSize;
        if (code == clearCode) {
            codeSize = minimum + 1;
            nextCode = endCode + 1;
            previous = -1;
            continue;
        }
        if (code == endCode) {
            ended = true;
            break;
        }
        int first;
        if (code < nextCode && (code < clearCode || code > endCode)) {
            string.resize(length[code]);
            for (int k = code, i = length[code] - 1; i >= 0; k = prefix[k], --i)
                string[i] = static_cast<uint8_t>(suffix[k]);
            first = string[0];
        } else if (code == nextCode && previous >= 0) {
            string.resize(length[previous] + 1);
            for (int k = previous, i = length[previous] - 1; i >= 0; k = prefix[k], --i)
                string[i] = static_cast<uint8_t>(suffix[k]);
            first = string[0];
            string.back() = static_cast<uint8_t>(first);
        } else {
            return false;
        }
        if (out.size() + string.size() > count) return false;
        out.insert(out.end(), string.begin(), string.end());
        if (previous >= 0 && nextCode < 4096) {
            prefix[nextCode] = previous;
            suffix[nextCode] = first;
            length[nextCode] = length[previous] + 1;
            ++nextCode;
            if (nextCode == (1 << codeSize) && codeSize < 12) ++codeSize;
        }
        previous = code;
    }
    // Skip what is left of the sub-blocks.
    c.at += blockLeft;
    if (!SkipBlocks(c)) return false;
    if (used) *used = c.at;
    return out.size() == count;
}

GifMovie ReadGif(const uint8_t* data, size_t size)
{
    GifMovie movie;
    Cursor c{data, size};
    if (!c.Has(13) || std::string(reinterpret_cast<const char*>(data), 6) != "GIF89a") {
        movie.error = "no GIF89a header";
        return movie;
    }
    c.at = 6;
    movie.width = c.Word();
    movie.height = c.Word();
    int fields = c.Byte();
    c.at += 2;
    std::vector<uint32_t> global;
    if (fields & 0x80) {
        movie.paletteSize = 2 << (fields & 7);
        if (!ReadTable(c, movie.paletteSize, global)) {
            movie.error = "palette cut short";
            return movie;
        }
    }
    if (static_cast<uint64_t>(movie.width) * movie.height > (64u << 20)) {
        movie.error = "screen too large";
        return movie;
    }
    std::vector<uint32_t> screen(static_cast<size_t>(movie.width) * movie.height, 0);
    int delay = 0, transparentIndex = -1, disposal = 0;
    std::vector<uint8_t> indices;
    for (;;) {
        if (!c.Has(1)) {
            movie.error = "no trailer";
            return movie;
        }
        int kind = c.Byte();
        if (kind == 0x3B) return movie;
        if (kind == 0x21) {
            if (!c.Has(2)) {
                movie.error = "extension cut short";
                return movie;
            }
            int label = c.Byte();
            if (label == 0xF9 && c.Has(6) && data[c.at] == 4) {
                int packed = data[c.at + 1];
                delay = data[c.at + 2] | (data[c.at + 3] << 8);
                transparentIndex = (packed & 1) ? data[c.at + 4] : -1;
                disposal = (packed >> 2) & 7;
            } else if (label == 0xFF && c.Has(16) && data[c.at] == 11 &&
                       std::string(reinterpret_cast<const char*>(data + c.at + 1), 11) ==
                           "NETSCAPE2.0" &&
                       data[c.at + 12] == 3 && data[c.at + 13] == 1) {
                movie.loopsForever = (data[c.at + 14] | (data[c.at + 15] << 8)) == 0;
            }
            if (!SkipBlocks(c)) {
                movie.error = "extension cut short";
                return movie;
            }
            continue;
        }
        if (kind != 0x2C || !c.Has(9)) {
            movie.error = "unknown block";
            return movie;
        }
        GifShownFrame frame;
        frame.left = c.Word();
        frame.top = c.Word();
        frame.width = c.Word();
        frame.height = c.Word();
        int imageFields = c.Byte();
        std::vector<uint32_t> local;
        if ((imageFields & 0x80) && !ReadTable(c, 2 << (imageFields & 7), local)) {
            movie.error = "local palette cut short";
            return movie;
        }
        if (imageFields & 0x40) {
            movie.error = "interlaced frames are not read";
            return movie;
        }
        const std::vector<uint32_t>& table = local.empty() ? global : local;
        size_t count = static_cast<size_t>(frame.width) * frame.height;
        size_t used = 0;
        if (!GifDecompress(data + c.at, size - c.at, count, indices, &used)) {
            movie.error = "broken image data";
            return movie;
        }
        c.at += used;
        std::vector<uint32_t> before = screen;
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) {
                int sx = frame.left + x, sy = frame.top + y;
                if (sx >= movie.width || sy >= movie.height) continue;
                int index = indices[static_cast<size_t>(y) * frame.width + x];
                if (index == transparentIndex) continue;
                if (index >= static_cast<int>(table.size())) {
                    movie.error = "index outside the palette";
                    return movie;
                }
                screen[static_cast<size_t>(sy) * movie.width + sx] = table[index];
            }
        }
        frame.pixels = screen;
        frame.delay = delay;
        frame.transparent = transparentIndex >= 0;
        movie.frames.push_back(std::move(frame));
        if (disposal == 3) screen = before;
        if (disposal == 2) {
            const GifShownFrame& f = movie.frames.back();
            for (int y = f.top; y < f.top + f.height && y < movie.height; ++y)
                for (int x = f.left; x < f.left + f.width && x < movie.width; ++x)
                    screen[static_cast<size_t>(y) * movie.width + x] = 0;
        }
        delay = 0;
        transparentIndex = -1;
        disposal = 0;
    }
}
