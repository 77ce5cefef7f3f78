#include "ShowFormat.h"

#include <cstring>

namespace {

const size_t kVersionWordBytes = 4;
const unsigned kRecordsPerHandOut = 256;
const uint32_t kLargestTotal = 2147483647;

}  // namespace

size_t HeaderBytesAfterVersionWord(int16_t version)
{
    if (version == 2)
        return sizeof(ShowHeaderBlock);
    if (version == 1)
        return sizeof(ShowHeaderV1);
    return 0;
}

ShowFileReader::ShowFileReader(const ShowHeader& start)
    : header(start), totalDelay(0), recordCount(0), stage_(STAGE_VERSION_WORD), pendingBytes_(0),
      headerBytes_(0)
{
    memset(&headerV1, 0, sizeof(headerV1));
}

// The pending bytes hold the version word and the header as they stand in the file.
void ShowFileReader::TakeHeader()
{
    memcpy(&header, pending_, kVersionWordBytes);
    if (header.version == 2) {
        memcpy(&header.block, pending_ + kVersionWordBytes, sizeof(header.block));
    } else if (header.version == 1) {
        memcpy(&headerV1, pending_ + kVersionWordBytes, sizeof(headerV1));
        header.block.width = headerV1.width;
        header.block.height = headerV1.height;
        header.block.flags = headerV1.flags;
    }
    stage_ = STAGE_RECORDS;
    pendingBytes_ = 0;
}

void ShowFileReader::HandOut(const ShowPoint* records, unsigned count, RecordSink sink, void* context)
{
    for (unsigned i = 0; i < count; i++) {
        totalDelay += records[i].delay;
        if (totalDelay > kLargestTotal)
            totalDelay = kLargestTotal;
    }
    recordCount += count;
    if (sink)
        sink(context, records, count);
}

void ShowFileReader::Feed(const uint8_t* bytes, size_t count, RecordSink sink, void* context)
{
    while (count > 0 && stage_ != STAGE_RECORDS) {
        size_t wanted = (stage_ == STAGE_VERSION_WORD ? kVersionWordBytes : kVersionWordBytes + headerBytes_) -
                        pendingBytes_;
        size_t take = count < wanted ? count : wanted;
        memcpy(pending_ + pendingBytes_, bytes, take);
        pendingBytes_ += take;
        bytes += take;
        count -= take;
        if (take < wanted)
            return;
        if (stage_ == STAGE_VERSION_WORD) {
            int16_t version;
            memcpy(&version, pending_ + 2, sizeof(version));
            headerBytes_ = HeaderBytesAfterVersionWord(version);
            stage_ = STAGE_HEADER;
        }
        if (stage_ == STAGE_HEADER && pendingBytes_ == kVersionWordBytes + headerBytes_)
            TakeHeader();
    }
    if (stage_ != STAGE_RECORDS)
        return;

    ShowPoint batch[kRecordsPerHandOut];
    unsigned batched = 0;
    if (pendingBytes_ > 0) {
        size_t take = sizeof(ShowPoint) - pendingBytes_;
        if (take > count)
            take = count;
        memcpy(pending_ + pendingBytes_, bytes, take);
        pendingBytes_ += take;
        bytes += take;
        count -= take;
        if (pendingBytes_ < sizeof(ShowPoint))
            return;
        memcpy(&batch[batched++], pending_, sizeof(ShowPoint));
        pendingBytes_ = 0;
    }
    while (count >= sizeof(ShowPoint)) {
        memcpy(&batch[batched++], bytes, sizeof(ShowPoint));
        bytes += sizeof(ShowPoint);
        count -= sizeof(ShowPoint);
        if (batched == kRecordsPerHandOut) {
            HandOut(batch, batched, sink, context);
            batched = 0;
        }
    }
    if (batched > 0)
        HandOut(batch, batched, sink, context);
    memcpy(pending_, bytes, count);
    pendingBytes_ = count;
}

bool IsPriorityShowStart(const uint8_t* bytes, size_t count)
{
    ShowHeader start;
    memset(&start, 0, sizeof(start));
    ShowFileReader reader(start);
    reader.Feed(bytes, count, nullptr, nullptr);
    return reader.HeaderWhole() && reader.header.version == 2 &&
           (reader.header.block.flags & HF_PRIORITY) != 0;
}
