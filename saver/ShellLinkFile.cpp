#include "ShellLinkFile.h"

#include <cstring>
#include <initializer_list>

namespace {

const uint32_t kHeaderSize = 0x4C;
const uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

enum : uint32_t {
    HAS_ID_LIST = 0x01,
    HAS_LINK_INFO = 0x02,
    HAS_NAME = 0x04,
    HAS_RELATIVE_PATH = 0x08,
    HAS_WORKING_DIR = 0x10,
    HAS_ARGUMENTS = 0x20,
    HAS_ICON_LOCATION = 0x40,
    IS_UNICODE = 0x80,
};

uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Le32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The item ids, each counting its own two size bytes, end with a zero size
// exactly at the end of the list.
bool IdListHolds(const uint8_t* list, size_t size)
{
    size_t at = 0;
    while (size - at >= 2) {
        uint16_t item = Le16(list + at);
        if (item == 0)
            return at + 2 == size;
        if (item < 2 || item > size - at)
            return false;
        at += item;
    }
    return false;
}

// A zero byte ends the text at offset before the block's end.
bool TextEndsInside(const uint8_t* block, size_t size, uint32_t offset)
{
    return offset < size && memchr(block + offset, 0, size - offset) != nullptr;
}

bool LinkInfoHolds(const uint8_t* info, size_t size)
{
    if (size < 0x1C)
        return false;
    uint32_t headerSize = Le32(info + 4);
    uint32_t flags = Le32(info + 8);
    uint32_t volumeOffset = Le32(info + 12);
    uint32_t basePathOffset = Le32(info + 16);
    uint32_t networkOffset = Le32(info + 20);
    uint32_t suffixOffset = Le32(info + 24);
    if (headerSize < 0x1C || headerSize > size)
        return false;
    // Wine's reader follows the volume and path offsets whenever they are not
    // zero, whatever the flags say, so they are checked as it reads them.
    if ((flags & 1) || volumeOffset != 0) {  // a volume
        if (volumeOffset > size || size - volumeOffset < 0x10)
            return false;
        const uint8_t* volume = info + volumeOffset;
        uint32_t volumeSize = Le32(volume);
        if (volumeSize < 0x10 || volumeSize > size - volumeOffset)
            return false;
        uint32_t labelOffset = Le32(volume + 12);
        if (labelOffset == 0x14 ? volumeSize < 0x14 : !TextEndsInside(volume, volumeSize, labelOffset))
            return false;
    }
    if (((flags & 1) || basePathOffset != 0) && !TextEndsInside(info, size, basePathOffset))
        return false;  // the local path
    if ((flags & 2) || networkOffset != 0) {  // a network share
        if (networkOffset > size || size - networkOffset < 0x14)
            return false;
        const uint8_t* network = info + networkOffset;
        uint32_t networkSize = Le32(network);
        if (networkSize < 0x14 || networkSize > size - networkOffset)
            return false;
        if (!TextEndsInside(network, networkSize, Le32(network + 8)))
            return false;
    }
    return TextEndsInside(info, size, suffixOffset);
}

}  // namespace

const char* CheckShellLinkFile(const uint8_t* bytes, size_t size)
{
    if (size > kMaxShellLinkBytes)
        return "the link is larger than any shortcut";
    if (size < kHeaderSize || Le32(bytes) != kHeaderSize || memcmp(bytes + 4, kLinkClsid, 16) != 0)
        return "the file is not a shell link";
    uint32_t flags = Le32(bytes + 20);
    size_t at = kHeaderSize;
    if (flags & HAS_ID_LIST) {
        if (size - at < 2)
            return "the item list is cut short";
        uint16_t listSize = Le16(bytes + at);
        at += 2;
        if (listSize > size - at || !IdListHolds(bytes + at, listSize))
            return "the item list does not hold together";
        at += listSize;
    }
    if (flags & HAS_LINK_INFO) {
        if (size - at < 4)
            return "the link information is cut short";
        uint32_t infoSize = Le32(bytes + at);
        if (infoSize > size - at || !LinkInfoHolds(bytes + at, infoSize))
            return "the link information does not hold together";
        at += infoSize;
    }
    size_t charBytes = (flags & IS_UNICODE) ? 2 : 1;
    for (uint32_t text : {HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR, HAS_ARGUMENTS, HAS_ICON_LOCATION}) {
        if (!(flags & text))
            continue;
        if (size - at < 2)
            return "a text of the link is cut short";
        size_t length = Le16(bytes + at) * charBytes;
        at += 2;
        if (length > size - at)
            return "a text of the link is cut short";
        at += length;
    }
    // Extra blocks, each counting its own size, up to one of fewer than 4 bytes.
    while (size - at >= 4) {
        uint32_t blockSize = Le32(bytes + at);
        if (blockSize < 4)
            return nullptr;
        if (blockSize < 8 || blockSize > size - at)
            return "an extra block of the link is cut short";
        at += blockSize;
    }
    return size == at ? nullptr : "the link ends inside a block";
}
