// The show file's layout and the reading of it from bytes, without any system
// call: ShowDocument::Load and IsUnviewedPriorityShow read files through it,
// and the fuzzers feed it bytes directly. docs/show-format.md describes the format.
#pragma once

#include <cstddef>
#include <cstdint>

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

const int kSignatureSlots = 40;

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

// Reads a show file from consecutive pieces of its bytes, of any sizes: first
// the version word, then the header its version asks for (172 bytes for
// version 2, 6 for version 1, none for any other), then 16-byte point records
// up to the end. A trailing piece of a record is never handed out.
class ShowFileReader {
public:
    // Receives whole records as they arrive, in file order.
    typedef void (*RecordSink)(void* context, const ShowPoint* records, unsigned count);

    // The header starts as the document holds it: a file of an unknown
    // version keeps it, a version-1 file keeps its signature and reserved bytes.
    explicit ShowFileReader(const ShowHeader& start);

    void Feed(const uint8_t* bytes, size_t count, RecordSink sink, void* context);

    // True once the version word and the header its version asks for are whole.
    bool HeaderWhole() const { return stage_ == STAGE_RECORDS; }

    ShowHeader header;      // as read, valid once HeaderWhole
    ShowHeaderV1 headerV1;  // the 6 bytes of a version-1 header, as read
    uint32_t totalDelay;    // unsigned sum of the delays, held at 2147483647
    uint32_t recordCount;

private:
    enum Stage { STAGE_VERSION_WORD, STAGE_HEADER, STAGE_RECORDS };
    void TakeHeader();
    void HandOut(const ShowPoint* records, unsigned count, RecordSink sink, void* context);

    Stage stage_;
    uint8_t pending_[sizeof(ShowHeader)];  // a header or a record still being filled
    size_t pendingBytes_;
    size_t headerBytes_;  // what follows the version word for this version
};

// Bytes of header after the version word: 172 for version 2, 6 for version 1,
// none for any other version.
size_t HeaderBytesAfterVersionWord(int16_t version);

// Whether the first bytes of a file make a version-2 show with HF_PRIORITY.
bool IsPriorityShowStart(const uint8_t* bytes, size_t count);
