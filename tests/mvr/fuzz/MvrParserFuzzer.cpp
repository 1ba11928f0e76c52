// libFuzzer target: the MVR parser on arbitrary bytes. Walks every record,
// seeks to a few targets and reads the records it lands on; the sanitizers
// report any read outside the input.
#include <cstddef>
#include <cstdint>

#include "MvrParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const MvrParser parser(data, std::int64_t(size));
    std::uint64_t checksum = 0;
    MvrRecord record;
    std::int64_t offset = parser.recordsOffset();
    while (parser.readRecord(offset, &record) == MvrRecordStatus::kRecord) {
        if (record.header.length > 0) {
            checksum += record.payload[0] + record.payload[record.header.length - 1];
        }
        offset = record.nextOffset;
    }
    for (const auto& entry : parser.index()) {
        checksum += parser.readRecord(entry.second, &record) == MvrRecordStatus::kRecord ? record.header.type : 0;
    }
    for (const int targetMs : {-1, 0, 40, 1000, 2147483647}) {
        const std::int64_t landing = parser.seekOffset(targetMs);
        if (landing != MvrParser::kNoRecord && parser.readRecord(landing, &record) == MvrRecordStatus::kRecord
            && record.header.length > 0) {
            checksum += record.payload[record.header.length - 1];
        }
    }
    return checksum == 0xFFFFFFFFFFFFFFFFull ? -1 : 0;
}
