#include "ShowDocument.h"

#include "WholeFile.h"
#include "tvRegistryClient.h"

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <mmsystem.h>
#include <new>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

namespace {

const int kRecordsPerBlock = 4096;  // 64 KB: one read or write call per block
static_assert(sizeof(ShowPoint) * kRecordsPerBlock <= 65536, "a block fits one call");

// Copies at most size - 1 characters and always terminates.
void CopyBounded(char* target, size_t size, const char* source)
{
    snprintf(target, size, "%s", source ? source : "");
}

const int kNewFilePermission = _S_IREAD | _S_IWRITE;

// The system's file calls take paths shorter than MAX_PATH; the runtime's open
// takes longer ones but the calls that replace and remove files do not, so a
// longer path is refused before anything is touched.
bool PathFits(const char* path)
{
    return strlen(path) < MAX_PATH;
}

// Opens an existing file for a replacing save. A file marked read-only is never
// replaced, also where the system would let its owner write it (Wine as root).
int OpenExistingToReplace(const char* path, int openMode)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        errno = EACCES;
        return -1;
    }
    return _open(path, openMode & ~(_O_TRUNC | _O_CREAT | _O_EXCL), kNewFilePermission);
}

// The node pool: 64 KB blocks of nodes, each with its own free list. A block
// whose nodes are all free again is kept as a spare, so that loading show
// after show reuses pages that are already there, until its owner gives the
// spares back (ReleaseFreePointMemory). Blocks come from VirtualAlloc, which
// aligns them to 64 KB: a node finds its block by rounding its address down.
// Documents live on one thread at a time, but the pool is shared by all of
// them, so a spin lock guards it.
const uintptr_t kBlockBytes = 65536;

struct NodeBlock {
    NodeBlock* previousOpen;  // blocks with a node to give, in the pool's list
    NodeBlock* nextOpen;
    PointNode* freeList;
    int used;
    int carved;  // nodes handed out at least once
};

// The nodes follow the block's header.
const int kNodesPerBlock = static_cast<int>((kBlockBytes - sizeof(NodeBlock)) / sizeof(PointNode));

PointNode* NodesOf(NodeBlock* block)
{
    return reinterpret_cast<PointNode*>(block + 1);
}

struct NodePool {
    NodeBlock* open = nullptr;
    NodeBlock* spares = nullptr;  // empty blocks, linked through nextOpen
    volatile LONG busy = 0;
};
NodePool pool;

struct PoolLock {
    PoolLock()
    {
        while (InterlockedExchange(&pool.busy, 1))
            Sleep(0);
    }
    ~PoolLock() { InterlockedExchange(&pool.busy, 0); }
};

NodeBlock* BlockOf(PointNode* node)
{
    return reinterpret_cast<NodeBlock*>(reinterpret_cast<uintptr_t>(node) & ~(kBlockBytes - 1));
}

bool IsFull(const NodeBlock* block)
{
    return !block->freeList && block->carved == kNodesPerBlock;
}

void LinkOpen(NodeBlock* block)
{
    block->previousOpen = nullptr;
    block->nextOpen = pool.open;
    if (pool.open)
        pool.open->previousOpen = block;
    pool.open = block;
}

void UnlinkOpen(NodeBlock* block)
{
    if (block->previousOpen)
        block->previousOpen->nextOpen = block->nextOpen;
    else
        pool.open = block->nextOpen;
    if (block->nextOpen)
        block->nextOpen->previousOpen = block->previousOpen;
    block->previousOpen = block->nextOpen = nullptr;
}

NodeBlock* NewBlock()
{
    NodeBlock* block = pool.spares;
    if (block) {
        pool.spares = block->nextOpen;
    } else {
        block = static_cast<NodeBlock*>(
            VirtualAlloc(nullptr, kBlockBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!block)
            return nullptr;
    }
    block->freeList = nullptr;
    block->used = 0;
    block->carved = 0;
    LinkOpen(block);
    return block;
}

void KeepAsSpare(NodeBlock* block)
{
    UnlinkOpen(block);
    block->nextOpen = pool.spares;
    pool.spares = block;
}

// Takes one node; the caller holds the lock.
PointNode* TakeNodeHeld()
{
    NodeBlock* block = pool.open ? pool.open : NewBlock();
    if (!block)
        return nullptr;
    PointNode* node = block->freeList;
    if (node)
        block->freeList = node->next;
    else
        node = &NodesOf(block)[block->carved++];
    block->used++;
    if (IsFull(block))
        UnlinkOpen(block);
    return node;
}

PointNode* TakeNode()
{
    PoolLock lock;
    return TakeNodeHeld();
}

// Appends a copy of each record after tail, taking the nodes under one hold
// of the lock, and returns the new tail; *linked tells how many made it. A
// record whose node cannot be had is dropped and the next one is tried.
PointNode* LinkRecords(PointNode* tail, const ShowPoint* records, unsigned count, unsigned* linked)
{
    PoolLock lock;
    *linked = 0;
    for (unsigned i = 0; i < count; i++) {
        PointNode* node = TakeNodeHeld();
        if (!node)
            continue;
        node->next = nullptr;
        node->point = records[i];
        // The reserved bytes of a point are ignored when read.
        memset(node->point.reserved1, 0, sizeof(node->point.reserved1));
        memset(node->point.reserved2, 0, sizeof(node->point.reserved2));
        tail->next = node;
        tail = node;
        ++*linked;
    }
    return tail;
}

void GiveBackNode(PointNode* node)
{
    PoolLock lock;
    NodeBlock* block = BlockOf(node);
    if (IsFull(block))
        LinkOpen(block);
    node->next = block->freeList;
    block->freeList = node;
    if (--block->used == 0)
        KeepAsSpare(block);
}

}  // namespace

void ReleaseFreePointMemory()
{
    PoolLock lock;
    while (NodeBlock* block = pool.spares) {
        pool.spares = block->nextOpen;
        VirtualFree(block, 0, MEM_RELEASE);
    }
}

void* PointNode::operator new(size_t size)
{
    void* node = operator new(size, std::nothrow);
    if (!node)
        throw std::bad_alloc();
    return node;
}

void* PointNode::operator new(size_t, const std::nothrow_t&) noexcept
{
    return TakeNode();
}

void PointNode::operator delete(void* node) noexcept
{
    if (node)
        GiveBackNode(static_cast<PointNode*>(node));
}

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

PointNode* ShowDocument::FindUndoCut()
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
    return cut;
}

PointNode* ShowDocument::UndoLastStroke()
{
    PointNode* cut = FindUndoCut();
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
    size_t n = text ? strlen(text) : 0;
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

ShowDocument::~ShowDocument()
{
    Clear();
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
    cursor = &head;  // never left on a freed node
    totalTime = 0;
    pointCount = 0;
}

// A record whose node cannot be had is dropped and the next one is tried.
void ShowDocument::LinkLoadedRecords(void* context, const ShowPoint* records, unsigned count)
{
    ShowDocument* document = static_cast<ShowDocument*>(context);
    unsigned linked = 0;
    document->tail = LinkRecords(document->tail, records, count, &linked);
    document->pointCount += linked;
}

// A failed Load leaves the header as it was: it is read aside and taken over
// only when it arrived whole. A read error or the end of the file ends the
// points; a trailing partial record is ignored.
int32_t ShowDocument::Load(const char* filePath)
{
    totalTime = 0;
    errno = ENAMETOOLONG;
    int fd = PathFits(filePath) ? _open(filePath, _O_RDONLY | _O_BINARY) : -1;
    if (fd == -1) {
        SetMessage("Failed to open file: [%s] [%s]", filePath, strerror(errno));
        return -1;
    }
    ShowFileReader reader(header);
    const unsigned kChunkBytes = sizeof(ShowPoint) * kRecordsPerBlock;
    uint8_t* chunk = new (std::nothrow) uint8_t[kChunkBytes];
    uint8_t small[sizeof(ShowHeader)];
    uint8_t* buffer = chunk ? chunk : small;
    unsigned capacity = chunk ? kChunkBytes : sizeof(small);
    errno = 0;  // a short read at the end of the file sets no error of its own
    for (;;) {
        int got = _read(fd, buffer, capacity);
        if (got <= 0)
            break;
        reader.Feed(buffer, static_cast<size_t>(got), LinkLoadedRecords, this);
    }
    delete[] chunk;
    _close(fd);
    if (!reader.HeaderWhole()) {
        SetMessage("Failed to read file: [%s]", strerror(errno));
        return -1;
    }
    header = reader.header;
    headerV1 = reader.headerV1;
    totalTime = static_cast<int32_t>(reader.totalDelay);
    CopyBounded(path, sizeof(path), filePath);
    return totalTime;
}

// Writes the version word, the header block and every point; on a short write
// the message names the part that was cut.
bool ShowDocument::WriteAll(int fd)
{
    if (!WriteFully(fd, &header, 4)) {
        SetMessage("Failed to write File Version Info: [%s]", strerror(errno));
        return false;
    }
    if (!WriteFully(fd, &header.block, sizeof(header.block))) {
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
        if (!WriteFully(fd, buffer, count * sizeof(ShowPoint))) {
            SetMessage("File write failed: [%s]", strerror(errno));
            ok = false;
        }
    }
    delete[] block;
    cursor = nullptr;
    return ok;
}

// Writes the show into an open file and makes sure it reached the disk.
bool ShowDocument::WriteAndCommit(int fd)
{
    if (!WriteAll(fd))
        return false;
    errno = 0;
    if (_commit(fd) != 0) {
        SetMessage("File write failed: [%s]", strerror(errno));
        return false;
    }
    return true;
}

// Never destroys what the target held before: a file is created or replaced
// only by moving a complete new copy onto its name.
bool ShowDocument::Save(const char* filePath, int openMode)
{
    if (!PathFits(filePath)) {
        SetMessage("Failed to open: [%s] [%s]", filePath, strerror(ENAMETOOLONG));
        return false;
    }
    // Creating the file exclusively tells a new file from an existing one.
    int fd = -1;
    bool created = false;
    errno = 0;
    if (openMode & _O_CREAT) {
        fd = _open(filePath, (openMode & ~_O_TRUNC) | _O_EXCL, kNewFilePermission);
        created = fd != -1;
    }
    bool mayReplace = !(openMode & _O_EXCL) && (errno == EEXIST || !(openMode & _O_CREAT));
    if (fd == -1 && mayReplace)
        fd = OpenExistingToReplace(filePath, openMode);
    if (fd == -1) {
        SetMessage("Failed to open: [%s] [%s]", filePath, strerror(errno));
        return false;
    }
    cursor = head.next;
    header.version = 2;

    if (!cursor) {
        // A show without points leaves the file as the open mode makes it.
        bool ok = true;
        errno = 0;
        if (!created && (openMode & _O_TRUNC) && _chsize(fd, 0) != 0) {
            SetMessage("File write failed: [%s]", strerror(errno));
            ok = false;
        }
        _close(fd);
        return ok;
    }

    _close(fd);
    // A new file too appears under its name only whole, so a program killed
    // while saving leaves the old state: no file, or the file as it was.
    if (created)
        _unlink(filePath);
    return ReplaceThroughTempFile(filePath, !(openMode & _O_EXCL));
}

// The new copy is written beside the old file and moved over it only when
// every byte of it is on the disk.
bool ShowDocument::ReplaceThroughTempFile(const char* filePath, bool mayReplace)
{
    int error = 0;
    auto writeShow = [](int fd, void* document) { return static_cast<ShowDocument*>(document)->WriteAndCommit(fd); };
    WholeFileResult result = WriteWholeFile(filePath, "tvs", mayReplace, writeShow, this, &error);
    cursor = nullptr;
    switch (result) {
    case WHOLE_FILE_WRITTEN:
        return true;
    case WHOLE_FILE_NOT_WRITTEN:
        return false;  // the writer has said what failed
    case WHOLE_FILE_NAME_TAKEN:
        // An exclusive save loses to a file made under the name meanwhile.
        SetMessage("Failed to open: [%s] [%s]", filePath, strerror(EEXIST));
        return false;
    case WHOLE_FILE_NOT_MOVED:
        SetMessage("File write failed: [%s]", strerror(error));
        return false;
    default:
        SetMessage("Failed to open: [%s] [%s]", filePath, strerror(error));
        return false;
    }
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
    uint8_t start[sizeof(ShowHeader)];
    int got = _read(fd, start, sizeof(start));
    _close(fd);
    return got > 0 && IsPriorityShowStart(start, static_cast<size_t>(got));
}
