// reelcast: writes a show as an animated GIF that any browser or image viewer
// plays: the painting at a chosen length and width, then the finished picture
// with its signature for three seconds, over and over.
#include "AnimationExport.h"
#include "ShowDocument.h"
#include "resource.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kVersion[] = "1.0.0.01";

const char* const kUsageLines[] = {
    "reelcast <show file> <gif file> [seconds] [width]\n\n",
    "  <show file> is the pathname of a Tovaren file that you wish to share.\n",
    "  <gif file>  is the pathname of the animated GIF file to write.  A file\n",
    "              of that name is replaced only once the new one is whole.\n\n",
    "This program paints the show as the screen saver does, with the painter\n",
    "walking, and writes it as an animation that plays in any web browser or\n",
    "image viewer.  The finished picture with its signature stays for three\n",
    "seconds at the end, then the animation starts again.\n\n",
    " Options:     Both are optional; 0 takes the default.\n\n",
    "           seconds  how long the painting lasts, 1 to 600.  The show's own\n",
    "            pauses keep their proportions.  Default: the show's recorded\n",
    "            length, at most 30.\n\n",
    "           width    the width of the animation in pixels, 16 to 1920; the\n",
    "            height keeps the show's proportions.  Default: the show's\n",
    "            width, at most 800.\n\n",
};

const char kLoadError[] = "Error loading file: [%s]: %s\n";
const char kNoMemory[] = "Failed to allocate memory.\n";
const char kNoPoints[] = "The show has no timed points: [%s]\n";
const char kNoSize[] = "The show has a width or height of 0: [%s] [%d x %d]\n";
const char kBadSeconds[] =
    "Seconds must be a whole number from 1 to 600, or 0 for the show's own length: [%s]\n";
const char kBadWidth[] =
    "Width must be a whole number from 16 to 1920, or 0 for the show's own width: [%s]\n";
const char kTooMany[] = "Unrecognized command line arg: [%s]\n";
const char kCreating[] = "Creating file: [%s] [%d seconds] [%d x %d]\n";
const char kProgress[] = "\rPainting: %3d%%";
const char kFailed[] = "\nFailed to export the show: %s\n";
const char kDone[] = "\nWrote [%d] frames with [%d] colours%s, [%lld] bytes: [%s]\n";

const int kFailure = 1;

struct Options {
    const char* showPath = nullptr;
    const char* gifPath = nullptr;
    int seconds = 0;  // 0: the default
    int width = 0;
};

void PrintUsage()
{
    printf("Program version: [%s]\n", kVersion);
    for (const char* line : kUsageLines)
        printf("%s", line);
}

// A whole decimal number from low to high, or 0; anything else is refused.
bool ParseNumber(const char* text, int low, int high, int* value)
{
    if (!*text) return false;
    for (const char* p = text; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    if (strlen(text) > 6) return false;
    int number = atoi(text);
    if (number != 0 && (number < low || number > high)) return false;
    *value = number;
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    options.showPath = argv[1];
    options.gifPath = argv[2];
    if (argc > 5) {
        printf(kTooMany, argv[5]);
        return false;
    }
    if (argc > 3 &&
        !ParseNumber(argv[3], kAnimationMinSeconds, kAnimationMaxSeconds, &options.seconds)) {
        printf(kBadSeconds, argv[3]);
        return false;
    }
    if (argc > 4 && !ParseNumber(argv[4], kAnimationMinWidth, kAnimationMaxWidth, &options.width)) {
        printf(kBadWidth, argv[4]);
        return false;
    }
    return true;
}

bool ShowProgress(int percent, void*)
{
    printf(kProgress, percent);
    fflush(stdout);
    return true;
}

int RunExport(const Options& options)
{
    ShowDocumentPtr document = NewShowDocument(nullptr, PRIORITY_MARKING_SUPPRESSED);
    ShowCopy show;
    if (!document) {
        printf(kNoMemory);
        return kFailure;
    }
    if (document->Load(options.showPath) < 0) {
        printf(kLoadError, options.showPath, document->message);
        return kFailure;
    }
    bool copied = CopyShow(*document, show);
    document->Clear();
    if (!copied) {
        printf(kNoMemory);
        return kFailure;
    }
    if (show.points.empty()) {
        printf(kNoPoints, options.showPath);
        return kFailure;
    }
    if (show.width == 0 || show.height == 0) {
        printf(kNoSize, options.showPath, show.width, show.height);
        return kFailure;
    }
    int seconds = options.seconds ? options.seconds : DefaultAnimationSeconds(show);
    int width = options.width ? options.width : DefaultAnimationWidth(show);
    printf(kCreating, options.gifPath, seconds, width, AnimationHeight(show, width));

    // The painter the saver shows when it has no other.
    HBITMAP character = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CHAR_DORIN));
    char message[512];
    AnimationFacts facts;
    ExportResult result = ExportAnimation(show, character, options.gifPath, seconds, width,
                                          ShowProgress, nullptr, message, sizeof(message), &facts);
    if (character) DeleteObject(character);
    if (result != EXPORT_WRITTEN) {
        printf(kFailed, message);
        return kFailure;
    }
    printf(kDone, facts.frames, facts.colours, facts.exactColours ? "" : " (reduced)", facts.bytes,
           options.gifPath);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        PrintUsage();
        return kFailure;
    }
    Options options;
    if (!ParseOptions(argc, argv, options))
        return kFailure;
    return RunExport(options);
}
