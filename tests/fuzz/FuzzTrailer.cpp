// libFuzzer target: the standalone trailer check, on whole program files. A
// file is standalone exactly when its last 36 bytes start with the marker,
// and the pieces it names are copied only from before the trailer.
#include "StandaloneTrailer.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// What extracting a piece copies, taken from the file's bytes.
void CopyPiece(const uint8_t* data, size_t size, uint32_t offset, uint32_t length)
{
    uint32_t kept = EmbeddedLength(offset, length, size);
    if (kept > length)
        abort();
    if (kept == 0)
        return;
    if (uint64_t(offset) + kept > size - kStandaloneTrailerSize)
        abort();
    std::vector<uint8_t> piece(data + offset, data + offset + kept);
    if (piece.size() != kept)
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    StandaloneTrailer trailer;
    bool found = ReadTrailerFromEnd(data, size, size, &trailer);
    bool marked = size >= size_t(kStandaloneTrailerSize) &&
                  memcmp(data + size - kStandaloneMarkerSize, kStandaloneMarker, kStandaloneMarkerSize - 1) == 0;
    if (found != marked)
        abort();
    if (!found)
        return 0;
    CopyPiece(data, size, trailer.showOffset, trailer.showLength);
    CopyPiece(data, size, trailer.bitmapOffset, trailer.bitmapLength);
    return 0;
}
