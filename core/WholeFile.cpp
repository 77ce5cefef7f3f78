#include "WholeFile.h"

#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <sys/stat.h>

bool WriteFully(int fd, const void* data, size_t size)
{
    const char* next = static_cast<const char*>(data);
    bool retried = false;
    while (size > 0) {
        errno = 0;
        int written = _write(fd, next, static_cast<unsigned>(size));
        if (written < 0 && errno == EINVAL && !retried) {
            // Wine's runtime reports a write cut short by a full disk as EINVAL;
            // the next call names the cause.
            retried = true;
            continue;
        }
        if (written <= 0) {
            if (errno == 0)
                errno = ENOSPC;  // nothing written and no error: the disk is full
            return false;
        }
        next += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

int ErrnoFromLastError()
{
    switch (GetLastError()) {
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
        return ENAMETOOLONG;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:  // a temporary file asked for in a folder that is not there
        return ENOENT;
    default:
        return EACCES;
    }
}

WholeFileResult WriteWholeFile(const char* path, const char* tempPrefix, bool mayReplace,
                               bool (*write)(int fd, void* context), void* context, int* error)
{
    char fullPath[MAX_PATH];
    char* namePart = nullptr;
    DWORD length = GetFullPathNameA(path, sizeof(fullPath), fullPath, &namePart);
    if (length == 0 || length >= sizeof(fullPath) || !namePart) {
        *error = ENAMETOOLONG;
        return WHOLE_FILE_NOT_OPENED;
    }
    char folder[MAX_PATH];
    snprintf(folder, sizeof(folder), "%.*s", static_cast<int>(namePart - fullPath), fullPath);
    char tempPath[MAX_PATH];
    if (!GetTempFileNameA(folder, tempPrefix, 0, tempPath)) {
        *error = ErrnoFromLastError();
        return WHOLE_FILE_NOT_OPENED;
    }
    int fd = _open(tempPath, _O_WRONLY | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd == -1) {
        *error = errno;
        DeleteFileA(tempPath);
        return WHOLE_FILE_NOT_OPENED;
    }
    errno = 0;
    bool written = write(fd, context);
    *error = errno;
    WholeFileResult result = written ? WHOLE_FILE_WRITTEN : WHOLE_FILE_NOT_WRITTEN;
    if (_close(fd) != 0 && written) {
        result = WHOLE_FILE_NOT_MOVED;
        *error = errno;
    }
    DWORD moveFlags = MOVEFILE_WRITE_THROUGH | (mayReplace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (result == WHOLE_FILE_WRITTEN && !MoveFileExA(tempPath, fullPath, moveFlags)) {
        DWORD failure = GetLastError();
        bool taken = failure == ERROR_ALREADY_EXISTS || failure == ERROR_FILE_EXISTS;
        result = taken ? WHOLE_FILE_NAME_TAKEN : WHOLE_FILE_NOT_MOVED;
        *error = taken ? EEXIST : ErrnoFromLastError();
    }
    if (result != WHOLE_FILE_WRITTEN)
        DeleteFileA(tempPath);
    return result;
}
