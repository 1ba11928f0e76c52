#include "MvrWriter.h"

#include <QFileInfo>
#include <array>
#include <limits>
#include <vector>

namespace {

// Header tag written at offset 0: the version of this writer's layout.
constexpr std::uint32_t kWriterLayoutVersion = 1;
constexpr qint64 kCopyChunkBytes = 1 << 20;

void PutLe32(std::uint8_t* bytes, std::uint32_t value)
{
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
    bytes[2] = static_cast<std::uint8_t>(value >> 16);
    bytes[3] = static_cast<std::uint8_t>(value >> 24);
}

}  // namespace

bool MvrWriter::open(const QString& outputPath)
{
    m_output = std::make_unique<QSaveFile>(outputPath);
    if (!m_output->open(QIODevice::WriteOnly)) {
        return fail(QStringLiteral("cannot write %1: %2").arg(outputPath, m_output->errorString()));
    }
    const QString folder = QFileInfo(outputPath).absolutePath();
    m_records = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/.mvr-mux-records-XXXXXX"));
    if (!m_records->open()) {
        return fail(QStringLiteral("cannot make a temporary file in %1").arg(folder));
    }
    return true;
}

bool MvrWriter::writeRecord(std::uint8_t type, int timestampMs, const std::uint8_t* payload,
    std::uint32_t sizeBytes, MvrIndexing indexing)
{
    std::array<std::uint8_t, kMvrRecordHeaderSize> header{};
    header[0] = type;
    PutLe32(header.data() + 4, static_cast<std::uint32_t>(timestampMs));
    PutLe32(header.data() + 8, sizeBytes);
    PutLe32(header.data() + 12, m_recordCount);
    if (indexing == MvrIndexing::kIndexed) {
        m_index.emplace_back(timestampMs, m_recordBytes);
    }
    const char* headerBytes = reinterpret_cast<const char*>(header.data());
    if (m_records->write(headerBytes, kMvrRecordHeaderSize) != kMvrRecordHeaderSize
        || m_records->write(reinterpret_cast<const char*>(payload), sizeBytes) != qint64(sizeBytes)) {
        return fail(QStringLiteral("cannot write records: %1").arg(m_records->errorString()));
    }
    m_recordBytes += kMvrRecordHeaderSize + sizeBytes;
    ++m_recordCount;
    return true;
}

bool MvrWriter::finish(int widthPixels, int heightPixels, int durationMs)
{
    if (!writeHeaderAndIndex(widthPixels, heightPixels, durationMs) || !copyRecords()) {
        return false;
    }
    if (!m_output->commit()) {
        return fail(QStringLiteral("cannot finish the output: %1").arg(m_output->errorString()));
    }
    return true;
}

bool MvrWriter::writeHeaderAndIndex(int widthPixels, int heightPixels, int durationMs)
{
    const std::int64_t indexBytes = std::int64_t(m_index.size()) * kMvrIndexEntrySize;
    const std::int64_t indexSize = (indexBytes + kIndexAreaAlignment - 1) / kIndexAreaAlignment * kIndexAreaAlignment;
    const std::int64_t recordsOffset = kMvrFileHeaderSize + indexSize;

    // Index offsets are 32-bit: records that start past 4 GiB stay unindexed.
    std::vector<std::uint8_t> area(static_cast<std::size_t>(recordsOffset), 0);
    std::uint32_t entryCount = 0;
    for (const auto& entry : m_index) {
        const std::int64_t offset = recordsOffset + entry.second;
        if (offset > std::numeric_limits<std::uint32_t>::max()) {
            break;
        }
        std::uint8_t* bytes = area.data() + kMvrFileHeaderSize + entryCount * kMvrIndexEntrySize;
        PutLe32(bytes, static_cast<std::uint32_t>(entry.first));
        PutLe32(bytes + 4, static_cast<std::uint32_t>(offset));
        ++entryCount;
    }
    PutLe32(area.data() + 0, kWriterLayoutVersion);
    PutLe32(area.data() + 4, static_cast<std::uint32_t>(widthPixels));
    PutLe32(area.data() + 8, static_cast<std::uint32_t>(heightPixels));
    PutLe32(area.data() + 48, static_cast<std::uint32_t>(durationMs));
    PutLe32(area.data() + 52, static_cast<std::uint32_t>(indexSize));
    PutLe32(area.data() + 60, entryCount);
    if (m_output->write(reinterpret_cast<const char*>(area.data()), qint64(area.size())) != qint64(area.size())) {
        return fail(QStringLiteral("cannot write the header: %1").arg(m_output->errorString()));
    }
    return true;
}

bool MvrWriter::copyRecords()
{
    if (!m_records->flush() || !m_records->seek(0)) {
        return fail(QStringLiteral("cannot read back the records: %1").arg(m_records->errorString()));
    }
    while (!m_records->atEnd()) {
        const QByteArray chunk = m_records->read(kCopyChunkBytes);
        if (chunk.isEmpty() || m_output->write(chunk) != chunk.size()) {
            return fail(QStringLiteral("cannot copy the records: %1").arg(m_output->errorString()));
        }
    }
    return true;
}

QString MvrWriter::errorString() const
{
    return m_error;
}

std::uint32_t MvrWriter::recordCount() const
{
    return m_recordCount;
}

bool MvrWriter::fail(const QString& message)
{
    m_error = message;
    return false;
}
