#include "MvrBuilder.h"

#include <QtEndian>
#include <algorithm>

namespace {

constexpr int kHeaderBytes = 512;
constexpr int kRecordHeaderBytes = 16;
// A larger index_size is written as a field only: the file then ends inside
// the index area it claims.
constexpr std::uint32_t kMaxWrittenIndexBytes = 1 << 20;

void Put32(QByteArray& bytes, std::int64_t at, std::uint32_t value)
{
    if (at + 4 <= bytes.size()) {
        qToLittleEndian(value, bytes.data() + at);
    }
}

}  // namespace

MvrBuilder& MvrBuilder::setPictureSize(int width, int height)
{
    m_width = width;
    m_height = height;
    return *this;
}

MvrBuilder& MvrBuilder::setDurationMs(int durationMs)
{
    m_durationMs = durationMs;
    return *this;
}

MvrBuilder& MvrBuilder::setIndexSize(std::uint32_t indexSize)
{
    m_indexSize = indexSize;
    return *this;
}

MvrBuilder& MvrBuilder::setIndexCount(std::uint32_t indexCount)
{
    m_indexCount = indexCount;
    return *this;
}

MvrBuilder& MvrBuilder::indexRecord(int timeMs, int recordNumber)
{
    m_index.push_back({timeMs, recordNumber, 0});
    return *this;
}

MvrBuilder& MvrBuilder::indexOffset(int timeMs, std::uint32_t offset)
{
    m_index.push_back({timeMs, -1, offset});
    return *this;
}

MvrBuilder& MvrBuilder::addRecord(std::uint8_t type, int timestampMs, int payloadBytes)
{
    Record record;
    record.type = type;
    record.timestampMs = timestampMs;
    record.payload = QByteArray(payloadBytes, char(0x40 + type));
    return addRecord(record);
}

MvrBuilder& MvrBuilder::addRecord(const Record& record)
{
    m_records.push_back(record);
    return *this;
}

std::uint32_t MvrBuilder::indexSize() const
{
    return m_indexSize >= 0 ? std::uint32_t(m_indexSize) : std::uint32_t(m_index.size() * 8);
}

std::int64_t MvrBuilder::recordsOffset() const
{
    const std::uint32_t claimed = indexSize();
    const std::uint32_t written = claimed <= kMaxWrittenIndexBytes ? claimed : std::uint32_t(m_index.size() * 8);
    return kHeaderBytes + std::int64_t(written);
}

std::int64_t MvrBuilder::recordOffset(int recordNumber) const
{
    std::int64_t offset = recordsOffset();
    for (int i = 0; i < recordNumber && i < int(m_records.size()); ++i) {
        offset += kRecordHeaderBytes + m_records[std::size_t(i)].payload.size();
    }
    return offset;
}

QByteArray MvrBuilder::build() const
{
    // The index area is written as far as the entries go; an index_size
    // larger than the entries leaves zero bytes, a smaller one cuts them.
    QByteArray bytes(int(recordsOffset()), '\0');
    Put32(bytes, 4, std::uint32_t(m_width));
    Put32(bytes, 8, std::uint32_t(m_height));
    Put32(bytes, 48, std::uint32_t(m_durationMs));
    Put32(bytes, 52, indexSize());
    Put32(bytes, 60, m_indexCount >= 0 ? std::uint32_t(m_indexCount) : std::uint32_t(m_index.size()));
    for (std::size_t i = 0; i < m_index.size(); ++i) {
        const IndexEntry& entry = m_index[i];
        const std::int64_t at = kHeaderBytes + std::int64_t(i) * 8;
        if (at + 8 > bytes.size()) {
            break;
        }
        const std::uint32_t offset =
            entry.recordNumber >= 0 ? std::uint32_t(recordOffset(entry.recordNumber)) : entry.rawOffset;
        Put32(bytes, at, std::uint32_t(entry.timeMs));
        Put32(bytes, at + 4, offset);
    }
    for (const Record& record : m_records) {
        QByteArray header(kRecordHeaderBytes, '\0');
        header[0] = char(record.type);
        Put32(header, 4, std::uint32_t(record.timestampMs));
        const std::int64_t length = record.lengthOverride >= 0 ? record.lengthOverride : record.payload.size();
        Put32(header, 8, std::uint32_t(length));
        bytes += header;
        bytes += record.payload;
    }
    return bytes;
}
