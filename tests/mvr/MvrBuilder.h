#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

// Lays out synthetic MVR files byte by byte for the parser tests and the
// fuzz seeds, including files that contradict themselves.
class MvrBuilder {
public:
    struct Record {
        std::uint8_t type = 0;
        int timestampMs = 0;
        QByteArray payload;
        std::int64_t lengthOverride = -1;  // a `length` field that differs from the payload
    };

    MvrBuilder& setPictureSize(int width, int height);
    MvrBuilder& setDurationMs(int durationMs);
    // The index area's size in bytes; by default exactly the entries. Above
    // 1 MiB only the field is set and the records follow the entries.
    MvrBuilder& setIndexSize(std::uint32_t indexSize);
    // An `index_count` that differs from the entries written.
    MvrBuilder& setIndexCount(std::uint32_t indexCount);
    // An index entry pointing at record number `recordNumber`.
    MvrBuilder& indexRecord(int timeMs, int recordNumber);
    // An index entry with a raw file offset.
    MvrBuilder& indexOffset(int timeMs, std::uint32_t offset);
    MvrBuilder& addRecord(std::uint8_t type, int timestampMs, int payloadBytes);
    MvrBuilder& addRecord(const Record& record);

    QByteArray build() const;
    // Offsets in the built file.
    std::int64_t recordsOffset() const;
    std::int64_t recordOffset(int recordNumber) const;

private:
    struct IndexEntry {
        int timeMs = 0;
        int recordNumber = -1;
        std::uint32_t rawOffset = 0;
    };

    std::uint32_t indexSize() const;

    int m_width = 320;
    int m_height = 240;
    int m_durationMs = 0;
    std::int64_t m_indexSize = -1;
    std::int64_t m_indexCount = -1;
    std::vector<IndexEntry> m_index;
    std::vector<Record> m_records;
};
