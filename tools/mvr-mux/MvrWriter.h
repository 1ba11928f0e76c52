#pragma once

#include <QSaveFile>
#include <QString>
#include <QTemporaryFile>
#include <cstdint>
#include <memory>

#include "MvrFormat.h"

// Whether a video record gets an entry in the seek index.
enum class MvrIndexing { kNotIndexed, kIndexed };

// Writes one MVR recording. Records go to a temporary file beside the
// output while the index grows; finish() writes the header, the index area
// and then the records into the output, replacing it in one step.
class MvrWriter {
public:
    bool open(const QString& outputPath);
    bool writeRecord(std::uint8_t type, int timestampMs, const std::uint8_t* payload, std::uint32_t sizeBytes,
        MvrIndexing indexing);
    bool finish(int widthPixels, int heightPixels, int durationMs);

    QString errorString() const;
    std::uint32_t recordCount() const;

    // The index area is padded to a multiple of this many bytes.
    static constexpr std::int64_t kIndexAreaAlignment = 512;

private:
    bool fail(const QString& message);
    bool writeHeaderAndIndex(int widthPixels, int heightPixels, int durationMs);
    bool copyRecords();

    std::unique_ptr<QSaveFile> m_output;
    std::unique_ptr<QTemporaryFile> m_records;
    std::vector<std::pair<int, std::int64_t>> m_index;  // (ms, offset inside the records)
    std::int64_t m_recordBytes = 0;
    std::uint32_t m_recordCount = 0;
    QString m_error;
};
