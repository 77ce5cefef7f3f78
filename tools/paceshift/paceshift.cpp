// paceshift: rewrites the delays of a show into a new file beside it.
#include "ShowDocument.h"

#include <new>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {

const char kVersion[] = "1.0.1.04";

const char* const kUsageLines[] = {
    "paceshift <filename> options\n\n",
    "  <filename> is the pathname of a Tovaren file that you wish to process.\n\n",
    "This program will read the specified file, and find the average time for each\n",
    "drawing point, and save a new file with the averages in place.  This should\n",
    "result in a more smooth, yet mechanical feel of your Tovaren file.\n\n",
    " Options:     The following items, including the Modifiers and Restrictors are\n",
    "              are optional. Use the options below for different end results.\n\n",
    "           -info will tell you what the average time is in miliseconds\n",
    "            for the given file.\n\n",
    " Modifiers:   The two following items are optional, but only one can\n",
    "              be used at a time.\n\n",
    "           -newtime [new milliseconds] specify a new time for each point.\n",
    "            You can alternate between this and -info to adjust the speed.\n\n",
    "           -offset [+/- milliseconds] specify positive or negative offset\n",
    "            value.  This will be added to or subtracted from each drawing point.\n",
    "            Will not average.\n\n",
    " Restrictors: The two following items can be used in any combination\n",
    "              of command line args.\n\n",
    "           -thresholdlow  This number is the lower threshold for time\n",
    "            modification.  Drawing points below this number will not be changed.\n\n",
    "           -thresholdhigh  This number is the upper threshold for time\n",
    "            modification.  Drawing points above this number will not be changed.\n\n",
};

const char kMissingTime[] = "you have to specify a new time in milliseconds with this option.\n";
const char kBadNewTime[] =
    "You either screwed up in specifying a time in miliseconds,\nor your number is to large/small.\n";
const char kMissingLow[] = "Expecting a number for the lower threshold.\n";
const char kMissingHigh[] = "Expecting a number for the upper threshold.\n";
const char kUnrecognized[] = "Unrecognized command line arg: [%s]\n";
const char kInvalidName[] = "Invalid file name.  Looking for *.sho\n";
const char kNoMemory[] = "Failed to allocate memory.\n";
const char kLoadError[] = "Error loading file: [%s]: %s\n";
const char kOffsetting[] = "Offsetting each time by [%d] milliseconds.\n";
const char kAverage[] = "Average Milliseconds: [%d]\n";
const char kCreating[] = "Creating file: [%s]\n";
const char kSaveError[] = "Failed to save file: [%s]: %s\n";

const int kFailure = -1;

struct Options {
    const char* fileName = nullptr;
    bool info = false;
    bool newTime = false;
    bool offset = false;
    int newTimeValue = 0;
    int offsetValue = 0;
    int thresholdLow = 0;
    int thresholdHigh = 32000;
};

void PrintUsage()
{
    printf("Program version: [%s]\n", kVersion);
    for (const char* line : kUsageLines)
        printf("%s", line);
}

// Returns false after printing what was wrong with the command line.
bool ParseOptions(int argc, char** argv, Options& options)
{
    options.fileName = argv[1];
    for (int i = 2; i < argc; i++) {
        const char* arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (strcmp(arg, "-info") == 0) {
            options.info = true;
        } else if (strcmp(arg, "-newtime") == 0) {
            if (!hasValue) {
                printf(kMissingTime);
                return false;
            }
            options.newTime = true;
            options.newTimeValue = atoi(argv[++i]);
            if (options.newTimeValue < 0) {
                printf(kBadNewTime);
                return false;
            }
        } else if (strcmp(arg, "-offset") == 0) {
            if (!hasValue) {
                printf(kMissingTime);
                return false;
            }
            options.offset = true;
            options.offsetValue = atoi(argv[++i]);
            printf(kOffsetting, options.offsetValue);
        } else if (strcmp(arg, "-thresholdlow") == 0) {
            if (!hasValue) {
                printf(kMissingLow);
                return false;
            }
            options.thresholdLow = atoi(argv[++i]);
        } else if (strcmp(arg, "-thresholdhigh") == 0) {
            if (!hasValue) {
                printf(kMissingHigh);
                return false;
            }
            options.thresholdHigh = atoi(argv[++i]);
        } else {
            PrintUsage();
            printf(kUnrecognized, arg);
            return false;
        }
    }
    return true;
}

bool HasShowExtension(const char* name)
{
    size_t length = strlen(name);
    return length >= 4 && strcmp(name + length - 4, ".sho") == 0;
}

// A delay field holds 16 bits: results are kept within 0 to 65535.
uint16_t ClampDelay(long long value)
{
    if (value < 0)
        return 0;
    if (value > 65535)
        return 65535;
    return static_cast<uint16_t>(value);
}

void Retime(ShowDocument& show, const Options& options, uint32_t average)
{
    long long value = options.newTime ? options.newTimeValue : average;
    show.Rewind();
    while (PointNode* node = show.NextPoint()) {
        int delay = node->point.delay;
        if (!(options.thresholdLow < delay && delay < options.thresholdHigh))
            continue;
        if (options.offset)
            node->point.delay = ClampDelay(static_cast<long long>(delay) + options.offsetValue);
        else
            node->point.delay = ClampDelay(value);
    }
}

// The average of the delays as they are in the file, summed wide enough for any show.
uint32_t AverageDelay(ShowDocument& show)
{
    uint64_t total = 0;
    show.Rewind();
    while (PointNode* node = show.NextPoint())
        total += node->point.delay;
    return static_cast<uint32_t>(total / static_cast<uint32_t>(show.pointCount));
}

// Writes the retimed show beside the input as <name>_new.sho.
bool SaveBeside(ShowDocument& show, const char* fileName)
{
    size_t stemLength = strlen(fileName) - 4;  // the name ends in ".sho"
    std::vector<char> outputPath(stemLength + sizeof("_new.sho"));
    snprintf(outputPath.data(), outputPath.size(), "%.*s_new.sho", static_cast<int>(stemLength),
             fileName);
    printf(kCreating, outputPath.data());
    if (show.Save(outputPath.data(), SHOW_SAVE_REPLACE))
        return true;
    printf(kSaveError, outputPath.data(), show.message);
    return false;
}

int RunRetime(const Options& options)
{
    ShowDocumentPtr show = NewShowDocument(nullptr, PRIORITY_MARKING_SUPPRESSED);
    if (!show) {
        printf(kNoMemory);
        return kFailure;
    }
    int32_t total = show->Load(options.fileName);
    if (total <= 0) {
        printf(kLoadError, options.fileName, total == 0 ? "" : show->message);
        return kFailure;
    }
    uint32_t average = AverageDelay(*show);
    Retime(*show, options, average);

    int status = 0;
    if (options.info)
        printf(kAverage, static_cast<int>(average));
    else if (!SaveBeside(*show, options.fileName))
        status = kFailure;
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        PrintUsage();
        return kFailure;
    }
    Options options;
    if (!ParseOptions(argc, argv, options))
        return kFailure;
    if (!HasShowExtension(options.fileName)) {
        PrintUsage();
        printf(kInvalidName);
        return kFailure;
    }
    return RunRetime(options);
}
