#pragma once

#include <cstdint>

#include "MvrFormat.h"

// How one record read came out.
enum class MvrRecordStatus {
    kRecord,          // a whole record lies inside the data
    kEndOfData,       // the offset is exactly the end of the data
    kHeaderPastEnd,   // fewer than 16 bytes remain for the record header
    kPayloadPastEnd,  // the payload runs past the end of the data
    kOutsideData,     // the offset lies outside the records
};

// One record inside the data; `payload` points into the parser's bytes.
struct MvrRecord {
    rf_mhdr_t header;
    const unsigned char* payload = nullptr;
    std::int64_t offset = 0;      // of the record header
    std::int64_t nextOffset = 0;  // of the record that follows
};

// What the parser had to discard from a file that contradicts itself.
struct MvrParseFindings {
    bool tooShort = false;                 // under 512 bytes: no header, no records
    bool indexAreaPastData = false;        // 512 + index_size lies past the end: no records
    bool indexCountPastArea = false;       // index_count x 8 exceeds index_size: entries clipped
    std::uint32_t droppedIndexEntries = 0; // entries whose offset lies outside the records
};

// Reads the header, the index and the records of an MVR recording held in
// memory, without trusting any field: every read is checked against the
// data's size, so nothing outside [data, data + size) is ever touched. The
// parser does not own the bytes; they must outlive it. Read-only after
// construction, so it may be shared between threads.
class MvrParser {
public:
    MvrParser() = default;
    MvrParser(const unsigned char* data, std::int64_t sizeBytes);

    // False when the data is shorter than a file header.
    bool isValid() const;
    const rf_fhdr_t& header() const;
    // Entries whose offset can hold a record header; in file order.
    const MvrIndex& index() const;
    const MvrParseFindings& findings() const;

    const unsigned char* data() const;
    std::int64_t dataSize() const;
    // Offset of the first record: 512 + index_size, or the end of the data
    // when the data is too short or the index area runs past it.
    std::int64_t recordsOffset() const;

    // Reads the record at `offset` into `record` (only on kRecord).
    MvrRecordStatus readRecord(std::int64_t offset, MvrRecord* record) const;

    // Offset of the record a seek to `targetMs` starts from, or kNoRecord.
    // With an index: the last entry whose time is at or before the target
    // (the first entry for an earlier target, the last for a later one).
    // Without one: the last video record at or before the target, or the
    // first video record when the target lies before all of them.
    std::int64_t seekOffset(int targetMs) const;

    static constexpr std::int64_t kNoRecord = -1;

private:
    void parseHeader();
    void parseIndex();
    std::int64_t scanForVideoRecord(int targetMs) const;

    const unsigned char* m_data = nullptr;
    std::int64_t m_sizeBytes = 0;
    std::int64_t m_recordsOffset = 0;
    rf_fhdr_t m_header;
    MvrIndex m_index;
    MvrParseFindings m_findings;
};
