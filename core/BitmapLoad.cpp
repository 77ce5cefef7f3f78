#include "BitmapLoad.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include <new>

namespace {

// The whole file, or null: a file larger than any picture that may be read is
// refused before anything is allocated for it.
uint8_t* ReadBitmapBytes(const char* path, size_t* size, const char** reason)
{
    *reason = "the file cannot be read";
    int fd = _open(path, _O_RDONLY | _O_BINARY);
    if (fd == -1)
        return nullptr;
    long long length = _lseeki64(fd, 0, SEEK_END);
    uint8_t* bytes = nullptr;
    if (length > kMaxBitmapFileBytes) {
        *reason = "the file is larger than any picture this program reads";
    } else if (length >= 0 && _lseeki64(fd, 0, SEEK_SET) == 0) {
        bytes = new (std::nothrow) uint8_t[length > 0 ? length : 1];
        if (!bytes)
            *reason = "there is not enough memory to read the file";
        else if (_read(fd, bytes, static_cast<unsigned>(length)) != length) {
            delete[] bytes;
            bytes = nullptr;
        }
    }
    _close(fd);
    *size = static_cast<size_t>(length);
    return bytes;
}

}  // namespace

HBITMAP LoadCheckedBitmap(const char* path, const char** reason)
{
    size_t size = 0;
    uint8_t* bytes = ReadBitmapBytes(path, &size, reason);
    if (!bytes)
        return nullptr;
    *reason = CheckBitmapFile(bytes, size, nullptr);
    delete[] bytes;
    if (*reason)
        return nullptr;
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!bitmap)
        *reason = "the system cannot load it";
    return bitmap;
}
