// reeljoin: joins two or more shows, in the order given, into one new show file.
// No existing file is changed: the output must not exist yet.
#include "ShowDocument.h"
#include "WindowsFamily.h"

#include <new>
#include <stdio.h>

namespace {

const char* const kUsageLines[] = {
    "Usage: reeljoin showfiles outputfile\n",
    "Where 'showfile(s)' is a space seperated list of show files to combine.\n",
    "Where 'outputfile' is the name of the resulting combined show file.\n",
    "You must specify at least three files in order for this program to\n",
    "do something.  All but the last file specified must exist.  If the\n",
    "last file specified exists, the program will not work.\n",
    "This program will not modify any existing files.  Files are combined\n",
    "in the order listed.  Screen dimensions are taken from the first file.\n",
};

const char kMissingArgument[] = "Required command line argument missing.\n";
const char kNoMemory[] = "ran out of memory.  Bad!!!\n";
const char kAdding[] = "Adding file: [%s]\n";
const char kLoadError[] = "Failed to load file: [%s]: %s\n";
const char kAppendError[] = "Internal error.  Sorry.\n";
const char kCreated[] =
    "File successfully created: [%s]\n\nRemember to edit this file manually and sign it.\n";
const char kSaveError[] = "Failed to save your file: [%s]\n";

// Two inputs and the output at least; the program name is argv[0].
const int kMinimumArguments = 4;

// Every outcome, success or failure, ends the program with this status.
const int kExitStatus = 0;

void PrintUsage()
{
    for (const char* line : kUsageLines)
        printf("%s", line);
    printf(kMissingArgument);
}

// The joined show carries fresh flags and no signature; the user signs it in the editor.
ShowDocumentPtr CreateOutput(bool ntFamily)
{
    ShowDocumentPtr output = NewShowDocument(nullptr, PRIORITY_MARKING_SUPPRESSED);
    if (!output) {
        printf(kNoMemory);
        return nullptr;
    }
    output->header.block.flags = ntFamily ? HF_COMPAT_WARNINGS : HF_OS_DOS | HF_COMPAT_WARNINGS;
    return output;
}

// Copies the points unchanged: at the seam the first point keeps its own delay
// and pen flags, and coordinates are not scaled to the first file's screen.
bool AppendAllPoints(ShowDocument& input, ShowDocument& output)
{
    input.Rewind();
    while (PointNode* node = input.NextPoint()) {
        if (!output.AppendPoint(node->point)) {
            printf(kAppendError);
            return false;
        }
    }
    return true;
}

// A show without points or without delays is accepted.
bool AddFile(const char* name, bool first, ShowDocument& output)
{
    ShowDocumentPtr input = NewShowDocument(nullptr, PRIORITY_MARKING_SUPPRESSED);
    if (!input) {
        printf(kNoMemory);
        return false;
    }
    printf(kAdding, name);
    bool ok = input->Load(name) != -1;
    if (!ok) {
        printf(kLoadError, name, input->message);
    } else {
        if (first) {
            output.header.block.width = input->header.block.width;
            output.header.block.height = input->header.block.height;
        }
        ok = AppendAllPoints(*input, output);
    }
    return ok;
}

// Exclusive creation makes the save fail, and touch nothing, when the output exists.
void SaveOutput(const char* name, ShowDocument& output)
{
    if (output.Save(name, SHOW_SAVE_EXCLUSIVE))
        printf(kCreated, name);
    else
        printf(kSaveError, output.message);
}

void JoinShows(int inputCount, char** inputs, const char* outputName, bool ntFamily)
{
    ShowDocumentPtr output = CreateOutput(ntFamily);
    if (!output)
        return;
    bool ok = true;
    for (int i = 0; i < inputCount && ok; i++)
        ok = AddFile(inputs[i], i == 0, *output);
    if (ok)
        SaveOutput(outputName, *output);
}

}  // namespace

int main(int argc, char** argv)
{
    bool ntFamily = IsNtFamily();
    if (argc < kMinimumArguments) {
        PrintUsage();
        return kExitStatus;
    }
    JoinShows(argc - 2, argv + 1, argv[argc - 1], ntFamily);
    return kExitStatus;
}
