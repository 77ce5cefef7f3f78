// Files that appear under their name only whole: written beside the name and
// moved onto it once every byte is on the disk, so a full disk, a failed
// write or a killed program leaves what the name held before.
#pragma once

#include <cstddef>

// Writes every byte; false with errno set when the disk takes no more.
bool WriteFully(int fd, const void* data, size_t size);

// The runtime's error number for what the last system file call reported.
int ErrnoFromLastError();

// How far WriteWholeFile got.
enum WholeFileResult {
    WHOLE_FILE_WRITTEN,
    WHOLE_FILE_NOT_OPENED,   // no temporary file beside the name (or the name is too long)
    WHOLE_FILE_NOT_WRITTEN,  // the writer failed; the error is its errno
    WHOLE_FILE_NAME_TAKEN,   // a file appeared under the name and may not be replaced
    WHOLE_FILE_NOT_MOVED,    // the copy could not be closed or could not take the name
};

// Writes path through a temporary file named tempPrefix... in its folder.
// write fills the open file and makes sure it reached the disk (_commit).
// On failure the temporary file is gone and *error holds the cause.
WholeFileResult WriteWholeFile(const char* path, const char* tempPrefix, bool mayReplace,
                               bool (*write)(int fd, void* context), void* context, int* error);
