// The standalone screen saver descriptor: a copy of the saver with one show,
// one bitmap and a 60-byte trailer appended. The trailer layout is described
// in docs/standalone-saver.md.
#pragma once

#include <cstdint>
#include <cstdio>

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

class StandaloneInfo {
public:
    explicit StandaloneInfo(const char* programPath);
    ~StandaloneInfo();
    StandaloneInfo(const StandaloneInfo&) = delete;
    StandaloneInfo& operator=(const StandaloneInfo&) = delete;

    bool ReadStandaloneTrailer();
    static bool MakeTempFolder(char* output);
    static bool ExtractRange(int file, uint32_t offset, uint32_t length, const char* outputPath);

    StandaloneTrailer trailer;
    char* programPath;
    bool valid;
    char* showPath;
    char* bitmapPath;
    char* tempFolder;

private:
    void RemoveExtractedFiles();
};
