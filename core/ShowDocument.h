// The in-memory show: header plus a singly linked list of timed drawing points.
// The file layout is described in docs/show-format.md.
#pragma once

#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

// Point flag bits.
enum : uint8_t {
    PF_PEN_DOWN = 0x01,  // line from the previous point to this one
    PF_FILL = 0x02,      // flood-fill at this point
};

// Header flag bits.
enum : uint16_t {
    HF_OS_DOS = 0x0001,           // painted on a DOS-based Windows
    HF_COMPAT_WARNINGS = 0x0002,  // players warn when the system family differs
    HF_PRIORITY = 0x0004,         // played first until seen to its end once
};

// Open modes the callers pass to ShowDocument::Save.
enum : int {
    SHOW_SAVE_REPLACE = 0x8301,    // _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY
    SHOW_SAVE_EXCLUSIVE = 0x8501,  // _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY
};

const int kSignatureSlots = 40;
const int kShowMessageSize = 256;
const int kShowPathSize = 263;

// One 16-byte point record, the same in memory and in the file.
struct ShowPoint {
    uint16_t x;
    uint16_t y;
    uint16_t delay;  // milliseconds since the previous point
    uint8_t reserved1[2];
    uint32_t colour;  // COLORREF 0x00BBGGRR
    uint8_t penSize;
    uint8_t flags;  // PF_* bits
    uint8_t reserved2[2];
};
static_assert(sizeof(ShowPoint) == 16, "a point record is 16 bytes");
static_assert(offsetof(ShowPoint, colour) == 8, "colour at record offset 8");
static_assert(offsetof(ShowPoint, penSize) == 12, "pen size at record offset 12");

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

// The version-2 header block that follows the version word.
struct ShowHeaderBlock {
    uint16_t width;
    uint16_t height;
    uint16_t flags;  // HF_* bits; unknown bits are kept
    uint8_t reserved1[2];
    uint32_t signature[kSignatureSlots];  // encoded, see SetSignature
    uint8_t reserved2[4];
};
static_assert(sizeof(ShowHeaderBlock) == 172, "the header block is 172 bytes");
static_assert(offsetof(ShowHeaderBlock, signature) == 8, "signature at block offset 8");

struct ShowHeader {
    int16_t magic;    // -1 in a new show; a loaded value is kept and saved again
    int16_t version;  // 2 in every file written; 1 and 2 are read
    ShowHeaderBlock block;
};
static_assert(sizeof(ShowHeader) == 176, "version word plus header block");
static_assert(offsetof(ShowHeader, block) == 4, "the block follows the version word");

// The 6-byte header of a version-1 file.
struct ShowHeaderV1 {
    uint16_t width;
    uint16_t height;
    uint16_t flags;
};
static_assert(sizeof(ShowHeaderV1) == 6, "the version-1 header is 6 bytes");

// The second constructor argument: whether playing a priority show to its end
// marks it as viewed in the registry.
enum : BYTE {
    PRIORITY_MARKING_ON = 0,
    PRIORITY_MARKING_SUPPRESSED = 1,
};

class ShowDocument {
public:
    ShowDocument(HINSTANCE module, BYTE suppressPriorityMarking);

    int32_t Load(const char* path);
    bool Save(const char* path, int openMode);

    bool RecordLivePoint(uint16_t x, uint16_t y, uint32_t colour, uint8_t penSize, uint8_t flags);
    bool AppendPoint(const ShowPoint& point);
    bool AddPoint(uint16_t x, uint16_t y, uint16_t delay, uint32_t colour, uint8_t penSize,
                  uint8_t flags);

    void Rewind();
    PointNode* NextPoint();
    PointNode* UndoLastStroke();

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
    void MarkViewedIfPriority();
    bool WriteAll(int fd);
    bool WriteAndCommit(int fd);
    bool ReplaceThroughTempFile(const char* filePath);
};

// True when the file at path is a version-2 show with HF_PRIORITY that has not
// been played to its end yet.
bool IsUnviewedPriorityShow(HINSTANCE module, const char* path);

// Owns a show document on the heap: it is cleared and deleted with its owner.
struct ShowDocumentDeleter {
    void operator()(ShowDocument* document) const
    {
        document->Clear();
        delete document;
    }
};
typedef std::unique_ptr<ShowDocument, ShowDocumentDeleter> ShowDocumentPtr;

// Null when the memory for it cannot be had.
inline ShowDocumentPtr NewShowDocument(HINSTANCE module, BYTE suppressPriorityMarking)
{
    return ShowDocumentPtr(new (std::nothrow) ShowDocument(module, suppressPriorityMarking));
}
