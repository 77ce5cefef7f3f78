// libFuzzer target: the show file reader behind ShowDocument::Load and
// IsUnviewedPriorityShow, fed in pieces whose sizes the input chooses, and
// held to the format's plain rules: the header its version asks for, then
// every whole 16-byte record as it stands, and the sum of their delays.
#include "ShowFormat.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Collect(void* context, const ShowPoint* records, unsigned count)
{
    auto* points = static_cast<std::vector<ShowPoint>*>(context);
    points->insert(points->end(), records, records + count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    unsigned pieces = data[0];  // the first byte chooses the piece sizes, the rest is the file
    data++;
    size--;

    ShowHeader start;
    memset(&start, 0xA5, sizeof(start));
    ShowFileReader reader(start);
    std::vector<ShowPoint> points;
    unsigned state = pieces;
    for (size_t at = 0; at < size;) {
        state = state * 1103515245u + 12345u;
        size_t piece = 1 + (state >> 16) % ((pieces & 1) ? 7 : 5000);
        if (piece > size - at)
            piece = size - at;
        reader.Feed(data + at, piece, Collect, &points);
        at += piece;
    }

    int16_t version = 0;
    if (size >= 4)
        memcpy(&version, data + 2, 2);
    size_t headerEnd = 4 + (size >= 4 ? HeaderBytesAfterVersionWord(version) : 0);
    bool whole = size >= headerEnd;
    if (reader.HeaderWhole() != whole)
        abort();
    bool priority = false;
    if (!whole) {
        if (!points.empty() || reader.recordCount != 0)
            abort();
    } else {
        size_t records = (size - headerEnd) / sizeof(ShowPoint);
        if (points.size() != records || reader.recordCount != records)
            abort();
        uint64_t total = 0;
        for (size_t i = 0; i < records; i++) {
            if (memcmp(&points[i], data + headerEnd + i * sizeof(ShowPoint), sizeof(ShowPoint)) != 0)
                abort();
            total += points[i].delay;
        }
        if (reader.totalDelay != (total > 2147483647u ? 2147483647u : total))
            abort();
        if (memcmp(&reader.header, data, 4) != 0)
            abort();
        if (version == 2 && memcmp(&reader.header.block, data + 4, sizeof(ShowHeaderBlock)) != 0)
            abort();
        if (version != 1 && version != 2 &&
            memcmp(&reader.header.block, &start.block, sizeof(ShowHeaderBlock)) != 0)
            abort();
        priority = version == 2 && (reader.header.block.flags & HF_PRIORITY);
    }
    if (IsPriorityShowStart(data, size) != priority)
        abort();
    return 0;
}
