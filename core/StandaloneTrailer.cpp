#include "StandaloneTrailer.h"

#include <cstring>

const char kStandaloneMarker[kStandaloneMarkerSize] = "Tovaren Standalone Screensaver.";

bool ReadTrailerFromEnd(const uint8_t* last, size_t count, uint64_t fileSize, StandaloneTrailer* trailer)
{
    if (count < static_cast<size_t>(kStandaloneTrailerSize) || fileSize < count)
        return false;
    memcpy(trailer, last + count - kStandaloneTrailerSize, kStandaloneTrailerSize);
    if (memcmp(trailer->marker, kStandaloneMarker, kStandaloneMarkerSize - 1) == 0)
        return true;
    memset(trailer, 0, sizeof(*trailer));
    return false;
}

uint32_t EmbeddedLength(uint32_t offset, uint32_t length, uint64_t fileSize)
{
    if (fileSize < static_cast<uint64_t>(kStandaloneTrailerSize))
        return 0;
    uint64_t end = fileSize - kStandaloneTrailerSize;
    if (offset >= end)
        return 0;
    return length > end - offset ? static_cast<uint32_t>(end - offset) : length;
}
