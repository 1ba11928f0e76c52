#include "MvrParser.h"

#include <algorithm>

#include "ByteOrder.h"

MvrParser::MvrParser(const unsigned char* data, std::int64_t sizeBytes)
    : m_data(sizeBytes > 0 ? data : nullptr), m_sizeBytes(data ? std::max<std::int64_t>(sizeBytes, 0) : 0)
{
    m_recordsOffset = m_sizeBytes;
    if (m_sizeBytes < kMvrFileHeaderSize) {
        m_findings.tooShort = true;
        return;
    }
    parseHeader();
    parseIndex();
}

bool MvrParser::isValid() const
{
    return !m_findings.tooShort;
}

const rf_fhdr_t& MvrParser::header() const
{
    return m_header;
}

const MvrIndex& MvrParser::index() const
{
    return m_index;
}

const MvrParseFindings& MvrParser::findings() const
{
    return m_findings;
}

const unsigned char* MvrParser::data() const
{
    return m_data;
}

std::int64_t MvrParser::dataSize() const
{
    return m_sizeBytes;
}

std::int64_t MvrParser::recordsOffset() const
{
    return m_recordsOffset;
}

void MvrParser::parseHeader()
{
    m_header.tag = ReadLe32(m_data + 0);
    m_header.width = ReadLe32Signed(m_data + 4);
    m_header.height = ReadLe32Signed(m_data + 8);
    m_header.field16 = ReadLe32(m_data + 16);
    m_header.field20 = ReadLe16(m_data + 20);
    m_header.field22 = ReadLe16(m_data + 22);
    m_header.duration_ms = ReadLe32Signed(m_data + 48);
    m_header.index_size = ReadLe32(m_data + 52);
    m_header.index_count = ReadLe32(m_data + 60);
}

void MvrParser::parseIndex()
{
    // 64-bit arithmetic throughout: index_size and index_count x 8 can both
    // exceed 32 bits' worth of file.
    const std::int64_t indexAreaEnd = kMvrFileHeaderSize + std::int64_t(m_header.index_size);
    if (indexAreaEnd > m_sizeBytes) {
        m_findings.indexAreaPastData = true;
        return;
    }
    m_recordsOffset = indexAreaEnd;

    std::int64_t entryCount = m_header.index_count;
    const std::int64_t entriesInArea = std::int64_t(m_header.index_size) / kMvrIndexEntrySize;
    if (entryCount > entriesInArea) {
        m_findings.indexCountPastArea = true;
        entryCount = entriesInArea;
    }

    m_index.reserve(static_cast<std::size_t>(entryCount));
    for (std::int64_t i = 0; i < entryCount; ++i) {
        const unsigned char* entry = m_data + kMvrFileHeaderSize + i * kMvrIndexEntrySize;
        const int timeMs = ReadLe32Signed(entry);
        const std::uint32_t offset = ReadLe32(entry + 4);
        if (offset < m_recordsOffset || std::int64_t(offset) + kMvrRecordHeaderSize > m_sizeBytes) {
            ++m_findings.droppedIndexEntries;
            continue;
        }
        m_index.emplace_back(timeMs, offset);
    }
}

MvrRecordStatus MvrParser::readRecord(std::int64_t offset, MvrRecord* record) const
{
    if (offset == m_sizeBytes) {
        return MvrRecordStatus::kEndOfData;
    }
    if (offset < m_recordsOffset || offset > m_sizeBytes) {
        return MvrRecordStatus::kOutsideData;
    }
    if (m_sizeBytes - offset < kMvrRecordHeaderSize) {
        return MvrRecordStatus::kHeaderPastEnd;
    }
    const unsigned char* bytes = m_data + offset;
    rf_mhdr_t header;
    header.type = bytes[0];
    header.timestamp = ReadLe32Signed(bytes + 4);
    header.length = ReadLe32(bytes + 8);
    header.field12 = ReadLe32(bytes + 12);
    const std::int64_t payloadOffset = offset + kMvrRecordHeaderSize;
    if (std::int64_t(header.length) > m_sizeBytes - payloadOffset) {
        return MvrRecordStatus::kPayloadPastEnd;
    }
    if (record) {
        record->header = header;
        record->payload = m_data + payloadOffset;
        record->offset = offset;
        record->nextOffset = payloadOffset + header.length;
    }
    return MvrRecordStatus::kRecord;
}

std::int64_t MvrParser::seekOffset(int targetMs) const
{
    if (m_index.empty()) {
        return scanForVideoRecord(targetMs);
    }
    // The last entry at or before the target: a key frame exactly at the
    // target is shown itself, not the one a whole group earlier.
    std::size_t i = 0;
    while (i < m_index.size() && m_index[i].first <= targetMs) {
        ++i;
    }
    return m_index[i == 0 ? 0 : i - 1].second;
}

std::int64_t MvrParser::scanForVideoRecord(int targetMs) const
{
    // Video records come in presentation order, so the scan ends at the
    // first one past the target (or at the last good record).
    std::int64_t firstVideo = kNoRecord;
    std::int64_t lastAtOrBefore = kNoRecord;
    MvrRecord record;
    for (std::int64_t offset = m_recordsOffset;
         readRecord(offset, &record) == MvrRecordStatus::kRecord; offset = record.nextOffset) {
        if (!IsMvrVideoRecord(record.header.type)) {
            continue;
        }
        if (firstVideo == kNoRecord) {
            firstVideo = offset;
        }
        if (record.header.timestamp > targetMs) {
            break;
        }
        lastAtOrBefore = offset;
    }
    return lastAtOrBefore != kNoRecord ? lastAtOrBefore : firstVideo;
}
