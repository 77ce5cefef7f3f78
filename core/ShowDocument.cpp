#include "ShowDocument.h"

#include "tvRegistryClient.h"

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <mmsystem.h>
#include <new>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

namespace {

const int kRecordsPerBlock = 4096;  // 64 KB: one read or write call per block

// Copies at most size - 1 characters and always terminates.
void CopyBounded(char* target, size_t size, const char* source)
{
    snprintf(target, size, "%s", source ? source : "");
}

bool FileExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

ShowDocument::ShowDocument(HINSTANCE moduleHandle, BYTE suppress)
{
    message[0] = '\0';
    memset(&lastRecorded, 0, sizeof(lastRecorded));
    memset(&head, 0, sizeof(head));
    head.point.penSize = 4;
    head.next = nullptr;
    cursor = &head;
    tail = &head;
    totalTime = 0;
    pointCount = 0;
    lastPointTime = timeGetTime();
    suppressPriorityMarking = suppress;
    path[0] = '\0';
    module = moduleHandle;
    memset(&headerV1, 0, sizeof(headerV1));
    memset(&header, 0, sizeof(header));
    header.magic = -1;
    header.version = 2;
    header.block.width = 1024;
    header.block.height = 768;
}

void ShowDocument::SetMessage(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof(message), format, args);
    va_end(args);
}

bool ShowDocument::RecordLivePoint(uint16_t x, uint16_t y, uint32_t colour, uint8_t penSize,
                                   uint8_t flags)
{
    if (x == lastRecorded.x && y == lastRecorded.y && flags == lastRecorded.flags)
        return true;
    // Remembered before the allocation, so a failed one still suppresses a repeat.
    lastRecorded.x = x;
    lastRecorded.y = y;
    lastRecorded.flags = flags;

    uint32_t now = timeGetTime();
    uint32_t delay = now - lastPointTime;
    if (delay > 1000)
        delay = 1000;

    if (!AddPoint(x, y, static_cast<uint16_t>(delay), colour, penSize, flags))
        return false;
    lastPointTime = now;
    return true;
}

bool ShowDocument::AppendPoint(const ShowPoint& point)
{
    return AddPoint(point.x, point.y, point.delay, point.colour, point.penSize, point.flags);
}

bool ShowDocument::AddPoint(uint16_t x, uint16_t y, uint16_t delay, uint32_t colour,
                            uint8_t penSize, uint8_t flags)
{
    PointNode* node = new (std::nothrow) PointNode;
    if (!node)
        return false;
    memset(node, 0, sizeof(*node));
    node->point.x = x;
    node->point.y = y;
    node->point.delay = delay;
    node->point.colour = colour;
    node->point.penSize = penSize;
    node->point.flags = flags;
    tail->next = node;
    tail = node;
    pointCount++;
    return true;
}

void ShowDocument::Rewind()
{
    cursor = &head;
}

PointNode* ShowDocument::NextPoint()
{
    if (cursor)
        cursor = cursor->next;
    if (cursor)
        return cursor;
    MarkViewedIfPriority();
    return nullptr;
}

// The screen saver's documents note here that a priority show was seen to its end.
void ShowDocument::MarkViewedIfPriority()
{
    if (suppressPriorityMarking || !(header.block.flags & HF_PRIORITY))
        return;
    tvRegistryClient* client = new (std::nothrow) tvRegistryClient(module);
    if (!client)
        return;
    if (client->OpenPriorityViewedKey()) {
        if (!client->IsPriorityViewed(path))
            client->MarkPriorityViewed(path);
        client->ClosePriorityViewedKey();
    }
    delete client;
}

PointNode* ShowDocument::UndoLastStroke()
{
    PointNode* cut = nullptr;
    PointNode* prev = &head;
    uint8_t prevFlags = 0;  // the head counts as a pen move
    for (PointNode* cur = head.next; cur; prev = cur, cur = cur->next) {
        if ((cur->point.flags & PF_PEN_DOWN) && !(prevFlags & PF_PEN_DOWN))
            cut = prev;
        if (cur->point.flags & PF_FILL)
            cut = prev;
        prevFlags = cur->point.flags;
    }
    if (!cut)
        return nullptr;

    PointNode* node = cut->next;
    while (node) {
        PointNode* next = node->next;
        delete node;
        pointCount--;
        node = next;
    }
    cut->next = nullptr;
    tail = cut;
    cursor = nullptr;
    return cut;
}

void ShowDocument::SetSignature(const char* text)
{
    memset(header.block.signature, 0, sizeof(header.block.signature));
    size_t n = strlen(text);
    if (n > kSignatureSlots)
        n = kSignatureSlots;
    for (size_t k = 0; k < n; k++) {
        int32_t c = static_cast<signed char>(text[k]);
        header.block.signature[k] = static_cast<uint32_t>((c + 333) * static_cast<int32_t>(k + 1));
    }
}

char* ShowDocument::GetSignature(char* buffer)
{
    for (uint32_t k = 0; k < kSignatureSlots; k++) {
        uint32_t slot = header.block.signature[k];
        buffer[k] = slot ? static_cast<char>((slot / (k + 1) - 77) & 0xFF) : '\0';
    }
    buffer[kSignatureSlots] = '\0';
    return buffer;
}

void ShowDocument::Clear()
{
    PointNode* node = head.next;
    while (node) {
        PointNode* next = node->next;
        delete node;
        node = next;
    }
    head.next = nullptr;
    tail = &head;
    totalTime = 0;
    pointCount = 0;
}

int32_t ShowDocument::Load(const char* filePath)
{
    totalTime = 0;
    int fd = _open(filePath, _O_RDONLY | _O_BINARY);
    if (fd == -1) {
        SetMessage("Failed to open file: [%s] [%s]", filePath, strerror(errno));
        return -1;
    }
    if (_read(fd, &header, 4) < 4) {
        SetMessage("Failed to read file: [%s]", strerror(errno));
        _close(fd);
        return -1;
    }
    if (header.version == 1) {
        if (_read(fd, &headerV1, sizeof(headerV1)) < static_cast<int>(sizeof(headerV1))) {
            SetMessage("Failed to read file: [%s]", strerror(errno));
            _close(fd);
            return -1;
        }
        header.block.width = headerV1.width;
        header.block.height = headerV1.height;
        header.block.flags = headerV1.flags;
    } else if (header.version == 2) {
        if (_read(fd, &header.block, sizeof(header.block)) < static_cast<int>(sizeof(header.block))) {
            SetMessage("Failed to read file: [%s]", strerror(errno));
            _close(fd);
            return -1;
        }
    }

    // Whole blocks of records; a trailing partial record and a read error end the load.
    static_assert(sizeof(ShowPoint) * kRecordsPerBlock <= 65536, "block fits one read");
    ShowPoint* block = new (std::nothrow) ShowPoint[kRecordsPerBlock];
    ShowPoint single;
    ShowPoint* buffer = block ? block : &single;
    unsigned capacity = (block ? kRecordsPerBlock : 1) * sizeof(ShowPoint);
    unsigned filled = 0;
    for (;;) {
        int got = _read(fd, reinterpret_cast<char*>(buffer) + filled, capacity - filled);
        if (got <= 0)
            break;
        filled += got;
        unsigned records = filled / sizeof(ShowPoint);
        for (unsigned i = 0; i < records; i++) {
            AppendPoint(buffer[i]);
            totalTime += buffer[i].delay;
        }
        unsigned rest = filled % sizeof(ShowPoint);
        memmove(buffer, reinterpret_cast<char*>(buffer) + records * sizeof(ShowPoint), rest);
        filled = rest;
    }
    delete[] block;

    _close(fd);
    CopyBounded(path, sizeof(path), filePath);
    return totalTime;
}

// Writes the version word, the header block and every point; on a short write
// the message names the part that was cut.
bool ShowDocument::WriteAll(int fd)
{
    if (_write(fd, &header, 4) < 4) {
        SetMessage("Failed to write File Version Info: [%s]", strerror(errno));
        return false;
    }
    if (_write(fd, &header.block, sizeof(header.block)) < static_cast<int>(sizeof(header.block))) {
        SetMessage("Failed to write Header Info: [%s]", strerror(errno));
        return false;
    }
    ShowPoint* block = new (std::nothrow) ShowPoint[kRecordsPerBlock];
    ShowPoint single;
    ShowPoint* buffer = block ? block : &single;
    unsigned capacity = block ? kRecordsPerBlock : 1;
    bool ok = true;
    while (cursor && ok) {
        unsigned count = 0;
        for (; cursor && count < capacity; cursor = cursor->next)
            buffer[count++] = cursor->point;
        unsigned size = count * sizeof(ShowPoint);
        if (_write(fd, buffer, size) < static_cast<int>(size)) {
            SetMessage("File write failed: [%s]", strerror(errno));
            ok = false;
        }
    }
    delete[] block;
    cursor = nullptr;
    return ok;
}

// Never destroys what the target held before: a file that already exists is
// replaced only by a complete new copy, and a file this save created is removed
// again when the save fails.
bool ShowDocument::Save(const char* filePath, int openMode)
{
    bool existed = FileExists(filePath);
    int fd = _open(filePath, openMode & ~_O_TRUNC, _S_IREAD | _S_IWRITE);
    if (fd == -1) {
        SetMessage("Failed to open: [%s] [%s]", filePath, strerror(errno));
        return false;
    }
    cursor = head.next;
    header.version = 2;

    if (!cursor) {
        if (openMode & _O_TRUNC)
            _chsize(fd, 0);
        _close(fd);
        return true;
    }

    if (!existed || (openMode & _O_EXCL)) {
        bool ok = WriteAll(fd) && _commit(fd) == 0;
        _close(fd);
        if (!ok)
            _unlink(filePath);
        return ok;
    }
    _close(fd);

    char fullPath[MAX_PATH];
    char folder[MAX_PATH];
    char* namePart = nullptr;
    DWORD length = GetFullPathNameA(filePath, sizeof(fullPath), fullPath, &namePart);
    if (length == 0 || length >= sizeof(fullPath) || !namePart) {
        SetMessage("Failed to open: [%s] [%s]", filePath, strerror(ENAMETOOLONG));
        return false;
    }
    CopyBounded(folder, namePart - fullPath + 1, fullPath);
    char tempPath[MAX_PATH];
    if (!GetTempFileNameA(folder, "tvs", 0, tempPath)) {
        SetMessage("Failed to open: [%s] [%s]", filePath, strerror(EACCES));
        return false;
    }
    int tempFd = _open(tempPath, _O_WRONLY | _O_TRUNC | _O_BINARY);
    if (tempFd == -1) {
        SetMessage("Failed to open: [%s] [%s]", filePath, strerror(errno));
        DeleteFileA(tempPath);
        return false;
    }
    bool ok = WriteAll(tempFd);
    if (ok && _commit(tempFd) != 0) {
        SetMessage("File write failed: [%s]", strerror(errno));
        ok = false;
    }
    _close(tempFd);
    if (ok && !MoveFileExA(tempPath, fullPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        SetMessage("File write failed: [%s]", strerror(EACCES));
        ok = false;
    }
    if (!ok)
        DeleteFileA(tempPath);
    return ok;
}

bool IsUnviewedPriorityShow(HINSTANCE module, const char* path)
{
    tvRegistryClient* client = new (std::nothrow) tvRegistryClient(module);
    if (!client)
        return false;
    if (!client->OpenPriorityViewedKey()) {
        delete client;
        return false;
    }
    bool viewed = client->IsPriorityViewed(path);
    client->ClosePriorityViewedKey();
    delete client;
    if (viewed)
        return false;

    int fd = _open(path, _O_RDONLY | _O_BINARY);
    if (fd == -1)
        return false;
    ShowHeader header;
    bool ok = _read(fd, &header, 4) == 4 && header.version == 2 &&
              _read(fd, &header.block, sizeof(header.block)) == static_cast<int>(sizeof(header.block));
    _close(fd);
    return ok && (header.block.flags & HF_PRIORITY);
}
