// The standalone screen saver descriptor: a copy of the saver with one show,
// one bitmap and a 60-byte trailer appended. The trailer layout is described
// in docs/standalone-saver.md.
#pragma once

#include "StandaloneTrailer.h"

#include <cstdint>
#include <cstdio>

class StandaloneInfo {
public:
    explicit StandaloneInfo(const char* programPath);
    ~StandaloneInfo();
    StandaloneInfo(const StandaloneInfo&) = delete;
    StandaloneInfo& operator=(const StandaloneInfo&) = delete;

    bool ReadStandaloneTrailer();
    static bool MakeTempFolder(char* output);
    bool MakeLockedTempFolder();
    // Removes what savers that were killed left in the Temp folder; a folder
    // whose saver still runs is held by its lock file and kept.
    static void RemoveStaleTempFolders();
    static bool ExtractRange(int file, uint32_t offset, uint32_t length, const char* outputPath);

    StandaloneTrailer trailer;
    char* programPath;
    bool valid;
    char* showPath;
    char* bitmapPath;
    char* tempFolder;

private:
    void* lockFile;  // open for as long as this saver runs; goes with the handle
    void RemoveExtractedFiles();
};
