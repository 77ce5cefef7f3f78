// The 60-byte trailer at the end of a standalone screen saver, and its check,
// without any system call: the saver, tovarenpack and the fuzzers share it.
// The layout is described in docs/standalone-saver.md.
#pragma once

#include <cstddef>
#include <cstdint>

const int kStandaloneTrailerSize = 60;
const int kStandaloneMarkerSize = 36;
extern const char kStandaloneMarker[kStandaloneMarkerSize];  // "Tovaren Standalone Screensaver."

#pragma pack(push, 1)
struct StandaloneTrailer {
    uint32_t showOffset;
    uint32_t showLength;
    uint32_t bitmapOffset;
    uint32_t bitmapLength;
    char speedMode;  // 'a', 'm' or 'r'
    uint8_t unused1;
    int8_t speedValue;
    uint8_t unused2;
    int32_t pauseSeconds;
    char marker[kStandaloneMarkerSize];
};
#pragma pack(pop)
static_assert(sizeof(StandaloneTrailer) == kStandaloneTrailerSize, "the trailer is 60 bytes");

// Takes the trailer from the last bytes of a file of fileSize bytes; false
// when the file is too short for one or its marker is not there.
bool ReadTrailerFromEnd(const uint8_t* last, size_t count, uint64_t fileSize, StandaloneTrailer* trailer);

// The part of an embedded piece that lies before the trailer: a piece that
// reaches past the trailer is cut there, one that starts beyond it is empty.
uint32_t EmbeddedLength(uint32_t offset, uint32_t length, uint64_t fileSize);
