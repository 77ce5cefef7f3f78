// The in-memory show: header plus a singly linked list of timed drawing points.
// The file layout is described in docs/show-format.md.
#pragma once

#include "ShowFormat.h"

#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

// Open modes the callers pass to ShowDocument::Save.
enum : int {
    SHOW_SAVE_REPLACE = 0x8301,    // _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY
    SHOW_SAVE_EXCLUSIVE = 0x8501,  // _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY
};

const int kShowMessageSize = 256;
const int kShowPathSize = 263;

// A heap node holding one point. Nodes come from a pool of large blocks: a show
// of a million points would otherwise spend most of its load time allocating.
struct PointNode {
    PointNode* next;
    ShowPoint point;

    static void* operator new(size_t size);
    static void* operator new(size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* node) noexcept;
};
static_assert(sizeof(PointNode) == 20, "nothing derives from PointNode: the pool holds one size");

// The second constructor argument: whether playing a priority show to its end
// marks it as viewed in the registry.
enum : BYTE {
    PRIORITY_MARKING_ON = 0,
    PRIORITY_MARKING_SUPPRESSED = 1,
};

class ShowDocument {
public:
    ShowDocument(HINSTANCE module, BYTE suppressPriorityMarking);
    ~ShowDocument();  // the points go back to the pool with their show
    // The show owns its chain of points: a copy would free them twice.
    ShowDocument(const ShowDocument&) = delete;
    ShowDocument& operator=(const ShowDocument&) = delete;

    int32_t Load(const char* path);
    bool Save(const char* path, int openMode);

    bool RecordLivePoint(uint16_t x, uint16_t y, uint32_t colour, uint8_t penSize, uint8_t flags);
    bool AppendPoint(const ShowPoint& point);
    bool AddPoint(uint16_t x, uint16_t y, uint16_t delay, uint32_t colour, uint8_t penSize,
                  uint8_t flags);

    void Rewind();
    PointNode* NextPoint();
    PointNode* UndoLastStroke();
    // The node that UndoLastStroke would keep as the last, or null when it would cut nothing.
    PointNode* FindUndoCut();

    void SetSignature(const char* text);
    char* GetSignature(char* buffer);  // buffer of at least 41 bytes

    void Clear();

    char message[kShowMessageSize];
    ShowPoint lastRecorded;  // only x, y and flags are compared
    PointNode head;          // sentinel, not part of the show
    PointNode* cursor;
    PointNode* tail;
    int32_t totalTime;
    int32_t pointCount;
    uint32_t lastPointTime;
    BYTE suppressPriorityMarking;
    char path[kShowPathSize];
    HINSTANCE module;
    ShowHeaderV1 headerV1;
    ShowHeader header;

private:
    void SetMessage(const char* format, ...);
    static void LinkLoadedRecords(void* context, const ShowPoint* records, unsigned count);
    void MarkViewedIfPriority();
    bool WriteAll(int fd);
    bool WriteAndCommit(int fd);
    bool ReplaceThroughTempFile(const char* filePath, bool mayReplace);
};

// Gives the memory of points that every show has let go of (an undo, a
// cleared show) back to the system. Until then it is kept for the next points.
void ReleaseFreePointMemory();

// True when the file at path is a version-2 show with HF_PRIORITY that has not
// been played to its end yet.
bool IsUnviewedPriorityShow(HINSTANCE module, const char* path);

typedef std::unique_ptr<ShowDocument> ShowDocumentPtr;

// Null when the memory for it cannot be had.
inline ShowDocumentPtr NewShowDocument(HINSTANCE module, BYTE suppressPriorityMarking)
{
    return ShowDocumentPtr(new (std::nothrow) ShowDocument(module, suppressPriorityMarking));
}
