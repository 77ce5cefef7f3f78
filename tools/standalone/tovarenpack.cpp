// tovarenpack: writes a standalone screen saver, a copy of tovarensaver.scr
// that carries one show, one character bitmap and its own speed and pause.
//
//   tovarenpack <saver.scr> <show.sho> <character.bmp> <output.scr>
//               [/mode:a|m|r] [/speed:1-100] [/pause:0-60]
#include "BitmapFile.h"
#include "ShowDocument.h"
#include "StandaloneInfo.h"
#include "WholeFile.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <new>
#include <string>
#include <vector>

namespace {

enum ExitStatus {
    EXIT_DONE = 0,
    EXIT_USAGE = 1,
    EXIT_BAD_INPUT = 2,
    EXIT_WRITE_FAILED = 3,
};

const char kUsage[] =
    "Usage: tovarenpack <saver.scr> <show.sho> <character.bmp> <output.scr>\n"
    "                   [/mode:a|m|r] [/speed:1-100] [/pause:0-60]\n"
    "Writes a standalone screen saver: a copy of the screen saver that plays the\n"
    "one show with the one character bitmap, without any show folder.\n"
    "  /mode:a  automatic speed from the show's length (default)\n"
    "  /mode:m  manual: the speed value is the playback speed\n"
    "  /mode:r  random speed for each show\n"
    "  /speed   the speed slider value, 1 (slower) to 100 (faster); default 10\n"
    "  /pause   seconds between two showings, 0 to 60; default 30\n";

const long kLargestInput = 256L * 1024 * 1024;

struct PackRequest {
    const char* saverPath = nullptr;
    const char* showPath = nullptr;
    const char* bitmapPath = nullptr;
    const char* outputPath = nullptr;
    char speedMode = 'a';
    int speed = 10;
    int pauseSeconds = 30;
};

bool ReadWholeFile(const char* path, std::vector<char>* bytes)
{
    int file = _open(path, _O_RDONLY | _O_BINARY);
    if (file == -1) {
        printf("Cannot open file: [%s] [%s]\n", path, strerror(errno));
        return false;
    }
    long size = _lseek(file, 0, SEEK_END);
    _lseek(file, 0, SEEK_SET);
    // Every piece is copied into the output whole, whose offsets are 32-bit.
    if (size > kLargestInput) {
        printf("File too large: [%s]\n", path);
        _close(file);
        return false;
    }
    bytes->resize(size > 0 ? size : 0);
    bool ok = size >= 0 && (size == 0 || _read(file, bytes->data(), size) == size);
    if (!ok)
        printf("Cannot read file: [%s] [%s]\n", path, strerror(errno));
    _close(file);
    return ok;
}

// Reads "/name:value" into an integer within limits.
bool ParseNumberOption(const char* argument, const char* name, int low, int high, int* value)
{
    const char* text = argument + strlen(name);
    char* end = nullptr;
    long number = strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || number < low || number > high) {
        printf("Invalid value in %s: it must be a number from %d to %d.\n", argument, low, high);
        return false;
    }
    *value = static_cast<int>(number);
    return true;
}

bool ParseCommandLine(int argc, char** argv, PackRequest* request)
{
    std::vector<const char*> paths;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (_strnicmp(argument, "/mode:", 6) == 0) {
            char mode = argument[6];
            if ((mode != 'a' && mode != 'm' && mode != 'r') || argument[7] != '\0') {
                printf("Invalid value in %s: the mode is a, m or r.\n", argument);
                return false;
            }
            request->speedMode = mode;
        } else if (_strnicmp(argument, "/speed:", 7) == 0) {
            if (!ParseNumberOption(argument, "/speed:", 1, 100, &request->speed))
                return false;
        } else if (_strnicmp(argument, "/pause:", 7) == 0) {
            if (!ParseNumberOption(argument, "/pause:", 0, 60, &request->pauseSeconds))
                return false;
        } else if (argument[0] == '/' && argument[1] != '\0' && strchr(argument, '\\') == nullptr &&
                   strchr(argument + 1, '/') == nullptr) {
            printf("Unknown option: %s\n", argument);
            return false;
        } else {
            paths.push_back(argument);
        }
    }
    if (paths.size() != 4) {
        printf("%s", kUsage);
        return false;
    }
    request->saverPath = paths[0];
    request->showPath = paths[1];
    request->bitmapPath = paths[2];
    request->outputPath = paths[3];
    return true;
}

bool CarriesTrailer(const std::vector<char>& bytes)
{
    StandaloneTrailer trailer;
    return ReadTrailerFromEnd(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), bytes.size(),
                              &trailer);
}

bool CheckSaver(const char* path, const std::vector<char>& bytes)
{
    if (bytes.size() < 2 || bytes[0] != 'M' || bytes[1] != 'Z') {
        printf("Not a screen saver program: [%s]\n", path);
        return false;
    }
    if (CarriesTrailer(bytes)) {
        printf("Already a standalone screen saver: [%s]. Start from tovarensaver.scr.\n", path);
        return false;
    }
    return true;
}

// A show file starts with the version word: -1, then version 1 or 2.
bool HasShowVersion(const std::vector<char>& bytes)
{
    if (bytes.size() < 4)
        return false;
    int16_t version = 0;
    memcpy(&version, bytes.data() + 2, sizeof(version));
    return version == 1 || version == 2;
}

bool CheckShow(const char* path, const std::vector<char>& bytes)
{
    if (!HasShowVersion(bytes)) {
        printf("Not a Tovaren show file, or a show without points: [%s]\n", path);
        return false;
    }
    ShowDocumentPtr document = NewShowDocument(GetModuleHandleA(nullptr), PRIORITY_MARKING_SUPPRESSED);
    if (!document) {
        printf("Not enough memory to read the show: [%s]\n", path);
        return false;
    }
    bool ok = document->Load(path) != -1 && document->pointCount > 0;
    if (!ok)
        printf("Not a Tovaren show file, or a show without points: [%s]\n", path);
    return ok;
}

bool CheckBitmap(const char* path, const std::vector<char>& bytes)
{
    const char* reason = CheckBitmapFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), nullptr);
    if (!reason) {
        HANDLE image = LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
        if (!image)
            reason = "the system cannot load it";
        else
            DeleteObject(image);
    }
    if (reason)
        printf("Not a bitmap file: [%s]: %s.\n", path, reason);
    return !reason;
}

// What goes into the standalone saver, in file order.
struct PackParts {
    const std::vector<char>* saver;
    const std::vector<char>* show;
    const std::vector<char>* bitmap;
    StandaloneTrailer trailer;
};

bool WritePackParts(int file, void* context)
{
    const PackParts& parts = *static_cast<const PackParts*>(context);
    for (const std::vector<char>* part : {parts.saver, parts.show, parts.bitmap})
        if (!part->empty() && !WriteFully(file, part->data(), part->size()))
            return false;
    return WriteFully(file, &parts.trailer, sizeof(parts.trailer)) && _commit(file) == 0;
}

// The output appears under its name only whole, so a full disk or a killed
// run keeps the old file.
bool WriteStandalone(const PackRequest& request, const std::vector<char>& saver,
                     const std::vector<char>& show, const std::vector<char>& bitmap)
{
    PackParts parts = {&saver, &show, &bitmap, {}};
    StandaloneTrailer& trailer = parts.trailer;
    trailer.showOffset = static_cast<uint32_t>(saver.size());
    trailer.showLength = static_cast<uint32_t>(show.size());
    trailer.bitmapOffset = static_cast<uint32_t>(saver.size() + show.size());
    trailer.bitmapLength = static_cast<uint32_t>(bitmap.size());
    trailer.speedMode = request.speedMode;
    trailer.speedValue = static_cast<int8_t>(request.speed);
    trailer.pauseSeconds = request.pauseSeconds;
    memcpy(trailer.marker, kStandaloneMarker, kStandaloneMarkerSize);

    int error = 0;
    WholeFileResult result = WriteWholeFile(request.outputPath, "tvp", true, WritePackParts, &parts, &error);
    if (result == WHOLE_FILE_WRITTEN)
        return true;
    const char* what = result == WHOLE_FILE_NOT_OPENED ? "Cannot create file" : "Cannot write file";
    printf("%s: [%s] [%s]\n", what, request.outputPath, strerror(error ? error : ENOSPC));
    return false;
}

bool SamePath(const char* a, const char* b)
{
    char fullA[MAX_PATH];
    char fullB[MAX_PATH];
    if (!GetFullPathNameA(a, MAX_PATH, fullA, nullptr) || !GetFullPathNameA(b, MAX_PATH, fullB, nullptr))
        return false;
    return _stricmp(fullA, fullB) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    PackRequest request;
    if (!ParseCommandLine(argc, argv, &request))
        return EXIT_USAGE;
    if (SamePath(request.outputPath, request.saverPath) || SamePath(request.outputPath, request.showPath) ||
        SamePath(request.outputPath, request.bitmapPath)) {
        printf("The output file must not be one of the input files: [%s]\n", request.outputPath);
        return EXIT_USAGE;
    }
    std::vector<char> saver, show, bitmap;
    if (!ReadWholeFile(request.saverPath, &saver) || !CheckSaver(request.saverPath, saver))
        return EXIT_BAD_INPUT;
    if (!ReadWholeFile(request.showPath, &show) || !CheckShow(request.showPath, show))
        return EXIT_BAD_INPUT;
    if (!ReadWholeFile(request.bitmapPath, &bitmap) || !CheckBitmap(request.bitmapPath, bitmap))
        return EXIT_BAD_INPUT;
    if (!WriteStandalone(request, saver, show, bitmap))
        return EXIT_WRITE_FAILED;
    printf("Standalone screen saver written: [%s]\n", request.outputPath);
    return EXIT_DONE;
}
