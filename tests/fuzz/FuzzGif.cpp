// libFuzzer target: the animation writer and the palette reduction. The bytes
// choose a size, a palette and frames; what the writer makes must decode to
// exactly those frames with the delays given, and a palette reduction must be
// exact whenever the colours fit. The test reader also meets the raw bytes.
#include "GifReader.h"
#include "GifWriter.h"
#include "PaletteReduction.h"

#include <cstdlib>
#include <cstring>

namespace {

struct Bytes {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t Next() { return at < size ? data[at++] : 0; }
};

bool Collect(const uint8_t* data, size_t size, void* context)
{
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    out->insert(out->end(), data, data + size);
    return true;
}

void Check(bool condition)
{
    if (!condition) abort();
}

void RoundTrip(Bytes& in)
{
    int width = 1 + in.Next() % 40, height = 1 + in.Next() % 30;
    int colours = 1 + in.Next() % 255;
    std::vector<Rgb> palette(colours);
    for (int i = 0; i < colours; ++i) palette[i] = (in.Next() << 16) | (in.Next() << 8) | in.Next();
    std::vector<uint8_t> file;
    GifAnimation gif(Collect, &file);
    Check(gif.Begin(width, height, palette));
    std::vector<std::vector<uint8_t>> frames;
    std::vector<int> delays;
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height, 0);
    int count = 1 + in.Next() % 6;
    for (int k = 0; k < count; ++k) {
        // A few runs of one index change each frame.
        int runs = in.Next() % 8;
        for (int r = 0; r < runs; ++r) {
            size_t start = (static_cast<size_t>(in.Next()) * 7 + in.Next()) % frame.size();
            size_t length = in.Next() % 64;
            uint8_t index = in.Next() % colours;
            for (size_t i = start; i < start + length && i < frame.size(); ++i) frame[i] = index;
        }
        int delay = 1 + in.Next() % 50;
        Check(gif.AddFrame(frame.data(), delay));
        if (!frames.empty() && frames.back() == frame) {
            delays.back() += delay;
        } else {
            frames.push_back(frame);
            delays.push_back(delay);
        }
    }
    Check(gif.Finish());
    GifMovie movie = ReadGif(file.data(), file.size());
    Check(movie.error.empty() && movie.loopsForever);
    Check(movie.frames.size() == frames.size());
    for (size_t k = 0; k < frames.size(); ++k) {
        Check(movie.frames[k].delay == delays[k]);
        for (size_t i = 0; i < frame.size(); ++i)
            Check(movie.frames[k].pixels[i] == palette[frames[k][i]]);
    }
}

void Reduce(Bytes& in)
{
    int maxColours = 1 + in.Next() % 255;
    ColourHistogram histogram;
    std::vector<Rgb> seen;
    while (in.at + 3 < in.size) {
        Rgb colour = (in.Next() << 16) | (in.Next() << 8) | in.Next();
        histogram.Add(colour, 1 + in.Next() % 4);
        seen.push_back(colour);
    }
    std::vector<Rgb> palette = ReducePalette(histogram.Colours(), maxColours);
    Check(palette.size() <= static_cast<size_t>(maxColours));
    Check(seen.empty() || !palette.empty());
    if (histogram.Size() > static_cast<size_t>(maxColours) || palette.empty()) return;
    PaletteLookup lookup(palette);
    for (Rgb colour : seen) Check(palette[lookup.IndexOf(colour)] == colour);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadGif(data, size);
    if (size < 2) return 0;
    Bytes in{data + 1, size - 1};
    if (data[0] & 1) RoundTrip(in);
    else Reduce(in);
    return 0;
}
