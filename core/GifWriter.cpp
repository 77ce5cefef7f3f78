#include "GifWriter.h"

#include <algorithm>
#include <cstring>

namespace {

const int kMaxCodes = 4096;  // 12-bit codes
const int kHashBits = 13;  // twice the code count keeps probe chains short
const int kHashSize = 1 << kHashBits;

// Packs variable-width codes, lowest bit first, into data sub-blocks of at
// most 255 bytes, each behind its length byte.
class CodePacker {
public:
    explicit CodePacker(std::vector<uint8_t>& out) : out(out) {}

    void Put(int code, int bits)
    {
        buffer |= static_cast<uint32_t>(code) << bitCount;
        bitCount += bits;
        while (bitCount >= 8) {
            PutByte(static_cast<uint8_t>(buffer & 0xFF));
            buffer >>= 8;
            bitCount -= 8;
        }
    }

    void Finish()
    {
        if (bitCount > 0) PutByte(static_cast<uint8_t>(buffer & 0xFF));
        buffer = 0;
        bitCount = 0;
        FlushBlock();
        out.push_back(0);  // block terminator
    }

private:
    void PutByte(uint8_t byte)
    {
        block[blockSize++] = byte;
        if (blockSize == 255) FlushBlock();
    }

    void FlushBlock()
    {
        if (blockSize == 0) return;
        out.push_back(static_cast<uint8_t>(blockSize));
        out.insert(out.end(), block, block + blockSize);
        blockSize = 0;
    }

    std::vector<uint8_t>& out;
    uint32_t buffer = 0;
    int bitCount = 0;
    uint8_t block[255];
    int blockSize = 0;
};

}  // namespace

int GifPaletteBits(int count)
{
    int bits = 1;
    while (bits < 8 && (1 << bits) < count) ++bits;
    return bits;
}

// The dictionary maps (prefix code, next index) to a code. When it is full a
// clear code starts it afresh, which costs little on pictures whose content
// changes from region to region.
void GifCompress(const uint8_t* indices, size_t count, int minimumCodeSize,
                 std::vector<uint8_t>& out)
{
    out.push_back(static_cast<uint8_t>(minimumCodeSize));
    CodePacker packer(out);
    const int clearCode = 1 << minimumCodeSize;
    const int endCode = clearCode + 1;
    int codeSize = minimumCodeSize + 1;
    int nextCode = endCode + 1;

    std::vector<int32_t> keyTable(kHashSize, -1);
    std::vector<int16_t> codeTable(kHashSize);
    int32_t* keys = keyTable.data();
    int16_t* codes = codeTable.data();

    // Emits a code, then widens the codes once the next one would not fit:
    // the reader widens at the same point, one code later in its own count.
    auto emit = [&](int code) {
        packer.Put(code, codeSize);
        if (nextCode >= (1 << codeSize) && codeSize < 12) ++codeSize;
    };

    emit(clearCode);
    if (count > 0) {
        int prefix = indices[0];
        for (size_t i = 1; i < count; ++i) {
            int next = indices[i];
            int32_t key = (prefix << 8) | next;
            uint32_t slot = (static_cast<uint32_t>(key) * 2654435761u) >> (32 - kHashBits);
            bool found = false;
            while (keys[slot] != -1) {
                if (keys[slot] == key) {
                    found = true;
                    break;
                }
                slot = (slot + 1) & (kHashSize - 1);
            }
            if (found) {
                prefix = codes[slot];
                continue;
            }
            emit(prefix);
            prefix = next;
            if (nextCode >= kMaxCodes - 1) {
                emit(clearCode);
                codeSize = minimumCodeSize + 1;
                nextCode = endCode + 1;
                std::fill(keyTable.begin(), keyTable.end(), -1);
            } else {
                keys[slot] = key;
                codes[slot] = static_cast<int16_t>(nextCode++);
            }
        }
        emit(prefix);
    }
    emit(endCode);
    packer.Finish();
}

GifAnimation::GifAnimation(GifSink sink, void* context) : sink(sink), context(context) {}

bool GifAnimation::Put(const void* data, size_t size)
{
    return sink(static_cast<const uint8_t*>(data), size, context);
}

bool GifAnimation::PutWord(int value)
{
    uint8_t bytes[2] = {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8)};
    return Put(bytes, 2);
}

bool GifAnimation::Begin(int width, int height, const std::vector<Rgb>& palette)
{
    if (width < 1 || height < 1 || width > 65535 || height > 65535 || palette.empty() ||
        palette.size() > 255) {
        return false;
    }
    this->width = width;
    this->height = height;
    transparentIndex = static_cast<uint8_t>(palette.size());
    paletteBits = GifPaletteBits(static_cast<int>(palette.size()) + 1);
    shown.clear();
    pending.assign(static_cast<size_t>(width) * height, 0);
    hasPending = false;
    framesWritten = 0;

    // Global colour table present, 8 bits of colour resolution, its size.
    uint8_t screen[3] = {static_cast<uint8_t>(0x80 | 0x70 | (paletteBits - 1)), 0, 0};
    std::vector<uint8_t> table(static_cast<size_t>(3) << paletteBits, 0);
    for (size_t i = 0; i < palette.size(); ++i) {
        table[i * 3] = static_cast<uint8_t>(palette[i] >> 16);
        table[i * 3 + 1] = static_cast<uint8_t>(palette[i] >> 8);
        table[i * 3 + 2] = static_cast<uint8_t>(palette[i]);
    }
    // The application extension that makes viewers loop forever (count 0).
    static const uint8_t loop[19] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P',
                                     'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};
    return Put("GIF89a", 6) && PutWord(width) && PutWord(height) && Put(screen, 3) &&
           Put(table.data(), table.size()) && Put(loop, sizeof(loop));
}

bool GifAnimation::AddFrame(const uint8_t* indices, int delayCentiseconds)
{
    size_t size = static_cast<size_t>(width) * height;
    if (hasPending && std::memcmp(pending.data(), indices, size) == 0 &&
        pendingDelay + delayCentiseconds <= 65535) {
        pendingDelay += delayCentiseconds;
        return true;
    }
    if (hasPending && !WritePending()) return false;
    std::memcpy(pending.data(), indices, size);
    pendingDelay = delayCentiseconds;
    hasPending = true;
    return true;
}

bool GifAnimation::Finish()
{
    if (hasPending && !WritePending()) return false;
    hasPending = false;
    uint8_t trailer = 0x3B;
    return Put(&trailer, 1);
}

GifAnimation::Rect GifAnimation::ChangedRect(const uint8_t* indices) const
{
    if (shown.empty()) return Rect{0, 0, width, height};
    Rect r{width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
        const uint8_t* a = indices + static_cast<size_t>(y) * width;
        const uint8_t* b = shown.data() + static_cast<size_t>(y) * width;
        if (std::memcmp(a, b, width) == 0) continue;
        int left = 0;
        while (a[left] == b[left]) ++left;
        int right = width - 1;
        while (a[right] == b[right]) --right;
        if (left < r.left) r.left = left;
        if (right + 1 > r.right) r.right = right + 1;
        if (y < r.top) r.top = y;
        r.bottom = y + 1;
    }
    if (r.right <= r.left) return Rect{0, 0, 1, 1};  // nothing changed: one clear pixel
    return r;
}

// The changed rectangle goes out with the pixels that stayed made
// transparent, or as it is when that compresses smaller.
bool GifAnimation::WritePending()
{
    Rect r = ChangedRect(pending.data());
    int w = r.right - r.left;
    int h = r.bottom - r.top;
    bool first = shown.empty();
    if (first) shown.assign(pending.size(), transparentIndex);

    rectIndices.resize(static_cast<size_t>(w) * h);
    std::vector<uint8_t> masked(rectIndices.size());
    // A pixel that stayed may be written transparent or as it is: whichever
    // goes on the run before it gives the compressor longer strings.
    size_t unchanged = 0;
    uint8_t previous = transparentIndex;
    for (int y = 0; y < h; ++y) {
        size_t row = static_cast<size_t>(r.top + y) * width + r.left;
        for (int x = 0; x < w; ++x) {
            uint8_t value = pending[row + x];
            bool same = !first && shown[row + x] == value;
            unchanged += same;
            rectIndices[static_cast<size_t>(y) * w + x] = value;
            previous = (same && previous != value) ? transparentIndex : value;
            masked[static_cast<size_t>(y) * w + x] = previous;
        }
    }
    int minimumCodeSize = paletteBits < 2 ? 2 : paletteBits;
    packed.clear();
    GifCompress(masked.data(), masked.size(), minimumCodeSize, packed);
    bool useMasked = true;
    // Where a quarter of the rectangle stayed, the transparent runs win
    // anyway; only the others are worth a second compression.
    if (!first && unchanged * 4 < rectIndices.size()) {
        std::vector<uint8_t> plain;
        GifCompress(rectIndices.data(), rectIndices.size(), minimumCodeSize, plain);
        if (plain.size() < packed.size()) {
            packed.swap(plain);
            useMasked = false;
        }
    }

    // Graphic control: disposal 1 (leave the frame in place), the delay, and
    // the transparent index when pixels in the rectangle stay as they were.
    uint8_t control[8] = {0x21, 0xF9, 0x04, static_cast<uint8_t>(0x04 | (useMasked ? 1 : 0)),
                          static_cast<uint8_t>(pendingDelay & 0xFF),
                          static_cast<uint8_t>(pendingDelay >> 8), transparentIndex, 0};
    uint8_t separator = 0x2C;
    uint8_t packedFields = 0;  // no local table, not interlaced
    if (!Put(control, sizeof(control)) || !Put(&separator, 1) || !PutWord(r.left) ||
        !PutWord(r.top) || !PutWord(w) || !PutWord(h) || !Put(&packedFields, 1) ||
        !Put(packed.data(), packed.size())) {
        return false;
    }
    for (int y = r.top; y < r.bottom; ++y) {
        size_t row = static_cast<size_t>(y) * width;
        std::memcpy(shown.data() + row + r.left, pending.data() + row + r.left, w);
    }
    ++framesWritten;
    return true;
}
